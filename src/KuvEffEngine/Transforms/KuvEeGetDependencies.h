// KuvEeGetDependencies: gathers, by kind, the criteria a tree mentions: the
// variables of its variable-effectivity leaves (serial, tree-series,
// milestones, date, selection and option variables), the categories of
// those options, and the targets of its effectivity leaves. The tree is
// not changed.
//
//     KuvEeGetDependencies dependencies;
//     if (FAILED(root->getNode()->acceptVisitor(dependencies))) ...
//     const KuvSortedByTypeCriteria criteria = dependencies.getSortedCriteria();
//
// What is gathered is what the tree says itself: the definitions of named
// effectivities are not followed (an effectivity leaf counts its target
// only), and restriction leaves, which only complete other criteria, add
// nothing. A variable is listed once however often it is met. A
// variable-effectivity leaf without an effectivity, or on a variable of no
// known kind, fails the walk with E_FAIL.
//
// Ownership: the visitor owns its sets; the objects in them belong to their
// dictionaries. The sets accumulate over walks until the visitor goes.
#pragma once

#include "KuvEeNodeWalker.h"
#include "KuvInSet.h"
#include "KuvSortedByTypeCriteria.h"

class KUV_API KuvEeGetDependencies : public KuvEeNodeWalker {
  KUV_DECLARE_TYPE(KuvEeGetDependencies)

public:
  KuvEeGetDependencies();
  ~KuvEeGetDependencies() override;

  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;

  // The visitor's sets; options of a category and free-standing options
  // alike are in the option set, predefined effectivities in the last one.
  // Valid while the visitor lives.
  KuvSortedByTypeCriteria getSortedCriteria() const;
  // The targets that are no predefined effectivities (basic and group
  // effectivities), which the record has no place for.
  const KuvInSet& getOtherEffs() const { return m_otherEffs; }

private:
  KuvInSet m_serials;
  KuvInSet m_treeSeries;
  KuvInSet m_milestones;
  KuvInSet m_dates;
  KuvInSet m_selections;
  KuvInSet m_categories;
  KuvInSet m_options;
  KuvInSet m_predefEffs;
  KuvInSet m_otherEffs;
};
