// A host splits an effectivity, written in the literal syntax, into its
// evolution, variant and change parts: each and-term holds at most one part
// per family, each part only criteria of its family, and the Or over the
// terms of the And of their parts means the effectivity.
#include "workflows/HostModel.h"

#include "support/KuvTestSupport.h"

using kuv_test::Tree;
using kuv_test::TruthTable;
using kuv_workflow::HostModel;
using kuv_workflow::TextGenerator;

namespace {

// Evolution, variant and change part of each and-term (null when missing),
// still owned by split.
using Parts = std::array<KuvEeNodeRef*, 3>;

std::vector<Parts> termsOf(const KuvCoreEVC_Expression& split) {
  KuvInSet terms(KuvCoreEVC_ExpressionAndTerm::sType());
  EXPECT_EQ(S_OK, split.GetAndTerm(terms));
  std::vector<Parts> all;
  for (KuvInSet::const_iterator it = terms.cBegin(); it.IsValid();) {
    const auto* term = static_cast<const KuvCoreEVC_ExpressionAndTerm*>(it.GetGoToNext());
    Parts& parts = all.emplace_back(Parts{});
    EXPECT_EQ(S_OK, term->GetContent(parts[0], parts[1], parts[2]));
  }
  return all;
}

// Whether part holds criteria of that family only (0 evolution, 1 variant,
// 2 change).
bool ofFamilyOnly(const KuvEeNodeRef& part, int family) {
  KuvCoreEVC_NodeClassifier classifier;
  KuvEVCClassification classification;
  EXPECT_EQ(S_OK, classifier.classify(part, classification));
  const bool families[3] = {classification.isEvolution(), classification.isVariant(),
                            classification.isChange()};
  return families[family] && families[0] + families[1] + families[2] == 1;
}

}  // namespace

// Only an effectivity that development folds into a constant is refused.
TEST(ClassificationWorkflow, TheTermsTogetherMeanTheEffectivity) {
  HostModel host;
  // A term keeps one part per family, the last child of the family met:
  // criteria are lost where a term holds two children of one family that
  // grouping did not join. Grouping joins variant, evolution and change
  // criteria but not dates (history), which count as evolution; and
  // development pushes a Not over a group down without developing again.
  // So the texts leave out dates and negate criteria only.
  TextGenerator generator(20261209,
                          {.refs = TextGenerator::Refs::Change, .groupNegations = false, .dates = false});
  int severalTerms = 0, refused = 0;
  for (int i = 0; i < 300; ++i) {
    const std::string text = generator.expression();
    const TruthTable expected = host.table(text);
    const KuvEeGenericExpression effectivity(host.read(text).release());
    KuvCoreEVC_Expression* made = nullptr;
    HRESULT hr = S_OK;
    kuv_test::captured([&] { hr = KuvCoreEVC_Expression::Create(effectivity, made); });
    const std::unique_ptr<KuvCoreEVC_Expression> split(made);
    if (FAILED(hr)) {
      EXPECT_EQ(nullptr, made);
      ASSERT_TRUE(expected.none() || expected.all()) << text;
      ++refused;
      continue;
    }
    const Tree joined = kuv_test::own(new KuvEeOrOp);
    const std::vector<Parts> terms = termsOf(*split);
    for (const Parts& parts : terms) {
      auto* conjunction = new KuvEeAndOp;
      KuvEeGroupOp::cast(*joined->getNode())->addChild(conjunction);
      for (int family = 0; family < 3; ++family) {
        if (parts[family] == nullptr) continue;
        ASSERT_TRUE(ofFamilyOnly(*parts[family], family))
            << family << " in " << kuv_test::text(*parts[family]);
        conjunction->addChild(parts[family]->getNode()->clone()->getNode());
      }
    }
    ASSERT_TRUE(expected == kuv_test::truthTable(host.truth, *joined)) << text << "\nsplit into\n"
                                                                       << kuv_test::text(*joined);
    severalTerms += terms.size() > 1;
  }
  EXPECT_GT(severalTerms, 100);
  EXPECT_LT(refused, 30);
}

// A user's query and a constant are not effectivities to split; a term
// hands its parts only to pointers that hold nothing.
TEST(ClassificationWorkflow, RefusalsAlongTheWay) {
  HostModel host;
  KuvInString error;
  const std::unique_ptr<KuvEeGenericExpression> query(
      host.reader.readList("Engine.Diesel;Car[1,2]", error, KuvEeGenericExpression::CFG_LISTMODE_STRICT));
  ASSERT_NE(nullptr, query) << error.ConvertToChar();
  const KuvEeGenericExpression always(host.read("TRUE").release());
  const std::pair<const KuvEeGenericExpression*, const char*> refused[] = {
      {query.get(), "ERROR: Query expression not suported"},
      {&always, "ERROR: CASE UNDEFINED NOT SUPPORTED"}};
  for (const auto& r : refused) {
    KuvCoreEVC_Expression* made = nullptr;
    EXPECT_TRACES(E_FAIL, r.second, KuvCoreEVC_Expression::Create(*r.first, made));
    EXPECT_EQ(nullptr, made);
  }

  const KuvEeGenericExpression effectivity(host.read("Car[2,+oo] & Engine.Petrol & $ECO").release());
  KuvCoreEVC_Expression* made = nullptr;
  ASSERT_EQ(S_OK, KuvCoreEVC_Expression::Create(effectivity, made));
  const std::unique_ptr<KuvCoreEVC_Expression> split(made);
  KuvInSet terms(KuvCoreEVC_ExpressionAndTerm::sType());
  ASSERT_EQ(S_OK, split->GetAndTerm(terms));
  ASSERT_EQ(1, terms.GetLength());
  const auto* term = static_cast<const KuvCoreEVC_ExpressionAndTerm*>(terms.cBegin().Get());
  KuvEeNodeRef *evolution = nullptr, *variant = nullptr, *change = nullptr;
  ASSERT_EQ(S_OK, term->GetContent(evolution, variant, change));
  ASSERT_TRUE(evolution != nullptr && variant != nullptr && change != nullptr);
  KuvEeNodeRef* again = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: PONITER NOT EMPTY", term->GetContent(evolution, again, change));
  EXPECT_EQ(nullptr, again);
}
