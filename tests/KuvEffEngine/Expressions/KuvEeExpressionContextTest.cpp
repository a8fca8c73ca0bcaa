#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeDicoTestSupport.h"

using kuv_test::Guid;
using kuv_test::treeIndex;

namespace {

std::int32_t liveObjects() { return KuvEeLifeCycleMngr::getInstance().getCount(); }
bool alive(const KuvEeDicoObject* object) { return KuvEeLifeCycleMngr::getInstance().isRegistered(object); }

// A caller's category with options, built as a reader would.
KuvEeCategory* newCategory(const char* name, unsigned guid,
                           std::initializer_list<std::pair<const char*, unsigned>> options) {
  auto* category = new KuvEeCategory(name, Guid(guid).data());
  for (const auto& [optionName, optionGuid] : options)
    new KuvEeCatOptionVar(optionName, Guid(optionGuid).data(), category);
  return category;
}

// A model with a category and a state series holding two revisions.
KuvEeModelDico* newModel(const char* name, unsigned guid) {
  auto* model = new KuvEeModelDico(name, Guid(guid).guid());
  model->addConfigFeature(newCategory("Color", guid + 1, {{"Red", guid + 2}, {"Blue", guid + 3}}));
  model->enableEvolutionSeries(KuvEeSerialVar::STATE);
  KuvEeSerialVar* states = model->getSeriesVariable(KuvEeSerialVar::STATE);
  states->addRevision(new KuvEeSerialVarValue("S1", Guid(guid + 4).data(), "A", 1, states));
  states->addRevision(new KuvEeSerialVarValue("S1", Guid(guid + 5).data(), "B", 2, states));
  return model;
}

// What a host deletes of a category it created: the options, then the category.
void deleteCategory(KuvEeDicoObject* category) {
  std::vector<KuvInObject*> options;
  for (auto it = static_cast<KuvEeCategory*>(category)->getOptionVars().cBegin(); it.IsValid();)
    options.push_back(it.GetGoToNext());
  for (KuvInObject* option : options) delete option;
  delete category;
}

// The feature model holds under key (a GUID or a name).
template <class Key>
KuvEeDicoObject* featureOf(const KuvEeModelDico* model, const Key& key) {
  KuvEeDicoObject* feature = nullptr;
  EXPECT_EQ(S_OK, model->getConfigFeature(key, feature));
  return feature;
}

struct NoneLeftBehind {
  ~NoneLeftBehind() { EXPECT_EQ(before, liveObjects()); }
  const std::int32_t before = liveObjects();
};

// Every test leaves behind no dictionary object it or the context created
// (the context goes first); the sanitizer build also proves nothing went
// twice.
class ExpressionContextTest : public testing::Test {
protected:
  // A new empty model, registered as a main or an inherited one.
  KuvEeModelDico* added(const char* name, unsigned guid, bool main = true) {
    auto* model = new KuvEeModelDico(name, Guid(guid).guid());
    EXPECT_EQ(S_OK, context.AddModelDico(model, main));
    return model;
  }
  // What the context hands back for a model or a feature, expecting code.
  KuvEeModelDico* handedBack(KuvEeModelDico* model, HRESULT code, bool main = true) {
    EXPECT_EQ(code, context.AddModelDico(model, main));
    return model;
  }
  KuvEeDicoObject* handedBack(KuvEeDicoObject* feature, HRESULT code, KuvEeModelDico* model = nullptr) {
    EXPECT_EQ(code, context.AddConfigFeature(feature, model));
    return feature;
  }

  NoneLeftBehind m_check;
  KuvEeExpressionContext context;
};

}  // namespace

