#include "support/KuvTestSupport.h"

namespace {

using Tag = KuvInTreeParserTag;
using Tree = std::unique_ptr<KuvInTreeParserNode>;

// The tree, or null with the reason in error.
Tree parse(const KuvInTreeParser& parser, const KuvInString& text, KuvInString& error) {
  KuvInTreeParserNode* root = nullptr;
  const HRESULT hr = parser.parse(text, root, error);
  EXPECT_EQ(hr == S_OK, root != nullptr);
  return Tree(root);
}

Tree parse(const KuvInTreeParser& parser, const std::string& text) {
  KuvInString error;
  Tree root = parse(parser, text.c_str(), error);
  EXPECT_NE(root, nullptr) << error.ConvertToChar();
  return root;
}

// The tags of the literal syntax, with its default tokens.
struct Parser {
  KuvInTreeParser parser;
  const Tag* orOp = parser.addTag(Tag::E_GroupOp, "|");
  const Tag* andOp = parser.addTag(Tag::E_GroupOp, "&");
  const Tag* notDomain = parser.addTag(Tag::E_UnaryOp, "~");
  const Tag* notOp = parser.addTag(Tag::E_UnaryOp, "!");
  const Tag* brackets = parser.addTag(Tag::E_Brackets, "(", ")");
  const Tag* named = parser.addTag(Tag::E_Prefix, "$");
  const Tag* q = parser.addTag(Tag::E_Prefix, "q$");
  const Tag* chain = parser.addTag(Tag::E_Chain, ".");
  const Tag* range = parser.addTag(Tag::E_Range, "[", "]");
  const Tag* valueSet = parser.addTag(Tag::E_ValueSet, "{", "}");
  const Tag* selection = parser.addTag(Tag::E_Selection, "{", "}");
  const Tag* list = parser.addTag(Tag::E_GroupOp, ",");
  const Tag* sequence = parser.addTag(Tag::E_GroupOp, ";");

