#include "support/KuvTestSupport.h"

#include "KuvBinaryParser/KuvBinaryLeafTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvXMLExprBuilders.h"

namespace {

using kuv_test::SampleModel;

bool sameOptionalTree(const KuvEeNodeRef* a, const KuvEeNodeRef* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return kuv_test::sameTree(*a->getNode(), *b->getNode());
}

// The same kind and, tree by tree or item by item, the same criteria.
bool sameExpression(const KuvEeExpression& a, const KuvEeExpression& b) {
  if (a.dType() != b.dType()) return false;
  if (const auto* filter = KuvEeFilterExpression::cast(a)) {
    const auto* other = KuvEeFilterExpression::cast(b);
    if (filter->getModelDico() != other->getModelDico() ||
        filter->getSelectionMode() != other->getSelectionMode() ||
        filter->getCondition() != other->getCondition())
      return false;
    const KuvQmSpecList* x = filter->getSpecList();
    const KuvQmSpecList* y = other->getSpecList();
    if (x->GetNbVarEffs() != y->GetNbVarEffs() || x->GetNbEffs() != y->GetNbEffs()) return false;
    for (auto it = x->GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) {
      const auto* eff = static_cast<const KuvEeVarEff*>(it.GetVal());
      bool equal = false;
      if (FAILED(eff->equals(y->GetVarEff(eff->getVar()), equal)) || !equal) return false;
    }
    return true;
  }
  const auto& x = static_cast<const KuvEeMultiModelExpression&>(a);
  const auto& y = static_cast<const KuvEeMultiModelExpression&>(b);
  if (!sameOptionalTree(x.getGlobalCriteria(), y.getGlobalCriteria()) ||
      x.getAllModelCriteria().GetLength() != y.getAllModelCriteria().GetLength())
    return false;
  for (auto it = x.getAllModelCriteria().cBegin(); !it.IsEnd(); it.Next()) {
    const auto* model =
        static_cast<const KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject());
    const auto* mine = static_cast<const KuvEeMultiModelExpression::ModelCriteria*>(it.GetVal());
    const KuvEeMultiModelExpression::ModelCriteria* theirs = y.getModelCriteria(model);
    if (theirs == nullptr ||
        !sameOptionalTree(mine->getInheritedEffCriteria(), theirs->getInheritedEffCriteria()) ||
        !sameOptionalTree(mine->getCriteria(), theirs->getCriteria()))
      return false;
  }
  return true;
}

// Random expressions over every criterion of the sample dictionary, in the
// forms the document can hold: positive selections without the no-value
// element.
class SampleGenerator {
public:
  explicit SampleGenerator(SampleModel& sample) : m_sample(sample) {}

  std::unique_ptr<KuvEeExpression> expression() {
    const unsigned kind = m_random() % 4;
    if (kind == 3) {
      auto filter = kuv_test::filter(m_sample.model, coin() ? 0 : 1);
      if (filter->getCondition() == 1)
        for (int n = static_cast<int>(m_random() % 4); n > 0; --n) {
          KuvEeVarEff* eff = varEff();
          filter->getSpecList()->AddVarEff(eff);
          delete eff;  // left to the caller when the list refused it
        }
      if (coin()) filter->setSelectionMode(KuvEeFilterExpression::CFG_SELECTIONMODE_150);
      return filter;
    }
    std::unique_ptr<KuvEeMultiModelExpression> expression;
    if (kind == 2)
      expression = std::make_unique<KuvEeChangeExpression>();
    else
      expression = std::make_unique<KuvEeEffectivityExpression>();
    const unsigned parts = 1 + m_random() % 3;
    if (parts & 1) expression->setGlobalCriteria(node(3)->getNodeRef());
    if (parts & 2) {
      auto* record = new KuvEeMultiModelExpression::ModelCriteria;
      record->setCriteria(node(3)->getNodeRef());
      expression->setModelCriteria(m_sample.model, record);
    }
    return expression;
  }

private:
  bool coin() { return m_random() % 2 == 0; }
  KuvCriteriaSelectedBy selectedBy() { return static_cast<KuvCriteriaSelectedBy>(m_random() % 4); }

  KuvEeNode* node(int depth) {
    const unsigned pick = depth <= 0 ? 3 + m_random() % 7 : m_random() % 10;
    if (pick < 2) {
      KuvEeGroupOp* group = pick == 0 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
      for (int n = 2 + static_cast<int>(m_random() % 2); n > 0; --n) group->addChild(node(depth - 1));
      return group;
    }
    if (pick == 2) return kuv_test::Not(node(depth - 1));
    if (pick == 3) return coin() ? static_cast<KuvEeNode*>(new KuvEeTrue) : new KuvEeFalse;
    return new KuvEeVarEffLeaf(varEff());
  }

