// Serial, selection and option variables, model dictionaries and variable
// spaces; tree variables: milestone tracks and tree series, their trees,
// no-tree mode and the deepest-child search.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeDicoTestSupport.h"

using kuv_test::Guid;
using kuv_test::text;
using kuv_test::treeIndex;
using kuv_test::treeInterval;

namespace {

TEST(KuvEeSerialVar, RevisionsBySequenceNumberWithSentinelsForLowestAndHighest) {
  KuvEeSerialVar states("States", Guid(1).data(), KuvEeSerialVar::STATE, nullptr);
  EXPECT_EQ(nullptr, states.getRevision(2000000000));
  std::vector<KuvEeSerialVarValue*> added;
  for (std::uint32_t seq : {5u, 3u, 9u, 7u}) {
    added.push_back(new KuvEeSerialVarValue("S", Guid(seq).data(), "A", seq, &states));
    ASSERT_EQ(S_OK, states.addRevision(added.back()));
    EXPECT_EQ(&states, added.back()->getLifeCycleOwner());
  }
  // A second revision for a taken sequence number stays the caller's.
  auto duplicate = std::make_unique<KuvEeSerialVarValue>("D", Guid(99).data(), "B", 5, &states);
  EXPECT_EQ(S_FALSE, states.addRevision(duplicate.get()));
  EXPECT_EQ(added[2], states.getRevision(2000000000));
  EXPECT_EQ(added[1], states.getRevision(-2000000000));
  EXPECT_EQ(added[0], states.getRevision(5));
  EXPECT_EQ(nullptr, states.getRevision(4));
  EXPECT_EQ(3, states.getLowestSeqNb());
  EXPECT_EQ(9, states.getHighestSeqNb());
  KuvInSet all(KuvEeSerialVarValue::sType());
  EXPECT_EQ(S_OK, states.getAllRevisions(all));
  EXPECT_EQ(4, all.GetLength());
  KuvEeSerialVar empty("E", Guid(2).data(), KuvEeSerialVar::MANUF_PLAN, nullptr);
  EXPECT_EQ(S_FALSE, empty.getAllRevisions(all));
  EXPECT_TRUE(all.IsEmpty());

  for (auto type : {KuvEeSerialVar::UNIT, KuvEeSerialVar::UNDEFINED}) {
    KuvEeSerialVar units("Units", Guid(1).data(), type, nullptr);
    KuvEeSerialVarValue value("U", Guid(2).data(), "A", 1, &units);
    EXPECT_EQ(E_FAIL, units.addRevision(&value));
    EXPECT_EQ(nullptr, units.getRevision(1));
  }
}

TEST(KuvEeSerialVar, SeqNbMaxOnlyRisesAndIgnoresTheSentinels) {
  KuvEeSerialVar states("States", Guid(1).data(), KuvEeSerialVar::STATE, nullptr);
  const std::pair<std::int32_t, std::int32_t> steps[] = {
      {10, 10}, {4, 10}, {2000000000, 10}, {-2000000000, 10}, {1999999999, 1999999999}};
  for (const auto& [n, expected] : steps) {
    states.setSeqNbMax(n);
    EXPECT_EQ(expected, states.getSeqNbMax()) << n;
  }
}

TEST(KuvEeSerialVarValue, EqualityCoversEveryFieldAndTheHolderModelIsTheVariables) {
  KuvEeModelDico model("Model", Guid(7).guid());
  KuvEeSerialVar states("States", Guid(1).data(), KuvEeSerialVar::STATE, &model);
  KuvEeSerialVar plans("Plans", Guid(2).data(), KuvEeSerialVar::MANUF_PLAN, nullptr);
  KuvEeSerialVarValue value("S", Guid(3).data(), "A", 4, &states);
  KuvEeSerialVarValue same("S", Guid(3).data(), "A", 4, &states);
  KuvEeSerialVarValue otherRev("S", Guid(3).data(), "B", 4, &states);
  KuvEeSerialVarValue otherSeq("S", Guid(3).data(), "A", 5, &states);
  KuvEeSerialVarValue otherName("T", Guid(3).data(), "A", 4, &states);
  KuvEeSerialVarValue otherGuid("S", Guid(4).data(), "A", 4, &states);
  KuvEeSerialVarValue otherVar("S", Guid(3).data(), "A", 4, &plans);
  KuvEeDicoObject notAValue("S", Guid(3).data());
  EXPECT_TRUE(value.equals(&same) && value.equals(&value));
  for (const KuvInObject* other : std::initializer_list<const KuvInObject*>{
           &otherRev, &otherSeq, &otherName, &otherGuid, &otherVar, &notAValue, nullptr})
    EXPECT_FALSE(value.equals(other));
  EXPECT_EQ(Guid(7).guid(), value.getHolderMDGuid());
  EXPECT_FALSE(otherVar.getHolderMDGuid().IsValuated());
  EXPECT_TRUE(value.addAssociatedElement(&otherVar));
  EXPECT_FALSE(value.addAssociatedElement(&otherVar));
}

TEST(KuvEeSelectionVar, ValuesAreUniqueByNameAndGuidAndDeletedWithTheVariable) {
  KuvEeSelectionVar color("Color", Guid(1).data());
  ASSERT_NE(nullptr, color.addValue("Red", Guid(2).data()));
  KuvEeSelectionValue* blue = color.addValue("Blue", Guid(3).data());
  EXPECT_EQ(E_FAIL, color.addValue(nullptr));
  EXPECT_EQ(blue, color.getValue(Guid(3).guid()));
  KuvEeSelectionValue stranger("Green", Guid(4).data(), &color);
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", color.removeValue("Nothing"));
  EXPECT_TRACES(E_FAIL, "ERROR: dico.remove failed", color.removeValue(&stranger));
  EXPECT_EQ(S_OK, color.removeValue("Red"));
  EXPECT_EQ(nullptr, color.getValue(Guid(2).guid()));
  EXPECT_EQ(S_OK, color.removeValue(Guid(3).guid()));
  EXPECT_TRUE(color.getValues().IsEmpty());
  EXPECT_NE(nullptr, color.addValue("Red", Guid(2).data()));
}

TEST(KuvEeSelectionVar, UnsetGuidsAreNoKeyAndRefusalsSayWhy) {
  KuvEeSelectionVar color("Color", Guid(1).data());
  KuvEeExpressionContext context;
  // guid 0: unset.
  const struct { const char* name; unsigned guid; const char* refusal; } adds[] = {
      {"Red", 0, nullptr},
      {"Blue", 0, nullptr},
      {"Red", 0, "ERROR: a value named Red already exists in Color"},
      {"Green", 5, nullptr},
      {"Teal", 5, "is already taken in Color"},
      {"Green", 6, "ERROR: a value named Green already exists in Color"},
  };
  for (const auto& a : adds)
    EXPECT_TRACES(a.refusal == nullptr, a.refusal != nullptr ? a.refusal : "",
                  color.addValue(a.name, Guid(a.guid).data()) != nullptr);
  EXPECT_EQ(nullptr, color.getValue(Guid(0).guid()));
  EXPECT_EQ(S_OK, context.AddConfigFeatureOption("White", Guid(0).guid(), &color));
  EXPECT_EQ(4, color.getValues().GetLength());

  // Values without a GUID keep their own selected-by codes.
  KuvEeSelectionValueDico chosen;
  ASSERT_TRUE(chosen.add(color.getValue("Red"), KuvCriteriaSelectedBy_UserSelected));
  ASSERT_TRUE(chosen.add(color.getValue("Blue"), KuvCriteriaSelectedBy_RuleDeduced));
  EXPECT_EQ(KuvCriteriaSelectedBy_UserSelected, chosen.getSelectedBy(color.getValue("Red")));
  EXPECT_EQ(S_OK, chosen.remove(color.getValue("Red")));
  EXPECT_EQ(KuvCriteriaSelectedBy_RuleDeduced, chosen.getSelectedBy(color.getValue("Blue")));
}

TEST(KuvEeSelectionValueDico, SelectedByCodesCopiesAndEquality) {
  KuvEeSelectionValue red("Red", Guid(1).data(), nullptr);
  KuvEeSelectionValue blue("Blue", Guid(2).data(), nullptr);
  KuvEeSelectionValueDico chosen;
  EXPECT_TRUE(chosen.add(&red, KuvCriteriaSelectedBy_UserSelected));
  EXPECT_TRUE(chosen.add(&blue));
  EXPECT_FALSE(chosen.add(nullptr));
  EXPECT_EQ(KuvCriteriaSelectedBy_UserSelected, chosen.getSelectedBy(Guid(1).guid()));
  EXPECT_EQ(KuvCriteriaSelectedBy_None, chosen.getSelectedBy(Guid(9).guid()));
  KuvEeSelectionValueDico copy(chosen), differentCode;
  EXPECT_TRUE(copy.equals(chosen));
  differentCode.add(&red, KuvCriteriaSelectedBy_DefaultValue);
  differentCode.add(&blue);
  EXPECT_FALSE(differentCode.equals(chosen));
  EXPECT_EQ(S_OK, copy.remove(&red));
  EXPECT_FALSE(copy.equals(chosen));
  EXPECT_EQ(KuvCriteriaSelectedBy_None, copy.getSelectedBy(Guid(1).guid()));
  EXPECT_TRACES(E_FAIL, "ERROR: Unknown value", copy.remove(&red));
  EXPECT_EQ(&red, chosen.get("Red"));
}

// Random adds, removals and copies, past the few keys that are scanned and
// back, against a list of the values: a name or set GUID is taken by one
// value at most, and lookups find exactly the values that hold it.
TEST(KuvEeSelectionValueDico, KeysAgreeWithAListOfTheValues) {
  std::vector<std::unique_ptr<KuvEeSelectionValue>> pool;
  for (unsigned i = 0; i < 90; ++i)  // names and GUIDs shared by twos and threes; every fifth GUID unset
    pool.push_back(std::make_unique<KuvEeSelectionValue>(("V" + std::to_string(i % 45)).c_str(),
                                                         Guid(i % 5 ? i % 30 + 1 : 0).data(), nullptr));
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 random(seed);
    auto dico = std::make_unique<KuvEeSelectionValueDico>();
    std::vector<KuvEeSelectionValue*> model;
    const auto holder = [&](auto same) -> KuvEeSelectionValue* {
      for (KuvEeSelectionValue* held : model)
        if (same(*held)) return held;
      return nullptr;
    };
    for (int step = 0; step < 3000; ++step) {
      KuvEeSelectionValue* value = pool[random() % pool.size()].get();
      const KuvInGuid guid = value->getGuid();
      const auto byName = [&](const KuvEeSelectionValue& v) { return v.getName() == value->getName(); };
      const auto byGuid = [&](const KuvEeSelectionValue& v) {
        return guid.IsValuated() && v.getGuid() == guid;
      };
      // Adds outweigh removals early in each round of 1,000 steps, removals later.
      if (static_cast<int>(random() % 1000) > step % 1000) {
        const bool free = holder(byName) == nullptr && holder(byGuid) == nullptr;
        ASSERT_EQ(free, dico->add(value, KuvCriteriaSelectedBy_RuleDeduced)) << seed << "/" << step;
        if (free) model.push_back(value);
      } else {
        const bool held = std::erase(model, value) != 0;
        HRESULT removed = S_OK;
        kuv_test::captured([&] { removed = dico->remove(value); });
        ASSERT_EQ(held ? S_OK : E_FAIL, removed);
      }
      if (random() % 200 == 0) dico = std::make_unique<KuvEeSelectionValueDico>(*dico);
      ASSERT_EQ(holder(byName), dico->get(value->getName())) << seed << "/" << step;
      ASSERT_EQ(holder(byGuid), dico->get(guid)) << seed << "/" << step;
      ASSERT_EQ(static_cast<std::int32_t>(model.size()), dico->GetLength());
    }
  }
}

