#include "KuvLiteralTestModel.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Tree;

// Random expressions over every criterion kind that has a literal form.
class Generator {
public:
  explicit Generator(kuv_test::LiteralModel& model) : m_model(model) { m_dates.setSeparator("/"); }

  KuvEeNode* node(int depth) {
    const int pick = depth <= 0 ? 4 + static_cast<int>(m_random() % 12) : static_cast<int>(m_random() % 16);
    if (pick < 2) {
      KuvEeGroupOp* group = pick == 0 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
      for (int n = 2 + static_cast<int>(m_random() % 2); n > 0; --n) group->addChild(node(depth - 1));
      return group;
    }
    if (pick < 4) {
      KuvEeSingleOp* single = pick == 2 ? static_cast<KuvEeSingleOp*>(new KuvEeNotOp) : new KuvEeNotDomainOp;
      single->setChildRef(node(depth - 1)->getNodeRef());
      return single;
    }
    if (pick == 4) return m_random() % 2 ? static_cast<KuvEeNode*>(new KuvEeTrue) : new KuvEeFalse;
    if (pick < 7) return new KuvEeVarEffLeaf(option());
    if (pick == 7) return new KuvEeVarEffLeaf(selection());
    if (pick < 10) return new KuvEeVarEffLeaf(serial());
    if (pick == 10) return new KuvEeVarEffLeaf(date());
    if (pick < 13) return new KuvEeRestrictionEffLeaf(restriction());
    return effLeaf();
  }

private:
  bool coin() { return m_random() % 2 == 0; }
  template <class Eff>
  Eff* maybeNegated(Eff* eff) {
    if (m_random() % 3 == 0) eff->opNot();
    return eff;
  }

  KuvEeVarEff* option() {
    KuvEeCatOptionVar* options[] = {&m_model.v8, &m_model.v6, &m_model.gloss};
    KuvEeCatOptionVar* var = options[m_random() % 3];
    const unsigned form = m_random() % 5;
    if (form == 0) return new KuvEeOptionEff(var, KuvEeOptionEff::AllTrue);
    if (form == 1) return new KuvEeOptionEff(var, KuvEeOptionEff::AllFalse);
    return maybeNegated(new KuvEeOptionEff(var, 1 + m_random() % 7));
  }

  KuvEeVarEff* selection() {
    auto* eff = new KuvEeSelectionEff(&m_model.color,
                                      coin() ? KuvEeSelectionEff::AllFalse : KuvEeSelectionEff::AllTrue);
    if (m_random() % 4 == 0) return eff;
    for (const char* value : {"Red", "Blue", "Dark,Green"})
      if (coin()) eff->add(KuvInString(value));
    if (coin() || eff->getValues().IsEmpty()) eff->orNoVar();
    return maybeNegated(eff);
  }

  KuvEeVarEff* serial() {
    KuvEeSerialVar* vars[] = {&m_model.units, &m_model.states, &m_model.plans, &m_model.serials};
    auto* eff =
        new KuvEeSerialEff(vars[m_random() % 4], coin() ? KuvEeSerialEff::AllFalse : KuvEeSerialEff::AllTrue);
    if (m_random() % 5 == 0) return eff;
    KuvInListVal ranges(KuvInSerialInterval::sType());
    for (int start = 1 + static_cast<int>(m_random() % 5), n = static_cast<int>(m_random() % 4); n > 0; --n) {
      const int end = start + static_cast<int>(m_random() % 4);
      KuvInSerialInterval range;
      range.setInterval(start, true, end, true);
      ranges.PutBack(range);
      start = end + 2 + static_cast<int>(m_random() % 5);
    }
    eff->set(ranges);
    if (coin() || ranges.IsEmpty()) eff->orNoVar();
    return maybeNegated(eff);
  }

  KuvEeVarEff* date() {
    auto* eff = new KuvEeDateEff(&m_model.due, coin() ? KuvEeDateEff::AllFalse : KuvEeDateEff::AllTrue);
    if (m_random() % 5 == 0) return eff;
    KuvInListVal ranges(KuvInDateInterval::sType());
    for (int day = 1 + static_cast<int>(m_random() % 5), n = 1 + static_cast<int>(m_random() % 3); n > 0;
         --n) {
      const int last = day + static_cast<int>(m_random() % 3);
      KuvInDate start;
      KuvInDate end;
      m_dates.parse(("2001/03/" + std::to_string(day)).c_str(), start, true);
      m_dates.parse(("2001/03/" + std::to_string(last)).c_str(), end, false);
      KuvInDateInterval range;
      range.setInterval(start, end);
      ranges.PutBack(range);
      day = last + 2 + static_cast<int>(m_random() % 3);
    }
    eff->set(ranges);
    if (coin()) eff->orNoVar();
    return maybeNegated(eff);
  }

