// Tree-form milestone and tree-series effectivities in normal form, checked
// against an independent model: the elements of a small random tree,
// linked by parent, and what each selection picks among them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "KuvDnfMilestonesEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEeDateVar.h"
#include "KuvEeDnfTreeEff.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvEeVarSpace.h"
#include "KuvInMilestonesEvalInterval.h"
#include "KuvInSet.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvInTreeEvalInterval.h"
#include "KuvTbDnfBuilder.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

KuvInTreeEvalIndexBound position(const std::vector<std::uint32_t>& levels) {
  KuvInTreeEvalIndexBound bound;
  for (std::uint32_t level : levels) bound.AddNewLevelWithValue(level);
  return bound;
}

// The elements of one tree variable and their parents (-1 for the root);
// bit k of a set is element k, the bit after the last the no-value state.
struct Forest {
  std::vector<KuvEeTreeElementBase*> elements;
  std::vector<int> parents;

  int indexOf(const KuvEeTreeElementBase* element) const {
    for (std::size_t k = 0; k < elements.size(); ++k)
      if (elements[k] == element) return static_cast<int>(k);
    return -1;
  }
  bool atOrBelow(int k, int top) const {
    while (k >= 0 && k != top) k = parents[static_cast<std::size_t>(k)];
    return k == top;
  }
  std::uint32_t all() const { return (2U << elements.size()) - 1; }
  std::uint32_t noValue() const { return 1U << elements.size(); }

  // The elements at or below the from bound (at it only when included)
  // and, with to bounds, at or above one of them (at it only when included).
  std::uint32_t picked(const KuvEeTreeSelection& selection) const {
    const KuvEeTreeSelectionBound* from = selection.getFromBound();
    if (from == nullptr) return 0;
    const int top = indexOf(from->getElement());
    std::uint32_t set = 0;
    for (int k = 0; k < static_cast<int>(elements.size()); ++k) {
      bool in = atOrBelow(k, top) && (k != top || from->isIncluded());
      bool reaches = selection.getToBounds().IsEmpty();
      for (std::int32_t j = 0; j < selection.getToBounds().GetLength(); ++j) {
        const auto* to = static_cast<const KuvEeTreeSelectionBound*>(selection.getToBounds().Get(j));
        const int end = indexOf(to->getElement());
        reaches = reaches || (atOrBelow(end, k) && (end != k || to->isIncluded()));
      }
      if (in && reaches) set |= 1U << k;
    }
    return set;
  }
  std::uint32_t represented(const KuvEeTreeBaseEff& eff) const {
    KuvInListVal selections(KuvEeTreeSelection::sType());
    eff.getSelections(selections);
    std::uint32_t set = eff.getNoVar() ? noValue() : 0;
    for (std::int32_t i = 0; i < selections.GetLength(); ++i)
      set |= picked(*static_cast<const KuvEeTreeSelection*>(selections.Get(i)));
    return eff.isNegated() ? all() & ~set : set;
  }
  // The set of a normal-form leaf: each element stands for the upper bound
  // of its index.
  template <class Inside>
  std::uint32_t represented(const KuvDnfVarEff& leaf, const KuvInListVal& ranges, Inside inside) const {
    std::uint32_t set = leaf.getNoVar() ? noValue() : 0;
    for (std::size_t k = 0; k < elements.size(); ++k)
      for (std::int32_t i = 0; i < ranges.GetLength(); ++i)
        if (inside(*ranges.Get(i), elements[k]->getTreeEvalIndex().getUpperBound())) set |= 1U << k;
    return leaf.isNegated() ? all() & ~set : set;
  }
};

bool between(const KuvInTreeEvalIndexBound& p, const KuvInTreeEvalIndexBound& a, bool aIn,
             const KuvInTreeEvalIndexBound& b, bool bIn) {
  return (a < p || (a == p && aIn)) && (p < b || (p == b && bIn));
}

// Adds the element spanning [lower, upper] under parent, then, down to the
// third level and while the tree has fewer than 7 elements, one to three
// children from its path: child i at path.i
// spans [path.i, path.i.9], or reaches path.(i+1) where its next sibling
// starts, and a first child may start where its parent does.
template <class Make>
void grow(Forest& forest, std::mt19937& rng, const Make& make, int parent, const std::vector<std::uint32_t>& path,
          const KuvInTreeEvalIndexBound& lower, const KuvInTreeEvalIndexBound& upper) {
  forest.elements.push_back(make(KuvInTreeEvalIndex(lower, upper), parent < 0 ? nullptr : forest.elements[parent]));
  forest.parents.push_back(parent);
  const int self = static_cast<int>(forest.elements.size()) - 1;
  const std::uint32_t children = path.size() < 3 ? 1 + rng() % 3 : 0;
  for (std::uint32_t i = 0; i < children && forest.elements.size() < 7; ++i) {
    std::vector<std::uint32_t> child = path;
    child.push_back(i);
    const bool touches = rng() % 2 == 0;
    std::vector<std::uint32_t> end = touches ? path : child;
    end.push_back(touches ? i + 1 : 9);
    grow(forest, rng, make, self, child, i == 0 && rng() % 2 == 0 ? lower : position(child), position(end));
  }
}

