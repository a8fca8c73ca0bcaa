#include "KuvEeVarEff.h"

KUV_DEFINE_TYPE(KuvEeVarEff, KuvInObject)

KuvEeVarEff::~KuvEeVarEff() = default;

KuvEeVariable* KuvEeVarEff::getVar() const { return m_var; }

HRESULT KuvEeVarEff::opAnd(const KuvEeVarEff* other, bool& merged) {
  KUV_TRACE_CALL("opAnd");
  return genericOperator(OpAnd, other, merged);
}

HRESULT KuvEeVarEff::opOr(const KuvEeVarEff* other, bool& merged) {
  KUV_TRACE_CALL("opOr");
  return genericOperator(OpOr, other, merged);
}

HRESULT KuvEeVarEff::opCut(const KuvEeVarEff* other, bool& merged) {
  KUV_TRACE_CALL("opCut");
  return genericOperator(OpCut, other, merged);
}

void KuvEeVarEff::opNot() {
  KUV_TRACE_CALL("opNot");
  setNegated(!isNegated());
}

HRESULT KuvEeVarEff::opNotDom() {
  KUV_TRACE_CALL("opNotDom");
  if (isNoVarIncluded()) KUV_RETURN_ERROR(E_FAIL, "ERROR: unsupported case");
  // The complement holds the no-value element; moving it into the positive
  // part takes it out again.
  opNot();
  setNoVar(!getNoVar());
  return S_OK;
}

bool KuvEeVarEff::isNoVarIncluded() const { return getNoVar() != isNegated(); }

bool KuvEeVarEff::isAllFalse() const { return isPartEmpty() && !isNegated(); }

bool KuvEeVarEff::isAllTrue() const { return isPartEmpty() && isNegated(); }

const char* kuv::detail::VarEffParts::kindMismatchText() const {
  return "ERROR: NULL pointer: the input is not a selectionEffectivity";
}

HRESULT KuvEeVarEff::genericOperator(E_OPERATOR op, const KuvEeVarEff* other, bool& merged) {
  merged = false;
  if (other == nullptr || other->getVar() != getVar()) return S_OK;
  merged = true;
  if (!isSameKind(*other)) KUV_RETURN_ERROR(E_FAIL, kindMismatchText());
  bool n = isNegated();
  bool m = other->isNegated();
  switch (op) {
    case OpAnd:
      break;
    case OpOr:  // not(not this AND not other)
      n = !n;
      m = !m;
      break;
    case OpCut:
      m = !m;
      break;
    default:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect case");
  }
  backup();
  HRESULT hr;
  if (!n && !m) {
    hr = partAnd(*other);
  } else if (!n) {
    hr = partCut(*other);
  } else if (!m) {
    hr = partCutFrom(*other);
  } else {  // not P AND not Q = not (P OR Q)
    hr = partAdd(*other);
  }
  if (FAILED(hr)) {
    restore();
    return hr;
  }
  setNegated((n && m) != (op == OpOr));
  return S_OK;
}
