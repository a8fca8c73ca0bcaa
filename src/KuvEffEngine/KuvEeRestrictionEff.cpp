#include "KuvEeRestrictionEff.h"

#include <memory>

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeFalse.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeNodeElementaryLeaf.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeTrue.h"

KUV_DEFINE_TYPE(KuvEeRestrictionEff, KuvInObject)

KuvEeRestrictionEff::KuvEeRestrictionEff(KuvInObjectTypeClass* variableType, const char* kind)
    : m_variables(variableType), m_kind(kind) {}

KuvEeRestrictionEff::KuvEeRestrictionEff(const KuvEeRestrictionEff& other)
    : KuvInObject(other), m_variables(other.m_variables), m_negated(other.m_negated), m_kind(other.m_kind) {}

KuvEeRestrictionEff::~KuvEeRestrictionEff() = default;

HRESULT KuvEeRestrictionEff::isEqual(const KuvEeRestrictionEff* other, bool& equal) const {
  KUV_TRACE_CALL("isEqual");
  equal = other != nullptr && other->dType() == dType() && other->m_negated == m_negated &&
          other->m_variables == m_variables;
  return S_OK;
}

HRESULT KuvEeRestrictionEff::opAnd(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  return genericOperator(OpAnd, other, out);
}

HRESULT KuvEeRestrictionEff::opAnd(const KuvEeRestrictionEff* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  return genericOperator(OpAnd, other, out);
}

HRESULT KuvEeRestrictionEff::opOr(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  return genericOperator(OpOr, other, out);
}

HRESULT KuvEeRestrictionEff::opOr(const KuvEeRestrictionEff* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  return genericOperator(OpOr, other, out);
}

HRESULT KuvEeRestrictionEff::opCut(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opCut");
  return genericOperator(OpCut, other, out);
}

HRESULT KuvEeRestrictionEff::opCut(const KuvEeRestrictionEff* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opCut");
  return genericOperator(OpCut, other, out);
}

void KuvEeRestrictionEff::opNot() { m_negated = m_negated != 0 ? 0 : 1; }

bool KuvEeRestrictionEff::isNegated() const { return m_negated != 0; }

HRESULT KuvEeRestrictionEff::setVariables(const KuvInSet& variables) {
  KUV_TRACE_CALL("setVariables");
  // Built aside so that a refused element leaves the restriction unchanged.
  KuvInSet copy(m_variables.GetElementType(), variables.GetLength());
  for (KuvInSet::const_iterator it = variables.cBegin(); it.IsValid();) copy.Put(it.GetGoToNext());
  if (copy.GetLength() != variables.GetLength()) KUV_RETURN_ERROR(E_FAIL, "Incorrect parameters");
  m_variables.Clear();
  m_variables.PutSet(copy);
  return S_OK;
}

KuvInString KuvEeRestrictionEff::toString() const {
  KuvInString text(m_negated != 0 ? "!" : "");
  text.Append(m_kind, "[");
  const char* separator = "";
  for (KuvInSet::const_iterator it = m_variables.cBegin(); it.IsValid(); separator = ", ")
    text.Append(separator, static_cast<const KuvEeDicoObject*>(it.GetGoToNext())->getName());
  text.Append("]");
  return text;
}

HRESULT KuvEeRestrictionEff::genericOperator(E_OPERATOR op, const KuvInObject* other, KuvEeNode*& out) const {
  out = nullptr;
  if (op != OpAnd && op != OpOr && op != OpCut) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unknown operator");
  const KuvEeRestrictionEff* restriction = other != nullptr ? cast(*other) : nullptr;
  if (restriction == nullptr || restriction->dType() != dType() || restriction->m_variables != m_variables)
    return S_OK;
  // Over the same variables a restriction and its negation are complements.
  const bool complements = restriction->m_negated != m_negated;
  const bool givesThis = (op == OpCut) == complements;
  if (givesThis)
    out = new KuvEeRestrictionEffLeaf(createClone());
  else if (op == OpOr)
    out = new KuvEeTrue;
  else
    out = new KuvEeFalse;
  return S_OK;
}

// Every kind: a constructor naming its variable type and text, a copy
// constructor, and createClone through it.
#define KUV_EE_DEFINE_RESTRICTION_KIND(Class, VariableClass, kind)      \
  KUV_DEFINE_TYPE(Class, KuvEeRestrictionEff)                           \
  Class::Class() : KuvEeRestrictionEff(VariableClass::sType(), kind) {} \
  Class::Class(const Class& other) = default;                           \
  Class::~Class() = default;                                            \
  KuvEeRestrictionEff* Class::createClone() const { return new Class(*this); }

KUV_EE_DEFINE_RESTRICTION_KIND(KuvEeDateRestrictionEff, KuvEeDateVar, "DateRestrictionEff")
KUV_EE_DEFINE_RESTRICTION_KIND(KuvEeSerialRestrictionEff, KuvEeSerialVar, "SerialRestrictionEff")
KUV_EE_DEFINE_RESTRICTION_KIND(KuvEeSelectionRestrictionEff, KuvEeSelectionVar, "SelectionRestrictionEff")
KUV_EE_DEFINE_RESTRICTION_KIND(KuvEeCategoryRestrictionEff, KuvEeCategory, "CategoryRestrictionEff")
KUV_EE_DEFINE_RESTRICTION_KIND(KuvEeCategoryOptionRestrictionEff, KuvEeOptionVar,
                               "CategoryOptionRestrictionEff")
KUV_EE_DEFINE_RESTRICTION_KIND(KuvEeMilestonesRestrictionEff, KuvEeMilestonesVar, "MilestonesRestrictionEff")
KUV_EE_DEFINE_RESTRICTION_KIND(KuvEeTreeSeriesRestrictionEff, KuvEeTreeSeriesVar, "TreeSeriesRestrictionEff")
KUV_EE_DEFINE_RESTRICTION_KIND(KuvEePredefEffRestrictionEff, KuvEePredefEff, "PredefEffRestrictionEff")
