// Dictionaries, dictionary objects and the life-cycle manager.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "KuvEeCategory.h"
#include "KuvEeDico.h"
#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEeLifeCycleMngr.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeVarSpace.h"

using kuvtest::TestGuid;
using kuvtest::treeIndex;

namespace {

using Object = std::unique_ptr<KuvEeDicoObject>;

Object object(const char* name, unsigned guid) {
  return std::make_unique<KuvEeDicoObject>(name, TestGuid(guid).data());
}

std::string text(const KuvInString& s) { return s.ConvertToChar(); }

TEST(KuvEeDico, RefusesDuplicatesAndEmptyNamesAccordingToMappingAndNameRule) {
  struct Case {
    const char* what;
    KuvEeDico::E_Mapping mapping;
    KuvEeDico::E_NameCriteria names;
    const char* name1;
    unsigned guid1;
    const char* name2;
    unsigned guid2;
    bool secondAdded;
  };
  const Case cases[] = {
      {"same name, by GUID only", KuvEeDico::MAP_BY_GUID, KuvEeDico::NAME_REQUIRED, "A", 1, "A", 2, true},
      {"same name, by name and GUID", KuvEeDico::MAP_BY_NAME_AND_GUID, KuvEeDico::NAME_REQUIRED, "A", 1, "A",
       2, false},
      {"same name, by name", KuvEeDico::MAP_BY_NAME, KuvEeDico::NAME_REQUIRED, "A", 1, "A", 2, false},
      {"same GUID, by name and GUID", KuvEeDico::MAP_BY_NAME_AND_GUID, KuvEeDico::NAME_REQUIRED, "A", 1, "B",
       1, false},
      {"same GUID, by name only", KuvEeDico::MAP_BY_NAME, KuvEeDico::NAME_REQUIRED, "A", 1, "B", 1, true},
      {"same GUID, by GUID only", KuvEeDico::MAP_BY_GUID, KuvEeDico::NAME_REQUIRED, "A", 1, "B", 1, false},
      {"unset GUIDs are no keys", KuvEeDico::MAP_BY_NAME_AND_GUID, KuvEeDico::NAME_REQUIRED, "A", 0, "B", 0,
       true},
      {"empty name required", KuvEeDico::MAP_BY_NAME_AND_GUID, KuvEeDico::NAME_REQUIRED, "A", 1, "", 2,
       false},
      {"empty name allowed", KuvEeDico::MAP_BY_NAME_AND_GUID, KuvEeDico::NAME_OPTIONAL, "A", 1, "", 2, true},
      {"two empty names allowed", KuvEeDico::MAP_BY_NAME_AND_GUID, KuvEeDico::NAME_OPTIONAL, "", 1, "", 2,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KuvEeDico dico(c.mapping, c.names);
    Object first = object(c.name1, c.guid1);
    Object second = object(c.name2, c.guid2);
    ASSERT_TRUE(dico.add(first.get()));
    EXPECT_FALSE(dico.add(first.get()));
    EXPECT_EQ(c.secondAdded, dico.add(second.get()));
    EXPECT_EQ(c.secondAdded ? 2 : 1, dico.GetLength());
    // A refusal leaves the first object's keys alone.
    if ((c.mapping & KuvEeDico::MAP_BY_NAME) != 0 && *c.name1 != '\0') {
      EXPECT_EQ(first.get(), dico.get(c.name1));
    }
    if ((c.mapping & KuvEeDico::MAP_BY_GUID) != 0 && c.guid1 != 0) {
      EXPECT_EQ(first.get(), dico.get(TestGuid(c.guid1).guid()));
    }
    EXPECT_EQ(nullptr, dico.get(KuvInGuid()));
  }
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
  // A taken attribute key refuses the whole addition.
  EXPECT_FALSE(dico.add(other.get(), "Discipline", "Structure"));
  EXPECT_FALSE(dico.getSet().Find(other.get()));

  EXPECT_EQ(track.get(), dico.get("Track"));
  EXPECT_EQ(track.get(), dico.get(TestGuid(1).guid()));
  EXPECT_EQ(track.get(), dico.getFromAttribute("Discipline", "Structure"));
  EXPECT_EQ(track.get(), dico.getFromAttribute("name", "Track"));
  EXPECT_EQ(nullptr, dico.get("Structure"));
  EXPECT_EQ(nullptr, dico.getFromAttribute("Discipline", "Track"));

  EXPECT_EQ(E_FAIL, dico.remove(other.get()));
  EXPECT_EQ(E_FAIL, dico.remove(nullptr));
  EXPECT_EQ(S_OK, dico.remove(track.get(), "Discipline", "Structure"));
  EXPECT_EQ(nullptr, dico.get("Track"));
  EXPECT_EQ(nullptr, dico.get(TestGuid(1).guid()));
  EXPECT_EQ(nullptr, dico.getFromAttribute("Discipline", "Structure"));
  EXPECT_EQ(0, dico.GetLength());
  // Removed objects can come back under the same keys.
  EXPECT_TRUE(dico.add(other.get(), "Discipline", "Structure"));
}

TEST(KuvEeDico, DeleteAllDeletesTheObjectsAndEmptiesTheIndexes) {
  KuvEeDico dico;
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  const std::int32_t before = registry.getCount();
  for (unsigned i = 1; i <= 20; ++i) {
    ASSERT_TRUE(dico.add(new KuvEeDicoObject(KuvInString::FromNum(static_cast<int>(i)), TestGuid(i).data())));
  }
  EXPECT_EQ(before + 20, registry.getCount());
  dico.deleteAll();
  EXPECT_EQ(before, registry.getCount());
  EXPECT_EQ(0, dico.GetLength());
  EXPECT_EQ(nullptr, dico.get("3"));
  EXPECT_EQ(nullptr, dico.get(TestGuid(3).guid()));
}

TEST(KuvEeDicoObject, FakeIdentityNamesTheKindAndUsesTheAddress) {
  struct Case {
    std::int32_t index;
    std::int32_t kind;
    const char* name;  // null: the GUID's hexadecimal text
  };
  const Case cases[] = {
      {7, 1, "CFG_ExpressionCriteria(index 7)"},
      {0, 2, "CFG_ExpressionImpactingCriteria(index 0)"},
      {12, 3, "CFG_CriteriaModel(index 12)"},
      {-1, 4, "CFG_InheritedEffectivity(index -1)"},
      {65535, 5, "CFG_InheritedEffectivityModel(index 65535)"},
      {7, 0, nullptr},
      {7, 6, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    KuvEeDicoObject obj("Real", TestGuid(9).data());
    ASSERT_EQ(S_OK, obj.initFakeNameAndGuid(c.index, c.kind));
    const KuvEeDicoObject* self = &obj;
    EXPECT_EQ(0, std::memcmp(obj.getGuid().getArray(), &self, sizeof self));
    for (int i = 8; i < KuvInGuid::sc_size; ++i) EXPECT_EQ(0, obj.getGuid().getArray()[i]);
    EXPECT_EQ(c.name != nullptr ? std::string(c.name) : text(obj.getGuid().toString()), text(obj.getName()));
  }
}

TEST(KuvEeDicoObject, TextForms) {
  const TestGuid g(0x2B);
  const std::string guidText = text(g.guid().toString());
  KuvEeCategory category("Engine", g.data());
  KuvEeCatOptionVar option("V8", g.data(), &category);
  KuvEeBasicOptionVar basic("Sunroof", g.guid());
  KuvEeSelectionValue value("Red", g.data(), nullptr);
  KuvEeSerialVar serial("Units", g.data(), KuvEeSerialVar::UNIT, nullptr);
  serial.setDomain(3, 40);
  KuvEeSerialVarValue revision("S1", g.data(), "B", 4, &serial);
  KuvEeDicoObject plain("Plain", g.data());

  EXPECT_EQ("OptionVar( V8/" + guidText + " )", text(option.toString()));
  EXPECT_EQ("OptionVar( Sunroof/" + guidText + " )", text(basic.toString()));
  EXPECT_EQ("Category( Engine/" + guidText + " )", text(category.toString()));
  EXPECT_EQ("SelectionValue( Red/" + guidText + " )", text(value.toString()));
  EXPECT_EQ("SerialVar( Units, " + guidText + "/UNIT, Domain[3,40] )", text(serial.toString()));
  EXPECT_EQ("KuvEeSerialVarValue( S1 - " + guidText + "/B - 4 )", text(revision.toString()));
  EXPECT_EQ("DicoObject (Plain)", text(plain.toString()));
}

TEST(KuvEeLifeCycleMngr, RegistersExactlyTheLiveDictionaryObjects) {
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  const std::int32_t before = registry.getCount();
  auto* option = new KuvEeBasicOptionVar("O", TestGuid(1).guid());
  auto* space = new KuvEeVarSpace("Space", nullptr);
  EXPECT_TRUE(registry.isRegistered(option));
  EXPECT_TRUE(registry.isRegistered(space));
  EXPECT_EQ(before + 2, registry.getCount());
  delete option;
  EXPECT_FALSE(registry.isRegistered(option));
  EXPECT_EQ(before + 1, registry.getCount());
  delete space;
  EXPECT_EQ(before, registry.getCount());
}

// Builds a model owning every kind of variable and element, plus free
// objects that own others, all left to the life-cycle manager.
void buildEverything() {
  auto* model = new KuvEeModelDico("Model", TestGuid(1).guid());
  model->enableDateEvolution();
  for (std::int32_t type : {12, 13, 14, 18}) ASSERT_EQ(S_OK, model->enableEvolutionSeries(type));
  ASSERT_EQ(S_OK, model->enableEvolutionTreeSeries(19, true));

  KuvEeSerialVar* states = model->getSeriesVariable(KuvEeSerialVar::STATE);
  for (std::uint32_t seq = 1; seq <= 3; ++seq)
    ASSERT_EQ(S_OK,
              states->addRevision(new KuvEeSerialVarValue("R", TestGuid(10 + seq).data(), "A", seq, states)));

  KuvEeTreeSeriesVar* tree = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  auto* root =
      new KuvEeTreeSeriesElement("Root", TestGuid(20).data(), "A", treeIndex("1-100"), tree, nullptr);
  ASSERT_EQ(S_OK, tree->setRootTreeSeriesElement(root, 0));
  auto* child = new KuvEeTreeSeriesElement("Child", TestGuid(21).data(), "A", treeIndex("1-50"), tree, root);
  ASSERT_EQ(S_OK, root->addChild(child, 1));
  ASSERT_EQ(S_OK, child->addChild(new KuvEeTreeSeriesElement("Leaf", TestGuid(22).data(), "A",
                                                             treeIndex("2-3"), tree, child)));
  KuvEeTreeSeriesVar* bag = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_MANUF_PLAN);
  ASSERT_EQ(S_OK, bag->addElementToNoTreeModeBag(new KuvEeTreeSeriesElement("B", TestGuid(23).data(), "A",
                                                                            treeIndex("1-9"), bag, nullptr)));

  auto* track = new KuvEeMilestonesVar("Track", TestGuid(30).data(), "Structure", model);
  ASSERT_EQ(S_OK, model->addMilestonesTrack(track));
  auto* m1 = new KuvEeMilestone("M1", TestGuid(31).data(), track, treeIndex("1-10"), nullptr, nullptr);
  ASSERT_EQ(S_OK, track->setRootMilestone(m1));
  ASSERT_EQ(S_OK, m1->addChild(
                      new KuvEeMilestone("M2", TestGuid(32).data(), track, treeIndex("1-5"), nullptr, m1)));

  auto* color = new KuvEeSelectionVar("Color", TestGuid(40).data());
  ASSERT_NE(nullptr, color->addValue("Red", TestGuid(41).data()));
  ASSERT_NE(nullptr, color->addValue("Blue", TestGuid(42).data()));
  ASSERT_EQ(S_OK, model->addConfigFeature(color));
  auto* engine = new KuvEeCategory("Engine", TestGuid(50).data());
  new KuvEeCatOptionVar("V8", TestGuid(51).data(), engine);
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

TEST(KuvEeModelDico, DeletesWhatItOwnsAndLeavesItsConfigFeatures) {
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  const std::int32_t before = registry.getCount();
  auto* model = new KuvEeModelDico("Model", TestGuid(1).guid());
  model->enableDateEvolution();
  ASSERT_EQ(S_OK, model->enableEvolutionSeries(12));
  ASSERT_EQ(S_OK, model->enableEvolutionTreeSeries(18, false));
  auto* track = new KuvEeMilestonesVar("Track", TestGuid(2).data(), "Structure", model);
  ASSERT_EQ(S_OK, model->addMilestonesTrack(track));
  ASSERT_EQ(S_OK, track->setRootMilestone(new KuvEeMilestone("M", TestGuid(3).data(), track, treeIndex("1-2"),
                                                             nullptr, nullptr)));
  auto color = std::make_unique<KuvEeSelectionVar>("Color", TestGuid(4).data());
  ASSERT_EQ(S_OK, model->addConfigFeature(color.get()));
  delete model;
  EXPECT_EQ(before + 1, registry.getCount());
  EXPECT_TRUE(registry.isRegistered(color.get()));
}

}  // namespace
