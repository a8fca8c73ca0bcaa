// KuvEeNotOp: the negation of its child.
//
// Its one-byte flag is given at construction and kept by cloning; the
// transformations that remove negations read it.
#pragma once

#include "KuvEeSingleOp.h"

class KUV_API KuvEeNotOp : public KuvEeSingleOp {
  KUV_DECLARE_TYPE(KuvEeNotOp)

public:
  explicit KuvEeNotOp(unsigned char flag = 0) : m_flag(flag) {}
  ~KuvEeNotOp() override;

  // Calls visitor.visitNotOp.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  // "NOT--" and the child's text, indented by five.
  KuvInString toString() const override;

  unsigned char getFlag() const;

private:
  friend class KuvEeNode;
  // This operator's part of KuvEeNode::writeText.
  void writeTree(std::u16string& out, TextSteps& steps) const;
  unsigned char m_flag;
};