// A random selection of forest (of elements of kind Element): one element,
// or a from bound and up to two to bounds below it.
template <class Selection, class Bound, class Element>
Selection randomSelection(const Forest& forest, std::mt19937& rng) {
  auto at = [&](int k) { return static_cast<Element*>(forest.elements[static_cast<std::size_t>(k)]); };
  const int n = static_cast<int>(forest.elements.size());
  const int top = static_cast<int>(rng() % static_cast<std::uint32_t>(n));
  Selection selection;
  if (rng() % 4 == 0) {
    EXPECT_EQ(S_OK, selection.setSingleSelection(Bound(at(top), rng() % 2 == 0)));
    return selection;
  }
  const bool included = rng() % 2 == 0;
  EXPECT_EQ(S_OK, selection.setFromBound(Bound(at(top), included)));
  std::vector<int> below;
  for (int k = 0; k < n; ++k)
    if (forest.atOrBelow(k, top) && (k != top || included)) below.push_back(k);
  for (std::uint32_t t = rng() % 3; t > 0 && !below.empty(); --t)
    EXPECT_EQ(S_OK, selection.addToBound(Bound(at(below[rng() % below.size()]), rng() % 2 == 0)));
  return selection;
}

// A random tree series and milestone track, and the state of each that the
// configurations under evaluation give (an element, or the no-value state).
struct Trees {
  explicit Trees(std::uint32_t seed) : rng(seed) {
    grow(series, rng,
         [this](const KuvInTreeEvalIndex& index, KuvEeTreeElementBase* parent) {
           auto* element = new KuvEeTreeSeriesElement("S", Guid(0x900 + ++made).data(), "A", index, &plans,
                                                      static_cast<KuvEeTreeSeriesElement*>(parent));
           EXPECT_EQ(S_OK, parent != nullptr ? static_cast<KuvEeTreeSeriesElement*>(parent)->addChild(element)
                                             : plans.setRootTreeSeriesElement(element));
           return element;
         },
         -1, {1}, position({1}), position({1, 9}));
    grow(milestones, rng,
         [this](const KuvInTreeEvalIndex& index, KuvEeTreeElementBase* parent) {
           const KuvInDate date(2001, 1, 1, 1, 1, 1);
           auto* milestone = new KuvEeMilestone("M", Guid(0x900 + ++made).data(), &track, index,
                                                rng() % 2 == 0 ? &date : nullptr, static_cast<KuvEeMilestone*>(parent));
           EXPECT_EQ(S_OK, parent != nullptr ? static_cast<KuvEeMilestone*>(parent)->addChild(milestone)
                                             : track.setRootMilestone(milestone));
           return milestone;
         },
         -1, {1}, position({1}), position({1, 9}));
  }

  // A tree-form effectivity of one or two random selections, maybe with the
  // no-value state; with flags also negated or constant now and then.
  KuvEeTreeBaseEff* randomEff(bool onTrack, bool flags) {
    KuvEeTreeBaseEff* eff = nullptr;
    KuvInListVal selections(KuvEeTreeSelection::sType());
    for (std::uint32_t s = 1 + rng() % 2; s > 0; --s) {
      if (onTrack)
        selections.PutBack(
            randomSelection<KuvEeMilestonesSelection, KuvEeMilestonesSelectionBound, KuvEeMilestone>(milestones, rng));
      else
        selections.PutBack(randomSelection<KuvEeTreeSeriesSelection, KuvEeTreeSeriesSelectionBound,
                                           KuvEeTreeSeriesElement>(series, rng));
    }
    if (onTrack)
      eff = new KuvEeMilestonesEff(&track, KuvEeTreeBaseEff::AllFalse);
    else
      eff = new KuvEeTreeSeriesEff(&plans, KuvEeTreeBaseEff::AllFalse);
    EXPECT_EQ(S_OK, eff->addSelections(selections));
    if (rng() % 3 == 0) eff->orNoVar();
    if (flags && rng() % 8 == 0) eff->set(rng() % 2 == 0 ? KuvEeTreeBaseEff::AllTrue : KuvEeTreeBaseEff::AllFalse);
    if (flags && rng() % 3 == 0) eff->opNot();
    return eff;
  }

