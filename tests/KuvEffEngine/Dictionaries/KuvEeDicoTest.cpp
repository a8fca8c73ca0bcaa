// Dictionaries, dictionary objects and the life-cycle manager.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeDicoTestSupport.h"

using kuv_test::Guid;
using kuv_test::treeIndex;

namespace {

using Object = std::unique_ptr<KuvEeDicoObject>;

Object object(const char* name, unsigned guid) {
  return std::make_unique<KuvEeDicoObject>(name, Guid(guid).data());
}

using kuv_test::text;

TEST(KuvEeDico, RefusesDuplicatesAndEmptyNamesAccordingToMappingAndNameRule) {
  constexpr auto kGuid = KuvEeDico::MAP_BY_GUID, kName = KuvEeDico::MAP_BY_NAME,
                 kBoth = KuvEeDico::MAP_BY_NAME_AND_GUID;
  constexpr auto kRequired = KuvEeDico::NAME_REQUIRED, kOptional = KuvEeDico::NAME_OPTIONAL;
  // Two objects (name, GUID; GUID 0 is unset) added in turn.
  const struct {
    KuvEeDico::E_Mapping mapping; KuvEeDico::E_NameCriteria names;
    const char* name1; unsigned guid1; const char* name2; unsigned guid2; bool secondAdded;
  } cases[] = {
      {kGuid, kRequired, "A", 1, "A", 2, true},  {kBoth, kRequired, "A", 1, "A", 2, false},
      {kName, kRequired, "A", 1, "A", 2, false}, {kBoth, kRequired, "A", 1, "B", 1, false},
      {kName, kRequired, "A", 1, "B", 1, true},  {kGuid, kRequired, "A", 1, "B", 1, false},
      {kBoth, kRequired, "A", 0, "B", 0, true},  {kBoth, kRequired, "A", 1, "", 2, false},
      {kBoth, kOptional, "A", 1, "", 2, true},   {kBoth, kOptional, "", 1, "", 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mapping << c.names << c.name1 << c.guid1 << c.name2 << c.guid2);
    KuvEeDico dico(c.mapping, c.names);
    Object first = object(c.name1, c.guid1), second = object(c.name2, c.guid2);
    ASSERT_TRUE(dico.add(first.get()));
    EXPECT_FALSE(dico.add(first.get()));
    EXPECT_EQ(c.secondAdded, dico.add(second.get()));
    EXPECT_EQ(c.secondAdded ? 2 : 1, dico.GetLength());
    // A refusal leaves the first object's keys alone.
    if ((c.mapping & KuvEeDico::MAP_BY_NAME) != 0 && (*c.name1 != '\0' || c.names == kOptional)) {
      EXPECT_EQ(first.get(), dico.get(c.name1));
    }
    if ((c.mapping & KuvEeDico::MAP_BY_GUID) != 0 && c.guid1 != 0) {
      EXPECT_EQ(first.get(), dico.get(Guid(c.guid1).guid()));
    }
    EXPECT_EQ(nullptr, dico.get(KuvInGuid()));
  }
}

// Old "A" (GUID 1) beside "B" (GUID 2) gives way to a replacement whose
// name and GUID must be free or old's.
TEST(KuvEeDico, ReplacementTakesOldsPlaceOnlyUnderFreeKeys) {
  const struct {
    const char* name;
    unsigned guid;
    bool replaced;
  } cases[] = {{"A", 1, true}, {"C", 1, true},  {"A", 3, true},
               {"C", 0, true}, {"B", 3, false}, {"C", 2, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << c.guid);
    KuvEeDico dico;
    Object old = object("A", 1), other = object("B", 2), replacement = object(c.name, c.guid);
    ASSERT_TRUE(dico.add(old.get()) && dico.add(other.get()));
    EXPECT_EQ(c.replaced, dico.replace(old.get(), replacement.get()));
    KuvEeDicoObject* now = c.replaced ? replacement.get() : old.get();
    EXPECT_EQ(now, dico.get(c.replaced ? c.name : "A"));
    if (c.replaced && std::strcmp(c.name, "A") != 0) {
      EXPECT_EQ(nullptr, dico.get("A"));
    }
    EXPECT_EQ(c.replaced && c.guid != 1 ? nullptr : now, dico.get(Guid(1).guid()));
    EXPECT_EQ(other.get(), dico.get("B"));
    EXPECT_EQ(other.get(), dico.get(Guid(2).guid()));
    EXPECT_EQ(2, dico.GetLength());
    EXPECT_EQ(S_OK, dico.remove(now));
    EXPECT_EQ(E_FAIL, dico.remove(c.replaced ? old.get() : replacement.get()));
  }
  KuvEeDico dico;
  Object a = object("A", 1), b = object("B", 2);
  ASSERT_TRUE(dico.add(a.get()) && dico.add(b.get()));
  EXPECT_FALSE(dico.replace(a.get(), b.get()));
  EXPECT_FALSE(dico.replace(object("C", 3).get(), b.get()));
}

TEST(KuvEeDico, LooksUpByNameGuidAndAttributeAndForgetsWhatIsRemoved) {
  KuvEeDico dico;
  Object track = object("Track", 1);
  Object other = object("Other", 2);
  EXPECT_EQ("{Discipline}=Structure", text(KuvEeDico::createKey("Discipline", "Structure")));

  EXPECT_FALSE(dico.add(track.get(), "", "Structure"));
  EXPECT_FALSE(dico.add(track.get(), "Discipline", ""));
  EXPECT_EQ(0, dico.GetLength());
  ASSERT_TRUE(dico.add(track.get(), "Discipline", "Structure"));
  // A taken attribute key passes to the newcomer; removing the first object
  // leaves it with the newcomer.
  ASSERT_TRUE(dico.add(other.get(), "Discipline", "Structure"));
  EXPECT_EQ(S_OK, dico.remove(track.get(), "Discipline", "Structure"));
  EXPECT_EQ(other.get(), dico.getFromAttribute("Discipline", "Structure"));
  ASSERT_EQ(S_OK, dico.remove(other.get(), "Discipline", "Structure"));
  ASSERT_TRUE(dico.add(track.get(), "Discipline", "Structure"));

  EXPECT_EQ(track.get(), dico.getFromAttribute("Discipline", "Structure"));
  EXPECT_EQ(track.get(), dico.getFromAttribute("name", "Track"));
  EXPECT_EQ(nullptr, dico.get("Structure"));
  EXPECT_EQ(nullptr, dico.getFromAttribute("Discipline", "Track"));

  EXPECT_EQ(E_FAIL, dico.remove(other.get()));
  EXPECT_EQ(E_FAIL, dico.remove(nullptr));
  EXPECT_EQ(S_OK, dico.remove(track.get(), "Discipline", "Structure"));
  EXPECT_EQ(nullptr, dico.get("Track"));
  EXPECT_EQ(nullptr, dico.get(Guid(1).guid()));
  EXPECT_EQ(nullptr, dico.getFromAttribute("Discipline", "Structure"));
  EXPECT_EQ(0, dico.GetLength());
  // Removed objects can come back under the same keys.
  EXPECT_TRUE(dico.add(other.get(), "Discipline", "Structure"));
}

TEST(KuvEeDico, DeleteAllDeletesTheObjectsAndEmptiesTheIndexes) {
  KuvEeDico dico;
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  const std::int32_t before = registry.getCount();
  for (unsigned i = 1; i <= 20; ++i)
    ASSERT_TRUE(dico.add(new KuvEeDicoObject(KuvInString::FromNum(static_cast<int>(i)), Guid(i).data())));
  EXPECT_EQ(before + 20, registry.getCount());
  dico.deleteAll();
  EXPECT_EQ(before, registry.getCount());
  EXPECT_EQ(0, dico.GetLength());
  EXPECT_EQ(nullptr, dico.get("3"));
  EXPECT_EQ(nullptr, dico.get(Guid(3).guid()));
}

// A fake identity is the object's own address as GUID, and a name telling
// the kind (the GUID's text for unknown kinds).
TEST(KuvEeDicoObject, FakeIdentityUsesTheAddress) {
  for (const auto& [kind, name] : {std::pair{1, "CFG_ExpressionCriteria(index 7)"}, {6, ""}}) {
    KuvEeDicoObject obj("Real", Guid(9).data());
    ASSERT_EQ(S_OK, obj.initFakeNameAndGuid(7, kind));
    const KuvEeDicoObject* self = &obj;
    EXPECT_EQ(0, std::memcmp(obj.getGuid().getArray(), &self, sizeof self));
    for (int i = 8; i < KuvInGuid::sc_size; ++i) EXPECT_EQ(0, obj.getGuid().getArray()[i]);
    EXPECT_EQ(*name != '\0' ? std::string(name) : text(obj.getGuid().toString()), text(obj.getName()));
  }
}

// Builds a model owning every kind of variable and element, plus free
// objects that own others, all left to the life-cycle manager.
void buildEverything() {
  auto* model = new KuvEeModelDico("Model", Guid(1).guid());
  model->enableDateEvolution();
  for (std::int32_t type : {12, 13, 14, 18}) ASSERT_EQ(S_OK, model->enableEvolutionSeries(type));
  ASSERT_EQ(S_OK, model->enableEvolutionTreeSeries(19, true));

  KuvEeSerialVar* states = model->getSeriesVariable(KuvEeSerialVar::STATE);
  for (std::uint32_t seq = 1; seq <= 3; ++seq)
    ASSERT_EQ(S_OK,
              states->addRevision(new KuvEeSerialVarValue("R", Guid(10 + seq).data(), "A", seq, states)));

  KuvEeTreeSeriesVar* tree = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  auto* root =
      new KuvEeTreeSeriesElement("Root", Guid(20).data(), "A", treeIndex("1-100"), tree, nullptr);
  ASSERT_EQ(S_OK, tree->setRootTreeSeriesElement(root, 0));
  auto* child = new KuvEeTreeSeriesElement("Child", Guid(21).data(), "A", treeIndex("1-50"), tree, root);
  ASSERT_EQ(S_OK, root->addChild(child, 1));
  ASSERT_EQ(S_OK, child->addChild(new KuvEeTreeSeriesElement("Leaf", Guid(22).data(), "A",
                                                             treeIndex("2-3"), tree, child)));
  KuvEeTreeSeriesVar* bag = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_MANUF_PLAN);
  ASSERT_EQ(S_OK, bag->addElementToNoTreeModeBag(new KuvEeTreeSeriesElement("B", Guid(23).data(), "A",
                                                                            treeIndex("1-9"), bag, nullptr)));

