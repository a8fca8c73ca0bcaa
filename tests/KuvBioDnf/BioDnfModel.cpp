#include "BioDnfModel.h"

#include <numeric>

#include "support/KuvTestSupport.h"

namespace bio_dnf_test {

namespace {

int draw(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
bool coin(std::mt19937& rng) { return draw(rng, 0, 1) == 1; }
KuvInGuid guid(std::mt19937& rng) { return kuv_test::Guid(static_cast<unsigned>(draw(rng, 1, 24))).guid(); }

// Up to max distinct GUIDs, ascending.
std::vector<KuvInGuid> guidSet(std::mt19937& rng, int max) {
  std::vector<KuvInGuid> guids;
  for (int i = draw(rng, 0, max); i > 0; --i) {
    KuvInGuid g = guid(rng);
    if (std::find(guids.begin(), guids.end(), g) == guids.end()) guids.push_back(g);
  }
  std::sort(guids.begin(), guids.end());
  return guids;
}

KuvInTreeEvalIndexBound bound(std::mt19937& rng, std::uint32_t first) {
  KuvInTreeEvalIndexBound b(first);
  for (int i = draw(rng, 0, 2); i > 0; --i) b.AddNewLevelWithValue(static_cast<std::uint32_t>(draw(rng, 0, 99)));
  return b;
}

KuvInDate date(std::mt19937& rng, int year) {
  // Drawn in sequence, so that every compiler makes the same dates.
  const int second = draw(rng, 1, 60), minute = draw(rng, 1, 60), hour = draw(rng, 1, 24);
  const int day = draw(rng, 1, 28), month = draw(rng, 1, 12);
  return KuvInDate(year, month, day, hour, minute, second);
}

KuvInListVal dateRanges(std::mt19937& rng) {
  KuvInListVal ranges(KuvInDateInterval::sType());
  const int n = draw(rng, 0, 3);
  for (int i = 0; i < n; ++i) {
    KuvInDate a = date(rng, 2000 + 4 * i);
    KuvInDate b = date(rng, 2001 + 4 * i + draw(rng, 0, 1));
    if (i == 0 && draw(rng, 0, 3) == 0) a.setInfNeg();
    if (i == n - 1 && draw(rng, 0, 3) == 0) b.setInfPos();
    KuvInDateInterval range;
    range.setInterval(a, b);
    ranges.PutBack(range);
  }
  return ranges;
}

KuvInListVal serialRanges(std::mt19937& rng) {
  KuvInListVal ranges(KuvInSerialInterval::sType());
  std::int32_t next = draw(rng, 1, 9);
  for (int i = draw(rng, 0, 3); i > 0; --i) {
    const std::int32_t a = next;
    const std::int32_t b = a + draw(rng, 2, 20);
    KuvInSerialInterval range;
    const bool toIncluded = coin(rng);
    range.setInterval(a, coin(rng), b, toIncluded);
    ranges.PutBack(range);
    next = b + draw(rng, 2, 9);
  }
  return ranges;
}

KuvInListVal treeRanges(std::mt19937& rng) {
  KuvInListVal ranges(KuvInTreeEvalInterval::sType());
  for (std::uint32_t i = 0, n = static_cast<std::uint32_t>(draw(rng, 0, 2)); i < n; ++i) {
    const bool toIncluded = coin(rng);
    const auto to = bound(rng, 10 * i + 5);
    const bool fromIncluded = coin(rng);
    ranges.PutBack(KuvInTreeEvalInterval(bound(rng, 10 * i + 1), fromIncluded, to, toIncluded));
  }
  return ranges;
}

KuvInListVal milestoneRanges(std::mt19937& rng) {
  using Value = KuvInMilestonesEvalIntervalValue;
  KuvInListVal ranges(KuvInMilestonesEvalInterval::sType());
  for (std::uint32_t i = 0, n = static_cast<std::uint32_t>(draw(rng, 0, 2)); i < n; ++i) {
    const bool toIncluded = coin(rng);
    const bool toDerived = coin(rng);
    const Value to(bound(rng, 10 * i + 5), toDerived);
    const bool fromIncluded = coin(rng);
    const bool fromDerived = coin(rng);
    const Value from(bound(rng, 10 * i + 1), fromDerived);
    ranges.PutBack(KuvInMilestonesEvalInterval(from, fromIncluded, to, toIncluded));
  }
  return ranges;
}

template <class Leaf>
std::unique_ptr<KuvDnfLeaf> restricted(std::mt19937& rng, Leaf* leaf, const std::vector<KuvInGuid>& variables) {
  std::unique_ptr<KuvDnfLeaf> owned(leaf);
  for (const KuvInGuid& g : variables) leaf->putVariable(g);
  if (coin(rng)) leaf->negate();
  return owned;
}

std::int32_t setSize(std::mt19937& rng, std::vector<KuvInGuid>& guids) {
  guids = guidSet(rng, 3);
  return static_cast<std::int32_t>(guids.size());
}

}  // namespace

std::unique_ptr<KuvDnfLeaf> randomLeaf(std::mt19937& rng, LeafKind kind) {
  static const std::int32_t serialTypes[] = {1, 12, 13, 14};
  std::vector<KuvInGuid> set;
  // Each leaf draws its parts last first, in sequence, so that every
  // compiler makes the same leaves: the negation and no-value flags of the
  // leaf classes that have them come first.
  const bool negated = kind < LeafKind::SerialRestriction && coin(rng);
  const bool noValue = kind >= LeafKind::Selection && kind < LeafKind::SerialRestriction && coin(rng);
  switch (kind) {
    case LeafKind::Eff:
      return std::make_unique<KuvDnfEff>(guid(rng), negated);
    case LeafKind::Option: {
      const std::int32_t value = draw(rng, 0, 7);
      const KuvInGuid feature = guid(rng);
      return std::make_unique<KuvDnfOptionEff>(guid(rng), feature, value, negated);
    }
    case LeafKind::Selection: {
      const std::int32_t size = setSize(rng, set);
      auto leaf = std::make_unique<KuvDnfSelectionEff>(guid(rng), size, noValue, negated);
      for (const KuvInGuid& g : set) leaf->putValue(g);
      return leaf;
    }
    case LeafKind::Date: {
      KuvInListVal ranges = dateRanges(rng);
      return std::make_unique<KuvDnfDateEff>(guid(rng), ranges, noValue, negated);
    }
    case LeafKind::Serial: {
      const std::int32_t type = serialTypes[draw(rng, 0, 3)];
      KuvInListVal ranges = serialRanges(rng);
      return std::make_unique<KuvDnfSerialEff>(guid(rng), ranges, type, noValue, negated);
    }
    case LeafKind::Milestones: {
      KuvInListVal ranges = milestoneRanges(rng);
      return std::make_unique<KuvDnfMilestonesEff>(guid(rng), ranges, noValue, negated);
    }
    case LeafKind::TreeSeries: {
      const std::int32_t type = draw(rng, 18, 19);
      KuvInListVal ranges = treeRanges(rng);
      return std::make_unique<KuvDnfTreeSeriesEff>(guid(rng), ranges, type, noValue, negated);
    }
    case LeafKind::SerialRestriction: {
      const std::int32_t type = serialTypes[draw(rng, 0, 3)];
      return restricted(rng, new KuvDnfSerialRestrictionEff(setSize(rng, set), type), set);
    }
    case LeafKind::TreeSeriesRestriction: {
      const std::int32_t type = draw(rng, 18, 19);
      return restricted(rng, new KuvDnfTreeSeriesRestrictionEff(setSize(rng, set), type), set);
    }
    case LeafKind::DateRestriction:
      return restricted(rng, new KuvDnfDateRestrictionEff(setSize(rng, set)), set);
    case LeafKind::SelectionRestriction:
      return restricted(rng, new KuvDnfSelectionRestrictionEff(setSize(rng, set)), set);
    case LeafKind::CategoryOptionRestriction: {
      const KuvInGuid option = guid(rng);
      return restricted(rng, new KuvDnfCategoryOptionRestrictionEff(setSize(rng, set), option), set);
    }
    case LeafKind::CategoryRestriction:
      return restricted(rng, new KuvDnfCategoryRestrictionEff(setSize(rng, set)), set);
    case LeafKind::EffRestriction:
      return restricted(rng, new KuvDnfEffRestrictionEff(setSize(rng, set)), set);
    case LeafKind::MilestonesRestriction:
      return restricted(rng, new KuvDnfMilestonesRestrictionEff(setSize(rng, set)), set);
  }
  return nullptr;
}

std::unique_ptr<KuvDnf> randomDnf(std::mt19937& rng, KuvDnfAndTermFactory::E_Type type, int terms, int maxLeaves) {
  auto dnf = std::make_unique<KuvDnf>(terms, DNF_COND_NONE);
  std::vector<int> kinds(sc_nbLeafKinds);
  for (int t = 0; t < terms; ++t) {
    const int n = draw(rng, 1, std::min(maxLeaves, sc_nbLeafKinds));
    std::iota(kinds.begin(), kinds.end(), 0);
    std::shuffle(kinds.begin(), kinds.end(), rng);
    std::unique_ptr<KuvDnfAndTerm> term(KuvDnfAndTermFactory::create(type, n));
    for (int i = 0; i < n; ++i) {
      const int kind = type == KuvDnfAndTermFactory::List ? draw(rng, 0, sc_nbLeafKinds - 1) : kinds[i];
      std::unique_ptr<KuvDnfLeaf> leaf = randomLeaf(rng, static_cast<LeafKind>(kind));
      if (term->addDnfLeaf(*leaf) == S_OK) leaf.release();
    }
    dnf->addAndTerm(term.release());
  }
  return dnf;
}

std::unique_ptr<KuvDnf> dnfOf(std::unique_ptr<KuvDnfLeaf> leaf, KuvDnfAndTermFactory::E_Type type) {
  auto dnf = std::make_unique<KuvDnf>(1, DNF_COND_NONE);
  std::unique_ptr<KuvDnfAndTerm> term(KuvDnfAndTermFactory::create(type, 1));
  if (term->addDnfLeaf(*leaf) == S_OK) leaf.release();
  dnf->addAndTerm(term.release());
  return dnf;
}

std::vector<std::uint8_t> fromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

}  // namespace bio_dnf_test
