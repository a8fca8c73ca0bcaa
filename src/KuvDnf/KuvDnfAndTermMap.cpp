#include "KuvDnfAndTermMap.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <typeinfo>

#include "KuvDnfExclusiveVariables.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvInTraceClass.h"
#include "KuvMixedHash.h"

KUV_DEFINE_TYPE(KuvDnfAndTermMap, KuvDnfAndTerm)

namespace {

using Kind = KuvDnfLeaf::Kind;

// (tag, GUID) to value. Terms are mostly a handful of leaves, so entries
// are scanned in order up to kLinear; past that an open-addressing table
// of entry numbers keeps lookups constant for terms of thousands of leaves.
template <class Value>
class KeyIndex {
public:
  const Value* find(std::uint32_t tag, const KuvInGuid& guid) const {
    const std::size_t at = numberOf(tag, guid);
    return at == npos ? nullptr : &m_entries[at].value;
  }
  Value* find(std::uint32_t tag, const KuvInGuid& guid) {
    return const_cast<Value*>(static_cast<const KeyIndex&>(*this).find(tag, guid));
  }
  // The entry on that key, numbered in insertion order; npos for none.
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  std::size_t numberOf(std::uint32_t tag, const KuvInGuid& guid) const {
    if (m_slots.empty()) {
      for (std::size_t at = 0; at < m_entries.size(); ++at)
        if (m_entries[at].tag == tag && same(*m_entries[at].guid, guid)) return at;
      return npos;
    }
    const std::uint32_t hash = hashOf(tag, guid);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const std::int32_t slot = m_slots[i];
      if (slot == 0) return npos;
      const std::size_t at = static_cast<std::size_t>(slot - 1);
      const Entry& e = m_entries[at];
      if (e.hash == hash && e.tag == tag && same(*e.guid, guid)) return at;
    }
  }
  // f(tag, guid) for each entry, in insertion order.
  template <class F>
  void forEachKey(F f) const {
    for (const Entry& e : m_entries) f(e.tag, *e.guid);
  }
  const Value& at(std::size_t number) const { return m_entries[number].value; }
  // guid must outlive the entry (it is the key of a leaf the term owns).
  void insert(std::uint32_t tag, const KuvInGuid& guid, Value value) {
    m_entries.push_back(Entry{hashOf(tag, guid), tag, &guid, value});
    if (m_entries.size() <= kLinear) return;
    if (m_slots.size() < 2 * m_entries.size()) {
      rehash(4 * m_entries.size());
    } else {
      place(m_entries.size() - 1);
    }
  }
  void clear() {
    m_entries.clear();
    m_slots.clear();
  }
  std::size_t size() const { return m_entries.size(); }

private:
  static constexpr std::size_t kLinear = 16;
  struct Entry {
    std::uint32_t hash;
    std::uint32_t tag;
    const KuvInGuid* guid;
    Value value;
  };
  // The table's own hash and equality, read in place: no call per probe.
  static std::uint32_t hashOf(std::uint32_t tag, const KuvInGuid& guid) {
    return static_cast<std::uint32_t>(kuv::detail::guidMix(guid.getArray()) >> 32) ^ (tag * 0x9E3779B9u);
  }
  static bool same(const KuvInGuid& a, const KuvInGuid& b) {
    return std::memcmp(a.getArray(), b.getArray(), KuvInGuid::sc_size) == 0;
  }
  void rehash(std::size_t atLeast) {
    std::size_t size = 64;
    while (size < atLeast) size *= 2;
    m_slots.assign(size, 0);
    for (std::size_t i = 0; i < m_entries.size(); ++i) place(i);
  }
  void place(std::size_t entry) {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = m_entries[entry].hash & mask;
    while (m_slots[i] != 0) i = (i + 1) & mask;
    m_slots[i] = static_cast<std::int32_t>(entry + 1);
  }
  std::vector<Entry> m_entries;
  std::vector<std::int32_t> m_slots;
};

