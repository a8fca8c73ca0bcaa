// Static helpers on KuvInDate used by the date ranges and their texts: one
// second forward and back (the step of the range-list algebra), validity of
// points and ranges, and the compact text of a date.
#pragma once

#include "KuvInDate.h"
#include "KuvInStringChar.h"

class KUV_API KuvInDateUtil : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInDateUtil)

public:
  KuvInDateUtil() = delete;

  // A copy moved by nextSecond / prevSecond; at the far end of the
  // sentinels the copy stays where it is.
  static KuvInDate getNext(const KuvInDate& date);
  static KuvInDate getPrev(const KuvInDate& date);
  // Not b < a.
  static bool isIntervalValid(const KuvInDate& a, const KuvInDate& b);
  // False for the years that are neither real dates nor sentinels
  // (1 to 1899, 10000 to 19999).
  static bool isValueValid(const KuvInDate& date);
  // "2001/2/3, 4:5:6s" (no padding, real time values), "-INF" or "+INF".
  static KuvInStringChar toStringChar(const KuvInDate& date);
};
