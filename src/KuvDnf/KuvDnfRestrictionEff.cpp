#include "KuvDnfRestrictionEff.h"

#include "KuvDnfMilestonesEff.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvInTraceClass.h"

KUV_DEFINE_TYPE(KuvDnfRestrictionEff, KuvDnfLeaf)

KuvDnfRestrictionEff::KuvDnfRestrictionEff(std::int32_t capacity, const char* name)
    : KuvDnfLeaf(Kind::Restriction, KuvInGuid(), false),
      m_variables(KuvInGuid::sType(), sizeof(KuvInGuid), capacity),
      m_name(name) {}

KuvDnfRestrictionEff::KuvDnfRestrictionEff(const KuvDnfRestrictionEff& other)
    : KuvDnfLeaf(other), m_variables(other.m_variables), m_name(other.m_name) {}

KuvDnfRestrictionEff::~KuvDnfRestrictionEff() = default;

HRESULT KuvDnfRestrictionEff::set(const KuvInFastSetVal& variables, unsigned char negated) {
  if (variables.GetElementType() != KuvInGuid::sType())
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: a restriction holds GUIDs");
  m_variables.Clear();
  HRESULT hr = m_variables.PutSet(variables);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: PutSet failed");
  m_negated = negated != 0 ? 1 : 0;
  return S_OK;
}

HRESULT KuvDnfRestrictionEff::putVariable(const KuvInGuid& variable) {
  return m_variables.Put(variable) ? S_OK : S_FALSE;
}

bool KuvDnfRestrictionEff::samePart(const KuvDnfRestrictionEff& other) const {
  return dType() == other.dType() && getPart() == other.getPart();
}

HRESULT KuvDnfRestrictionEff::isIntersect(const KuvDnfLeaf& other, unsigned char& out) const {
  switch (other.getKind()) {
    case Kind::Restriction: return isIntersect(static_cast<const KuvDnfRestrictionEff&>(other), out);
    case Kind::Eff: return isIntersect(static_cast<const KuvDnfEff&>(other), out);
    default: return isIntersect(static_cast<const KuvDnfVarEff&>(other), out);
  }
}

// R(S) and not R(T) need a variable outside T that may have a value, so one
// in S but not in T.
HRESULT KuvDnfRestrictionEff::isIntersect(const KuvDnfRestrictionEff& other, unsigned char& out) const {
  out = 1;
  if (m_negated == other.m_negated || !samePart(other)) return S_OK;
  const KuvDnfRestrictionEff& positive = m_negated == 0 ? *this : other;
  const KuvDnfRestrictionEff& negated = m_negated == 0 ? other : *this;
  if (positive.m_variables.IsIncludedIn(negated.m_variables)) {
    KUV_TRACE_DETAIL("~~~ Not intersection because the restricted variables are within the negated restriction.\n");
    out = 0;
  }
  return S_OK;
}

HRESULT KuvDnfRestrictionEff::isIntersect(const KuvDnfEff&, unsigned char& out) const {
  out = 1;
  return S_OK;
}

HRESULT KuvDnfRestrictionEff::isIntersect(const KuvDnfVarEff& leaf, unsigned char& out) const {
  out = 1;
  if (m_negated != 0 || !restricts(leaf) || m_variables.Find(leaf.getGuid())) return S_OK;
  out = leaf.admitsNoValue() ? 1 : 0;
  KUV_TRACE_DETAIL(out != 0 ? "~~~ Intersection because the restricted variable admits no value.\n"
                            : "~~~ Not intersection because the restriction leaves the variable without value.\n");
  return S_OK;
}

KuvInString KuvDnfRestrictionEff::toString() const {
  KuvInString text(m_negated != 0 ? "!" : "");
  text.Append(m_name, "{");
  bool first = true;
  for (auto it = m_variables.cBegin(); it.IsValid(); first = false)
    text.Append(first ? "" : ", ", it.GetGoToNext()->toString());
  return text.Append("}");
}

// ---------------------------------------------------------------------------

#define KUV_DNF_DEFINE_RESTRICTION(Class)                                \
  KUV_DEFINE_TYPE(Class, KuvDnfRestrictionEff)                           \
  Class::~Class() = default;                                             \
  KuvDnfLeaf* Class::clone() const { return new Class(*this); }