  // Whether eff, of either form, holds at the current states.
  std::optional<bool> holds(const KuvEeVarEff& eff) const {
    const bool onTrack = KuvEeMilestonesEff::isObjectOfThisType(eff) || KuvEeDnfMilestonesEff::isObjectOfThisType(eff);
    const Forest& forest = onTrack ? milestones : series;
    std::uint32_t set = 0;
    if (const auto* tree = KuvEeTreeBaseEff::cast(eff)) {
      set = forest.represented(*tree);
    } else if (const auto* leaf = KuvEeDnfTreeSeriesEff::cast(eff)) {
      const KuvDnfTreeSeriesEff& related = *leaf->getRelatedDnfTreeSeriesEff();
      set = forest.represented(related, related.getIntervals(), [](const KuvInObjectVal& r, const auto& p) {
        const auto& range = static_cast<const KuvInTreeEvalInterval&>(r);
        return between(p, range.getA(), range.getAIncl(), range.getB(), range.getBIncl());
      });
    } else if (const auto* leaf = KuvEeDnfMilestonesEff::cast(eff)) {
      const KuvDnfMilestonesEff& related = *leaf->getRelatedDnfMilestonesEff();
      set = forest.represented(related, related.getIntervals(), [](const KuvInObjectVal& r, const auto& p) {
        const auto& range = static_cast<const KuvInMilestonesEvalInterval&>(r);
        return between(p, range.getInfBound().getBound(), range.isInfBoundIncluded(), range.getSupBound().getBound(),
                       range.isSupBoundIncluded());
      });
    } else {
      return std::nullopt;
    }
    return ((set >> (onTrack ? trackState : seriesState)) & 1U) != 0;
  }

  std::mt19937 rng;
  unsigned made = 0;
  KuvEeTreeSeriesVar plans{"Plans", Guid(0x800).data(), KuvEeSerialVar::TREE_MANUF_PLAN, nullptr};
  KuvEeMilestonesVar track{"Track", Guid(0x801).data(), "Design", nullptr};
  Forest series;
  Forest milestones;
  int seriesState = 0;
  int trackState = 0;
};

std::unique_ptr<KuvDnfLeaf> leafOf(KuvEeVarEff* eff) {
  const KuvEeVarEffLeaf leaf(eff);
  return std::unique_ptr<KuvDnfLeaf>(KuvTbDnfBuilder::createDnfLeaf(leaf));
}

}  // namespace

// Two positive tree-form effectivities on one variable: their leaves meet
// when some element (or, for tree series, the no-value state) is selected
// by both, the first
// meets the negated second when it selects something the second does not,
// and the leaves print alike exactly when they select the same.
TEST(TreeNormalForm, LeavesMeetAndIncludeAsTheSelectedElementsDo) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    Trees trees(seed);
    for (int round = 0; round < 40; ++round) {
      const bool onTrack = round % 2 == 1;
      const Forest& forest = onTrack ? trees.milestones : trees.series;
      KuvEeTreeBaseEff* a = trees.randomEff(onTrack, false);
      KuvEeTreeBaseEff* b = trees.randomEff(onTrack, false);
      // Milestone leaves meet by their ranges alone, whatever their no-value
      // flags.
      const std::uint32_t compared = onTrack ? forest.all() & ~forest.noValue() : forest.all();
      const std::uint32_t setA = forest.represented(*a);
      const std::uint32_t setB = forest.represented(*b);
      const std::uint32_t inA = setA & compared;
      const std::uint32_t inB = setB & compared;
      const std::string texts = text(*a) + "\n" + text(*b);
      std::unique_ptr<KuvDnfLeaf> first = leafOf(a);
      std::unique_ptr<KuvDnfLeaf> second = leafOf(b);
      ASSERT_TRUE(first && second) << texts;
      unsigned char meets = 2;
      ASSERT_EQ(S_OK, first->isIntersect(*second, meets));
      EXPECT_EQ((inA & inB) != 0, meets != 0) << texts;
      second->negate();
      ASSERT_EQ(S_OK, first->isIntersect(*second, meets));
      EXPECT_EQ((inA & ~inB) != 0, meets != 0) << texts;
      second->negate();
      EXPECT_EQ(setA == setB, text(*first) == text(*second)) << texts << "\n" << text(*first) << "\n" << text(*second);
    }
  }
}

