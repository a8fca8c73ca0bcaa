// What the criterion leaves of the binary expression format share
// (internal): their header bits and the lookup of a model dictionary in the
// expr criteria list.
#pragma once

#include <cstdint>

#include "KuvBinaryDependency.h"
#include "KuvEeModelDico.h"

namespace kuv::detail {

// Leaf headers.
constexpr std::uint8_t sc_globalValue = 0x01;
constexpr std::uint8_t sc_hasGlobalValue = 0x02;
constexpr std::uint8_t sc_hasHolder = 0x04;
constexpr std::uint8_t leafHeader(std::uint8_t kind) {
  return static_cast<std::uint8_t>(kind << 3 | sc_hasHolder | sc_globalValue);
}
constexpr std::uint8_t leafKind(std::uint8_t header) { return (header >> 3) & 0x03; }

// Value headers (serial bounds, tree series elements).
constexpr std::uint8_t sc_included = 0x01;
constexpr std::uint8_t sc_integer = 0x02;
constexpr std::uint8_t sc_single = 0x04;

// The object at index of the expr criteria list; with fake dependencies an
// empty slot gets a placeholder KuvEeModelDico. Null after a traced failure.
inline KuvInObject* criteriaModel(KuvBinaryExprData& data, std::int32_t index, KuvInTraceClass& channel) {
  return dependency<KuvEeModelDico>(
      data, index, FakeExprCriteria, [&](std::int32_t i) { return data.getExprCriteria(i); },
      [&](std::int32_t i, KuvInObject& fake) { return data.setExprCriteria(i, fake, true); },
      [] { return new KuvEeModelDico(KuvInString(), KuvInGuid()); }, channel,
      "ERROR: Unable to set fake name and guid to KuvEeModelDico.",
      "ERROR: Unable to add EeModelDico into ExprCriteria list.", "Set KuvEeModelDico at index ");
}

}  // namespace kuv::detail
