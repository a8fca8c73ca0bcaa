#include "KuvEffEngine/TruthTable.h"

#include "support/KuvTestSupport.h"

namespace kuv_test {

namespace {

// The date each valued configuration state stands for: noon of the day
// before the two days the trees use, of each of them, and of the day after.
KuvInDate statePoint(int state) {
  return state == 0 ? KuvInDate(2000, 12, 31, 13, 1, 1) : KuvInDate(2001, 1, state, 13, 1, 1);
}
// The first and last second of day 0 and day 1.
KuvInDate dayStart(int day) { return KuvInDate(2001, 1, 1 + day, 1, 1, 1); }
KuvInDate dayEnd(int day) { return KuvInDate(2001, 1, 1 + day, 24, 60, 60); }

// Configuration index = o0 + 3 o1 + 9 o2 + 27 selection + 108 serial +
// 648 date + 3240 e0 + 6480 e1 + 12960 change; a variable's value in
// configuration c is (c / stride) % size, an effectivity's 0 where it holds.
struct Axis { int stride; int size; };
constexpr Axis kOptionAxis[3] = {{1, 3}, {3, 3}, {9, 3}};
constexpr Axis kSelectionAxis{27, TruthModel::kSelectionStates};
constexpr Axis kSerialAxis{108, TruthModel::kSerialStates};
constexpr Axis kDateAxis{648, TruthModel::kDateStates};
constexpr Axis kEffAxis[TruthModel::kEffs] = {{3240, 2}, {6480, 2}};
constexpr Axis kChangeAxis{12960, 2};

// The table of "the variable on axis has a value in states" (bit k of
// states = value k), joined from the tables of single values, each built
// once.
TruthTable tableOf(const Axis& axis, std::uint32_t states) {
  static std::map<std::pair<int, int>, TruthTable> single;
  TruthTable table;
  for (int value = 0; value < axis.size; ++value) {
    if (((states >> value) & 1U) == 0) continue;
    auto [cached, isNew] = single.try_emplace({axis.stride, value});
    for (int c = 0; isNew && c < TruthModel::kConfigs; ++c)
      if ((c / axis.stride) % axis.size == value) cached->second.set(c);
    table |= cached->second;
  }
  return table;
}

// The valued states 0..count-1 that lie in one of the ranges of eff.
template <class Range, class Eff, class Inside>
std::uint32_t statesIn(const Eff& eff, int count, Inside inside) {
  KuvInListVal ranges(Range::sType());
  eff.getIntervals(ranges);
  std::uint32_t states = 0;
  for (auto it = ranges.cBegin(); it.IsValid(); it.Next())
    for (int s = 0; s < count; ++s)
      if (inside(*static_cast<const Range*>(it.Get()), s)) states |= 1U << s;
  return states;
}

// A leaf's represented set, as the states of its variable, and that
// variable's axis.
struct LeafSet { Axis axis; std::uint32_t states; };

std::optional<LeafSet> leafSet(const TruthModel& model, const KuvEeVarEff& eff) {
  LeafSet out{};
  std::uint32_t positive = 0;
  if (const auto* option = KuvEeOptionEff::cast(eff)) {
    int index = 0;
    while (index < TruthModel::kOptions && option->getVar() != model.options[index].get()) ++index;
    if (index == TruthModel::kOptions) return std::nullopt;
    out.axis = kOptionAxis[index];
    // The bits T and F are the states 0 and 1.
    positive = option->getValue() & 3U;
  } else if (const auto* selection = KuvEeSelectionEff::cast(eff)) {
    if (selection->getVar() != model.selection.get()) return std::nullopt;
    out.axis = kSelectionAxis;
    for (int i = 0; i < 3; ++i)
      if (selection->getValues().Find(model.values[i])) positive |= 1U << i;
  } else if (const auto* serial = KuvEeSerialEff::cast(eff)) {
    if (serial->getVar() != model.serial.get()) return std::nullopt;
    out.axis = kSerialAxis;
    positive = statesIn<KuvInSerialInterval>(*serial, 5, [](const KuvInSerialInterval& r, int x) {
      return (x > r.getA() || (x == r.getA() && r.getAIncl())) &&
             (x < r.getB() || (x == r.getB() && r.getBIncl()));
    });
  } else if (const auto* date = KuvEeDateEff::cast(eff)) {
    if (date->getVar() != model.date.get()) return std::nullopt;
    out.axis = kDateAxis;
    positive = statesIn<KuvInDateInterval>(*date, 4, [](const KuvInDateInterval& r, int s) {
      return r.getA() <= statePoint(s) && statePoint(s) <= r.getB();
    });
  } else {
    return std::nullopt;
  }
  // The no-value element is the last state.
  if (eff.getNoVar()) positive |= 1U << (out.axis.size - 1);
  const std::uint32_t all = (1U << out.axis.size) - 1;
  out.states = eff.isNegated() ? all & ~positive : positive;
  return out;
}

// Pending negations above a node, outermost first: none, NotDomain, Not,
// Not-then-NotDomain, NotDomain-then-Not.
enum Pending { kNone = 0, kDom = 1, kNot = 2, kNotDom = 3, kDomNot = 4 };
constexpr Pending kAfterNot[5] = {kNot, kDomNot, kNone, kNotDom, kDom};
constexpr Pending kAfterDom[5] = {kDom, kNone, kNotDom, kNot, kDomNot};

std::optional<TruthTable> eval(const TruthModel& model, const KuvEeNode& node, Pending pending) {
  if (const auto* op = KuvEeOp::cast(node)) {
    const std::vector<KuvEeNode*> kids = children(*op);
    if (KuvEeNotOp::isObjectOfThisType(node) || KuvEeNotDomainOp::isObjectOfThisType(node)) {
      if (kids.size() != 1) return std::nullopt;
      const bool isNot = KuvEeNotOp::isObjectOfThisType(node);
      return eval(model, *kids[0], isNot ? kAfterNot[pending] : kAfterDom[pending]);
    }
    bool isAnd = KuvEeAndOp::isObjectOfThisType(node);
    if (!isAnd && !KuvEeOrOp::isObjectOfThisType(node)) return std::nullopt;
    // One negation pending turns And into Or and back.
    if (pending == kDom || pending == kNot) isAnd = !isAnd;
    TruthTable result;
    if (isAnd) result.set();
    for (const KuvEeNode* child : kids) {
      std::optional<TruthTable> part = eval(model, *child, pending);
      if (!part) return std::nullopt;
      result = isAnd ? result & *part : result | *part;
    }
    return result;
  }
  if (KuvEeTrue::isObjectOfThisType(node) || KuvEeFalse::isObjectOfThisType(node)) {
    if (pending != kNone && pending != kNot) return std::nullopt;
    return KuvEeTrue::isObjectOfThisType(node) != (pending == kNot) ? TruthTable().set() : TruthTable();
  }
  if (const auto* effLeaf = KuvEeEffLeaf::cast(node)) {
    int e = 0;
    while (e < TruthModel::kEffs && model.effs[e].get() != effLeaf->getTargetEff()) ++e;
    const bool isChange = effLeaf->getTargetEff() == model.change.get();
    if ((e == TruthModel::kEffs && !isChange) || (pending != kNone && pending != kNot)) return std::nullopt;
    std::uint32_t holds = effLeaf->isEquivalentToTrue()    ? 3U
                          : effLeaf->isEquivalentToFalse() ? 0U
                          : effLeaf->isNegated()           ? 2U
                                                           : 1U;
    return tableOf(isChange ? kChangeAxis : kEffAxis[e], pending == kNot ? 3U & ~holds : holds);
  }
  const auto* leaf = KuvEeVarEffLeaf::cast(node);
  if (leaf == nullptr || leaf->getVarEff() == nullptr) return std::nullopt;
  if (std::optional<bool> fixed = model.fixedLeaf ? model.fixedLeaf(*leaf->getVarEff()) : std::nullopt) {
    if (pending != kNone && pending != kNot) return std::nullopt;
    return *fixed != (pending == kNot) ? TruthTable().set() : TruthTable();
  }
  std::optional<LeafSet> set = leafSet(model, *leaf->getVarEff());
  if (!set) return std::nullopt;
  const std::uint32_t all = (1U << set->axis.size) - 1;
  const std::uint32_t noValue = 1U << (set->axis.size - 1);
  const std::uint32_t states = set->states;
  // Negation within the domain: the valued states outside the set; none
  // when the set holds the no-value element.
  auto notDom = [&](std::uint32_t s) -> std::optional<std::uint32_t> {
    if (s & noValue) return std::nullopt;
    return all & ~s & ~noValue;
  };
  std::optional<std::uint32_t> result = states;
  switch (pending) {
    case kNone: break;
    case kDom: result = notDom(states); break;
    case kNot: result = all & ~states; break;
    case kNotDom:
      result = notDom(states);
      if (result) result = all & ~*result;
      break;
    case kDomNot: result = notDom(all & ~states); break;
  }
  if (!result) return std::nullopt;
  return tableOf(set->axis, *result);
}

bool isWeakFor(const KuvEeNode& node, bool isAnd) {
  if (isAnd ? KuvEeTrue::isObjectOfThisType(node) : KuvEeFalse::isObjectOfThisType(node)) return true;
  const auto* leaf = KuvEeNodeLeaf::cast(node);
  return leaf != nullptr && (isAnd ? leaf->isEquivalentToTrue() : leaf->isEquivalentToFalse());
}

}  // namespace

TruthModel::TruthModel()
    : category(std::make_unique<KuvEeCategory>("Engine", Guid(0x700 + 1).data())),
      selection(std::make_unique<KuvEeSelectionVar>("Colour", Guid(0x700 + 5).data())),
      serial(
          std::make_unique<KuvEeSerialVar>("Units", Guid(0x700 + 9).data(), KuvEeSerialVar::UNIT, nullptr)),
      date(std::make_unique<KuvEeDateVar>("Build", Guid(0x700 + 10).data())) {
  const char* names[kOptions] = {"Diesel", "Petrol", "Electric"};
  for (int i = 0; i < kOptions; ++i)
    options[i] = std::make_unique<KuvEeCatOptionVar>(names[i], Guid(0x700 + 2 + i).data(), category.get());
  const char* colours[3] = {"Red", "Green", "Blue"};
  for (int i = 0; i < 3; ++i) values[i] = selection->addValue(colours[i], Guid(0x700 + 6 + i).data());
  effs[0] = std::make_unique<KuvEeBasicEff>("Export", Guid(0x700 + 11).data());
  effs[1] = std::make_unique<KuvEeBasicEff>("Winter", Guid(0x700 + 12).data());
  change = std::make_unique<KuvEePredefEff>("ECO", Guid(0x700 + 13).data(), true, KuvEePredefEff::GLOBAL);
}

TruthModel::~TruthModel() = default;

std::optional<TruthTable> truthTable(const TruthModel& model, const KuvEeNode& node) {
  return eval(model, node, kNone);
}

TruthTable substitute(const TruthTable& table, int eff, const TruthTable& definition) {
  const Axis& axis = eff < TruthModel::kEffs ? kEffAxis[eff] : kChangeAxis;
  TruthTable result;
  for (int c = 0; c < TruthModel::kConfigs; ++c) {
    const int holds = definition[c] ? 0 : 1;
    result[c] = table[c + (holds - (c / axis.stride) % axis.size) * axis.stride];
  }
  return result;
}

KuvEeNode* optionLeaf(const TruthModel& model, int i) {
  return new KuvEeVarEffLeaf(new KuvEeOptionEff(model.options[i].get(), KuvEeOptionEff::T));
}

KuvEeNode* unitsLeaf(const TruthModel& model) {
  auto* units = new KuvEeSerialEff(model.serial.get(), KuvEeSerialEff::AllFalse);
  units->set(1, true, 2, true);
  return new KuvEeVarEffLeaf(units);
}

KuvEeNode* changeLeaf(const TruthModel& model) { return new KuvEeEffLeaf(model.change.get()); }

TreeGenerator::TreeGenerator(const TruthModel& model, std::uint32_t seed, Options options)
    : m_model(model), m_random(seed), m_options(options) {}

std::unique_ptr<KuvEeNodeRef> TreeGenerator::next() {
  for (;;) {
    int budget = m_options.maxNodes;
    std::unique_ptr<KuvEeNodeRef> tree(node(budget, 0)->getNodeRef());
    if (truthTable(m_model, *tree)) return tree;
  }
}

KuvEeNode* TreeGenerator::node(int& budget, int depth) {
  --budget;
  const int kind = budget <= 1 || depth >= 5 ? 9 : pick(10);
  if (kind <= 4) {
    // And or Or with two to four children.
    const bool isAnd = kind <= 2;
    KuvEeGroupOp* group = isAnd ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
    const int count = 2 + pick(3);
    bool allWeak = true;
    for (int i = 0; i < count && budget > 0; ++i) {
      KuvEeNode* child = node(budget, depth + 1);
      allWeak = allWeak && isWeakFor(*child, isAnd);
      group->addChild(child);
    }
    if (allWeak)
      group->addChild(new KuvEeVarEffLeaf(new KuvEeOptionEff(m_model.options[0].get(), KuvEeOptionEff::T)));
    return group;
  }
  if (kind == 7) return domainNegation(budget, depth);
  if (kind <= 7) {
    auto* op = new KuvEeNotOp(m_options.notFlag && pick(2) == 0 ? 1 : 0);
    op->setChildRef(node(budget, depth + 1)->getNodeRef());
    return op;
  }
  return leaf();
}

KuvEeNode* TreeGenerator::domainNegation(int& budget, int depth) {
  auto* op = new KuvEeNotDomainOp;
  if (!m_options.domainOverLeavesOnly) {
    op->setChildRef(node(budget, depth + 1)->getNodeRef());
    return op;
  }
  KuvEeVarEffLeaf* leaf = nullptr;
  while (leaf == nullptr || leaf->isEquivalentToTrue() || leaf->isEquivalentToFalse()) {
    delete leaf;
    leaf = new KuvEeVarEffLeaf(varEff());
  }
  --budget;
  op->setChildRef(leaf->getNodeRef());
  return op;
}

KuvEeNode* TreeGenerator::leaf() {
  if (m_options.otherVarEff && pick(3) == 0) return new KuvEeVarEffLeaf(m_options.otherVarEff());
  switch (pick(10)) {
    case 0: return new KuvEeTrue;
    case 1: return new KuvEeFalse;
    case 2: return effLeaf();
    default: return new KuvEeVarEffLeaf(varEff());
  }
}

KuvEeNode* TreeGenerator::effLeaf() {
  auto* leaf = new KuvEeEffLeaf(m_options.changes ? static_cast<KuvEeEffectivity*>(m_model.change.get())
                                                  : m_model.effs[pick(TruthModel::kEffs)].get());
  KuvEeEffLeaf negation(leaf->getTargetEff());
  negation.opNot();
  bool merged = false;
  switch (pick(6)) {
    case 0: leaf->opOr(&negation, merged); break;
    case 1: leaf->opAnd(&negation, merged); break;
    case 2:
    case 3: leaf->opNot(); break;
    default: break;
  }
  return leaf;
}

KuvEeVarEff* TreeGenerator::varEff() {
  KuvEeVarEff* eff = nullptr;
  const bool special = pick(8) == 0;
  const bool allTrue = pick(2) == 0;
  switch (pick(m_options.dates ? 4 : 3)) {
    case 0: {
      // Draws in sequence, so that every compiler builds the same trees.
      const auto value = static_cast<std::uint32_t>(pick(8));
      auto* option = new KuvEeOptionEff(m_model.options[pick(3)].get(), value);
      if (special) option->set(allTrue ? KuvEeOptionEff::AllTrue : KuvEeOptionEff::AllFalse);
      eff = option;
      break;
    }
    case 1: {
      auto* selection = new KuvEeSelectionEff(m_model.selection.get(), KuvEeSelectionEff::AllFalse);
      for (int i = 0; i < 3; ++i)
        if (pick(2) == 0) selection->add(m_model.values[i]);
      if (pick(3) == 0) selection->orNoVar();
      eff = selection;
      if (special) selection->set(allTrue ? KuvEeSelectionEff::AllTrue : KuvEeSelectionEff::AllFalse);
      break;
    }
    case 2: {
      auto* serial = new KuvEeSerialEff(m_model.serial.get(), KuvEeSerialEff::AllFalse);
      // Range lists are sorted by their start.
      KuvInListVal ranges(KuvInSerialInterval::sType());
      for (int a = 1 + pick(3), n = 1 + pick(2); n > 0 && a <= 3; --n, a += 1 + pick(2)) {
        KuvInSerialInterval range;
        const bool toIncluded = pick(2) == 0;
        const int to = a + pick(4 - a);
        if (SUCCEEDED(range.setInterval(a, pick(2) == 0, to, toIncluded)))
          ranges.PutBack(range);
      }
      serial->set(ranges);
      if (pick(3) == 0) serial->orNoVar();
      eff = serial;
      if (special) serial->set(allTrue ? KuvEeSerialEff::AllTrue : KuvEeSerialEff::AllFalse);
      break;
    }
    default: {
      auto* date = new KuvEeDateEff(m_model.date.get(), KuvEeDateEff::AllFalse);
      const int from = pick(2);
      date->set(dayStart(from), dayEnd(from + pick(2 - from)));
      if (pick(3) == 0) date->orNoVar();
      eff = date;
      if (special) date->set(allTrue ? KuvEeDateEff::AllTrue : KuvEeDateEff::AllFalse);
      break;
    }
  }
  if (!special && pick(3) == 0) eff->opNot();
  return eff;
}

}  // namespace kuv_test
