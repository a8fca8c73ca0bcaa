#include "KuvDnfLeaf.h"

#include "KuvDnfDateEff.h"
#include "KuvDnfMilestonesEff.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvInList.h"
#include "KuvInTraceClass.h"

KUV_DEFINE_TYPE(KuvDnfLeaf, KuvInObject)
KUV_DEFINE_TYPE(KuvDnfEff, KuvDnfLeaf)
KUV_DEFINE_TYPE(KuvDnfVarEff, KuvDnfLeaf)
KUV_DEFINE_TYPE(KuvDnfOptionEff, KuvDnfVarEff)
KUV_DEFINE_TYPE(KuvDnfSelectionEff, KuvDnfVarEff)

KuvDnfLeaf::~KuvDnfLeaf() = default;

HRESULT KuvDnfLeaf::isIntersect(const KuvDnfLeaf& other, unsigned char& out) const {
  if (other.m_kind == Kind::Restriction)
    return static_cast<const KuvDnfRestrictionEff&>(other).KuvDnfRestrictionEff::isIntersect(*this, out);
  if (m_kind != other.m_kind) {
    KUV_TRACE_DETAIL("~~~ Intersection because object types are different:", dType()->getClassNameChars(), " ",
                     other.dType()->getClassNameChars());
    out = 1;
    return S_OK;
  }
  if (m_kind == Kind::Eff)
    return static_cast<const KuvDnfEff&>(*this).isIntersect(static_cast<const KuvDnfEff&>(other), out);
  return static_cast<const KuvDnfVarEff&>(*this).isIntersect(static_cast<const KuvDnfVarEff&>(other), out);
}

