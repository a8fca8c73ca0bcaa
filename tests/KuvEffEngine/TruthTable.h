// A small product model, the brute-force truth table of a tree over every
// configuration of it, and a random tree generator over it, for the tests
// that check that a transformation keeps the meaning of a tree.
//
// The model: a category of three options (each selected, not selected or
// without value), a colour with three values, a serial variable whose trees
// use the numbers 1 to 3, a date variable whose trees use two days, and two
// named effectivities that hold or not. A configuration gives each variable
// one value or the no-value element; the serial numbers 0 and 4 and the days
// before and after stand for everything below and above what the trees name,
// so the 12960 configurations decide every tree the generator makes. A
// change (a predefined effectivity) that holds or not doubles them, for
// trees that refer to it.
//
// Meaning of each construct:
// - True, False, And, Or: as in Boolean logic.
// - Not: the complement over all configurations, whatever its flag byte.
// - A variable-effectivity leaf: the configurations whose value of the
//   leaf's variable lies in the represented set (the positive part with its
//   no-value flag, complemented over the domain plus no-value when negated).
// - An effectivity leaf: the configurations where its target holds (does
//   not hold when negated; all or none for the constant states).
// - NotDomain: negation within the domain, which only variable leaves know. It is
//   pushed down like a negation (De Morgan over And and Or, composed with
//   Not as the pending pairs Not-then-NotDomain and NotDomain-then-Not); at a
//   leaf of set S it gives the valued states outside S. It has no meaning
//   over a set holding the no-value element nor over True, False or an
//   effectivity leaf; such trees have no truth table (truthTable gives
//   nullopt).
// Restriction leaves are not part of the model.
#pragma once

#include "support/KuvTestSupport.h"

class KuvEeBasicEff;
class KuvEeCategory;
class KuvEeCatOptionVar;
class KuvEeDateVar;
class KuvEeNode;
class KuvEePredefEff;
class KuvEeSelectionValue;
class KuvEeSelectionVar;
class KuvEeSerialVar;
class KuvEeVarEff;

namespace kuv_test {

struct TruthModel {
  static constexpr int kOptions = 3;
  // Values per variable, the no-value element last.
  static constexpr int kOptionStates = 3;     // T, F, N
  static constexpr int kSelectionStates = 4;  // three colours, N
  static constexpr int kSerialStates = 6;     // 0..4, N
  static constexpr int kDateStates = 5;       // before, day 1, day 2, after, N
  static constexpr int kEffs = 2;             // each holds or not, as the change
  static constexpr int kConfigs = 27 * kSelectionStates * kSerialStates * kDateStates * 4 * 2;

  TruthModel();
  ~TruthModel();
  TruthModel(const TruthModel&) = delete;
  TruthModel& operator=(const TruthModel&) = delete;

  std::unique_ptr<KuvEeCategory> category;
  std::unique_ptr<KuvEeCatOptionVar> options[kOptions];
  std::unique_ptr<KuvEeSelectionVar> selection;
  KuvEeSelectionValue* values[3];
  std::unique_ptr<KuvEeSerialVar> serial;
  std::unique_ptr<KuvEeDateVar> date;
  std::unique_ptr<KuvEeBasicEff> effs[kEffs];
  std::unique_ptr<KuvEePredefEff> change;
  // Variables outside the model (tree variables, say) are evaluated one of
  // their states at a time: when set, a variable effectivity this answers
  // for holds (true) or not (false) in every configuration.
  std::function<std::optional<bool>(const KuvEeVarEff&)> fixedLeaf;
};

using TruthTable = std::bitset<TruthModel::kConfigs>;

// The truth table of the tree under node; nullopt when it has none (see
// above) or holds a node outside the model.
std::optional<TruthTable> truthTable(const TruthModel& model, const KuvEeNode& node);
inline std::optional<TruthTable> truthTable(const TruthModel& model, const KuvEeNodeRef& ref) {
  return truthTable(model, *ref.getNode());
}

// The table of a tree whose references to effs[eff] are read through a
// definition of table definition: at each configuration the effectivity
// holds exactly where the definition does. eff kEffs stands for the change.
TruthTable substitute(const TruthTable& table, int eff, const TruthTable& definition);

// Leaves for hand-built trees (caller's): option i selected, the serial
// numbers 1 to 2, the change.
KuvEeNode* optionLeaf(const TruthModel& model, int i);
KuvEeNode* unitsLeaf(const TruthModel& model);
KuvEeNode* changeLeaf(const TruthModel& model);

// Random trees over the model, reproducible from the seed. Every tree has a
// truth table, at most maxNodes nodes, and no And (Or) whose children are
// all True (False) or leaves equivalent to it: the simplifier refuses those
// by design.
class TreeGenerator {
public:
  struct Options {
    int maxNodes = 12;
    // Not nodes with the flag byte set. The not-remover turns negations of
    // leaves met after such a Not into negations within the domain, a change
    // of meaning on purpose, so trees for the not-remover and the simplifier
    // (which runs it) leave them out.
    bool notFlag = true;
    // NotDomain only right above a variable-effectivity leaf that is not
    // equivalent to True or False. The simplifier and the normalizer fold
    // constant leaves, and leaves merged into constants, into True and
    // False, over which a negation within the domain has no meaning any more
    // (the variable's domain is lost); and the simplifier applies negations
    // bottom-up, where the pending-negation rules (Not inside
    // Not-then-NotDomain and NotDomain inside NotDomain-then-Not change
    // nothing) do not compose the same way: NotDomain(Not(leaf)) is the
    // domain complement of the negated leaf bottom-up, refused when that
    // holds the no-value element.
    bool domainOverLeavesOnly = false;
    // Leaves on the date variable among the others.
    bool dates = true;
    // Effectivity leaves refer to the change instead of the two named
    // effectivities.
    bool changes = false;
    // When set, makes a third of the leaves (caller's
    // effectivities; the model must answer for them through fixedLeaf).
    std::function<KuvEeVarEff*()> otherVarEff = nullptr;
  };

  TreeGenerator(const TruthModel& model, std::uint32_t seed, Options options);
  std::unique_ptr<KuvEeNodeRef> next();
  // A random variable effectivity of the model (caller's).
  KuvEeVarEff* varEff();
  // A random effectivity leaf of the model, in any of its four states.
  KuvEeNode* effLeaf();

private:
  KuvEeNode* node(int& budget, int depth);
  KuvEeNode* leaf();
  KuvEeNode* domainNegation(int& budget, int depth);
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

  const TruthModel& m_model;
  std::mt19937 m_random;
  Options m_options;
};

}  // namespace kuv_test
