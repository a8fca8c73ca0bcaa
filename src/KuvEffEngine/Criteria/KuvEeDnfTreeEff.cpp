#include "KuvEeDnfTreeEff.h"

#include "KuvEeMilestonesVar.h"
#include "KuvEeTreeSeriesVar.h"

KUV_DEFINE_TYPE(KuvEeDnfMilestonesEff, KuvEeVarEff)
KUV_DEFINE_TYPE(KuvEeDnfTreeSeriesEff, KuvEeVarEff)

namespace kuv::detail {

namespace {
constexpr const char* kNoModel = "ERROR: no related normal form effectivity";
}

bool DnfTreeEff::refusesNegation(const KuvEeVarEff& eff) {
  return KuvEeDnfMilestonesEff::isObjectOfThisType(eff) != 0 ||
         KuvEeDnfTreeSeriesEff::isObjectOfThisType(eff) != 0;
}

HRESULT DnfTreeEff::equals(const KuvEeVarEff*, bool& equal) const {
  equal = false;
  KUV_RETURN_ERROR(E_NOTIMPL, kNoModel);
}

void DnfTreeEff::opNot() { KUV_TRACE_ERROR(kNoModel); }

HRESULT DnfTreeEff::opNotDom() { KUV_RETURN_ERROR(E_NOTIMPL, kNoModel); }

void DnfTreeEff::switchNoVar() { KUV_TRACE_ERROR(kNoModel); }

HRESULT DnfTreeEff::partAnd(const KuvEeVarEff&) { KUV_RETURN_ERROR(E_NOTIMPL, kNoModel); }
HRESULT DnfTreeEff::partCut(const KuvEeVarEff&) { KUV_RETURN_ERROR(E_NOTIMPL, kNoModel); }
HRESULT DnfTreeEff::partCutFrom(const KuvEeVarEff&) { KUV_RETURN_ERROR(E_NOTIMPL, kNoModel); }
HRESULT DnfTreeEff::partAdd(const KuvEeVarEff&) { KUV_RETURN_ERROR(E_NOTIMPL, kNoModel); }

}  // namespace kuv::detail

namespace {
KuvInString textOf(const char* kind, const KuvEeVariable* var) {
  KuvInString text(kind);
  return text.Append("( ", var != nullptr ? var->getName() : KuvInString(), " )");
}
}  // namespace

KuvEeDnfMilestonesEff::KuvEeDnfMilestonesEff(KuvEeMilestonesVar* var) : DnfTreeEff(var) {}
KuvEeDnfMilestonesEff::~KuvEeDnfMilestonesEff() = default;
KuvEeVarEff* KuvEeDnfMilestonesEff::createVarEffClone() const { return new KuvEeDnfMilestonesEff(*this); }
KuvInString KuvEeDnfMilestonesEff::toString() const { return textOf("DnfMilestonesEff", m_var); }
bool KuvEeDnfMilestonesEff::isSameKind(const KuvEeVarEff& other) const {
  return isObjectOfThisType(other) != 0;
}

KuvEeDnfTreeSeriesEff::KuvEeDnfTreeSeriesEff(KuvEeTreeSeriesVar* var) : DnfTreeEff(var) {}
KuvEeDnfTreeSeriesEff::~KuvEeDnfTreeSeriesEff() = default;
KuvEeVarEff* KuvEeDnfTreeSeriesEff::createVarEffClone() const { return new KuvEeDnfTreeSeriesEff(*this); }
KuvInString KuvEeDnfTreeSeriesEff::toString() const { return textOf("DnfTreeSeriesEff", m_var); }
bool KuvEeDnfTreeSeriesEff::isSameKind(const KuvEeVarEff& other) const {
  return isObjectOfThisType(other) != 0;
}
