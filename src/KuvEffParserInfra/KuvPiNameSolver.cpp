#include "KuvPiNameSolver.h"

#include <algorithm>
#include <functional>
#include <iterator>

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeVarSpace.h"
#include "KuvInTreeParser.h"
#include "KuvPiVarEffSyntax.h"

KUV_DEFINE_TYPE(KuvPiNameToSolve, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvPiSolvedData, KuvInObject)
KUV_DEFINE_TYPE(KuvPiNameSolver, KuvInObject)

KuvPiNameToSolve::~KuvPiNameToSolve() = default;
KuvPiSolvedData::~KuvPiSolvedData() = default;

bool KuvPiNameToSolve::equals(const KuvInObjectVal& other) const {
  const KuvPiNameToSolve* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvPiNameSolver::KuvPiNameSolver(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags, KuvEeVarSpace* space)
    : m_syntax(syntax), m_tags(tags), m_space(space) {}

KuvPiNameSolver::~KuvPiNameSolver() = default;

namespace {

bool isPlainString(const KuvInTreeParserNode* node) {
  return node != nullptr && node->getType() == KuvInTreeParserNode::E_String && node->getChained() == nullptr &&
         node->getFollower() == nullptr;
}

}  // namespace

HRESULT KuvPiNameSolver::determineDataToSolve(const KuvInTreeParserNode& node, std::vector<KuvInString>& names,
                                              std::vector<KuvPiNameToSolve::E_TypeToSolve>& types) const {
  using K = KuvPiNameToSolve;
  const KuvInString text = m_syntax.decode(node.getText());
  const KuvInTreeParserNode* follower = node.getFollower();
  if (text.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: empty name");
  if (node.getType() == KuvInTreeParserNode::E_String) {
    K::E_TypeToSolve type;
    if (node.getChained() != nullptr)
      type = K::E_Category;
    else if (follower == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: nothing follows the name ", text);
    else if (follower->getTag() == m_tags.valueSet || follower->getTag() == m_tags.selection)
      type = K::E_SelectionVar;
    else if (follower->getTag() == m_tags.range)
      type = K::E_SerialOrDateVar;
    else
      KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
    names.push_back(text);
    types.push_back(type);
    return S_OK;
  }
  if (node.getType() != KuvInTreeParserNode::E_PrefixedString || node.getTag() == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
  const KuvInString& prefix = node.getTag()->getOpening();
  if (prefix == m_syntax.namedEffPrefix) {
    names.push_back(text);
    types.push_back(K::E_NamedEff);
    return S_OK;
  }
  if (prefix != m_syntax.restrictionPrefix) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected case");

  K::E_TypeToSolve type;
  const KuvPiVarEffSyntax& s = m_syntax;
  if (text == s.serialWord || text == s.stateWord || text == s.unitWord || text == s.mplanWord)
    type = K::E_SerialVar;
  else if (text == s.dateWord)
    type = K::E_DateVar;
  else if (text == s.specificationWord)
    type = K::E_SelectionVar;
  else if (text == s.optionWord || text == s.categoryWord)
    type = K::E_Category;
  else if (text == s.namedEffWord)
    type = K::E_NamedEff;
  else
    KUV_RETURN_ERROR(E_FAIL, "ERROR: incorrect restriction type : ", text);
  if (follower == nullptr || follower->getTag() != m_tags.range) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");

  const bool isOption = text == s.optionWord;
  if (follower->getChildCount() != (isOption ? 2 : 1)) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
  const KuvInTreeParserNode* content = follower->getChild(0)->getChild(0);
  if (isOption) {
    if (!isPlainString(content)) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
    names.push_back(s.decode(content->getText()));
    types.push_back(type);
    return S_OK;
  }
  if (content != nullptr && content->getType() == KuvInTreeParserNode::E_Tag &&
      content->getTag() == m_tags.listSeparator) {
    for (std::int32_t i = 0; i < content->getChildCount(); ++i) {
      if (!isPlainString(content->getChild(i))) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
      names.push_back(s.decode(content->getChild(i)->getText()));
      types.push_back(type);
    }
    return S_OK;
  }
  if (!isPlainString(content)) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected type");
  names.push_back(s.decode(content->getText()));
  types.push_back(type);
  return S_OK;
}

HRESULT KuvPiNameSolver::addTreeParserNodeToSolve(const KuvInTreeParserNode& node) {
  KUV_TRACE_CALL("addTreeParserNodeToSolve");
  if (!node.isString()) KUV_RETURN_ERROR(E_FAIL, "ERROR: this tpn has no string");
  std::vector<KuvInString>& names = m_nodeNames;
  std::vector<KuvPiNameToSolve::E_TypeToSolve>& types = m_nodeTypes;
  names.clear();
  types.clear();
  if (FAILED(determineDataToSolve(node, names, types))) KUV_RETURN_ERROR(E_FAIL, "ERROR: determineDataToSolve failed");
  if (names.size() != types.size()) KUV_RETURN_ERROR(E_FAIL, "ERROR: names and types are not matching in number");
  const std::size_t first = m_nodeIndices.size();
  for (std::size_t i = 0; i < names.size(); ++i) {
    KuvPiNameToSolve key(names[i], types[i]);
    auto [it, inserted] = m_index.emplace(key, m_names.size());
    if (inserted) m_names.emplace_back(key, KuvPiSolvedData());
    m_nodeIndices.push_back(it->second);
  }
  m_nodes.emplace_back(&node, std::pair(first, m_nodeIndices.size()));
  return S_OK;
}

KuvPiSolvedData KuvPiNameSolver::lookUp(const KuvPiNameToSolve& name, bool deferNamedEffs) const {
  using K = KuvPiNameToSolve;
  using D = KuvPiSolvedData;
  if (name.getType() == K::E_NamedEff && deferNamedEffs) return D(nullptr, D::E_NamedEff);
  if (m_space == nullptr) return D();
  const KuvInString& n = name.getName();
  switch (name.getType()) {
    case K::E_Category:
      if (KuvEeCategory* category = m_space->getCategory(n)) return D(category, D::E_Category);
      break;
    case K::E_SelectionVar:
      if (KuvEeSelectionVar* selection = m_space->getSelectionVar(n)) return D(selection, D::E_SelectionVar);
      break;
    case K::E_SerialOrDateVar:
    case K::E_SerialVar:
      for (std::int32_t type : {KuvEeSerialVar::UNDEFINED, KuvEeSerialVar::STATE, KuvEeSerialVar::UNIT,
                                KuvEeSerialVar::MANUF_PLAN})
        if (KuvEeSerialVar* serial = m_space->getSerialVar(n, type)) return D(serial, D::E_SerialVar);
      if (name.getType() == K::E_SerialVar) break;
      [[fallthrough]];
    case K::E_DateVar:
      if (KuvEeDateVar* date = m_space->getDateVar(n)) return D(date, D::E_DateVar);
      break;
    case K::E_NamedEff:
      if (KuvEeDicoObject* eff = m_space->getPossibleSourceEff(n)) return D(eff, D::E_NamedEff);
      break;
  }
  return D();
}

HRESULT KuvPiNameSolver::lookUpAll(bool deferNamedEffs) {
  for (auto& [name, datum] : m_names) {
    datum = lookUp(name, deferNamedEffs);
    datum.setName(name.getName());
  }
  for (const auto& [name, datum] : m_names)
    if (datum.getType() == KuvPiSolvedData::E_NotFound) {
      KUV_TRACE_ERROR("ERROR: no type for ", name.getName());
      return E_FAIL;
    }
  return S_OK;
}

HRESULT KuvPiNameSolver::solve(KuvPiSolvedNodeMap& result, bool deferNamedEffs, bool keepNames,
                               bool /*hook*/) {
  KUV_TRACE_CALL("solve");
  const HRESULT hr = lookUpAll(deferNamedEffs);
  if (SUCCEEDED(hr)) {
    for (const auto& [node, indices] : m_nodes) {
      std::vector<KuvPiSolvedData>& data = result[node];
      data.clear();
      data.reserve(indices.second - indices.first);
      for (std::size_t k = indices.first; k < indices.second; ++k)
        data.push_back(m_names[m_nodeIndices[k]].second);
    }
    m_nodes.clear();
    m_nodeIndices.clear();
  }
  // Nodes refer to the names by index: without the names they go too.
  if (!keepNames) flush();
  return hr;
}

HRESULT KuvPiNameSolver::solve(KuvPiSolvedNodes& result, bool deferNamedEffs, bool keepNames, bool /*hook*/) {
  KUV_TRACE_CALL("solve");
  result.clear();
  const HRESULT hr = lookUpAll(deferNamedEffs);
  if (SUCCEEDED(hr)) {
    result.m_data.reserve(m_nodeIndices.size());
    result.m_nodes.reserve(m_nodes.size());
    for (const auto& [node, indices] : m_nodes) {
      const std::size_t first = result.m_data.size();
      for (std::size_t k = indices.first; k < indices.second; ++k)
        result.m_data.push_back(m_names[m_nodeIndices[k]].second);
      result.m_nodes.emplace_back(node, std::pair(first, result.m_data.size()));
    }
    m_nodes.clear();
    m_nodeIndices.clear();
  }
  if (!keepNames) flush();
  return hr;
}

bool KuvPiSolvedNodes::found(const Entry& entry, const KuvPiSolvedData*& data, std::size_t& count) const {
  data = m_data.data() + entry.second.first;
  count = entry.second.second - entry.second.first;
  return true;
}

bool KuvPiSolvedNodes::find(const KuvInTreeParserNode* node, const KuvPiSolvedData*& data,
                            std::size_t& count) const {
  data = nullptr;
  count = 0;
  if (m_next < m_nodes.size() && m_nodes[m_next].first == node) return found(m_nodes[m_next++], data, count);
  if (m_sorted.empty() && !m_nodes.empty()) {
    m_sorted = m_nodes;
    std::sort(m_sorted.begin(), m_sorted.end(),
                     [](const Entry& a, const Entry& b) { return std::less<>()(a.first, b.first); });
  }
  const auto after = std::upper_bound(m_sorted.begin(), m_sorted.end(), node,
                                      [](const KuvInTreeParserNode* n, const Entry& e) { return std::less<>()(n, e.first); });
  if (after == m_sorted.begin() || std::prev(after)->first != node) return false;
  return found(*std::prev(after), data, count);
}

void KuvPiNameSolver::flush() {
  m_names.clear();
  m_index.clear();
  m_nodes.clear();
  m_nodeIndices.clear();
}
