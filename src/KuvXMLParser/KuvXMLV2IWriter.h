// KuvXMLV2IWriter: where the XML writers of kuv send a document. kuv
// formats no XML itself: a host implements this sink over its own XML
// output (the Kuv::xml adapter has one that produces UTF-8 text).
//
//     KuvXMLTextWriter sink;                       // Kuv::xml
//     KuvXMLV3ExprWriter writer(sink, &texts, 0, 1, 1);
//     if (SUCCEEDED(writer.write(expression))) save(sink.GetText());
//
// The calls arrive well nested: WriteStartDocument, then elements opened
// with their attributes and closed innermost first, with text between
// them, then WriteEndDocument. Every operation answers a result code; a
// failing one makes the writer stop and answer it.
#pragma once

#include "KuvInObject.h"

class KuvInListVal;
class KuvInString;

class KUV_API KuvXMLV2IWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLV2IWriter)

public:
  ~KuvXMLV2IWriter() override;

  virtual HRESULT WriteStartDocument() = 0;
  // names and values are parallel lists of KuvInString, in the order the
  // attributes are to appear; both null for an element without attributes.
  virtual HRESULT WriteStartElement(const KuvInString& name, const KuvInListVal* names,
                                    const KuvInListVal* values) = 0;
  // Not used by the expression writers.
  virtual HRESULT WriteComment(const KuvInString& text) = 0;
  virtual HRESULT WriteCharacters(const KuvInString& text) = 0;
  // Closes the innermost open element.
  virtual HRESULT WriteEndElement() = 0;
  virtual HRESULT WriteEndDocument() = 0;

protected:
  KuvXMLV2IWriter() = default;
};
