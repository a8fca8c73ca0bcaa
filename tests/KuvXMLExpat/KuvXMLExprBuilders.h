// Builders of the expressions the XML expression document tests write and
// read: effectivity and filter expressions over the sample model, and the
// criteria leaves they hold.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "KuvXMLSampleModel.h"

namespace kuv_test {

inline KuvEeNode* optionLeaf(KuvEeCatOptionVar* option,
                             KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None) {
  return new KuvEeVarEffLeaf(new KuvEeOptionEff(option, KuvEeOptionEff::T, selectedBy));
}

// Ranges as (low, low included, high, high included).
struct SerialRange {
  std::int32_t low;
  bool lowIncluded;
  std::int32_t high;
  bool highIncluded;
};

inline KuvEeNode* unitLeaf(KuvEeSerialVar* units, std::initializer_list<SerialRange> ranges) {
  KuvInListVal list(KuvInSerialInterval::sType());
  for (const SerialRange& r : ranges) {
    KuvInSerialInterval range;
    range.setInterval(r.low, r.lowIncluded, r.high, r.highIncluded);
    list.PutBack(range);
  }
  auto* eff = new KuvEeSerialEff(units, KuvEeSerialEff::AllFalse);
  eff->set(list);
  return new KuvEeVarEffLeaf(eff);
}

// Trees: nullptr for none.
inline std::unique_ptr<KuvEeEffectivityExpression> effectivity(KuvEeModelDico* model, KuvEeNode* criteria,
                                                               KuvEeNode* global = nullptr,
                                                               KuvEeNode* inherited = nullptr) {
  auto expression = std::make_unique<KuvEeEffectivityExpression>();
  if (global != nullptr) expression->setGlobalCriteria(global->getNodeRef());
  if (model != nullptr) {
    KuvEeNodeRef* tree = criteria != nullptr ? criteria->getNodeRef() : nullptr;
    KuvEeNodeRef* references = inherited != nullptr ? inherited->getNodeRef() : nullptr;
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(&references, &tree);
    expression->setModelCriteria(model, record);
  }
  return expression;
}

inline std::unique_ptr<KuvEeFilterExpression> filter(KuvEeModelDico* model, unsigned char condition,
                                                     std::initializer_list<KuvEeVarEff*> effs = {}) {
  auto* list = new KuvQmSpecList;
  for (KuvEeVarEff* eff : effs) list->AddVarEff(eff);
  auto expression = std::make_unique<KuvEeFilterExpression>(model, list);
  expression->setCondition(condition);
  return expression;
}

}  // namespace kuv_test
