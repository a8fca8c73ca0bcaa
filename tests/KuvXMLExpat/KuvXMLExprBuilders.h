// Builders of the expressions the XML expression document tests write and
// read: effectivity and filter expressions over the sample model, and the
// criteria leaves they hold.
#pragma once

#include "support/KuvTestSupport.h"

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

// A document written by a writer of the given version (3 or 2); the
// writer's code is checked by the caller through ok.
inline std::string writeDocument(const KuvEeExpression& expression, const KuvXMLV2IModelerContext* texts,
                                 int version, HRESULT* code = nullptr) {
  KuvXMLTextWriter sink;
  std::unique_ptr<KuvXMLV2ExprWriter> writer;
  if (version == 3)
    writer = std::make_unique<KuvXMLV3ExprWriter>(sink, texts, 0, 1, 1);
  else
    writer = std::make_unique<KuvXMLV2ExprWriter>(sink, texts, 0, 1, 1);
  const HRESULT hr = writer->write(expression);
  if (code != nullptr) *code = hr;
  return sink.GetText();
}

// One document read through the adapter by an expression reader.
struct ExprReading {
  HRESULT parsed = E_FAIL;
  HRESULT generated = E_FAIL;
  std::unique_ptr<KuvEeExpression> expression;
  KuvXMLV2ParserError error;
  std::int32_t line = 0;
};

inline ExprReading readDocument(SampleModel& sample, const std::string& document, int version = 3,
                                unsigned char strictArity = 1, unsigned char ignoreUnknown = 0,
                                KuvEeExpression* given = nullptr) {
  ExprReading reading;
  KuvXMLV2ExpressionData data;
  KuvEeExpression* expression = given;
  std::unique_ptr<KuvXMLV2ExprSAXHandler> handler;
  if (version == 3)
    handler = std::make_unique<KuvXMLV3ExprSAXHandler>(sample.context, data, &sample.texts, expression,
                                                       strictArity, ignoreUnknown, 1, 1);
  else
    handler = std::make_unique<KuvXMLV2ExprSAXHandler>(sample.context, data, &sample.texts, expression,
                                                       strictArity, ignoreUnknown);
  KuvXMLExpatParser parser;
  reading.parsed = parser.ParseBuffer(document.data(), document.size(), *handler);
  reading.line = parser.GetLine();
  if (FAILED(reading.parsed)) handler->GetError(reading.error);
  reading.generated = handler->GetGeneratedExpression();
  if (given == nullptr) {
    reading.expression.reset(expression);
  } else {
    EXPECT_EQ(given, expression);
  }
  return reading;
}

}  // namespace kuv_test