namespace {

// Random trees mixing tree-form leaves on both variables with the truth
// model's leaves, at every state of the two variables: the normal form and
// the tree it reads back into over a variable space hold where the tree does.
void keepsTheTruthTable(std::uint32_t seed) {
  Trees trees(seed);
  TruthModel model;
  model.fixedLeaf = [&trees](const KuvEeVarEff& eff) { return trees.holds(eff); };
  KuvEeVarSpace space("Model", Guid(0x7FF).data());
  for (const auto& option : model.options) space.addOptionVar(option.get());
  space.addSelectionVar(model.selection.get());
  space.addSerialVar(model.serial.get());
  space.addDateVar(model.date.get());
  space.addPossibleSourceEff(model.change.get());
  for (const auto& eff : model.effs) space.addPossibleSourceEff(eff.get());
  ASSERT_EQ(S_OK, space.addTreeSeriesVar(&trees.plans));
  ASSERT_EQ(S_OK, space.addMilestonesTrack(&trees.track));
  TreeGenerator generator(model, seed,
                          {.maxNodes = 8, .notFlag = false, .domainOverLeavesOnly = true,
                           .otherVarEff = [&trees] { return trees.randomEff(trees.rng() % 2 == 0, true); }});
  for (int i = 0; i < 60; ++i) {
    Tree tree = generator.next();
    std::unique_ptr<KuvDnf> form(KuvEeDnfConvertor::NodeRef2Dnf(*tree));
    ASSERT_TRUE(form) << text(*tree);
    KuvInSet objects;
    Tree back(KuvEeDnfConvertor::Dnf2NodeRef(*form, space, objects, 0));
    ASSERT_TRUE(back) << text(*form);
    for (trees.seriesState = 0; trees.seriesState <= static_cast<int>(trees.series.elements.size());
         ++trees.seriesState) {
      for (trees.trackState = 0; trees.trackState <= static_cast<int>(trees.milestones.elements.size());
           ++trees.trackState) {
        const std::optional<TruthTable> holds = truthTable(model, *tree);
        ASSERT_TRUE(holds);
        ASSERT_TRUE(holds == dnfTable(model, *form)) << text(*tree) << "\n" << text(*form);
        ASSERT_TRUE(holds == truthTable(model, *back)) << text(*form) << "\n" << text(*back);
      }
    }
  }
}

}  // namespace

TEST(TreeNormalForm, ConversionsKeepTheTruthTable) {
  for (std::uint32_t seed : {7U, 8U, 9U}) {
    SCOPED_TRACE(seed);
    keepsTheTruthTable(seed);
  }
}

namespace {

// The ranges of a tree leaf's normal form, joined by blanks.
std::string rangesOf(KuvEeTreeBaseEff* eff) {
  std::unique_ptr<KuvDnfLeaf> leaf = leafOf(eff);
  const auto* series = leaf ? KuvDnfTreeSeriesEff::cast(*leaf) : nullptr;
  const auto* track = leaf ? KuvDnfMilestonesEff::cast(*leaf) : nullptr;
  if (series == nullptr && track == nullptr) return "no leaf";
  const KuvInListVal& ranges = series != nullptr ? series->getIntervals() : track->getIntervals();
  std::string out;
  for (std::int32_t i = 0; i < ranges.GetLength(); ++i) out += (i > 0 ? " " : "") + text(*ranges.Get(i));
  return out;
}

// A selection from a bound to bounds (none: the whole subtree).
template <class Selection, class Bound, class Element>
KuvInListVal selectionOf(Element* from, bool included, std::vector<std::pair<Element*, bool>> to) {
  Selection selection;
  EXPECT_EQ(S_OK, selection.setFromBound(Bound(from, included)));
  for (const auto& [element, in] : to) EXPECT_EQ(S_OK, selection.addToBound(Bound(element, in)));
  KuvInListVal list(KuvEeTreeSelection::sType());
  list.PutBack(selection);
  return list;
}

}  // namespace

