// The truth table of a normal form over the engine tests' product model,
// leaf by leaf: each normal-form leaf is rebuilt as the engine leaf of the
// model variable its GUID names, independently of the library's own
// conversion back to trees.
#pragma once

#include <optional>

#include "KuvDnf.h"
#include "KuvEffEngine/TruthTable.h"

namespace kuv_test {

std::optional<TruthTable> dnfTable(const TruthModel& model, const KuvDnf& dnf);

}  // namespace kuv_test
