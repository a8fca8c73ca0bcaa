#include "DnfModel.h"

#include "support/KuvTestSupport.h"

namespace dnf_test {

using kuv_test::Guid;

const std::vector<Config>& allConfigs() {
  static const std::vector<Config> configs = [] {
    std::vector<Config> all;
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b)
        for (int o = 0; o < 3; ++o)
          for (int s = 0; s < 4; ++s)
            for (int u = 0; u < 5; ++u)
              for (int t = 0; t < 4; ++t)
                for (int e = 0; e < 2; ++e) all.push_back(Config{{a, b, o}, s, u, t, e});
    return all;
  }();
  return configs;
}

KuvInGuid optionGuid(int i) { return Guid(10 + static_cast<unsigned>(i)).guid(); }
KuvInGuid featureOf(int option) { return Guid(option < 2 ? 20 : 21).guid(); }
KuvInGuid selectionGuid() { return Guid(30).guid(); }
KuvInGuid valueGuid(int value) { return Guid(31 + static_cast<unsigned>(value)).guid(); }
KuvInGuid unitGuid() { return Guid(40).guid(); }
KuvInGuid stateGuid() { return Guid(41).guid(); }
KuvInGuid effGuid() { return Guid(50).guid(); }

KuvInListVal serialRanges(unsigned mask) {
  KuvInListVal ranges(KuvInSerialInterval::sType());
  for (int i = 0; i < 8; ++i) {
    if ((mask >> i & 1u) == 0 || (i > 0 && (mask >> (i - 1) & 1u) != 0)) continue;
    int j = i;
    while ((mask >> (j + 1) & 1u) != 0) ++j;
    KuvInSerialInterval range;
    range.setInterval(i + 1, true, j + 1, true);
    ranges.PutBack(range);
  }
  return ranges;
}

namespace {

int draw(std::mt19937& rng, int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

// A non-empty proper subset of n elements as a mask.
unsigned properSubset(std::mt19937& rng, int n) { return 1u + static_cast<unsigned>(draw(rng, (1 << n) - 2)); }

Leaf serialLeaf(std::mt19937& rng, bool unit, bool negated) {
  const int values = unit ? 4 : 3;
  unsigned mask = static_cast<unsigned>(draw(rng, 1 << values));
  if (negated && mask == 0) mask = 1;
  const bool noVar = !negated && (mask == 0 || draw(rng, 3) == 0) && mask != (1u << values) - 1;
  Leaf leaf;
  leaf.leaf = std::make_unique<KuvDnfSerialEff>(unit ? unitGuid() : stateGuid(), serialRanges(mask),
                                                unit ? KuvDnfSerialEff::UNIT : KuvDnfSerialEff::STATE, noVar,
                                                negated);
  leaf.holds = [=](const Config& c) {
    const int v = unit ? c.unit : c.state;
    const bool in = v == 0 ? noVar : (mask >> (v - 1) & 1u) != 0;
    return in != negated;
  };
  return leaf;
}

}  // namespace

Leaf randomLeaf(std::mt19937& rng, LeafOptions options) {
  const bool negated = options.negated && draw(rng, 3) == 0;
  Leaf leaf;
  switch (draw(rng, options.restrictions ? 7 : 5)) {
    case 0: {
      const int option = draw(rng, 3);
      const unsigned bits = negated ? 1u << draw(rng, 3) : properSubset(rng, 3);
      leaf.leaf = std::make_unique<KuvDnfOptionEff>(optionGuid(option), featureOf(option), bits, negated);
      leaf.holds = [=](const Config& c) { return ((bits >> c.option[option] & 1u) != 0) != negated; };
      return leaf;
    }
    case 1: {
      unsigned mask = static_cast<unsigned>(draw(rng, 8));
      const bool noVar = !negated && (mask == 0 || draw(rng, 3) == 0) && mask != 7;
      if (mask == 0 && !noVar) mask = 1;
      auto selection = std::make_unique<KuvDnfSelectionEff>(selectionGuid(), 3, noVar, negated);
      for (int v = 0; v < 3; ++v)
        if ((mask >> v & 1u) != 0) selection->putValue(valueGuid(v));
      leaf.leaf = std::move(selection);
      leaf.holds = [=](const Config& c) {
        const bool in = c.selection == 3 ? noVar : (mask >> c.selection & 1u) != 0;
        return in != negated;
      };
      return leaf;
    }
    case 2: return serialLeaf(rng, true, negated);
    case 3: return serialLeaf(rng, false, negated);
    case 4:
      leaf.leaf = std::make_unique<KuvDnfEff>(effGuid(), negated);
      leaf.holds = [=](const Config& c) { return (c.eff != 0) != negated; };
      return leaf;
    case 5: {
      // Options of F1 outside the set have no value.
      const unsigned kept = static_cast<unsigned>(draw(rng, 4));
      auto restriction = std::make_unique<KuvDnfCategoryOptionRestrictionEff>(2, featureOf(0));
      for (int o = 0; o < 2; ++o)
        if ((kept >> o & 1u) != 0) restriction->putVariable(optionGuid(o));
      leaf.leaf = std::move(restriction);
      leaf.holds = [=](const Config& c) {
        for (int o = 0; o < 2; ++o)
          if ((kept >> o & 1u) == 0 && c.option[o] != 2) return false;
        return true;
      };
      return leaf;
    }
    default: {
      const bool unit = draw(rng, 2) == 0;
      auto restriction = std::make_unique<KuvDnfSerialRestrictionEff>(
          1, unit ? KuvDnfSerialEff::UNIT : KuvDnfSerialEff::STATE);
      leaf.leaf = std::move(restriction);
      leaf.holds = [=](const Config& c) { return (unit ? c.unit : c.state) == 0; };
      return leaf;
    }
  }
}

Term randomTerm(std::mt19937& rng, KuvDnfAndTermFactory::E_Type type, int maxLeaves, LeafOptions options) {
  for (;;) {
    Term term;
    term.term.reset(KuvDnfAndTermFactory::create(type, maxLeaves));
    // One leaf per key, as a map term requires; the list gets the same.
    std::set<std::pair<int, std::string>> keys;
    std::vector<Predicate> parts;
    const int n = 1 + draw(rng, maxLeaves);
    for (int i = 0; i < n; ++i) {
      Leaf leaf = randomLeaf(rng, options);
      const KuvDnfLeaf& l = *leaf.leaf;
      const auto* category = KuvDnfCategoryOptionRestrictionEff::cast(l);
      const auto* serialCut = KuvDnfSerialRestrictionEff::cast(l);
      const std::string key = category != nullptr ? "category"
                              : serialCut != nullptr ? std::to_string(serialCut->getSerialType())
                                                     : std::string(l.getGuid().toString().ConvertToChar());
      if (!keys.insert({static_cast<int>(l.getKind()), key}).second) continue;
      EXPECT_EQ(S_OK, term.term->addDnfLeaf(*leaf.leaf.release()));
      parts.push_back(leaf.holds);
    }
    term.holds = [parts](const Config& c) {
      for (const Predicate& p : parts)
        if (!p(c)) return false;
      return true;
    };
    for (const Config& c : allConfigs())
      if (term.holds(c)) return term;
  }
}

bool holds(const KuvDnf& dnf, const std::vector<Predicate>& terms, const Config& c) {
  if (dnf.getSpecialCondition() != DNF_COND_NONE) return dnf.getSpecialCondition() == DNF_COND_TRUE;
  for (const Predicate& p : terms)
    if (p(c)) return true;
  return false;
}

}  // namespace dnf_test
