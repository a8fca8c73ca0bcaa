#include "KuvBinaryEENodeParser.h"

#include <memory>
#include <utility>

#include "KuvBinaryCriteria.h"
#include "KuvBinaryDependency.h"
#include "KuvBinaryExprData.h"
#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeFalse.h"
#include "KuvEeModelDico.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEePredefEff.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvBinaryEENodeParser, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvBinaryEENodeParser>;

namespace {

using Tree = std::unique_ptr<KuvEeNodeRef>;
using Parser = KuvBinaryEENodeParser;

KuvInTraceClass& channel() { return KuvBinaryEENodeParser::traceChannel(); }

Tree own(KuvEeNode* node) { return Tree(node->getNodeRef()); }

// The operator codes of a dialect; 0 where the dialect has none.
struct Codes {
  std::uint8_t trueNode, falseNode, notOp, andOp, orOp, notDomainOp;
  bool wideCounts;
};
constexpr Codes sc_codes[] = {{Parser::E_True, Parser::E_False, Parser::E_Not, Parser::E_And, Parser::E_Or, 0, false},
                              {9, 10, 4, 1, 2, 3, true}};
constexpr std::uint32_t sc_noContext = 0xFFFFFFFFu;

class Reader {
public:
  Reader(KuvBioBuffer& in, KuvBinaryExprData& data, bool flag, Parser::E_Dialect dialect)
      : m_in(in), m_data(data), m_flag(flag), m_dialect(dialect) {}

