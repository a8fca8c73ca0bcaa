// KuvXMLV2ExprSAXHandler: rebuilds an expression from an XML expression
// document, as a host's XML parser (or KuvXMLExpatParser) delivers its
// events; the names are resolved against an expression context and its
// model dictionaries. KuvXMLV3ExprSAXHandler reads the current version.
//
//     KuvEeExpression* expression = nullptr;
//     KuvXMLV2ExpressionData data;
//     KuvXMLV3ExprSAXHandler handler(context, data, nullptr, expression, 1, 0, 1, 1);
//     if (SUCCEEDED(KuvXMLExpatParser().ParseBuffer(text, size, handler)) &&
//         SUCCEEDED(handler.GetGeneratedExpression()))
//       use(expression);                     // the caller's now
//
// The vocabulary is the one KuvXMLV2ExprWriter writes. Where the writer
// leaves a choice, the reader settles it so:
// - Criteria after Expression and before any Context (or inside Global) are
//   the global criteria; each Context holds one tree for its dictionary.
//   A Context tree made only of InheritedEff elements (one, or an OR of
//   them) is the dictionary's inherited-effectivity tree; an AND of such a
//   tree and another one is split into both trees, as the writer joins
//   them; any other tree is the criteria tree. An InheritedEff may sit
//   only under an OR, or directly under that AND.
// - A Feature names a feature of the dictionary of its Context (of the
//   data's dictionary, or of the context's only dictionary, outside any
//   Context; by name in the expression context otherwise). Several options
//   of one category in one Feature are an OR of option effectivities; the
//   values of a selection variable make one selection effectivity.
// - Series and TreeSeries name their dictionary by Name; ranges are read
//   as the writer writes them (a missing From or To is the open end). A
//   date given without its time covers the whole day. DerivedDate is not
//   read back: the milestone's own date is authoritative.
// - In a filter the criteria fill its list (one effectivity per variable,
//   several of one variable combined by Or); Boolean "true" is the filter
//   without restriction. The filter's dictionary is that of a Context
//   around the criteria, else the data's, else the context's only one.
// - CfgCompositionMatrixExpression reads IF and THEN parts, each holding
//   Contexts; a Rule element only groups them.
// - Unknown elements and attributes are refused ([E10]) unless the handler
//   was told to ignore unknown elements; nesting deeper than 2000 elements
//   is refused.
// - Version 2 documents have no SchemaVersion; this reader accepts one and
//   does not look at it, and reads SelectedBy back.
// - The flags: strictArity makes an AND or OR with fewer than two children
//   an error ([E6]); ignoreUnknownElements skips elements (and their
//   content) the vocabulary does not know.
//
// Until GetGeneratedExpression hands it over, everything read belongs to
// the handler: a refused document leaves the caller's pointer (and the
// expression it may point to) untouched, and nothing behind once the
// handler dies or starts the next document.
#pragma once

#include <memory>

#include "KuvXMLV2SAXHandlerBase.h"

class KuvEeExpression;
class KuvEeExpressionContext;
class KuvXMLV2ExpressionData;
class KuvXMLV2IModelerContext;

namespace kuv::detail {
struct XMLExprReading;
}  // namespace kuv::detail

class KUV_API KuvXMLV2ExprSAXHandler : public KuvXMLV2SAXHandlerBase {
  KUV_DECLARE_TYPE(KuvXMLV2ExprSAXHandler)

public:
  // context, data and modelerContext are borrowed (modelerContext may be
  // null; it is not consulted). expression receives the result; when it
  // points to an expression of the document's kind, that one is filled
  // (its previous criteria replaced) instead of a new one.
  KuvXMLV2ExprSAXHandler(KuvEeExpressionContext& context, const KuvXMLV2ExpressionData& data,
                         const KuvXMLV2IModelerContext* modelerContext, KuvEeExpression*& expression,
                         unsigned char strictArity, unsigned char ignoreUnknownElements);
  ~KuvXMLV2ExprSAXHandler() override;

  // Forgets (and deletes) whatever an earlier document left; the error
  // record stays.
  HRESULT StartDocument() override;
  HRESULT StartElement(const KuvInString& name, const KuvInMapVal& attributes) override;
  HRESULT Characters(const KuvInString& text) override;
  HRESULT EndElement(const KuvInString& name) override;
  HRESULT EndDocument() override;

  // Hands the expression read to the caller's pointer (or fills the
  // caller's expression). E_FAIL, the pointer untouched, after a recorded
  // error, before a complete document, or when the caller's expression is
  // of another kind.
  HRESULT GetGeneratedExpression();

protected:
  // What version 3 adds: SchemaVersion is checked when checkVersion is set.
  KuvXMLV2ExprSAXHandler(KuvInTraceClass& channel, KuvEeExpressionContext& context,
                         const KuvXMLV2ExpressionData& data, KuvEeExpression*& expression,
                         unsigned char strictArity, unsigned char ignoreUnknownElements,
                         unsigned char readSelectedBy, unsigned char checkVersion);

private:
  friend struct kuv::detail::XMLExprReading;

  std::unique_ptr<kuv::detail::XMLExprReading> m_reading;
  KuvEeExpression*& m_target;
};
