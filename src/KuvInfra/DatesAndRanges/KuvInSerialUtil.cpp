#include "KuvInSerialUtil.h"

#include <cstdint>

KUV_DEFINE_TYPE(KuvInSerialUtil, KuvInObject)

std::int32_t KuvInSerialUtil::getNext(std::int32_t value) {
  if (value == sc_max || value == sc_infPos) return sc_infPos;
  if (value == sc_infNeg) return sc_min;
  // Numbers beyond the infinities only come from unchecked input; the
  // extreme one stays put instead of overflowing.
  return value == INT32_MAX ? value : value + 1;
}

std::int32_t KuvInSerialUtil::getPrev(std::int32_t value) {
  if (value == sc_infNeg || value == sc_min) return sc_infNeg;
  if (value == sc_infPos) return sc_max;
  return value == INT32_MIN ? value : value - 1;
}

bool KuvInSerialUtil::isValueValid(std::int32_t value) {
  return !((-1999999999 <= value && value <= -1000000000) || (1000000000 <= value && value <= 1999999999));
}

bool KuvInSerialUtil::isIntervalValid(std::int32_t a, std::int32_t b) {
  return b >= a && (a == sc_infNeg || a >= sc_min) && (b == sc_infPos || b <= sc_max);
}

KuvInStringChar KuvInSerialUtil::toStringChar(std::int32_t value) {
  KuvInStringChar text;
  text.BuildFromNum(value);
  return text;
}
