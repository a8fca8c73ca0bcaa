// Tree variables: milestone tracks and tree series, their trees, no-tree
// mode and the deepest-child search.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEeLifeCycleMngr.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"

using kuv_test::Guid;
using kuv_test::treeIndex;
using kuv_test::treeInterval;

namespace {

using kuv_test::text;

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
  const struct { unsigned from, to; KuvEeMilestone* Track::*expected; } cases[] = {
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
      *slot = new KuvEeTreeSeriesElement(index, Guid(registry.getCount()).data(), "A", treeIndex(index),
                                         &bag, nullptr);
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
    auto* late =
        new KuvEeTreeSeriesElement("Late", Guid(4).data(), "A", treeIndex("11-12"), &bag, middle);
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