TEST(KuvEeCategory, OptionsEnterAndLeaveTheirCategory) {
  auto engine = std::make_unique<KuvEeCategory>("Engine", Guid(1).data());
  auto v8 = std::make_unique<KuvEeCatOptionVar>("V8", Guid(2).data(), engine.get());
  {
    KuvEeCatOptionVar v6("V6", Guid(3).data(), engine.get());
    EXPECT_EQ(&v6, engine->getOptionVar("V6"));
    EXPECT_EQ(v8.get(), engine->getOptionVar(Guid(2).guid()));
  }
  EXPECT_EQ(nullptr, engine->getOptionVar("V6"));
  // An option outliving its category forgets it.
  engine.reset();
  EXPECT_EQ(nullptr, v8->getCategory());
}

TEST(KuvEeModelDico, ConfigFeaturesAreSelectionsOrCategories) {
  KuvEeModelDico model("Model", Guid(1).guid());
  KuvEeSelectionVar color("Color", Guid(2).data());
  KuvEeCategory engine("Engine", Guid(3).data());
  KuvEeBasicOptionVar sunroof("Sunroof", Guid(4).guid());
  KuvEeSelectionVar sameName("Color", Guid(5).data());
  EXPECT_EQ(S_OK, model.addConfigFeature(&color));
  EXPECT_EQ(S_OK, model.addConfigFeature(&engine));
  EXPECT_EQ(S_FALSE, model.addConfigFeature(&color));
  EXPECT_EQ(S_FALSE, model.addConfigFeature(&sameName));
  EXPECT_TRACES(E_FAIL, "ERROR: Invalid config feature type.", model.addConfigFeature(&sunroof));
  KuvEeDicoObject* found = nullptr;
  EXPECT_EQ(S_OK, model.getConfigFeature("Engine", found));
  EXPECT_EQ(&engine, found);
  EXPECT_TRACES(E_INVALIDARG, "ERROR: invalid arg.", model.getConfigFeature(Guid(2).guid(), found));
  found = nullptr;
  EXPECT_EQ(S_OK, model.getConfigFeature(Guid(2).guid(), found));
  EXPECT_EQ(&color, found);
  found = nullptr;
  EXPECT_EQ(S_FALSE, model.getConfigFeature("Sunroof", found));
  EXPECT_EQ(nullptr, found);
}

