// KuvEeNodeCycleChecker: tells whether an expression tree refers back to
// itself through the named effectivities it uses. An effectivity leaf whose
// target is defined is followed into the target's tree and the trees of its
// expression, so a tree in which A uses B and B is defined with A is a
// cycle; a target used twice on different branches (a diamond) is not.
//
//     KuvEeNodeCycleChecker checker;
//     unsigned char cycle = 0;
//     if (checker.checkCycle(*root, cycle) >= 0 && cycle) ...
//
// A cycle is traced ("cycle detected on : " and the node, or the GUID of
// the effectivity reached again) and ends the walk with S_OK. The walk keeps
// its path on the heap, so chains of thousands of effectivities, each
// defined with the next, do not deepen the call stack.
#pragma once

#include <memory>
#include <unordered_set>
#include <vector>

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KuvEeEffectivity;

class KUV_API KuvEeNodeCycleChecker : public KuvEeNodeDispatcher<KuvEeNodeCycleChecker> {
  KUV_DECLARE_TYPE(KuvEeNodeCycleChecker)

public:
  KuvEeNodeCycleChecker() = default;
  ~KuvEeNodeCycleChecker() override;

  // Clears the path and the cycle flag, walks the tree under ref and, on
  // success, writes the cycle flag (1 when a cycle was found) to cycle.
  HRESULT checkCycle(const KuvEeNodeRef& ref, unsigned char& cycle);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeCycleChecker>;
  // Operators and effectivity leaves are followed; the other leaves end
  // their branch.
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);

  // A node on the path with the nodes still to walk below it.
  struct Frame {
    // The node, and for an effectivity leaf whose target has an expression,
    // that target (null otherwise): both are on the path while it is.
    const KuvEeNode* node = nullptr;
    const void* target = nullptr;
    // For an effectivity leaf, the effectivity whose definition is walked.
    const KuvEeEffectivity* followed = nullptr;
    std::vector<KuvEeNode*> next;
    std::size_t done = 0;
    // Copies of the expression's trees, whose own nodes may not outlive the
    // visit that showed them.
    std::vector<std::unique_ptr<KuvEeNodeRef>> owned;
  };

  // Enters node: reports a cycle, or puts it on the path and walks it (or,
  // inside a walk, leaves it to the running one).
  HRESULT visitFollowed(KuvEeNode& node);
  HRESULT reportCycle(const KuvInString& what);
  HRESULT walk(Frame first);
  // Takes frame's keys off the path.
  HRESULT leave(const Frame& frame);
  HRESULT refuseAfterCycle();

  std::unordered_set<const void*> m_path;
  // Effectivities whose definitions were walked to the end without a
  // cycle: whatever path reaches them again, the walk would find none (a
  // cycle through one would have come back to it), so they are not walked
  // again within a check.
  std::unordered_set<const KuvEeEffectivity*> m_cycleFree;
  unsigned char m_cycleFound = 0;
  // The path of the running walk; null between walks.
  std::vector<Frame>* m_frames = nullptr;
};
