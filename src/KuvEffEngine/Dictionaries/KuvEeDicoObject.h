// KuvEeDicoObject: an object of a dictionary, known by its name and its GUID.
// Variables, categories, values, tree elements, model dictionaries,
// variable spaces and named effectivities all derive from it.
//
// Every dictionary object is registered with KuvEeLifeCycleMngr for its
// whole life. An object owned by another one (and deleted with it) records
// that owner, which lets the life-cycle manager delete owners first.
#pragma once

#include <cstdint>

#include "KuvInGuid.h"
#include "KuvInString.h"

class KUV_API KuvEeDicoObject : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeDicoObject)

public:
  // guid: 16 bytes, or null for the unset GUID.
  KuvEeDicoObject(const KuvInString& name, const unsigned char* guid);
  KuvEeDicoObject(const KuvEeDicoObject&) = delete;
  KuvEeDicoObject& operator=(const KuvEeDicoObject&) = delete;
  ~KuvEeDicoObject() override;

  const KuvInString& getName() const { return m_name; }
  const KuvInGuid& getGuid() const { return m_guid; }
  void setName(const KuvInString& name) { m_name = name; }
  void setGuid(const unsigned char* guid) { m_guid.setArray(guid); }

  // "DicoObject (" name ")".
  KuvInString toString() const override;

  // Gives an object read without its dictionary a substitute identity: the
  // GUID is the object's address followed by zeros, the name tells the kind
  // (1 to 5) and index, e.g. "CFG_ExpressionCriteria(index 7)"; another kind
  // takes the GUID's hexadecimal text. E_FAIL when that text cannot be made.
  virtual HRESULT initFakeNameAndGuid(std::int32_t index, std::int32_t kind);

  // The object that deletes this one with itself, or null.
  KuvEeDicoObject* getLifeCycleOwner() const { return m_owner; }
  void setLifeCycleOwner(KuvEeDicoObject* owner) { m_owner = owner; }

private:
  KuvInString m_name;
  KuvInGuid m_guid;
  KuvEeDicoObject* m_owner = nullptr;
};
