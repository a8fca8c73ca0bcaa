// KuvECAGuidCollector: lists the change actions an expression refers to, the
// GUIDs of the predefined effectivities its effectivity leaves target.
//
//     KuvInSetVal changes(KuvInGuid::sType());
//     KuvECAGuidCollector collector;
//     if (FAILED(collector.collect(*tree, changes))) ...
//
// Every operator is entered, Not-within-the-domain included. Leaves on other
// effectivities (basic, group) add nothing; duplicates collapse in the set.
//
// Ownership: the tree is only read; the set is the caller's and receives
// copies of the GUIDs. The collector keeps nothing after collect returns.
#pragma once

#include "KuvEeNodeWalker.h"

class KuvEeNodeRef;
class KuvInSetVal;

class KUV_API KuvECAGuidCollector : public KuvEeNodeWalker {
  KUV_DECLARE_TYPE(KuvECAGuidCollector)

public:
  KuvECAGuidCollector() = default;
  ~KuvECAGuidCollector() override;

  // E_INVALIDARG, set untouched, when the set does not take KuvInGuid
  // values. On a failing walk the set keeps what was found before the
  // failure.
  HRESULT collect(const KuvEeNodeRef& tree, KuvInSetVal& out);

  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;

private:
  KuvInSetVal* m_out = nullptr;
};
