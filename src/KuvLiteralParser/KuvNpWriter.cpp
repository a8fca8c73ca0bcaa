#include "KuvNpWriter.h"

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeFalse.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInLinkList.h"
#include "KuvInMap.h"
#include "KuvInSet.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvNpWriter, KuvEeNodeVisitor)
KUV_DEFINE_TYPE(KuvNpListWriter, KuvInObject)

KuvNpWriter::KuvNpWriter(const KuvLiteralSyntax& syntax)
    : m_syntax(syntax), m_varEffWriter(m_syntax), m_restrictionWriter(m_syntax) {}

KuvNpWriter::~KuvNpWriter() = default;

HRESULT KuvNpWriter::write(KuvEeNode& node, KuvInString& text) {
  KUV_TRACE_CALL("write");
  m_text = KuvInString();
  const HRESULT hr = node.acceptVisitor(*this);
  text = FAILED(hr) ? KuvInString() : m_text;
  m_text = KuvInString();
  return FAILED(hr) ? E_FAIL : S_OK;
}

HRESULT KuvNpWriter::visitFalse(KuvEeFalse&) {
  m_text.Append(m_syntax.expressionFalse);
  return S_OK;
}

HRESULT KuvNpWriter::visitTrue(KuvEeTrue&) {
  m_text.Append(m_syntax.expressionTrue);
  return S_OK;
}

HRESULT KuvNpWriter::writeBracketed(KuvEeNode& node) {
  m_text.Append(m_syntax.openBracket, m_syntax.operatorSpacing);
  if (FAILED(node.acceptVisitor(*this))) return E_FAIL;
  m_text.Append(m_syntax.operatorSpacing, m_syntax.closeBracket);
  return S_OK;
}

HRESULT KuvNpWriter::writeGroup(KuvEeNode& node, const KuvInString& symbol, bool bracketAnd) {
  KuvInLinkList children(KuvEeNodeRef::sType());
  if (FAILED(static_cast<KuvEeOp&>(node).getChildrenRefs(children))) return E_FAIL;
  if (m_syntax.bracketEveryGroup) m_text.Append(m_syntax.openBracket, m_syntax.operatorSpacing);
  for (KuvInLinkList::const_iterator it = children.cBegin(); it.IsValid(); it.Next()) {
    KuvEeNode* child = static_cast<KuvEeNodeRef*>(it.Get())->getNode();
    if (child == nullptr) return E_FAIL;
    if (!it.IsBegin()) m_text.Append(m_syntax.operatorSpacing, symbol, m_syntax.operatorSpacing);
    const bool bracketed = KuvEeOrOp::isObjectOfThisType(*child) || (bracketAnd && KuvEeAndOp::isObjectOfThisType(*child));
    if (FAILED(bracketed ? writeBracketed(*child) : child->acceptVisitor(*this))) return E_FAIL;
  }
  if (m_syntax.bracketEveryGroup) m_text.Append(m_syntax.operatorSpacing, m_syntax.closeBracket);
  return S_OK;
}

HRESULT KuvNpWriter::visitAndOp(KuvEeAndOp& node) { return writeGroup(node, m_syntax.andSymbol, true); }

HRESULT KuvNpWriter::visitOrOp(KuvEeOrOp& node) { return writeGroup(node, m_syntax.orSymbol, false); }

HRESULT KuvNpWriter::writeNegated(KuvEeNode& node, const KuvInString& symbol) {
  KuvEeNodeRef* childRef = static_cast<KuvEeSingleOp&>(node).getChildRef();
  KuvEeNode* child = childRef != nullptr ? childRef->getNode() : nullptr;
  if (child == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: negation without operand");
  m_text.Append(symbol);
  // A bare leaf after the not symbol would read back as the negated leaf.
  const bool bracketed = KuvEeAndOp::isObjectOfThisType(*child) || KuvEeOrOp::isObjectOfThisType(*child) ||
                         KuvEeEffLeaf::isObjectOfThisType(*child) || KuvEeVarEffLeaf::isObjectOfThisType(*child) ||
                         KuvEeRestrictionEffLeaf::isObjectOfThisType(*child);
  return bracketed ? writeBracketed(*child) : child->acceptVisitor(*this);
}

HRESULT KuvNpWriter::visitNotDomainOp(KuvEeNotDomainOp& node) { return writeNegated(node, m_syntax.notDomainSymbol); }

HRESULT KuvNpWriter::visitNotOp(KuvEeNotOp& node) { return writeNegated(node, m_syntax.notSymbol); }

HRESULT KuvNpWriter::visitEffLeaf(KuvEeEffLeaf& node) {
  const KuvEeEffectivity* target = node.getTargetEff();
  if (target == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  const bool allTrue = node.isEquivalentToTrue();
  if (node.isNegated() && !allTrue) m_text.Append(m_syntax.notSymbol);
  m_text.Append(m_syntax.namedEffPrefix, m_syntax.encode(target->getName()));
  if (allTrue)
    m_text.Append(m_syntax.valueSetOpen, m_syntax.allTrueWord, m_syntax.valueSetClose);
  else if (node.isEquivalentToFalse())
    m_text.Append(m_syntax.valueSetOpen, m_syntax.allFalseWord, m_syntax.valueSetClose);
  return S_OK;
}

HRESULT KuvNpWriter::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  const KuvInString text = node.getVarEff() != nullptr ? m_varEffWriter.write(*node.getVarEff()) : KuvInString();
  if (text.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: criterion without literal form");
  m_text.Append(text);
  return S_OK;
}

HRESULT KuvNpWriter::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) {
  const KuvInString text =
      node.getRestrictionEff() != nullptr ? m_restrictionWriter.write(*node.getRestrictionEff()) : KuvInString();
  if (text.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: restriction without literal form");
  m_text.Append(text);
  return S_OK;
}

KuvNpListWriter::KuvNpListWriter(const KuvLiteralSyntax& syntax) : m_syntax(syntax), m_varEffWriter(m_syntax) {}

KuvNpListWriter::~KuvNpListWriter() = default;

HRESULT KuvNpListWriter::write(const KuvQmSpecList& list, KuvInString& text) {
  KUV_TRACE_CALL("write");
  text = KuvInString();
  KuvInString result;
  auto separate = [&] {
    if (!result.IsEmpty()) result.Append(m_syntax.sequenceSeparator);
  };
  for (KuvInMap::const_iterator it = list.GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) {
    const KuvEeVarEff* eff = KuvEeVarEff::cast(*it.GetVal());
    const KuvInString item = eff != nullptr ? m_varEffWriter.write(*eff) : KuvInString();
    if (item.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: criterion without literal form");
    separate();
    result.Append(item);
  }
  for (KuvInSet::const_iterator it = list.GetEffs().cBegin(); it.IsValid(); it.Next()) {
    separate();
    result.Append(m_syntax.namedEffPrefix,
                  m_syntax.encode(static_cast<const KuvEeEffectivity*>(it.Get())->getName()));
  }
  text = result;
  return S_OK;
}