  KuvEeVarEff* varEff() {
    switch (m_random() % 6) {
      case 0: {
        const char* options[] = {"V6", "V8", "Electric"};
        return new KuvEeOptionEff(m_sample.option(options[m_random() % 3]), KuvEeOptionEff::T, selectedBy());
      }
      case 1: {
        auto* eff = new KuvEeSelectionEff(m_sample.color, KuvEeSelectionEff::AllFalse);
        for (const char* value : {"Red", "Blue", "Green"})
          if (coin() || eff->getValues().IsEmpty()) eff->add(KuvInString(value), selectedBy());
        return eff;
      }
      case 2:
        return units();
      case 3:
        return dates();
      case 4:
        return milestones();
      default:
        return states();
    }
  }

  // Ranges apart from each other, so that no two merge; the first may be
  // open below, the last open above; ends excluded at random. One at least:
  // a range that holds no whole number is refused, and an empty list has no
  // document form.
  KuvEeVarEff* units() {
    KuvInListVal ranges(KuvInSerialInterval::sType());
    std::int32_t low = coin() ? -2000000000 : 1 + static_cast<std::int32_t>(m_random() % 5);
    for (int n = 1 + static_cast<int>(m_random() % 3); n > 0 || ranges.IsEmpty(); --n) {
      const std::int32_t start = low == -2000000000 ? 0 : low;
      std::int32_t high = start + static_cast<std::int32_t>(m_random() % 4);
      if (n == 1 && coin()) high = 2000000000;
      KuvInSerialInterval range;
      const HRESULT valid =
          high == start && low != -2000000000
              ? range.setInterval(start, true, start, true)
              : range.setInterval(low, low == -2000000000 || coin(), high, high == 2000000000 || coin());
      if (SUCCEEDED(valid)) ranges.PutBack(range);
      low = (high == 2000000000 ? start : high) + 3 + static_cast<std::int32_t>(m_random() % 5);
    }
    auto* eff = new KuvEeSerialEff(m_sample.units, KuvEeSerialEff::AllFalse);
    eff->set(ranges);
    return eff;
  }

  KuvEeVarEff* dates() {
    KuvInListVal ranges(KuvInDateInterval::sType());
    int day = 1 + static_cast<int>(m_random() % 5);
    for (int n = 1 + static_cast<int>(m_random() % 2); n > 0; --n) {
      const int last = day + static_cast<int>(m_random() % 3);
      KuvInDate start(2026, 3, day, 1 + static_cast<int>(m_random() % 24), 1, 1);
      KuvInDate end(2026, 3, last, 24, 60, 60);
      if (n == 1 && coin()) end.setInfPos();
      KuvInDateInterval range;
      range.setInterval(start, end);
      ranges.PutBack(range);
      day = last + 2 + static_cast<int>(m_random() % 3);
    }
    auto* eff = new KuvEeDateEff(m_sample.date, KuvEeDateEff::AllFalse);
    eff->set(ranges);
    return eff;
  }

  // One selection: a single element, or the first one (included or not)
  // down to a later one. A braced list is evaluated in order: the
  // inclusion is drawn before the end.
  KuvEeVarEff* milestones() {
    const auto at = [this](const char* name) { return m_sample.milestone(name); };
    const char* names[] = {"Concept", "Prototype", "Launch"};
    if (coin()) return kuv_test::milestones(m_sample.program, {{at(names[m_random() % 3]), true, {}}});
    return kuv_test::milestones(m_sample.program,
                                {{at("Concept"), coin(), {{at(coin() ? "Prototype" : "Launch"), true}}}});
  }

  KuvEeVarEff* states() {
    const auto at = [this](const char* revision) { return m_sample.state(revision); };
    const char* revisions[] = {"A", "B", "B.1", "C"};
    if (coin()) return kuv_test::treeSeries(m_sample.states, {{at(revisions[m_random() % 4]), true, {}}});
    return kuv_test::treeSeries(m_sample.states, {{at("A"), coin(), {{at(coin() ? "B.1" : "C"), true}}}});
  }

  SampleModel& m_sample;
  std::mt19937 m_random{20261206};
};

TEST(KuvXMLExprRoundTripTest, WrittenExpressionsReadBackEqualInBothVersions) {
  SampleModel sample;
  SampleGenerator generate(sample);
  for (int i = 0; i < 300; ++i) {
    const auto original = generate.expression();
    for (const int version : {3, 2}) {
      HRESULT written = E_FAIL;
      const std::string document = kuv_test::writeDocument(*original, &sample.texts, version, &written);
      ASSERT_EQ(S_OK, written) << i << ": " << original->toString().ConvertToChar();
      const kuv_test::ExprReading reading = kuv_test::readDocument(sample, document, version);
      ASSERT_EQ(S_OK, reading.generated) << document << "\n" << reading.error.message.ConvertToChar();
      EXPECT_TRUE(sameExpression(*original, *reading.expression)) << document;
    }
  }
}

}  // namespace