TEST_F(ExpressionContextTest, OwnsWhatItRegisteredAndDeletesItOnce) {
  KuvEeDateVar* date = reinterpret_cast<KuvEeDateVar*>(&context);
  EXPECT_EQ(S_FALSE, context.GetDate(date));
  EXPECT_EQ(nullptr, date);
  KuvEeModelDico* model = newModel("Bike", 100);
  ASSERT_EQ(S_OK, context.AddModelDico(model, true));
  KuvEeDicoObject* size = newCategory("Size", 200, {{"S", 201}});
  ASSERT_EQ(S_OK, context.AddConfigFeature(size, model));
  KuvEeDicoObject* trim = new KuvEeSelectionVar("Trim", Guid(210).data());
  static_cast<KuvEeSelectionVar*>(trim)->addValue("Sport", Guid(211).data());
  ASSERT_EQ(S_OK, context.AddConfigFeature(trim));
  EXPECT_EQ(S_OK, context.AddConfigFeatureOption("Eco", Guid(212).guid(), trim));
  EXPECT_EQ(S_OK, context.AddConfigFeatureOption("M", Guid(202).guid(), size));
  KuvEeBasicEff* eff = new KuvEeBasicEff("Inherited", Guid(220).data());
  KuvInList dicos(KuvEeModelDico::sType());
  ASSERT_EQ(S_OK, context.AddInheritedEff(eff, dicos));
  KuvEePredefEff* change = new KuvEePredefEff("ECO-1", Guid(230).data(), true, KuvEePredefEff::GLOBAL);
  ASSERT_EQ(S_OK, context.AddChangeRef(change));
  EXPECT_EQ(S_OK, context.AddRevision(model, KuvEeSerialVar::STATE, Guid(240).guid(), "S2", "A", 3));
  EXPECT_EQ(S_OK, context.ActivateDate());
  EXPECT_EQ(S_FALSE, context.ActivateDate());
  ASSERT_EQ(S_OK, context.GetDate(date));
  EXPECT_EQ(KuvInString("Date"), date->getName());
  EXPECT_EQ(KuvInString("01000000000000000000000000000000"), date->getGuid().toString());
  KuvEeDicoObject* object = nullptr;
  EXPECT_TRUE(context.GetEEObject(date->getGuid(), object));
  EXPECT_EQ(date, object);
  EXPECT_FALSE(context.GetEEObject(Guid(9).guid(), object));
  EXPECT_GT(liveObjects(), m_check.before);
}

TEST_F(ExpressionContextTest, SecondModelOfTheSameNameIsDeletedAndTheFirstHandedBack) {
  KuvEeModelDico* first = newModel("Bike", 100);
  ASSERT_EQ(first, handedBack(first, S_OK));
  EXPECT_EQ(first, handedBack(first, S_FALSE));

  // The second goes with its revisions; its category, which the host also
  // keeps in a variable space, stays the host's.
  KuvEeModelDico* second = newModel("Bike", 300);
  KuvEeVarSpace space("Host", nullptr);
  KuvEeDicoObject* secondColor = featureOf(second, Guid(301).guid());
  space.addCategory(static_cast<KuvEeCategory*>(secondColor));
  EXPECT_EQ(first, handedBack(second, S_OK));
  EXPECT_FALSE(alive(second));
  EXPECT_EQ(1, context.GetNbDictionaries());
  KuvEeCategory* kept = space.getCategory(KuvInString("Color"));
  ASSERT_EQ(secondColor, kept);
  EXPECT_NE(nullptr, kept->getOptionVar(KuvInString("Blue")));
  deleteCategory(kept);

  // Met first as inherited, then as a main one: the same object is reused.
  KuvEeModelDico* car = added("Car", 400, false);
  EXPECT_EQ(car, handedBack(new KuvEeModelDico("Car", Guid(401).guid()), S_OK));
  EXPECT_EQ(2, context.GetNbDictionaries());

  KuvEeModelDico* found = nullptr;
  EXPECT_EQ(S_OK, context.GetModelDico(Guid(400).guid(), found));
  EXPECT_EQ(car, found);
  EXPECT_EQ(S_FALSE, context.GetModelDico(Guid(401).guid(), found));
  EXPECT_EQ(nullptr, found);
  // A GUID of another kind of object.
  EXPECT_TRACES(E_FAIL, "ERROR : map content is of unexpected type, cast FAILED.",
                context.GetModelDico(Guid(102).guid(), found));
}

