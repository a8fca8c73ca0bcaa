// KuvEeMilestone: a milestone of a milestone track, with its span of tree
// positions and, optionally, its date.
#pragma once

#include <memory>

#include "KuvEeTreeElementBase.h"

class KuvEeMilestonesVar;
class KuvInDate;

class KUV_API KuvEeMilestone : public KuvEeTreeElementBase {
  KUV_DECLARE_TYPE(KuvEeMilestone)

public:
  // date is copied (null: no date); parent is recorded, see addChild.
  KuvEeMilestone(const KuvInString& name, const unsigned char* guid, KuvEeMilestonesVar* track,
                 const KuvInTreeEvalIndex& index, const KuvInDate* date, KuvEeMilestone* parent);
  ~KuvEeMilestone() override;

  virtual KuvEeMilestonesVar* getMilestonesVar() const;
  virtual KuvEeMilestone* getParentMilestone() const;
  virtual const KuvInDate* getDate() const { return m_date.get(); }
  // See KuvEeTreeElementBase::addChild.
  virtual HRESULT addChild(KuvEeMilestone* child);

protected:
  using KuvEeTreeElementBase::addChild;

private:
  std::unique_ptr<KuvInDate> m_date;
};
