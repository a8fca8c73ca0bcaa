// The ebe form of an expression: its binary expression together with the
// two dependency lists it was written against, each list as a typed-GUID
// table (KuvBioTypedIdsReader.h) of its objects, so that a reader with the
// same model rebuilds the lists. All integers are big-endian:
//
//   offset  width     content
//   0       3         "ebe"
//   3       1         version 1
//   4       4 + 17 F  the first list (the final dependencies): the count F,
//                     then per object its kind byte and its GUID
//   ...     4 + 17 S  the second list (the other dependencies), alike
//   ...     the rest  the binary expression, written against the two lists
//
// An object is named by kind and GUID together: a model and its unit series
// share a GUID. Kind 0 stands for the objects a table has no kind for
// (revisions, tree-series elements, milestones). The library hands the
// lists over in no fixed order; here each stands in increasing order of
// GUID, then kind, and the binary is written against that order, so one
// expression always gives the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KuvCliModel.h"

namespace kuv_cli {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t sc_ebeVersion = 1;
constexpr std::uint32_t sc_ebeHeaderSize = 4;

// false with the reason in error.
bool encodeEbe(const Model& model, const KuvEeGenericExpression& expression, Bytes& bytes,
               std::string& error);

// What an envelope holds: the lists resolved in the model (they refer to
// its objects) and where the binary expression begins.
struct Envelope {
  KuvInList first{KuvEeDicoObject::sType()};
  KuvInList second{KuvEeDicoObject::sType()};
  std::uint32_t binaryAt = 0;
};

// Reads the header and the lists; false with the reason in error.
bool openEbe(const Model& model, const Bytes& bytes, Envelope& envelope, std::string& error);

// The expression the envelope's binary holds, the caller's; null with the
// reason in error.
KuvEeGenericExpression* decodeEbe(const Model& model, const Bytes& bytes, std::string& error);

}  // namespace kuv_cli