  HRESULT read(KuvEeNodeRef*& result, std::int32_t depth) {
    if (depth > Parser::sc_maxDepth) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: expression nested too deeply.");
    std::uint8_t type = 0;
    if (FAILED(m_in.readUINT8(type))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to read node type.");
    if (m_dialect == Parser::E_NetFormat) return readNet(type, result, depth);
    switch (type) {
      case Parser::E_NoNode:
        return S_FALSE;
      case Parser::E_True:
        result = (new KuvEeTrue)->getNodeRef();
        return S_OK;
      case Parser::E_False:
        result = (new KuvEeFalse)->getNodeRef();
        return S_OK;
      case Parser::E_Not:
        return readSingle(new KuvEeNotOp, result, depth);
      case Parser::E_And:
      case Parser::E_Or:
        return readGroup(type == Parser::E_And, result, depth);
      case Parser::E_InContext:
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected to have a In-Context criteria here.");
      case Parser::E_Unsupported:
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unsupported.");
      case Parser::E_Predef:
        return readPredef(result);
      case Parser::E_Inherited:
        return readInherited(result);
      case Parser::E_SerialUnit:
      case Parser::E_SerialOrTreeSeries:
      case Parser::E_Dates:
      case Parser::E_Feature:
      case Parser::E_Milestones:
        return readCriterion(type, result);
      default:
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unexpected NodeType.");
    }
  }

private:
  HRESULT readNet(std::uint8_t type, KuvEeNodeRef*& result, std::int32_t depth) {
    const Codes& codes = sc_codes[Parser::E_NetFormat];
    if (type == codes.trueNode) {
      result = (new KuvEeTrue)->getNodeRef();
      return S_OK;
    }
    if (type == codes.falseNode) {
      result = (new KuvEeFalse)->getNodeRef();
      return S_OK;
    }
    if (type == codes.notOp) return readSingle(new KuvEeNotOp, result, depth);
    if (type == codes.notDomainOp) return readSingle(new KuvEeNotDomainOp, result, depth);
    if (type == codes.andOp || type == codes.orOp) return readGroup(type == codes.andOp, result, depth);
    if (type == Parser::E_Predef) return readNetEffLeaf(result);
    if (type >= Parser::E_SerialUnit && type <= Parser::E_Milestones && type != Parser::E_Inherited)
      return readCriterion(type, result);
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unexpected NodeType.");
  }

  HRESULT readNetEffLeaf(KuvEeNodeRef*& result) {
    std::uint32_t effIndex = 0;
    std::uint32_t contextIndex = 0;
    if (FAILED(m_in.readUINT32(effIndex)) || FAILED(m_in.readUINT32(contextIndex))) return E_FAIL;
    KuvInObject* found = effIndex <= 0x7FFFFFFF ? m_data.getExprCriteria(static_cast<std::int32_t>(effIndex)) : nullptr;
    KuvEeEffectivity* target = found != nullptr ? KuvEeEffectivity::cast(*found) : nullptr;
    KuvEeModelDico* context = nullptr;
    if (contextIndex != sc_noContext) {
      KuvInObject* model =
          contextIndex <= 0x7FFFFFFF ? m_data.getCriteriaEeModel(static_cast<std::int32_t>(contextIndex)) : nullptr;
      context = model != nullptr ? KuvEeModelDico::cast(*model) : nullptr;
      if (context == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    }
    if (target == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    result = (new KuvEeEffLeaf(target, context))->getNodeRef();
    return S_OK;
  }

  HRESULT readSingle(KuvEeSingleOp* single, KuvEeNodeRef*& result, std::int32_t depth) {
    Tree tree = own(single);
    KuvEeNodeRef* child = nullptr;
    const HRESULT hr = read(child, depth + 1);
    Tree owned(child);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: readNode FAILED.");
    if (child == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer.");
    if (FAILED(single->setChildRef(owned.get()))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer.");
    owned.release();
    result = tree.release();
    return hr;
  }

  HRESULT readGroup(bool isAnd, KuvEeNodeRef*& result, std::int32_t depth) {
    std::uint32_t count = 0;
    std::uint16_t narrow = 0;
    const HRESULT got = m_dialect == Parser::E_NetFormat ? m_in.readUINT32(count) : m_in.readUINT16(narrow);
    if (FAILED(got)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to read number of children.");
    if (m_dialect != Parser::E_NetFormat) count = narrow;
    if (count == 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unexpected NULL value for number of children.");
    KuvEeGroupOp* group = isAnd ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
    Tree tree = own(group);
    HRESULT status = S_OK;
    // Each child takes a byte at least: a count beyond the bytes is refused
    // by the reads themselves, one child at a time.
    for (std::uint32_t i = 0; i < count; ++i) {
      KuvEeNodeRef* child = nullptr;
      const HRESULT hr = read(child, depth + 1);
      Tree owned(child);
      if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: readNode FAILED.");
      if (child == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer.");
      if (FAILED(kuv::detail::throwIfOutOfMemory(group->addChild(child->getNode()))))
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer.");
      // The group holds the node now; its old reference goes.
      owned.release();
      if (hr == Parser::sc_readIncomplete) status = hr;
    }
    result = tree.release();
    return status;
  }

  HRESULT readCriterion(std::uint8_t type, KuvEeNodeRef*& result) {
    KuvEeVarEff* eff = nullptr;
    const HRESULT hr = kuv::detail::readCriterion(type, m_in, m_data, m_flag, eff);
    if (FAILED(hr)) return hr;
    if (eff == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer.");
    std::unique_ptr<KuvEeVarEff> owned(eff);
    auto* leaf = new KuvEeVarEffLeaf(owned.get());
    owned.release();
    result = leaf->getNodeRef();
    return hr;
  }

  HRESULT readIndex(std::uint16_t& index) {
    return m_in.readUINT16(index);
  }

  HRESULT readPredef(KuvEeNodeRef*& result) {
    std::uint16_t index = 0;
    if (FAILED(readIndex(index))) return E_FAIL;
    KuvInObject* found = kuv::detail::dependency<KuvEePredefEff>(
        m_data, index, kuv::detail::FakeImpactingCriteria,
        [&](std::int32_t i) { return m_data.getExprImpactingCriteria(i); },
        [&](std::int32_t i, KuvInObject& fake) { return m_data.setExprImpactingCriteria(i, fake, true); },
        [] { return new KuvEePredefEff(KuvInString(), nullptr, false, KuvEePredefEff::GLOBAL); }, channel(),
        "ERROR: Unable to set fake name and guid to KuvEePredefEff.",
        "ERROR: Unable to add PredefEff into ExprImpactingCriteria list.", "Set KuvEePredefEff at index ");
    KuvEePredefEff* predef = found != nullptr ? KuvEePredefEff::cast(*found) : nullptr;
    if (predef == nullptr)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to cast retrieved dependencie to KuvEePredefEff.");
    result = (new KuvEeEffLeaf(predef))->getNodeRef();
    return S_OK;
  }

  HRESULT readInherited(KuvEeNodeRef*& result) {
    std::uint16_t effIndex = 0;
    std::uint16_t modelIndex = 0;
    if (FAILED(readIndex(effIndex)) || FAILED(readIndex(modelIndex))) return E_FAIL;
    KuvInObject* eff = kuv::detail::dependency<KuvEeBasicEff>(
        m_data, effIndex, kuv::detail::FakeInherited, [&](std::int32_t i) { return m_data.getInheritedEffectivity(i); },
        [&](std::int32_t i, KuvInObject& fake) { return m_data.setInheritedEffectivity(i, fake, true); },
        [] { return new KuvEeBasicEff(KuvInString(), nullptr); }, channel(),
        "ERROR: Unable to set fake name and guid to KuvEeBasicEff.",
        "ERROR: Unable to add EeBasicEff into inheritedEffectivity list.", "Set KuvEeBasicEff at index ");
    KuvInObject* model = kuv::detail::dependency<KuvEeModelDico>(
        m_data, modelIndex, kuv::detail::FakeInheritedModel,
        [&](std::int32_t i) { return m_data.getInheritedEffectivityModel(i); },
        [&](std::int32_t i, KuvInObject& fake) { return m_data.setInheritedEffectivityModel(i, fake, true); },
        [] { return new KuvEeModelDico(KuvInString(), KuvInGuid()); }, channel(),
        "ERROR: Unable to set fake name and guid to KuvEeModelDico.",
        "ERROR: Unable to add ModelDico into inheritedEffectivityModel list.", "Set KuvEeModelDico at index ");
    KuvEeEffectivity* target = eff != nullptr ? KuvEeEffectivity::cast(*eff) : nullptr;
    KuvEeModelDico* context = model != nullptr ? KuvEeModelDico::cast(*model) : nullptr;
    if (target == nullptr || context == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    result = (new KuvEeEffLeaf(target, context))->getNodeRef();
    return S_OK;
  }

  KuvBioBuffer& m_in;
  KuvBinaryExprData& m_data;
  bool m_flag;
  Parser::E_Dialect m_dialect;
};

}  // namespace

KuvBinaryEENodeParser::KuvBinaryEENodeParser(const KuvBinaryExprData& data, KuvBioBufferOut& out,
                                             E_Dialect dialect)
    : m_data(data), m_out(out), m_dialect(dialect) {}

KuvBinaryEENodeParser::~KuvBinaryEENodeParser() = default;

HRESULT KuvBinaryEENodeParser::write(const KuvEeNodeRef& tree, const KuvBinaryExprData& data, KuvBioBufferOut& out,
                                     E_Dialect dialect) {
  KUV_TRACE_CALL("write");
  if (tree.getNode() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  // The walk below recurses once per level.
  if (kuv::detail::isTreeTooDeep(tree.getNode())) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  KuvBinaryEENodeParser writer(data, out, dialect);
  return tree.getNode()->acceptVisitor(writer);
}

HRESULT KuvBinaryEENodeParser::readNode(KuvBioBuffer& in, KuvBinaryExprData& data, bool flag, KuvEeNodeRef*& node,
                                        E_Dialect dialect) {
  KUV_TRACE_CALL("readNode");
  if (node != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  KuvEeNodeRef* tree = nullptr;
  const HRESULT hr = Reader(in, data, flag, dialect).read(tree, 0);
  if (FAILED(hr)) {
    delete tree;
    return hr;
  }
  node = tree;
  return hr;
}

template <class Op>
HRESULT KuvBinaryEENodeParser::descend(Op& node, std::uint32_t& children) {
  if (++m_depth > sc_maxDepth) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression nested too deeply.");
  const std::uint32_t outer = std::exchange(m_written, 0);
  const HRESULT hr = node.childrenAcceptVisitor(*this);
  children = std::exchange(m_written, outer);
  --m_depth;
  return hr;
}

HRESULT KuvBinaryEENodeParser::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  const Codes& codes = sc_codes[m_dialect];
  ++m_written;
  m_out.PutBack(kind == NodeKind::AndOp ? codes.andOp : codes.orOp);
  // The count is patched once the children are written: counting them
  // first would walk the child list twice.
  const std::uint32_t countAt = m_out.GetLength();
  if (codes.wideCounts)
    m_out.writeUINT32(0);
  else
    m_out.writeUINT16(0);
  std::uint32_t children = 0;
  const HRESULT hr = descend(node, children);
  if (FAILED(hr)) return hr;
  if (codes.wideCounts) return m_out.overwriteUINT32(countAt, children);
  if (FAILED(m_out.overwriteUINT16(countAt, children)))
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR : cannot write nb of GroupOp children in binary");
  return S_OK;
}

HRESULT KuvBinaryEENodeParser::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  const Codes& codes = sc_codes[m_dialect];
  if (kind == NodeKind::NotDomainOp && codes.notDomainOp == 0) KUV_RETURN_ERROR(E_FAIL, "UNEXPECTED: unsupported.");
  ++m_written;
  m_out.PutBack(kind == NodeKind::NotDomainOp ? codes.notDomainOp : codes.notOp);
  std::uint32_t children = 0;
  return descend(node, children);
}

HRESULT KuvBinaryEENodeParser::visitLeaf(KuvEeNodeLeaf& node, NodeKind kind) {
  ++m_written;
  switch (kind) {
    case NodeKind::True:
      m_out.PutBack(sc_codes[m_dialect].trueNode);
      return S_OK;
    case NodeKind::False:
      m_out.PutBack(sc_codes[m_dialect].falseNode);
      return S_OK;
    case NodeKind::EffLeaf:
      if (m_dialect == E_NetFormat) return writeNetEffLeaf(static_cast<const KuvEeEffLeaf&>(node));
      return writeEffLeaf(static_cast<const KuvEeEffLeaf&>(node));
    case NodeKind::VarEffLeaf: {
      const KuvEeVarEff* eff = static_cast<const KuvEeVarEffLeaf&>(node).getVarEff();
      if (eff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of KuvEeVarEff.");
      if (eff->isNegated()) m_out.PutBack(sc_codes[m_dialect].notOp);
      return writeCriterion(*eff);
    }
    default:
      KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: To be implemented");
  }
}

HRESULT KuvBinaryEENodeParser::writeEffLeaf(const KuvEeEffLeaf& node) {
  if (node.isEquivalentToTrue() || node.isEquivalentToFalse())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: We not support ALL_TRUE-FALSE at this level");
  KuvEeEffectivity* target = node.getTargetEff();
  if (target == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  if (KuvEePredefEff::cast(*target) != nullptr) {
    const std::int32_t index = m_data.getExprImpactingCriteriaIndex(*target);
    if (index < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve PredefEff Index.");
    if (node.isNegated()) m_out.PutBack(E_Not);
    m_out.PutBack(E_Predef);
    return m_out.writeUINT16WithCheck(static_cast<std::uint32_t>(index));
  }
  if (KuvEeBasicEff::cast(*target) == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  const std::int32_t index = m_data.getInheritedEffectivityIndex(*target);
  if (index < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve InheritedEffectivity Index.");
  KuvEeModelDico* context = node.getReferencedContext();
  if (context == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : Unable to retrieve Referenced Context.");
  const std::int32_t modelIndex = m_data.getInheritedEffectivityModelIndex(*context);
  if (modelIndex < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve InheritedEffectivityModel Index.");
  if (node.isNegated()) m_out.PutBack(E_Not);
  m_out.PutBack(E_Inherited);
  if (FAILED(m_out.writeUINT16WithCheck(static_cast<std::uint32_t>(index))))
    return KuvBioConstants::sc_valueTooLarge;
  KUV_TRACE_DETAIL("Binary expression: written inherited-eff=", target->getGuid().toString(),
                   " with target dictionary=", context->toString());
  return m_out.writeUINT16WithCheck(static_cast<std::uint32_t>(modelIndex));
}

HRESULT KuvBinaryEENodeParser::writeNetEffLeaf(const KuvEeEffLeaf& node) {
  if (node.isEquivalentToTrue() || node.isEquivalentToFalse())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: We not support ALL_TRUE-FALSE at this level");
  KuvEeEffectivity* target = node.getTargetEff();
  const std::int32_t index = target != nullptr ? m_data.getExprCriteriaIndex(*target) : -1;
  if (index < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve Effectivity object Index.");
  std::uint32_t context = sc_noContext;
  if (node.getReferencedContext() != nullptr) {
    const std::int32_t model = m_data.getCriteriaEeModelIndex(*node.getReferencedContext());
    if (model < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR : Unable to retrieve Referenced Context.");
    context = static_cast<std::uint32_t>(model);
  }
  if (node.isNegated()) m_out.PutBack(sc_codes[E_NetFormat].notOp);
  m_out.PutBack(E_Predef);
  m_out.writeUINT32(static_cast<std::uint32_t>(index));
  m_out.writeUINT32(context);
  return S_OK;
}

HRESULT KuvBinaryEENodeParser::writeCriterion(const KuvEeVarEff& eff) {
  return kuv::detail::writeCriterion(eff, m_data, m_out);
}

