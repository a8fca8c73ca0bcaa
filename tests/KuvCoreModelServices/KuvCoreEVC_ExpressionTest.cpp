// The evolution-variant split: its terms together mean the effectivity, one
// part per family in each term, and the refusals leave the caller nothing.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

// Create on an expression of tree (taken over); null when it fails, after
// checking that it left the out-pointer null.
std::unique_ptr<KuvCoreEVC_Expression> split(KuvEeNode* tree, HRESULT* code = nullptr) {
  KuvEeGenericExpression expression(tree->getNodeRef());
  KuvCoreEVC_Expression* out = nullptr;
  const HRESULT hr = KuvCoreEVC_Expression::Create(expression, out);
  if (code != nullptr) *code = hr;
  EXPECT_TRUE(SUCCEEDED(hr) || out == nullptr);
  return std::unique_ptr<KuvCoreEVC_Expression>(out);
}

// The and-terms, and the parts of each: evolution, variant, change (null
// when missing).
using Parts = std::array<KuvEeNodeRef*, 3>;
std::vector<Parts> partsOf(const KuvCoreEVC_Expression& result,
                           const KuvCoreEVC_ExpressionAndTerm** term = nullptr) {
  KuvInSet terms(KuvCoreEVC_ExpressionAndTerm::sType());
  EXPECT_EQ(S_OK, result.GetAndTerm(terms));
  std::vector<Parts> all;
  for (KuvInSet::const_iterator it = terms.cBegin(); it.IsValid();) {
    const auto* next = static_cast<const KuvCoreEVC_ExpressionAndTerm*>(it.GetGoToNext());
    Parts& parts = all.emplace_back(Parts{});
    EXPECT_EQ(S_OK, next->GetContent(parts[0], parts[1], parts[2]));
    if (term != nullptr) *term = next;
  }
  return all;
}

// Whether every Not of the tree stands right above a leaf. Development
// pushes a Not over an operator down without developing again, and the And
// of Ors that this may leave keeps one part per family only.
bool negatesLeavesOnly(const KuvEeNode& node) {
  const KuvEeOp* op = KuvEeOp::cast(node);
  if (op == nullptr) return true;
  const std::vector<KuvEeNode*> kids = children(*op);
  if (KuvEeNotOp::isObjectOfThisType(node) && KuvEeOp::cast(*kids[0]) != nullptr) return false;
  return std::all_of(kids.begin(), kids.end(), [](const KuvEeNode* kid) { return negatesLeavesOnly(*kid); });
}

}  // namespace

// Over options, selections, serial numbers and the change, with negations
// of leaves: the Or over the terms of the And of their parts has the truth
// table of the effectivity, and each part has criteria of its own family
// only. Only a tree that development folds into a constant is refused.
TEST(KuvCoreEVC_ExpressionTest, TheTermsTogetherMeanTheEffectivity) {
  TruthModel m;
  KuvCoreEVC_NodeClassifier classifier;
  KuvEVCClassification classification;
  int severalTerms = 0;
  for (int maxNodes : {4, 12}) {
    TreeGenerator generator(m, 29,
                            {.maxNodes = maxNodes,
                             .notFlag = false,
                             .domainOverLeavesOnly = true,
                             .dates = false,
                             .changes = true});
    for (int i = 0; i < 700;) {
      Tree tree = generator.next();
      if (!negatesLeavesOnly(*tree->getNode())) continue;
      ++i;
      const TruthTable expected = *truthTable(m, *tree);
      const std::string input = text(*tree);
      HRESULT hr = S_OK;
      std::unique_ptr<KuvCoreEVC_Expression> result = split(tree.release()->getNode(), &hr);
      if (FAILED(hr)) {
        ASSERT_TRUE(expected.none() || expected.all()) << input;
        continue;
      }
      Tree joined = own(Or());
      for (const Parts& parts : partsOf(*result)) {
        KuvEeNode* conjunction = And();
        KuvEeGroupOp::cast(*joined->getNode())->addChild(conjunction);
        for (int family = 0; family < 3; ++family) {
          if (parts[family] == nullptr) continue;
          ASSERT_EQ(S_OK, classifier.classify(*parts[family], classification));
          const bool families[3] = {classification.isEvolution(), classification.isVariant(),
                                    classification.isChange()};
          ASSERT_EQ(std::count(families, families + 3, true), 1) << text(*parts[family]);
          ASSERT_TRUE(families[family]) << text(*parts[family]);
          KuvEeGroupOp::cast(*conjunction)->addChild(parts[family]->getNode()->clone()->getNode());
        }
      }
      ASSERT_TRUE(expected == truthTable(m, *joined)) << input << "\nsplit into\n" << text(*joined);
      severalTerms += children(*KuvEeOp::cast(*joined->getNode())).size() > 1;
    }
  }
  EXPECT_GT(severalTerms, 150);
}

