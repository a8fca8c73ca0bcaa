#include "KuvFltObject.h"

#include <memory>

#include "KuvIDictionaryModelerAccess.h"
#include "KuvInList.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvFltObject, KuvInObject)

KuvInString KuvFltObject::dictionaryName(const KuvInGuid& dictionary, const KuvIDictionaryModelerAccess* access) {
  KuvInString name;
  if (access != nullptr && SUCCEEDED(access->GetName(dictionary, name))) return name;
  return dictionary.toString();
}

const char* KuvFltObject::viewText(KuvExpressionView view) {
  switch (view) {
    case CFG_EXPRVIEW_SOURCE: return "CFG_EXPRVIEW_SOURCE";
    case CFG_EXPRVIEW_CURRENT: return "CFG_EXPRVIEW_CURRENT";
    case CFG_EXPRVIEW_PROJECTED: return "CFG_EXPRVIEW_PROJECTED";
    case CFG_EXPRVIEW_NONE: return "ALL VIEWS";
  }
  return "?";
}

const char* KuvFltObject::domainText(std::int32_t domain) {
  switch (domain) {
    case KuvDiversityDomain_DWS: return "DWS";
    case KuvDiversityDomain_ConfigChange: return "Config Change";
    case KuvDiversityDomain_EngineeringActivation: return "Engineering Activation";
    case KuvDiversityDomain_ConfigChangeEvolution: return "Config Change Evolution";
    case KuvDiversityDomain_ConfigChangeVariant: return "Config Change Variant";
  }
  return "?";
}

namespace kuv::detail {

bool FltDnfMap::isShared(const KuvDnf* dnf, std::size_t except) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i)
    if (i != except && m_entries[i].dnf == dnf) return true;
  return false;
}

void FltDnfMap::set(const KuvInGuid& dictionary, KuvDnf* dnf) {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    if (m_entries[i].dictionary != dictionary) continue;
    KuvDnf* old = m_entries[i].dnf;
    m_entries[i].dnf = dnf;
    if (old != dnf && !isShared(old, i)) delete old;
    return;
  }
  m_entries.push_back({dictionary, dnf});
}

void FltDnfMap::clear() {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    // A form is deleted at its last holder, so that each goes once.
    bool heldLater = false;
    for (std::size_t j = i + 1; j < m_entries.size() && !heldLater; ++j) heldLater = m_entries[j].dnf == m_entries[i].dnf;
    if (!heldLater) delete m_entries[i].dnf;
  }
  m_entries.clear();
}

HRESULT FltDnfMap::list(KuvInListVal& dictionaries, KuvInList& dnfs) const {
  for (const Entry& e : m_entries) {
    if (dictionaries.PutBack(e.dictionary) == nullptr) return E_INVALIDARG;
    const HRESULT hr = dnfs.PutBack(e.dnf);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void FltDnfMap::cloneInto(FltDnfMap& to) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    KuvDnf* copy = nullptr;
    for (std::size_t j = 0; j < i && copy == nullptr; ++j)
      if (m_entries[j].dnf == m_entries[i].dnf) copy = to.m_entries[j].dnf;
    std::unique_ptr<KuvDnf> made;
    if (copy == nullptr && m_entries[i].dnf != nullptr)
      copy = (made = std::make_unique<KuvDnf>(*m_entries[i].dnf)).get();
    to.m_entries.push_back({m_entries[i].dictionary, copy});
    made.release();
  }
}

KuvInString FltDnfMap::toString(const KuvIDictionaryModelerAccess* access, const char* indent) const {
  KuvInString text;
  for (const Entry& e : m_entries) {
    text.Append(indent, "Dictionary ", KuvFltObject::dictionaryName(e.dictionary, access), " : ");
    text.Append(e.dnf != nullptr ? e.dnf->toString() : KuvInString("NULL"), "\n");
  }
  return text;
}

}  // namespace kuv::detail
