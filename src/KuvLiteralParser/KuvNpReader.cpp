#include "KuvNpReader.h"

#include <algorithm>
#include <vector>

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffSymbolLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeFalse.h"
#include "KuvEeNodeRef.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEff.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEff.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvNpReader, KuvInObject)

namespace {

// Runs its action when the scope ends, however it ends.
template <class F>
struct AtScopeEnd {
  F action;
  ~AtScopeEnd() { action(); }
};
template <class F>
AtScopeEnd(F) -> AtScopeEnd<F>;

// A read that ran out of memory says so in its reasons, as far as memory
// allows.
HRESULT outOfMemory(KuvInString& errorText) noexcept {
  try {
    errorText.Append("out of memory\n");
  } catch (const std::bad_alloc&) {
  }
  return E_OUTOFMEMORY;
}

}  // namespace

KuvNpReader::KuvNpReader(KuvEeVarSpace* space)
    : m_space(space),
      m_solver(m_syntax, m_tags, space),
      m_varEffReader(std::make_unique<KuvPiVarEffReader>(m_syntax, m_tags)),
      m_restrictionReader(m_syntax, m_tags) {}

KuvNpReader::~KuvNpReader() = default;

HRESULT KuvNpReader::setSyntax(const KuvLiteralSyntax& syntax) {
  KUV_TRACE_CALL("setSyntax");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // Registering clears the parser: the tokens are tried aside first, so
    // that a refused syntax leaves the reader with the one it had.
    {
      KuvLiteralSyntax trial;
      KuvInTreeParser parser;
      KuvLiteralTags tags;
      if (FAILED(trial.init(syntax, parser, tags))) KUV_RETURN_ERROR(E_FAIL, "ERROR: init syntax failed");
    }
    m_syntaxSet = false;
    m_solver.flush();
    if (FAILED(m_syntax.init(syntax, m_parser, m_tags)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: init syntax failed");
    // The value readers configured their parsers from the previous syntax.
    m_varEffReader = std::make_unique<KuvPiVarEffReader>(m_syntax, m_tags);
    m_syntaxSet = true;
    return S_OK;
  });
}

HRESULT KuvNpReader::parse(const KuvInString& text, std::unique_ptr<KuvInTreeParserNode>& tree,
                           KuvInString& errorText) const {
  KuvInTreeParserNode* root = nullptr;
  if (FAILED(m_parser.parse(text, root, errorText))) KUV_RETURN_ERROR(E_FAIL, "ERROR: parse FAILED.");
  tree.reset(root);
  return S_OK;
}

bool KuvNpReader::isConstantWord(const KuvInTreeParserNode& node) const {
  return node.getType() == KuvInTreeParserNode::E_String && node.getChained() == nullptr &&
         node.getFollower() == nullptr &&
         (node.getText() == m_syntax.expressionTrue || node.getText() == m_syntax.expressionFalse);
}

HRESULT KuvNpReader::addNamesToSolver(const KuvInTreeParserNode& root) {
  // In document order, with a stack of our own: a parser tree holds several
  // levels per bracket, more than a recursion should be trusted with.
  std::vector<const KuvInTreeParserNode*> pending{&root};
  while (!pending.empty()) {
    const KuvInTreeParserNode& node = *pending.back();
    pending.pop_back();
    if (node.isString()) {
      if (!isConstantWord(node) && FAILED(m_solver.addTreeParserNodeToSolve(node))) return E_FAIL;
      continue;
    }
    // Bracket groups hold values and limits, not names.
    if (node.getTag() != nullptr && node.getTag()->isBracketGroup()) continue;
    for (std::int32_t i = node.getChildCount(); i-- > 0;) pending.push_back(node.getChild(i));
  }
  return S_OK;
}

HRESULT KuvNpReader::build(const KuvInTreeParserNode& node, KuvInString& errorText, bool deferNamedEffs,
                           KuvEeNodeRef*& root) {
  KUV_TRACE_CALL("build");
  if (!m_syntaxSet) KUV_RETURN_ERROR(E_FAIL, "ERROR: The syntax is not set");
  if (root != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  // The names solved for one read are not kept for the next.
  const AtScopeEnd forget{[this] {
    m_solver.flush();
    m_solved.clear();
  }};
  m_solved.clear();
  if (FAILED(addNamesToSolver(node))) {
    errorText.Append("names cannot be solved\n");
    KUV_RETURN_ERROR(E_FAIL, "ERROR: recursiveAddTPNToSolver FAILED.");
  }
  if (FAILED(m_solver.solve(m_solved, deferNamedEffs, false))) {
    errorText.Append("names cannot be solved\n");
    KUV_RETURN_ERROR(E_FAIL, "ERROR: solve failed");
  }
  std::unique_ptr<KuvEeNode> tree = buildNode(node, errorText);
  if (tree == nullptr) return E_FAIL;
  root = tree.release()->getNodeRef();
  return S_OK;
}

HRESULT KuvNpReader::read(const KuvInString& text, KuvInString& errorText, bool deferNamedEffs, KuvEeNodeRef*& root) {
  KUV_TRACE_CALL("read");
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        if (!m_syntaxSet) KUV_RETURN_ERROR(E_FAIL, "ERROR: The syntax is not set");
        std::unique_ptr<KuvInTreeParserNode> tree;
        if (FAILED(parse(text, tree, errorText))) return E_FAIL;
        return build(*tree, errorText, deferNamedEffs, root);
      },
      [&] { return outOfMemory(errorText); });
}

