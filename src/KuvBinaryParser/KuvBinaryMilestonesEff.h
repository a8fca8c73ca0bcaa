// KuvBinaryMilestonesEff: the criterion leaf of a milestones effectivity in
// the binary expression format (node type 17). Integers are big-endian;
// indices point into the expr criteria list of a KuvBinaryExprData.
//
//   offset  width  content
//   0       1      node type 17
//   1       1      padding, 0
//   2       2      index of the KuvEeMilestonesVar
//   4       2      number of selections S, at least 1
//   6       ...    S selections:
//                    bound  FROM bound
//                    1      single selection: 1, else 0
//                  and, when not single:
//                    2      number of TO bounds T
//                    T      TO bounds
//
//   bound:           2      index of the KuvEeMilestone
//                    1      header: bit 7 included, bit 1 derived date
//                    4      with bit 1 only: the derived date, 2 year,
//                           1 month, 1 day (KuvInDate::getDate)
//
// A single selection is its FROM bound alone, included. A bound carries a
// derived date exactly when its milestone is dated: the day of that date,
// whose time of day is not stored. The reader holds the derived date
// against the milestone it finds (a dated milestone of another day, or a
// date on either side only, is refused), so that whatever it accepts
// writes the same bytes again. The leaf holds the positive part's
// selections in their order; a negated effectivity is written by the node
// writer as Not (3) over its leaf; neither the no-value flag nor a bound's
// evaluation index is stored.
//
// With fake dependencies (the light parser) a missing variable becomes a
// KuvEeMilestonesVar of discipline "DisciplineNoDefined" without a
// dictionary, and a missing milestone a KuvEeMilestone of that variable
// outside any tree, dated with the derived date its first bound carries;
// the data owns them. As with tree series, a selection whose TO bounds
// name other milestones cannot be rebuilt on such placeholders.
//
// Ownership: static operations; a read effectivity is the caller's.
#pragma once

#include <cstdint>

#include "KuvInObject.h"

class KuvBinaryExprData;
class KuvBioBuffer;
class KuvBioBufferOut;
class KuvEeMilestonesEff;

class KUV_API KuvBinaryMilestonesEff : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryMilestonesEff)

public:
  static constexpr std::uint8_t sc_nodeType = 17;

  ~KuvBinaryMilestonesEff() override;

  // Appends the leaf, type byte first.
  static HRESULT write(const KuvEeMilestonesEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
  // Reads a leaf whose type byte is already read; eff must be null.
  static HRESULT read(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeMilestonesEff*& eff);

private:
  KuvBinaryMilestonesEff() = default;
};
