#include "OrbUnicodeString.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "MibSysUCAlgorithm.h"

namespace {

// Simple case folding over the scripts with one-to-one case pairs in the
// Basic Multilingual Plane's first blocks (Latin, Greek, Cyrillic).
char16_t foldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return static_cast<char16_t>(c | 1);  // even code unit is the capital
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;  // odd code unit is the capital
  if (c == 0x178) return 0xFF;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  return c;
}

std::u16string fromUtf8Lenient(const char* text) {
  std::u16string out;
  if (text == nullptr) return out;
  int length = static_cast<int>(std::strlen(text));
  // ASCII, the usual case, maps byte for unit.
  const char* end = text + length;
  if (std::all_of(text, end, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::u16string(text, end);
  int pos = 0;
  std::vector<KuvUCChar> buffer(static_cast<size_t>(length) + 1);
  while (pos < length) {
    int consumed = 0;
    int n = MibSysUCAlgorithm::ConvertUTF8ToUCS2(text + pos, length - pos, buffer.data(),
                                                 static_cast<int>(buffer.size()), consumed);
    out.append(buffer.data(), static_cast<size_t>(n));
    pos += consumed;
    if (pos < length) {
      out.push_back(u'\uFFFD');
      ++pos;  // skip the offending byte and resynchronize
    }
  }
  return out;
}

int formatInto(std::u16string& target, const char* format, ...) {
  if (format == nullptr) return -1;
  char small[128];
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(copy);
    return n;
  }
  std::string text;
  if (static_cast<size_t>(n) < sizeof small) {
    text.assign(small, static_cast<size_t>(n));
  } else {
    text.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, copy);
    text.resize(static_cast<size_t>(n));
  }
  va_end(copy);
  target = fromUtf8Lenient(text.c_str());
  return n;
}

}  // namespace

OrbUnicodeString::OrbUnicodeString(const OrbUnicodeString& other) : m_units(other.m_units) {}

OrbUnicodeString::OrbUnicodeString(OrbUnicodeString&& other) noexcept : m_units(std::move(other.m_units)) {
  other.m_units.clear();
  other.invalidateViews();
}

OrbUnicodeString::OrbUnicodeString(const char* text) : m_units(fromUtf8Lenient(text)) {}

OrbUnicodeString::OrbUnicodeString(std::u16string units) : m_units(std::move(units)) {}

OrbUnicodeString& OrbUnicodeString::operator=(const OrbUnicodeString& other) {
  if (this != &other) {
    m_units = other.m_units;
    invalidateViews();
  }
  return *this;
}

OrbUnicodeString& OrbUnicodeString::operator=(OrbUnicodeString&& other) noexcept {
  if (this != &other) {
    m_units = std::move(other.m_units);
    other.m_units.clear();
    invalidateViews();
    other.invalidateViews();
  }
  return *this;
}

OrbUnicodeString& OrbUnicodeString::operator=(const char* text) {
  m_units = fromUtf8Lenient(text);
  invalidateViews();
  return *this;
}

void OrbUnicodeString::invalidateViews() { m_utf8View.reset(); }

int OrbUnicodeString::BuildFromUCChar(const KuvUCChar* buffer, int length) {
  if (length < 0 || (buffer == nullptr && length > 0)) return 0;
  m_units.assign(buffer == nullptr ? u"" : buffer, static_cast<size_t>(length));
  invalidateViews();
  return 1;
}

int OrbUnicodeString::BuildFromWChar(const KuvUCChar* text) {
  m_units = text == nullptr ? std::u16string() : std::u16string(text);
  invalidateViews();
  return 1;
}

int OrbUnicodeString::BuildFromWChar(const wchar_t* text) {
  m_units.clear();
  invalidateViews();
  if (text == nullptr) return 1;
  for (; *text != 0; ++text) {
    auto cp = static_cast<std::uint32_t>(*text);
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      m_units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      m_units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else if (cp > 0x10FFFF) {
      m_units.push_back(u'\uFFFD');
    } else {
      m_units.push_back(static_cast<char16_t>(cp));
    }
  }
  return 1;
}

int OrbUnicodeString::BuildFromNum(int value, const char* format) {
  invalidateViews();
  if (format != nullptr && std::strcmp(format, "%d") == 0) {
    // The formatter's "%d" text, without its cost.
    char digits[16];
    const char* begin = digits;
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    m_units.assign(begin, end);
    return static_cast<int>(end - begin);
  }
  return formatInto(m_units, format, value);
}

int OrbUnicodeString::BuildFromNum(double value, const char* format) {
  invalidateViews();
  return formatInto(m_units, format, value);
}

int OrbUnicodeString::Compare(const OrbUnicodeString& other) const {
  if (m_units == other.m_units) return 2;
  if (m_units.size() != other.m_units.size()) return 0;
  for (size_t i = 0; i < m_units.size(); ++i)
    if (foldCase(m_units[i]) != foldCase(other.m_units[i])) return 0;
  return 1;
}

int OrbUnicodeString::SortCompare(const OrbUnicodeString& other) const {
  const auto& a = m_units;
  const auto& b = other.m_units;
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t fa = foldCase(a[i]);
    char16_t fb = foldCase(b[i]);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a == b ? 0 : (a < b ? -1 : 1);
}

OrbUnicodeString& OrbUnicodeString::Append(const OrbUnicodeString& other) {
  m_units += other.m_units;
  invalidateViews();
  return *this;
}

