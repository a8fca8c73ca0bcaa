#include "KuvFltDomainEffectivity.h"

#include <memory>

#include "KuvFltDomainFilter.h"
#include "KuvFltPartSlot.h"
#include "KuvInList.h"

KUV_DEFINE_TYPE(KuvFltDomainEffectivity, KuvFltObject)

KuvFltDomainEffectivity::~KuvFltDomainEffectivity() {
  for (KuvFltEffectivityView* view : m_views) delete view;
}

HRESULT KuvFltDomainEffectivity::setEffectivityView(KuvFltEffectivityView* view) {
  if (view == nullptr || view->getView() < 0 || view->getView() >= sc_nbViews)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : unexpected view");
  KuvFltEffectivityView*& slot = m_views[view->getView()];
  if (slot != view) delete slot;
  slot = view;
  return S_OK;
}

std::int32_t KuvFltDomainEffectivity::getNbEffectivityViews() const {
  std::int32_t n = 0;
  for (const KuvFltEffectivityView* view : m_views) n += view != nullptr ? 1 : 0;
  return n;
}

HRESULT KuvFltDomainEffectivity::getEffectivityViews(KuvInList& views) const {
  for (KuvFltEffectivityView* view : m_views) {
    if (view == nullptr) continue;
    const HRESULT hr = views.PutBack(view);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT KuvFltDomainEffectivity::setDnf(KuvExpressionView view, const KuvInGuid& dictionary, KuvDnf* dnf) {
  if (view < 0 || view >= sc_nbViews) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : unexpected view");
  return kuv::detail::putIntoPart(
      m_views[view], [view] { return new KuvFltEffectivityView(view); },
      [&](KuvFltEffectivityView& part) { return part.setDnf(dictionary, dnf); });
}

KuvDnf* KuvFltDomainEffectivity::getDnf(KuvExpressionView view, const KuvInGuid& dictionary) const {
  const KuvFltEffectivityView* v = getEffectivityView(view);
  return v != nullptr ? v->getDnf(dictionary) : nullptr;
}

HRESULT KuvFltDomainEffectivity::isIntersect(const KuvFltDomainFilter& filter, unsigned char dictionaryFlag,
                                             unsigned char& out) const {
  out = 0;
  const KuvFltEffectivityView* view = viewFor(filter.getView());
  if (view == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR, requested view does not exist");
  const HRESULT hr = view->isIntersect(filter, dictionaryFlag, out);
  if (FAILED(hr)) KUV_TRACE_ERROR("ERROR, isIntersect FAILED");
  return hr;
}

KuvFltDomainEffectivity* KuvFltDomainEffectivity::clone() const {
  auto copy = std::make_unique<KuvFltDomainEffectivity>(m_domain);
  for (int v = 0; v < sc_nbViews; ++v)
    if (m_views[v] != nullptr) copy->m_views[v] = m_views[v]->clone();
  return copy.release();
}

KuvInString KuvFltDomainEffectivity::toString(const KuvIDictionaryModelerAccess* access) const {
  KuvInString text;
  for (const KuvFltEffectivityView* view : m_views)
    if (view != nullptr) text.Append("\t", view->toString(access));
  return text;
}
