// KuvXMLISAXHandler: what an XML parser calls while it reads a document.
//
// kuv has no XML tokenizer of its own. A host's parser (or the Kuv::xml
// adapter) calls StartDocument, then StartElement, Characters and EndElement
// in document order, then EndDocument, and Error or FatalError when the
// document itself is broken. Every operation returns a result code; a
// failing code asks the parser to stop at once.
//
//     KuvXMLV3ModelDicoSAXHandler handler(context, modelerContext, 1);
//     parser.Parse(document, handler);
//     KuvXMLV2ParserError error;
//     if (handler.GetError(error) == S_OK) show(error.message);
//
// The two last operations belong to the readers that build something: the
// default answers E_NOTIMPL for a handler that has nothing of that kind.
#pragma once

#include "KuvInTypes.h"

class KuvEeModelDico;
class KuvInMapVal;
class KuvInSet;
class KuvInString;
class KuvXMLV2IModelerContext;
class KuvXMLV2ParserError;

class KUV_API KuvXMLISAXHandler {
public:
  virtual ~KuvXMLISAXHandler();

  virtual HRESULT StartDocument() = 0;
  // attributes maps each attribute name to its value (KuvInString both).
  virtual HRESULT StartElement(const KuvInString& name, const KuvInMapVal& attributes) = 0;
  // Character data of the current element; a parser may deliver it whole or
  // in several calls.
  virtual HRESULT Characters(const KuvInString& text) = 0;
  virtual HRESULT EndElement(const KuvInString& name) = 0;
  virtual HRESULT EndDocument() = 0;
  // The parser's own diagnostics, with the position it reports.
  virtual HRESULT Error(int line, int column, const KuvInString& message) = 0;
  virtual HRESULT FatalError(int line, int column, const KuvInString& message) = 0;

  // The first error recorded: S_OK, or S_FALSE when there is none.
  virtual HRESULT GetError(KuvXMLV2ParserError& error);
  // Hands over the dictionary built from the document, its series
  // descriptions and the modeler context that received display texts.
  virtual HRESULT GetCreatedModelDico(KuvEeModelDico*& dico, KuvInSet& descriptions,
                                      KuvXMLV2IModelerContext*& modelerContext);
};