TEST(KuvEeModelDico, EnablingEvolutionVariables) {
  KuvEeModelDico model("Model", Guid(1).guid());
  const char* const kState = "ERROR: there is already state evolution vars created.";
  const char* const kPlan = "ERROR: there is already manuf plan evolution vars created.";
  // tree: 0 for a series, 1 for a tree series in no-tree mode, 2 for one
  // with a tree; type 0: the date.
  const struct { int tree; std::int32_t type; HRESULT expected; const char* message; } steps[] = {
      {0, 0, S_OK, ""},        {0, 0, S_FALSE, ""},     {0, 12, S_OK, ""},
      {0, 12, E_FAIL, kState}, {0, 13, S_OK, ""},       {0, 13, E_FAIL, "ERROR: there is already unit evolution"},
      {0, 14, S_OK, ""},       {0, 14, E_FAIL, kPlan},  {1, 18, S_OK, ""},
      {2, 18, S_FALSE, ""},    {0, 18, E_FAIL, kState}, {0, 19, S_OK, ""},
      {0, 19, E_FAIL, kPlan},  {0, 1, E_FAIL, ""},      {2, 12, E_FAIL, ""},
  };
  for (const auto& step : steps)
    EXPECT_TRACES(step.expected, step.message,
                  step.type == 0   ? model.enableDateEvolution()
                  : step.tree == 0 ? model.enableEvolutionSeries(step.type)
                                   : model.enableEvolutionTreeSeries(step.type, step.tree == 1));

  // The model's series carry its GUID; their name and kind are
  // KuvEeVarSpace.TakesEveryVariableOfAModel's (found by name as units).
  KuvEeSerialVar* units = model.getSeriesVariable(13);
  ASSERT_NE(nullptr, units);
  EXPECT_EQ(&model, units->getHolderDico());
  EXPECT_EQ(model.getGuid(), units->getGuid());
  EXPECT_EQ(0, units->getDomain().getA());
  EXPECT_TRUE(model.getTreeSeriesVariable(18)->isInNoTreeMode());
  EXPECT_FALSE(model.getTreeSeriesVariable(19)->isInNoTreeMode());
  EXPECT_EQ(nullptr, model.getTreeSeriesVariable(12));
  EXPECT_EQ(nullptr, model.getSeriesVariable(18));
  KuvEeSerialVar* out = nullptr;
  EXPECT_EQ(S_OK, model.getSeriesVariable(14, out));
  EXPECT_EQ(E_INVALIDARG, model.getSeriesVariable(12, out));
  out = nullptr;
  EXPECT_EQ(S_FALSE, model.getSeriesVariable(1, out));
  EXPECT_FALSE(model.isEvolutionSeriesEnabled(18));
  EXPECT_FALSE(model.isEvolutionTreeSeriesEnabled(13));
  bool enabled = false;
  EXPECT_EQ(S_OK, model.isEvolutionSeriesEnabled(19, enabled));
  EXPECT_TRUE(enabled);
  EXPECT_EQ(E_FAIL, model.isEvolutionSeriesEnabled(1, enabled));
}