  KuvEeRestrictionEff* restriction() {
    KuvEeRestrictionEff* r = nullptr;
    KuvInSet items;
    switch (m_random() % 7) {
      case 0:
        r = new KuvEeSerialRestrictionEff;
        items.Put(coin() ? &m_model.units : &m_model.states);
        if (coin()) items.Put(&m_model.plans);
        break;
      case 1:
        r = new KuvEeDateRestrictionEff;
        items.Put(&m_model.due);
        break;
      case 2:
        r = new KuvEeSelectionRestrictionEff;
        items.Put(&m_model.color);
        break;
      case 3:
        r = new KuvEeCategoryRestrictionEff;
        items.Put(&m_model.engine);
        break;
      case 4:
        r = new KuvEeCategoryOptionRestrictionEff;
        items.Put(&m_model.v8);
        if (coin()) items.Put(&m_model.v6);
        break;
      default:
        r = new KuvEePredefEffRestrictionEff;
        items.Put(&m_model.eff1);
        break;
    }
    r->setVariables(items);
    return maybeNegated(r);
  }

  // Negated, or-ed or and-ed with its negation, or plain.
  KuvEeNode* effLeaf() {
    auto* leaf = new KuvEeEffLeaf(coin() ? &m_model.eff1 : &m_model.eff2);
    KuvEeEffLeaf negation(leaf->getTargetEff());
    negation.opNot();
    bool merged = false;
    const unsigned form = m_random() % 4;
    if (form == 0) leaf->opNot();
    if (form == 1) leaf->opOr(&negation, merged);
    if (form == 2) leaf->opAnd(&negation, merged);
    return leaf;
  }

  kuv_test::LiteralModel& m_model;
  std::mt19937 m_random{20261205};
  KuvInDateParser m_dates;
};

TEST(KuvLiteralRoundTripTest, WrittenExpressionsReadBackEqualInBothSyntaxes) {
  kuv_test::LiteralModel model;
  Generator generate(model);
  KuvLiteralExprWriter writers[2];
  writers[0].setDefaultSyntax();
  writers[1].setDisplaySyntax();
  writers[1].setMode(KuvPiOptionEffWriter::E_Display);
  KuvLiteralExprReader readers[2] = {KuvLiteralExprReader(&model.space), KuvLiteralExprReader(&model.space)};
  KuvLiteralSyntax display;
  display.setDisplaySyntax();
  ASSERT_EQ(S_OK, readers[0].setDefaultSyntax());
  ASSERT_EQ(S_OK, readers[1].setSyntax(display));
  for (int i = 0; i < 300; ++i) {
    Tree tree(generate.node(1 + i % 4)->getNodeRef());
    for (int s = 0; s < 2; ++s) {
      const KuvInString text = writers[s].write(*tree->getNode());
      ASSERT_FALSE(text.IsEmpty()) << i;
      KuvInString error;
      Tree back(readers[s].readExpressionSimple(text, error, false));
      ASSERT_NE(back, nullptr) << text.ConvertToChar() << " : " << error.ConvertToChar();
      EXPECT_TRUE(kuv_test::sameTree(*tree->getNode(), *back->getNode())) << text.ConvertToChar();
    }
  }
}

TEST(KuvLiteralRoundTripTest, DisplaySyntaxUsesWords) {
  kuv_test::LiteralModel model;
  KuvLiteralExprWriter writer(KuvPiOptionEffWriter::E_Display);
  writer.setDisplaySyntax();
  Tree tree((new KuvEeOrOp)->getNodeRef());
  auto* andOp = new KuvEeAndOp;
  andOp->addChild(new KuvEeVarEffLeaf(new KuvEeOptionEff(&model.v8, KuvEeOptionEff::T)));
  auto* units = new KuvEeSerialEff(&model.units, KuvEeSerialEff::AllFalse);
  units->set(20, true, KuvEeSerialVar::sc_infinity, true);
  units->opNot();
  andOp->addChild(new KuvEeVarEffLeaf(units));
  static_cast<KuvEeOrOp*>(tree->getNode())->addChild(andOp);
  static_cast<KuvEeOrOp*>(tree->getNode())->addChild(new KuvEeTrue);
  EXPECT_STREQ(writer.write(*tree->getNode()).ConvertToChar(),
               "Engine.V8{TRUE} AND NOT Units[20,+infinity] OR TRUE");
}

}  // namespace
