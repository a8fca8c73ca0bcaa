// The one-term forms the filtering tests build their objects from.
#pragma once

#include "support/KuvTestSupport.h"

namespace filtering_test {

// Two dictionaries, and the selection mode most filters are in.
inline const KuvInGuid kDicoA = kuv_test::Guid(1).guid();
inline const KuvInGuid kDicoB = kuv_test::Guid(2).guid();
constexpr KuvFltFilter::SELECTION_MODE kMode150 = KuvEeFilterExpression::CFG_SELECTIONMODE_150;

// A form of one term holding leaf.
inline KuvDnf* formOf(KuvDnfLeaf* leaf) {
  auto* term = new KuvDnfAndTermMap(1);
  term->addDnfLeaf(*leaf);
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  return dnf;
}

// Option Guid(option) of feature Guid(option + 1) selected, or not selected.
inline KuvDnf* optionDnf(unsigned option, bool negated) {
  return formOf(new KuvDnfOptionEff(kuv_test::Guid(option).guid(), kuv_test::Guid(option + 1).guid(),
                                    KuvDnfOptionEff::Selected, negated));
}

// The colour of feature 20 is one of the given values (21, 22, ...).
inline KuvDnf* colours(std::initializer_list<unsigned> values) {
  auto* leaf = new KuvDnfSelectionEff(kuv_test::Guid(20).guid(), static_cast<std::int32_t>(values.size()),
                                      false, false);
  for (unsigned v : values) leaf->putValue(kuv_test::Guid(v).guid());
  return formOf(leaf);
}

}  // namespace filtering_test
