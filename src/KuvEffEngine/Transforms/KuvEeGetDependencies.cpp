#include "KuvEeGetDependencies.h"

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeVarEff.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeGetDependencies, KuvEeNodeWalker)

KuvEeGetDependencies::KuvEeGetDependencies()
    : m_serials(KuvEeSerialVar::sType()),
      m_treeSeries(KuvEeTreeSeriesVar::sType()),
      m_milestones(KuvEeMilestonesVar::sType()),
      m_dates(KuvEeDateVar::sType()),
      m_selections(KuvEeSelectionVar::sType()),
      m_categories(KuvEeCategory::sType()),
      m_options(KuvEeOptionVar::sType()),
      m_predefEffs(KuvEePredefEff::sType()),
      m_otherEffs(KuvEeEffectivity::sType()) {}

KuvEeGetDependencies::~KuvEeGetDependencies() = default;

HRESULT KuvEeGetDependencies::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  KuvEeEffectivity* target = node.getTargetEff();
  if (target == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  (KuvEePredefEff::isObjectOfThisType(*target) ? m_predefEffs : m_otherEffs).Put(target);
  return S_OK;
}

HRESULT KuvEeGetDependencies::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  KUV_TRACE_CALL("visitVarEffLeaf");
  KuvEeVariable* var = node.getVarEff() != nullptr ? node.getVarEff()->getVar() : nullptr;
  if (var == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (KuvEeCatOptionVar* option = KuvEeCatOptionVar::cast(*var); option != nullptr && option->getCategory())
    m_categories.Put(option->getCategory());
  for (KuvInSet* set : {&m_serials, &m_treeSeries, &m_milestones, &m_dates, &m_selections, &m_options}) {
    if (set->IsTypeAccepted(var->dType())) {
      set->Put(var);
      return S_OK;
    }
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected case");
}

KuvSortedByTypeCriteria KuvEeGetDependencies::getSortedCriteria() const {
  return {&m_serials,    &m_treeSeries, &m_milestones, &m_dates,
          &m_selections, &m_categories, &m_options,    &m_predefEffs};
}
