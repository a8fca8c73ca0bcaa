#include "KuvEeSerialVar.h"

#include "KuvEeSerialVarValue.h"
#include "KuvInIntHolder.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeSerialVar, KuvEeVariable)

KuvEeSerialVar::KuvEeSerialVar(const KuvInString& name, const unsigned char* guid, SerialExternalType type,
                               KuvEeModelDico* holder)
    : KuvEeVariable(name, guid),
      m_type(type),
      m_holder(holder),
      m_revisions(KuvInIntHolder::sType(), KuvEeSerialVarValue::sType()) {
  m_domain.setIntervalNoCheck(-sc_infinity, true, sc_infinity, true);
}

KuvEeSerialVar::~KuvEeSerialVar() { m_revisions.DeleteAll(); }

HRESULT KuvEeSerialVar::setDomain(std::int32_t low, std::int32_t high) {
  return m_domain.setInterval(low, true, high, true);
}

HRESULT KuvEeSerialVar::addRevision(KuvEeSerialVarValue* value) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&]() -> HRESULT {
    if (value == nullptr || m_type == UNDEFINED || m_type == UNIT) return E_FAIL;
    // The bounds widen once the put is through, so that running out of memory
    // changes nothing.
    const auto widen = [this, seqNumber = static_cast<std::int32_t>(value->getSeqNumber())] {
      if (seqNumber < m_lowestSeqNb) m_lowestSeqNb = seqNumber;
      if (seqNumber > m_highestSeqNb) m_highestSeqNb = seqNumber;
    };
    const KuvInIntHolder key(value->getSeqNumber());
    if (m_revisions.ContainsKey(key)) {
      widen();
      return S_FALSE;
    }
    const HRESULT hr = m_revisions.Put(key, value);
    widen();
    if (hr == S_OK) value->setLifeCycleOwner(this);
    return hr;
  });
}

KuvEeSerialVarValue* KuvEeSerialVar::getRevision(std::int32_t seqNumber) const {
  KUV_TRACE_CALL("getRevision");
  if (seqNumber == -sc_infinity)
    seqNumber = m_lowestSeqNb;
  else if (seqNumber == sc_infinity)
    seqNumber = m_highestSeqNb;
  KuvInObject* found = m_revisions.Get(KuvInIntHolder(static_cast<std::uint32_t>(seqNumber)));
  if (found == nullptr) {
    KUV_TRACE_DETAIL("ERROR : Requested Sequence Number does not exist");
    return nullptr;
  }
  KuvEeSerialVarValue* revision = KuvEeSerialVarValue::cast(*found);
  if (revision == nullptr) KUV_TRACE_DETAIL("ERROR : invalid type in map, cast FAILED");
  return revision;
}

HRESULT KuvEeSerialVar::getAllRevisions(KuvInSet& set) const {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&]() -> HRESULT {
        set.Clear();
        for (KuvInMap::const_iterator it = m_revisions.cBegin(); !it.IsEnd();) set.Put(it.GetValGoToNext());
        return set.IsEmpty() ? S_FALSE : S_OK;
      },
      kuv::detail::emptying(set));
}

HRESULT KuvEeSerialVar::getSeqNb2Revisions(const KuvInMap*& map) const {
  map = &m_revisions;
  return S_OK;
}

void KuvEeSerialVar::setSeqNbMax(std::int32_t n) {
  if (n != sc_infinity && n != -sc_infinity && n > m_seqNbMax) m_seqNbMax = n;
}

KuvInString KuvEeSerialVar::toString() const {
  KuvInString text("SerialVar( ");
  return text
      .Append(getName(), ", ", getGuid().toString(), "/", serialExternalTypeToString(m_type), ", Domain[",
              KuvInString::FromNum(m_domain.getA()))
      .Append(",", KuvInString::FromNum(m_domain.getB()), "] )");
}

const char* KuvEeSerialVar::serialExternalTypeToString(std::int32_t type) {
  switch (type) {
    case UNDEFINED:
      return "UNDEFINED";
    case STATE:
      return "STATE";
    case UNIT:
      return "UNIT";
    case MANUF_PLAN:
      return "MANUF_PLAN";
    case TREE_STATE:
      return "TREE_STATE";
    case TREE_MANUF_PLAN:
      return "TREE_MANUF_PLAN";
    default:
      return "ERROR";
  }
}