// Options and selections are variant criteria, serial numbers evolution,
// the change a change criterion. Groups keep an operator whole only over
// one family, so And(Or(A, U), B) develops into two terms.
TEST(KuvCoreEVC_ExpressionTest, EachTermHoldsOnePartPerFamily) {
  TruthModel m;
  const std::string U = shape(*own(unitsLeaf(m)));
  struct Case {
    KuvEeNode* tree;
    std::vector<std::string> terms;
  };
  const Case cases[] = {
      {And({optionLeaf(m, 0), unitsLeaf(m)}), {U + " | Diesel | -"}},
      {Or({optionLeaf(m, 0), optionLeaf(m, 1)}), {"- | Or(Diesel,Petrol) | -"}},
      {And({Or({optionLeaf(m, 0), unitsLeaf(m)}), optionLeaf(m, 1)}),
       {"- | And(And(Diesel,Petrol)) | -", U + " | Petrol | -"}},
      {Or({And({optionLeaf(m, 0), changeLeaf(m)}), unitsLeaf(m)}), {"- | Diesel | Ref(ECO)", U + " | - | -"}},
  };
  for (const Case& c : cases) {
    const std::string input = shape(c.tree);
    std::unique_ptr<KuvCoreEVC_Expression> result = split(c.tree);
    ASSERT_NE(nullptr, result) << input;
    std::vector<std::string> terms;
    for (const Parts& parts : partsOf(*result))
      terms.push_back((parts[0] != nullptr ? shape(*parts[0]) : "-") + " | " +
                      (parts[1] != nullptr ? shape(*parts[1]) : "-") + " | " +
                      (parts[2] != nullptr ? shape(*parts[2]) : "-"));
    std::sort(terms.begin(), terms.end());
    EXPECT_EQ(c.terms, terms) << input;
  }
  // A term hands its parts only to pointers that hold nothing.
  std::unique_ptr<KuvCoreEVC_Expression> result = split(unitsLeaf(m));
  const KuvCoreEVC_ExpressionAndTerm* term = nullptr;
  KuvEeNodeRef* evolution = partsOf(*result, &term)[0][0];
  KuvEeNodeRef *variant = nullptr, *change = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: PONITER NOT EMPTY", term->GetContent(evolution, variant, change));
  EXPECT_EQ(nullptr, variant);
}

// Refused after the tree was developed and split in part: the parts taken
// out go (the address sanitizer sees a leak) and the caller gets nothing.
TEST(KuvCoreEVC_ExpressionTest, RefusalsLeaveTheCallerNothing) {
  TruthModel m;
  const std::pair<KuvEeNode*, const char*> cases[] = {
      {T(), "ERROR: CASE UNDEFINED NOT SUPPORTED"},
      {NotDom(Or({optionLeaf(m, 0), unitsLeaf(m)})), "ERROR: NODE TYPE NOT SUPPORTED"},
      {Or({optionLeaf(m, 0), NotDom(Or({optionLeaf(m, 1), unitsLeaf(m)}))}),
       "ERROR: NODE KIND NOT SUPPORTED"},
  };
  for (const auto& c : cases) {
    HRESULT hr = S_OK;
    const std::string printed = captured([&] { EXPECT_EQ(nullptr, split(c.first, &hr)); });
    EXPECT_EQ(E_FAIL, hr) << c.second;
    EXPECT_NE(std::string::npos, printed.find(c.second)) << printed;
  }
  KuvEeGenericExpression query;
  ASSERT_EQ(S_OK, query.SetExpression(new KuvQmSpecList, KuvEeGenericExpression::CFG_LISTMODE_STRICT));
  KuvCoreEVC_Expression* out = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: Query expression not suported", KuvCoreEVC_Expression::Create(query, out));
  EXPECT_EQ(nullptr, out);
}
