// KuvFilter: a filter of the older format: one normal form over a variable
// space, with the query mode of the list it came from and the applying
// view it asks of the objects it is applied to.
//
//     KuvFilter filter(CFG_EXPRVIEW_CURRENT, dnf);    // dnf taken over
//     unsigned char visible = 0;
//     filter.applyFilter(filterable, visible);         // 1: they intersect
//
// Ownership: the filter owns its normal form.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvDnf.h"
#include "KuvEeGenericExpression.h"
#include "KuvExpressionView.h"
#include "KuvInGuid.h"

class KuvFilterable;

// The version of the filters this library writes; version 1 stores neither
// the variable space nor the query mode.
constexpr std::uint8_t CFGFILTER_VERSION = 2;

class KUV_API KuvFilter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFilter)

public:
  // Takes dnf over (it may be null).
  explicit KuvFilter(KuvExpressionView view = CFG_EXPRVIEW_CURRENT, KuvDnf* dnf = nullptr,
                     KuvEeGenericExpression::ListMode mode = KuvEeGenericExpression::CFG_LISTMODE_STRICT,
                     const KuvInGuid& varSpace = KuvInGuid(), std::uint8_t version = CFGFILTER_VERSION);
  KuvFilter(const KuvFilter&) = delete;
  KuvFilter& operator=(const KuvFilter&) = delete;
  ~KuvFilter() override;

  std::uint8_t getVersion() const { return m_version; }
  void setVersion(std::uint8_t version) { m_version = version; }
  const KuvInGuid& getVarSpace() const { return m_varSpace; }
  void setVarSpace(const KuvInGuid& varSpace) { m_varSpace = varSpace; }
  KuvEeGenericExpression::ListMode getQueryMode() const { return m_mode; }
  void setQueryMode(KuvEeGenericExpression::ListMode mode) { m_mode = mode; }
  KuvExpressionView getApplyingView() const { return m_view; }
  void setApplyingView(KuvExpressionView view) { m_view = view; }
  const KuvDnf* getDnf() const { return m_dnf.get(); }
  // Replaces (and deletes) the normal form.
  void setDnf(KuvDnf* dnf) {
    if (dnf != m_dnf.get()) m_dnf.reset(dnf);
  }

  // answer: 1 when the filterable's normal form for this filter's applying
  // view intersects the filter's, else 0. E_FAIL, traced, when either
  // normal form is missing or the test fails.
  HRESULT applyFilter(const KuvFilterable& filterable, unsigned char& answer) const;

  // Version, variable space, mode, view and the normal form's text.
  KuvInString toString() const override;

private:
  std::uint8_t m_version;
  KuvInGuid m_varSpace;
  KuvEeGenericExpression::ListMode m_mode;
  KuvExpressionView m_view;
  std::unique_ptr<KuvDnf> m_dnf;
};
