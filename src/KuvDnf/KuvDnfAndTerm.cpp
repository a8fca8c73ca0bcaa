#include "KuvDnfAndTerm.h"

#include <memory>

#include "KuvDnfAndTermFactory.h"
#include "KuvDnfSerialEff.h"
#include "KuvInList.h"
#include "KuvInTraceClass.h"

KUV_DEFINE_TYPE(KuvDnfAndTerm, KuvInObject)
KUV_DEFINE_TYPE(KuvDnfAndTermList, KuvDnfAndTerm)

KuvDnfAndTerm::KuvDnfAndTerm(std::int32_t capacity) {
  if (capacity > 0) m_leaves.reserve(static_cast<std::size_t>(capacity));
}

KuvDnfAndTerm::~KuvDnfAndTerm() {
  for (KuvDnfLeaf* leaf : m_leaves) delete leaf;
}

KuvInString KuvDnfAndTerm::toString() const {
  KuvInString text;
  for (std::size_t i = 0; i < m_leaves.size(); ++i) text.Append(i == 0 ? "" : "\t AND ", m_leaves[i]->toString());
  return text;
}

HRESULT KuvDnfAndTerm::getDnfLeaves(KuvInList& leaves) const {
  for (KuvDnfLeaf* leaf : m_leaves) {
    HRESULT hr = leaves.PutBack(leaf);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: add failed");
  }
  return S_OK;
}

HRESULT KuvDnfAndTerm::isIntersect(const KuvDnfAndTermList& other, unsigned char& out) const {
  return isIntersect(static_cast<const KuvDnfAndTerm&>(other), out);
}

HRESULT KuvDnfAndTerm::isIntersect(const KuvDnfAndTermMap& other, unsigned char& out) const {
  return isIntersect(static_cast<const KuvDnfAndTerm&>(other), out);
}

void KuvDnfAndTerm::clear() {
  for (KuvDnfLeaf* leaf : m_leaves) delete leaf;
  m_leaves.clear();
  forgetIndexes();
}

KuvDnfLeaf* KuvDnfAndTerm::popDnfLeafWithImplicitOr() {
  for (auto it = m_leaves.begin(); it != m_leaves.end(); ++it) {
    if (!(*it)->hasImplicitOr()) continue;
    KuvDnfLeaf* leaf = *it;
    m_leaves.erase(it);
    forgetIndexes();
    return leaf;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------

KuvDnfAndTermList::KuvDnfAndTermList(std::int32_t capacity) : KuvDnfAndTerm(capacity) {}
KuvDnfAndTermList::~KuvDnfAndTermList() = default;

HRESULT KuvDnfAndTermList::addDnfLeaf(KuvDnfLeaf& leaf) {
  m_leaves.push_back(&leaf);
  return S_OK;
}

HRESULT KuvDnfAndTermList::isIntersect(const KuvDnfAndTerm& other, unsigned char& out) const {
  out = 1;
  for (const KuvDnfLeaf* mine : m_leaves) {
    for (const KuvDnfLeaf* theirs : other.leaves()) {
      HRESULT hr = mine->isIntersect(*theirs, out);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: isIntersect FAILED.");
      if (out == 0) return S_OK;
    }
  }
  return S_OK;
}

HRESULT KuvDnfAndTermList::isIncluding(const KuvDnfAndTerm&, unsigned char&) const { return S_OK; }

HRESULT KuvDnfAndTermList::getSameDnfAndTermWithoutRestriction(KuvDnfAndTerm*& term) const {
  term = nullptr;
  KUV_RETURN_ERROR(E_NOTIMPL,
                   "##################### KuvDnfAndTermList::getSameDnfAndTermWithoutRestriction NOT IMPL "
                   "#########################");
}

KuvDnfAndTerm* KuvDnfAndTermList::clone() const {
  auto* copy = new KuvDnfAndTermList(getNbDnfLeaves());
  for (const KuvDnfLeaf* leaf : m_leaves) copy->m_leaves.push_back(leaf->clone());
  return copy;
}

// ---------------------------------------------------------------------------

int KuvDnfSerialEffMultiStruct::slotOf(std::int32_t type) {
  switch (type) {
    case KuvDnfSerialEff::UNDEFINED: return 0;
    case KuvDnfSerialEff::STATE: return 1;
    case KuvDnfSerialEff::UNIT: return 2;
    case KuvDnfSerialEff::MANUF_PLAN: return 3;
    default: return -1;
  }
}

bool KuvDnfSerialEffMultiStruct::isKnownType(std::int32_t type) { return slotOf(type) >= 0; }

KuvDnfSerialEff* KuvDnfSerialEffMultiStruct::Get(std::int32_t type) const {
  const int slot = slotOf(type);
  return slot < 0 ? nullptr : m_leaves[slot];
}

void KuvDnfSerialEffMultiStruct::Put(KuvDnfSerialEff* leaf) {
  const int slot = slotOf(leaf->getSerialType());
  if (slot >= 0) m_leaves[slot] = leaf;
}

KuvDnfSerialEff* KuvDnfSerialEffMultiStruct::getFirstTyped() const {
  for (int slot = 1; slot < 4; ++slot)
    if (m_leaves[slot] != nullptr) return m_leaves[slot];
  return nullptr;
}

// ---------------------------------------------------------------------------

KuvDnfAndTerm* KuvDnfAndTermFactory::create(E_Type type, std::int32_t capacity) {
  if (type == List) return new KuvDnfAndTermList(capacity);
  return new KuvDnfAndTermMap(capacity);
}
