// Normal forms back to trees: after the dictionary or variable-space
// builders, the tree holds exactly the configurations of the form, over
// objects that are found again by GUID or created once; refusals trace
// their reason and leave nothing behind.
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

// The truth model's objects by number (see TruthTable.cpp): 1 the category,
// 2-4 its options, 5 the colour and 6-8 its values, 9 the unit series, 10
// the date, 13 the change.
KuvInGuid g(unsigned n) { return Guid(0x700 + n).guid(); }
constexpr std::int32_t kUnit = KuvEeSerialVar::UNIT;

// Names as the truth model gives them, so that objects created under these
// names print as the model's do.
class ModelNames : public KuvIDictionaryModelerAccess {
public:
  HRESULT GetName(const KuvInGuid& guid, KuvInString& name) const override {
    static const char* const names[] = {"",      "Engine", "Diesel", "Petrol", "Electric", "Colour", "Red",
                                        "Green", "Blue",   "Units",  "Build",  "",         "",       "ECO"};
    for (unsigned n = 1; n < std::size(names); ++n)
      if (guid == g(n)) name = names[n];
    return failure;
  }
  HRESULT failure = S_OK;
};

// A term of leaves (taken over); list terms accept several leaves on one
// variable.
KuvDnfAndTerm* term(std::vector<KuvDnfLeaf*> leaves,
                    KuvDnfAndTermFactory::E_Type type = KuvDnfAndTermFactory::List) {
  KuvDnfAndTerm* t = KuvDnfAndTermFactory::create(type, static_cast<std::int32_t>(leaves.size()));
  for (KuvDnfLeaf* leaf : leaves) EXPECT_EQ(S_OK, t->addDnfLeaf(*leaf));
  return t;
}
std::unique_ptr<KuvDnf> dnf(std::vector<KuvDnfAndTerm*> terms, E_DnfSpecCond condition = DNF_COND_NONE) {
  auto out = std::make_unique<KuvDnf>(condition);
  for (KuvDnfAndTerm* t : terms) out->addAndTerm(t);
  return out;
}

KuvDnfLeaf* option(int i, std::uint32_t value, bool negated = false) {
  return new KuvDnfOptionEff(g(2 + static_cast<unsigned>(i)), g(1), value, negated);
}

// The units (1 to 3) or days (day 0, day 1) of the set bits of mask, one
// range each.
KuvInListVal units(unsigned mask) {
  KuvInListVal list(KuvInSerialInterval::sType());
  KuvInSerialInterval range;
  for (int k = 1; k <= 3; ++k)
    if (((mask >> (k - 1)) & 1U) != 0 && SUCCEEDED(range.setInterval(k, true, k, true))) list.PutBack(range);
  return list;
}
KuvInListVal days(unsigned mask) {
  KuvInListVal list(KuvInDateInterval::sType());
  KuvInDateInterval range;
  for (int d = 0; d <= 1; ++d)
    if (((mask >> d) & 1U) != 0 && SUCCEEDED(range.setInterval(KuvInDate(2001, 1, 1 + d, 1, 1, 1),
                                                               KuvInDate(2001, 1, 1 + d, 24, 60, 60))))
      list.PutBack(range);
  return list;
}

// A random leaf on the truth model's variables, in any state.
KuvDnfLeaf* randomLeaf(std::mt19937& rng) {
  const bool negated = rng() % 2 == 1;
  const bool noVar = rng() % 2 == 1;
  const unsigned mask = rng() % 8;
  switch (rng() % 5) {
    case 0:
      return option(static_cast<int>(rng() % 3), mask, negated);
    case 1: {
      auto* leaf = new KuvDnfSelectionEff(g(5), 3, noVar, negated);
      for (unsigned v = 0; v < 3; ++v)
        if ((mask >> v) & 1U) leaf->putValue(g(6 + v));
      return leaf;
    }
    case 2:
      return new KuvDnfSerialEff(g(9), units(mask), kUnit, noVar, negated);
    case 3:
      return new KuvDnfDateEff(g(10), days(mask & 3U), noVar, negated);
    default:
      return new KuvDnfEff(g(13), negated);
  }
}

