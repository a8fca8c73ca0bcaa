// KuvConversionServices: the text forms hosts store for enumerations and
// identifiers: the applying view ("CFG_EXPRVIEW_SOURCE"...), the selection
// mode of filters ("CFG_SELECTIONMODE_STRICT", "CFG_SELECTIONMODE_150") and
// GUIDs and binaries (upper-case hexadecimal digits). Every conversion goes
// both ways and answers E_INVALIDARG for a value or a text it does not know.
//
//     KuvInString text;
//     KuvConversionServices::ConvertApplyingView(CFG_EXPRVIEW_CURRENT, text);
//     KuvInGuid guid;
//     KuvConversionServices::ConvertStringToGuid("000102030405060708090A0B0C0D0E0F", guid);
#pragma once

#include "KuvEeFilterExpression.h"
#include "KuvExpressionView.h"
#include "KuvInObject.h"
#include "KuvInString.h"

class KuvBioBuffer;
class KuvInGuid;

class KUV_API KuvConversionServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvConversionServices)

public:
  KuvConversionServices() = delete;

  // 0, 1, 2 to "CFG_EXPRVIEW_SOURCE", "CFG_EXPRVIEW_CURRENT",
  // "CFG_EXPRVIEW_PROJECTED"; any other value empties text, E_INVALIDARG.
  static HRESULT ConvertApplyingView(KuvExpressionView view, KuvInString& text);
  // The inverse, by exact comparison; an unknown text sets view to
  // CFG_EXPRVIEW_NONE, E_INVALIDARG.
  static HRESULT ConvertApplyingView(const KuvInString& text, KuvExpressionView& view);

  // 0 "CFG_SELECTIONMODE_STRICT", 1 "CFG_SELECTIONMODE_150"; E_INVALIDARG,
  // output untouched, for anything else.
  static HRESULT ConvertSelectionMode(KuvEeFilterExpression::SELECTION_MODE mode, KuvInString& text);
  static HRESULT ConvertSelectionMode(const KuvInString& text, KuvEeFilterExpression::SELECTION_MODE& mode);

  // The 32 hexadecimal digits of the 16 bytes; E_FAIL, text emptied, when
  // they cannot be made.
  static HRESULT ConvertGuidToString(const KuvInGuid& guid, KuvInString& text);
  // E_INVALIDARG for a text that is not 32 characters long, E_FAIL when it
  // does not decode to 16 bytes; guid is untouched on failure.
  static HRESULT ConvertStringToGuid(const KuvInString& text, KuvInGuid& guid);

  // The hexadecimal text of every byte of buffer; E_INVALIDARG for a
  // buffer without bytes. The text is emptied on failure.
  static HRESULT ConvertBinaryToString(const KuvBioBuffer& buffer, KuvInString& text);
  // A new buffer owning the bytes the digits decode to; the caller owns it.
  // buffer must be null on entry (E_INVALIDARG) and stays null on failure;
  // an empty text is E_INVALIDARG, digits that do not decode E_FAIL.
  static HRESULT ConvertStringToBinary(const KuvInString& text, KuvBioBuffer*& buffer);
};
