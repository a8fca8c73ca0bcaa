// KuvEeOptionVar: an option or feature of a configuration model, which a
// configuration either chooses or not. Two kinds:
// - KuvEeBasicOptionVar, a free-standing option;
// - KuvEeCatOptionVar, an option of a KuvEeCategory, which enters the
//   category's options when constructed and leaves them when destroyed.
#pragma once

#include "KuvEeVariable.h"

class KuvEeCategory;

class KUV_API KuvEeOptionVar : public KuvEeVariable {
  KUV_DECLARE_TYPE(KuvEeOptionVar)

public:
  ~KuvEeOptionVar() override;

  // "OptionVar( " name "/" GUID text " )".
  KuvInString toString() const override;

protected:
  KuvEeOptionVar(const KuvInString& name, const unsigned char* guid) : KuvEeVariable(name, guid) {}
};

class KUV_API KuvEeBasicOptionVar : public KuvEeOptionVar {
  KUV_DECLARE_TYPE(KuvEeBasicOptionVar)

public:
  KuvEeBasicOptionVar(const KuvInString& name, const KuvInGuid& guid);
  ~KuvEeBasicOptionVar() override;
};

class KUV_API KuvEeCatOptionVar : public KuvEeOptionVar {
  KUV_DECLARE_TYPE(KuvEeCatOptionVar)

public:
  // Adds itself to category's options (when category is not null).
  KuvEeCatOptionVar(const KuvInString& name, const unsigned char* guid, KuvEeCategory* category);
  ~KuvEeCatOptionVar() override;

  // Null once the category is gone.
  KuvEeCategory* getCategory() const { return m_category; }

private:
  friend class KuvEeCategory;
  KuvEeCategory* m_category;
};
