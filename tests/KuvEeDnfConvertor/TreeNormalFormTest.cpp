// Tree-form milestone and tree-series effectivities in normal form, checked
// against an independent model: the elements of a small random tree,
// linked by parent, and what each selection picks among them.
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;

namespace {

using Element = KuvEeTreeElementBase;
using Bounds = std::vector<std::pair<Element*, bool>>;

// A new element of var (a tree series or a milestone track, whose
// milestones have a date when dated) under parent, or as its root.
Element* addElement(KuvEeTreeBaseVar& var, Element* parent, const KuvInTreeEvalIndex& index,
                    bool dated = false) {
  static unsigned made = 0;
  const Guid guid(0x900 + ++made);
  if (auto* track = KuvEeMilestonesVar::cast(var)) {
    const KuvInDate date(2001, 1, 1, 1, 1, 1);
    auto* above = static_cast<KuvEeMilestone*>(parent);
    auto* milestone = new KuvEeMilestone("M", guid.data(), track, index, dated ? &date : nullptr, above);
    EXPECT_EQ(S_OK, above != nullptr ? above->addChild(milestone) : track->setRootMilestone(milestone));
    return milestone;
  }
  auto& plans = static_cast<KuvEeTreeSeriesVar&>(var);
  auto* above = static_cast<KuvEeTreeSeriesElement*>(parent);
  auto* element = new KuvEeTreeSeriesElement("S", guid.data(), "A", index, &plans, above);
  EXPECT_EQ(S_OK, above != nullptr ? above->addChild(element) : plans.setRootTreeSeriesElement(element));
  return element;
}

// The selection of var's elements from top (included or not) down to the
// given bounds (none: everything below), in the list of selections.
void select(KuvInListVal& selections, const KuvEeTreeBaseVar& var, Element* top, bool included,
            const Bounds& to) {
  const bool onTrack = KuvEeMilestonesVar::isObjectOfThisType(var);
  auto bound = [onTrack](Element* element, bool in) -> std::unique_ptr<KuvEeTreeSelectionBound> {
    if (onTrack)
      return std::make_unique<KuvEeMilestonesSelectionBound>(static_cast<KuvEeMilestone*>(element), in);
    return std::make_unique<KuvEeTreeSeriesSelectionBound>(static_cast<KuvEeTreeSeriesElement*>(element), in);
  };
  std::unique_ptr<KuvEeTreeSelection> selection(
      onTrack ? static_cast<KuvEeTreeSelection*>(new KuvEeMilestonesSelection)
              : new KuvEeTreeSeriesSelection);
  EXPECT_EQ(S_OK, selection->setFromBound(*bound(top, included)));
  for (const auto& [element, in] : to) EXPECT_EQ(S_OK, selection->addToBound(*bound(element, in)));
  selections.PutBack(*selection);
}

KuvEeTreeBaseEff* effOn(KuvEeTreeBaseVar& var, const KuvInListVal& selections) {
  KuvEeTreeBaseEff* eff = nullptr;
  if (auto* track = KuvEeMilestonesVar::cast(var))
    eff = new KuvEeMilestonesEff(track, KuvEeTreeBaseEff::AllFalse);
  else
    eff = new KuvEeTreeSeriesEff(&static_cast<KuvEeTreeSeriesVar&>(var), KuvEeTreeBaseEff::AllFalse);
  EXPECT_EQ(S_OK, eff->addSelections(selections));
  return eff;
}

std::unique_ptr<KuvDnfLeaf> leafOf(KuvEeVarEff* eff) {
  const KuvEeVarEffLeaf leaf(eff);
  return std::unique_ptr<KuvDnfLeaf>(KuvTbDnfBuilder::createDnfLeaf(leaf));
}

KuvInTreeEvalIndexBound position(const std::vector<std::uint32_t>& levels) {
  KuvInTreeEvalIndexBound bound;
  for (std::uint32_t level : levels) bound.AddNewLevelWithValue(level);
  return bound;
}

bool between(const KuvInTreeEvalIndexBound& p, const KuvInTreeEvalIndexBound& a, bool aIn,
             const KuvInTreeEvalIndexBound& b, bool bIn) {
  return (a < p || (a == p && aIn)) && (p < b || (p == b && bIn));
}

// A random tree of one variable, its elements linked by parent (-1 for the
// root). Bit k of a set is element k, the bit after the last the no-value
// state.
struct Forest {
  // Down to the third level and up to 7 elements, one to three children
  // each: child i of the element at path spans [path.i, path.i.9], or
  // reaches path.(i+1) where its next sibling starts, and a first child may
  // start where its parent does.
  Forest(KuvEeTreeBaseVar& tree, std::mt19937& rng) : var(tree) {
    grow(rng, -1, {1}, position({1}), position({1, 9}));
  }
  void grow(std::mt19937& rng, int parent, const std::vector<std::uint32_t>& path,
            const KuvInTreeEvalIndexBound& lower, const KuvInTreeEvalIndexBound& upper) {
    elements.push_back(addElement(var, parent < 0 ? nullptr : elements[static_cast<std::size_t>(parent)],
                                  KuvInTreeEvalIndex(lower, upper), rng() % 2 == 0));
    parents.push_back(parent);
    const int self = static_cast<int>(elements.size()) - 1;
    const std::uint32_t children = path.size() < 3 ? 1 + rng() % 3 : 0;
    for (std::uint32_t i = 0; i < children && elements.size() < 7; ++i) {
      std::vector<std::uint32_t> child = path;
      child.push_back(i);
      const bool touches = rng() % 2 == 0;
      std::vector<std::uint32_t> end = touches ? path : child;
      end.push_back(touches ? i + 1 : 9);
      grow(rng, self, child, i == 0 && rng() % 2 == 0 ? lower : position(child), position(end));
    }
  }