TEST(KuvEeModelDico, MilestoneTracksByNameGuidAndDiscipline) {
  KuvEeModelDico model("Model", Guid(1).guid());
  KuvEeModelDico otherModel("Other", Guid(2).guid());
  auto* structure = new KuvEeMilestonesVar("Track1", Guid(3).data(), "Structure", &model);
  auto* systems = new KuvEeMilestonesVar("Track2", Guid(4).data(), "Systems", &model);
  auto* sameDiscipline = new KuvEeMilestonesVar("Track3", Guid(5).data(), "Structure", &model);
  auto sameName = std::make_unique<KuvEeMilestonesVar>("Track1", Guid(7).data(), "Tooling", &model);
  auto foreign = std::make_unique<KuvEeMilestonesVar>("Track4", Guid(6).data(), "Wiring", &otherModel);
  KuvInSet tracks(KuvEeMilestonesVar::sType());
  EXPECT_EQ(S_FALSE, model.getMilestonesTracks(tracks));
  EXPECT_EQ(S_OK, model.addMilestonesTrack(structure));
  EXPECT_EQ(S_OK, model.addMilestonesTrack(systems));
  EXPECT_EQ(S_OK, model.addMilestonesTrack(sameDiscipline));  // the discipline now leads to it
  EXPECT_EQ(S_FALSE, model.addMilestonesTrack(sameName.get()));
  EXPECT_EQ(E_FAIL, model.addMilestonesTrack(foreign.get()));
  EXPECT_EQ(E_FAIL, model.addMilestonesTrack(nullptr));
  KuvEeMilestonesVar* track = nullptr;
  EXPECT_EQ(S_OK, model.getMilestonesTrackDiscipline("Systems", track));
  EXPECT_EQ(systems, track);
  track = nullptr;
  EXPECT_EQ(S_OK, model.getMilestonesTrackDiscipline("Structure", track));
  EXPECT_EQ(sameDiscipline, track);
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Input KuvEeMilestonesVar pointer should be null.",
                model.getMilestonesTrack("Track1", track));
  track = nullptr;
  EXPECT_EQ(S_FALSE, model.getMilestonesTrack("Track4", track));
  EXPECT_EQ(S_OK, model.getMilestonesTracks(tracks));
  EXPECT_EQ(3, tracks.GetLength());
  KuvInSet wrongKind(KuvEeSerialVar::sType());
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Unable to put elements into output set",
                model.getMilestonesTracks(wrongKind));
}

