#include "KuvLiteralTestModel.h"
#include "support/KuvTestSupport.h"

namespace {

TEST(KuvLiteralListTest, ListsReadAndWriteItemByItem) {
  kuv_test::LiteralFixture f;
  const struct { const char* text; int varEffs; int effs; } cases[] = {
      {"Engine.V8;Units[1,10];$Eff1", 2, 1},
      {"Engine.V8", 1, 0},
      {"$Eff1 ; $'Eff 2|x' ; Color{Red}", 1, 2},
      {"Units[1,3] ; Units[8]", 1, 0},  // one effectivity per variable: combined
      {"", 0, 0},
  };
  // Each text, then the text its list writes: that reads as the same items.
  for (const auto& c : cases) {
    KuvInString text(c.text);
    for (int pass = 0; pass < 2; ++pass) {
      KuvInString error;
      std::unique_ptr<KuvEeGenericExpression> list(
          f.reader.readList(text, error, KuvEeGenericExpression::CFG_LISTMODE_STRICT));
      ASSERT_NE(list, nullptr) << text.ConvertToChar() << " : " << error.ConvertToChar();
      ASSERT_TRUE(list->IsList());
      EXPECT_EQ(list->GetMode(), KuvEeGenericExpression::CFG_LISTMODE_STRICT);
      EXPECT_EQ(list->GetList()->GetNbVarEffs(), c.varEffs) << text.ConvertToChar();
      EXPECT_EQ(list->GetList()->GetNbEffs(), c.effs) << text.ConvertToChar();
      text = f.writer.write(*list);
    }
  }
  KuvInString error;
  std::unique_ptr<KuvEeGenericExpression> one(
      f.reader.readList("Units[1,3];Units[8]", error, KuvEeGenericExpression::CFG_LISTMODE_NONE));
  EXPECT_STREQ(f.writer.write(*one).ConvertToChar(), "Units[1,3][8]");
}

TEST(KuvLiteralListTest, BadListsGiveNothing) {
  kuv_test::LiteralFixture f;
  for (const char* text : {"Engine.V8 & Units[1]", "Engine.V8;@unit[Units]", "Nobody[1];Engine.V8", "$Nobody",
                           "Engine.V8;;Units[1]", "(Engine.V8)", "$Eff1{ALL_TRUE}", "Units[1"}) {
    KuvInString error;
    EXPECT_TRACES(nullptr, std::string("QmSpecListReader parser ERROR: read FAILED. ListExpression=") + text,
                  f.reader.readList(text, error, KuvEeGenericExpression::CFG_LISTMODE_150));
    EXPECT_FALSE(error.IsEmpty()) << text;
  }
}

TEST(KuvLiteralListTest, ExpressionsWrapTheTree) {
  kuv_test::LiteralFixture f;
  KuvInString error;
  const std::unique_ptr<KuvEeGenericExpression> expression(
      f.reader.readExpression("Engine.V8 | $Eff1", error, false));
  ASSERT_NE(expression, nullptr);
  EXPECT_FALSE(expression->IsList());
  EXPECT_STREQ(f.writer.write(*expression).ConvertToChar(), "Engine.V8 | $Eff1");
  EXPECT_TRACES(nullptr, "", f.reader.readExpression("Engine.V8 |", error, false));
  KuvLiteralExprWriter unset;
  kuv_test::captured([&] { EXPECT_TRUE(unset.write(*expression).IsEmpty()); });
}

}  // namespace
