#include "support/KuvTestSupport.h"

namespace {

using kuv_test::text;

std::string message(int kind, int criteria, const char* s3 = "") {
  return text(KuvXMLV2ParserErrorWriter::WriteMessage(static_cast<CFG_DATA_ERROR_KIND>(kind),
                                                      static_cast<CRITERIA_TYPE>(criteria), "Red", "42", s3));
}

TEST(KuvXMLV2ParserErrorWriterTest, EveryKindHasItsText) {
  const struct {
    int kind;
    const char* text;
  } cases[] = {
      {0, "[E0] ERROR: unexpected error while parsing."},
      {1, "[E1] ERROR: Option 'Red' doesn't exist in the Expression Context."},
      {2, "[E2] ERROR: '42' is a invalid value for Option criteria 'Red'."},
      {3, "[E3] ERROR: Usage of Change/Operation criteria in Expressions on input is forbidden."},
      {4, "[E4] ERROR: 'INF' value cannot be used for a SingleValue (in Date/Unit/State criteria)."},
      {5, "[E5] ERROR: Only one level of feature-option is supported."},
      {6, "[E6] ERROR: AND/OR operator should have at least 2 child nodes."},
      {7, "[E7] c 'Id' attribute MANDATORY for Inherited Effectivities is missing."},
      {8, "[E8] ERROR: the 'Id' of an Inherited Effectivity 'Red' doesn't correspond to the right input Filterable "
          "object."},
      {9, "[E9] ERROR: Usage of Inherited Effectivities in Query expression is forbidden."},
      {11, "[E11] ERROR: Mix of rejected and selected options is not accepted in queries. Feature 'Red' has mixed "
           "selected and negated options."},
      {12, "[D0] ERROR: Invalid document structure"},
      {13, "[D1] ERROR: Unauthorized usage of a duplicated value for Name or UUID."},
      {14, "[D2] ERROR: Invalid value or unauthorized usage of a duplicated value of UUID."},
      {16, "[D3] ERROR: Only 2 level Characteristics are currently supported: a Characteristic with one or many "
           "child characteristics."},
      {17, "[D4] ERROR: A Series Object must be inside a state or manufacturing plan."},
      {18, "[D6] Series revision is not correct : missing serial or attribute."},
      {20, "[D8] At most one serial of each type is expected in a given dictionary"},
      {21, "[D9] At most one object of each type is expected in a given dictionary"},
      {10, "ERROR: ERROR: Unsupported case."},
      {15, "ERROR: ERROR: Unsupported case."},
      {19, "ERROR: ERROR: Unsupported case."},
      {22, "ERROR: ERROR: Unsupported case."},
      {-1, "ERROR: ERROR: Unsupported case."},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, message(c.kind, 8)) << c.kind;
  EXPECT_EQ("[D0] ERROR: Invalid document structure at line 3", message(12, 8, "at line 3"));
}

TEST(KuvXMLV2ParserErrorWriterTest, EveryCriteriaTypeHasItsWord) {
  const char* words[] = {" ", "Unit ", "State ", "MPlan ", "Milestone ", "Date ", "Characteristic ", "Feature ",
                         "Option ", "Change/Operation ", "EffectivityRef ", "InheritedEffectivity ", "Boolean ", " "};
  for (int criteria = 0; criteria < 14; ++criteria)
    EXPECT_EQ(std::string("[E1] ERROR: ") + words[criteria] + "'Red' doesn't exist in the Expression Context.",
              message(1, criteria))
        << criteria;
}

}  // namespace
