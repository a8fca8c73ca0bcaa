// KuvEeEffectivity: a named effectivity, a dictionary object that may carry
// an applicability of its own, as an expression tree and/or as an
// expression. Effectivity leaves (KuvEeEffLeaf) refer to one; they never own
// it. Three kinds are named: KuvEeBasicEff (a basic or inherited
// effectivity), KuvEePredefEff (a change or predefined effectivity, in its
// own header) and KuvEeGroupNodeEff (names a group of nodes).
//
//     KuvEeBasicEff eff("Eff1", guidBytes);
//     eff.setExpr(tree);          // eff owns the tree now
//     eff.isDefined();            // true
//
// An effectivity may also hold an expression (KuvEeExpression), typically
// a change expression for a predefined effectivity:
//
//     KuvEeExpression* applicability = new KuvEeChangeExpression();
//     eco.setExpr(applicability);  // eco owns it, applicability is null
//
// The effectivity owns its tree and its expression and deletes both when it
// goes; either one makes it defined.
#pragma once

#include <memory>

#include "KuvEeDicoObject.h"
#include "KuvEeNodeRef.h"

class KuvEeExpression;

class KUV_API KuvEeEffectivity : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeEffectivity)

public:
  // guid: 16 bytes, or null for the unset GUID.
  KuvEeEffectivity(const KuvInString& name, const unsigned char* guid);
  ~KuvEeEffectivity() override;

  // A tree or an expression is present.
  virtual bool isDefined() const;
  // expression = the effectivity's expression; S_FALSE (and null) when there
  // is none.
  virtual HRESULT getExpr(KuvEeExpression*& expression) const;
  // The expression tree (still owned by the effectivity), or null.
  virtual KuvEeNodeRef* getExpr();
  virtual const KuvEeNodeRef* getExpr() const;
  // Detaches the expression and hands it to the caller; S_FALSE (and null)
  // when there is none.
  virtual HRESULT removeExpr(KuvEeExpression*& expression);

  // Takes expression over and clears the caller's pointer; the previous
  // expression is deleted (the same one is kept). Null removes and deletes
  // the expression held.
  HRESULT setExpr(KuvEeExpression*& expression);
  // Deletes the previous tree and takes tree over (null clears it).
  void setExpr(KuvEeNodeRef* tree);

  // "Effectivity( " name "/" GUID " - " ["Not "] "Defined )".
  KuvInString toString() const override;

protected:
  // head + name "/" GUID " - " ["Not "] "Defined )".
  KuvInString describe(const char* head) const;

private:
  std::unique_ptr<KuvEeNodeRef> m_tree;
  std::unique_ptr<KuvEeExpression> m_expression;
};

class KUV_API KuvEeBasicEff : public KuvEeEffectivity {
  KUV_DECLARE_TYPE(KuvEeBasicEff)

public:
  KuvEeBasicEff(const KuvInString& name, const unsigned char* guid);
  ~KuvEeBasicEff() override;

  // "BasicEff( " name "/" GUID " - " ["Not "] "Defined )".
  KuvInString toString() const override;
};

class KUV_API KuvEeGroupNodeEff : public KuvEeEffectivity {
  KUV_DECLARE_TYPE(KuvEeGroupNodeEff)

public:
  KuvEeGroupNodeEff(const KuvInString& name, const unsigned char* guid);
  ~KuvEeGroupNodeEff() override;
  // Its text is the plain effectivity's: a group has nothing of its own to show.
};
