#include "KuvCoreEncodingsToolbox.h"

#include "KuvLiteralSyntax.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

KUV_DEFINE_TYPE(KuvCoreEncodingsToolbox, KuvInObject)

namespace {

// Days from 0001-01-01 to 1900-01-01.
constexpr std::int64_t sc_daysTo1900 = 693596;
constexpr std::int64_t sc_daysPer400Years = 146097;
constexpr std::int64_t sc_daysPer100Years = 36524;
constexpr std::int64_t sc_daysPer4Years = 1461;

// Rounds towards minus infinity so that years before 1 stay on the same
// calendar; for the others it is the plain integer division.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

bool isLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int monthLength(int month, std::int64_t year) {
  static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : lengths[month - 1];
}

constexpr const char* sc_viewTexts[] = {"SOURCE", "CURRENT", "PROJECTED"};
constexpr int sc_viewCount = 3;

// Both view enumerations share these values.
HRESULT viewToText(int view, KuvInString& text) {
  if (view < 0 || view >= sc_viewCount) {
    KUV_TRACE_ERROR_ON(KuvCoreEncodingsToolbox::traceChannel(), "ERROR: Incorrect/Unexpected case");
    return E_FAIL;
  }
  text = sc_viewTexts[view];
  return S_OK;
}

HRESULT textToView(const KuvInString& text, int& view) {
  for (int v = 0; v < sc_viewCount; ++v) {
    if (text == KuvInString(sc_viewTexts[v])) {
      view = v;
      return S_OK;
    }
  }
  KUV_TRACE_ERROR_ON(KuvCoreEncodingsToolbox::traceChannel(), "ERROR: Incorrect/Unexpected case");
  return E_FAIL;
}

}  // namespace

KuvInString KuvCoreEncodingsToolbox::EncodeForExpression(const KuvInString& name) {
  KuvLiteralSyntax syntax;
  syntax.setDefaultSyntax();
  if (FAILED(syntax.init())) return KuvInString();
  return syntax.encode(name);
}

KuvInString KuvCoreEncodingsToolbox::DecodeExpressionForDisplay(const KuvInString& text) {
  const std::u16string& units = text.GetOrbString().units();
  std::u16string kept;
  kept.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i)
    if (units[i] != u'\'' || (i > 0 && units[i - 1] == u'\\')) kept += units[i];
  KuvInString result{OrbUnicodeString(std::move(kept))};
  result.ReplaceAll("\\'", "'");
  result.ReplaceAll("\\\\", "\\");
  return result;
}

HRESULT KuvCoreEncodingsToolbox::Compute_Nbdays_From_YMD(int year, int month, int day, int& nbDays) {
  if (month < 1 || month > 12) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Invalid month ", month);
  std::int64_t y = static_cast<std::int64_t>(year) - 1;
  std::int64_t q400 = floorDiv(y, 400);
  std::int64_t r = y - q400 * 400;
  std::int64_t r100 = r % 100;
  std::int64_t days =
      q400 * sc_daysPer400Years + r / 100 * sc_daysPer100Years + r100 / 4 * sc_daysPer4Years + r100 % 4 * 365;
  for (int m = 1; m < month; ++m) days += monthLength(m, year);
  days += day - sc_daysTo1900;
  if (days < INT32_MIN || days > INT32_MAX) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Day number out of range");
  nbDays = static_cast<int>(days);
  return S_OK;
}

HRESULT KuvCoreEncodingsToolbox::Compute_YMD_From_Nbdays(int nbDays, int& year, int& month, int& day) {
  // Days since 0001-01-01, counted from 0.
  std::int64_t d = static_cast<std::int64_t>(nbDays) + sc_daysTo1900 - 1;
  std::int64_t q400 = floorDiv(d, sc_daysPer400Years);
  d -= q400 * sc_daysPer400Years;
  // The last day of a 400-year (4-year) cycle would otherwise start a fifth
  // century (year), hence the caps.
  std::int64_t q100 = std::min<std::int64_t>(d / sc_daysPer100Years, 3);
  d -= q100 * sc_daysPer100Years;
  std::int64_t q4 = std::min<std::int64_t>(d / sc_daysPer4Years, 24);
  d -= q4 * sc_daysPer4Years;
  std::int64_t q1 = std::min<std::int64_t>(d / 365, 3);
  d -= q1 * 365;
  std::int64_t y = 400 * q400 + 100 * q100 + 4 * q4 + q1 + 1;
  int m = 1;
  while (d >= monthLength(m, y)) d -= monthLength(m++, y);
  year = static_cast<int>(y);
  month = m;
  day = static_cast<int>(d) + 1;
  return S_OK;
}

HRESULT KuvCoreEncodingsToolbox::convertApplyingView_ENUM_To_DBValue(KuvEeExpressionToolbox::ExpressionView view,
                                                                    KuvInString& text) {
  return viewToText(static_cast<int>(view), text);
}

HRESULT KuvCoreEncodingsToolbox::convertApplyingView_ENUM_To_DBValue(KuvExpressionView view, KuvInString& text) {
  return viewToText(static_cast<int>(view), text);
}

HRESULT KuvCoreEncodingsToolbox::convertApplyingView_DBValue_To_ENUM(const KuvInString& text,
                                                                    KuvEeExpressionToolbox::ExpressionView& view) {
  int value = 0;
  HRESULT hr = textToView(text, value);
  if (SUCCEEDED(hr)) view = static_cast<KuvEeExpressionToolbox::ExpressionView>(value);
  return hr;
}

HRESULT KuvCoreEncodingsToolbox::convertApplyingView_DBValue_To_ENUM(const KuvInString& text,
                                                                    KuvExpressionView& view) {
  int value = 0;
  HRESULT hr = textToView(text, value);
  if (SUCCEEDED(hr)) view = static_cast<KuvExpressionView>(value);
  return hr;
}