std::unique_ptr<KuvEeNode> KuvNpReader::buildNode(const KuvInTreeParserNode& node, KuvInString& errorText) {
  if (node.isString()) return buildLeaf(node, errorText);
  const KuvInTreeParserTag* tag = node.getTag();
  if (tag == m_tags.orOp || tag == m_tags.andOp) {
    std::unique_ptr<KuvEeGroupOp> group;
    if (tag == m_tags.orOp)
      group = std::make_unique<KuvEeOrOp>();
    else
      group = std::make_unique<KuvEeAndOp>();
    for (std::int32_t i = 0; i < node.getChildCount(); ++i) {
      std::unique_ptr<KuvEeNode> child = buildNode(*node.getChild(i), errorText);
      if (child == nullptr || FAILED(kuv::detail::throwIfOutOfMemory(group->addChild(child.get()))))
        return nullptr;
      child.release();
    }
    return group;
  }
  if (tag == m_tags.brackets && node.getChildCount() == 1) return buildNode(*node.getChild(0), errorText);
  if ((tag == m_tags.notOp || tag == m_tags.notDomainOp) && node.getChildCount() == 1) {
    const KuvInTreeParserNode& operandNode = *node.getChild(0);
    std::unique_ptr<KuvEeNode> operand = buildNode(operandNode, errorText);
    if (operand == nullptr) return nullptr;
    if (tag == m_tags.notOp && operandNode.getTag() != m_tags.brackets) {
      // A criterion written right after the not symbol is negated itself.
      if (KuvEeVarEffLeaf* leaf = KuvEeVarEffLeaf::cast(*operand)) {
        leaf->getVarEff()->opNot();
        return operand;
      }
      if (KuvEeRestrictionEffLeaf* leaf = KuvEeRestrictionEffLeaf::cast(*operand)) {
        leaf->getRestrictionEff()->opNot();
        return operand;
      }
      if (KuvEeEffLeaf* leaf = KuvEeEffLeaf::cast(*operand)) {
        leaf->opNot();
        return operand;
      }
    }
    std::unique_ptr<KuvEeSingleOp> single;
    if (tag == m_tags.notOp)
      single = std::make_unique<KuvEeNotOp>();
    else
      single = std::make_unique<KuvEeNotDomainOp>();
    if (FAILED(single->setChildRef(operand->getNodeRef()))) return nullptr;
    operand.release();
    return single;
  }
  KUV_TRACE_ERROR("ERROR: unexpected type");
  errorText.Append("unexpected construct\n");
  return nullptr;
}

std::unique_ptr<KuvEeNode> KuvNpReader::buildLeaf(const KuvInTreeParserNode& node, KuvInString& errorText) {
  auto fail = [&](const char* message) -> std::unique_ptr<KuvEeNode> {
    KUV_TRACE_ERROR(message);
    KUV_TRACE_ERROR("ERROR: occured on: ", node.toString());
    errorText.Append("cannot read ", node.toString(), "\n");
    return nullptr;
  };
  if (isConstantWord(node)) {
    if (node.getText() == m_syntax.expressionTrue) return std::make_unique<KuvEeTrue>();
    return std::make_unique<KuvEeFalse>();
  }
  const KuvPiSolvedData* data = nullptr;
  std::size_t count = 0;
  if (!m_solved.find(&node, data, count)) return fail("ERROR: unexpected type");

  if (node.getType() == KuvInTreeParserNode::E_String) {
    if (count != 1) return fail("ERROR: unexpected type");
    std::unique_ptr<KuvEeVarEff> eff(m_varEffReader->read(node, data[0], errorText));
    if (eff == nullptr) return fail("ERROR: read failed");
    auto leaf = std::make_unique<KuvEeVarEffLeaf>(eff.get());
    eff.release();
    return leaf;
  }
  if (node.getTag() == m_tags.restrictionPrefix) {
    std::unique_ptr<KuvEeRestrictionEff> restriction(
        m_restrictionReader.read(node, std::vector<KuvPiSolvedData>(data, data + count), errorText));
    if (restriction == nullptr) return fail("ERROR: read failed");
    auto leaf = std::make_unique<KuvEeRestrictionEffLeaf>(restriction.get());
    restriction.release();
    return leaf;
  }
  if (node.getTag() != m_tags.namedEffPrefix || count != 1) return fail("ERROR: Unexpected case");

  const KuvInTreeParserNode* follower = node.getFollower();
  KuvInObject* found = data[0].getObject();
  if (found == nullptr) {
    if (follower != nullptr) return fail("ERROR: read failed");
    return std::make_unique<KuvEeEffSymbolLeaf>(m_syntax.decode(node.getText()), m_space);
  }
  KuvEeEffectivity* target = KuvEeEffectivity::cast(*found);
  if (target == nullptr) return fail("ERROR: read failed");
  auto leaf = std::make_unique<KuvEeEffLeaf>(target);
  if (follower == nullptr) return leaf;
  // $Eff{ALL_TRUE} and $Eff{ALL_FALSE}: the leaf combined with its negation.
  const KuvInTreeParserNode* word = follower->getChildCount() == 1 ? follower->getChild(0)->getChild(0) : nullptr;
  const bool allTrue = word != nullptr && word->isString() && word->getText() == m_syntax.allTrueWord;
  const bool allFalse = word != nullptr && word->isString() && word->getText() == m_syntax.allFalseWord;
  if ((!allTrue && !allFalse) || follower->getTag() != m_tags.valueSet || word->getFollower() != nullptr ||
      word->getChained() != nullptr)
    return fail("ERROR: read failed");
  auto negation = std::make_unique<KuvEeEffLeaf>(target);
  negation->opNot();
  bool merged = false;
  if (FAILED(allTrue ? leaf->opOr(negation.get(), merged) : leaf->opAnd(negation.get(), merged)))
    return fail("ERROR: read failed");
  return leaf;
}