TEST(KuvEeVarSpace, SerialVariablesFallBackBetweenKinds) {
  KuvEeVarSpace space("Space", Guid(1).data());
  const struct { const char* name; unsigned guid; KuvEeSerialVar::SerialExternalType type; } vars[] = {
      {"X_Build", 10, KuvEeSerialVar::UNDEFINED}, {"MP-12", 11, KuvEeSerialVar::UNDEFINED},
      {"MPM-3", 12, KuvEeSerialVar::UNDEFINED},   {"Plain", 13, KuvEeSerialVar::UNDEFINED},
      {"S", 14, KuvEeSerialVar::STATE},           {"U", 15, KuvEeSerialVar::UNIT},
      {"P", 16, KuvEeSerialVar::MANUF_PLAN}};
  std::vector<std::unique_ptr<KuvEeSerialVar>> owned;
  for (const auto& v : vars) {
    owned.push_back(std::make_unique<KuvEeSerialVar>(v.name, Guid(v.guid).data(), v.type, nullptr));
    ASSERT_EQ(S_OK, space.addSerialVar(owned.back().get()));
  }
  KuvEeSerialVar tree("T", Guid(17).data(), static_cast<KuvEeSerialVar::SerialExternalType>(18), nullptr);
  EXPECT_EQ(E_FAIL, space.addSerialVar(&tree));
  EXPECT_EQ(E_FAIL, space.addSerialVar(owned[0].get()));
  EXPECT_EQ(7, space.getVars().GetLength());
  // expected: index in vars, -1 for none.
  const struct { const char* name; std::int32_t type; int expected; } byName[] = {
      {"X_Build", 13, 0}, {"MP-12", 14, 1}, {"MPM-3", 14, 2}, {"Plain", 13, -1},
      {"Plain", 14, -1},  {"Plain", 1, 3},  {"S", 1, 4},      {"Plain", 12, 3},
      {"U", 12, 5},       {"P", 12, 6},     {"S", 13, -1},    {"U", 1, -1},
      {"U", 13, 5},       {"P", 14, 6},     {"S", 18, -1},    {"Build", 13, -1},
  };
  for (const auto& q : byName)
    EXPECT_EQ(q.expected < 0 ? nullptr : owned[q.expected].get(),
              space.getSerialVar(KuvInString(q.name), q.type))
        << q.name << " as " << q.type;
  // By GUID only state and untyped series fall back on each other.
  const std::tuple<unsigned, std::int32_t, int> byGuid[] = {
      {13, 1, 3},   {14, 1, 4},  {14, 12, 4},  {10, 12, 0},  {15, 13, 5},
      {10, 13, -1}, {16, 14, 6}, {11, 14, -1}, {14, 19, -1}, {15, 1, -1}};
  for (const auto& [guid, type, expected] : byGuid)
    EXPECT_EQ(expected < 0 ? nullptr : owned[expected].get(), space.getSerialVar(Guid(guid).guid(), type))
        << guid << " as " << type;
  EXPECT_EQ(4, space.getSerialVars().GetLength());
  EXPECT_EQ(1, space.getStateVars().GetLength());
  EXPECT_EQ(1, space.getUnitVars().GetLength());
  EXPECT_EQ(1, space.getMPlanVars().GetLength());
}

TEST(KuvEeVarSpace, OptionsCategoriesSelectionsAndDates) {
  KuvEeVarSpace space("Space", nullptr);
  KuvEeCategory engine("Engine", Guid(1).data());
  KuvEeCatOptionVar v8("V8", Guid(2).data(), &engine);
  // Options are indexed by GUID only: names may repeat.
  KuvEeBasicOptionVar first("Same", Guid(3).guid()), second("Same", Guid(4).guid()),
      sameGuid("Other", Guid(4).guid());
  EXPECT_EQ(S_OK, space.addOptionVar(&v8));
  EXPECT_EQ(S_OK, space.addOptionVar(&first));
  EXPECT_EQ(S_OK, space.addOptionVar(&second));
  EXPECT_EQ(E_FAIL, space.addOptionVar(&sameGuid));
  EXPECT_EQ(E_FAIL, space.addOptionVar(nullptr));
  EXPECT_EQ(&engine, space.getCategory("Engine"));
  EXPECT_EQ(E_FAIL, space.addCategory(&engine));
  EXPECT_EQ(&v8, space.getOptionVar("Engine", "V8"));
  EXPECT_EQ(nullptr, space.getOptionVar("Engine", "V6"));
  EXPECT_EQ(nullptr, space.getOptionVar("Wheels", "V8"));
  EXPECT_EQ(&second, space.getOptionVar(Guid(4).guid()));
  KuvEeSelectionVar color("Color", Guid(5).data());
  EXPECT_EQ(S_OK, space.addSelectionVar(&color));
  EXPECT_EQ(&color, space.getSelectionVar(Guid(5).guid()));
  // A date variable may be anonymous, but only one: the empty name is its key.
  KuvEeDateVar date1("", Guid(6).data()), date2("", Guid(7).data());
  EXPECT_EQ(S_OK, space.addDateVar(&date1));
  EXPECT_EQ(E_FAIL, space.addDateVar(&date2));
  EXPECT_EQ(nullptr, space.getDateVar(Guid(7).guid()));
  EXPECT_EQ(&date1, space.getDateVar(""));
  EXPECT_EQ(5, space.getVars().GetLength());

  KuvEeDicoObject eff("Eff", Guid(8).data());
  EXPECT_EQ(S_OK, space.addPossibleSourceEff(&eff));
  EXPECT_EQ(E_FAIL, space.addPossibleSourceEff(&eff));
  EXPECT_EQ(&eff, space.getPossibleSourceEff(Guid(8).guid()));
  EXPECT_EQ(S_OK, space.addCompleteQueryEff(&eff));
}

