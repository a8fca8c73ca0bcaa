#include "KuvEeDnfProduct.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "KuvDnf.h"
#include "KuvDnfAndTermList.h"
#include "KuvDnfAndTermMap.h"
#include "KuvDnfDateEff.h"
#include "KuvDnfMilestonesEff.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvEeAndOp.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeMakeDnfNode.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOrOp.h"
#include "KuvEeTransformLists.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvTbDnfBuilder.h"

namespace kuv::detail {

namespace {

// The channels that would print the steps the product saves: the
// development, the normalization, the nodes they copy and walk, the reading
// into terms, and the tests of another form's leaves, of any kind, against
// the product's.
// Exactly that class, not a kind of it: the library's own type identity.
template <class T>
bool isExactly(const KuvInObject& object) {
  return object.dType() == T::sType();
}

bool anyCallTraced() {
  KuvInTraceClass* channels[] = {
      &KuvEeMakeDnfNode::traceChannel(),   &KuvEeNodeDeveloper::traceChannel(),
      &KuvEeNodeNormalizer::traceChannel(), &KuvEeNodeCloner::traceChannel(),
      &KuvEeNode::traceChannel(),          &KuvEeNodeRef::traceChannel(),
      &KuvEeOp::traceChannel(),            &KuvEeGroupOp::traceChannel(),
      &KuvEeAndOp::traceChannel(),         &KuvEeOrOp::traceChannel(),
      &KuvEeNodeLeaf::traceChannel(),      &KuvEeNodeElementaryLeaf::traceChannel(),
      &KuvEeVarEffLeaf::traceChannel(),    &KuvEeEffLeaf::traceChannel(),
      &KuvEeVarEff::traceChannel(),        &KuvEeOptionEff::traceChannel(),
      &KuvTbDnfBuilder::traceChannel(),    &KuvDnf::traceChannel(),
      &KuvDnfAndTerm::traceChannel(),      &KuvDnfAndTermMap::traceChannel(),
      &KuvDnfAndTermList::traceChannel(),  &KuvDnfLeaf::traceChannel(),
      &KuvDnfEff::traceChannel(),          &KuvDnfVarEff::traceChannel(),
      &KuvDnfOptionEff::traceChannel(),    &KuvDnfSelectionEff::traceChannel(),
      &KuvDnfDateEff::traceChannel(),      &KuvDnfSerialEff::traceChannel(),
      &KuvDnfTreeSeriesEff::traceChannel(), &KuvDnfMilestonesEff::traceChannel(),
      &KuvDnfRestrictionEff::traceChannel()};
  for (KuvInTraceClass* channel : channels)
    if (channel->isCallOn()) return true;
  return false;
}

// The normal-form leaf of an option or effectivity leaf, read as the
// builder reads it but only where it would not trace; null otherwise.
KuvDnfLeaf* dnfLeafOf(const KuvEeNode& node) {
  if (isExactly<KuvEeVarEffLeaf>(node)) {
    const KuvEeVarEff* eff = static_cast<const KuvEeVarEffLeaf&>(node).getVarEff();
    const KuvEeOptionEff* option = eff != nullptr ? KuvEeOptionEff::cast(*eff) : nullptr;
    if (option == nullptr || (option->getValue() & ~7u) != 0) return nullptr;
  } else if (isExactly<KuvEeEffLeaf>(node)) {
    const KuvEeEffectivity* target = static_cast<const KuvEeEffLeaf&>(node).getTargetEff();
    // A map term refuses an effectivity without a key.
    if (target == nullptr || !target->getGuid().IsValuated()) return nullptr;
  } else {
    return nullptr;
  }
  return KuvTbDnfBuilder::createDnfLeaf(node);
}

}  // namespace

DnfProduct::DnfProduct() = default;
DnfProduct::~DnfProduct() = default;

bool DnfProduct::read(const KuvEeNode& root) {
  if (!isExactly<KuvEeAndOp>(root) || anyCallTraced()) return false;
  // Each leaf's criterion, normal-form key, factor and term.
  struct Seen {
    const KuvInObject* criterion;
    KuvDnfLeaf::Kind kind;
    const KuvInGuid* key;
    std::size_t factor;
    std::size_t term;
  };
  std::vector<Seen> seen;
  bool anyOr = false;
  auto addLeaf = [&](const KuvEeNode& node) {
    const KuvInObject* criterion = criterionOfOwnLeaf(node);
    if (criterion == nullptr) return false;
    const auto& leaf = static_cast<const KuvEeNodeLeaf&>(node);
    if (leaf.isEquivalentToTrue() || leaf.isEquivalentToFalse()) return false;
    std::unique_ptr<KuvDnfLeaf> owned(dnfLeafOf(node));
    if (owned == nullptr) return false;
    KuvDnfLeaf* dnfLeaf = owned.get();
    m_leaves.push_back(std::move(owned));
    seen.push_back({criterion, dnfLeaf->getKind(), &dnfLeaf->getGuid(), m_factorStarts.size() - 1,
                    m_termStarts.size() - 1});
    return true;
  };
  auto addTerm = [&](const KuvEeNode& node) {
    m_termStarts.push_back(m_leaves.size());
    if (!isExactly<KuvEeAndOp>(node)) return addLeaf(node);
    const auto& andOp = static_cast<const KuvEeAndOp&>(node);
    if (!isNormalTerm(andOp)) return false;
    for (auto it = andOp.childrenRefs().cBegin(); it.IsValid(); it.Next())
      if (!addLeaf(*static_cast<const KuvEeNodeRef*>(it.Get())->getNode())) return false;
    return true;
  };
  auto readFactors = [&]() {
    for (auto it = static_cast<const KuvEeAndOp&>(root).childrenRefs().cBegin(); it.IsValid(); it.Next()) {
      const KuvEeNode& factor = *static_cast<const KuvEeNodeRef*>(it.Get())->getNode();
      m_factorStarts.push_back(m_termStarts.size());
      if (!isExactly<KuvEeOrOp>(factor)) {
        if (isExactly<KuvEeAndOp>(factor) || !addTerm(factor)) return false;
        continue;
      }
      const KuvInLinkList& terms = static_cast<const KuvEeOrOp&>(factor).childrenRefs();
      if (terms.GetLength() < 2) return false;
      anyOr = true;
      for (auto term = terms.cBegin(); term.IsValid(); term.Next())
        if (!addTerm(*static_cast<const KuvEeNodeRef*>(term.Get())->getNode())) return false;
    }
    return anyOr && m_factorStarts.size() >= 2;
  };
  // A criterion or a key in two factors would meet itself in a term, and a
  // key twice in a term would be refused by it.
  auto distinct = [&]() {
    std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) {
      return std::less<>()(a.criterion, b.criterion) || (a.criterion == b.criterion && a.factor < b.factor);
    });
    for (std::size_t i = 1; i < seen.size(); ++i)
      if (seen[i].criterion == seen[i - 1].criterion && seen[i].factor != seen[i - 1].factor) return false;
    auto keyLess = [](const Seen& a, const Seen& b) {
      if (a.kind != b.kind) return a.kind < b.kind;
      return std::memcmp(a.key->getArray(), b.key->getArray(), KuvInGuid::sc_size) < 0;
    };
    std::sort(seen.begin(), seen.end(), [&](const Seen& a, const Seen& b) {
      if (keyLess(a, b) || keyLess(b, a)) return keyLess(a, b);
      return std::tie(a.factor, a.term) < std::tie(b.factor, b.term);
    });
    for (std::size_t i = 1; i < seen.size(); ++i)
      if (!keyLess(seen[i - 1], seen[i]) && (seen[i].factor != seen[i - 1].factor || seen[i].term == seen[i - 1].term))
        return false;
    return true;
  };
  if (!readFactors() || !distinct()) {
    m_leaves.clear();
    m_termStarts.clear();
    m_factorStarts.clear();
    return false;
  }
  m_factorStarts.push_back(m_termStarts.size());
  m_termStarts.push_back(m_leaves.size());
  return true;
}

