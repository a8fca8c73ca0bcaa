#include "KuvInString.h"

#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvInString, KuvInObjectVal)

KuvInString::KuvInString(const KuvInString& other) : KuvInObjectVal(other), m_text(other.m_text) {}
KuvInString::KuvInString(KuvInString&& other) noexcept : KuvInObjectVal(other), m_text(std::move(other.m_text)) {}
KuvInString::KuvInString(const OrbUnicodeString& text) : m_text(text) {}
KuvInString::KuvInString(const char* text) : m_text(text) {}
KuvInString::KuvInString(const KuvUCChar* text) { m_text.BuildFromWChar(text); }
KuvInString::KuvInString(const wchar_t* text) { m_text.BuildFromWChar(text); }
KuvInString::KuvInString(const KuvUCChar* buffer, int length) { m_text.BuildFromUCChar(buffer, length); }
KuvInString::~KuvInString() = default;

KuvInString& KuvInString::operator=(const KuvInString& other) {
  m_text = other.m_text;
  return *this;
}

KuvInString& KuvInString::operator=(KuvInString&& other) noexcept {
  m_text = std::move(other.m_text);
  return *this;
}
KuvInString& KuvInString::operator=(const char* text) {
  m_text = text;
  return *this;
}
KuvInString& KuvInString::operator=(const KuvUCChar* text) {
  m_text.BuildFromWChar(text);
  return *this;
}
KuvInString& KuvInString::operator=(const wchar_t* text) {
  m_text.BuildFromWChar(text);
  return *this;
}

int KuvInString::BuildFromNum(int value, const char* format) { return m_text.BuildFromNum(value, format); }
int KuvInString::BuildFromDouble(double value, const char* format) { return m_text.BuildFromNum(value, format); }

KuvInString KuvInString::FromNum(int value, const char* format) {
  KuvInString text;
  if (text.BuildFromNum(value, format) < 0) return KuvInString();
  return text;
}

KuvInString KuvInString::FromDouble(double value, const char* format) {
  KuvInString text;
  if (text.BuildFromDouble(value, format) < 0) return KuvInString();
  return text;
}

HRESULT KuvInString::BuildFromUCChar(const KuvUCChar* buffer, int length) {
  return m_text.BuildFromUCChar(buffer, length) == 1 ? S_OK : E_FAIL;
}

HRESULT KuvInString::ConvertToNum(int& value, const char* format) const {
  return m_text.ConvertToNum(value, format) == 1 ? S_OK : E_FAIL;
}

KuvInString KuvInString::SubString(int from, int to) const {
  // Clamp first: to - from overflows for a negative from and a large to.
  if (from < 0) from = 0;
  if (to <= from) return KuvInString();
  return KuvInString(m_text.SubString(from, to - from));
}

HRESULT KuvInString::Insert(int position, const KuvInString& text) {
  if (position < 0 || position > GetLengthInChar()) return E_FAIL;
  m_text.Insert(position, text.m_text);
  return S_OK;
}

void KuvInString::Remove(int start, int count) { m_text.Remove(start, count); }

int KuvInString::ReplaceAll(const KuvInString& oldText, const KuvInString& newText) {
  return m_text.ReplaceAll(oldText.m_text, newText.m_text);
}

int KuvInString::ReplaceSubString(const KuvInString& oldText, const KuvInString& newText) {
  return m_text.ReplaceSubString(oldText.m_text, newText.m_text);
}

int KuvInString::ReplaceRange(const KuvInString& text, int start, int count) {
  return m_text.ReplaceSubString(start, count, text.m_text);
}

int KuvInString::SearchSubString(const KuvInString& text, int start) const {
  return m_text.SearchSubString(text.m_text, start, true);
}

int KuvInString::SearchSubStringBackward(const KuvInString& text, int start) const {
  return m_text.SearchSubString(text.m_text, start, false);
}

bool KuvInString::IsSubStringAt(int position, const KuvInString& text) const {
  return position >= 0 && m_text.SearchSubString(text.m_text, position, true) == position;
}

bool KuvInString::IsEqual(const KuvInString& text, bool ignoreCase) const {
  int result = m_text.Compare(text.m_text);
  return ignoreCase ? result != 0 : result == 2;
}

HRESULT KuvInString::Split(const KuvInString& separator, KuvInListVal& list) const {
  if (separator.IsEmpty() || !list.IsTypeAccepted(sType())) return E_FAIL;
  list.Clear();
  int from = 0;
  for (int at = SearchSubString(separator, 0); at >= 0; at = SearchSubString(separator, from)) {
    list.PutBack(SubString(from, at));
    from = at + separator.GetLengthInChar();
  }
  list.PutBack(SubString(from, GetLengthInChar()));
  return S_OK;
}

bool KuvInString::equals(const KuvInObjectVal& other) const {
  const KuvInString* o = cast(other);
  return o != nullptr && m_text == o->m_text;
}

KuvInObjectVal& KuvInString::clone(void* where) const { return cloneOf(*this, where); }