TEST(KuvEeVarSpace, TakesEveryVariableOfAModel) {
  KuvEeModelDico model("Model", Guid(1).guid());
  KuvEeCategory engine("Engine", Guid(2).data());
  KuvEeCatOptionVar v6("V6", Guid(3).data(), &engine), v8("V8", Guid(4).data(), &engine);
  KuvEeSelectionVar color("Color", Guid(5).data());
  ASSERT_EQ(S_OK, model.addConfigFeature(&engine));
  ASSERT_EQ(S_OK, model.addConfigFeature(&color));
  ASSERT_EQ(S_OK, model.enableEvolutionSeries(KuvEeSerialVar::UNIT));
  ASSERT_EQ(S_OK, model.enableEvolutionTreeSeries(KuvEeSerialVar::TREE_STATE, true));
  ASSERT_EQ(S_OK, model.enableDateEvolution());
  auto* track = new KuvEeMilestonesVar("Plan", Guid(6).data(), "Eng", &model);
  ASSERT_EQ(S_OK, model.addMilestonesTrack(track));

  KuvEeVarSpace space("Space", nullptr);
  ASSERT_EQ(S_OK, space.addModelVariables(model));
  EXPECT_EQ(&v8, space.getOptionVar("Engine", "V8"));
  EXPECT_EQ(&v6, space.getOptionVar(Guid(3).guid()));
  EXPECT_EQ(&engine, space.getCategory("Engine"));
  EXPECT_EQ(&color, space.getSelectionVar("Color"));
  // The model's series carry its name.
  EXPECT_EQ(model.getSeriesVariable(KuvEeSerialVar::UNIT), space.getSerialVar("Model", KuvEeSerialVar::UNIT));
  EXPECT_EQ(model.getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE),
            space.getTreeSeriesVar(model.getGuid(), KuvEeSerialVar::TREE_STATE));
  EXPECT_EQ(track, space.getMilestonesTrack(Guid(6).guid()));
  EXPECT_EQ(model.getDateVariable(), space.getDateVar(model.getDateVariable()->getGuid()));
  // Variables known already are refused.
  EXPECT_EQ(E_FAIL, space.addModelVariables(model));
}

TEST(KuvEeDateVar, DomainIsUnboundedUntilSet) {
  KuvEeDateVar date("Date", Guid(1).data());
  const KuvInDate start(2020, 1, 1, 1, 1, 1), end(2021, 1, 1, 1, 1, 1);
  EXPECT_EQ(E_FAIL, date.setDomain(end, start));
  // Unbounded from the start, and left so by the refusal.
  EXPECT_TRUE(date.getDomain() == KuvInDateInterval());
  EXPECT_EQ(S_OK, date.setDomain(start, end));
  EXPECT_TRUE(date.getDomain().getA() == start);
}

// A track:  Root 1-100 ( A 1-50 ( A1 10-20, A2 21-30 ), B 51-99 ( B1 60-70.5 ) ).
struct Track {
  Track() : var(std::make_unique<KuvEeMilestonesVar>("Track", Guid(1).data(), "Structure", nullptr)) {
    root = add("Root", "1-100", nullptr);
    a = add("A", "1-50", root);
    a1 = add("A1", "10-20", a);
    a2 = add("A2", "21-30", a);
    b = add("B", "51-99", root);
    b1 = add("B1", "60-70.5", b);
  }
  KuvEeMilestone* add(const char* name, const char* index, KuvEeMilestone* parent) {
    auto* m = new KuvEeMilestone(name, Guid(++guids).data(), var.get(), treeIndex(index), nullptr, parent);
    EXPECT_EQ(S_OK, parent != nullptr ? parent->addChild(m) : var->setRootMilestone(m)) << name;
    return m;
  }
  unsigned guids = 10;
  std::unique_ptr<KuvEeMilestonesVar> var;
  KuvEeMilestone *root, *a, *a1, *a2, *b, *b1;
};

TEST(KuvEeTreeVar, DeepestChildContainingAnInterval) {
  Track t;
  // expected: a null member for none.
  const struct {
    unsigned from, to;
    KuvEeMilestone* Track::*expected;
  } cases[] = {
      {12, 15, &Track::a1},   {10, 20, &Track::a1}, {30, 40, &Track::a}, {21, 30, &Track::a2},
      {45, 60, &Track::root}, {60, 70, &Track::b1}, {52, 98, &Track::b}, {1, 100, &Track::root},
      {0, 5, nullptr},        {90, 101, nullptr},   {200, 300, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + "-" + std::to_string(c.to));
    KuvEeTreeElementBase* found = nullptr;
    EXPECT_EQ(c.expected != nullptr ? S_OK : S_FALSE,
              t.var->getDeepestChild(treeInterval(c.from, c.to), found));
    EXPECT_EQ(c.expected != nullptr ? t.*c.expected : nullptr, found);
  }
  KuvEeTreeElementBase* notNull = t.a;
  EXPECT_EQ(E_INVALIDARG, t.var->getDeepestChild(treeInterval(1, 2), notNull));
}

