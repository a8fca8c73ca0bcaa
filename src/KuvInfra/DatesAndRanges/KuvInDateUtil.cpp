#include "KuvInDateUtil.h"

#include <cstdio>

KUV_DEFINE_TYPE(KuvInDateUtil, KuvInObject)

KuvInDate KuvInDateUtil::getNext(const KuvInDate& date) {
  KuvInDate next(date);
  next.nextSecond();
  return next;
}

KuvInDate KuvInDateUtil::getPrev(const KuvInDate& date) {
  KuvInDate prev(date);
  prev.prevSecond();
  return prev;
}

bool KuvInDateUtil::isIntervalValid(const KuvInDate& a, const KuvInDate& b) { return !(b < a); }

bool KuvInDateUtil::isValueValid(const KuvInDate& date) {
  int year = 0, month = 0, day = 0;
  date.getDate(year, month, day);
  return !((1 <= year && year <= 1899) || (10000 <= year && year <= 19999));
}

KuvInStringChar KuvInDateUtil::toStringChar(const KuvInDate& date) {
  if (date.isInfNeg()) return KuvInStringChar("-INF");
  if (date.isInfPos()) return KuvInStringChar("+INF");
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  date.getDate(year, month, day, hour, minute, second);
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d, %d:%d:%ds", year, month, day, hour - 1, minute - 1, second - 1);
  return KuvInStringChar(text);
}