HRESULT KuvNpReader::readList(const KuvInString& text, KuvInString& errorText, KuvQmSpecList*& list) {
  KUV_TRACE_CALL("readList");
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        if (!m_syntaxSet) KUV_RETURN_ERROR(E_FAIL, "ERROR: The syntax is not set");
        if (list != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
        auto result = std::make_unique<KuvQmSpecList>();
        bool blank = true;
        for (int at = 0; at < text.GetLengthInChar() && blank;) {
          const auto it =
              std::find_if(m_syntax.blanks.begin(), m_syntax.blanks.end(),
                           [&](const KuvInString& b) { return !b.IsEmpty() && text.IsSubStringAt(at, b); });
          blank = it != m_syntax.blanks.end();
          if (blank) at += it->GetLengthInChar();
        }
        if (blank) {
          list = result.release();
          return S_OK;
        }
        std::unique_ptr<KuvInTreeParserNode> tree;
        if (FAILED(parse(text, tree, errorText))) return E_FAIL;
        std::vector<const KuvInTreeParserNode*> items;
        if (!tree->isString() && tree->getTag() == m_tags.sequenceSeparator)
          for (std::int32_t i = 0; i < tree->getChildCount(); ++i) items.push_back(tree->getChild(i));
        else
          items.push_back(tree.get());

        // The names solved for one read are not kept for the next.
        const AtScopeEnd forget{[this] {
          m_solver.flush();
          m_solved.clear();
        }};
        m_solved.clear();
        for (const KuvInTreeParserNode* item : items) {
          const bool named = item->getType() == KuvInTreeParserNode::E_PrefixedString &&
                             item->getTag() == m_tags.namedEffPrefix;
          if ((item->getType() != KuvInTreeParserNode::E_String && !named) ||
              FAILED(m_solver.addTreeParserNodeToSolve(*item))) {
            errorText.Append("cannot read ", item->toString(), "\n");
            KUV_RETURN_ERROR(E_FAIL, "ERROR: unknown type for solving");
          }
        }
        if (FAILED(m_solver.solve(m_solved, false, false))) {
          errorText.Append("names cannot be solved\n");
          KUV_RETURN_ERROR(E_FAIL, "ERROR: solve failed");
        }
        for (const KuvInTreeParserNode* item : items) {
          const KuvPiSolvedData* data = nullptr;
          std::size_t count = 0;
          m_solved.find(item, data, count);
          const KuvPiSolvedData& datum = data[0];
          if (item->getType() == KuvInTreeParserNode::E_String) {
            std::unique_ptr<KuvEeVarEff> eff(m_varEffReader->read(*item, datum, errorText));
            KuvEeVarEff* given = eff.get();
            if (given == nullptr || FAILED(result->AddVarEff(given))) {
              errorText.Append("cannot read ", item->toString(), "\n");
              KUV_RETURN_ERROR(E_FAIL, "read failed");
            }
            eff.release();
            continue;
          }
          KuvEeEffectivity* eff =
              datum.getObject() != nullptr ? KuvEeEffectivity::cast(*datum.getObject()) : nullptr;
          if (eff == nullptr || item->getFollower() != nullptr || FAILED(result->AddEff(eff))) {
            errorText.Append("cannot read ", item->toString(), "\n");
            KUV_RETURN_ERROR(E_FAIL, "read failed");
          }
        }
        list = result.release();
        return S_OK;
      },
      [&] { return outOfMemory(errorText); });
}
