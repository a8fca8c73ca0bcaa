#include "KuvEeMilestonesVar.h"

#include "KuvEeMilestone.h"

KUV_DEFINE_TYPE(KuvEeMilestonesVar, KuvEeTreeBaseVar)

KuvEeMilestonesVar::KuvEeMilestonesVar(const KuvInString& name, const unsigned char* guid,
                                       const KuvInString& discipline, KuvEeModelDico* holder, bool noTreeMode)
    : KuvEeTreeBaseVar(name, guid, holder, noTreeMode), m_discipline(discipline) {}

KuvEeMilestonesVar::~KuvEeMilestonesVar() = default;

HRESULT KuvEeMilestonesVar::setRootMilestone(KuvEeMilestone* milestone) { return setRootElement(milestone); }

KuvEeMilestone* KuvEeMilestonesVar::getRootMilestone() const {
  KuvEeTreeElementBase* root = getRootElement();
  return root != nullptr ? KuvEeMilestone::cast(*root) : nullptr;
}

HRESULT KuvEeMilestonesVar::getMilestone(const KuvInTreeEvalIndex& index, KuvEeMilestone*& milestone) const {
  if (milestone != nullptr) return E_INVALIDARG;
  KuvEeTreeElementBase* element = nullptr;
  const HRESULT hr = getElement(index, element);
  milestone = element != nullptr ? KuvEeMilestone::cast(*element) : nullptr;
  return hr;
}
