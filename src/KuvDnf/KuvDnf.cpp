#include "KuvDnf.h"

#include <deque>
#include <memory>

#include "KuvInList.h"
#include "KuvInTraceClass.h"

KUV_DEFINE_TYPE(KuvDnf, KuvInObject)

KuvDnf::KuvDnf(std::int32_t capacity, E_DnfSpecCond condition) : m_condition(condition) {
  if (capacity > 0) m_terms.reserve(static_cast<std::size_t>(capacity));
}

KuvDnf::KuvDnf(E_DnfSpecCond condition) : m_condition(condition) {}

KuvDnf::KuvDnf(const KuvDnf& other) : KuvInObject(other), m_condition(other.m_condition) {
  m_terms.reserve(other.m_terms.size());
  for (const KuvDnfAndTerm* term : other.m_terms) m_terms.push_back(term->clone());
}

KuvDnf::~KuvDnf() { clear(); }

void KuvDnf::clear() {
  for (KuvDnfAndTerm* term : m_terms) delete term;
  m_terms.clear();
}

HRESULT KuvDnf::addAndTerm(KuvDnfAndTerm* term) {
  if (term == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
  m_terms.push_back(term);
  return S_OK;
}

HRESULT KuvDnf::getAndTerms(KuvInList& terms) const {
  for (KuvDnfAndTerm* term : m_terms) {
    HRESULT hr = terms.PutBack(term);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: add failed");
  }
  return S_OK;
}

KuvInString KuvDnf::toString() const {
  KuvInString text("DNF : \n");
  if (m_condition == DNF_COND_TRUE) return text.Append("TRUE");
  if (m_condition == DNF_COND_FALSE) return text.Append("FALSE");
  if (m_condition != DNF_COND_NONE) return text.Append("unexpected cond type");
  for (std::size_t i = 0; i < m_terms.size(); ++i) {
    const char* head = i == 0 ? "OR \t / -- " : i + 1 == m_terms.size() ? "\t \\ -- " : "\t | -- ";
    text.Append(head, m_terms[i]->toString(), "\n");
  }
  return text;
}

HRESULT KuvDnf::isIntersect(const KuvDnf& other, unsigned char& out) const {
  out = 0;
  if (m_condition == DNF_COND_FALSE || other.m_condition == DNF_COND_FALSE) return S_OK;
  if (m_condition == DNF_COND_TRUE || other.m_condition == DNF_COND_TRUE) {
    out = 1;
    return S_OK;
  }
  for (const KuvDnfAndTerm* mine : m_terms) {
    for (const KuvDnfAndTerm* theirs : other.m_terms) {
      HRESULT hr = mine->isIntersect(*theirs, out);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: isIntersect FAILED.");
      if (out != 0) return S_OK;
    }
  }
  return S_OK;
}

KuvDnf* KuvDnf::getRealDnf() const {
  auto result = std::make_unique<KuvDnf>(getNbAndTerms(), DNF_COND_NONE);
  std::deque<std::unique_ptr<KuvDnfAndTerm>> work;
  for (const KuvDnfAndTerm* term : m_terms) {
    work.emplace_back(term->clone());
    if (!work.back()) {
      KUV_TRACE_ERROR("ERROR : clone failed");
      return nullptr;
    }
  }
  while (!work.empty()) {
    std::unique_ptr<KuvDnfAndTerm> term = std::move(work.front());
    work.pop_front();
    std::unique_ptr<KuvDnfLeaf> split(term->popDnfLeafWithImplicitOr());
    if (!split) {
      result->m_terms.push_back(term.release());
      continue;
    }
    KuvInList alternatives(KuvDnfLeaf::sType());
    HRESULT hr = split->splitIntoElementaryLeafWithoutImplicitOr(alternatives);
    // The list owns nothing: its leaves go to the new terms or here.
    std::vector<std::unique_ptr<KuvDnfLeaf>> pending;
    for (std::int32_t i = 0; i < alternatives.GetLength(); ++i)
      pending.emplace_back(static_cast<KuvDnfLeaf*>(alternatives.Get(i)));
    if (FAILED(hr)) {
      KUV_TRACE_ERROR("ERROR : splitIntoElementaryLeafWithoutImplicitOr FAILED");
      return nullptr;
    }
    for (std::unique_ptr<KuvDnfLeaf>& alternative : pending) {
      std::unique_ptr<KuvDnfAndTerm> next(term->clone());
      if (!next) {
        KUV_TRACE_ERROR("ERROR : clone failed");
        return nullptr;
      }
      if (FAILED(next->addDnfLeaf(*alternative))) {
        KUV_TRACE_ERROR("ERROR : le ciel nous est tombe sur la tete !");
        return nullptr;
      }
      alternative.release();
      work.push_back(std::move(next));
    }
  }
  return result.release();
}