std::uint32_t tagOf(const KuvDnfLeaf& leaf) {
  std::uint32_t tag = static_cast<std::uint32_t>(leaf.getKind());
  if (leaf.getKind() == Kind::TreeSeries) tag |= static_cast<const KuvDnfTreeSeriesEff&>(leaf).getTreeType() << 8;
  return tag;
}

int treeSlot(std::uint32_t type) { return type == 18 ? 0 : type == 19 ? 1 : -1; }

}  // namespace

struct KuvDnfAndTermMap::Indexes {
  KeyIndex<KuvDnfLeaf*> leaves;
  KeyIndex<std::int32_t> serialIndex;
  std::vector<KuvDnfSerialEffMultiStruct> serials;
  KeyIndex<KuvDnfRestrictionEff*> categoryOptions;
  KuvDnfRestrictionEff* date = nullptr;
  KuvDnfRestrictionEff* category = nullptr;
  KuvDnfRestrictionEff* selection = nullptr;
  KuvDnfRestrictionEff* eff = nullptr;
  KuvDnfRestrictionEff* milestones = nullptr;
  KuvDnfRestrictionEff* serial[4] = {nullptr, nullptr, nullptr, nullptr};
  KuvDnfRestrictionEff* tree[2] = {nullptr, nullptr};
  std::size_t restrictions = 0;

  const KuvDnfSerialEffMultiStruct* serialsOf(const KuvInGuid& variable) const {
    const std::int32_t* at = serialIndex.find(0, variable);
    return at == nullptr ? nullptr : &serials[static_cast<std::size_t>(*at)];
  }

  // The slot of a restriction's kind and part, or null for an unknown type
  // (category options have their own map).
  KuvDnfRestrictionEff** slotOf(const KuvDnfRestrictionEff& r) {
    if (KuvDnfDateRestrictionEff::isObjectOfThisType(r)) return &date;
    if (KuvDnfCategoryRestrictionEff::isObjectOfThisType(r)) return &category;
    if (KuvDnfSelectionRestrictionEff::isObjectOfThisType(r)) return &selection;
    if (KuvDnfEffRestrictionEff::isObjectOfThisType(r)) return &eff;
    if (KuvDnfMilestonesRestrictionEff::isObjectOfThisType(r)) return &milestones;
    if (const auto* s = KuvDnfSerialRestrictionEff::cast(r)) {
      const int slot = KuvDnfSerialEffMultiStruct::slotOf(s->getSerialType());
      return slot < 0 ? nullptr : &serial[slot];
    }
    if (const auto* t = KuvDnfTreeSeriesRestrictionEff::cast(r)) {
      const int slot = treeSlot(t->getTreeType());
      return slot < 0 ? nullptr : &tree[slot];
    }
    return nullptr;
  }

  const KuvDnfRestrictionEff* restrictionOf(const KuvDnfRestrictionEff& r) const {
    if (KuvDnfCategoryOptionRestrictionEff::isObjectOfThisType(r)) {
      KuvDnfRestrictionEff* const* found = categoryOptions.find(0, r.getGuid());
      return found == nullptr ? nullptr : *found;
    }
    KuvDnfRestrictionEff** slot = const_cast<Indexes*>(this)->slotOf(r);
    return slot == nullptr ? nullptr : *slot;
  }

  // This term's restriction over a variable leaf's kind and part.
  const KuvDnfRestrictionEff* restrictionOver(const KuvDnfLeaf& leaf) const {
    switch (leaf.getKind()) {
      case Kind::Option: {
        KuvDnfRestrictionEff* const* found =
            categoryOptions.find(0, static_cast<const KuvDnfOptionEff&>(leaf).getFeature());
        return found == nullptr ? nullptr : *found;
      }
      case Kind::Selection: return selection;
      case Kind::Date: return date;
      case Kind::Milestones: return milestones;
      case Kind::Eff: return eff;
      case Kind::Serial: {
        const int slot = KuvDnfSerialEffMultiStruct::slotOf(static_cast<const KuvDnfSerialEff&>(leaf).getSerialType());
        return slot < 0 ? nullptr : serial[slot];
      }
      case Kind::TreeSeries: {
        const int slot = treeSlot(static_cast<const KuvDnfTreeSeriesEff&>(leaf).getTreeType());
        return slot < 0 ? nullptr : tree[slot];
      }
      default: return nullptr;
    }
  }
};