// R [1-2] holds A [1-1.5] (from R's start), B [1.5-1.7] (from A's end),
// which holds C [1.5.1-1.5.2], and D [1.8-1.9]. A whole subtree is one
// range open at its start, any other element its upper bound alone; spans
// of zero width give single positions only.
TEST(TreeNormalForm, BoundariesGiveTheseRanges) {
  unsigned made = 0;
  KuvEeTreeSeriesVar plans{"Plans", Guid(0xA00).data(), KuvEeSerialVar::TREE_STATE, nullptr};
  auto plan = [&](KuvEeTreeSeriesElement* parent, const char* index) {
    auto* element =
        new KuvEeTreeSeriesElement(index, Guid(0xA00 + ++made).data(), "A", treeIndex(index), &plans, parent);
    EXPECT_EQ(S_OK, parent != nullptr ? parent->addChild(element) : plans.setRootTreeSeriesElement(element));
    return element;
  };
  KuvEeTreeSeriesElement* r = plan(nullptr, "1-2");
  KuvEeTreeSeriesElement* a = plan(r, "1-1.5");
  KuvEeTreeSeriesElement* b = plan(r, "1.5-1.7");
  KuvEeTreeSeriesElement* c = plan(b, "1.5.1-1.5.2");
  KuvEeTreeSeriesElement* d = plan(r, "1.8-1.9");
  KuvEeTreeSeriesVar flat{"Flat", Guid(0xA80).data(), KuvEeSerialVar::TREE_STATE, nullptr};
  auto* e = new KuvEeTreeSeriesElement("E", Guid(0xA81).data(), "A", treeIndex("1-3"), &flat, nullptr);
  ASSERT_EQ(S_OK, flat.setRootTreeSeriesElement(e));
  ASSERT_EQ(S_OK, e->addChild(new KuvEeTreeSeriesElement("F", Guid(0xA82).data(), "A", treeIndex("2-2"), &flat, e)));
  KuvEeMilestonesVar track{"Track", Guid(0xA90).data(), "Design", nullptr};
  const KuvInDate date(2001, 1, 1, 1, 1, 1);
  auto* m0 = new KuvEeMilestone("M0", Guid(0xA91).data(), &track, treeIndex("1-2"), &date, nullptr);
  ASSERT_EQ(S_OK, track.setRootMilestone(m0));
  auto* m1 = new KuvEeMilestone("M1", Guid(0xA92).data(), &track, treeIndex("1.1-1.2"), nullptr, m0);
  ASSERT_EQ(S_OK, m0->addChild(m1));

  using Series = KuvEeTreeSeriesElement;
  auto on = [](KuvEeTreeSeriesVar& var, const KuvInListVal& selections) {
    auto* eff = new KuvEeTreeSeriesEff(&var, KuvEeTreeBaseEff::AllFalse);
    EXPECT_EQ(S_OK, eff->addSelections(selections));
    return eff;
  };
  auto from = [&](Series* top, bool included, std::vector<std::pair<Series*, bool>> to) {
    return on(plans, selectionOf<KuvEeTreeSeriesSelection, KuvEeTreeSeriesSelectionBound>(top, included, to));
  };
  auto single = [&](Series* element) {
    KuvEeTreeSeriesSelection selection;
    EXPECT_EQ(S_OK, selection.setSingleSelection(KuvEeTreeSeriesSelectionBound(element, true)));
    KuvInListVal list(KuvEeTreeSelection::sType());
    list.PutBack(selection);
    return on(plans, list);
  };
  auto milestones = [&](KuvEeMilestone* top, std::vector<std::pair<KuvEeMilestone*, bool>> to) {
    auto* eff = new KuvEeMilestonesEff(&track, KuvEeTreeBaseEff::AllFalse);
    EXPECT_EQ(S_OK, eff->addSelections(
                        selectionOf<KuvEeMilestonesSelection, KuvEeMilestonesSelectionBound>(top, true, to)));
    return eff;
  };
  const struct {
    const char* what;
    KuvEeTreeBaseEff* eff;
    const char* ranges;
  } rows[] = {
      {"a leaf element", single(c), "]1.5.1,1.5.2]"},
      {"an element without its child", single(b), "[1.7,1.7]"},
      {"below an excluded from bound", from(r, false, {}), "]1,1.7] ]1.8,1.9]"},
      {"a whole tree", from(r, true, {}), "]1,2]"},
      {"up to an excluded bound", from(r, true, {{c, false}}), "[1.7,1.7] [2,2]"},
      {"adjacent bounds", from(b, true, {{b, false}}), ""},
      {"down to two leaves", from(r, true, {{a, true}, {d, true}}), "]1,1.5] ]1.8,1.9] [2,2]"},
      {"a span of zero width", on(flat, selectionOf<KuvEeTreeSeriesSelection, KuvEeTreeSeriesSelectionBound, Series>(
                                             e, true, {})),
       "[2,2] [3,3]"},
      {"a dated milestone", milestones(m0, {{m0, true}}), "[2(DerivedDate)-2(DerivedDate)]"},
      {"a whole track", milestones(m0, {}), "]1(DerivedDate)-2(DerivedDate)]"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.ranges, rangesOf(row.eff)) << row.what;
}
