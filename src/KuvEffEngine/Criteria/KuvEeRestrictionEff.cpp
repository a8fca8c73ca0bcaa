#include "KuvEeRestrictionEff.h"

#include <cstdint>
#include <memory>

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeDnfTreeEff.h"
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
#include "KuvEeVarEff.h"
#include "KuvEeVarEffLeaf.h"

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

namespace {

// Restrictions of one kind may still speak of separate parts of its
// variables: serial and tree-series variables of different external types,
// options of different categories. key names the part a variable (or, null,
// a restriction without variables) belongs to; false when it cannot be told.
bool partOf(const KuvEeRestrictionEff& restriction, const KuvInObject* variable, std::uintptr_t& key) {
  key = 0;
  if (KuvEeSerialRestrictionEff::isObjectOfThisType(restriction)) {
    const KuvEeSerialVar* serial = variable != nullptr ? KuvEeSerialVar::cast(*variable) : nullptr;
    if (serial != nullptr) key = static_cast<std::uintptr_t>(serial->getExternalType());
    return serial != nullptr;
  }
  if (KuvEeTreeSeriesRestrictionEff::isObjectOfThisType(restriction)) {
    const KuvEeTreeSeriesVar* series = variable != nullptr ? KuvEeTreeSeriesVar::cast(*variable) : nullptr;
    if (series != nullptr) key = series->getExternalType();
    return series != nullptr;
  }
  if (KuvEeCategoryOptionRestrictionEff::isObjectOfThisType(restriction)) {
    const KuvEeCatOptionVar* option = variable != nullptr ? KuvEeCatOptionVar::cast(*variable) : nullptr;
    if (option != nullptr) key = reinterpret_cast<std::uintptr_t>(option->getCategory());
    return option != nullptr && option->getCategory() != nullptr;
  }
  return true;
}

bool partOf(const KuvEeRestrictionEff& restriction, std::uintptr_t& key) {
  const KuvInSet& variables = restriction.getVariables();
  if (variables.IsEmpty()) return partOf(restriction, nullptr, key);
  bool first = true;
  for (KuvInSet::const_iterator it = variables.cBegin(); it.IsValid(); first = false) {
    std::uintptr_t next = 0;
    if (!partOf(restriction, it.GetGoToNext(), next) || (!first && next != key)) return false;
    key = next;
  }
  return true;
}

}  // namespace

// A restriction that is not negated leaves every variable of its part of
// the kind outside its set without a value; negated, it asks that one of
// them has a value. So the And of two restrictions of one part is the
// restriction to the common variables, and a restriction implies every
// restriction to more variables. Or is computed as the complement of the
// And of the complements, and Cut as the And with the complement.
HRESULT KuvEeRestrictionEff::genericOperator(E_OPERATOR op, const KuvInObject* other, KuvEeNode*& out) const {
  out = nullptr;
  if (op != OpAnd && op != OpOr && op != OpCut) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unknown operator");
  if (other == nullptr) return S_OK;
  std::uintptr_t part = 0;
  if (!partOf(*this, part)) return S_OK;
  const bool isOr = op == OpOr;
  // After the Or inversion: the flags of both operands in the And.
  const bool n = (m_negated != 0) != isOr;
  // The And gives a node, or this restriction with the flag n, or False,
  // or nothing.
  std::unique_ptr<KuvEeNode> result;
  bool givesThis = false;
  bool givesFalse = false;

  if (const KuvEeRestrictionEff* theirs = cast(*other)) {
    std::uintptr_t theirPart = 0;
    if (theirs->dType() != dType() || !partOf(*theirs, theirPart) || theirPart != part) return S_OK;
    const bool m = ((theirs->m_negated != 0) != isOr) != (op == OpCut);
    const bool mineInTheirs = m_variables.IsIncludedIn(theirs->m_variables);
    const bool theirsInMine = theirs->m_variables.IsIncludedIn(m_variables);
    if (!n && !m) {
      auto* common = createClone();
      common->m_variables.Intersect(m_variables, theirs->m_variables);
      common->m_negated = 0;
      result.reset(new KuvEeRestrictionEffLeaf(common));
    } else if (n != m) {
      givesFalse = !n ? mineInTheirs : theirsInMine;
    } else if (mineInTheirs || theirsInMine) {
      // Not (R(S) or R(T)): the restriction to the larger set, negated.
      auto* larger = mineInTheirs ? theirs->createClone() : createClone();
      larger->m_negated = 1;
      result.reset(new KuvEeRestrictionEffLeaf(larger));
    }
  } else if (const KuvEeVarEffLeaf* leaf = KuvEeVarEffLeaf::cast(*other)) {
    // What the normal-form tree kinds admit cannot be read here.
    const KuvEeVarEff* eff = leaf->getVarEff();
    const bool readable = eff != nullptr && !KuvEeDnfMilestonesEff::isObjectOfThisType(*eff) &&
                          !KuvEeDnfTreeSeriesEff::isObjectOfThisType(*eff);
    const KuvEeVariable* var = readable ? eff->getVar() : nullptr;
    std::uintptr_t varPart = 0;
    if (var == nullptr || !m_variables.IsTypeAccepted(var->dType()) || !partOf(*this, var, varPart) ||
        varPart != part || m_variables.Find(var))
      return S_OK;
    // The variable is held to no value by the restriction (or, negated, is
    // one of those that may have one); what the leaf's side of the And
    // (the leaf, or its complement) says of the no-value element decides.
    const bool complemented = isOr != (op == OpCut);
    const bool admitsNoValue = eff->isNoVarIncluded() != complemented;
    if (!n) {
      givesThis = admitsNoValue;
      givesFalse = !admitsNoValue;
    } else if (!admitsNoValue) {
      // The leaf's side implies the negated restriction; it is the result,
      // complemented back for an Or, so the leaf's complement for a Cut.
      KuvEeNode* side = nullptr;
      HRESULT hr = op == OpCut ? leaf->opNot(side) : S_OK;
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: opNot failed");
      out = side != nullptr ? side : new KuvEeVarEffLeaf(*leaf);
      return S_OK;
    }
  } else {
    return S_OK;
  }
  if (givesThis) {
    auto* copy = createClone();
    copy->m_negated = n ? 1 : 0;
    result.reset(new KuvEeRestrictionEffLeaf(copy));
  } else if (givesFalse) {
    result.reset(new KuvEeFalse);
  }
  if (result == nullptr) return S_OK;
  // An Or complements the And it was computed from.
  if (isOr) {
    if (KuvEeFalse::isObjectOfThisType(*result)) {
      result.reset(new KuvEeTrue);
    } else if (auto* restrictionLeaf = KuvEeRestrictionEffLeaf::cast(*result)) {
      restrictionLeaf->getRestrictionEff()->opNot();
    }
  }
  out = result.release();
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
