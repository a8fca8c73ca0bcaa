// KuvEeVarEff: a constraint on one variable of a configuration model, the
// criterion of a KuvEeVarEffLeaf.
//
// Every kind represents a set over its variable's domain extended by the
// no-value element (the configuration gives the variable no value). The set
// is stored as a positive part, whose own no-value flag says whether the
// no-value element belongs to it, plus a negation flag: the represented set
// is the positive part, or its complement when negated.
//
// opAnd, opOr and opCut combine this effectivity in place with another one of
// the same variable (merged tells whether they were combined; effectivities
// of different variables are left alone, which is not a failure). A failed
// operation leaves this effectivity as it was.
//
//     KuvEeOptionEff a(&opt, KuvEeOptionEff::T);
//     KuvEeOptionEff b(&opt, KuvEeOptionEff::T | KuvEeOptionEff::F);
//     bool merged = false;
//     a.opAnd(&b, merged);   // a is {T}, merged is true
#pragma once

#include "KuvInObjectVal.h"

class KuvEeVariable;
class KuvEeVarEff;

namespace kuv::detail {

// The hooks of KuvEeVarEff::genericOperator. They live in a base of their
// own so that KuvEeVarEff's virtual slots, and those its kinds add, keep the
// order of the interface. other is of the same kind; each changes the
// positive part in place, no-value flag included.
class KUV_API VarEffParts {
protected:
  VarEffParts() = default;
  VarEffParts(const VarEffParts&) = default;
  VarEffParts& operator=(const VarEffParts&) = default;
  ~VarEffParts() = default;

  virtual bool isSameKind(const KuvEeVarEff& other) const = 0;
  // The error text of a kind mismatch.
  virtual const char* kindMismatchText() const;
  virtual HRESULT partAnd(const KuvEeVarEff& other) = 0;
  // this = this minus other.
  virtual HRESULT partCut(const KuvEeVarEff& other) = 0;
  // this = other minus this.
  virtual HRESULT partCutFrom(const KuvEeVarEff& other) = 0;
  virtual HRESULT partAdd(const KuvEeVarEff& other) = 0;
  virtual bool isPartEmpty() const = 0;
  virtual void setNegated(bool negated) = 0;
  virtual void setNoVar(bool noVar) = 0;
  // Taken before an operation and restored when it fails; kinds whose
  // operations cannot fail keep none.
  virtual void backup() {}
  virtual void restore() {}
};

}  // namespace kuv::detail

class KUV_API KuvEeVarEff : public KuvInObject, protected kuv::detail::VarEffParts {
  KUV_DECLARE_TYPE(KuvEeVarEff)

public:
  enum E_OPERATOR : std::int32_t { OpAnd = 1, OpOr = 2, OpCut = 3 };

  ~KuvEeVarEff() override;

  // A new copy, owned by the caller.
  virtual KuvEeVarEff* createVarEffClone() const = 0;
  virtual KuvEeVariable* getVar() const;
  // Same kind, same variable, same content.
  virtual HRESULT equals(const KuvEeVarEff* other, bool& equal) const = 0;
  // this = this AND other.
  virtual HRESULT opAnd(const KuvEeVarEff* other, bool& merged);
  // this = this OR other.
  virtual HRESULT opOr(const KuvEeVarEff* other, bool& merged);
  // this = this AND NOT other.
  virtual HRESULT opCut(const KuvEeVarEff* other, bool& merged);
  // The complement, the no-value element included.
  virtual void opNot();
  // The complement among valued states: E_FAIL, nothing changed, when the
  // represented set holds the no-value element.
  virtual HRESULT opNotDom();
  virtual bool isNegated() const = 0;
  // Whether the represented set holds the no-value element.
  virtual bool isNoVarIncluded() const;
  // Whether the positive part holds the no-value element.
  virtual bool getNoVar() const = 0;
  virtual bool isAllFalse() const;
  virtual bool isAllTrue() const;
  virtual void switchNoVar() = 0;

protected:
  explicit KuvEeVarEff(KuvEeVariable* var) : m_var(var) {}
  KuvEeVarEff(const KuvEeVarEff&) = default;
  KuvEeVarEff& operator=(const KuvEeVarEff&) = default;

  // The combination common to all kinds: after the variable and kind checks
  // it reduces And, Or and Cut, whatever the negation flags, to one set
  // operation on the positive parts (intersection, difference either way,
  // union) and sets the negation flag of the result.
  HRESULT genericOperator(E_OPERATOR op, const KuvEeVarEff* other, bool& merged);

  KuvEeVariable* m_var;  // not owned
};
