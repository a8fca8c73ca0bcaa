#include "KuvXMLTextWriter.h"

#include <cctype>

#include "KuvInListVal.h"
#include "KuvInString.h"

KUV_DEFINE_TYPE(KuvXMLTextWriter, KuvXMLV2IWriter)

namespace {

// Whether XML 1.0 can hold every character of the UTF-8 text.
bool isXMLText(const std::string& utf8) {
  for (const unsigned char c : utf8)
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
  return true;
}

// Names are kuv's own vocabulary: letters, digits and a few marks.
bool isName(const std::string& name) {
  if (name.empty()) return false;
  for (const unsigned char c : name)
    if (c < 0x80 && !std::isalnum(c) && c != '_' && c != '-' && c != '.' && c != ':') return false;
  return true;
}

void appendEscaped(std::string& out, const std::string& utf8, bool attribute) {
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      // A reader normalizes these to blanks in attribute values.
      case '\t':
        out += attribute ? "&#9;" : "\t";
        break;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

KuvXMLTextWriter::KuvXMLTextWriter() = default;

KuvXMLTextWriter::~KuvXMLTextWriter() = default;

void KuvXMLTextWriter::closeStartTag() {
  if (!m_tagOpen) return;
  m_text += '>';
  m_tagOpen = false;
}

HRESULT KuvXMLTextWriter::WriteStartDocument() {
  if (m_started) KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: The document has already been started.");
  m_started = true;
  m_text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  return S_OK;
}

HRESULT KuvXMLTextWriter::WriteStartElement(const KuvInString& name, const KuvInListVal* names,
                                            const KuvInListVal* values) {
  if (!m_started || m_ended || (m_open.empty() && m_rootDone))
    KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: No element may start here: ", name);
  const std::int32_t count = names != nullptr ? names->GetLength() : 0;
  if ((values != nullptr ? values->GetLength() : 0) != count)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Attribute names and values differ in number for element ", name);
  const std::string element = name.ConvertToChar();
  if (!isName(element)) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Invalid element name ", name);
  std::string tag = "<" + element;
  for (std::int32_t i = 0; i < count; ++i) {
    const auto* attribute = KuvInString::cast(*names->Get(i));
    const auto* value = KuvInString::cast(*values->Get(i));
    if (attribute == nullptr || value == nullptr)
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Attributes of element ", name, " must be strings.");
    const std::string key = attribute->ConvertToChar();
    const std::string text = value->ConvertToChar();
    if (!isName(key) || !isXMLText(text))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Invalid attribute ", *attribute, " of element ", name);
    tag += " " + key + "=\"";
    appendEscaped(tag, text, true);
    tag += '"';
  }
  closeStartTag();
  m_text += tag;
  m_tagOpen = true;
  m_open.push_back(element);
  return S_OK;
}

HRESULT KuvXMLTextWriter::WriteComment(const KuvInString& text) {
  const std::string utf8 = text.ConvertToChar();
  if (!m_started || m_ended) KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: No comment may be written here.");
  if (!isXMLText(utf8) || utf8.find("--") != std::string::npos || (!utf8.empty() && utf8.back() == '-'))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Invalid comment text.");
  closeStartTag();
  m_text += "<!--" + utf8 + "-->";
  return S_OK;
}

HRESULT KuvXMLTextWriter::WriteCharacters(const KuvInString& text) {
  if (m_open.empty()) KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: Text outside any element: ", text);
  const std::string utf8 = text.ConvertToChar();
  if (!isXMLText(utf8)) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Invalid characters: ", text);
  closeStartTag();
  appendEscaped(m_text, utf8, false);
  return S_OK;
}

HRESULT KuvXMLTextWriter::WriteEndElement() {
  if (m_open.empty()) KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: No element to end.");
  if (m_tagOpen) {
    m_text += "/>";
    m_tagOpen = false;
  } else {
    m_text += "</" + m_open.back() + ">";
  }
  m_open.pop_back();
  m_rootDone = m_open.empty();
  return S_OK;
}

HRESULT KuvXMLTextWriter::WriteEndDocument() {
  if (!m_started || m_ended || !m_rootDone)
    KUV_RETURN_ERROR(E_UNEXPECTED, "ERROR: The document cannot end here.");
  m_ended = true;
  return S_OK;
}