// A random form over the truth model, on list terms, which take several
// leaves on one variable.
std::unique_ptr<KuvDnf> randomDnf(std::mt19937& rng) {
  if (rng() % 10 == 0) return dnf({}, rng() % 2 == 0 ? DNF_COND_TRUE : DNF_COND_FALSE);
  auto out = dnf({});
  for (unsigned t = rng() % 4; t > 0; --t) {
    std::vector<KuvDnfLeaf*> leaves;
    for (unsigned l = 1 + rng() % 3; l > 0; --l) leaves.push_back(randomLeaf(rng));
    out->addAndTerm(term(leaves));
  }
  return out;
}

// A variable space holding the truth model's objects.
struct ModelSpace {
  ModelSpace() {
    for (const auto& o : model.options) space.addOptionVar(o.get());
    space.addSelectionVar(model.selection.get());
    space.addSerialVar(model.serial.get());
    space.addDateVar(model.date.get());
    space.addPossibleSourceEff(model.change.get());
  }
  TruthModel model;
  KuvEeVarSpace space{"Model", Guid(0x7FF).data()};
};

TEST(Dnf2NodeRef, TreesHoldExactlyTheConfigurationsOfTheForm) {
  ModelSpace fixture;
  ModelNames names;
  std::mt19937 rng(2024);
  for (int round = 0; round < 150; ++round) {
    std::unique_ptr<KuvDnf> form = randomDnf(rng);
    SCOPED_TRACE(text(*form));
    KuvInSet objects;
    Tree overModel(KuvEeDnfConvertor::Dnf2NodeRef(*form, fixture.space, objects, 0));
    ASSERT_TRUE(overModel);
    const std::optional<TruthTable> holds = dnfTable(fixture.model, *form);
    ASSERT_TRUE(holds);
    EXPECT_EQ(holds, truthTable(fixture.model, *overModel));
    EXPECT_EQ(fixture.space.getVars().GetLength(), 6) << "nothing created where the space knew it all";

    // The dictionary form creates its own objects, under the modeler's
    // names: the same tree over them.
    KuvEeExpressionContext context;
    auto* model = new KuvEeModelDico("Build", g(10));
    ASSERT_EQ(S_OK, context.AddModelDico(model, true));
    Tree overDictionary(KuvEeDnfConvertor::Dnf2NodeRef(*form, *model, context, &names));
    ASSERT_TRUE(overDictionary);
    EXPECT_EQ(shape(*overModel), shape(*overDictionary));

    // There and back through a Not: the complement.
    std::unique_ptr<KuvDnf> negation(KuvEeDnfConvertor::GetNotDnf(*form, g(10), 0, nullptr));
    ASSERT_TRUE(negation);
    EXPECT_EQ(~*holds, dnfTable(fixture.model, *negation));
  }
}

TEST(GetNotDnf, NegatesWithinTheDomainWhenAsked) {
  TruthModel model;
  const unsigned char domain = 1;
  std::unique_ptr<KuvDnf> none(KuvEeDnfConvertor::GetNotDnf(*dnf({}, DNF_COND_TRUE), g(10), domain, nullptr));
  ASSERT_TRUE(none);
  EXPECT_EQ(DNF_COND_FALSE, none->getSpecialCondition());
  std::unique_ptr<KuvDnf> rejected(
      KuvEeDnfConvertor::GetNotDnf(*dnf({term({option(0, 1)})}), g(10), domain, nullptr));
  ASSERT_TRUE(rejected);
  EXPECT_EQ(dnfTable(model, *dnf({term({option(0, 2)})})), dnfTable(model, *rejected));
}

TEST(Dnf2NodeRef, ReadsTermsAsAndsUnderAnOrAndDropsSingleChildOperators) {
  ModelSpace fixture;
  struct Case {
    std::unique_ptr<KuvDnf> form;
    const char* shape;
  } cases[] = {
      {dnf({}, DNF_COND_TRUE), "T"},
      {dnf({}), "Or()"},
      {dnf({term({option(0, KuvDnfOptionEff::Selected)})}), "Diesel"},
      {dnf({term({option(0, 1), option(1, 1, true)}, KuvDnfAndTermFactory::Map), term({option(2, 6)})}),
       "Or(And(Diesel,!Petrol),Electric:FN)"},
  };
  for (const Case& c : cases) {
    Tree tree(KuvEeDnfConvertor::Dnf2NodeRef(*c.form, static_cast<const KuvEeVarSpace&>(fixture.space)));
    ASSERT_TRUE(tree) << c.shape;
    EXPECT_EQ(c.shape, shape(*tree));
  }
}

