// Parses reuse the node blocks of earlier ones, per thread; blanks of one unit
// take a table, longer ones the general path.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "KuvInTreeParser.h"

namespace {

using Tag = KuvInTreeParserTag;
using Tree = std::unique_ptr<KuvInTreeParserNode>;

Tree parse(const KuvInTreeParser& parser, const std::string& text) {
  KuvInTreeParserNode* root = nullptr;
  KuvInString error;
  EXPECT_EQ(parser.parse(text.c_str(), root, error), S_OK) << error.ConvertToChar();
  return Tree(root);
}

// Operator tags by their opening, strings as written.
std::string shape(const KuvInTreeParserNode& node) {
  if (node.isString()) return node.toString().ConvertToChar();
  std::string text = std::string(node.getTag()->getOpening().ConvertToChar()) + "(";
  for (std::int32_t i = 0; i < node.getChildCount(); ++i) text += (i > 0 ? " " : "") + shape(*node.getChild(i));
  return text + ")";
}

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

TEST(KuvInTreeParserReuseTest, BlanksOfSeveralUnitsAreSkippedAndTrimmed) {
  KuvInTreeParser parser;
  parser.addTag(Tag::E_GroupOp, "|");
  parser.addBlank("\r\n");
  parser.addBlank(" ");
  EXPECT_EQ(shape(*parse(parser, "\r\n a b\r\n \r\n|\r\nc \r\n")), "|(a b c)");
}

}  // namespace
