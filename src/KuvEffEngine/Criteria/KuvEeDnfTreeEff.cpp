#include "KuvEeDnfTreeEff.h"

#include "KuvEeMilestonesVar.h"
#include "KuvEeTreeSeriesVar.h"

KUV_DEFINE_TYPE(KuvEeDnfMilestonesEff, KuvEeVarEff)
KUV_DEFINE_TYPE(KuvEeDnfTreeSeriesEff, KuvEeVarEff)

namespace kuv::detail {

namespace {
constexpr const char* kNoModel = "ERROR: no related normal form effectivity";

// The positive parts of two leaves of one class combined: a new positive
// leaf (the caller's). The leaves' own operations work on represented sets,
// so both operands are taken positive first.
template <class Leaf>
Leaf* combineLeaves(const Leaf& mine, const Leaf& theirs, int op) {
  std::unique_ptr<Leaf> a(static_cast<Leaf*>(mine.clone()));
  std::unique_ptr<Leaf> b(static_cast<Leaf*>(theirs.clone()));
  if (a->isNegated()) a->negate();
  if (b->isNegated()) b->negate();
  unsigned char empty = 0;
  HRESULT hr = S_OK;
  switch (op) {
    case 0: hr = a->opAnd(*b, empty); break;
    case 1: hr = a->opCut(*b, empty); break;
    case 2: hr = b->opCut(*a, empty); return SUCCEEDED(hr) ? b.release() : nullptr;
    default: hr = a->opOr(*b, empty); break;
  }
  return SUCCEEDED(hr) ? a.release() : nullptr;
}
}  // namespace

DnfTreeEff::DnfTreeEff(const DnfTreeEff& other)
    : KuvEeVarEff(other), m_related(other.m_related ? static_cast<KuvDnfVarEff*>(other.m_related->clone()) : nullptr) {}

const DnfTreeEff* DnfTreeEff::cast(const KuvEeVarEff& eff) {
  if (const auto* milestones = KuvEeDnfMilestonesEff::cast(eff)) return milestones;
  return KuvEeDnfTreeSeriesEff::cast(eff);
}

bool DnfTreeEff::refusesNegation(const KuvEeVarEff& eff) {
  const DnfTreeEff* dnf = cast(eff);
  return dnf != nullptr && dnf->m_related == nullptr;
}

HRESULT DnfTreeEff::equals(const KuvEeVarEff* other, bool& equal) const {
  equal = false;
  const DnfTreeEff* theirs = other != nullptr ? cast(*other) : nullptr;
  if (m_related == nullptr || theirs == nullptr || theirs->m_related == nullptr) KUV_RETURN_ERROR(E_UNEXPECTED, kNoModel);
  equal = dType() == other->dType() && m_var == theirs->m_var && isNegated() == theirs->isNegated() &&
          getNoVar() == theirs->getNoVar() && ranges()->equals(*theirs->ranges());
  return S_OK;
}

void DnfTreeEff::opNot() {
  if (m_related == nullptr) {
    KUV_TRACE_ERROR(kNoModel);
    return;
  }
  m_related->negate();
}

HRESULT DnfTreeEff::opNotDom() {
  if (m_related == nullptr) KUV_RETURN_ERROR(E_UNEXPECTED, kNoModel);
  return KuvEeVarEff::opNotDom();
}

void DnfTreeEff::switchNoVar() {
  if (m_related == nullptr) {
    KUV_TRACE_ERROR(kNoModel);
    return;
  }
  setNoVar(!getNoVar());
}

bool DnfTreeEff::isPartEmpty() const {
  return m_related != nullptr && !m_related->getNoVar() && ranges()->IsEmpty();
}

void DnfTreeEff::setNegated(bool negated) {
  if (m_related != nullptr && m_related->isNegated() != negated) m_related->negate();
}

void DnfTreeEff::setNoVar(bool noVar) {
  if (m_related != nullptr) m_related->setNoVar(noVar);
}

HRESULT DnfTreeEff::part(Op op, const KuvEeVarEff& other) {
  const auto& theirs = static_cast<const DnfTreeEff&>(other);
  if (m_related == nullptr || theirs.m_related == nullptr) KUV_RETURN_ERROR(E_UNEXPECTED, kNoModel);
  const bool negated = m_related->isNegated();
  KuvDnfVarEff* result = combine(op, *theirs.m_related);
  if (result == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: range operation failed");
  m_related.reset(result);
  setNegated(negated);
  return S_OK;
}

}  // namespace kuv::detail

namespace {
KuvInString textOf(const char* kind, const KuvEeVariable* var) {
  KuvInString text(kind);
  return text.Append("( ", var != nullptr ? var->getName() : KuvInString(), " )");
}
}  // namespace

KuvEeDnfMilestonesEff::KuvEeDnfMilestonesEff(KuvEeMilestonesVar* var, KuvDnfMilestonesEff* related)
    : DnfTreeEff(var, related) {}
KuvEeDnfMilestonesEff::~KuvEeDnfMilestonesEff() = default;
KuvEeVarEff* KuvEeDnfMilestonesEff::createVarEffClone() const { return new KuvEeDnfMilestonesEff(*this); }
KuvInString KuvEeDnfMilestonesEff::toString() const { return textOf("DnfMilestonesEff", m_var); }
bool KuvEeDnfMilestonesEff::isSameKind(const KuvEeVarEff& other) const {
  return isObjectOfThisType(other) != 0;
}
KuvDnfVarEff* KuvEeDnfMilestonesEff::combine(Op op, const KuvDnfVarEff& other) {
  return kuv::detail::combineLeaves(*getRelatedDnfMilestonesEff(), static_cast<const KuvDnfMilestonesEff&>(other),
                                    static_cast<int>(op));
}
const KuvInListVal* KuvEeDnfMilestonesEff::ranges() const { return &getRelatedDnfMilestonesEff()->getIntervals(); }

KuvEeDnfTreeSeriesEff::KuvEeDnfTreeSeriesEff(KuvEeTreeSeriesVar* var, KuvDnfTreeSeriesEff* related)
    : DnfTreeEff(var, related) {}
KuvEeDnfTreeSeriesEff::~KuvEeDnfTreeSeriesEff() = default;
KuvEeVarEff* KuvEeDnfTreeSeriesEff::createVarEffClone() const { return new KuvEeDnfTreeSeriesEff(*this); }
KuvInString KuvEeDnfTreeSeriesEff::toString() const { return textOf("DnfTreeSeriesEff", m_var); }
bool KuvEeDnfTreeSeriesEff::isSameKind(const KuvEeVarEff& other) const {
  return isObjectOfThisType(other) != 0;
}
KuvDnfVarEff* KuvEeDnfTreeSeriesEff::combine(Op op, const KuvDnfVarEff& other) {
  return kuv::detail::combineLeaves(*getRelatedDnfTreeSeriesEff(), static_cast<const KuvDnfTreeSeriesEff&>(other),
                                    static_cast<int>(op));
}
const KuvInListVal* KuvEeDnfTreeSeriesEff::ranges() const { return &getRelatedDnfTreeSeriesEff()->getIntervals(); }