  Parser() {
    for (const char* blank : {" ", "\n", "\t"}) parser.addBlank(blank);
    parser.setStringifiers("'", "'");
    parser.setEscape("\\");
  }
};

// A compact picture of a tree: tags by their opening, strings as they are.
std::string shape(const KuvInTreeParserNode& node) {
  std::string text;
  if (node.isString()) {
    text = node.toString().ConvertToChar();
  } else {
    text = std::string(node.getTag()->getOpening().ConvertToChar()) + "(";
    for (std::int32_t i = 0; i < node.getChildCount(); ++i)
      text += (i > 0 ? " " : "") + shape(*node.getChild(i));
    text += ")";
  }
  if (node.getFollower() != nullptr) text += "^" + shape(*node.getFollower());
  return text;
}

TEST(KuvInTreeParserTest, TagsAreRefusedWhenEmptyOrAlreadyUsed) {
  Parser p;
  ASSERT_NE(p.selection, nullptr);  // may share "{" "}" with the value-set
  EXPECT_EQ(p.parser.addTag(Tag::E_GroupOp, ""), nullptr);
  EXPECT_EQ(p.parser.addTag(Tag::E_Brackets, "<", ""), nullptr);
  EXPECT_EQ(p.parser.addTag(Tag::E_GroupOp, "&"), nullptr);
  EXPECT_EQ(p.parser.addTag(Tag::E_Brackets, "<", ")"), nullptr);
  EXPECT_EQ(p.parser.addTag(Tag::E_Range, "{", "}"), nullptr);
  EXPECT_NE(p.parser.addTag(Tag::E_Brackets, "<", ">"), nullptr);
  // An operator keeps a closing string it is given: no later tag opens with
  // it, and it ends a plain string.
  ASSERT_NE(p.parser.addTag(Tag::E_GroupOp, "^", "#"), nullptr);
  EXPECT_EQ(p.parser.addTag(Tag::E_GroupOp, "#"), nullptr);
  KuvInTreeParserNode* tree = nullptr;
  KuvInString error;
  EXPECT_EQ(E_FAIL, p.parser.parse(KuvInString("a#b"), tree, error));
  delete tree;
}

TEST(KuvInTreeParserTest, BuildsTreesByPrecedenceAndGroupsAfterStrings) {
  Parser p;
  const struct { const char* text; const char* shape; } cases[] = {
      {"a|b&c", "|(a &(b c))"},
      {"!( a | b )", "!(((|(a b)))"},
      {"~!a", "~(!(a))"},
      {"()", "(()"},
      {"$Eff1{ALL_TRUE}", "$Eff1^{({(ALL_TRUE))"},
      {"Cat.Opt{TRUE,NOVAR}", "Cat.Opt^{({(,(TRUE NOVAR)))"},
      {"Unit[1,10][15]", "Unit^[([(,(1 10)) [(15))"},
      {"My Name  & 'a&b'", "&(My Name a&b)"},
      {"'it\\'s' & 'back\\\\slash'", "&(it\\'s back\\\\slash)"},
      {"a;b,c", ",(;(a b) c)"},
      {"[x][]", "[([(x) [())"},
      {"q$x", "q$x"},
      {"\xC3\xA9t\xC3\xA9 & b", "&(\xC3\xA9t\xC3\xA9 b)"},
  };
  for (const auto& c : cases) {
    KuvInString error;
    auto root = parse(p.parser, c.text, error);
    ASSERT_NE(root, nullptr) << c.text << " : " << error.ConvertToChar();
    EXPECT_EQ(shape(*root), c.shape) << c.text;
    EXPECT_TRUE(error.IsEmpty()) << c.text;
  }
  auto root = parse(p.parser, "Cat.Opt{TRUE}");
  EXPECT_EQ(root->getFollower()->getTag(), p.selection);  // after a chain "{" is a selection
  root = parse(p.parser, "Sel{a}");
  EXPECT_EQ(root->getFollower()->getTag(), p.valueSet);
}

// The literal reader's tests pin the errors its texts meet; these are the
// parser's own cases and the exact depth limit.
TEST(KuvInTreeParserTest, MalformedTextGivesNoTreeAndSaysWhy) {
  Parser p;
  const std::string deepBrackets = std::string(30000, '(') + "a" + std::string(30000, ')');
  const struct { std::string text; const char* error; } cases[] = {
      {"a & (b", "no closing bracket found\n"},
      {"x[1,2", "not closed bracket found\n"},
      {"!", "nothing found after operator !\n"},
      {"", "empty string found\n"},
      {"   ", "empty string found\n"},
      {"a & & b", "empty string found\n"},
      {"'bad \\escape'", "empty string found\n"},
      {"Cat.", "empty string found after .\n"},
      {"a b ) c", "parse has finished before end of string, at index : 4, near : \" ) \""},
      {deepBrackets, "expression nested too deeply, at index : 201\n"},
  };
  for (const auto& c : cases) {
    KuvInString error;
    EXPECT_EQ(parse(p.parser, c.text.c_str(), error), nullptr) << c.text.substr(0, 40);
    EXPECT_STREQ(error.ConvertToChar(), c.error) << c.text.substr(0, 40);
  }
}

// Parses reuse the node blocks of earlier ones, per thread.
TEST(KuvInTreeParserReuseTest, TreesOutliveTheirThreadAndLaterParsesReuseTheirBlocks) {
  KuvInTreeParser parser;
  parser.addTag(Tag::E_GroupOp, "|");
  parser.addTag(Tag::E_GroupOp, "&");
  parser.addBlank(" ");
  // Thousands of nodes: several blocks of the largest size.
  std::string text = "a0 & b0";
  for (int i = 1; i < 2000; ++i) text += " | a" + std::to_string(i) + " & b" + std::to_string(i);
  Tree fromWorker;
  std::thread([&] { fromWorker = parse(parser, text); }).join();
  const std::string expected = shape(*fromWorker);
  fromWorker.reset();
  for (int round = 0; round < 3; ++round) EXPECT_EQ(shape(*parse(parser, text)), expected);
  Tree kept = parse(parser, text);
  std::thread([&] { kept.reset(); }).join();
  EXPECT_EQ(shape(*parse(parser, "x & y | z")), "|(&(x y) z)");
}

// Blanks of one unit take a table, longer ones the general path.
TEST(KuvInTreeParserReuseTest, BlanksOfSeveralUnitsAreSkippedAndTrimmed) {
  KuvInTreeParser parser;
  parser.addTag(Tag::E_GroupOp, "|");
  parser.addBlank("\r\n");
  parser.addBlank(" ");
  EXPECT_EQ(shape(*parse(parser, "\r\n a b\r\n \r\n|\r\nc \r\n")), "|(a b c)");
}

}  // namespace
