#include "KuvEffEngine/KuvEeNodeTestSupport.h"

#include "support/KuvTestSupport.h"

namespace kuv_test {

KUV_DEFINE_TYPE(TestLeaf, KuvEeNodeElementaryLeaf)

int TestLeaf::s_live = 0;

TestLeaf::TestLeaf(const TestLeaf& other)
    : KuvEeNodeElementaryLeaf(other),
      m_uncopyable(other.m_uncopyable),
      m_failing(other.m_failing),
      m_neverMerges(other.m_neverMerges),
      m_mask(other.m_mask),
      m_criterion(other.m_criterion) {
  ++s_live;
}

KuvEeNodeRef* TestLeaf::clone() const { return m_uncopyable ? nullptr : (new TestLeaf(*this))->getNodeRef(); }

HRESULT TestLeaf::combine(const KuvEeNodeElementaryLeaf* other, bool& merged, bool isAnd) {
  merged = false;
  if (m_failing) return E_UNEXPECTED;
  const TestLeaf* leaf = cast(*other);
  if (m_neverMerges || leaf == nullptr || leaf->m_criterion != m_criterion) return S_OK;
  m_mask = isAnd ? m_mask & leaf->m_mask : m_mask | leaf->m_mask;
  merged = true;
  return S_OK;
}

KuvInString TestLeaf::toString() const {
  return KuvInString("L").Append(KuvInString::FromNum(static_cast<int>(m_mask)));
}

const KuvInObject* TestLeaf::defaultCriterion() {
  static const KuvInIntHolder criterion(7);
  return &criterion;
}

namespace {

KuvEeNode* parse(const std::string& text, std::size_t& at) {
  auto take = [&](const char* word) {
    const std::string w(word);
    if (text.compare(at, w.size(), w) != 0) return false;
    at += w.size();
    return true;
  };
  if (take("T")) return T();
  if (take("F")) return F();
  if (take("L")) {
    std::size_t used = 0;
    unsigned mask = std::stoul(text.substr(at), &used);
    at += used;
    return L(mask);
  }
  KuvEeOp* op = take("And(")   ? static_cast<KuvEeOp*>(new KuvEeAndOp)
                : take("Or(")  ? static_cast<KuvEeOp*>(new KuvEeOrOp)
                : take("Not(") ? static_cast<KuvEeOp*>(new KuvEeNotOp)
                               : (take("Dom("), static_cast<KuvEeOp*>(new KuvEeNotDomainOp));
  while (!take(")")) {
    take(",");
    KuvEeNode* child = parse(text, at);
    if (auto* g = KuvEeGroupOp::cast(*op))
      g->addChild(child);
    else
      KuvEeSingleOp::cast(*op)->setChildRef(child->getNodeRef());
  }
  return op;
}

}  // namespace

KuvEeNode* build(const std::string& shape) {
  std::size_t at = 0;
  return parse(shape, at);
}

bool evaluate(const KuvEeNode* node, unsigned value) {
  if (KuvEeTrue::isObjectOfThisType(*node)) return true;
  if (KuvEeFalse::isObjectOfThisType(*node)) return false;
  if (const TestLeaf* leaf = TestLeaf::cast(*node)) return leaf->admits(value);
  const bool isAnd = KuvEeAndOp::isObjectOfThisType(*node);
  std::vector<KuvEeNode*> kids = children(*KuvEeOp::cast(*node));
  if (KuvEeSingleOp::isObjectOfThisType(*node)) return !evaluate(kids.at(0), value);
  for (KuvEeNode* child : kids)
    if (evaluate(child, value) != isAnd) return !isAnd;
  return isAnd;
}

}  // namespace kuv_test
