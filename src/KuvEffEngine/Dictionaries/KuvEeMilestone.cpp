#include "KuvEeMilestone.h"

#include "KuvEeMilestonesVar.h"
#include "KuvInDate.h"

KUV_DEFINE_TYPE(KuvEeMilestone, KuvEeTreeElementBase)

KuvEeMilestone::KuvEeMilestone(const KuvInString& name, const unsigned char* guid, KuvEeMilestonesVar* track,
                               const KuvInTreeEvalIndex& index, const KuvInDate* date, KuvEeMilestone* parent)
    : KuvEeTreeElementBase(name, guid, track, index, parent),
      m_date(date != nullptr ? std::make_unique<KuvInDate>(*date) : nullptr) {}

KuvEeMilestone::~KuvEeMilestone() = default;

KuvEeMilestonesVar* KuvEeMilestone::getMilestonesVar() const {
  KuvEeTreeBaseVar* holder = getHolderVar();
  return holder != nullptr ? KuvEeMilestonesVar::cast(*holder) : nullptr;
}

KuvEeMilestone* KuvEeMilestone::getParentMilestone() const {
  KuvEeTreeElementBase* parent = getParentElement();
  return parent != nullptr ? KuvEeMilestone::cast(*parent) : nullptr;
}

HRESULT KuvEeMilestone::addChild(KuvEeMilestone* child) { return KuvEeTreeElementBase::addChild(child); }
