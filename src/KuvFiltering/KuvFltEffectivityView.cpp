#include "KuvFltEffectivityView.h"

#include "KuvFltDomainFilter.h"
#include "KuvInGuid.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvFltEffectivityView, KuvFltObject)

KuvFltEffectivityView::~KuvFltEffectivityView() = default;

HRESULT KuvFltEffectivityView::setDnf(const KuvInGuid& dictionary, KuvDnf* dnf) {
  if (dnf == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : null DNF");
  m_dnfs.set(dictionary, dnf);
  return S_OK;
}

HRESULT KuvFltEffectivityView::getDictionnaries(KuvInListVal& dictionaries) const {
  for (const auto& e : m_dnfs.entries()) {
    if (dictionaries.PutBack(e.dictionary) == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : not a list of GUIDs");
  }
  return S_OK;
}

HRESULT KuvFltEffectivityView::isIntersect(const KuvFltDomainFilter& filter, unsigned char dictionaryFlag,
                                           unsigned char& out) const {
  out = 0;
  for (const auto& f : filter.dnfs().entries()) {
    if (f.dnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : DNF is null, something went very bad !!!");
    if (dictionaryFlag != 0) {
      for (const auto& v : m_dnfs.entries()) {
        if (v.dnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : DNF is null, something went very bad !!!");
        const HRESULT hr = f.dnf->isIntersect(*v.dnf, out);
        if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect between DNFs FAILED.");
        if (out != 0) return S_OK;
      }
      continue;
    }
    const KuvDnf* mine = m_dnfs.get(f.dictionary);
    out = 0;
    if (mine == nullptr) continue;
    const HRESULT hr = f.dnf->isIntersect(*mine, out);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect between DNFs FAILED.");
  }
  return S_OK;
}

KuvFltEffectivityView* KuvFltEffectivityView::clone() const {
  auto* copy = new KuvFltEffectivityView(m_view);
  m_dnfs.cloneInto(copy->m_dnfs);
  return copy;
}

KuvInString KuvFltEffectivityView::toString(const KuvIDictionaryModelerAccess* access) const {
  KuvInString text("View ");
  return text.Append(viewText(m_view), " : \n", m_dnfs.toString(access, "\t\t"));
}
