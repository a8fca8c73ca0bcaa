// KuvEeDnfConvertor: expression trees to disjunctive normal forms and back.
// Every result is a new object owned by the caller, null on failure; the
// inputs are not changed.
//
//     KuvDnf* dnf = KuvEeDnfConvertor::NodeRef2Dnf(expression);
//     KuvEeNodeRef* back = KuvEeDnfConvertor::Dnf2NodeRef(*dnf, varSpace);
//
// Turning a normal form into a tree needs the variables its GUIDs name:
// the dictionary forms first create what is missing (KuvDnfModelDicoBuilder,
// KuvDnfVsBuilder), the const variable-space form expects it all there.
#pragma once

#include "KuvInObject.h"

#include "KuvDnf.h"
#include "KuvEeNodeRef.h"

class KuvEeExpressionContext;
class KuvEeModelDico;
class KuvEeVarSpace;
class KuvIDictionaryModelerAccess;
class KuvInSet;

class KUV_API KuvEeDnfConvertor : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeDnfConvertor)

public:
  // Clone, make disjunctive, read into map terms. Null on failure, also
  // when memory runs out ("ERROR: out of memory"): a normal form can be
  // exponentially larger than its tree.
  static KuvDnf* NodeRef2Dnf(const KuvEeNodeRef& ref);

  // After buildMD into model and context.
  static KuvEeNodeRef* Dnf2NodeRef(const KuvDnf& dnf, KuvEeModelDico& model, KuvEeExpressionContext& context,
                                   const KuvIDictionaryModelerAccess* access);
  // After buildVS into the variable space (created objects go to objects;
  // unless keep, objects is cleared first).
  static KuvEeNodeRef* Dnf2NodeRef(const KuvDnf& dnf, KuvEeVarSpace& varSpace, KuvInSet& objects,
                                   unsigned char keep);
  // The variables must exist in the space already.
  static KuvEeNodeRef* Dnf2NodeRef(const KuvDnf& dnf, const KuvEeVarSpace& varSpace);
  // In the model of that GUID inside context (the model is created, named
  // by the GUID's text, when missing). A null context is created, and is the
  // caller's with the tree; without a tree it is deleted and stays null.
  static KuvEeNodeRef* Dnf2NodeRef(const KuvDnf& dnf, const KuvInGuid& model, KuvEeExpressionContext*& context,
                                   const KuvIDictionaryModelerAccess* access);

  // The negation of dnf, through a tree in a context of its own: a Not
  // whose flag byte is domain, pushed to the leaves by NodeRef2Dnf (with
  // domain set, a variable leaf is negated within its domain).
  static KuvDnf* GetNotDnf(const KuvDnf& dnf, const KuvInGuid& model, const unsigned char& domain,
                           const KuvIDictionaryModelerAccess* access);
};
