// KuvEeNotDomainOp: the negation of its child within the domain of its
// criteria: the configurations that give the criteria a value and are not
// admitted by the child.
#pragma once

#include "KuvEeSingleOp.h"

class KUV_API KuvEeNotDomainOp : public KuvEeSingleOp {
  KUV_DECLARE_TYPE(KuvEeNotDomainOp)

public:
  KuvEeNotDomainOp() = default;
  ~KuvEeNotDomainOp() override;

  // Calls visitor.visitNotDomainOp.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  // "NOTDOM--" and the child's text, indented by eight ("ERROR" for a
  // missing child).
  KuvInString toString() const override;

private:
  friend class KuvEeNode;
  // This operator's part of KuvEeNode::writeText.
  void writeTree(std::u16string& out, TextSteps& steps) const;
};