TEST(KuvEeTreeVar, ElementsAreFoundByTheirIndex) {
  Track t;
  for (KuvEeMilestone* m : {t.root, t.a, t.a1, t.a2, t.b, t.b1}) {
    KuvEeMilestone* found = nullptr;
    EXPECT_EQ(S_OK, t.var->getMilestone(m->getTreeEvalIndex(), found)) << text(m->getName());
    EXPECT_EQ(m, found);
  }
  for (const char* missing : {"10-19", "2-3", "1-99", "60-70"}) {
    KuvEeMilestone* found = nullptr;
    EXPECT_EQ(S_FALSE, t.var->getMilestone(treeIndex(missing), found)) << missing;
    EXPECT_EQ(nullptr, found);
  }
}

TEST(KuvEeTreeVar, AddChildRefusesBadIndicesOtherFathersAndOtherVariables) {
  Track t;
  KuvEeMilestonesVar otherTrack("Other", Guid(2).data(), "Systems", nullptr);
  KuvEeMilestone outside("Out", Guid(3).data(), t.var.get(), treeIndex("40-60"), nullptr, nullptr);
  KuvEeMilestone sameEnd("End", Guid(4).data(), t.var.get(), treeIndex("40-50"), nullptr, nullptr);
  KuvEeMilestone fathered("F", Guid(5).data(), t.var.get(), treeIndex("2-3"), nullptr, t.b);
  KuvEeMilestone foreign("X", Guid(6).data(), &otherTrack, treeIndex("2-3"), nullptr, nullptr);
  const std::pair<KuvEeMilestone*, const char*> cases[] = {
      {&outside,
       "ERROR : Input child has an invalid index. Child Index (40-60) must be included in father index "
       "(1-50)."},
      {&sameEnd, "must be included in father index (1-50)."},
      {&fathered, "ERROR : Input child has already a different father."},
      {&foreign, "ERROR : Input child hasn't the same holder variable as current element."},
  };
  for (const auto& c : cases) {
    EXPECT_TRACES(E_INVALIDARG, c.second, t.a->addChild(c.first));
    EXPECT_EQ(2, t.a->getChildren().GetLength());
  }
  EXPECT_EQ(S_FALSE, t.a->addChild(t.a1));
  EXPECT_EQ(E_INVALIDARG, t.a->addChild(static_cast<KuvEeMilestone*>(nullptr)));
  // The root has no parent but is its variable's.
  KuvEeMilestone wide("W", Guid(7).data(), t.var.get(), treeIndex("0-200"), nullptr, nullptr);
  EXPECT_TRACES(E_INVALIDARG, "ERROR : Input child is the root of its variable.", wide.addChild(t.root));
}

TEST(KuvEeTreeVar, GetAllElementsChecksTheOutputType) {
  Track t;
  KuvInSet all(KuvEeMilestone::sType());
  EXPECT_EQ(S_OK, t.var->getAllElements(all));
  EXPECT_EQ(6, all.GetLength());
  EXPECT_EQ(S_FALSE, t.var->getAllElements(all));
  KuvInSet children(KuvEeMilestone::sType());
  EXPECT_EQ(S_OK, t.a->getAllChildren(children));
  EXPECT_EQ(2, children.GetLength());
  EXPECT_EQ(S_FALSE, t.a1->getAllChildren(children));

  KuvInSet wrong(KuvEeTreeSeriesElement::sType());
  EXPECT_TRACES(E_INVALIDARG, "ERROR: Output set doesn't accept element from the root element type.",
                t.var->getAllElements(wrong));
  KuvEeMilestonesVar empty("Empty", Guid(2).data(), "Systems", nullptr);
  EXPECT_EQ(S_FALSE, empty.getAllElements(wrong));
}

// The root is set once, with or without a sequence number; children are
// found by theirs and by their index.
TEST(KuvEeTreeVar, TreeSeriesElementsBySequenceNumber) {
  KuvEeTreeSeriesVar series("Series", Guid(1).data(), 18, nullptr);
  KuvEeTreeSeriesVar other("Other", Guid(2).data(), 19, nullptr);
  auto* root = new KuvEeTreeSeriesElement("R", Guid(3).data(), "A", treeIndex("1-100"), &series, nullptr);
  KuvEeTreeSeriesElement second("S", Guid(4).data(), "A", treeIndex("1-9"), &series, nullptr);
  KuvEeTreeSeriesElement foreign("F", Guid(5).data(), "A", treeIndex("1-9"), &other, nullptr);
  EXPECT_EQ(E_INVALIDARG, series.setRootTreeSeriesElement(&foreign));
  EXPECT_EQ(E_INVALIDARG, series.setRootTreeSeriesElement(nullptr));
  EXPECT_EQ(E_INVALIDARG, series.setRootTreeSeriesElement(root, -3));
  EXPECT_EQ(S_OK, series.setRootTreeSeriesElement(root, 4));
  EXPECT_EQ(S_FALSE, series.setRootTreeSeriesElement(root));
  EXPECT_EQ(E_FAIL, series.setRootTreeSeriesElement(&second));
  EXPECT_EQ(root, series.getElement(4));
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to use this API in NoTreeMode.",
                series.addElementToNoTreeModeBag(&second));

  auto* c1 = new KuvEeTreeSeriesElement("C1", Guid(6).data(), "B", treeIndex("1-10"), &series, root);
  auto* c2 = new KuvEeTreeSeriesElement("C2", Guid(7).data(), "C", treeIndex("11-20"), &series, root);
  EXPECT_EQ(S_OK, root->addChild(c1, 7));
  EXPECT_EQ(S_OK, root->addChild(c2));
  auto bad = std::make_unique<KuvEeTreeSeriesElement>("Bad", Guid(8).data(), "D", treeIndex("30-40"), &series,
                                                      nullptr);
  EXPECT_EQ(E_INVALIDARG, root->addChild(bad.get(), -1));
  EXPECT_EQ(nullptr, bad->getParentTreeSeriesElement());
  EXPECT_EQ(c1, series.getElement(7));
  EXPECT_EQ(nullptr, series.getElement(8));
  EXPECT_EQ(nullptr, series.getElement(-1));
  KuvEeTreeSeriesElement* found = nullptr;
  EXPECT_EQ(S_OK, series.getTreeSeriesElement(treeIndex("11-20"), found));
  EXPECT_EQ(c2, found);
  EXPECT_TRUE(c1->addAssociatedElement(c2));
  EXPECT_FALSE(c1->addAssociatedElement(c2));
  EXPECT_FALSE(c1->addAssociatedElement(nullptr));
}

