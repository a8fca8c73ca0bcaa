// KuvInTreeEvalIndex: the span of positions a node of a tree of series
// covers, from its lower to its upper bound, written 1.25.36-2.36.55.
//
// Tree variables give each node such an index; a child must lie within its
// parent (isIndexValidForChildInsertion). Indices are read from their text
// form with BuildFromString:
//
//     KuvInTreeEvalIndex index;
//     if (SUCCEEDED(KuvInTreeEvalIndex::BuildFromString("1.2-3", index))) ...
#pragma once

#include "KuvInTreeEvalIndexBound.h"

class KUV_API KuvInTreeEvalIndex : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInTreeEvalIndex)

public:
  // Both bounds empty.
  KuvInTreeEvalIndex() = default;
  KuvInTreeEvalIndex(const KuvInTreeEvalIndexBound& lower, const KuvInTreeEvalIndexBound& upper);
  KuvInTreeEvalIndex(const KuvInTreeEvalIndex& other) = default;
  KuvInTreeEvalIndex& operator=(const KuvInTreeEvalIndex& other) = default;
  ~KuvInTreeEvalIndex() override;
  // Exchanges the bounds, allocating nothing: a copy made aside then takes
  // over all or nothing.
  void swap(KuvInTreeEvalIndex& other) noexcept {
    m_lower.swap(other.m_lower);
    m_upper.swap(other.m_upper);
  }

  const KuvInTreeEvalIndexBound& getLowerBound() const { return m_lower; }
  const KuvInTreeEvalIndexBound& getUpperBound() const { return m_upper; }

  // Both bounds valuated and lower <= upper.
  bool isTreeEvalIndexValid() const;
  bool isIncludedIn(const KuvInTreeEvalIndex& other) const;
  // Whether other may be the index of a child of this one: both valid, other
  // starts at or after this one and ends strictly before this one ends.
  bool isIndexValidForChildInsertion(const KuvInTreeEvalIndex& other) const;

  // Reads "lower-upper", each bound as decimal levels joined by ".". The
  // output must have no valuated bound (E_UNEXPECTED otherwise); any other
  // failure is E_FAIL. index changes only on success.
  static HRESULT BuildFromString(const KuvInString& text, KuvInTreeEvalIndex& index);

  // lower "-" upper.
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  // Both bounds ==.
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  KuvInTreeEvalIndexBound m_lower;
  KuvInTreeEvalIndexBound m_upper;
};
