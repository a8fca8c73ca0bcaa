#include "KuvNpWriter.h"

#include "KuvEeEffectivity.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeTransformDepth.h"
#include "KuvInLinkList.h"
#include "KuvInMap.h"
#include "KuvInSet.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvNpWriter, KuvEeNodeVisitor)
KUV_DEFINE_TYPE(KuvNpListWriter, KuvInObject)
template class KuvEeNodeDispatcher<KuvNpWriter>;

KuvNpWriter::KuvNpWriter(const KuvLiteralSyntax& syntax)
    : m_syntax(syntax), m_varEffWriter(m_syntax), m_restrictionWriter(m_syntax) {}

KuvNpWriter::~KuvNpWriter() = default;

HRESULT KuvNpWriter::write(KuvEeNode& node, KuvInString& text) {
  KUV_TRACE_CALL("write");
  text = KuvInString();
  m_text = KuvInString();
  const HRESULT hr = kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // The walk below recurses once per level. Measuring a wide tree takes
    // memory too.
    if (kuv::detail::isTreeTooDeep(&node)) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
    if (FAILED(node.acceptVisitor(*this))) return E_FAIL;
    text = m_text;
    return S_OK;
  });
  m_text = KuvInString();
  return hr;
}

HRESULT KuvNpWriter::writeBracketed(KuvEeNode& node) {
  m_text.Append(m_syntax.openBracket, m_syntax.operatorSpacing);
  if (FAILED(node.acceptVisitor(*this))) return E_FAIL;
  m_text.Append(m_syntax.operatorSpacing, m_syntax.closeBracket);
  return S_OK;
}

HRESULT KuvNpWriter::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  const bool isAnd = kind == NodeKind::AndOp;
  const KuvInString& symbol = isAnd ? m_syntax.andSymbol : m_syntax.orSymbol;
  KuvInLinkList children(KuvEeNodeRef::sType());
  if (FAILED(kuv::detail::throwIfOutOfMemory(node.getChildrenRefs(children)))) return E_FAIL;
  if (m_syntax.bracketEveryGroup) m_text.Append(m_syntax.openBracket, m_syntax.operatorSpacing);
  for (KuvInLinkList::const_iterator it = children.cBegin(); it.IsValid(); it.Next()) {
    KuvEeNode* child = static_cast<KuvEeNodeRef*>(it.Get())->getNode();
    if (child == nullptr) return E_FAIL;
    if (!it.IsBegin()) m_text.Append(m_syntax.operatorSpacing, symbol, m_syntax.operatorSpacing);
    const bool bracketed =
        KuvEeOrOp::isObjectOfThisType(*child) || (isAnd && KuvEeAndOp::isObjectOfThisType(*child));
    if (FAILED(bracketed ? writeBracketed(*child) : child->acceptVisitor(*this))) return E_FAIL;
  }
  if (m_syntax.bracketEveryGroup) m_text.Append(m_syntax.operatorSpacing, m_syntax.closeBracket);
  return S_OK;
}

HRESULT KuvNpWriter::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  KuvEeNodeRef* childRef = node.getChildRef();
  KuvEeNode* child = childRef != nullptr ? childRef->getNode() : nullptr;
  if (child == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: negation without operand");
  m_text.Append(kind == NodeKind::NotOp ? m_syntax.notSymbol : m_syntax.notDomainSymbol);
  // A bare leaf after the not symbol would read back as the negated leaf.
  const bool bracketed = KuvEeAndOp::isObjectOfThisType(*child) || KuvEeOrOp::isObjectOfThisType(*child) ||
                         KuvEeEffLeaf::isObjectOfThisType(*child) || KuvEeVarEffLeaf::isObjectOfThisType(*child) ||
                         KuvEeRestrictionEffLeaf::isObjectOfThisType(*child);
  return bracketed ? writeBracketed(*child) : child->acceptVisitor(*this);
}

HRESULT KuvNpWriter::visitLeaf(KuvEeNodeLeaf& leaf, NodeKind kind) {
  switch (kind) {
    case NodeKind::False:
      m_text.Append(m_syntax.expressionFalse);
      return S_OK;
    case NodeKind::True:
      m_text.Append(m_syntax.expressionTrue);
      return S_OK;
    case NodeKind::EffLeaf:
      return writeEffLeaf(static_cast<const KuvEeEffLeaf&>(leaf));
    case NodeKind::VarEffLeaf: {
      const KuvEeVarEff* eff = static_cast<const KuvEeVarEffLeaf&>(leaf).getVarEff();
      const KuvInString text = eff != nullptr ? m_varEffWriter.write(*eff) : KuvInString();
      if (text.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: criterion without literal form");
      m_text.Append(text);
      return S_OK;
    }
    default: {  // RestrictionEffLeaf
      const KuvEeRestrictionEff* eff = static_cast<const KuvEeRestrictionEffLeaf&>(leaf).getRestrictionEff();
      const KuvInString text = eff != nullptr ? m_restrictionWriter.write(*eff) : KuvInString();
      if (text.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: restriction without literal form");
      m_text.Append(text);
      return S_OK;
    }
  }
}

HRESULT KuvNpWriter::writeEffLeaf(const KuvEeEffLeaf& leaf) {
  const KuvEeEffectivity* target = leaf.getTargetEff();
  if (target == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  const bool allTrue = leaf.isEquivalentToTrue();
  if (leaf.isNegated() && !allTrue) m_text.Append(m_syntax.notSymbol);
  m_text.Append(m_syntax.namedEffPrefix, m_syntax.encode(target->getName()));
  if (allTrue)
    m_text.Append(m_syntax.valueSetOpen, m_syntax.allTrueWord, m_syntax.valueSetClose);
  else if (leaf.isEquivalentToFalse())
    m_text.Append(m_syntax.valueSetOpen, m_syntax.allFalseWord, m_syntax.valueSetClose);
  return S_OK;
}

KuvNpListWriter::KuvNpListWriter(const KuvLiteralSyntax& syntax) : m_syntax(syntax), m_varEffWriter(m_syntax) {}

KuvNpListWriter::~KuvNpListWriter() = default;

HRESULT KuvNpListWriter::write(const KuvQmSpecList& list, KuvInString& text) {
  KUV_TRACE_CALL("write");
  text = KuvInString();
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return writeList(list, text); });
}

HRESULT KuvNpListWriter::writeList(const KuvQmSpecList& list, KuvInString& text) {
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