HRESULT KuvDnfLeaf::splitIntoElementaryLeafWithoutImplicitOr(KuvInList& list) const {
  if (!list.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: the output list must be empty");
  return S_OK;
}

// ---------------------------------------------------------------------------

KuvDnfEff::KuvDnfEff(const KuvInGuid& effectivity, bool negated) : KuvDnfLeaf(Kind::Eff, effectivity, negated) {}
KuvDnfEff::~KuvDnfEff() = default;

KuvInString KuvDnfEff::toString() const {
  KuvInString text(m_negated != 0 ? "!DnfEff : " : "DnfEff : ");
  return text.Append(m_guid.toString());
}

KuvDnfLeaf* KuvDnfEff::clone() const { return new KuvDnfEff(*this); }

HRESULT KuvDnfEff::isIntersect(const KuvDnfEff& other, unsigned char& out) const {
  if (m_guid != other.m_guid) {
    KUV_TRACE_DETAIL("~~~ Intersection because object IDs are different: ", m_guid.toString(), " ",
                     other.m_guid.toString());
    out = 1;
  } else {
    out = m_negated == other.m_negated ? 1 : 0;
    KUV_TRACE_DETAIL(out != 0 ? "~~~ Intersection because the two effectivities have the same sign.\n"
                              : "~~~ Not intersection because one effectivity is negated and not the other.\n");
  }
  return S_OK;
}

// ---------------------------------------------------------------------------

KuvDnfVarEff::~KuvDnfVarEff() = default;

HRESULT KuvDnfVarEff::isIntersect(const KuvDnfVarEff& other, unsigned char& out) const {
  if (other.m_kind == Kind::Restriction)
    return static_cast<const KuvDnfRestrictionEff&>(static_cast<const KuvDnfLeaf&>(other)).isIntersect(*this, out);
  if (m_kind != other.m_kind) {
    KUV_TRACE_DETAIL("~~~ Intersection because object types are different:", dType()->getClassNameChars(), " ",
                     other.dType()->getClassNameChars());
    out = 1;
    return S_OK;
  }
  if (m_guid != other.m_guid) {
    KUV_TRACE_DETAIL("~~~ Intersection because object IDs are different: ", m_guid.toString(), " ",
                     other.m_guid.toString());
    out = 1;
    return S_OK;
  }
  if (m_negated != 0 && other.m_negated != 0) {
    KUV_TRACE_DETAIL("~~~ Intersection because the two expressions are negated.\n");
    out = 1;
    return S_OK;
  }
  return isIntersectSame(other, out);
}

bool KuvDnfVarEff::admitsNoValue() const {
  // Options keep the no-value state in their value bits.
  const bool held =
      m_kind == Kind::Option
          ? (static_cast<const KuvDnfOptionEff*>(this)->getValue() & KuvDnfOptionEff::NoVar) != 0
          : m_noVar != 0;
  return held != (m_negated != 0);
}

HRESULT KuvDnfVarEff::isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const {
  switch (m_kind) {
    case Kind::Option:
      return static_cast<const KuvDnfOptionEff*>(this)->isIntersectSame(other, out);
    case Kind::Selection:
      return static_cast<const KuvDnfSelectionEff*>(this)->isIntersectSame(other, out);
    case Kind::Date:
      return static_cast<const KuvDnfDateEff*>(this)->isIntersectSame(other, out);
    case Kind::Serial:
      return static_cast<const KuvDnfSerialEff*>(this)->isIntersectSame(other, out);
    case Kind::TreeSeries:
      return static_cast<const KuvDnfTreeSeriesEff*>(this)->isIntersectSame(other, out);
    case Kind::Milestones:
      return static_cast<const KuvDnfMilestonesEff*>(this)->isIntersectSame(other, out);
    case Kind::Eff:
    case Kind::Restriction:
      break;
  }
  return E_UNEXPECTED;
}

// ---------------------------------------------------------------------------

KuvDnfOptionEff::KuvDnfOptionEff(const KuvInGuid& option, const KuvInGuid& feature, std::uint32_t value,
                                 bool negated)
    : KuvDnfVarEff(Kind::Option, option, false, negated), m_feature(feature), m_value(value) {}
KuvDnfOptionEff::~KuvDnfOptionEff() = default;

const char* KuvDnfOptionEff::valueText(std::uint32_t value) {
  switch (value) {
    case Nothing: return "Nothing";
    case Selected: return "Selected";
    case Rejected: return "Rejected";
    case NoVar: return "NoVar";
    case Any: return "Any value accepted";
    default: return "";
  }
}

KuvInString KuvDnfOptionEff::toString() const {
  KuvInString text(m_negated != 0 ? "!" : "");
  return text.Append("DnfOptionEff Feature : ", m_feature.toString(), ", Option : ", m_guid.toString(), ", ",
                     valueText(m_value));
}

KuvDnfLeaf* KuvDnfOptionEff::clone() const { return new KuvDnfOptionEff(*this); }

// Not both negated (the caller answered that case).
HRESULT KuvDnfOptionEff::isIntersectSame(const KuvDnfVarEff& otherLeaf, unsigned char& out) const {
  const auto& other = static_cast<const KuvDnfOptionEff&>(otherLeaf);
  if (m_negated == 0 && other.m_negated == 0) {
    out = (m_value & other.m_value) != 0 ? 1 : 0;
    KUV_TRACE_DETAIL(out != 0 ? "~~~ Intersection because there is no negation and the option values are the same.\n"
                              : "~~~ Not intersection because there is no negation and the option values differ.\n");
  } else {
    const std::uint32_t positive = m_negated == 0 ? m_value : other.m_value;
    const std::uint32_t negated = m_negated == 0 ? other.m_value : m_value;
    out = (positive & ~negated & Any) != 0 ? 1 : 0;
    KUV_TRACE_DETAIL(out != 0 ? "~~~ Intersection because the positive option admits a value the negated one leaves.\n"
                              : "~~~ Not intersection because the option values are not compatible.\n");
  }
  return S_OK;
}

// ---------------------------------------------------------------------------

KuvDnfSelectionEff::KuvDnfSelectionEff(const KuvInGuid& feature, std::int32_t capacity, bool noVar, bool negated)
    : KuvDnfVarEff(Kind::Selection, feature, noVar, negated),
      m_values(KuvInGuid::sType(), sizeof(KuvInGuid), capacity) {}

KuvDnfSelectionEff::KuvDnfSelectionEff(const KuvDnfSelectionEff& other)
    : KuvDnfVarEff(other), m_values(other.m_values) {}

KuvDnfSelectionEff::~KuvDnfSelectionEff() = default;

HRESULT KuvDnfSelectionEff::putValue(const KuvInGuid& value) { return m_values.Put(value) ? S_OK : S_FALSE; }

bool KuvDnfSelectionEff::hasImplicitOr() const {
  return m_values.GetLength() >= 2 && m_negated == 0 && m_noVar == 0;
}

HRESULT KuvDnfSelectionEff::splitIntoElementaryLeafWithoutImplicitOr(KuvInList& list) const {
  if (!list.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: the output list must be empty");
  if (!hasImplicitOr()) return S_FALSE;
  for (auto it = m_values.cBegin(); it.IsValid();) {
    auto* one = new KuvDnfSelectionEff(m_guid, 1, m_noVar != 0, m_negated != 0);
    one->putValue(static_cast<const KuvInGuid&>(*it.GetGoToNext()));
    list.PutBack(one);
  }
  return S_OK;
}

KuvInString KuvDnfSelectionEff::toString() const {
  KuvInString text(m_negated != 0 ? "!" : "");
  text.Append(m_noVar != 0 ? "NoVar & " : "", "DnfSelectionEff Feature : ", m_guid.toString(),
              ", Selected Options : {");
  bool first = true;
  for (auto it = m_values.cBegin(); it.IsValid(); first = false)
    text.Append(first ? "" : ", ", it.GetGoToNext()->toString());
  return text.Append("}");
}

KuvDnfLeaf* KuvDnfSelectionEff::clone() const { return new KuvDnfSelectionEff(*this); }

namespace {
// Some value of a outside b.
bool hasValueOutside(const KuvInFastSetVal& a, const KuvInFastSetVal& b) {
  for (auto it = a.cBegin(); it.IsValid();)
    if (!b.Find(*it.GetGoToNext())) return true;
  return false;
}
}  // namespace

HRESULT KuvDnfSelectionEff::isIntersectSame(const KuvDnfVarEff& otherLeaf, unsigned char& out) const {
  const auto& other = static_cast<const KuvDnfSelectionEff&>(otherLeaf);
  if (m_negated == 0 && other.m_negated == 0) {
    const KuvInFastSetVal& small = m_values.GetLength() <= other.m_values.GetLength() ? m_values : other.m_values;
    const KuvInFastSetVal& large = &small == &m_values ? other.m_values : m_values;
    out = (m_noVar != 0 && other.m_noVar != 0) || small.IsIntersect(large) ? 1 : 0;
  } else {
    const KuvDnfSelectionEff& positive = m_negated == 0 ? *this : other;
    const KuvDnfSelectionEff& negated = m_negated == 0 ? other : *this;
    out = (positive.m_noVar != 0 && negated.m_noVar == 0) || hasValueOutside(positive.m_values, negated.m_values)
              ? 1
              : 0;
  }
  KUV_TRACE_DETAIL(out != 0 ? "~~~ Intersection because the selected values are compatible.\n"
                            : "~~~ Not intersection because the selected values are not compatible.\n");
  return S_OK;
}