TEST(KuvEeTreeVar, NoTreeModeSearchesTheBagForTheInnermostElement) {
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  const std::int32_t before = registry.getCount();
  {
    KuvEeTreeSeriesVar bag("Bag", Guid(1).data(), 18, nullptr, true);
    EXPECT_TRUE(bag.isInNoTreeMode());
    // Added outermost last, so that the preference does not follow the order.
    KuvEeTreeSeriesElement* inner = nullptr;
    KuvEeTreeSeriesElement* middle = nullptr;
    KuvEeTreeSeriesElement* outer = nullptr;
    for (auto [slot, index] :
         {std::pair{&inner, "10-20"}, std::pair{&middle, "1-50"}, std::pair{&outer, "1-100"}}) {
      *slot = new KuvEeTreeSeriesElement(index, Guid(registry.getCount()).data(), "A", treeIndex(index), &bag,
                                         nullptr);
      ASSERT_EQ(S_OK, bag.addElementToNoTreeModeBag(*slot));
    }
    EXPECT_EQ(S_FALSE, bag.addElementToNoTreeModeBag(inner));
    KuvEeTreeSeriesVar other("Other", Guid(2).data(), 18, nullptr, true);
    KuvEeTreeSeriesElement foreign("F", Guid(3).data(), "A", treeIndex("1-2"), &other, nullptr);
    EXPECT_EQ(E_FAIL, bag.addElementToNoTreeModeBag(&foreign));

    const std::pair<std::pair<unsigned, unsigned>, KuvEeTreeSeriesElement*> cases[] = {
        {{12, 15}, inner}, {{5, 30}, middle}, {{40, 60}, outer}, {{100, 200}, nullptr}};
    for (const auto& [range, expected] : cases) {
      KuvEeTreeElementBase* found = nullptr;
      EXPECT_EQ(expected != nullptr ? S_OK : S_FALSE,
                bag.getDeepestChild(treeInterval(range.first, range.second), found));
      EXPECT_EQ(expected, found) << range.first << "-" << range.second;
    }
    KuvEeTreeSeriesElement* found = nullptr;
    EXPECT_EQ(S_OK, bag.getTreeSeriesElement(treeIndex("1-50"), found));
    EXPECT_EQ(middle, found);
    KuvInSet all(KuvEeTreeSeriesElement::sType());
    EXPECT_EQ(S_OK, bag.getAllElements(all));
    EXPECT_EQ(3, all.GetLength());
    // A child joining a bag element later is found by its index too.
    auto* late = new KuvEeTreeSeriesElement("Late", Guid(4).data(), "A", treeIndex("11-12"), &bag, middle);
    ASSERT_EQ(S_OK, middle->addChild(late));
    found = nullptr;
    EXPECT_EQ(S_OK, bag.getTreeSeriesElement(treeIndex("11-12"), found));
    EXPECT_EQ(late, found);
  }
  // The bag's elements went with the variable.
  EXPECT_EQ(before, registry.getCount());
}

}  // namespace

// A document may nest elements without end: deleting them must not recurse.
TEST(KuvEeTreeVar, ADeepTreeIsDeletedWithoutRecursing) {
  auto var = std::make_unique<KuvEeMilestonesVar>("Deep", Guid(1).data(), "D", nullptr);
  KuvEeMilestone* parent = nullptr;
  for (int i = 0; i < 60000; ++i) {
    auto* m = new KuvEeMilestone(std::to_string(i).c_str(), Guid(100 + i).data(), var.get(),
                                 treeIndex(("0-" + std::to_string(2000000000 - i)).c_str()), nullptr, parent);
    ASSERT_EQ(S_OK, parent != nullptr ? parent->addChild(m) : var->setRootMilestone(m));
    parent = m;
  }
  var.reset();
}
