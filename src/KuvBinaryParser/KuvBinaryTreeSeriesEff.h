// KuvBinaryTreeSeriesEff: the criterion leaf of a tree series effectivity in
// the binary expression format (node type 13, shared with the state and
// manufacturing-plan serial leaves). Integers are big-endian; indices point
// into the expr criteria list of a KuvBinaryExprData.
//
//   offset  width  content
//   0       1      node type 13
//   1       1      header: kind in bits 3-4 (1 tree states, external type
//                  18; 2 tree manufacturing plans, 19), bits 2 and 0 set:
//                  13 or 21
//   2       2      index of the tree series variable's model dictionary
//   4       2      number of selections S, at least 1
//   6       ...    S selections:
//                    1  FROM header: bit 2 single selection, bit 0 included
//                    2  index of the FROM KuvEeTreeSeriesElement
//                  and, when not single:
//                    2  number of TO bounds T
//                    T  times: 1 header (bit 0 included), 2 element index
//
// A single selection is its FROM element alone, included. The leaf holds
// the positive part's selections in their order; a negated effectivity is
// written by the node writer as Not (3) over its leaf, which holds the
// selections before the negation; the no-value flag is not stored.
//
// isAFakeTreeSeries tells, under node type 13, a serial leaf from a tree
// series leaf by what the holder dictionary enables (see the .cpp). With
// fake dependencies a made-up dictionary enables nothing, and its leaves
// read as serial leaves: the light parser reads a tree series leaf only
// when the caller put a dictionary that enables the tree series at the
// holder's index. Missing elements then become placeholders outside any
// tree; a selection with TO bounds cannot be rebuilt on them.
//
// Ownership: static operations; a read effectivity is the caller's.
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"

class KuvBinaryExprData;
class KuvEeTreeSeriesEff;

class KUV_API KuvBinaryTreeSeriesEff : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryTreeSeriesEff)

public:
  ~KuvBinaryTreeSeriesEff() override;

  // Appends the node type and the leaf to out.
  static HRESULT write(const KuvEeTreeSeriesEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
  // Reads a leaf whose node type (13) was read; eff must be null.
  static HRESULT read(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeTreeSeriesEff*& eff);
  // Whether the node-13 leaf at in's cursor is a serial leaf (fake true) or
  // a tree series leaf; in does not move.
  static HRESULT isAFakeTreeSeries(const KuvBioBuffer& in, KuvBinaryExprData& data, bool& fake);

private:
  KuvBinaryTreeSeriesEff() = default;
};