TEST_F(ExpressionContextTest, FeatureOfAKnownGuidIsDeletedAndTheRegisteredOneHandedBack) {
  KuvEeModelDico* model = added("Bike", 1);
  KuvEeDicoObject* color = newCategory("Color", 10, {{"Red", 11}});
  ASSERT_EQ(color, handedBack(color, S_OK, model));
  EXPECT_EQ(color, handedBack(color, S_FALSE, model));

  // The caller's copy (with a known and a new option) goes entirely.
  KuvEeCategory* copy = newCategory("Color", 10, {{"Red", 11}, {"Blue", 12}});
  KuvEeCatOptionVar* copyBlue = copy->getOptionVar(KuvInString("Blue"));
  EXPECT_EQ(color, handedBack(copy, S_FALSE, model));
  EXPECT_FALSE(alive(copy));
  EXPECT_FALSE(alive(copyBlue));

  // The same for a selection variable, which deletes its values.
  auto* trim = new KuvEeSelectionVar("Trim", Guid(20).data());
  trim->addValue("Sport", Guid(21).data());
  ASSERT_EQ(trim, handedBack(trim, S_OK));
  auto* trimCopy = new KuvEeSelectionVar("Trim", Guid(20).data());
  KuvEeSelectionValue* copySport = trimCopy->addValue("Sport", Guid(21).data());
  EXPECT_EQ(trim, handedBack(trimCopy, S_FALSE));
  EXPECT_FALSE(alive(copySport));

  // A model holding a known feature gets the registered one instead.
  KuvEeModelDico* car = new KuvEeModelDico("Car", Guid(2).guid());
  KuvEeCategory* carColor = newCategory("Color", 10, {{"Red", 11}});
  car->addConfigFeature(carColor);
  ASSERT_EQ(S_OK, context.AddModelDico(car, true));
  EXPECT_FALSE(alive(carColor));
  EXPECT_EQ(color, featureOf(car, Guid(10).guid()));

  KuvInSet models(KuvEeModelDico::sType());
  EXPECT_EQ(S_OK, context.GetSetOfMDsContainingFeature(
                      static_cast<KuvEeCategory*>(color)->getOptionVar(KuvInString("Red")), models));
  EXPECT_EQ(2, models.GetLength());
  EXPECT_EQ(S_FALSE, context.GetSetOfMDsContainingFeature(trim, models));

  KuvEeDicoObject* found = nullptr;
  // A model took the name first; the feature is still found through it.
  auto* namesake = new KuvEeCategory("Car", Guid(30).data());
  ASSERT_EQ(namesake, handedBack(namesake, S_OK, car));
  EXPECT_EQ(S_OK, context.GetConfigFeature(KuvInString("Car"), found));
  EXPECT_EQ(namesake, found);
  EXPECT_EQ(S_OK, context.GetConfigFeatureOption(Guid(21).guid(), found));
  EXPECT_EQ(trim->getValue(KuvInString("Sport")), found);
  EXPECT_EQ(S_FALSE, context.GetConfigFeatureOption(Guid(10).guid(), found));
  EXPECT_EQ(S_FALSE, context.GetConfigFeature(Guid(11).guid(), found));
}

