// KuvDnf: an expression in disjunctive normal form, an Or of And terms, or
// one of the constants TRUE and FALSE (the special condition, which makes
// the terms irrelevant). The DNF owns its terms (deleted with it).
//
//     KuvDnf dnf(2, DNF_COND_NONE);
//     dnf.addAndTerm(term);            // taken over
//     unsigned char common = 0;
//     dnf.isIntersect(other, common);
#pragma once

#include <cstdint>
#include <vector>

#include "KuvDnfAndTermFactory.h"

enum E_DnfSpecCond : std::int32_t { DNF_COND_NONE = 0, DNF_COND_TRUE = 1, DNF_COND_FALSE = 2 };

class KUV_API KuvDnf : public KuvInObject {
  KUV_DECLARE_TYPE(KuvDnf)

public:
  KuvDnf(std::int32_t capacity, E_DnfSpecCond condition);
  explicit KuvDnf(E_DnfSpecCond condition = DNF_COND_NONE);
  // Deep: clones of the terms.
  KuvDnf(const KuvDnf& other);
  KuvDnf& operator=(const KuvDnf&) = delete;
  ~KuvDnf() override;

  // "DNF : \n", then the terms, each on its line after "OR \t / -- " (the
  // first), "\t | -- " or "\t \\ -- " (the last); or "TRUE", "FALSE",
  // "unexpected cond type".
  KuvInString toString() const override;

  // Appends term and takes it over; E_INVALIDARG for null.
  HRESULT addAndTerm(KuvDnfAndTerm* term);
  E_DnfSpecCond getSpecialCondition() const { return m_condition; }
  void setSpecialCondition(E_DnfSpecCond condition) { m_condition = condition; }
  std::int32_t getNbAndTerms() const { return static_cast<std::int32_t>(m_terms.size()); }
  // The i-th term (the DNF's), or null.
  const KuvDnfAndTerm* getAndTerm(std::int32_t i) const {
    return i >= 0 && i < getNbAndTerms() ? m_terms[static_cast<std::size_t>(i)] : nullptr;
  }
  const std::vector<KuvDnfAndTerm*>& andTerms() const { return m_terms; }
  // Appends the term pointers (still the DNF's).
  HRESULT getAndTerms(KuvInList& terms) const;
  // Deletes the terms.
  void clear();
  // Gives the terms up without deleting them: for a DNF that only lent
  // terms owned elsewhere.
  void releaseAndTerms() { m_terms.clear(); }

  // out: 1 when some configuration satisfies both. FALSE meets nothing,
  // TRUE everything else; otherwise some pair of terms must meet.
  HRESULT isIntersect(const KuvDnf& other, unsigned char& out) const;
  // A new DNF (the caller's, special condition 0) with each leaf that holds
  // an implicit Or split into one term per alternative; null on failure.
  KuvDnf* getRealDnf() const;

private:
  std::vector<KuvDnfAndTerm*> m_terms;
  E_DnfSpecCond m_condition;
};
