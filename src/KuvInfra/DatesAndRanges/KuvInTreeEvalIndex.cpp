#include "KuvInTreeEvalIndex.h"

#include <memory>

#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvInTreeEvalIndex, KuvInObjectVal)

namespace {

// The levels of one bound, or E_FAIL when a level is not a number.
HRESULT readBound(const KuvInString& text, KuvInTreeEvalIndexBound& bound) {
  // Split cannot fail here (non-empty separator, a list of strings).
  KuvInListVal levels(KuvInString::sType());
  text.Split(".", levels);
  auto count = static_cast<std::uint32_t>(levels.GetLength());
  std::unique_ptr<std::uint32_t[]> values(new std::uint32_t[count]);
  for (std::uint32_t i = 0; i < count; ++i) {
    int value = 0;
    if (FAILED(KuvInString::cast(*levels.Get(static_cast<std::int32_t>(i)))->ConvertToNum(value, "%d"))) {
      KUV_TRACE_ERROR_ON(KuvInTreeEvalIndex::traceChannel(),
                         "ERROR : ConvertToNum FAILED. Expected format is :  \"1.25.36-2.36.55\" with no spaces "
                         "and decimal values.");
      return E_FAIL;
    }
    values[i] = static_cast<std::uint32_t>(value);
  }
  if (FAILED(bound.set(values.get(), count))) {
    KUV_TRACE_ERROR_ON(KuvInTreeEvalIndex::traceChannel(), "ERROR : unexpected : set lowest bound failed.");
    return E_FAIL;
  }
  values.release();  // now the bound's
  return S_OK;
}

}  // namespace

KuvInTreeEvalIndex::KuvInTreeEvalIndex(const KuvInTreeEvalIndexBound& lower, const KuvInTreeEvalIndexBound& upper)
    : m_lower(lower), m_upper(upper) {}

KuvInTreeEvalIndex::~KuvInTreeEvalIndex() = default;

bool KuvInTreeEvalIndex::isTreeEvalIndexValid() const {
  return m_lower.isValuated() && m_upper.isValuated() && m_lower <= m_upper;
}

bool KuvInTreeEvalIndex::isIncludedIn(const KuvInTreeEvalIndex& other) const {
  return m_lower >= other.m_lower && m_upper <= other.m_upper;
}

bool KuvInTreeEvalIndex::isIndexValidForChildInsertion(const KuvInTreeEvalIndex& other) const {
  return isTreeEvalIndexValid() && other.isTreeEvalIndexValid() && m_lower <= other.m_lower &&
         m_upper > other.m_upper;
}

HRESULT KuvInTreeEvalIndex::BuildFromString(const KuvInString& text, KuvInTreeEvalIndex& index) {
  if (index.m_lower.isValuated() || index.m_upper.isValuated())
    KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR : input index is valuated... so has been initialized... why ?");
  KuvInListVal parts(KuvInString::sType());
  text.Split("-", parts);
  if (parts.GetLength() != 2)
    KUV_RETURN_ERROR(E_FAIL,
                     "ERROR : unexpected pattern of string. Only one\"-\" is expected to split the inedexBounds");
  KuvInTreeEvalIndex built;
  if (FAILED(readBound(*KuvInString::cast(*parts.Get(0)), built.m_lower)) ||
      FAILED(readBound(*KuvInString::cast(*parts.Get(1)), built.m_upper)))
    return E_FAIL;
  if (!built.isTreeEvalIndexValid())
    KUV_RETURN_ERROR(E_FAIL,
                     "ERROR : TreeEvalIndex is invalid. Check your input string is alright ValA < ValB is expected, "
                     "for instance !");
  index.swap(built);
  return S_OK;
}

KuvInString KuvInTreeEvalIndex::toString() const {
  KuvInString text = m_lower.toString();
  return text.Append("-", m_upper.toString());
}

std::uint32_t KuvInTreeEvalIndex::hash() const { return (m_lower.hash() * 131u + m_upper.hash()) & 0x7FFFFFFFu; }

bool KuvInTreeEvalIndex::equals(const KuvInObjectVal& other) const {
  const KuvInTreeEvalIndex* o = cast(other);
  return o != nullptr && m_lower == o->m_lower && m_upper == o->m_upper;
}

KuvInObjectVal& KuvInTreeEvalIndex::clone(void* where) const { return cloneOf(*this, where); }
