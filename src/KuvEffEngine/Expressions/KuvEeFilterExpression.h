// KuvEeFilterExpression: what a user chose to see in one model dictionary:
// a criteria list (KuvQmSpecList) read with a selection mode. Its condition
// says whether the list restricts anything: 0 the whole dictionary, 1 the
// selection of the list.
//
//     KuvEeFilterExpression filter(&model, list);  // list is the filter's now
//     filter.setSelectionMode(KuvEeFilterExpression::CFG_SELECTIONMODE_150);
//
// Visitors see each item of the list as a leaf: a variable effectivity leaf
// or an effectivity leaf.
//
// Ownership: the filter owns its list; the dictionary is owned elsewhere.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvEeExpression.h"
#include "KuvQmSpecList.h"

class KuvEeModelDico;

class KUV_API KuvEeFilterExpression : public KuvEeExpression {
  KUV_DECLARE_TYPE(KuvEeFilterExpression)

public:
  enum SELECTION_MODE : std::int32_t { CFG_SELECTIONMODE_STRICT = 0, CFG_SELECTIONMODE_150 = 1 };

  // Takes list over; either may be null.
  explicit KuvEeFilterExpression(KuvEeModelDico* model = nullptr, KuvQmSpecList* list = nullptr);
  ~KuvEeFilterExpression() override;

  // dnf: a new normal form of the filter (of its negation), the caller's;
  // null on entry and on failure.
  virtual HRESULT getDNF(KuvDnf*& dnf) const;
  virtual HRESULT getNotDNF(KuvDnf*& dnf) const;
  // As runConstVisitor, but the visitor may change the variable
  // effectivity leaves in place: what such a leaf holds afterwards goes
  // back to the list. A leaf replaced by another node is refused with E_FAIL
  // and its item kept as it was. Named effectivities are shown as by
  // runConstVisitor.
  virtual HRESULT runVisitor(KuvEeNodeVisitor& visitor);

  KuvEeModelDico* getModelDico() const { return m_model; }
  void setModelDico(KuvEeModelDico* model) { m_model = model; }
  // The list, still owned by the filter, or null.
  KuvQmSpecList* getSpecList() const { return m_list.get(); }
  // Takes list over, deleting the previous one (the same list is kept).
  void setSpecList(KuvQmSpecList* list);
  // Hands the list to the caller (null when there is none).
  KuvQmSpecList* removeSpecList() { return m_list.release(); }
  SELECTION_MODE getSelectionMode() const { return m_mode; }
  void setSelectionMode(SELECTION_MODE mode) { m_mode = mode; }
  // 0: no restriction (the whole dictionary); 1: the list's selection.
  unsigned char getCondition() const { return m_condition; }
  void setCondition(unsigned char condition) { m_condition = condition; }

  // Shows the visitor one leaf per item: the variable effectivities in the
  // list's order, then the named effectivities. Without a list nothing is
  // visited. A negative code stops the walk and is answered.
  HRESULT runConstVisitor(KuvEeNodeVisitor& visitor) const override;
  // A criteria list holds no tree: S_FALSE, nothing done.
  HRESULT simplify() override;

  // "FilterExpression( " mode " - " condition " - " list or "NO LIST" " )".
  KuvInString toString() const override;

private:
  // Shows the visitor an effectivity leaf on each named effectivity.
  HRESULT visitEffs(KuvEeNodeVisitor& visitor) const;

  KuvEeModelDico* m_model;  // not owned
  std::unique_ptr<KuvQmSpecList> m_list;
  SELECTION_MODE m_mode = CFG_SELECTIONMODE_STRICT;
  unsigned char m_condition = 1;
};
