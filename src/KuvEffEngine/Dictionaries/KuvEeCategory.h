// KuvEeCategory: a group of options (KuvEeCatOptionVar) under one name,
// looked up by option name or GUID. The category does not own its options:
// an option enters it when constructed and leaves it when destroyed, and a
// category destroyed first leaves its options without a category.
#pragma once

#include "KuvEeDico.h"

class KuvEeCatOptionVar;

class KUV_API KuvEeCategory : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeCategory)

public:
  KuvEeCategory(const KuvInString& name, const unsigned char* guid);
  ~KuvEeCategory() override;

  KuvEeCatOptionVar* getOptionVar(const KuvInString& name) const;
  KuvEeCatOptionVar* getOptionVar(const KuvInGuid& guid) const;
  const KuvInSet& getOptionVars() const { return m_options.getSet(); }

  // "Category( " name "/" GUID text " )".
  KuvInString toString() const override;

private:
  friend class KuvEeCatOptionVar;
  KuvEeDico m_options;
};
