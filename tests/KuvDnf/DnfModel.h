// A small product model that normal forms are checked against by brute
// force: three options (two of feature F1, one of F2), an exclusive
// feature with three values, a unit serial variable (1..4), a state serial
// variable (1..3) and one predefined effectivity. Each configuration gives
// every variable a value or none; random leaves come with the predicate
// they stand for.
#pragma once

#include "support/KuvTestSupport.h"

namespace dnf_test {

struct Config {
  int option[3];  // 0 selected, 1 rejected, 2 no value
  int selection;  // value 0..2, 3 none
  int unit;       // 0 none, 1..4
  int state;      // 0 none, 1..3
  int eff;        // 0 or 1
};

const std::vector<Config>& allConfigs();

KuvInGuid optionGuid(int i);
KuvInGuid featureOf(int option);
KuvInGuid selectionGuid();
KuvInGuid valueGuid(int value);
KuvInGuid unitGuid();
KuvInGuid stateGuid();
KuvInGuid effGuid();

using Predicate = std::function<bool(const Config&)>;

// A leaf and what it means.
struct Leaf {
  std::unique_ptr<KuvDnfLeaf> leaf;
  Predicate holds;
};

struct LeafOptions {
  bool negated = true;       // may draw negated leaves
  bool restrictions = false;  // may draw (not negated) restrictions
};

// Random leaves whose pairwise tests the normal form decides exactly: no
// tautologies, negated options on one state, negated selections and serial
// leaves without the no-value flag.
Leaf randomLeaf(std::mt19937& rng, LeafOptions options);

// A term of the given kind on distinct criteria, satisfiable, and its
// predicate.
struct Term {
  std::unique_ptr<KuvDnfAndTerm> term;
  Predicate holds;
};
Term randomTerm(std::mt19937& rng, KuvDnfAndTermFactory::E_Type type, int maxLeaves, LeafOptions options);

// A serial range list over whole numbers: the runs of set bits of mask
// (bit i stands for i + 1).
KuvInListVal serialRanges(unsigned mask);

bool holds(const KuvDnf& dnf, const std::vector<Predicate>& terms, const Config& c);

}  // namespace dnf_test