KuvDnfAndTermMap::KuvDnfAndTermMap(std::int32_t capacity) : KuvDnfAndTerm(capacity) {}
KuvDnfAndTermMap::~KuvDnfAndTermMap() = default;

void KuvDnfAndTermMap::forgetIndexes() {
  m_indexes.reset();
  for (KuvDnfLeaf* leaf : m_leaves) index(*leaf);
}

HRESULT KuvDnfAndTermMap::addDnfLeaf(KuvDnfLeaf& leaf) {
  HRESULT hr = index(leaf);
  if (FAILED(hr)) return hr;
  m_leaves.push_back(&leaf);
  return S_OK;
}

HRESULT KuvDnfAndTermMap::index(KuvDnfLeaf& leaf) {
  if (!m_indexes) m_indexes = std::make_unique<Indexes>();
  Indexes& ix = *m_indexes;
  switch (leaf.getKind()) {
    case Kind::Eff:
      if (!leaf.getGuid().IsValuated())
        KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected to have an effectivity without a CFGKey for DNF.");
      [[fallthrough]];
    case Kind::Option:
    case Kind::Selection:
    case Kind::Date:
    case Kind::Milestones:
      if (ix.leaves.find(tagOf(leaf), leaf.getGuid()) != nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: we should not have 2 elements with the same guid. The Dnf is inconsistent");
      ix.leaves.insert(tagOf(leaf), leaf.getGuid(), &leaf);
      return S_OK;
    case Kind::TreeSeries:
      if (ix.leaves.find(tagOf(leaf), leaf.getGuid()) != nullptr) {
        KUV_TRACE_ERROR("ERROR: we should not have 2 elements with the same _typed_ guid. The Dnf is inconsistent");
        KUV_RETURN_ERROR(E_FAIL, "ERROR: Put TreeSeries DNF in And Terms FAILED");
      }
      ix.leaves.insert(tagOf(leaf), leaf.getGuid(), &leaf);
      return S_OK;
    case Kind::Serial: {
      auto& serial = static_cast<KuvDnfSerialEff&>(leaf);
      const std::int32_t type = serial.getSerialType();
      if (!KuvDnfSerialEffMultiStruct::isKnownType(type)) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
      const std::int32_t* at = ix.serialIndex.find(0, leaf.getGuid());
      if (at == nullptr) {
        ix.serialIndex.insert(0, leaf.getGuid(), static_cast<std::int32_t>(ix.serials.size()));
        ix.serials.emplace_back().Put(&serial);
        return S_OK;
      }
      KuvDnfSerialEffMultiStruct& same = ix.serials[static_cast<std::size_t>(*at)];
      const bool undefined = type == KuvDnfSerialEff::UNDEFINED;
      if ((undefined && same.getFirstTyped() != nullptr) ||
          (!undefined && same.Get(KuvDnfSerialEff::UNDEFINED) != nullptr))
        KUV_RETURN_ERROR(E_FAIL,
                         "ERROR: DNF inconsistency. Forbidden to combine in one DNF an UNDEFINED serial with a "
                         "State/Unit/MPlan with a same CFGKey.");
      if (same.Get(type) != nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: DNF inconsistency. Already has a same (Serial,Type)-couple Effectivity.");
      same.Put(&serial);
      return S_OK;
    }
    case Kind::Restriction: {
      auto& restriction = static_cast<KuvDnfRestrictionEff&>(leaf);
      if (KuvDnfCategoryOptionRestrictionEff::isObjectOfThisType(restriction)) {
        if (ix.categoryOptions.find(0, leaf.getGuid()) != nullptr)
          KUV_RETURN_ERROR(E_FAIL,
                           "ERROR: we should not have 2 elements with the same guid. The Dnf is inconsistent");
        ix.categoryOptions.insert(0, leaf.getGuid(), &restriction);
        ++ix.restrictions;
        return S_OK;
      }
      KuvDnfRestrictionEff** slot = ix.slotOf(restriction);
      if (slot == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
      if (*slot != nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: we should not have 2 elements with the same guid. The Dnf is inconsistent");
      *slot = &restriction;
      ++ix.restrictions;
      return S_OK;
    }
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
}

const KuvDnfLeaf* KuvDnfAndTermMap::findLeaf(KuvDnfLeaf::Kind kind, const KuvInGuid& guid,
                                             std::uint32_t treeType) const {
  if (!m_indexes) return nullptr;
  std::uint32_t tag = static_cast<std::uint32_t>(kind);
  if (kind == Kind::TreeSeries) tag |= treeType << 8;
  KuvDnfLeaf* const* found = m_indexes->leaves.find(tag, guid);
  return found == nullptr ? nullptr : *found;
}

const KuvDnfSerialEffMultiStruct* KuvDnfAndTermMap::findSerials(const KuvInGuid& variable) const {
  return m_indexes ? m_indexes->serialsOf(variable) : nullptr;
}

HRESULT KuvDnfAndTermMap::isIntersect(const KuvDnfAndTerm& other, unsigned char& out) const {
  out = 1;
  if (!m_indexes) return S_OK;
  // Without restrictions on either side nor serial leaves here, a leaf of
  // other tests nothing unless this term holds its key: a small term
  // against a large one looks its own keys up there instead, and tests the
  // leaves found in other's order, the only ones the walk below would test.
  const Indexes& ix = *m_indexes;
  if (other.dType() == sType() && ix.restrictions == 0 && ix.serials.empty() &&
      ix.leaves.size() < other.leaves().size()) {
    const auto& map = static_cast<const KuvDnfAndTermMap&>(other);
    if (map.m_indexes && map.m_indexes->restrictions == 0) {
      const auto& theirs = map.m_indexes->leaves;
      std::vector<std::size_t> found;
      ix.leaves.forEachKey([&](std::uint32_t tag, const KuvInGuid& guid) {
        const std::size_t at = theirs.numberOf(tag, guid);
        if (at != theirs.npos) found.push_back(at);
      });
      std::sort(found.begin(), found.end());
      for (std::size_t at : found) {
        HRESULT hr = intersectLeaf(*theirs.at(at), out);
        if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: isIntersect FAILED.");
        if (out == 0) return S_OK;
      }
      return S_OK;
    }
  }
  for (const KuvDnfLeaf* leaf : other.leaves()) {
    HRESULT hr = intersectLeaf(*leaf, out);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: isIntersect FAILED.");
    if (out == 0) return S_OK;
  }
  return S_OK;
}

HRESULT KuvDnfAndTermMap::intersectLeaf(const KuvDnfLeaf& leaf, unsigned char& out) const {
  const Indexes& ix = *m_indexes;
  out = 1;
  HRESULT hr = S_OK;
  if (leaf.getKind() == Kind::Restriction) {
    const auto& restriction = static_cast<const KuvDnfRestrictionEff&>(leaf);
    for (const KuvDnfLeaf* mine : m_leaves) {
      if (mine->getKind() == Kind::Restriction || mine->getKind() == Kind::Eff) continue;
      const auto& variable = static_cast<const KuvDnfVarEff&>(*mine);
      if (!restriction.restricts(variable)) continue;
      hr = restriction.isIntersect(variable, out);
      if (FAILED(hr) || out == 0) return hr;
    }
    const KuvDnfRestrictionEff* mine = ix.restrictionOf(restriction);
    return mine == nullptr ? S_OK : mine->isIntersect(restriction, out);
  }
  if (leaf.getKind() == Kind::Serial) {
    const auto& serial = static_cast<const KuvDnfSerialEff&>(leaf);
    const KuvDnfSerialEffMultiStruct* same = ix.serialsOf(leaf.getGuid());
    // One serial variable at a time: a term on two of them holds nothing a
    // serial leaf could meet, and one on another variable misses this one.
    if (KuvDnfExclusiveVariablesGuard::current() == 0 &&
        (ix.serials.size() >= 2 || (same == nullptr && !ix.serials.empty()))) {
      KUV_TRACE_DETAIL("~~~ Not intersection because the serial variables are exclusive.\n");
      out = 0;
      return S_OK;
    }
    if (same != nullptr) {
      const std::int32_t type = serial.getSerialType();
      const KuvDnfSerialEff* match = same->Get(type);
      if (match == nullptr)
        match = type != KuvDnfSerialEff::UNDEFINED ? same->Get(KuvDnfSerialEff::UNDEFINED) : same->getFirstTyped();
      if (match != nullptr) {
        hr = match->isIntersect(leaf, out);
        if (FAILED(hr) || out == 0) return hr;
      }
    }
  } else {
    KuvDnfLeaf* const* found = ix.leaves.find(tagOf(leaf), leaf.getGuid());
    if (found != nullptr) {
      hr = (*found)->isIntersect(leaf, out);
      if (FAILED(hr) || out == 0) return hr;
    }
  }
  const KuvDnfRestrictionEff* restriction = ix.restrictionOver(leaf);
  return restriction == nullptr ? S_OK : restriction->isIntersect(leaf, out);
}

// Not this term is the Or of its negated leaves; other lies within this
// term when it meets none of them, that is when each negated leaf is
// disjoint from some leaf of other.
HRESULT KuvDnfAndTermMap::isIncluding(const KuvDnfAndTerm& other, unsigned char& out) const {
  out = 1;
  for (const KuvDnfLeaf* leaf : m_leaves) {
    // Options and effectivities, the usual leaves, are negated on the
    // stack; the others as clones.
    std::optional<KuvDnfOptionEff> option;
    std::optional<KuvDnfEff> eff;
    std::unique_ptr<KuvDnfLeaf> clone;
    KuvDnfLeaf* negated = nullptr;
    if (typeid(*leaf) == typeid(KuvDnfOptionEff)) {
      negated = &option.emplace(static_cast<const KuvDnfOptionEff&>(*leaf));
    } else if (typeid(*leaf) == typeid(KuvDnfEff)) {
      negated = &eff.emplace(static_cast<const KuvDnfEff&>(*leaf));
    } else {
      clone.reset(leaf->clone());
      negated = clone.get();
    }
    negated->negate();
    unsigned char meets = 1;
    for (const KuvDnfLeaf* theirs : other.leaves()) {
      HRESULT hr = negated->isIntersect(*theirs, meets);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
      if (meets == 0) break;
    }
    if (meets != 0) {
      out = 0;
      return S_OK;
    }
  }
  return S_OK;
}

HRESULT KuvDnfAndTermMap::getSameDnfAndTermWithoutRestriction(KuvDnfAndTerm*& term) const {
  auto copy = std::make_unique<KuvDnfAndTermMap>(getNbDnfLeaves());
  for (const KuvDnfLeaf* leaf : m_leaves) {
    if (leaf->getKind() == Kind::Restriction) continue;
    std::unique_ptr<KuvDnfLeaf> clone(leaf->clone());
    HRESULT hr = copy->addDnfLeaf(*clone);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : addDnfLeaf failed");
    clone.release();
  }
  term = copy.release();
  return S_OK;
}

KuvDnfAndTerm* KuvDnfAndTermMap::clone() const {
  auto copy = std::make_unique<KuvDnfAndTermMap>(getNbDnfLeaves());
  for (const KuvDnfLeaf* leaf : m_leaves) {
    std::unique_ptr<KuvDnfLeaf> clone(leaf->clone());
    if (FAILED(copy->addDnfLeaf(*clone))) return nullptr;
    clone.release();
  }
  return copy.release();
}
