// KuvBinaryFeatureEff: the leaf of an option or selection effectivity in the
// binary expression format (node type 15). Every object is written as its
// index in the shared map of the five expr criteria lists of a
// KuvBinaryExprData.
//
//   offset   width    content
//   0        1        node type 15
//   1        1        feature header, written 7: bit 2 an index of the
//                     holder follows, bit 1 has a child feature, bit 0 global
//                     value (bits 1 and 0 are required)
//   2        2        index of the holder: the selection variable, or the
//                     option variable itself
//   4        2        number of values V (not 0; 1 for an option)
//   6        per value, V times:
//            1          value header: number * 8 + 5 (bit 2 an index follows,
//                       bit 1 never set, bit 0 global value, the number in
//                       bits 3 and 4)
//            2          index of the selection value, or of the option
//                       variable
//
// The number of a selection value is its selected-by code in the
// effectivity; that of an option is the option effectivity's value (its
// three bits), so only T, F, T|F and the empty set can be written: a value
// holding N is refused. On reading, the number chooses the list the index
// points into:
//
//   number  meaning               list
//   0       Selected By Undefined expr criteria
//   1       Selected By User      expr criteria, or dismissed when flag is set
//                                 and that list is not empty
//   2       Selected By Rule      rule, or incompatible under the same rule
//   3       Selected By Default   default
//
// A value that is a selection value makes a selection effectivity on that
// value's variable (the codes read back as the numbers); an option variable
// makes an option effectivity whose value is the number and whose own
// selected-by code, which the format does not hold, is 0. The effectivity
// holds its values as a set, so the order read is not kept: values are
// written in increasing index (then number) order.
//
// An object has one index among the five lists, its place in the first list
// it joined, and that index is written whatever list the number names. A
// value whose number names another list than the one holding it (an option
// written both TRUE and FALSE, a value selected by the user in one leaf and
// by a rule in another) reads back as whatever that list holds there: the
// builder of the lists sends each value where its number says, and only an
// object met with two numbers ends up so.
//
// Only the positive part is stored: a negated effectivity's leaf holds its
// values as if it were not negated (the node tree writes a Not before it and
// the reader makes a Not over it); the no-value flag of a selection is not
// stored and reads back unset. An empty selection is refused on writing, as
// its leaf could not be read.
//
// With fake dependencies (the light parser) the holder index is required.
// A missing value becomes a placeholder in the list its number chose: a
// KuvEeBasicOptionVar when the leaf has one value whose index is the holder's
// (as an option's is), else a KuvEeSelectionValue of a KuvEeSelectionVar
// placeholder made at the holder's index of the expr criteria list.
// Placeholders outside the expr criteria list are named after their GUID.
// The data owns the placeholders; a value placeholder is not entered into
// its variable's values.
//
// Ownership: write only reads its arguments; read hands a new effectivity to
// the caller (eff null on entry, null on failure).
#pragma once

#include <cstdint>

#include "KuvInObject.h"

class KuvBinaryExprData;
class KuvBioBuffer;
class KuvBioBufferOut;
class KuvEeOptionEff;
class KuvEeSelectionEff;
class KuvEeVarEff;

class KUV_API KuvBinaryFeatureEff : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryFeatureEff)

public:
  static constexpr std::uint8_t sc_nodeType = 15;

  ~KuvBinaryFeatureEff() override;

  // Append the leaf, type byte first. The first takes either kind and fails
  // with "ERROR: Unexpected type of FeatureEff." for any other.
  static HRESULT write(const KuvEeVarEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
  static HRESULT write(const KuvEeSelectionEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
  static HRESULT write(const KuvEeOptionEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
  // Reads a leaf whose type byte is already read: a KuvEeSelectionEff or a
  // KuvEeOptionEff. flag routes numbers 1 and 2 as the table says.
  static HRESULT read(KuvBioBuffer& in, KuvBinaryExprData& data, bool flag, KuvEeVarEff*& eff);

private:
  KuvBinaryFeatureEff() = default;
};
