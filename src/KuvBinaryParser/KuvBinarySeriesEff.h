// KuvBinarySeriesEff: the criterion leaf of a serial effectivity in the
// binary expression format (node type 12 for units, 13 for states and
// manufacturing plans). Integers are big-endian; indices point into the
// expr criteria list of a KuvBinaryExprData.
//
//   offset  width  content
//   0       1      node type: 12 unit, 13 state or manufacturing plan
//   1       1      header: kind in bits 3-4 (1 unit or state, 2 plan),
//                  bit 2 holder follows, bit 0 global value: 13 or 21
//   2       2      index of the serial variable's model dictionary
//   4       2      number of intervals N, at least 1
//   6       ...    N intervals:
//                    1    FROM header: bit 2 single value (lower = upper),
//                         bit 1 inline integer (units), bit 0 included
//                    4|2  units: the lower sequence number (signed); else
//                         the index of the revision at that number
//                    2    0: open end (upper is 2000000000), the interval
//                         ends here; 1: the TO bound follows
//                    1    TO header, as FROM, bit 0 = upper included
//                    4|2  TO value, as FROM
//
// The leaf holds the positive part's ranges only. A negated effectivity is
// written by the node writer as Not (3) over its leaf, which therefore
// holds the ranges before the negation; the no-value flag is not stored
// (a read leaf has none). An open end reads back as an included
// 2000000000.
//
// Reading refuses what would not write back to the same bytes: headers
// other than the ones the values imply, an end flag other than 0 or 1,
// and ranges that overlap or are out of order. A header without the holder
// bit reads without a variable and answers sc_readIncomplete (the light
// parser refuses it). With fake dependencies a missing dictionary becomes
// a placeholder with the series of the leaf's kind, and a missing revision
// a placeholder of that series whose sequence number is its index.
//
// Ownership: static operations; a read effectivity is the caller's.
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"

class KuvBinaryExprData;
class KuvEeSerialEff;

class KUV_API KuvBinarySeriesEff : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinarySeriesEff)

public:
  // The node types of its leaves: the unit kind, the other kinds.
  static constexpr std::uint8_t sc_unitNodeType = 12;
  static constexpr std::uint8_t sc_nodeType = 13;

  ~KuvBinarySeriesEff() override;

  // Appends the node type and the leaf to out.
  static HRESULT write(const KuvEeSerialEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
  // Reads a leaf whose node type (12 or 13) was read; eff must be null.
  static HRESULT read(std::uint8_t nodeType, KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeSerialEff*& eff);

private:
  KuvBinarySeriesEff() = default;
};
