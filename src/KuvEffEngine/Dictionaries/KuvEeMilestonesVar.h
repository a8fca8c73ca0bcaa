// KuvEeMilestonesVar: a milestone track of a model, one per discipline; its
// values are the milestones of its tree.
#pragma once

#include "KuvEeTreeBaseVar.h"

class KuvEeMilestone;

class KUV_API KuvEeMilestonesVar : public KuvEeTreeBaseVar {
  KUV_DECLARE_TYPE(KuvEeMilestonesVar)

public:
  KuvEeMilestonesVar(const KuvInString& name, const unsigned char* guid, const KuvInString& discipline,
                     KuvEeModelDico* holder, bool noTreeMode = false);
  ~KuvEeMilestonesVar() override;

  const KuvInString& getDiscipline() const { return m_discipline; }

  // As setRootElement, getRootElement and getElement.
  HRESULT setRootMilestone(KuvEeMilestone* milestone);
  KuvEeMilestone* getRootMilestone() const;
  HRESULT getMilestone(const KuvInTreeEvalIndex& index, KuvEeMilestone*& milestone) const;

private:
  KuvInString m_discipline;
};
