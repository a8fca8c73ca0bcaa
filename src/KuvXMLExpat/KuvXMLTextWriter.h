// KuvXMLTextWriter: a KuvXMLV2IWriter that produces the document as UTF-8
// text, for a host that has no XML output of its own.
//
//     KuvXMLTextWriter sink;
//     KuvXMLV3ExprWriter(sink, &texts, 0, 1, 1).write(expression);
//     std::string document = sink.GetText();
//
// The text opens with the declaration <?xml version="1.0" encoding="UTF-8"?>
// and a line break; elements follow without indentation, an element without
// content as <Name/>. In text and attribute values &, <, > and " are
// escaped, and so are tab, line feed and carriage return in attribute values
// (&#9; &#10; &#13;), so that a reader gets every value back unchanged.
// Characters beyond the Basic Multilingual Plane (surrogate pairs in the
// string) become their four-byte UTF-8 form; an unpaired surrogate becomes
// U+FFFD. Text that XML 1.0 cannot hold (other control characters, "--" in
// a comment) is refused with E_INVALIDARG, as are calls out of order
// (E_UNEXPECTED); a refused call writes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KuvXMLV2IWriter.h"

class KUV_API KuvXMLTextWriter : public KuvXMLV2IWriter {
  KUV_DECLARE_TYPE(KuvXMLTextWriter)

public:
  KuvXMLTextWriter();
  ~KuvXMLTextWriter() override;

  HRESULT WriteStartDocument() override;
  HRESULT WriteStartElement(const KuvInString& name, const KuvInListVal* names,
                            const KuvInListVal* values) override;
  HRESULT WriteComment(const KuvInString& text) override;
  HRESULT WriteCharacters(const KuvInString& text) override;
  HRESULT WriteEndElement() override;
  HRESULT WriteEndDocument() override;

  // The document so far; complete after WriteEndDocument.
  const std::string& GetText() const { return m_text; }

private:
  // Closes a start tag still open (">" once content follows).
  void closeStartTag();

  std::string m_text;
  std::vector<std::string> m_open;
  bool m_started = false;
  bool m_tagOpen = false;
  bool m_rootDone = false;
  bool m_ended = false;
};
