// The truth table of a normal form over the engine tests' product model,
// leaf by leaf: each normal-form leaf is rebuilt as the engine leaf of the
// model variable its GUID names, independently of the library's own
// conversion back to trees.
#pragma once

#include "support/KuvTestSupport.h"

#include "KuvEffEngine/TruthTable.h"

namespace kuv_test {

std::optional<TruthTable> dnfTable(const TruthModel& model, const KuvDnf& dnf);

// Ors of two or three Ands over the model's options (0 to 2) and named
// effectivities (3 and 4), each at most once and negated or not: the
// forms whose negation multiplies its factors out. Terms of (criterion,
// negated) pairs.
using SignedTerms = std::vector<std::vector<std::pair<int, bool>>>;
SignedTerms randomSignedTerms(std::mt19937& random);
// The normal form of their Or (the caller's).
KuvDnf* signedTermsDnf(const TruthModel& model, const SignedTerms& terms);

}  // namespace kuv_test
