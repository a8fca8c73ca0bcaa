// Tree selections: the positive parts of the tree effectivities.
//
// A KuvEeTreeSelectionBound names one element of a tree variable (a
// milestone, a tree-series element) and whether the element itself belongs
// to the selection. A KuvEeTreeSelection selects the elements between one
// from bound and any number of to bounds below it; without a from bound it
// is empty. setSingleSelection makes a selection of exactly one element:
//
//     KuvEeMilestonesSelection sel;
//     sel.setSingleSelection(KuvEeMilestonesSelectionBound(&m3, true));
//     sel.isSingleSelection();    // true
//
// Lists of selections (KuvInListVal) are combined with the static opAdd,
// opAnd and opCut (union, intersection, difference). They walk the elements
// as the tree their indices make, which needs no linked tree: a variable in
// no-tree mode or without a root is combined the same way.
#pragma once

#include <memory>

#include "KuvInDate.h"
#include "KuvInListVal.h"

class KuvEeTreeElementBase;
class KuvEeMilestone;
class KuvEeTreeSeriesElement;

class KUV_API KuvEeTreeSelectionBound : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvEeTreeSelectionBound)

public:
  KuvEeTreeSelectionBound(KuvEeTreeElementBase* element, bool included);
  KuvEeTreeSelectionBound(const KuvEeTreeSelectionBound&) = default;
  KuvEeTreeSelectionBound& operator=(const KuvEeTreeSelectionBound&) = default;
  ~KuvEeTreeSelectionBound() override;

  KuvEeTreeElementBase* getElement() const { return m_element; }
  void setIncluded(bool included) { m_included = included ? 1 : 0; }
  bool isIncluded() const { return m_included != 0; }
  // Same element, different included flags.
  bool isAdjacent(const KuvEeTreeSelectionBound& other) const;
  // Whether this bound may close a selection opened at from: both elements
  // belong to one tree variable and this one's tree evaluation index fits
  // under from's; on from's own element, when from includes it.
  bool liesBelow(const KuvEeTreeSelectionBound& from) const;

  // "[" + element text + "/Included" or "/Excluded" + "]".
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  // Same kind, same element, same flag.
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

protected:
  // Moves the bound to element (of this bound's kind).
  virtual void setElement(KuvEeTreeElementBase* element) { m_element = element; }

private:
  friend class KuvEeTreeSelection;

  KuvEeTreeElementBase* m_element;  // not owned
  unsigned char m_included;
};

class KUV_API KuvEeMilestonesSelectionBound : public KuvEeTreeSelectionBound {
  KUV_DECLARE_TYPE(KuvEeMilestonesSelectionBound)

public:
  KuvEeMilestonesSelectionBound(KuvEeMilestone* milestone, bool included);
  KuvEeMilestonesSelectionBound(const KuvEeMilestonesSelectionBound&) = default;
  ~KuvEeMilestonesSelectionBound() override;

  // The milestone's date (the minimum date for a milestone without one), and
  // the bound's evaluation index (0 unless set).
  const KuvInDate& getDate() const { return m_date; }
  std::int32_t getEvalIndex() const { return m_evalIndex; }
  void setEvalIndex(std::int32_t index) { m_evalIndex = index; }

  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

protected:
  void setElement(KuvEeTreeElementBase* element) override;

private:
  KuvInDate m_date;
  std::int32_t m_evalIndex = 0;
};

class KUV_API KuvEeTreeSeriesSelectionBound : public KuvEeTreeSelectionBound {
  KUV_DECLARE_TYPE(KuvEeTreeSeriesSelectionBound)

public:
  KuvEeTreeSeriesSelectionBound(KuvEeTreeSeriesElement* element, bool included);
  KuvEeTreeSeriesSelectionBound(const KuvEeTreeSeriesSelectionBound&) = default;
  ~KuvEeTreeSeriesSelectionBound() override;

  KuvInObjectVal& clone(void* where = nullptr) const override;
};

class KUV_API KuvEeTreeSelection : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvEeTreeSelection)

public:
  KuvEeTreeSelection(const KuvEeTreeSelection& other);
  KuvEeTreeSelection& operator=(const KuvEeTreeSelection& other);
  ~KuvEeTreeSelection() override;

  // The from bound (null: an empty selection) and the to bounds.
  const KuvEeTreeSelectionBound* getFromBound() const { return m_from.get(); }
  const KuvInListVal& getToBounds() const { return m_to; }
  bool isEmpty() const { return m_from == nullptr; }

  // Exactly bound's element: the from bound and the only to bound are copies
  // of bound with the included flag set. E_INVALIDARG for a bound of another
  // kind.
  HRESULT setSingleSelection(const KuvEeTreeSelectionBound& bound);
  bool isSingleSelection() const;
  // E_FAIL ("ERROR: From bound isn't a father of all of To bounds.") unless
  // every to bound lies below bound; nothing changed on failure.
  HRESULT setFromBound(const KuvEeTreeSelectionBound& bound);
  // E_FAIL ("ERROR: To Bound ... can't be a child of From bound ...") unless
  // bound lies below the from bound; nothing changed on failure.
  HRESULT addToBound(const KuvEeTreeSelectionBound& bound);

  // Whether element lies between the from bound and one of the to bounds
  // (anywhere below the from bound when there is none).
  bool selects(const KuvEeTreeElementBase* element) const;

  // l1 becomes the union, intersection or difference of the two lists of
  // selections (of one tree variable), in a form unique for the set of
  // elements selected: one selection per group of selected elements hanging
  // together, open-ended when it holds a whole subtree, else ending at its
  // lowest elements, in the order of their indices. The elements considered
  // are the variable's (its tree, or its bag in no-tree mode) and those the
  // bounds name, with everything below them. Where indices overlap without
  // nesting, each selected element becomes a selection of its own.
  static HRESULT opAdd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opAnd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opCut(KuvInListVal& l1, const KuvInListVal& l2);
  // Drops empty selections and repeated ones, and where the tree can be
  // walked rewrites the list in the form the combinations give.
  static HRESULT simplify(KuvInListVal& list);

  // "{" + from bound + " ->" + " " and each to bound + "}", "{}" when empty.
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;

protected:
  // boundType: the kind of bound the selection accepts.
  explicit KuvEeTreeSelection(KuvInObjectTypeClass* boundType);

private:
  HRESULT checkBound(const KuvEeTreeSelectionBound& bound) const;
  // op: 1 union, 2 intersection, 3 difference.
  static HRESULT combine(KuvInListVal& l1, const KuvInListVal& l2, int op);
  // A bound of this selection's kind on element, included.
  std::unique_ptr<KuvEeTreeSelectionBound> boundOn(KuvEeTreeElementBase* element) const;

  std::unique_ptr<KuvEeTreeSelectionBound> m_from;
  KuvInListVal m_to;
};

class KUV_API KuvEeMilestonesSelection : public KuvEeTreeSelection {
  KUV_DECLARE_TYPE(KuvEeMilestonesSelection)

public:
  KuvEeMilestonesSelection();
  KuvEeMilestonesSelection(const KuvEeMilestonesSelection&) = default;
  ~KuvEeMilestonesSelection() override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
};

class KUV_API KuvEeTreeSeriesSelection : public KuvEeTreeSelection {
  KUV_DECLARE_TYPE(KuvEeTreeSeriesSelection)

public:
  KuvEeTreeSeriesSelection();
  KuvEeTreeSeriesSelection(const KuvEeTreeSeriesSelection&) = default;
  ~KuvEeTreeSeriesSelection() override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
};
