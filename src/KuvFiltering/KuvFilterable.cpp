#include "KuvFilterable.h"

KUV_DEFINE_TYPE(KuvFilterable, KuvInObject)

KuvFilterable::~KuvFilterable() = default;

HRESULT KuvFilterable::addView(KuvFilteringView* view) {
  if (view == nullptr) return E_INVALIDARG;
  m_views.emplace_back(view);
  return S_OK;
}

const KuvFilteringView* KuvFilterable::getView(std::int32_t i) const {
  return i >= 0 && i < getNbViews() ? m_views[static_cast<std::size_t>(i)].get() : nullptr;
}

const KuvDnf* KuvFilterable::getDnf(KuvExpressionView view) const {
  for (const auto& entry : m_views)
    if (entry->getView() == view) return entry->getDnf();
  return nullptr;
}

KuvInString KuvFilterable::toString() const {
  KuvInString text("Filterable var space ");
  text.Append(m_varSpace.toString());
  for (const auto& entry : m_views) text.Append("\n", entry->toString());
  return text;
}
