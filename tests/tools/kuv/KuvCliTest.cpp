// The kuv tool run as a user runs it, against the bicycle sample: each
// command line's exit code and a piece of what it writes to stdout or to
// stderr.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int exit = -1;
  std::string out;
  std::string err;
};

std::string slurp(const std::string& path) {
  std::ifstream input(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

// "@M" stands for the bicycle dictionary, "@T/" for this folder.
std::string expand(const std::string& arg) {
  if (arg == "@M") return KUV_BICYCLE "/dictionary.xml";
  if (arg.rfind("@T/", 0) == 0) return KUV_CLI_TESTS + arg.substr(2);
  return arg;
}

Outcome run(const std::vector<std::string>& args, const std::string& input = "") {
  const std::string base = ::testing::TempDir() + "kuv_cli_" + std::to_string(::getpid());
  std::string command;
  if (!input.empty()) {
    std::ofstream(base + ".in") << input;
    command = "<'" + base + ".in' ";
  }
  command += "'" KUV_CLI "'";
  for (const std::string& arg : args) command += " '" + expand(arg) + "'";
  command += " >'" + base + ".out' 2>'" + base + ".err'";
  const int status = std::system(command.c_str());
  Outcome result;
  result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = slurp(base + ".out");
  result.err = slurp(base + ".err");
  return result;
}

struct Case {
  std::vector<std::string> args;
  int exit;
  const char* out;  // a piece of stdout
  const char* err;  // a piece of stderr
  const char* input = "";
};

void expectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const Outcome r = run(c.args, c.input);
    std::string line;
    for (const std::string& arg : c.args) line += " " + arg;
    EXPECT_EQ(c.exit, r.exit) << line << "\n" << r.err;
    EXPECT_NE(std::string::npos, r.out.find(c.out)) << line << "\nstdout: " << r.out;
    EXPECT_NE(std::string::npos, r.err.find(c.err)) << line << "\nstderr: " << r.err;
  }
}

TEST(KuvCli, ReadsAndTransformsOneExpression) {
  expectCases({
      {{"check", "Frame{Carbon} & Extras.Rack", "--model", "@M"}, 0, "valid\n", ""},
      {{"print", "Frame{Carbon} & !Extras.Rack", "--model", "@M"}, 0, "Frame{Carbon} & !Extras.Rack\n", ""},
      {{"print", "Frame{Carbon} & Bicycle[1,+oo]", "--model", "@M", "--display"}, 0,
       "Frame{Carbon} AND Bicycle[1,+infinity]\n", ""},
      {{"print", "-", "--model", "@M"}, 0, "Size{M} | Size{L}\n", "", "Size{M} | Size{L}\n"},
      // Values of one selection come out in no fixed order: one value here.
      {{"simplify", "Size{M} & (Size{M} | Size{L}) | FALSE", "--model", "@M"}, 0, "Size{M}\n", ""},
      {{"normalize", "!(Extras.Rack | Extras.Bell)", "--model", "@M"}, 0, "!Extras.Rack & !Extras.Bell\n", ""},
      {{"dnf", "(Frame{Carbon} | Frame{Steel}) & Extras.Rack", "--model", "@M"}, 0, "2 term(s): ", ""},
      {{"classify", "Frame{Carbon} & Date[2026/01/01,+oo]", "--model", "@M"}, 0, "variant evolution\n", ""},
      {{"classify", "TRUE", "--model", "@M"}, 0, "none\n", ""},
      {{"print", "--xml", "@T/effectivity.xml", "--model", "@M"}, 0,
       "( Extras.Rack | Extras.Bell ) & !( Frame{Steel} )\n", ""},
      {{"print", "--xml", "@M", "--model", "@M"}, 2, "", "dictionary.xml:0:0: ERROR: ERROR: Unsupported case.\n"},
      // A filter document is a criteria list, not a tree.
      {{"print", "--xml", "@T/filter.xml", "--model", "@M"}, 0, "Frame{Carbon}\n", ""},
      {{"normalize", "--xml", "@T/filter.xml", "--model", "@M"}, 2, "", "a filter's criteria list has none"},
  });
}

