// Serial numbers (units, states, plans) are signed 32-bit integers framed by
// four sentinels:
//
//     minus infinity -2000000000 < minimum -999999999 <= real numbers
//                    <= maximum 999999999 < plus infinity 2000000000
//
// Stepping saturates: one past the maximum is plus infinity, one before the
// minimum is minus infinity. The same steps serve the series ranges.
#pragma once

#include <cstdint>

#include "KuvInObject.h"
#include "KuvInStringChar.h"

class KUV_API KuvInSerialUtil : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInSerialUtil)

public:
  static constexpr std::int32_t sc_infNeg = -2000000000;
  static constexpr std::int32_t sc_min = -999999999;
  static constexpr std::int32_t sc_max = 999999999;
  static constexpr std::int32_t sc_infPos = 2000000000;

  KuvInSerialUtil() = delete;

  static std::int32_t getNext(std::int32_t value);
  static std::int32_t getPrev(std::int32_t value);
  // False for the numbers between the real ones and the infinities.
  static bool isValueValid(std::int32_t value);
  // b >= a, a is minus infinity or not below the minimum, b is plus infinity
  // or not above the maximum.
  static bool isIntervalValid(std::int32_t a, std::int32_t b);
  static KuvInStringChar toStringChar(std::int32_t value);
};
