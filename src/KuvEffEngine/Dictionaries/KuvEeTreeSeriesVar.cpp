#include "KuvEeTreeSeriesVar.h"

#include "KuvEeTreeSeriesElement.h"
#include "KuvInIntHolder.h"

KUV_DEFINE_TYPE(KuvEeTreeSeriesVar, KuvEeTreeBaseVar)

KuvEeTreeSeriesVar::KuvEeTreeSeriesVar(const KuvInString& name, const unsigned char* guid,
                                       std::uint32_t externalType, KuvEeModelDico* holder, bool noTreeMode)
    : KuvEeTreeBaseVar(name, guid, holder, noTreeMode),
      m_externalType(externalType),
      m_bySeqNb(KuvInIntHolder::sType(), KuvEeTreeSeriesElement::sType()) {}

KuvEeTreeSeriesVar::~KuvEeTreeSeriesVar() = default;

HRESULT KuvEeTreeSeriesVar::setRootTreeSeriesElement(KuvEeTreeSeriesElement* element) {
  return setRootElement(element);
}

HRESULT KuvEeTreeSeriesVar::setRootTreeSeriesElement(KuvEeTreeSeriesElement* element, std::int32_t seqNb) {
  if (seqNb < 0) return E_INVALIDARG;
  const HRESULT hr = setRootElement(element);
  if (hr != S_OK) return hr;
  element->setSeqNb(seqNb);
  return registerSeqNb2TreeSeriesElement(seqNb, element);
}

KuvEeTreeSeriesElement* KuvEeTreeSeriesVar::getRootTreeSeriesElement() const {
  KuvEeTreeElementBase* root = getRootElement();
  return root != nullptr ? KuvEeTreeSeriesElement::cast(*root) : nullptr;
}

HRESULT KuvEeTreeSeriesVar::getTreeSeriesElement(const KuvInTreeEvalIndex& index,
                                                 KuvEeTreeSeriesElement*& element) const {
  if (element != nullptr) return E_INVALIDARG;
  KuvEeTreeElementBase* found = nullptr;
  const HRESULT hr = getElement(index, found);
  element = found != nullptr ? KuvEeTreeSeriesElement::cast(*found) : nullptr;
  return hr;
}

HRESULT KuvEeTreeSeriesVar::registerSeqNb2TreeSeriesElement(std::int32_t seqNb,
                                                            KuvEeTreeSeriesElement* element) {
  if (seqNb < 0 || element == nullptr) return E_INVALIDARG;
  return m_bySeqNb.Put(KuvInIntHolder(static_cast<std::uint32_t>(seqNb)), element);
}

KuvEeTreeSeriesElement* KuvEeTreeSeriesVar::getElement(std::int32_t seqNb) const {
  if (seqNb < 0) return nullptr;
  return static_cast<KuvEeTreeSeriesElement*>(
      m_bySeqNb.Get(KuvInIntHolder(static_cast<std::uint32_t>(seqNb))));
}
