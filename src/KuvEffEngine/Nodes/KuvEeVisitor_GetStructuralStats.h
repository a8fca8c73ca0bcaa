// KuvEeVisitor_GetStructuralStats: counts the And, Or and Not nodes and the
// leaves of a tree. A negated effectivity leaf, or a variable-effectivity
// leaf whose effectivity is negated, counts as a Not as well; Not within
// the domain is not counted.
//
//     KuvEeVisitor_GetStructuralStats stats;
//     root->getNode()->acceptVisitor(stats);
//     if (stats.getNbNots() != 0) ...
#pragma once

#include <cstdint>

#include "KuvEeNodeWalker.h"

class KUV_API KuvEeVisitor_GetStructuralStats : public KuvEeNodeWalker {
  KUV_DECLARE_TYPE(KuvEeVisitor_GetStructuralStats)

public:
  KuvEeVisitor_GetStructuralStats() = default;
  ~KuvEeVisitor_GetStructuralStats() override;

  HRESULT visitAndOp(KuvEeAndOp& node) override;
  HRESULT visitOrOp(KuvEeOrOp& node) override;
  HRESULT visitNotOp(KuvEeNotOp& node) override;
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;

  std::uint32_t getNbNots() const { return m_nbNots; }
  std::uint32_t getNbAnds() const { return m_nbAnds; }
  std::uint32_t getNbOrs() const { return m_nbOrs; }
  std::uint32_t getNbVarEffLeaves() const { return m_nbVarEffLeaves; }
  std::uint32_t getNbEffLeaves() const { return m_nbEffLeaves; }

private:
  std::uint32_t m_nbNots = 0;
  std::uint32_t m_nbAnds = 0;
  std::uint32_t m_nbOrs = 0;
  std::uint32_t m_nbVarEffLeaves = 0;
  std::uint32_t m_nbEffLeaves = 0;
};