TEST_F(ExpressionContextTest, RefusalsTraceTheirMessageAndChangeNothing) {
  added("Bike", 1);
  KuvEeDicoObject* color = newCategory("Color", 10, {{"Red", 11}});
  ASSERT_EQ(S_OK, context.AddConfigFeature(color));
  KuvEeModelDico noModel("", Guid(3).guid());
  KuvEeModelDico stranger("Stranger", Guid(4).guid());

  struct Case {
    const char* what; std::unique_ptr<KuvEeDicoObject> feature; KuvEeModelDico* model; HRESULT result;
    const char* message;
  };
  Case cases[] = {
      {"null feature", nullptr, nullptr, E_INVALIDARG,
       "ERROR : unexpected, we expect a not null input for this function"},
      {"unknown model", std::make_unique<KuvEeCategory>("Size", Guid(20).data()), &stranger, E_FAIL,
       "ERROR : the given model dico does not exist in the context"},
      {"not a feature", std::make_unique<KuvEeBasicOptionVar>("Opt", Guid(21).guid()), nullptr, E_FAIL,
       "ERROR : unexpected config feature."},
      {"known GUID, other kind", std::make_unique<KuvEeSelectionVar>("Color", Guid(10).data()), nullptr,
       E_FAIL,
       "ERROR : two different objects with same UUID. Unexpected. Fatal error, unable to recover from this."},
      {"option of a known GUID, other name",
       std::unique_ptr<KuvEeDicoObject>(newCategory("Size", 22, {{"Large", 11}})), nullptr, E_FAIL,
       "ERROR : Objects have same UUID but not the same name."},
  };
  for (Case& c : cases) {
    KuvEeDicoObject* feature = c.feature.get();
    KuvEeDicoObject* const given = feature;
    EXPECT_TRACES(c.result, c.message, context.AddConfigFeature(feature, c.model));
    EXPECT_EQ(given, feature) << c.what;
    KuvEeDicoObject* found = nullptr;
    EXPECT_EQ(S_FALSE, context.GetConfigFeature(Guid(22).guid(), found)) << c.what;
  }
  // A known feature under another name is no refusal: the registered one
  // serves, and the caller's copy goes.
  KuvEeDicoObject* renamed = new KuvEeCategory("Colour", Guid(10).data());
  EXPECT_EQ(S_FALSE, context.AddConfigFeature(renamed));
  EXPECT_EQ(color, renamed);
  // The refused categories' options stay the caller's.
  for (Case& c : cases)
    if (KuvEeCategory* category = c.feature != nullptr ? KuvEeCategory::cast(*c.feature) : nullptr)
      while (!category->getOptionVars().IsEmpty()) delete category->getOptionVars().cBegin().Get();

  KuvEeModelDico* unnamed = &noModel;
  EXPECT_TRACES(E_FAIL, "ERROR : this dico has no name. It is no good for mapping !",
                context.AddModelDico(unnamed, true));

  // Options: a known GUID must keep its kind and name.
  EXPECT_EQ(S_FALSE, context.AddConfigFeatureOption("Red", Guid(11).guid(), color));
  const struct { const char* name; unsigned guid; KuvEeDicoObject* feature; const char* message; } options[] = {
      {"Rouge", 11, color, "ERROR : Objects have same UUID but not the same name."},
      {"Color", 10, color, "ERROR : two different objects with same UUID."},
      {"Red", 12, color, "already exists in Color"},
      {"Red", 12, static_cast<KuvEeCategory*>(color)->getOptionVar(KuvInString("Red")),
       "ERROR : unexpected config feature."},
  };
  for (const auto& o : options)
    EXPECT_TRACES(E_FAIL, o.message, context.AddConfigFeatureOption(o.name, Guid(o.guid).guid(), o.feature));
  KuvEeDicoObject* option = nullptr;
  EXPECT_EQ(S_FALSE, context.GetConfigFeatureOption(Guid(12).guid(), option));

  KuvEeBasicEff unnamedEff("", Guid(30).data());
  KuvEeBasicEff* effHandle = &unnamedEff;
  KuvInList dicos(KuvEeModelDico::sType());
  EXPECT_TRACES(E_FAIL, "ERROR : this eff has no name. It is no good for mapping !",
                context.AddInheritedEff(effHandle, dicos));
  KuvEePredefEff unnamedChange("", Guid(31).data(), true, KuvEePredefEff::GLOBAL);
  KuvEePredefEff* changeHandle = &unnamedChange;
  EXPECT_TRACES(E_FAIL, "ERROR : this change has no name. It is no good for mapping !",
                context.AddChangeRef(changeHandle));
  // An effectivity on the GUID of a category.
  KuvEeBasicEff clash("Color", Guid(10).data());
  KuvEeBasicEff* clashHandle = &clash;
  EXPECT_TRACES(E_FAIL, "ERROR : An object with same Guid but with different type is already in the context",
                context.AddInheritedEff(clashHandle, dicos));
  EXPECT_EQ(&clash, clashHandle);
  KuvEeBasicEff* found = nullptr;
  EXPECT_EQ(S_FALSE, context.GetInheritedEff(KuvInString("Color"), found));
}

