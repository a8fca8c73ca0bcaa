#include "KuvQmSpecList.h"

#include <memory>

#include "KuvEeEffectivity.h"
#include "KuvEeVarEff.h"
#include "KuvEeVariable.h"
#include "KuvInIntHolder.h"

KUV_DEFINE_TYPE(KuvQmSpecList, KuvInObject)

KuvQmSpecList::KuvQmSpecList()
    : m_varEffs(KuvInObjectPtr::sType(), KuvEeVarEff::sType()), m_effs(KuvEeEffectivity::sType()) {}

KuvQmSpecList::~KuvQmSpecList() { m_varEffs.DeleteAll(); }

HRESULT KuvQmSpecList::AddVarEff(KuvEeVarEff*& varEff) {
  KUV_TRACE_CALL("AddVarEff");
  if (varEff == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer.");
  KuvEeVariable* var = varEff->getVar();
  if (var == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: variable effectivity without variable.");
  const KuvInObjectPtr key(var);
  if (KuvInObject* held = m_varEffs.Get(key); held == varEff) {
    // Its own effectivity given back: already held, nothing to combine.
  } else if (held != nullptr) {
    bool merged = false;
    HRESULT rc = static_cast<KuvEeVarEff*>(held)->opOr(varEff, merged);
    if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: opOr failed");
    if (!merged) KUV_RETURN_ERROR(E_FAIL, "ERROR: effectivities of one variable did not merge");
    delete varEff;
  } else if (m_varEffs.Put(key, varEff) != S_OK) {
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Put failed");
  }
  varEff = nullptr;
  return S_OK;
}

HRESULT KuvQmSpecList::ReplaceVarEff(KuvEeVarEff*& varEff) {
  KUV_TRACE_CALL("ReplaceVarEff");
  if (varEff == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer.");
  const KuvInObjectPtr key(varEff->getVar());
  // Put would move the entry to the end of its bucket; SetVal keeps it.
  for (auto it = m_varEffs.Begin(); !it.IsEnd(); it.Next()) {
    if (!it.GetKey()->equals(key)) continue;
    KuvInObject* previous = it.GetVal();
    if (previous != varEff) {
      it.SetVal(varEff);
      delete previous;
    }
    varEff = nullptr;
    return S_OK;
  }
  return S_FALSE;
}

HRESULT KuvQmSpecList::AddEff(KuvEeEffectivity* eff) {
  KUV_TRACE_CALL("AddEff");
  if (eff == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer.");
  return m_effs.Put(eff) ? S_OK : S_FALSE;
}

HRESULT KuvQmSpecList::RemoveVarEff(const KuvEeVariable* var, KuvEeVarEff*& varEff) {
  KUV_TRACE_CALL("RemoveVarEff");
  const KuvInObjectPtr key(const_cast<KuvEeVariable*>(var));
  varEff = static_cast<KuvEeVarEff*>(m_varEffs.Get(key));
  if (varEff == nullptr) return S_FALSE;
  m_varEffs.Remove(key);
  return S_OK;
}

HRESULT KuvQmSpecList::RemoveEff(const KuvEeEffectivity* eff) {
  KUV_TRACE_CALL("RemoveEff");
  return eff != nullptr && m_effs.Remove(eff) ? S_OK : S_FALSE;
}

KuvEeVarEff* KuvQmSpecList::GetVarEff(const KuvEeVariable* var) const {
  return static_cast<KuvEeVarEff*>(m_varEffs.Get(KuvInObjectPtr(const_cast<KuvEeVariable*>(var))));
}

KuvQmSpecList* KuvQmSpecList::Clone() const {
  KUV_TRACE_CALL("Clone");
  auto copy = std::make_unique<KuvQmSpecList>();
  for (auto it = m_varEffs.cBegin(); !it.IsEnd(); it.Next()) {
    KuvEeVarEff* eff = static_cast<const KuvEeVarEff*>(it.GetVal())->createVarEffClone();
    if (eff == nullptr) KUV_RETURN_ERROR(nullptr, "ERROR: NULL pointer.");
    // Same key, so the copies keep the map's order.
    if (copy->m_varEffs.Put(it.GetKey(), eff) != S_OK) {
      delete eff;
      KUV_RETURN_ERROR(nullptr, "ERROR: Put failed");
    }
  }
  if (copy->m_effs.PutSet(m_effs) < 0) KUV_RETURN_ERROR(nullptr, "ERROR: PutSet failed");
  return copy.release();
}

KuvInString KuvQmSpecList::toString() const {
  KuvInString text("QmSpecList( ");
  for (auto it = m_varEffs.cBegin(); !it.IsEnd(); it.Next()) text.Append(it.GetVal()->toString(), "; ");
  for (auto it = m_effs.cBegin(); it.IsValid();) text.Append(it.GetGoToNext()->toString(), "; ");
  text.Append(")");
  return text;
}
