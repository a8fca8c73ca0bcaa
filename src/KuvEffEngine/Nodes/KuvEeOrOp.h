// KuvEeOrOp: the OR of its children. Its strong (absorbing) child is
// True, its weak (neutral) child False; without children it stands for
// False.
#pragma once

#include "KuvEeGroupOp.h"

class KUV_API KuvEeOrOp : public KuvEeGroupOp {
  KUV_DECLARE_TYPE(KuvEeOrOp)

public:
  KuvEeOrOp() = default;
  ~KuvEeOrOp() override;

  // Calls visitor.visitOrOp.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  bool becomeIfNoChild() override;
  bool hasStrongNode(E_MakeTF mode) const override;
  bool becomeIfHasStrongNode(E_MakeTF mode) override;
  void removeWeakNodes(E_MakeTF mode) override;
  KuvInString toString() const override;

private:
  friend class KuvEeNode;
  // This operator's part of KuvEeNode::writeText.
  void writeTree(std::u16string& out, TextSteps& steps) const;
};