TEST_F(ExpressionContextTest, RevisionsAreAddedOnceAndFoundBySequenceNumber) {
  KuvEeModelDico* model = new KuvEeModelDico("Bike", Guid(1).guid());
  model->enableEvolutionSeries(KuvEeSerialVar::STATE);
  model->enableEvolutionSeries(KuvEeSerialVar::UNIT);
  ASSERT_EQ(S_OK, context.AddModelDico(model, true));
  KuvEeSerialVar* states = model->getSeriesVariable(KuvEeSerialVar::STATE);

  const struct {
    KuvEeSerialVar::SerialExternalType type; unsigned guid; const char* name; const char* revision;
    std::uint32_t seq; HRESULT result; const char* message;
  } cases[] = {
      {KuvEeSerialVar::STATE, 50, "S1", "A", 5, S_OK, ""},
      {KuvEeSerialVar::STATE, 50, "S1", "A", 5, S_FALSE, ""},
      {KuvEeSerialVar::STATE, 51, "S2", "A", 5, E_FAIL,
       "ERROR : unexpected, a rev with same Sequence Number but a different name already exists under this "
       "Serial"},
      {KuvEeSerialVar::STATE, 50, "S1", "B", 5, E_FAIL, "a different name already exists"},
      {KuvEeSerialVar::STATE, 50, "S3", "A", 6, E_FAIL,
       "ERROR : highly unexpected, unique id already there and probably is a different kind of object"},
      {KuvEeSerialVar::STATE, 52, "S1", "B", 2000000000, S_OK, ""},
      {KuvEeSerialVar::UNIT, 53, "U1", "A", 1, E_FAIL, "ERROR, addRevision failed."},
      {KuvEeSerialVar::MANUF_PLAN, 54, "M1", "A", 1, E_FAIL,
       "ERROR, this does not make any sense to add a revision to a non existing serial"},
  };
  for (const auto& c : cases)
    EXPECT_TRACES(c.result, c.message,
                  context.AddRevision(model, c.type, Guid(c.guid).guid(), c.name, c.revision, c.seq));
  KuvInSet all(KuvEeSerialVarValue::sType());
  states->getAllRevisions(all);
  EXPECT_EQ(2, all.GetLength());

  std::uint32_t seq = 0;
  EXPECT_EQ(S_OK, context.ComputeSequenceNumber(states, "S1", "A", seq));
  EXPECT_EQ(5u, seq);
  EXPECT_EQ(S_OK, context.ComputeSequenceNumber(states, "S1", "B", seq));
  EXPECT_EQ(2000000000u, seq);
  EXPECT_TRACES(E_FAIL, "ERROR : Failed to retrieve sequence number for this revision",
                context.ComputeSequenceNumber(states, "S2", "A", seq));

  KuvInString name, revision;
  EXPECT_EQ(S_OK, context.RetrieveSeriesElementIdentification(states, 5, name, revision));
  EXPECT_EQ(KuvInString("S1"), name);
  EXPECT_EQ(KuvInString("A"), revision);
  KuvInGuid guid;
  EXPECT_EQ(S_OK, context.RetrieveSeriesElementModelerID(states, -2000000000, guid));
  EXPECT_EQ(Guid(50).guid(), guid);
  EXPECT_TRACES(E_FAIL, "ERROR : unable to retrieve given sequence number",
                context.RetrieveSeriesElementModelerID(states, 7, guid));
}

TEST_F(ExpressionContextTest, ModelRevisionsTreeElementsAndMilestonesAreRegisteredWithTheModel) {
  KuvEeModelDico* model = newModel("Bike", 100);
  KuvEeSerialVar* states = model->getSeriesVariable(KuvEeSerialVar::STATE);
  model->enableEvolutionSeries(KuvEeSerialVar::MANUF_PLAN);
  KuvEeSerialVar* plans = model->getSeriesVariable(KuvEeSerialVar::MANUF_PLAN);
  plans->setGuid(Guid(150).data());
  plans->addRevision(new KuvEeSerialVarValue("MP-1", Guid(151).data(), "A", 7, plans));
  model->enableEvolutionSeries(KuvEeSerialVar::TREE_STATE);
  KuvEeTreeSeriesVar* tree = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  auto* root = new KuvEeTreeSeriesElement("T", Guid(160).data(), "A", treeIndex("1-9"), tree, nullptr);
  tree->setRootTreeSeriesElement(root);
  auto* track = new KuvEeMilestonesVar("Track", Guid(170).data(), "Design", model);
  model->addMilestonesTrack(track);
  auto* gate = new KuvEeMilestone("Gate", Guid(171).data(), track, treeIndex("1-9"), nullptr, nullptr);
  track->setRootMilestone(gate);

  kuv_test::ScopedFlags flags(KuvEeExpressionContext::traceChannel(), 3);
  const std::string trace = kuv_test::captured([&] { EXPECT_EQ(S_OK, context.AddModelDico(model, true)); });
  for (const char* line :
       {"Normal situation, Serial and Model have the same UUID",
        "Serial and its model do not have the same GUID. Storing mapping between own UUID "
        "and Serial"})
    EXPECT_NE(std::string::npos, trace.find(line)) << line;

  const struct { const KuvEeSerialVar* variable; const char* name; const char* revision; std::uint32_t seq; }
      revisions[] = {{states, "S1", "A", 1}, {states, "S1", "B", 2}, {plans, "MP-1", "A", 7}};
  for (const auto& r : revisions) {
    std::uint32_t seq = 0;
    EXPECT_EQ(S_OK, context.ComputeSequenceNumber(r.variable, r.name, r.revision, seq))
        << r.name << r.revision;
    EXPECT_EQ(r.seq, seq) << r.name << r.revision;
  }
  KuvEeDicoObject* object = nullptr;
  EXPECT_TRUE(context.GetEEObject(Guid(150).guid(), object));
  EXPECT_EQ(plans, object);

  KuvEeTreeSeriesElement* element = nullptr;
  EXPECT_EQ(S_OK, context.RetrieveTreeSeriesElement(tree, "T", "A", element));
  EXPECT_EQ(root, element);
  KuvInTreeEvalIndex index;
  EXPECT_EQ(S_OK, context.ComputeSequenceNumber(tree, "T", "A", index));
  EXPECT_TRUE(index.equals(treeIndex("1-9")));
  EXPECT_TRACES(E_FAIL, "ERROR : Failed to retrieve tree eval index for this revision",
                context.ComputeSequenceNumber(tree, "T", "B", index));
  KuvEeMilestone* milestone = nullptr;
  EXPECT_EQ(S_OK, context.RetrieveMilestone(track, "Gate", milestone));
  EXPECT_EQ(gate, milestone);
}