KUV_DNF_DEFINE_RESTRICTION(KuvDnfCategoryOptionRestrictionEff)
KuvDnfCategoryOptionRestrictionEff::KuvDnfCategoryOptionRestrictionEff(std::int32_t capacity,
                                                                       const KuvInGuid& category)
    : KuvDnfRestrictionEff(capacity, "DnfCategoryOptionRestrictionEff") {
  m_guid = category;
}
bool KuvDnfCategoryOptionRestrictionEff::restricts(const KuvDnfVarEff& leaf) const {
  return leaf.getKind() == Kind::Option && static_cast<const KuvDnfOptionEff&>(leaf).getFeature() == m_guid;
}
bool KuvDnfCategoryOptionRestrictionEff::samePart(const KuvDnfRestrictionEff& other) const {
  return dType() == other.dType() && m_guid == other.getGuid();
}

KUV_DNF_DEFINE_RESTRICTION(KuvDnfCategoryRestrictionEff)
KuvDnfCategoryRestrictionEff::KuvDnfCategoryRestrictionEff(std::int32_t capacity)
    : KuvDnfRestrictionEff(capacity, "DnfCategoryRestrictionEff") {}
bool KuvDnfCategoryRestrictionEff::restricts(const KuvDnfVarEff&) const { return false; }

KUV_DNF_DEFINE_RESTRICTION(KuvDnfDateRestrictionEff)
KuvDnfDateRestrictionEff::KuvDnfDateRestrictionEff(std::int32_t capacity)
    : KuvDnfRestrictionEff(capacity, "DnfDateRestrictionEff") {}
bool KuvDnfDateRestrictionEff::restricts(const KuvDnfVarEff& leaf) const { return leaf.getKind() == Kind::Date; }

KUV_DNF_DEFINE_RESTRICTION(KuvDnfSerialRestrictionEff)
KuvDnfSerialRestrictionEff::KuvDnfSerialRestrictionEff(std::int32_t capacity, std::int32_t serialType)
    : KuvDnfRestrictionEff(capacity, "DnfSerialRestrictionEff"), m_type(serialType) {}
bool KuvDnfSerialRestrictionEff::restricts(const KuvDnfVarEff& leaf) const {
  return leaf.getKind() == Kind::Serial && static_cast<const KuvDnfSerialEff&>(leaf).getSerialType() == m_type;
}

KUV_DNF_DEFINE_RESTRICTION(KuvDnfTreeSeriesRestrictionEff)
KuvDnfTreeSeriesRestrictionEff::KuvDnfTreeSeriesRestrictionEff(std::int32_t capacity, std::uint32_t treeType)
    : KuvDnfRestrictionEff(capacity, "DnfTreeSeriesRestrictionEff"), m_treeType(treeType) {}
bool KuvDnfTreeSeriesRestrictionEff::restricts(const KuvDnfVarEff& leaf) const {
  return leaf.getKind() == Kind::TreeSeries &&
         static_cast<const KuvDnfTreeSeriesEff&>(leaf).getTreeType() == m_treeType;
}

KUV_DNF_DEFINE_RESTRICTION(KuvDnfMilestonesRestrictionEff)
KuvDnfMilestonesRestrictionEff::KuvDnfMilestonesRestrictionEff(std::int32_t capacity)
    : KuvDnfRestrictionEff(capacity, "DnfMilestonesRestrictionEff") {}
bool KuvDnfMilestonesRestrictionEff::restricts(const KuvDnfVarEff& leaf) const {
  return leaf.getKind() == Kind::Milestones;
}

KUV_DNF_DEFINE_RESTRICTION(KuvDnfSelectionRestrictionEff)
KuvDnfSelectionRestrictionEff::KuvDnfSelectionRestrictionEff(std::int32_t capacity)
    : KuvDnfRestrictionEff(capacity, "DnfSelectionRestrictionEff") {}
bool KuvDnfSelectionRestrictionEff::restricts(const KuvDnfVarEff& leaf) const {
  return leaf.getKind() == Kind::Selection;
}

KUV_DNF_DEFINE_RESTRICTION(KuvDnfEffRestrictionEff)
KuvDnfEffRestrictionEff::KuvDnfEffRestrictionEff(std::int32_t capacity)
    : KuvDnfRestrictionEff(capacity, "DnfEffRestrictionEff") {}
bool KuvDnfEffRestrictionEff::restricts(const KuvDnfVarEff&) const { return false; }