  auto* track = new KuvEeMilestonesVar("Track", Guid(30).data(), "Structure", model);
  ASSERT_EQ(S_OK, model->addMilestonesTrack(track));
  auto* m1 = new KuvEeMilestone("M1", Guid(31).data(), track, treeIndex("1-10"), nullptr, nullptr);
  ASSERT_EQ(S_OK, track->setRootMilestone(m1));
  ASSERT_EQ(S_OK, m1->addChild(
                      new KuvEeMilestone("M2", Guid(32).data(), track, treeIndex("1-5"), nullptr, m1)));

  auto* color = new KuvEeSelectionVar("Color", Guid(40).data());
  ASSERT_NE(nullptr, color->addValue("Red", Guid(41).data()));
  ASSERT_NE(nullptr, color->addValue("Blue", Guid(42).data()));
  ASSERT_EQ(S_OK, model->addConfigFeature(color));
  auto* engine = new KuvEeCategory("Engine", Guid(50).data());
  new KuvEeCatOptionVar("V8", Guid(51).data(), engine);
  ASSERT_EQ(S_OK, model->addConfigFeature(engine));

  auto* space = new KuvEeVarSpace("Space", nullptr);
  ASSERT_EQ(S_OK, space->addSelectionVar(color));
  ASSERT_EQ(S_OK, space->addSerialVar(states));
}

TEST(KuvEeLifeCycleMngr, DeleteAllDeletesOwnersBeforeWhatTheyOwn) {
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  ASSERT_EQ(0, registry.getCount()) << "an earlier test left dictionary objects alive";
  buildEverything();
  // 1 model, 6 variables, 3 revisions, 4 tree-series elements, a track
  // with 2 milestones, a selection with 2 values, a category with an
  // option, a variable space.
  EXPECT_EQ(23, registry.getCount());
  registry.deleteAll();
  EXPECT_EQ(0, registry.getCount());
}

}  // namespace