TEST_F(ExpressionContextTest, TracksMilestonesAndTreeRevisionsAreCreatedInTheirTrees) {
  KuvEeModelDico* model = added("Bike", 1);
  ASSERT_EQ(S_OK, context.AddMilestonesTrack(model, Guid(10).guid(), "Track", "Design", false));
  EXPECT_EQ(S_FALSE, context.AddMilestonesTrack(model, Guid(10).guid(), "Track", "Design", false));
  EXPECT_TRACES(E_FAIL, "ERROR: MilestonesTrack alreaday exists but with another name.",
                context.AddMilestonesTrack(model, Guid(10).guid(), "Other", "Design", false));
  EXPECT_TRACES(E_FAIL, "ERROR: MilestonesTrack alreaday exists but with another discipline.",
                context.AddMilestonesTrack(model, Guid(10).guid(), "Track", "Build", false));
  KuvEeModelDico stranger("Stranger", Guid(2).guid());
  EXPECT_TRACES(E_FAIL, "ERROR : the given model dico does not exist in the context",
                context.AddMilestonesTrack(&stranger, Guid(12).guid(), "T", "D", false));
  KuvEeModelDico* none = nullptr;
  EXPECT_TRACES(E_INVALIDARG, "ERROR : unexpected, we expect a not null input for this function",
                context.AddModelDico(none, true));
  KuvEeMilestonesVar* track = nullptr;
  ASSERT_EQ(S_OK, model->getMilestonesTrack(Guid(10).guid(), track));
  ASSERT_EQ(S_OK, context.AddMilestonesTrack(model, Guid(11).guid(), "Track2", "Build", false));
  KuvEeMilestonesVar* track2 = nullptr;
  ASSERT_EQ(S_OK, model->getMilestonesTrack(Guid(11).guid(), track2));

  ASSERT_EQ(S_OK,
            context.AddMilestone(track, Guid(20).guid(), "Gate", treeIndex("1-9"), nullptr, nullptr));
  KuvEeMilestone* gate = nullptr;
  ASSERT_EQ(S_OK, context.RetrieveMilestone(track, "Gate", gate));
  EXPECT_EQ(track->getRootMilestone(), gate);
  EXPECT_EQ(S_FALSE,
            context.AddMilestone(track, Guid(20).guid(), "Gate", treeIndex("1-9"), nullptr, nullptr));
  KuvInDate date;
  EXPECT_EQ(S_OK, context.AddMilestone(track, Guid(21).guid(), "Sub", treeIndex("2-3"), &date, gate));
  KuvEeMilestone* sub = nullptr;
  ASSERT_EQ(S_OK, context.RetrieveMilestone(track, "Sub", sub));
  EXPECT_EQ(gate, sub->getParentMilestone());
  ASSERT_NE(nullptr, sub->getDate());

  const struct {
    KuvEeMilestonesVar* track; unsigned guid; const char* index; KuvEeMilestone* parent; const char* message;
  } refused[] = {
      {track, 22, "5-4", gate, "ERROR: Input TreeEvalIndex is invalid."},
      {track2, 22, "2-3", gate, "ERROR: Milestones adn its parent isn't on the same track."},
      {track, 22, "1-9", gate, "ERROR: addChild Failed."},
      {track, 22, "1-9", nullptr, "ERROR : setRootMilestone FAILED"},
      {track2, 20, "1-9", nullptr, "ERROR : two different objects with same UUID."},
  };
  for (const auto& r : refused) {
    KuvInTreeEvalIndex index;
    kuv_test::captured([&] { KuvInTreeEvalIndex::BuildFromString(r.index, index); });
    EXPECT_TRACES(E_FAIL, r.message,
                  context.AddMilestone(r.track, Guid(r.guid).guid(), "Bad", index, nullptr, r.parent));
    KuvEeMilestone* bad = nullptr;
    EXPECT_EQ(S_FALSE, context.RetrieveMilestone(r.track, "Bad", bad));
  }

  // Tree revisions: the series is enabled on first use.
  ASSERT_EQ(S_OK, context.AddRevision(model, KuvEeSerialVar::TREE_MANUF_PLAN, nullptr, Guid(30).guid(),
                                      "P", "A", treeIndex("1-9"), false));
  KuvEeTreeSeriesVar* plans = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_MANUF_PLAN);
  ASSERT_NE(nullptr, plans);
  KuvEeTreeSeriesElement* root = plans->getRootTreeSeriesElement();
  EXPECT_EQ(S_FALSE, context.AddRevision(model, KuvEeSerialVar::TREE_MANUF_PLAN, nullptr, Guid(30).guid(),
                                         "P", "A", treeIndex("1-9"), false));
  EXPECT_EQ(S_OK, context.AddRevision(model, KuvEeSerialVar::TREE_MANUF_PLAN, root, Guid(31).guid(), "P",
                                      "B", treeIndex("2-3"), false));
  const KuvInTreeEvalIndex subIndex = treeIndex("2-3");
  EXPECT_TRACES(E_FAIL, "already exists with another identifier or index",
                context.AddRevision(model, KuvEeSerialVar::TREE_MANUF_PLAN, root, Guid(32).guid(), "P", "B",
                                    subIndex, false));
  // A parent of another series, whose series does not exist yet.
  EXPECT_TRACES(E_FAIL, "ERROR : the parent element is not in this tree series",
                context.AddRevision(model, KuvEeSerialVar::TREE_STATE, root, Guid(33).guid(), "P", "C",
                                    subIndex, false));
  EXPECT_FALSE(model->isEvolutionTreeSeriesEnabled(KuvEeSerialVar::TREE_STATE));
  KuvInTreeEvalIndex index;
  EXPECT_EQ(S_OK, context.ComputeSequenceNumber(plans, "P", "B", index));
  EXPECT_TRUE(index.equals(treeIndex("2-3")));
}

