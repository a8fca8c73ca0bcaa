#include "KuvInTreeEvalIndexBound.h"

#include <algorithm>

#include "KuvInIntHolder.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvInTreeEvalIndexBound, KuvInObjectVal)

KuvInTreeEvalIndexBound::KuvInTreeEvalIndexBound(std::uint32_t value)
    : m_values(new std::uint32_t[1]{value}), m_count(1) {}

KuvInTreeEvalIndexBound::KuvInTreeEvalIndexBound(const KuvInListVal& levels) {
  auto count = static_cast<std::uint32_t>(levels.GetLength());
  if (count == 0) return;
  std::unique_ptr<std::uint32_t[]> values(new std::uint32_t[count]);
  std::uint32_t i = 0;
  for (auto it = levels.cBegin(); it.IsValid(); it.Next()) {
    const KuvInIntHolder* level = KuvInIntHolder::cast(*it.Get());
    if (level == nullptr) return;
    values[i++] = level->getValue();
  }
  m_values = std::move(values);
  m_count = count;
}

KuvInTreeEvalIndexBound::KuvInTreeEvalIndexBound(std::uint32_t* values, std::uint32_t count) { set(values, count); }

KuvInTreeEvalIndexBound::KuvInTreeEvalIndexBound(const KuvInTreeEvalIndexBound& other)
    : KuvInObjectVal(other), m_count(other.m_count) {
  if (m_count != 0) {
    m_values.reset(new std::uint32_t[m_count]);
    std::copy_n(other.m_values.get(), m_count, m_values.get());
  }
}

KuvInTreeEvalIndexBound& KuvInTreeEvalIndexBound::operator=(const KuvInTreeEvalIndexBound& other) {
  if (this != &other) {
    KuvInTreeEvalIndexBound copy(other);
    m_values = std::move(copy.m_values);
    m_count = copy.m_count;
  }
  return *this;
}

KuvInTreeEvalIndexBound::~KuvInTreeEvalIndexBound() = default;

HRESULT KuvInTreeEvalIndexBound::set(std::uint32_t* values, std::uint32_t count) {
  if (values == nullptr && count != 0) return E_FAIL;
  m_values.reset(values);
  m_count = count;
  return S_OK;
}

void KuvInTreeEvalIndexBound::AddNewLevelWithValue(std::uint32_t value) {
  std::unique_ptr<std::uint32_t[]> values(new std::uint32_t[m_count + 1]);
  std::copy_n(m_values.get(), m_count, values.get());
  values[m_count] = value;
  m_values = std::move(values);
  ++m_count;
}

HRESULT KuvInTreeEvalIndexBound::getValue(std::uint32_t level, std::uint32_t& value) const {
  if (level >= m_count) return E_FAIL;
  value = m_values[level];
  return S_OK;
}

int KuvInTreeEvalIndexBound::compare(const KuvInTreeEvalIndexBound& o) const {
  std::uint32_t common = std::min(m_count, o.m_count);
  for (std::uint32_t i = 0; i < common; ++i)
    if (m_values[i] != o.m_values[i]) return m_values[i] < o.m_values[i] ? -1 : 1;
  if (m_count == o.m_count) return 0;
  return m_count < o.m_count ? -1 : 1;
}

KuvInTreeEvalIndexBound KuvInTreeEvalIndexBound::lastLevelMoved(std::uint32_t n, bool up) const {
  KuvInTreeEvalIndexBound moved(*this);
  if (moved.m_count != 0) {
    std::uint32_t& last = moved.m_values[moved.m_count - 1];
    last = up ? last + n : last - n;
  }
  return moved;
}

KuvInTreeEvalIndexBound KuvInTreeEvalIndexBound::operator+(std::uint32_t n) const { return lastLevelMoved(n, true); }
KuvInTreeEvalIndexBound KuvInTreeEvalIndexBound::operator-(std::uint32_t n) const { return lastLevelMoved(n, false); }

KuvInTreeEvalIndexBound KuvInTreeEvalIndexBound::boundMin(const KuvInTreeEvalIndexBound& a,
                                                          const KuvInTreeEvalIndexBound& b) {
  return b < a ? b : a;
}

KuvInTreeEvalIndexBound KuvInTreeEvalIndexBound::boundMax(const KuvInTreeEvalIndexBound& a,
                                                          const KuvInTreeEvalIndexBound& b) {
  return b > a ? b : a;
}

KuvInString KuvInTreeEvalIndexBound::toString() const {
  KuvInString text;
  for (std::uint32_t i = 0; i < m_count; ++i) {
    if (i != 0) text.Append(".");
    text.Append(KuvInString::FromNum(static_cast<int>(m_values[i]), "%d"));
  }
  return text;
}

std::uint32_t KuvInTreeEvalIndexBound::hash() const {
  return BinHashFunc(m_values.get(), m_count * static_cast<std::uint32_t>(sizeof(std::uint32_t)));
}

bool KuvInTreeEvalIndexBound::equals(const KuvInObjectVal& other) const {
  const KuvInTreeEvalIndexBound* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInTreeEvalIndexBound::clone(void* where) const { return cloneOf(*this, where); }
