// KuvFilterable: what the older filter format keeps of a stored object:
// the variable space its normal forms speak of (unset for objects stored
// without one) and one normal form per applying view (KuvFilteringView).
// A KuvFilter is applied to it with KuvFilter::applyFilter.
//
// Ownership: the filterable owns its views (addView takes them over).
#pragma once

#include <memory>
#include <vector>

#include "KuvFilteringView.h"
#include "KuvInGuid.h"

class KUV_API KuvFilterable : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFilterable)

public:
  KuvFilterable() = default;
  explicit KuvFilterable(const KuvInGuid& varSpace) : m_varSpace(varSpace) {}
  KuvFilterable(const KuvFilterable&) = delete;
  KuvFilterable& operator=(const KuvFilterable&) = delete;
  ~KuvFilterable() override;

  const KuvInGuid& getVarSpace() const { return m_varSpace; }
  bool hasVarSpace() const { return m_varSpace.IsValuated(); }
  void setVarSpace(const KuvInGuid& varSpace) { m_varSpace = varSpace; }

  // Takes view over; E_INVALIDARG for null.
  HRESULT addView(KuvFilteringView* view);
  std::int32_t getNbViews() const { return static_cast<std::int32_t>(m_views.size()); }
  // The i-th view (the filterable's), or null.
  const KuvFilteringView* getView(std::int32_t i) const;
  // The normal form of the first view of that kind, or null.
  const KuvDnf* getDnf(KuvExpressionView view) const;

  // The variable space, then each view on its line.
  KuvInString toString() const override;

private:
  KuvInGuid m_varSpace;
  std::vector<std::unique_ptr<KuvFilteringView>> m_views;
};
