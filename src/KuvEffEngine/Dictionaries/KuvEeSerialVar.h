// KuvEeSerialVar: a series of serial numbers (units, states, manufacturing
// plans) with its domain and, for states and plans, its revisions indexed by
// sequence number.
//
//     KuvEeSerialVar* states = model.getSeriesVariable(KuvEeSerialVar::STATE);
//     states->addRevision(new KuvEeSerialVarValue("S1", guid, "A", 1, states));
//     KuvEeSerialVarValue* last = states->getRevision(2000000000);
//
// The variable owns the revisions it accepted and deletes them with itself.
#pragma once

#include <cstdint>

#include "KuvEeVariable.h"
#include "KuvInMap.h"
#include "KuvInSerialInterval.h"
#include "KuvInSet.h"

class KuvEeModelDico;
class KuvEeSerialVarValue;

class KUV_API KuvEeSerialVar : public KuvEeVariable {
  KUV_DECLARE_TYPE(KuvEeSerialVar)

public:
  enum SerialExternalType : std::int32_t {
    UNDEFINED = 1,
    STATE = 12,
    UNIT = 13,
    MANUF_PLAN = 14,
    TREE_STATE = 18,
    TREE_MANUF_PLAN = 19
  };

  // Stands for the lowest and the highest known sequence number in
  // getRevision, and bounds the default domain.
  static constexpr std::int32_t sc_infinity = 2000000000;

  KuvEeSerialVar(const KuvInString& name, const unsigned char* guid, SerialExternalType type,
                 KuvEeModelDico* holder);
  ~KuvEeSerialVar() override;

  SerialExternalType getExternalType() const { return m_type; }
  KuvEeModelDico* getHolderDico() const { return m_holder; }

  const KuvInSerialInterval& getDomain() const { return m_domain; }
  // The closed interval [low, high]; E_FAIL (domain unchanged) when invalid.
  HRESULT setDomain(std::int32_t low, std::int32_t high);

  // Takes ownership of value on S_OK. E_FAIL for unit and undefined series;
  // S_FALSE when its sequence number already has a revision; E_OUTOFMEMORY,
  // nothing changed.
  HRESULT addRevision(KuvEeSerialVarValue* value);
  // Null when there is none.
  KuvEeSerialVarValue* getRevision(std::int32_t seqNumber) const;
  // Clears and fills set; S_FALSE when it ends empty; E_OUTOFMEMORY, set
  // left empty.
  HRESULT getAllRevisions(KuvInSet& set) const;
  HRESULT getSeqNb2Revisions(const KuvInMap*& map) const;
  std::int32_t getLowestSeqNb() const { return m_lowestSeqNb; }
  std::int32_t getHighestSeqNb() const { return m_highestSeqNb; }

  // Raises the maximum to n; the sentinels +-2000000000 are ignored.
  void setSeqNbMax(std::int32_t n);
  std::int32_t getSeqNbMax() const { return m_seqNbMax; }

  // "SerialVar( " name ", " GUID "/" type text ", Domain[" low "," high "] )".
  KuvInString toString() const override;

  // "UNDEFINED", "STATE", "UNIT", "MANUF_PLAN", "TREE_STATE",
  // "TREE_MANUF_PLAN"; "ERROR" for any other value.
  static const char* serialExternalTypeToString(std::int32_t type);

private:
  KuvInSerialInterval m_domain;
  SerialExternalType m_type;
  KuvEeModelDico* m_holder;
  KuvInMap m_revisions;
  std::int32_t m_lowestSeqNb = sc_infinity;
  std::int32_t m_highestSeqNb = 0;
  std::int32_t m_seqNbMax = 0;
};
