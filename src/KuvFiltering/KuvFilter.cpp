#include "KuvFilter.h"

#include "KuvFilterable.h"

KUV_DEFINE_TYPE(KuvFilter, KuvInObject)

KuvFilter::KuvFilter(KuvExpressionView view, KuvDnf* dnf, KuvEeGenericExpression::ListMode mode,
                     const KuvInGuid& varSpace, std::uint8_t version)
    : m_version(version), m_varSpace(varSpace), m_mode(mode), m_view(view), m_dnf(dnf) {}

KuvFilter::~KuvFilter() = default;

HRESULT KuvFilter::applyFilter(const KuvFilterable& filterable, unsigned char& answer) const {
  const KuvDnf* objectDnf = filterable.getDnf(m_view);
  if (m_dnf == nullptr || objectDnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  unsigned char common = 0;
  if (FAILED(m_dnf->isIntersect(*objectDnf, common))) KUV_RETURN_ERROR(E_FAIL, "ERROR: isIntersect failed");
  answer = common != 0 ? 1 : 0;
  return S_OK;
}

KuvInString KuvFilter::toString() const {
  KuvInString version;
  KuvInString mode;
  KuvInString view;
  version.BuildFromNum(m_version);
  mode.BuildFromNum(m_mode);
  view.BuildFromNum(m_view);
  KuvInString text("Filter version ");
  text.Append(version, ", var space ", m_varSpace.toString(), ", mode ", mode, ", view ", view, "\n");
  return text.Append(m_dnf ? m_dnf->toString() : KuvInString("no DNF"));
}
