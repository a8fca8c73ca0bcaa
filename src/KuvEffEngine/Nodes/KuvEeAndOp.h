// KuvEeAndOp: the AND of its children. Its strong (absorbing) child is
// False, its weak (neutral) child True; without children it stands for
// True.
#pragma once

#include "KuvEeGroupOp.h"

class KUV_API KuvEeAndOp : public KuvEeGroupOp {
  KUV_DECLARE_TYPE(KuvEeAndOp)

public:
  KuvEeAndOp() = default;
  ~KuvEeAndOp() override;

  // Calls visitor.visitAndOp.
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
