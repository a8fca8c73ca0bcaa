// KuvFilteringView: a normal form with the applying view under which it
// was computed, the unit the older filterable format stores per view. A
// value object: copies and clones copy the normal form.
//
// Ownership: the view owns its normal form (given at construction or by
// setDnf, deleted with it).
#pragma once

#include <memory>

#include "KuvDnf.h"
#include "KuvExpressionView.h"
#include "KuvInObjectVal.h"

class KUV_API KuvFilteringView : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvFilteringView)

public:
  // Takes dnf over (it may be null).
  explicit KuvFilteringView(KuvExpressionView view = CFG_EXPRVIEW_NONE, KuvDnf* dnf = nullptr);
  KuvFilteringView(const KuvFilteringView& other);
  KuvFilteringView& operator=(const KuvFilteringView&) = delete;
  ~KuvFilteringView() override;

  KuvExpressionView getView() const { return m_view; }
  const KuvDnf* getDnf() const { return m_dnf.get(); }
  // Replaces (and deletes) the normal form.
  void setDnf(KuvDnf* dnf) {
    if (dnf != m_dnf.get()) m_dnf.reset(dnf);
  }

  // The view alone, so that equal views hash alike.
  std::uint32_t hash() const override;
  // Same view and normal forms of the same text (or both absent).
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;
  // "View " view ": " and the normal form's text.
  KuvInString toString() const override;

private:
  KuvExpressionView m_view;
  std::unique_ptr<KuvDnf> m_dnf;
};
