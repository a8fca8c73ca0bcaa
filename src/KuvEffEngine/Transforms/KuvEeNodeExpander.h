// KuvEeNodeExpander: the visitor that replaces, in place, effectivity leaves
// (references to named basic or predefined effectivities) by what defines
// them. The mode says which references go:
//
//     EXPAND_BASIC         basic (inherited) effectivities
//     EXPAND_OFFICIALIZED  predefined effectivities that are officialized;
//                          rejected ones become False
//     EXPAND_PREDEF        predefined effectivities that are not rejected;
//                          rejected ones become False
//
//     KuvEeNodeExpander expander;
//     if (FAILED(expander.expand(*root, KuvEeNodeExpander::EXPAND_BASIC, nullptr, nullptr))) ...
//     // root may hold a new node
//
// A reference is replaced by a copy of its target's tree (Not above it when
// the leaf is negated) and the copy is expanded in turn. A basic effectivity
// without a tree is read from its effectivity expression, in the model
// criteria of the leaf's own dictionary: the inherited tree expanded with
// EXPAND_BASIC alone, And the criteria tree taken as it is. A predefined
// effectivity without a tree is read from its change expression: the
// criteria tree of the expander's dictionary's model criteria (False when
// the change has none for it), or without a dictionary the global criteria,
// where only global changes are accepted. A leaf on a rejected change is
// replaced by False whatever its state (a negated one keeps its Not);
// otherwise a leaf that is always true or always false becomes True or
// False instead. With a selection, only references to the effectivities it
// holds are expanded. A reference to another kind of effectivity is refused
// whatever the mode.
//
// Two choices: a negated leaf on a basic effectivity read from its
// expression gets a Not above its replacement too, so that expanding keeps
// the meaning; an effectivity met again while its own definition is being
// expanded is refused ("ERROR: cyclic effectivity definition.") rather than
// expanded for ever.
//
// Ownership: the expander refers to the selection (KuvEeEffectivity
// pointers) and the dictionary for one call and owns neither; the copies it
// puts in the tree belong to the tree. A failure may leave the tree half
// expanded; running out of memory answers E_OUTOFMEMORY. Trees deeper than
// 2000 levels are refused before any change; an expansion that would nest
// operators or definitions deeper than that is refused where it gets there
// ("ERROR: expression too deep"), so that no chain of definitions exhausts
// the stack.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KuvEeBasicEff;
class KuvEeEffLeaf;
class KuvEeEffectivity;
class KuvEeModelDico;
class KuvEePredefEff;
class KuvInSet;

class KUV_API KuvEeNodeExpander : public KuvEeNodeDispatcher<KuvEeNodeExpander> {
  KUV_DECLARE_TYPE(KuvEeNodeExpander)

public:
  // Mode bits, combined with |.
  enum E_Expand : std::int32_t {
    EXPAND_NONE = 0,
    EXPAND_BASIC = 1,
    EXPAND_OFFICIALIZED = 2,
    EXPAND_PREDEF = 4
  };

  KuvEeNodeExpander() = default;
  ~KuvEeNodeExpander() override;

  // Expands the tree held by ref in mode; selection (may be null: every
  // effectivity) limits the references expanded, dictionary (may be null)
  // is the one whose criteria predefined effectivities stand for. The root
  // may be replaced.
  HRESULT expand(KuvEeNodeRef& ref, E_Expand mode, const KuvInSet* selection, KuvEeModelDico* dictionary);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeExpander>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  HRESULT expandBasic(KuvEeEffLeaf& leaf, KuvEeBasicEff& target);
  HRESULT expandPredef(KuvEeEffLeaf& leaf, KuvEePredefEff& target);
  // Refuses target when its own definition is being expanded.
  HRESULT enter(const KuvEeEffectivity& target);
  // definition = the tree of a basic effectivity that has none of its own,
  // read from its expression for the leaf's dictionary.
  HRESULT inheritedDefinition(const KuvEeEffLeaf& leaf, const KuvEeBasicEff& target,
                              std::unique_ptr<KuvEeNodeRef>& definition);
  // definition = the tree of a predefined effectivity that has none of its
  // own, read from its change expression; null when a copy failed.
  HRESULT changeDefinition(const KuvEePredefEff& target, std::unique_ptr<KuvEeNodeRef>& definition);
  // The leaf becomes replacement (under a Not when negated); then, unless
  // expandedFrom is null, the replacement is expanded with expandedFrom on
  // the chain.
  HRESULT replace(KuvEeEffLeaf& leaf, std::unique_ptr<KuvEeNodeRef> replacement,
                  const KuvEeEffectivity* expandedFrom);

  E_Expand m_mode = EXPAND_NONE;
  const KuvInSet* m_selection = nullptr;
  KuvEeModelDico* m_dictionary = nullptr;
  // The effectivities whose definitions are being expanded, outermost
  // first.
  std::vector<const KuvEeEffectivity*> m_chain;
  // The operators above the node visited, in the tree as it grows.
  std::int32_t m_depth = 0;
};
