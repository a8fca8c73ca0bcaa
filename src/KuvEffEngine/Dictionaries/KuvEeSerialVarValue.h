// KuvEeSerialVarValue: one revision of a series (state or manufacturing
// plan): its revision text and sequence number, the serial variable it
// belongs to, and associated revisions of other series (not owned).
#pragma once

#include <cstdint>

#include "KuvEeDicoObject.h"
#include "KuvInSet.h"

class KuvEeSerialVar;

class KUV_API KuvEeSerialVarValue : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeSerialVarValue)

public:
  KuvEeSerialVarValue(const KuvInString& name, const unsigned char* guid, const KuvInString& revision,
                      std::uint32_t seqNumber, KuvEeSerialVar* variable);
  ~KuvEeSerialVarValue() override;

  const KuvInString& getRev() const { return m_revision; }
  std::uint32_t getSeqNumber() const { return m_seqNumber; }
  KuvEeSerialVar* getSerialVar() const { return m_variable; }

  // The variable's external type (UNDEFINED without a variable).
  std::int32_t getSerialType() const;
  // The GUID of the variable's model dictionary; unset when there is none.
  KuvInGuid getHolderMDGuid() const;

  // False when already associated or null.
  bool addAssociatedElement(KuvEeSerialVarValue* element);
  const KuvInSet& getAssociatedElements() const { return m_associated; }

  // A revision with equal text, sequence number, name and GUID of the very
  // same variable.
  bool equals(const KuvInObject* other) const;

  // "KuvEeSerialVarValue( " name " - " GUID "/" revision " - " sequence " )".
  KuvInString toString() const override;

private:
  KuvInString m_revision;
  std::uint32_t m_seqNumber;
  KuvEeSerialVar* m_variable;
  KuvInSet m_associated;
};