TEST_F(ExpressionContextTest, InheritedEffectivitiesAndChangesAreRegisteredWithTheirDictionaries) {
  handedBack(newModel("Bike", 100), S_OK);
  KuvEeModelDico* car = handedBack(newModel("Car", 200), S_OK, false);

  KuvEeBasicEff* eff = new KuvEeBasicEff("Inherited", Guid(300).data());
  KuvEeBasicEff* const registeredEff = eff;
  KuvEeModelDico* carCopy = newModel("Car", 400);
  KuvEeDicoObject* carCopyColor = featureOf(carCopy, KuvInString("Color"));
  KuvInList dicos(KuvEeModelDico::sType());
  dicos.PutBack(carCopy);
  ASSERT_EQ(S_OK, context.AddInheritedEff(eff, dicos));
  EXPECT_EQ(car, dicos.Get(0));
  EXPECT_FALSE(alive(carCopy));
  deleteCategory(carCopyColor);

  const KuvInMap* models = nullptr;
  ASSERT_EQ(S_OK, context.GetAllDictionariesForInheritedEffectivity(eff, models));
  EXPECT_EQ(car, models->Get(KuvInString("Car")));
  EXPECT_EQ(1, context.GetNbDictionaries());
  ASSERT_EQ(S_OK, context.GetAllInheritedDictionariesByName(models));
  EXPECT_EQ(1, models->GetLength());

  KuvEeDicoObject* carColor = featureOf(car, KuvInString("Color"));
  KuvInSet holders(KuvEeModelDico::sType());
  EXPECT_EQ(S_OK, context.GetSetOfMDsContainingFeature(carColor, holders, eff));
  EXPECT_TRUE(holders.Find(car));
  EXPECT_EQ(S_FALSE, context.GetSetOfMDsContainingFeature(carColor, holders));
  KuvEeBasicEff stranger("Stranger", Guid(301).data());
  EXPECT_TRACES(E_FAIL, "ERROR : No context for input inherited eff",
                context.GetSetOfMDsContainingFeature(carColor, holders, &stranger));

  // The same effectivity read again, even under another name.
  KuvEeBasicEff* again = new KuvEeBasicEff("Renamed", Guid(300).data());
  KuvInList none(KuvEeModelDico::sType());
  EXPECT_EQ(S_FALSE, context.AddInheritedEff(again, none));
  EXPECT_EQ(registeredEff, again);
  KuvEeBasicEff* found = nullptr;
  EXPECT_EQ(S_OK, context.GetInheritedEff(Guid(300).guid(), found));
  EXPECT_EQ(registeredEff, found);

  KuvEePredefEff* change = new KuvEePredefEff("ECO-1", Guid(310).data(), true, KuvEePredefEff::GLOBAL);
  KuvEePredefEff* const registeredChange = change;
  ASSERT_EQ(S_OK, context.AddChangeRef(change));
  EXPECT_EQ(S_FALSE, context.AddChangeRef(change));
  KuvEePredefEff* copy = new KuvEePredefEff("ECO-1b", Guid(310).data(), false, KuvEePredefEff::CONTEXTUAL);
  EXPECT_EQ(S_FALSE, context.AddChangeRef(copy));
  EXPECT_EQ(registeredChange, copy);
  KuvEePredefEff* foundChange = nullptr;
  EXPECT_EQ(S_OK, context.GetChange(Guid(310).guid(), foundChange));
  EXPECT_EQ(registeredChange, foundChange);
  EXPECT_EQ(S_FALSE, context.GetChange(Guid(300).guid(), foundChange));
}