  int indexOf(const Element* element) const {
    return static_cast<int>(std::find(elements.begin(), elements.end(), element) - elements.begin());
  }
  bool atOrBelow(int k, int top) const {
    while (k >= 0 && k != top) k = parents[static_cast<std::size_t>(k)];
    return k == top;
  }
  std::uint32_t all() const { return (2U << elements.size()) - 1; }
  std::uint32_t noValue() const { return 1U << elements.size(); }

  // A tree-form effectivity of one or two random selections (each from an
  // element down to up to two bounds below it), maybe with the no-value
  // state; with flags also negated or constant now and then.
  KuvEeTreeBaseEff* randomEff(std::mt19937& rng, bool flags) const {
    KuvInListVal selections(KuvEeTreeSelection::sType());
    const auto n = static_cast<std::uint32_t>(elements.size());
    for (std::uint32_t s = 1 + rng() % 2; s > 0; --s) {
      const int top = static_cast<int>(rng() % n);
      const bool included = rng() % 2 == 0;
      Bounds to;
      for (std::uint32_t t = rng() % 3; t > 0; --t) {
        const int end = static_cast<int>(rng() % n);
        if (atOrBelow(end, top) && (end != top || included))
          to.emplace_back(elements[static_cast<std::size_t>(end)], rng() % 2 == 0);
      }
      select(selections, var, elements[static_cast<std::size_t>(top)], included, to);
    }
    KuvEeTreeBaseEff* eff = effOn(var, selections);
    if (rng() % 3 == 0) eff->orNoVar();
    if (flags && rng() % 8 == 0)
      eff->set(rng() % 2 == 0 ? KuvEeTreeBaseEff::AllTrue : KuvEeTreeBaseEff::AllFalse);
    if (flags && rng() % 3 == 0) eff->opNot();
    return eff;
  }

