#include "KuvFilteringView.h"

KUV_DEFINE_TYPE(KuvFilteringView, KuvInObjectVal)

KuvFilteringView::KuvFilteringView(KuvExpressionView view, KuvDnf* dnf) : m_view(view), m_dnf(dnf) {}

KuvFilteringView::KuvFilteringView(const KuvFilteringView& other)
    : KuvInObjectVal(other), m_view(other.m_view), m_dnf(other.m_dnf ? new KuvDnf(*other.m_dnf) : nullptr) {}

KuvFilteringView::~KuvFilteringView() = default;

std::uint32_t KuvFilteringView::hash() const { return hashUINT32(static_cast<std::uint32_t>(m_view)); }

bool KuvFilteringView::equals(const KuvInObjectVal& other) const {
  const KuvFilteringView* o = cast(other);
  if (o == nullptr || o->m_view != m_view || (o->m_dnf == nullptr) != (m_dnf == nullptr)) return false;
  return m_dnf == nullptr || m_dnf->toString() == o->m_dnf->toString();
}

KuvInObjectVal& KuvFilteringView::clone(void* where) const { return cloneOf(*this, where); }

KuvInString KuvFilteringView::toString() const {
  KuvInString text;
  text.BuildFromNum(static_cast<int>(m_view));
  return KuvInString("View ").Append(text, ": ", m_dnf ? m_dnf->toString() : KuvInString("no DNF"));
}
