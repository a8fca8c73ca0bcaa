#include "KuvEeTreeSeriesElement.h"

#include "KuvEeTreeSeriesVar.h"

KUV_DEFINE_TYPE(KuvEeTreeSeriesElement, KuvEeTreeElementBase)

KuvEeTreeSeriesElement::KuvEeTreeSeriesElement(const KuvInString& name, const unsigned char* guid,
                                               const KuvInString& revision, const KuvInTreeEvalIndex& index,
                                               KuvEeTreeSeriesVar* variable, KuvEeTreeSeriesElement* parent)
    : KuvEeTreeElementBase(name, guid, variable, index, parent),
      m_revision(revision),
      m_associated(KuvEeDicoObject::sType()) {}

KuvEeTreeSeriesElement::~KuvEeTreeSeriesElement() = default;

KuvEeTreeSeriesVar* KuvEeTreeSeriesElement::getTreeSeriesVar() const {
  KuvEeTreeBaseVar* holder = getHolderVar();
  return holder != nullptr ? KuvEeTreeSeriesVar::cast(*holder) : nullptr;
}

KuvEeTreeSeriesElement* KuvEeTreeSeriesElement::getParentTreeSeriesElement() const {
  KuvEeTreeElementBase* parent = getParentElement();
  return parent != nullptr ? KuvEeTreeSeriesElement::cast(*parent) : nullptr;
}

HRESULT KuvEeTreeSeriesElement::addChild(KuvEeTreeSeriesElement* child) {
  return KuvEeTreeElementBase::addChild(child);
}

HRESULT KuvEeTreeSeriesElement::addChild(KuvEeTreeSeriesElement* child, std::int32_t seqNb) {
  KuvEeTreeSeriesVar* variable = getTreeSeriesVar();
  if (seqNb < 0 || variable == nullptr) return E_INVALIDARG;
  const HRESULT hr = KuvEeTreeElementBase::addChild(child);
  if (hr != S_OK) return hr;
  child->setSeqNb(seqNb);
  return variable->registerSeqNb2TreeSeriesElement(seqNb, child);
}

bool KuvEeTreeSeriesElement::addAssociatedElement(KuvEeDicoObject* element) {
  return m_associated.Put(element);
}