TEST_F(ExpressionContextTest, ClashBetweenTwoFeaturesOfOneModelLeavesNothingBehind) {
  auto* model = new KuvEeModelDico("Bike", Guid(1).guid());
  model->addConfigFeature(newCategory("Color", 10, {{"Red", 11}}));
  model->addConfigFeature(newCategory("Size", 20, {{"Large", 11}}));
  model->addConfigFeature(newCategory("Seat", 30, {{"Low", 31}}));
  model->addConfigFeature(newCategory("Rim", 40, {{"Alloy", 41}}));
  KuvEeModelDico* handle = model;
  EXPECT_TRACES(E_FAIL, "ERROR : AddConfigFeature failed", context.AddModelDico(handle, true));
  // The context took the model before the clash showed, with its features.
  KuvEeModelDico* found = nullptr;
  EXPECT_EQ(S_OK, context.GetModelDico(KuvInString("Bike"), found));

  // A feature that would give way to the registered Tint, whose name
  // another feature of the model has: refused before anything is taken.
  KuvEeDicoObject* tint = newCategory("Tint", 60, {{"Red", 61}});
  ASSERT_EQ(S_OK, context.AddConfigFeature(tint));
  auto* car = new KuvEeModelDico("Car", Guid(2).guid());
  KuvEeDicoObject* paint = newCategory("Paint", 60, {{"Red", 61}});
  KuvEeDicoObject* namesake = newCategory("Tint", 70, {{"Green", 71}});
  car->addConfigFeature(paint);
  car->addConfigFeature(namesake);
  handle = car;
  EXPECT_TRACES(E_FAIL, "ERROR : AddConfigFeature failed", context.AddModelDico(handle, true));
  EXPECT_EQ(S_FALSE, context.GetModelDico(KuvInString("Car"), found));
  EXPECT_EQ(paint, featureOf(car, Guid(60).guid()));

  // The same, feature by feature into a registered model: the model keeps
  // its copy rather than losing it.
  auto* van = new KuvEeModelDico("Van", Guid(3).guid());
  KuvEeModelDico* registeredVan = van;
  ASSERT_EQ(S_OK, context.AddModelDico(registeredVan, true));
  for (KuvEeDicoObject* own : {paint, namesake}) {
    ASSERT_EQ(S_OK, car->removeConfigFeature(own));
    ASSERT_EQ(S_OK, van->addConfigFeature(own));
  }
  KuvEeDicoObject* handed = paint;
  EXPECT_TRACES(E_FAIL, "ERROR : addConfigFeature to KuvEeModelDico FAILED.",
                context.AddConfigFeature(handed, van));
  EXPECT_EQ(paint, handed);
  EXPECT_EQ(paint, featureOf(van, Guid(60).guid()));
  // Once the name is free, the copy gives way.
  ASSERT_EQ(S_OK, van->removeConfigFeature(namesake));
  EXPECT_EQ(S_FALSE, context.AddConfigFeature(handed, van));
  EXPECT_EQ(tint, handed);
  EXPECT_EQ(tint, featureOf(van, KuvInString("Tint")));
  deleteCategory(namesake);
  delete car;
}
