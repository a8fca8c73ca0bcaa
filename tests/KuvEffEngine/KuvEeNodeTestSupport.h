// Builders, a compact shape printer, a Boolean evaluator and a criterion
// leaf for the node tree tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "KuvEeAndOp.h"
#include "KuvEeFalse.h"
#include "KuvEeNodeElementaryLeaf.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeTrue.h"

namespace kuvtest {

using Tree = std::unique_ptr<KuvEeNodeRef>;

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
  HRESULT opAnd(const KuvEeNodeElementaryLeaf* other, bool& merged) override;
  HRESULT opOr(const KuvEeNodeElementaryLeaf* other, bool& merged) override;
  HRESULT opNot() override;
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
KuvEeNode* And(std::initializer_list<KuvEeNode*> children = {});
KuvEeNode* Or(std::initializer_list<KuvEeNode*> children = {});
KuvEeNode* Not(KuvEeNode* child = nullptr, unsigned char flag = 0);
KuvEeNode* NotDom(KuvEeNode* child = nullptr);

inline Tree own(KuvEeNode* node) { return Tree(node->getNodeRef()); }
inline std::string text(const KuvInObject& object) { return object.toString().ConvertToChar(); }

// A compact structure: And(T,Or(F,L3)), Not(...), Dom(...), L<mask>.
std::string shape(const KuvEeNode* node);
// The tree a shape describes (well-formed shapes only).
KuvEeNode* build(const std::string& shape);
inline std::string shape(const KuvEeNodeRef& ref) { return shape(ref.getNode()); }
// The Boolean value of a tree for one value (0..3) of the test criterion;
// Not within the domain counts as Not.
bool evaluate(const KuvEeNode* node, unsigned value);

// The child nodes of an operator, in order.
std::vector<KuvEeNode*> children(const KuvEeOp& op);

// Sets a channel's flags for one scope.
class ScopedFlags {
public:
  ScopedFlags(KuvInTraceClass& channel, unsigned char flags) : m_channel(channel), m_old(channel.getFlags()) {
    channel.setFlags(flags);
  }
  ~ScopedFlags() { m_channel.setFlags(m_old); }
  ScopedFlags(const ScopedFlags&) = delete;
  ScopedFlags& operator=(const ScopedFlags&) = delete;

private:
  KuvInTraceClass& m_channel;
  unsigned char m_old;
};

}  // namespace kuvtest