OrbUnicodeString OrbUnicodeString::SubString(int start, int count) const {
  int length = GetLengthInChar();
  if (start < 0) start = 0;
  if (start >= length || count <= 0) return OrbUnicodeString();
  if (count > length - start) count = length - start;
  return OrbUnicodeString(m_units.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

int OrbUnicodeString::ConvertToNum(int& value, const char* format) const {
  if (format == nullptr) return 0;
  if (std::strcmp(format, "%d") == 0) {
    // Plain digits that cannot overflow, the usual serial number, are read
    // here; what strtoll would read otherwise is left to it.
    if (!m_units.empty() && m_units.size() <= 9 &&
        std::all_of(m_units.begin(), m_units.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
      int digits = 0;
      for (const char16_t c : m_units) digits = digits * 10 + (c - u'0');
      value = digits;
      return 1;
    }
    // ASCII text, the usual case, is scanned from a copy of its own so that
    // numbers read in bulk leave no 8-bit view behind.
    const bool ascii = std::all_of(m_units.begin(), m_units.end(), [](char16_t c) { return c < 0x80; });
    const std::string copy = ascii ? std::string(m_units.begin(), m_units.end()) : std::string();
    const char* text = ascii ? copy.c_str() : ConvertToChar();
    // Done by hand: sscanf's behaviour on overflow is undefined.
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return 0;
    value = static_cast<int>(v);
    return 1;
  }
  return std::sscanf(ConvertToChar(), format, &value);
}

const char* OrbUnicodeString::ConvertToChar() const {
  if (m_utf8View != nullptr) return m_utf8View->c_str();
  auto view = std::make_unique<std::string>();
  if (std::all_of(m_units.begin(), m_units.end(), [](char16_t c) { return c < 0x80; })) {
    view->assign(m_units.begin(), m_units.end());
  } else {
    std::vector<char> buffer(m_units.size() * 4 + 1);
    int pos = 0;
    int length = GetLengthInChar();
    while (pos < length) {
      int consumed = 0;
      int n = MibSysUCAlgorithm::ConvertUCS2ToUTF8(m_units.data() + pos, length - pos, buffer.data(),
                                                   static_cast<int>(buffer.size()), consumed);
      view->append(buffer.data(), static_cast<size_t>(n));
      pos += consumed;
      if (pos < length) {
        *view += "\xEF\xBF\xBD";  // unpaired surrogate: U+FFFD
        ++pos;
      }
    }
  }
  m_utf8View = std::move(view);
  return m_utf8View->c_str();
}

const KuvUCChar* OrbUnicodeString::ConvertToUCChar() const { return m_units.c_str(); }

int OrbUnicodeString::ReplaceSubString(const OrbUnicodeString& oldText, const OrbUnicodeString& newText) {
  if (oldText.m_units.empty()) return 0;
  size_t at = m_units.find(oldText.m_units);
  if (at == std::u16string::npos) return 0;
  m_units.replace(at, oldText.m_units.size(), newText.m_units);
  invalidateViews();
  return 1;
}

int OrbUnicodeString::ReplaceSubString(int start, int count, const OrbUnicodeString& newText) {
  int length = GetLengthInChar();
  if (start < 0 || start > length || count < 0) return 0;
  if (count > length - start) count = length - start;
  m_units.replace(static_cast<size_t>(start), static_cast<size_t>(count), newText.m_units);
  invalidateViews();
  return 1;
}

int OrbUnicodeString::ReplaceAll(const OrbUnicodeString& oldText, const OrbUnicodeString& newText) {
  if (oldText.m_units.empty()) return 0;
  std::u16string result;
  int replaced = 0;
  size_t from = 0;
  for (size_t at = m_units.find(oldText.m_units); at != std::u16string::npos;
       at = m_units.find(oldText.m_units, from)) {
    result.append(m_units, from, at - from);
    result += newText.m_units;
    from = at + oldText.m_units.size();
    ++replaced;
  }
  if (replaced > 0) {
    result.append(m_units, from, std::u16string::npos);
    m_units.swap(result);
    invalidateViews();
  }
  return replaced;
}

void OrbUnicodeString::Remove(int start, int count) {
  int length = GetLengthInChar();
  if (start < 0 || start >= length || count <= 0) return;
  if (count > length - start) count = length - start;
  m_units.erase(static_cast<size_t>(start), static_cast<size_t>(count));
  invalidateViews();
}

int OrbUnicodeString::Insert(int position, const OrbUnicodeString& text) {
  if (position < 0 || position > GetLengthInChar()) return 0;
  m_units.insert(static_cast<size_t>(position), text.m_units);
  invalidateViews();
  return 1;
}

int OrbUnicodeString::SearchSubString(const OrbUnicodeString& text, int start, bool forward) const {
  int length = GetLengthInChar();
  if (forward) {
    if (start < 0) start = 0;
    if (start > length) return -1;
    size_t at = m_units.find(text.m_units, static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
  }
  if (start < 0) return -1;
  size_t at = m_units.rfind(text.m_units, static_cast<size_t>(start));
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

unsigned int OrbUnicodeString::ComputeHashKey() const {
  std::uint32_t h = 0;
  for (char16_t c : m_units) h = h * 131u + c;
  return h & 0x7FFFFFFFu;
}