TEST(KuvCli, RefusesBadExpressionsWithACaret) {
  expectCases({
      {{"check", "Frame{Wood}", "--model", "@M"}, 1, "invalid\n",
       "<Wood> is not part of selection <Frame>"},
      {{"print", "Frame{Carbon} & Frame{Wood}", "--model", "@M"}, 2, "",
       "  Frame{Carbon} & Frame{Wood}\n                        ^\n"},
      {{"print", "Extras.Rack &", "--model", "@M"}, 2, "", "nothing found after operator &\n  Extras.Rack &\n               ^\n"},
      {{"print", "Gears.Eleven", "--model", "@M"}, 2, "", "names cannot be solved"},
  });
  // The library's traces go to stderr with the errors, never among results.
  const Outcome check = run({"check", "Frame{Wood}", "--model", "@M"});
  EXPECT_EQ("invalid\n", check.out);
  EXPECT_NE(std::string::npos, check.err.find("KuvLiteralExprReader")) << check.err;
}

TEST(KuvCli, ComparesBothWays) {
  expectCases({
      {{"compare", "Frame{Carbon,Steel}", "Frame{Carbon} & Extras.Rack", "--model", "@M"}, 0,
       "A = B: no\nA includes B: yes\nB includes A: no\n", ""},
      {{"compare", "Size{M}", "Size{M,L}", "--model", "@M"}, 1, "A includes B: no\nB includes A: yes\n", ""},
      {{"compare", "Size{M} | Size{L}", "Size{L,M}", "--model", "@M"}, 0, "A = B: yes\n", ""},
      {{"compare", "Size{M}", "Size{XXL}", "--model", "@M"}, 2, "", "<XXL> is not part of selection <Size>"},
      // (Extras.Rack | Extras.Bell) & !Frame{Steel}, read from its document.
      {{"compare", "--xml-a", "@T/effectivity.xml", "Extras.Rack & Frame{Carbon}", "--model", "@M"}, 0,
       "A = B: no\nA includes B: yes\nB includes A: no\n", ""},
      {{"compare", "Extras.Rack | Extras.Bell", "--xml-b", "@T/effectivity.xml", "--model", "@M"}, 0,
       "A includes B: yes\n", ""},
      {{"compare", "TRUE", "--xml-b", "@M", "--model", "@M"}, 2, "", "dictionary.xml:0:0: ERROR: ERROR: Unsupported case.\n"},
      {{"compare", "--xml-a", "@T/effectivity.xml", "--model", "@M"}, 2, "", "A and B is required"},
  });
}

// The exact inclusion test refuses when the negation of A would grow past
// the term limit; the answer says so in words.
TEST(KuvCli, ExplainsARefusedComparison) {
  ::setenv("CFG_MAX_ANDTERMS_NOTDNF", "1", 1);
  const Outcome r = run({"compare", "Frame{Carbon} | Size{M}", "Frame{Carbon}", "--model", "@M"});
  ::unsetenv("CFG_MAX_ANDTERMS_NOTDNF");
  EXPECT_EQ(2, r.exit);
  EXPECT_NE(std::string::npos,
            r.out.find("A includes B: refused, 0x8009011B (too many terms: the negation would pass "
                       "CFG_MAX_ANDTERMS_NOTDNF, 1)\n"))
      << r.out;
}

