// Builders, a Boolean evaluator and a criterion leaf for the node tree tests
// (the shape printer is kuv_test::shape).
#pragma once

#include "support/KuvTestSupport.h"

namespace kuv_test {

// A criterion leaf over a four-value criterion: mask bit v says whether the
// leaf admits value v. Leaves of the same criterion merge by intersecting or
// joining masks. It cannot be visited (acceptVisitor fails), copies itself
// through clone(), and counts live instances so tests see every free.
class TestLeaf : public KuvEeNodeElementaryLeaf {
  KUV_DECLARE_TYPE(TestLeaf)

public:
  using KuvEeNodeElementaryLeaf::opAnd;
  using KuvEeNodeElementaryLeaf::opNot;
  using KuvEeNodeElementaryLeaf::opOr;

  static constexpr unsigned kAll = 0xF;

  explicit TestLeaf(unsigned mask, const KuvInObject* criterion = defaultCriterion())
      : m_mask(mask), m_criterion(criterion) {
    ++s_live;
  }
  TestLeaf(const TestLeaf& other);
  ~TestLeaf() override { --s_live; }

  HRESULT acceptVisitor(KuvEeNodeVisitor&) override { return E_FAIL; }
  KuvEeNodeRef* clone() const override;
  bool isEquivalentToTrue() const override { return m_mask == kAll; }
  bool isEquivalentToFalse() const override { return m_mask == 0; }
  HRESULT opAnd(const KuvEeNodeElementaryLeaf* other, bool& merged) override {
    return combine(other, merged, true);
  }
  HRESULT opOr(const KuvEeNodeElementaryLeaf* other, bool& merged) override {
    return combine(other, merged, false);
  }
  HRESULT opNot() override {
    m_mask ^= kAll;
    return S_OK;
  }
  KuvInObject* getConstraintCriterion() const override { return const_cast<KuvInObject*>(m_criterion); }
  KuvInString toString() const override;

  unsigned mask() const { return m_mask; }
  bool admits(unsigned value) const { return ((m_mask >> value) & 1U) != 0; }

  static const KuvInObject* defaultCriterion();
  static int s_live;

  // Failure switches, copied with the leaf.
  bool m_uncopyable = false;   // clone() gives null
  bool m_failing = false;      // the in-place operators fail with E_UNEXPECTED
  bool m_neverMerges = false;  // the in-place operators report merged = false

private:
  HRESULT combine(const KuvEeNodeElementaryLeaf* other, bool& merged, bool isAnd);

  unsigned m_mask;
  const KuvInObject* m_criterion;
};

inline KuvEeNode* T() { return new KuvEeTrue; }
inline KuvEeNode* F() { return new KuvEeFalse; }
inline KuvEeNode* L(unsigned mask) { return new TestLeaf(mask); }
// op with the children given (a single operator: the child, none for null).
inline KuvEeNode* withChildren(KuvEeGroupOp* op, std::initializer_list<KuvEeNode*> children) {
  for (KuvEeNode* child : children) op->addChild(child);
  return op;
}
inline KuvEeNode* withChild(KuvEeSingleOp* op, KuvEeNode* child) {
  if (child != nullptr) op->setChildRef(child->getNodeRef());
  return op;
}
inline KuvEeNode* And(std::initializer_list<KuvEeNode*> children = {}) {
  return withChildren(new KuvEeAndOp, children);
}
inline KuvEeNode* Or(std::initializer_list<KuvEeNode*> children = {}) {
  return withChildren(new KuvEeOrOp, children);
}
inline KuvEeNode* Not(KuvEeNode* child = nullptr, unsigned char flag = 0) {
  return withChild(new KuvEeNotOp(flag), child);
}
inline KuvEeNode* NotDom(KuvEeNode* child = nullptr) { return withChild(new KuvEeNotDomainOp, child); }

// The tree a shape describes (well-formed shapes only), leaves L<mask>.
KuvEeNode* build(const std::string& shape);
// The Boolean value of a tree for one value (0..3) of the test criterion;
// Not within the domain counts as Not.
bool evaluate(const KuvEeNode* node, unsigned value);

}  // namespace kuv_test