KuvDnf* DnfProduct::expand() const {
  const std::size_t factors = m_factorStarts.size() - 1;
  std::vector<std::size_t> picks(m_factorStarts.begin(), m_factorStarts.end() - 1);
  std::size_t count = 1;
  for (std::size_t f = 0; f < factors; ++f) count *= m_factorStarts[f + 1] - m_factorStarts[f];
  auto dnf = std::make_unique<KuvDnf>(static_cast<std::int32_t>(count), DNF_COND_NONE);
  for (;;) {
    std::size_t size = 0;
    for (std::size_t pick : picks) size += m_termStarts[pick + 1] - m_termStarts[pick];
    auto term = std::make_unique<KuvDnfAndTermMap>(static_cast<std::int32_t>(size));
    for (std::size_t pick : picks) {
      for (std::size_t i = m_termStarts[pick]; i < m_termStarts[pick + 1]; ++i) {
        std::unique_ptr<KuvDnfLeaf> leaf(m_leaves[i]->clone());
        if (FAILED(term->addDnfLeaf(*leaf))) return nullptr;
        leaf.release();
      }
    }
    dnf->addAndTerm(term.release());
    // The last factor varies fastest.
    std::size_t f = factors;
    while (f > 0 && ++picks[f - 1] == m_factorStarts[f]) {
      picks[f - 1] = m_factorStarts[f - 1];
      --f;
    }
    if (f == 0) return dnf.release();
  }
}

