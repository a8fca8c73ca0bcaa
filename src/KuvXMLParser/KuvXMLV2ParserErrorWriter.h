// KuvXMLV2ParserErrorWriter: the texts of the data errors XML readers
// record. The expression readers use the kinds up to 11, the dictionary
// readers 12 to 21; each text starts with a code ([E1], [D0], ...) that
// users quote when they report a document.
//
//     KuvInString text = KuvXMLV2ParserErrorWriter::WriteMessage(
//         CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_OPTION, "Red", "", "");
//     // "[E1] ERROR: Option 'Red' doesn't exist in the Expression Context."
#pragma once

#include <cstdint>

#include "KuvInString.h"

enum CFG_DATA_ERROR_KIND : std::int32_t {
  CFG_ERR_UNEXPECTED = 0,
  CFG_ERR_UNKNOWN_CRITERIA = 1,
  CFG_ERR_INVALID_VALUE = 2,
  CFG_ERR_CHANGE_FORBIDDEN = 3,
  CFG_ERR_INF_SINGLE_VALUE = 4,
  CFG_ERR_FEATURE_LEVEL = 5,
  CFG_ERR_OPERATOR_ARITY = 6,
  CFG_ERR_INHERITED_ID_MISSING = 7,
  CFG_ERR_INHERITED_ID_MISMATCH = 8,
  CFG_ERR_INHERITED_IN_QUERY = 9,
  CFG_ERR_UNSUPPORTED = 10,
  CFG_ERR_MIXED_OPTIONS = 11,
  CFG_ERR_DOCUMENT_STRUCTURE = 12,
  CFG_ERR_DUPLICATED_NAME_OR_UUID = 13,
  CFG_ERR_INVALID_UUID = 14,
  CFG_ERR_CHARACTERISTIC_LEVEL = 16,
  CFG_ERR_SERIES_OBJECT_OUTSIDE = 17,
  CFG_ERR_SERIES_REVISION = 18,
  CFG_ERR_SERIAL_TWICE = 20,
  CFG_ERR_OBJECT_TWICE = 21,
};

enum CRITERIA_TYPE : std::int32_t {
  CRITERIA_UNIT = 1,
  CRITERIA_STATE = 2,
  CRITERIA_MPLAN = 3,
  CRITERIA_MILESTONE = 4,
  CRITERIA_DATE = 5,
  CRITERIA_CHARACTERISTIC = 6,
  CRITERIA_FEATURE = 7,
  CRITERIA_OPTION = 8,
  CRITERIA_CHANGE = 9,
  CRITERIA_EFFECTIVITY_REF = 10,
  CRITERIA_INHERITED_EFFECTIVITY = 11,
  CRITERIA_BOOLEAN = 12,
};

class KUV_API KuvXMLV2ParserErrorWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLV2ParserErrorWriter)

public:
  // The text of kind, then a blank and s3 when s3 is not empty. s1 names
  // the criterion, s2 the refused value; criteria picks the criterion word.
  // Kinds without a text of their own give the unsupported-case text.
  static KuvInString WriteMessage(CFG_DATA_ERROR_KIND kind, CRITERIA_TYPE criteria, const KuvInString& s1,
                                  const KuvInString& s2, const KuvInString& s3);
};
