#include "KuvXMLParserError.h"
#include "KuvXMLV2ParserError.h"
#include "KuvXMLV2ParserErrorWriter.h"

KUV_DEFINE_TYPE(KuvXMLV2ParserError, KuvInObject)
KUV_DEFINE_TYPE(KuvXMLParserError, KuvInObject)
KUV_DEFINE_TYPE(KuvXMLParserErrorWriter, KuvInObject)
KUV_DEFINE_TYPE(KuvXMLV2ParserErrorWriter, KuvInObject)

KuvXMLV2ParserError::KuvXMLV2ParserError() = default;
KuvXMLV2ParserError::~KuvXMLV2ParserError() = default;
KuvXMLParserError::KuvXMLParserError() = default;
KuvXMLParserError::~KuvXMLParserError() = default;

void KuvXMLParserErrorWriter::Write(std::int32_t line, std::int32_t column, std::int32_t status,
                                    const KuvInString& message, KuvXMLParserError& error) {
  error.line = line;
  error.column = column;
  error.status = status;
  error.message = message;
}

void KuvXMLParserErrorWriter::Write(const KuvXMLV2ParserError& source, KuvXMLParserError& error) {
  Write(source.line, source.column, source.status, source.message, error);
}

namespace {

const char* criteriaWord(CRITERIA_TYPE criteria) {
  switch (criteria) {
    case CRITERIA_UNIT: return "Unit ";
    case CRITERIA_STATE: return "State ";
    case CRITERIA_MPLAN: return "MPlan ";
    case CRITERIA_MILESTONE: return "Milestone ";
    case CRITERIA_DATE: return "Date ";
    case CRITERIA_CHARACTERISTIC: return "Characteristic ";
    case CRITERIA_FEATURE: return "Feature ";
    case CRITERIA_OPTION: return "Option ";
    case CRITERIA_CHANGE: return "Change/Operation ";
    case CRITERIA_EFFECTIVITY_REF: return "EffectivityRef ";
    case CRITERIA_INHERITED_EFFECTIVITY: return "InheritedEffectivity ";
    case CRITERIA_BOOLEAN: return "Boolean ";
  }
  return " ";
}

}  // namespace

KuvInString KuvXMLV2ParserErrorWriter::WriteMessage(CFG_DATA_ERROR_KIND kind, CRITERIA_TYPE criteria,
                                                    const KuvInString& s1, const KuvInString& s2,
                                                    const KuvInString& s3) {
  const char* word = criteriaWord(criteria);
  KuvInString text;
  switch (kind) {
    case CFG_ERR_UNEXPECTED: text = "[E0] ERROR: unexpected error while parsing."; break;
    case CFG_ERR_UNKNOWN_CRITERIA:
      text.Append("[E1] ERROR: ", word, "'", s1, "' doesn't exist in the Expression Context.");
      break;
    case CFG_ERR_INVALID_VALUE:
      text.Append("[E2] ERROR: '", s2, "' is a invalid value for ", word, "criteria '", s1, "'.");
      break;
    case CFG_ERR_CHANGE_FORBIDDEN:
      text = "[E3] ERROR: Usage of Change/Operation criteria in Expressions on input is forbidden.";
      break;
    case CFG_ERR_INF_SINGLE_VALUE:
      text = "[E4] ERROR: 'INF' value cannot be used for a SingleValue (in Date/Unit/State criteria).";
      break;
    case CFG_ERR_FEATURE_LEVEL: text = "[E5] ERROR: Only one level of feature-option is supported."; break;
    case CFG_ERR_OPERATOR_ARITY: text = "[E6] ERROR: AND/OR operator should have at least 2 child nodes."; break;
    case CFG_ERR_INHERITED_ID_MISSING:
      text = "[E7] c 'Id' attribute MANDATORY for Inherited Effectivities is missing.";
      break;
    case CFG_ERR_INHERITED_ID_MISMATCH:
      text.Append("[E8] ERROR: the 'Id' of an Inherited Effectivity '", s1,
                  "' doesn't correspond to the right input Filterable object.");
      break;
    case CFG_ERR_INHERITED_IN_QUERY:
      text = "[E9] ERROR: Usage of Inherited Effectivities in Query expression is forbidden.";
      break;
    case CFG_ERR_MIXED_OPTIONS:
      text.Append("[E11] ERROR: Mix of rejected and selected options is not accepted in queries. Feature '", s1,
                  "' has mixed selected and negated options.");
      break;
    case CFG_ERR_DOCUMENT_STRUCTURE: text = "[D0] ERROR: Invalid document structure"; break;
    case CFG_ERR_DUPLICATED_NAME_OR_UUID:
      text = "[D1] ERROR: Unauthorized usage of a duplicated value for Name or UUID.";
      break;
    case CFG_ERR_INVALID_UUID:
      text = "[D2] ERROR: Invalid value or unauthorized usage of a duplicated value of UUID.";
      break;
    case CFG_ERR_CHARACTERISTIC_LEVEL:
      text = "[D3] ERROR: Only 2 level Characteristics are currently supported: a Characteristic with one or many "
             "child characteristics.";
      break;
    case CFG_ERR_SERIES_OBJECT_OUTSIDE:
      text = "[D4] ERROR: A Series Object must be inside a state or manufacturing plan.";
      break;
    case CFG_ERR_SERIES_REVISION: text = "[D6] Series revision is not correct : missing serial or attribute."; break;
    case CFG_ERR_SERIAL_TWICE:
      text = "[D8] At most one serial of each type is expected in a given dictionary";
      break;
    case CFG_ERR_OBJECT_TWICE: text = "[D9] At most one object of each type is expected in a given dictionary"; break;
    default: text = "ERROR: ERROR: Unsupported case."; break;
  }
  if (!s3.IsEmpty()) text.Append(" ", s3);
  return text;
}