TEST(Dnf2NodeRef, RestrictionsCarryTheirVariablesAndNegationThereAndBack) {
  ModelSpace fixture;
  fixture.space.addCategory(fixture.model.category.get());
  auto restricted = [](KuvDnfRestrictionEff* leaf, unsigned n, bool negated) {
    KuvInFastSetVal set(KuvInGuid::sType(), sizeof(KuvInGuid));
    set.Put(g(n));
    leaf->set(set, negated ? 1 : 0);
    return leaf;
  };
  struct Case {
    KuvDnfRestrictionEff* leaf;
    const char* text;
  } cases[] = {
      {restricted(new KuvDnfDateRestrictionEff(1), 10, false), "DateRestrictionEff[Build]"},
      {restricted(new KuvDnfSerialRestrictionEff(1, kUnit), 9, true), "!SerialRestrictionEff[Units]"},
      {restricted(new KuvDnfSelectionRestrictionEff(1), 5, false), "SelectionRestrictionEff[Colour]"},
      {restricted(new KuvDnfCategoryRestrictionEff(1), 1, false), "CategoryRestrictionEff[Engine]"},
      {restricted(new KuvDnfCategoryOptionRestrictionEff(1, g(1)), 3, true),
       "!CategoryOptionRestrictionEff[Petrol]"},
      {restricted(new KuvDnfEffRestrictionEff(1), 13, false), "PredefEffRestrictionEff[ECO]"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<KuvDnf> form = dnf({term({c.leaf})});
    KuvInSet objects;
    Tree tree(KuvEeDnfConvertor::Dnf2NodeRef(*form, fixture.space, objects, 0));
    ASSERT_TRUE(tree) << c.text;
    EXPECT_EQ(std::string("EeRestrictionEffLeaf : ") + c.text, text(*tree));
    // And back into the same form.
    std::unique_ptr<KuvDnf> back(KuvEeDnfConvertor::NodeRef2Dnf(*tree));
    ASSERT_TRUE(back) << c.text;
    EXPECT_EQ(text(*form), text(*back));
  }
}

// Milestones and tree series (which the truth model lacks): the tree
// effectivity carries the leaf, and the tree reads back into the same form,
// over a model dictionary or a working variable space.
TEST(Dnf2NodeRef, MilestonesAndTreeSeriesComeBackUnchanged) {
  KuvInListVal ranges(KuvInTreeEvalInterval::sType());
  KuvInTreeEvalInterval range;
  ASSERT_EQ(S_OK, range.setInterval(KuvInTreeEvalIndexBound(1), true, KuvInTreeEvalIndexBound(3), false));
  ranges.PutBack(range);
  KuvInFastSetVal tracks(KuvInGuid::sType(), sizeof(KuvInGuid));
  tracks.Put(g(30));
  auto* onTracks = new KuvDnfMilestonesRestrictionEff(1);
  onTracks->set(tracks, 1);
  auto* onSeries = new KuvDnfTreeSeriesRestrictionEff(1, 19);
  onSeries->putVariable(g(10));
  std::vector<KuvDnfLeaf*> leaves = {new KuvDnfTreeSeriesEff(g(10), ranges, 18, true, false),
                                     new KuvDnfTreeSeriesEff(g(31), ranges, 19, false, true),
                                     new KuvDnfMilestonesEff(g(30), KuvInListVal(), true, true), onTracks,
                                     onSeries};
  for (KuvDnfLeaf* leaf : leaves) {
    std::unique_ptr<KuvDnf> form = dnf({term({leaf}, KuvDnfAndTermFactory::Map)});
    KuvEeExpressionContext context;
    auto* model = new KuvEeModelDico("Bike", g(10));
    ASSERT_EQ(S_OK, context.AddModelDico(model, true));
    KuvEeVarSpace space("Work", nullptr);
    KuvInSet objects;
    auto comesBack = [&form](KuvEeNodeRef* made) {
      const Tree tree(made);
      ASSERT_TRUE(tree) << text(*form);
      std::unique_ptr<KuvDnf> back(KuvEeDnfConvertor::NodeRef2Dnf(*tree));
      ASSERT_TRUE(back) << text(*form);
      EXPECT_EQ(text(*form), text(*back));
    };
    comesBack(KuvEeDnfConvertor::Dnf2NodeRef(*form, *model, context, nullptr));
    comesBack(KuvEeDnfConvertor::Dnf2NodeRef(*form, space, objects, 0));
    objects.DeleteAll();
  }
}

// Every object of a form, created once in a working space and found again
// by GUID afterwards; the caller frees them through the object set.
TEST(KuvDnfVsBuilder, CreatesEachObjectOnceAndReusesIt) {
  std::unique_ptr<KuvDnf> form = dnf({term({option(0, 1), option(1, 2), new KuvDnfEff(g(13), false)}),
                                      term({new KuvDnfSerialEff(g(9), units(1), kUnit, false, false),
                                            new KuvDnfDateEff(g(10), days(1), true, false)})});
  auto* colour = new KuvDnfSelectionEff(g(5), 2, false, false);
  colour->putValue(g(6));
  colour->putValue(g(8));
  form->addAndTerm(term({colour}));
  KuvEeVarSpace space("Work", nullptr);
  KuvInSet objects;
  ASSERT_EQ(S_OK, KuvDnfVsBuilder::buildVS(*form, space, objects, 0));
  // Category, two options, change, series, date, selection variable.
  EXPECT_EQ(7, objects.GetLength());
  EXPECT_EQ(2, space.getSelectionVar(g(5))->getValues().getValues().GetLength());

  KuvInSet again;
  ASSERT_EQ(S_OK, KuvDnfVsBuilder::buildVS(*form, space, again, 0));
  EXPECT_EQ(7, again.GetLength());
  for (KuvInSet::const_iterator it = again.cBegin(); it.IsValid();)
    EXPECT_TRUE(objects.Find(it.GetGoToNext()));
  EXPECT_EQ(S_OK, KuvDnfVsBuilder::buildVS(*dnf({term({option(2, 1)})}), space, again, 1));
  EXPECT_EQ(8, again.GetLength()) << "keep adds to the set";
  EXPECT_EQ(S_OK, KuvDnfVsBuilder::buildVS(*dnf({}, DNF_COND_TRUE), space, objects, 0));
  EXPECT_EQ(0, objects.GetLength()) << "cleared without keep";
  again.DeleteAll();
}

TEST(KuvDnfModelDicoBuilder, NamesByModelerElseByGuidBytes) {
  const KuvInGuid counting(reinterpret_cast<const unsigned char*>(
      "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10"));
  const KuvInGuid high(reinterpret_cast<const unsigned char*>(
      "\xA0\xA6\xAC\xB2\xB8\xBE\xC4\xCA\xD0\xD6\xDC\xE2\xE8\xEE\xF4\xFF"));
  ModelNames names;
  struct Case {
    KuvInGuid guid;
    const KuvIDictionaryModelerAccess* access;
    const char* name;
  } cases[] = {
      {counting, nullptr, "0102030405060708090A0B0C0D0E0F10"},
      {high, nullptr, "A0A6ACB2B8BEC4CAD0D6DCE2E8EEF4FF"},
      {g(2), &names, "Diesel"},
      {counting, &names, "0102030405060708090A0B0C0D0E0F10"},
  };
  for (const Case& c : cases) {
    KuvInString name("stale");
    EXPECT_EQ(S_OK, KuvDnfModelDicoBuilder::createName(c.guid, c.access, name));
    EXPECT_EQ(c.name, text(name));
  }
}

// The model-GUID form makes the context when it has none, and hands it over
// only with a tree.
TEST(Dnf2NodeRef, CreatesTheContextOnlyForATree) {
  KuvEeExpressionContext* context = nullptr;
  std::unique_ptr<KuvEeExpressionContext> owned;
  Tree tree(KuvEeDnfConvertor::Dnf2NodeRef(*dnf({term({option(0, 1)})}), g(20), context, nullptr));
  owned.reset(context);
  ASSERT_TRUE(tree);
  ASSERT_NE(nullptr, context);
  KuvEeModelDico* model = nullptr;
  ASSERT_EQ(S_OK, context->GetModelDico(g(20), model));
  EXPECT_EQ(text(g(20)), text(model->getName()));
  // Again in that context: the model, category and option are reused.
  Tree again(KuvEeDnfConvertor::Dnf2NodeRef(*dnf({term({option(0, 2)})}), g(20), context, nullptr));
  KuvEeDicoObject* category = nullptr;
  ASSERT_EQ(S_OK, model->getConfigFeature(g(1), category));
  EXPECT_EQ(1, KuvEeCategory::cast(*category)->getOptionVars().GetLength());
  EXPECT_EQ(1, context->GetNbDictionaries());
  // A date of the context's own is no model: found without a word traced.
  KuvEeDateVar* date = nullptr;
  ASSERT_EQ(S_OK, context->ActivateDate());
  ASSERT_EQ(S_OK, context->GetDate(date));
  const auto onDate = dnf({term({new KuvDnfDateEff(date->getGuid(), days(1), false, false)})});
  EXPECT_EQ("", captured([&] {
              Tree dated(KuvEeDnfConvertor::Dnf2NodeRef(*onDate, g(20), context, nullptr));
              EXPECT_TRUE(dated);
            }));

  KuvEeExpressionContext* none = nullptr;
  auto undefined =
      dnf({term({new KuvDnfSerialEff(g(9), units(1), KuvEeSerialVar::UNDEFINED, false, false)})});
  EXPECT_EQ(nullptr, KuvEeDnfConvertor::Dnf2NodeRef(*undefined, g(20), none, nullptr));
  EXPECT_EQ(nullptr, none);
}

// S_OK when a tree came back, E_FAIL when not; the tree is dropped.
HRESULT converted(KuvEeNodeRef* tree) {
  Tree owned(tree);
  return owned ? S_OK : E_FAIL;
}

TEST(Dnf2NodeRef, RefusalsTraceTheirReason) {
  enum Path { BuildMD, BuildVS, ReadVS };
  auto treeSeries = [](std::uint32_t type) {
    return new KuvDnfTreeSeriesEff(g(9), KuvInListVal(KuvInTreeEvalInterval::sType()), type, false, false);
  };
  auto colourThenEngine = [] {
    auto* colour = new KuvDnfSelectionEff(g(5), 1, false, false);
    colour->putValue(g(6));
    return dnf({term({colour, new KuvDnfOptionEff(g(2), g(5), 1, false)})});
  };
  ModelNames failing;
  failing.failure = E_FAIL;
  struct Case {
    std::unique_ptr<KuvDnf> form;
    Path path;
    HRESULT code;
    const char* message;
    const KuvIDictionaryModelerAccess* access = nullptr;
  } cases[] = {
      {dnf({}, static_cast<E_DnfSpecCond>(3)), BuildMD, E_FAIL, "ERROR: Unexpected case"},
      {dnf({term({})}), ReadVS, E_FAIL, "ERROR: Incorrect case"},
      {dnf({term({option(0, 1)})}), ReadVS, E_FAIL, "ERROR: NULL pointer"},
      {dnf({term({option(0, 9)})}), ReadVS, E_FAIL, "ERROR: incorrect value"},
      {colourThenEngine(), BuildMD, E_FAIL, "ERROR : retrieved config feature is of unexpected type"},
      {dnf({term({new KuvDnfDateEff(g(11), days(1), false, false)})}), BuildMD, E_FAIL,
       "ERROR : Just do not know where this date comes from... Inherited effs ?"},
      {dnf({term({new KuvDnfSerialEff(g(9), units(1), KuvEeSerialVar::UNDEFINED, false, false)})}), BuildMD,
       E_FAIL, "ERROR : getSeriesVariable FAILED"},
      {dnf({term({new KuvDnfSerialEff(g(9), units(1), 18, false, false)})}), BuildVS, E_FAIL,
       "ERROR: vs.addSerialVar failed"},
      {dnf({term({option(0, 1)})}), BuildMD, E_FAIL, "ERROR: GetName failed", &failing},
      {dnf({term({treeSeries(17)})}), BuildVS, E_FAIL, "ERROR: unexpected type"},
      {dnf({term({treeSeries(18)})}), ReadVS, E_FAIL, "ERROR: NULL pointer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    KuvEeExpressionContext context;
    auto* model = new KuvEeModelDico("Bike", g(10));
    ASSERT_EQ(S_OK, context.AddModelDico(model, true));
    KuvEeVarSpace space("Work", nullptr);
    KuvInSet objects;
    switch (c.path) {
      case BuildMD:
        EXPECT_TRACES(c.code, c.message, KuvDnfModelDicoBuilder::buildMD(*c.form, *model, context, c.access));
        break;
      case BuildVS:
        EXPECT_TRACES(c.code, c.message, KuvDnfVsBuilder::buildVS(*c.form, space, objects, 0));
        break;
      case ReadVS:
        EXPECT_TRACES(
            c.code, c.message,
            converted(KuvEeDnfConvertor::Dnf2NodeRef(*c.form, static_cast<const KuvEeVarSpace&>(space))));
        break;
    }
    objects.DeleteAll();
  }
}

}  // namespace
