#include "KuvEeEffSymbolLeaf.h"

#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeVarSpace.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeEffSymbolLeaf, KuvEeNode)

KuvEeEffSymbolLeaf::KuvEeEffSymbolLeaf(const unsigned char* guid, KuvEeVarSpace* space)
    : m_guid(std::make_unique<KuvInGuid>(guid)), m_space(space) {
  if (m_space != nullptr) kuv::detail::throwIfOutOfMemory(m_space->addEffSymbol(this));
}

KuvEeEffSymbolLeaf::KuvEeEffSymbolLeaf(const KuvInString& name, KuvEeVarSpace* space)
    : m_name(name), m_space(space) {
  if (m_space != nullptr) kuv::detail::throwIfOutOfMemory(m_space->addEffSymbol(this));
}

KuvEeEffSymbolLeaf::~KuvEeEffSymbolLeaf() {
  // A symbol deleted unsolved (with its tree) must not stay behind in the
  // space.
  if (m_space != nullptr) m_space->removeEffSymbol(this);
}

HRESULT KuvEeEffSymbolLeaf::acceptVisitor(KuvEeNodeVisitor& /*visitor*/) {
  KUV_TRACE_CALL("acceptVisitor");
  KUV_RETURN_ERROR(E_FAIL, "ERROR: an effectivity symbol cannot be visited");
}

HRESULT KuvEeEffSymbolLeaf::becomeEffLeaf() {
  KUV_TRACE_CALL("becomeEffLeaf");
  if (m_space == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: no variable space");
  KuvEeDicoObject* source = m_guid != nullptr ? m_space->getPossibleSourceEff(*m_guid) : nullptr;
  if (source == nullptr && !m_name.IsEmpty()) source = m_space->getPossibleSourceEff(m_name);
  KuvEeEffectivity* target = source != nullptr ? KuvEeEffectivity::cast(*source) : nullptr;
  if (target == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: effectivity not found");
  // Solved: no longer a symbol of the space (which must therefore walk a
  // snapshot of its symbols while solving them).
  m_space->removeEffSymbol(this);
  m_space = nullptr;
  become(new KuvEeEffLeaf(target));
  return S_OK;
}

KuvInString KuvEeEffSymbolLeaf::toString() const {
  KuvInString text("EffSymbolLeaf( ");
  text.Append(m_name, ")");
  return text;
}
