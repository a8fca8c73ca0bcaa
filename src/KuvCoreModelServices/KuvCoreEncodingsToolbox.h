// Public encodings for hosts: the quoting of names in expressions, the
// display form of stored quoted text, the day-number calendar, and the
// database texts of the applying views.
//
// Day numbers count days of the proleptic Gregorian calendar from
// 1900-01-01 (day 0; 1899-12-31 is day -1). Applying views are stored as
// "SOURCE", "CURRENT" and "PROJECTED".
#pragma once

#include "KuvEeExpressionToolbox.h"
#include "KuvExpressionView.h"
#include "KuvInObject.h"
#include "KuvInString.h"

class KUV_API KuvCoreEncodingsToolbox : public KuvInObject {
  KUV_DECLARE_TYPE(KuvCoreEncodingsToolbox)

public:
  KuvCoreEncodingsToolbox() = delete;

  // The name as the default literal syntax writes a variable name, quoted
  // and escaped when it holds a reserved symbol; empty when the syntax
  // cannot be initialized.
  static KuvInString EncodeForExpression(const KuvInString& name);

  // Removes the quotes that no backslash precedes, then turns \' into ' and
  // \\ into \.
  static KuvInString DecodeExpressionForDisplay(const KuvInString& text);

  // S_OK; E_INVALIDARG when month is outside 1..12 or the day number does
  // not fit in 32 bits (nbDays is then unchanged).
  static HRESULT Compute_Nbdays_From_YMD(int year, int month, int day, int& nbDays);
  static HRESULT Compute_YMD_From_Nbdays(int nbDays, int& year, int& month, int& day);

  // E_FAIL, with the error traced and the output unchanged, for NONE, any
  // value outside the enumeration and any text but the three names.
  static HRESULT convertApplyingView_ENUM_To_DBValue(KuvEeExpressionToolbox::ExpressionView view, KuvInString& text);
  static HRESULT convertApplyingView_ENUM_To_DBValue(KuvExpressionView view, KuvInString& text);
  static HRESULT convertApplyingView_DBValue_To_ENUM(const KuvInString& text,
                                                     KuvEeExpressionToolbox::ExpressionView& view);
  static HRESULT convertApplyingView_DBValue_To_ENUM(const KuvInString& text, KuvExpressionView& view);
};
