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

#include <vector>

#include "KuvEeNodeWalker.h"

class KuvEeNodeRef;
class KuvInGuid;
class KuvInSetVal;

class KUV_API KuvECAGuidCollector : public KuvEeNodeWalker {
  KUV_DECLARE_TYPE(KuvECAGuidCollector)

public:
  KuvECAGuidCollector() = default;
  ~KuvECAGuidCollector() override;

  // E_INVALIDARG when the set does not take KuvInGuid values; the walk's
  // code when it fails, E_OUTOFMEMORY when memory runs out. The set is
  // untouched on every failure.
  HRESULT collect(const KuvEeNodeRef& tree, KuvInSetVal& out);

  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;

private:
  KuvInSetVal* m_out = nullptr;
  // The GUIDs met by the walk, in its order: out takes them once the walk
  // succeeded.
  std::vector<const KuvInGuid*> m_found;
};
