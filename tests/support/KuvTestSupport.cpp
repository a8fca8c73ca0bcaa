#include "support/KuvTestSupport.h"

namespace kuv_test {

KUV_DEFINE_TYPE(CountedValue, KuvInObjectVal)

KuvInString CountedValue::toString() const { return KuvInString::FromNum(m_value); }

std::string text(const KuvInObject& object) { return object.toString().ConvertToChar(); }

std::vector<std::string> textsOf(const KuvInListVal& list) {
  std::vector<std::string> texts;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) texts.push_back(text(*list.Get(i)));
  return texts;
}

Tree own(KuvEeNode* node) { return Tree(node->getNodeRef()); }

std::vector<KuvEeNode*> children(const KuvEeOp& op) {
  KuvInLinkList refs(KuvEeNodeRef::sType());
  op.getChildrenRefs(refs);
  std::vector<KuvEeNode*> nodes;
  for (KuvInLinkList::iterator it = refs.Begin(); it.IsValid(); it.Next())
    nodes.push_back(static_cast<KuvEeNodeRef*>(it.Get())->getNode());
  return nodes;
}

std::string shape(const KuvEeNode* node) {
  if (node == nullptr) return "null";
  if (KuvEeTrue::isObjectOfThisType(*node)) return "T";
  if (KuvEeFalse::isObjectOfThisType(*node)) return "F";
  const KuvEeEffLeaf* leaf = KuvEeEffLeaf::cast(*node);
  if (leaf != nullptr && leaf->getTargetEff() != nullptr)
    return std::string(leaf->isNegated() ? "!" : "") + "Ref(" + text(leaf->getTargetEff()->getName()) + ")";
  const KuvEeVarEffLeaf* varLeaf = KuvEeVarEffLeaf::cast(*node);
  if (const KuvEeOptionEff* eff = varLeaf != nullptr && varLeaf->getVarEff() != nullptr
                                      ? KuvEeOptionEff::cast(*varLeaf->getVarEff())
                                      : nullptr) {
    std::string s = (eff->isNegated() ? "!" : "") + text(eff->getOptionVar()->getName());
    if (eff->getValue() == KuvEeOptionEff::T) return s;
    s += ":";
    for (auto [bit, letter] : {std::pair{1U, 'T'}, {2U, 'F'}, {4U, 'N'}})
      if (eff->getValue() & bit) s += letter;
    return s;
  }
  const KuvEeOp* op = KuvEeOp::cast(*node);
  if (op == nullptr) return text(*node);
  std::string s = KuvEeAndOp::isObjectOfThisType(*node)   ? "And("
                  : KuvEeOrOp::isObjectOfThisType(*node)  ? "Or("
                  : KuvEeNotOp::isObjectOfThisType(*node) ? "Not("
                                                          : "Dom(";
  const char* separator = "";
  for (KuvEeNode* child : children(*op)) s += std::exchange(separator, ",") + shape(child);
  return s + ")";
}

bool sameTree(const KuvEeNode& a, const KuvEeNode& b) {
  if (a.dType() != b.dType()) return false;
  bool equal = false;
  if (const auto* leaf = KuvEeVarEffLeaf::cast(a))
    return SUCCEEDED(leaf->getVarEff()->equals(KuvEeVarEffLeaf::cast(b)->getVarEff(), equal)) && equal;
  if (const auto* leaf = KuvEeRestrictionEffLeaf::cast(a))
    return SUCCEEDED(leaf->getRestrictionEff()->isEqual(KuvEeRestrictionEffLeaf::cast(b)->getRestrictionEff(),
                                                        equal)) &&
           equal;
  if (const auto* leaf = KuvEeEffLeaf::cast(a)) {
    const auto* other = KuvEeEffLeaf::cast(b);
    return leaf->getTargetEff() == other->getTargetEff() && leaf->isNegated() == other->isNegated() &&
           leaf->isEquivalentToTrue() == other->isEquivalentToTrue() &&
           leaf->isEquivalentToFalse() == other->isEquivalentToFalse();
  }
  const KuvEeOp* op = KuvEeOp::cast(a);
  if (op == nullptr) return true;  // TRUE or FALSE
  const std::vector<KuvEeNode*> x = children(*op), y = children(*KuvEeOp::cast(b));
  return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                    [](const KuvEeNode* m, const KuvEeNode* n) { return sameTree(*m, *n); });
}

}  // namespace kuv_test
