// KuvEeVisitor_GetCriteriaTypes: records in a KuvEVCClassification which
// kinds of criteria a tree uses: features (selections are exclusive,
// options not), the evolution groups of series and tree series, milestones,
// dates, changes (predefined effectivities), inherited (basic)
// effectivities, restrictions, True and False.
//
// Three switches, in constructor order: follow the definitions of basic
// effectivities, follow those of predefined effectivities (their criteria
// are then recorded too), and examine upper bounds. Only date upper bounds
// are examined: the last date range of a date effectivity reaching plus
// infinity makes the date upper bound infinite, read through the negations
// above the leaf and the effectivity's own negation.
//
// A definition is walked once per parity of the negations above it, for
// the life of the visitor: use one visitor per tree, as the definitions
// may change between calls. Definitions nested more than 2000 deep are
// refused ("ERROR: expression too deep"), the classification then partial.
//
//     KuvEeVisitor_GetCriteriaTypes types(0, 0, 0);
//     root->getNode()->acceptVisitor(types);
//     types.getResultClassification().isEvolution();
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

#include "KuvEVCClassification.h"
#include "KuvEeNodeWalker.h"

class KuvEeDateEff;
class KuvEeEffectivity;

class KUV_API KuvEeVisitor_GetCriteriaTypes : public KuvEeNodeWalker {
  KUV_DECLARE_TYPE(KuvEeVisitor_GetCriteriaTypes)

public:
  KuvEeVisitor_GetCriteriaTypes(unsigned char followBasicEffs, unsigned char followPredefEffs,
                                unsigned char checkUpperBounds);
  ~KuvEeVisitor_GetCriteriaTypes() override;

  HRESULT visitFalse(KuvEeFalse& node) override;
  HRESULT visitTrue(KuvEeTrue& node) override;
  HRESULT visitNotOp(KuvEeNotOp& node) override;
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;
  HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) override;

  const KuvEVCClassification& getResultClassification() const { return m_classification; }

private:
  // Visits the tree and the expression that define effectivity.
  HRESULT visitDefinition(KuvEeEffectivity& effectivity);
  HRESULT visitDateEff(const KuvEeDateEff& eff);
  void setDateUpperBoundInfinite(bool value);

  KuvEVCClassification m_classification{false};
  // An odd number of Not nodes above the current node.
  bool m_negated = false;
  unsigned char m_followBasicEffs;
  unsigned char m_followPredefEffs;
  unsigned char m_checkUpperBounds;
  // The effectivities whose definitions are being visited, with their
  // depth, so that one that refers to itself is not followed forever.
  std::unordered_map<const KuvEeEffectivity*, std::size_t> m_followed;
  // The lowest depth of an effectivity met again while its definition was
  // being visited, since the start of the current definition: a walk that
  // met one above its own start saw less than it would elsewhere.
  std::size_t m_lowestCut = SIZE_MAX;
  // Definitions walked to the end, by effectivity and parity, with the date
  // upper bound last written in the walk. Walking one again would raise the
  // same flags and write that bound again, nothing else.
  std::map<std::pair<const KuvEeEffectivity*, bool>, std::optional<bool>> m_walked;
  std::optional<bool> m_lastDateBound;
};