TEST(KuvCli, FiltersStoredParts) {
  expectCases({
      {{"filter", "--model", "@M", "--filter", "Frame{Carbon};Size{M};Bicycle[42,42];Date[2026/05/01,2026/05/01]",
        "@T/parts.tsv"},
       0, "P1\nP3\nP4\nP5\nP6\n", ""},
      {{"filter", "--model", "@M", "--filter", "Extras.Rack;Bicycle[700,700]", "@T/parts.tsv", "--count", "--stats"}, 0,
       "5\n", "5 of 7 objects visible"},
      {{"filter", "--model", "@M", "--filter", "Extras.Rack;Bicycle[700,700]", "@T/parts.tsv", "--explain", "P3"}, 0,
       "P3 hidden: Bicycle[1,500] & Extras.Rack\n  term 1 hidden: Bicycle[1,500] & Extras.Rack\n"
       "    excluded by the configuration: Bicycle[1,500]\n",
       ""},
      {{"filter", "--model", "@M", "--filter", "Extras.Rack", "@T/parts.tsv", "--explain", "P6"}, 0,
       "P6 visible: TRUE\n  always true\n", ""},
      {{"filter", "--model", "@M", "--filter", "Extras.Rack", "@T/parts.tsv", "--explain", "P9"}, 2, "", "no part P9"},
      {{"filter", "--model", "@M", "--filter", "Frame{Wood}", "@T/parts.tsv"}, 2, "", "  Frame{Wood}\n        ^\n"},
      {{"filter", "--model", "@M", "--filter", "Frame{Carbon}", "@T/unknown.tsv"}, 2, "", "unknown.tsv:2:"},
      {{"filter", "--model", "@M", "--filter", "Frame{Carbon}", "@T/missing.tsv"}, 2, "", "cannot open"},
      // The configuration Frame{Carbon}, read from its document.
      {{"filter", "--model", "@M", "--filter-xml", "@T/filter.xml", "@T/parts.tsv"}, 0, "P1\nP3\nP4\nP5\nP6\nP7\n", ""},
      {{"filter", "--model", "@M", "--filter-xml", "@T/effectivity.xml", "@T/parts.tsv"}, 2, "",
       "effectivity.xml: not a filter document\n"},
      {{"filter", "--model", "@M", "@T/parts.tsv"}, 2, "", "--filter or --filter-xml is required"},
  });
}