HRESULT DnfProduct::isIntersectedBy(const KuvDnf& other, unsigned char& out) const {
  out = 0;
  if (other.getSpecialCondition() == DNF_COND_FALSE) return S_OK;
  if (other.getSpecialCondition() == DNF_COND_TRUE) {
    out = 1;
    return S_OK;
  }
  // Only the library's terms are known to test each leaf on its own.
  for (const KuvDnfAndTerm* mine : other.andTerms()) {
    if (!isExactly<KuvDnfAndTermMap>(*mine) && !isExactly<KuvDnfAndTermList>(*mine)) {
      std::unique_ptr<KuvDnf> terms(expand());
      if (!terms) return E_FAIL;
      return other.isIntersect(*terms, out);
    }
  }
  // The terms of each factor, as map terms.
  std::vector<std::unique_ptr<KuvDnfAndTerm>> parts;
  for (std::size_t t = 0; t + 1 < m_termStarts.size(); ++t) {
    auto part = std::make_unique<KuvDnfAndTermMap>(static_cast<std::int32_t>(m_termStarts[t + 1] - m_termStarts[t]));
    for (std::size_t i = m_termStarts[t]; i < m_termStarts[t + 1]; ++i) {
      std::unique_ptr<KuvDnfLeaf> leaf(m_leaves[i]->clone());
      if (FAILED(part->addDnfLeaf(*leaf))) return E_FAIL;
      leaf.release();
    }
    parts.push_back(std::move(part));
  }
  // The factor of each leaf key: a map term without restrictions meets
  // every term that shares no key with it, so the factors none of its keys
  // fall in are met by all their terms and need no test.
  struct Key {
    KuvDnfLeaf::Kind kind;
    const KuvInGuid* guid;
    std::size_t factor;
  };
  auto keyLess = [](const Key& a, const Key& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    return std::memcmp(a.guid->getArray(), b.guid->getArray(), KuvInGuid::sc_size) < 0;
  };
  std::vector<Key> keys;
  for (std::size_t f = 0; f + 1 < m_factorStarts.size(); ++f)
    for (std::size_t i = m_termStarts[m_factorStarts[f]]; i < m_termStarts[m_factorStarts[f + 1]]; ++i)
      keys.push_back({m_leaves[i]->getKind(), &m_leaves[i]->getGuid(), f});
  std::sort(keys.begin(), keys.end(), keyLess);
  std::vector<std::size_t> touched;
  auto touchedFactors = [&](const KuvDnfAndTerm& mine) {
    touched.clear();
    for (const KuvDnfLeaf* leaf : mine.leaves()) {
      if (leaf->getKind() == KuvDnfLeaf::Kind::Restriction) return false;
      const Key key{leaf->getKind(), &leaf->getGuid(), 0};
      for (auto at = std::lower_bound(keys.begin(), keys.end(), key, keyLess);
           at != keys.end() && !keyLess(key, *at); ++at)
        touched.push_back(at->factor);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    return true;
  };
  std::vector<std::size_t> all;
  for (std::size_t f = 0; f + 1 < m_factorStarts.size(); ++f) all.push_back(f);
  for (const KuvDnfAndTerm* mine : other.andTerms()) {
    const bool sifted = isExactly<KuvDnfAndTermMap>(*mine) && touchedFactors(*mine);
    bool meetsAll = true;
    for (std::size_t f : sifted ? touched : all) {
      unsigned char meets = 0;
      for (std::size_t t = m_factorStarts[f]; meets == 0 && t < m_factorStarts[f + 1]; ++t) {
        HRESULT hr = mine->isIntersect(static_cast<const KuvDnfAndTerm&>(*parts[t]), meets);
        if (FAILED(hr)) return hr;
      }
      meetsAll = meets != 0;
      if (!meetsAll) break;
    }
    if (meetsAll) {
      out = 1;
      return S_OK;
    }
  }
  return S_OK;
}

DnfNegation::DnfNegation() = default;
DnfNegation::~DnfNegation() = default;

HRESULT DnfNegation::isIntersectedBy(const KuvDnf& other, unsigned char& out) const {
  return factors.isRead() ? factors.isIntersectedBy(other, out) : other.isIntersect(*terms, out);
}

}  // namespace kuv::detail