  // The elements at or below the from bound (at it only when included)
  // and, with to bounds, at or above one of them (at it only when included).
  std::uint32_t picked(const KuvEeTreeSelection& selection) const {
    const int top = indexOf(selection.getFromBound()->getElement());
    std::uint32_t set = 0;
    for (int k = 0; k < static_cast<int>(elements.size()); ++k) {
      const bool in = atOrBelow(k, top) && (k != top || selection.getFromBound()->isIncluded());
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
  // A normal-form leaf's set: each element stands for its upper bound.
  std::uint32_t represented(const KuvDnfVarEff& leaf) const {
    const auto* series = KuvDnfTreeSeriesEff::cast(leaf);
    const KuvInListVal& ranges = series != nullptr
                                     ? series->getIntervals()
                                     : static_cast<const KuvDnfMilestonesEff&>(leaf).getIntervals();
    std::uint32_t set = leaf.getNoVar() ? noValue() : 0;
    for (std::size_t k = 0; k < elements.size(); ++k) {
      const KuvInTreeEvalIndexBound& p = elements[k]->getTreeEvalIndex().getUpperBound();
      for (std::int32_t i = 0; i < ranges.GetLength(); ++i) {
        const auto* tree = KuvInTreeEvalInterval::cast(*ranges.Get(i));
        const auto* track = KuvInMilestonesEvalInterval::cast(*ranges.Get(i));
        if (tree != nullptr ? between(p, tree->getA(), tree->getAIncl(), tree->getB(), tree->getBIncl())
                            : between(p, track->getInfBound().getBound(), track->isInfBoundIncluded(),
                                      track->getSupBound().getBound(), track->isSupBoundIncluded()))
          set |= 1U << k;
      }
    }
    return leaf.isNegated() ? all() & ~set : set;
  }

  KuvEeTreeBaseVar& var;
  std::vector<Element*> elements;
  std::vector<int> parents;
};

// A random tree series and milestone track, and the state of each that the
// configurations under evaluation give (an element, or the no-value state).
struct Trees {
  explicit Trees(std::uint32_t seed) : rng(seed) {}

  // Whether eff, of either form, holds at the current states.
  std::optional<bool> holds(const KuvEeVarEff& eff) const {
    const bool onTrack =
        KuvEeMilestonesEff::isObjectOfThisType(eff) || KuvEeDnfMilestonesEff::isObjectOfThisType(eff);
    const Forest& forest = onTrack ? milestones : series;
    std::uint32_t set = 0;
    if (const auto* tree = KuvEeTreeBaseEff::cast(eff))
      set = forest.represented(*tree);
    else if (const auto* form = kuv::detail::DnfTreeEff::cast(eff))
      set = forest.represented(*form->getRelated());
    else
      return std::nullopt;
    return ((set >> (onTrack ? trackState : seriesState)) & 1U) != 0;
  }

  std::mt19937 rng;
  KuvEeTreeSeriesVar plans{"Plans", Guid(0x800).data(), KuvEeSerialVar::TREE_MANUF_PLAN, nullptr};
  KuvEeMilestonesVar track{"Track", Guid(0x801).data(), "Design", nullptr};
  Forest series{plans, rng};
  Forest milestones{track, rng};
  int seriesState = 0;
  int trackState = 0;
};

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
  auto treeLeaf = [&trees] {
    return (trees.rng() % 2 == 0 ? trees.series : trees.milestones).randomEff(trees.rng, true);
  };
  TreeGenerator generator(
      model, seed, {.maxNodes = 8, .notFlag = false, .domainOverLeavesOnly = true, .otherVarEff = treeLeaf});
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

// Two positive tree-form effectivities on one variable: their leaves meet
// when some element (or, for tree series, the no-value state) is selected
// by both, the first meets the negated second when it selects something the
// second does not, and the leaves print alike exactly when they select the
// same.
TEST(TreeNormalForm, LeavesMeetAndIncludeAsTheSelectedElementsDo) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    Trees trees(seed);
    for (int round = 0; round < 40; ++round) {
      const Forest& forest = round % 2 == 1 ? trees.milestones : trees.series;
      KuvEeTreeBaseEff* a = forest.randomEff(trees.rng, false);
      KuvEeTreeBaseEff* b = forest.randomEff(trees.rng, false);
      const std::uint32_t setA = forest.represented(*a);
      const std::uint32_t setB = forest.represented(*b);
      // Milestone leaves meet by their ranges alone, whatever their no-value
      // flags.
      const std::uint32_t compared = round % 2 == 1 ? forest.all() & ~forest.noValue() : forest.all();
      const std::string texts = text(*a) + "\n" + text(*b);
      std::unique_ptr<KuvDnfLeaf> first = leafOf(a);
      std::unique_ptr<KuvDnfLeaf> second = leafOf(b);
      ASSERT_TRUE(first && second) << texts;
      unsigned char meets = 2;
      ASSERT_EQ(S_OK, first->isIntersect(*second, meets));
      EXPECT_EQ((setA & setB & compared) != 0, meets != 0) << texts;
      second->negate();
      ASSERT_EQ(S_OK, first->isIntersect(*second, meets));
      EXPECT_EQ((setA & ~setB & compared) != 0, meets != 0) << texts;
      second->negate();
      EXPECT_EQ(setA == setB, text(*first) == text(*second)) << texts;
    }
  }
}

TEST(TreeNormalForm, ConversionsKeepTheTruthTable) {
  for (std::uint32_t seed : {7U, 8U, 9U}) {
    SCOPED_TRACE(seed);
    keepsTheTruthTable(seed);
  }
}

// R [1-2] holds A [1-1.5] (from R's start), B [1.5-1.7] (from A's end),
// which holds C [1.5.1-1.5.2], and D [1.8-1.9]. A whole subtree is one
// range open at its start, any other element its upper bound alone; spans
// of zero width give single positions only.
TEST(TreeNormalForm, BoundariesGiveTheseRanges) {
  KuvEeTreeSeriesVar plans{"Plans", Guid(0xA00).data(), KuvEeSerialVar::TREE_STATE, nullptr};
  Element* r = addElement(plans, nullptr, treeIndex("1-2"));
  Element* a = addElement(plans, r, treeIndex("1-1.5"));
  Element* b = addElement(plans, r, treeIndex("1.5-1.7"));
  Element* c = addElement(plans, b, treeIndex("1.5.1-1.5.2"));
  Element* d = addElement(plans, r, treeIndex("1.8-1.9"));
  KuvEeTreeSeriesVar flat{"Flat", Guid(0xA01).data(), KuvEeSerialVar::TREE_STATE, nullptr};
  Element* e = addElement(flat, nullptr, treeIndex("1-3"));
  addElement(flat, e, treeIndex("2-2"));
  KuvEeMilestonesVar track{"Track", Guid(0xA02).data(), "Design", nullptr};
  Element* m = addElement(track, nullptr, treeIndex("1-2"), true);
  addElement(track, m, treeIndex("1.1-1.2"));

  // The ranges of the normal form, joined by blanks.
  auto ranges = [](KuvEeTreeBaseVar& var, Element* top, bool included, const Bounds& to) {
    KuvInListVal selections(KuvEeTreeSelection::sType());
    select(selections, var, top, included, to);
    std::unique_ptr<KuvDnfLeaf> leaf = leafOf(effOn(var, selections));
    const auto* series = leaf ? KuvDnfTreeSeriesEff::cast(*leaf) : nullptr;
    const auto* milestones = leaf ? KuvDnfMilestonesEff::cast(*leaf) : nullptr;
    if (series == nullptr && milestones == nullptr) return std::string("no leaf");
    const KuvInListVal& list = series != nullptr ? series->getIntervals() : milestones->getIntervals();
    std::string out;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) out += (i > 0 ? " " : "") + text(*list.Get(i));
    return out;
  };
  EXPECT_EQ("]1.5.1,1.5.2]", ranges(plans, c, true, {{c, true}})) << "a single leaf element";
  EXPECT_EQ("[1.7,1.7]", ranges(plans, b, true, {{b, true}})) << "an element without its child";
  EXPECT_EQ("]1,1.7] ]1.8,1.9]", ranges(plans, r, false, {})) << "below an excluded from bound";
  EXPECT_EQ("]1,2]", ranges(plans, r, true, {})) << "a whole tree";
  EXPECT_EQ("[1.7,1.7] [2,2]", ranges(plans, r, true, {{c, false}})) << "up to an excluded bound";
  EXPECT_EQ("", ranges(plans, b, true, {{b, false}})) << "adjacent bounds";
  EXPECT_EQ("]1,1.5] ]1.8,1.9] [2,2]", ranges(plans, r, true, {{a, true}, {d, true}}))
      << "down to two leaves";
  EXPECT_EQ("[2,2] [3,3]", ranges(flat, e, true, {})) << "a span of zero width";
  EXPECT_EQ("[2(DerivedDate)-2(DerivedDate)]", ranges(track, m, true, {{m, true}})) << "a dated milestone";
  EXPECT_EQ("]1(DerivedDate)-2(DerivedDate)]", ranges(track, m, true, {})) << "a whole track";
}