TEST(KuvCli, EncodesAndDecodesBinaryForms) {
  expectCases({
      {{"encode", "TRUE", "--model", "@M"}, 0, "646E66010000000101\n", ""},
      {{"decode", "646E66010000000101", "--model", "@M"}, 0, "TRUE\n", ""},
      {{"encode", "--format", "ebe", "TRUE", "--model", "@M"}, 2, "", "ebe not in {dnf,flt}"},
      {{"decode", "646E660", "--model", "@M"}, 2, "", "not hexadecimal bytes: 646E660\n"},
      {{"decode", "646E66zz", "--model", "@M"}, 2, "", "not hexadecimal bytes"},
      {{"decode", "646E6601000000", "--model", "@M"}, 2, "", "not a readable binary normal form: 0x80004005"},
      {{"decode", "0011", "--model", "@M"}, 2, "", "neither a binary normal form (dnf) nor a compiled binary (flt)"},
      {{"decode", "--model", "@M"}, 2, "", "either as HEX or from --in"},
      {{"decode", "646E66010000000101", "--dump", "--model", "@M"}, 0,
       "     4  00 00 00 01                  length of what follows: 1\n"
       "     8  01                           special condition: TRUE\n",
       ""},
      {{"decode", "646E6601000000360001040000000201B1C0000000000000000000000000090102B1C00000000000000000000000000900"
                  "00000001000000010400010001",
        "--dump", "--model", "@M"},
       0,
       "    15  01 B1 C0 00 00 00 00 00 ...  #0 option Rack\n"
       "    32  02 B1 C0 00 00 00 00 00 ...  #1 category Extras\n"
       "    49  00 00 00 01                  1 term(s)\n"
       "    53  00 00 00 01                  term 1: 1 leaf\n"
       "    57  04 00 01 00 01                 leaf Extras.Rack\n",
       ""},
      {{"decode", "646E660100000036000104", "--dump", "--model", "@M"}, 2, "", "Invalid Dnf header"},
      {{"decode", "0011", "--dump", "--model", "@M"}, 2, "", "--dump reads a binary normal form (dnf) or a compiled"},
      // The effectivity of Extras.Rack: its normal form dumped as above,
      // over the domain block's table.
      {{"decode", "666C7404040000000001010200000000000308B1C0000000000000000000000000000101B1C00000000000000000000000"
                  "00090102B1C00000000000000000000000000900010300010000010000000001000000010401020001",
        "--dump", "--model", "@M"},
       0,
       "    11  02 00 00                     domain 2 (Config Change)\n"
       "block of domain 2 (Config Change):\n"
       "    14  00 00 00 03                  3 typed GUIDs\n"
       "    18  08 B1 C0 00 00 00 00 00 ...  #0 dictionary Bicycle\n"
       "    35  01 B1 C0 00 00 00 00 00 ...  #1 option Rack\n"
       "    52  02 B1 C0 00 00 00 00 00 ...  #2 category Extras\n"
       "    69  01                           1 view(s)\n"
       "    70  03                           view 3\n"
       "    71  00 01                          1 entry\n"
       "    73  00 00 01                       dictionary Bicycle: form 1\n"
       "    76  00                           form 1: terms follow\n"
       "    77  00 00 00 01                    1 term(s)\n"
       "    81  00 00 00 01                    term 1: 1 leaf\n"
       "    85  04 01 02 00 01                   leaf Extras.Rack\n",
       ""},
      // A filter has a view and a mode byte, and counts entries on 1 byte.
      {{"decode", "666C7403000103010200000000000108B1C0000000000000000000000000000101000100000101", "--dump",
        "--model", "@M"},
       0,
       "     5  01                           view: source\n"
       "     6  03                           selection mode 1\n",
       ""},
      {{"decode", "666C740404000000000101020000000000", "--dump", "--model", "@M"}, 2,
       "    11  02 00 00                     domain 2 (Config Change)\n", "the dump stops at a part that does not read"},
      // An option where the filter's dictionary should be: laid out, then refused.
      {{"decode", "666C7403000103010200000000000101B1C0000000000000000000000000000101000100000101", "--dump",
        "--model", "@M"},
       2, "    35  00 00 01                       option Bicycle: form 1\n",
       "ERROR : bad entry of a dictionary"},
      {{"decode", "666C7404040000000003", "--dump", "--model", "@M"}, 2, "kind: composition matrix",
       "composition matrix: 0x80004001 (not implemented)"},
  });
  const std::string expression = "Frame{Carbon} & !Extras.Rack | Bicycle[1,500] & Date[2026/01/01,+oo]";
  for (const char* format : {"dnf", "flt"}) {
    const Outcome hex = run({"encode", "--format", format, expression, "--model", "@M"});
    ASSERT_EQ(0, hex.exit) << format;
    EXPECT_EQ(expression + "\n", run({"decode", hex.out.substr(0, hex.out.size() - 1), "--model", "@M"}).out);
    const std::string file = ::testing::TempDir() + "kuv_cli_binary";
    ASSERT_EQ(0, run({"encode", "--format", format, expression, "--model", "@M", "-o", file}).exit);
    EXPECT_EQ(expression + "\n", run({"decode", "--in", file, "--model", "@M"}).out) << format;
  }
}

TEST(KuvCli, RefusesBadUsage) {
  expectCases({
      {{}, 2, "", "A subcommand is required"},
      {{"--help"}, 0, "filter", ""},
      {{"print", "--help"}, 0, "--display", ""},
      {{"print", "TRUE"}, 2, "", "--model is required"},
      {{"print", "--model", "@M"}, 2, "", "EXPR or --xml is required"},
      {{"print", "TRUE", "--xml", "@T/effectivity.xml", "--model", "@M"}, 2, "", "EXPR excludes --xml"},
      {{"print", "TRUE", "--model", "@T/missing.xml"}, 2, "", "File does not exist"},
      {{"print", "TRUE", "--model", "@T/parts.tsv"}, 2, "", "parts.tsv:1:2: [D0] ERROR: Invalid document structure"},
      {{"frobnicate"}, 2, "", "A subcommand is required"},
  });
}

}  // namespace
