// The kuv tool run as a user runs it, against the bicycle sample: each
// command line's exit code and a piece of what it writes to stdout or to
// stderr.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

// Against the sample model unless told otherwise; env holds NAME=value
// settings for the command.
Outcome run(std::vector<std::string> args, bool onModel = true, const std::string& input = "",
            const std::string& env = "") {
  const std::string base = ::testing::TempDir() + "kuv_cli_" + std::to_string(::getpid());
  std::string command = env + " ";
  if (!input.empty()) {
    std::ofstream(base + ".in") << input;
    command += "<'" + base + ".in' ";
  }
  if (onModel) args.insert(args.end(), {"--model", "@M"});
  command += "'" KUV_CLI "'";
  for (const std::string& arg : args) command += " '" + expand(arg) + "'";
  command += " >'" + base + ".out' 2>'" + base + ".err'";
  const int status = std::system(command.c_str());
  Outcome result;
  result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = slurp(base + ".out");
  result.err = slurp(base + ".err");
  for (const char* suffix : {".in", ".out", ".err"}) std::remove((base + suffix).c_str());
  return result;
}

struct Case {
  std::vector<std::string> args;  // --model @M follows unless onModel is false
  int exit;
  std::string out;  // a piece of stdout
  std::string err;  // a piece of stderr
  std::string input = "";
  std::string env = "";
};

void expectCases(const std::vector<Case>& cases, bool onModel = true) {
  for (const Case& c : cases) {
    const Outcome r = run(c.args, onModel, c.input, c.env);
    std::string line;
    for (const std::string& arg : c.args) line += " " + arg;
    EXPECT_EQ(c.exit, r.exit) << line << "\n" << r.err;
    EXPECT_NE(std::string::npos, r.out.find(c.out)) << line << "\nstdout: " << r.out;
    EXPECT_NE(std::string::npos, r.err.find(c.err)) << line << "\nstderr: " << r.err;
  }
}

TEST(KuvCli, ReadsAndTransformsOneExpression) {
  expectCases({
      {{"check", "Frame{Carbon} & Extras.Rack"}, 0, "valid\n", ""},
      {{"print", "Frame{Carbon} & !Extras.Rack"}, 0, "Frame{Carbon} & !Extras.Rack\n", ""},
      {{"print", "Frame{Carbon} & Bicycle[1,+oo]", "--display"}, 0, "Frame{Carbon} AND Bicycle[1,+infinity]\n", ""},
      {{"print", "-"}, 0, "Size{M} | Size{L}\n", "", "Size{M} | Size{L}\n"},
      // Values of one selection come out in no fixed order: one value here.
      {{"simplify", "Size{M} & (Size{M} | Size{L}) | FALSE"}, 0, "Size{M}\n", ""},
      {{"normalize", "!(Extras.Rack | Extras.Bell)"}, 0, "!Extras.Rack & !Extras.Bell\n", ""},
      {{"dnf", "(Frame{Carbon} | Frame{Steel}) & Extras.Rack"}, 0, "2 term(s): ", ""},
      {{"classify", "Frame{Carbon} & Date[2026/01/01,+oo]"}, 0, "variant evolution\n", ""},
      {{"classify", "TRUE"}, 0, "none\n", ""},
      {{"print", "--xml", "@T/effectivity.xml"}, 0, "( Extras.Rack | Extras.Bell ) & !( Frame{Steel} )\n", ""},
      {{"print", "--xml", "@M"}, 2, "", "dictionary.xml:0:0: ERROR: ERROR: Unsupported case.\n"},
      // A filter document is a criteria list, not a tree.
      {{"print", "--xml", "@T/filter.xml"}, 0, "Frame{Carbon}\n", ""},
      {{"normalize", "--xml", "@T/filter.xml"}, 2, "", "a filter's criteria list has none"},
      // Tree series have no literal form: no result rather than an empty one.
      {{"print", "--xml", "@T/treeseries.xml"}, 2, "", "no literal form"},
      {{"dnf", "--xml", "@T/treeseries.xml"}, 2, "", "no literal form"},
      {{"print", "-"}, 2, "", "NUL byte", std::string("Extras.Rack\0&", 13)},
  });
}

TEST(KuvCli, RefusesBadExpressionsWithACaret) {
  expectCases({
      {{"check", "Frame{Wood}"}, 1, "invalid\n", "<Wood> is not part of selection <Frame>"},
      {{"print", "Frame{Carbon} & Frame{Wood}"}, 2, "", "  Frame{Carbon} & Frame{Wood}\n                        ^\n"},
      {{"print", "Extras.Rack &"}, 2, "", "nothing found after operator &\n  Extras.Rack &\n               ^\n"},
      {{"print", "Gears.Eleven"}, 2, "", "names cannot be solved"},
  });
  // The library's traces go to stderr with the errors, never among results.
  const Outcome check = run({"check", "Frame{Wood}"});
  EXPECT_EQ("invalid\n", check.out);
  EXPECT_NE(std::string::npos, check.err.find("KuvLiteralExprReader")) << check.err;
}

TEST(KuvCli, ComparesBothWays) {
  expectCases({
      {{"compare", "Frame{Carbon,Steel}", "Frame{Carbon} & Extras.Rack"}, 0,
       "A = B: no\nA includes B: yes\nB includes A: no\n", ""},
      {{"compare", "Size{M}", "Size{M,L}"}, 1, "A includes B: no\nB includes A: yes\n", ""},
      {{"compare", "Size{M} | Size{L}", "Size{L,M}"}, 0, "A = B: yes\n", ""},
      {{"compare", "Size{M}", "Size{XXL}"}, 2, "", "<XXL> is not part of selection <Size>"},
      // (Extras.Rack | Extras.Bell) & !Frame{Steel}, read from its document.
      {{"compare", "--xml-a", "@T/effectivity.xml", "Extras.Rack & Frame{Carbon}"}, 0,
       "A = B: no\nA includes B: yes\nB includes A: no\n", ""},
      {{"compare", "Extras.Rack | Extras.Bell", "--xml-b", "@T/effectivity.xml"}, 0, "A includes B: yes\n", ""},
      {{"compare", "TRUE", "--xml-b", "@M"}, 2, "", "dictionary.xml:0:0: ERROR: ERROR: Unsupported case.\n"},
      {{"compare", "--xml-a", "@T/effectivity.xml"}, 2, "", "A and B is required"},
      // Global criteria, FALSE, beside the model's.
      {{"compare", "--xml-a", "@T/global.xml", "FALSE"}, 0, "A = B: yes\n", ""},
      // The exact inclusion test refuses when the negation of A would grow
      // past the term limit; the answer says so in words.
      {{"compare", "Frame{Carbon} | Size{M}", "Frame{Carbon}"}, 2,
       "A includes B: refused, 0x8009011B (too many terms: the negation would pass CFG_MAX_ANDTERMS_NOTDNF, 1)\n",
       "", "", "CFG_MAX_ANDTERMS_NOTDNF=1"},
  });
}

TEST(KuvCli, FiltersStoredParts) {
  const std::string parts = "@T/parts.tsv";
  const std::string rackAt700 = "Extras.Rack;Bicycle[700,700]";
  expectCases({
      {{"filter", "--filter", "Frame{Carbon};Size{M};Bicycle[42,42];Date[2026/05/01,2026/05/01]", parts}, 0,
       "P1\nP3\nP4\nP5\nP6\n", ""},
      {{"filter", "--filter", rackAt700, parts, "--count", "--stats"}, 0, "5\n", "5 of 7 objects visible"},
      {{"filter", "--filter", rackAt700, parts, "--explain", "P3"}, 0,
       "P3 hidden: Bicycle[1,500] & Extras.Rack\n  term 1 hidden: Bicycle[1,500] & Extras.Rack\n"
       "    excluded by the configuration: Bicycle[1,500]\n",
       ""},
      {{"filter", "--filter", "Extras.Rack", parts, "--explain", "P6"}, 0, "P6 visible: TRUE\n  always true\n", ""},
      {{"filter", "--filter", "Extras.Rack", parts, "--explain", "P9"}, 2, "", "no part P9"},
      {{"filter", "--filter", "Frame{Wood}", parts}, 2, "", "  Frame{Wood}\n        ^\n"},
      {{"filter", "--filter", "Frame{Carbon}", "@T/unknown.tsv"}, 2, "", "unknown.tsv:2:"},
      {{"filter", "--filter", "Frame{Carbon}", "@T/missing.tsv"}, 2, "", "File does not exist"},
      {{"filter", "--filter", "Frame{Carbon}", "@T/"}, 2, "", "directory"},
      {{"filter", "--filter", "Frame{Carbon}", "/dev/stdin"}, 0, "P1\n", "", "P1\tFrame{Carbon}\r\n"},
      {{"filter", "--filter", "Extras.Rack", "/dev/stdin"}, 2, "", ":1: a NUL", std::string("P\tTRUE\0(", 8)},
      // The configuration Frame{Carbon}, read from its document.
      {{"filter", "--filter-xml", "@T/filter.xml", parts}, 0, "P1\nP3\nP4\nP5\nP6\nP7\n", ""},
      {{"filter", "--filter-xml", "@T/effectivity.xml", parts}, 2, "", "effectivity.xml: not a filter document\n"},
      {{"filter", parts}, 2, "", "--filter or --filter-xml is required"},
  });
}

// Extras.Rack as a binary normal form; !Extras.Bell | FALSE as a binary
// expression and as a net stream, each in the tool's envelope.
const std::string sc_dnf =
    "646E6601000000360001040000000201B1C0000000000000000000000000090102B1C000000000000000000000000009000000000100"
    "0000010400010001";
const std::string sc_ebe =
    "6B757601090000000101B1C0000000000000000000000000090500000000000000000000000000000000000000000000000108B1C000"
    "00000000000000000000000001000000000000000065626501000000210102000E00000106000000050002030F07000000010D000002";
const std::string sc_net =
    "6B757601020000000202B1C0000000000000000000000000090001B1C00000000000000000000000000905000000006E657401000000"
    "11010200000002040F07000100010D00010A";

TEST(KuvCli, EncodesAndDecodesBinaryForms) {
  expectCases({
      {{"encode", "TRUE"}, 0, "646E66010000000101\n", ""},
      {{"decode", "646E66010000000101"}, 0, "TRUE\n", ""},
      {{"encode", "--format", "xml", "TRUE"}, 2, "", "xml not in {dnf,flt,ebe,net}"},
      {{"decode", "646E660"}, 2, "", "not hexadecimal bytes: 646E660\n"},
      {{"decode", "646E66zz"}, 2, "", "not hexadecimal bytes"},
      {{"decode", "646E6601000000"}, 2, "", "not a readable binary normal form: 0x80004005"},
      {{"decode", "0011"}, 2, "", "not a binary normal form (dnf), a compiled binary (flt) or the tool's envelope"},
      {{"decode"}, 2, "", "either as HEX or from --in"},
      // The lists in increasing GUID order, whatever order the library
      // gives them in, make the bytes of one expression always the same.
      {{"encode", "--format", "ebe", "!Extras.Bell | FALSE"}, 0, sc_ebe + "\n", ""},
      {{"encode", "--format", "net", "!Extras.Bell | FALSE"}, 0, sc_net + "\n", ""},
      {{"encode", "--format", "net", "--xml", "@T/treeseries.xml"}, 0, "6B757601", ""},
      {{"encode", "TRUE", "-o", "/dev/full"}, 2, "", "cannot write /dev/full"},
      {{"encode", "TRUE", "--display"}, 2, "", "not expected: --display"},
      {{"encode", "--binary-version", "2", "TRUE"}, 2, "", "applies to --format ebe only"},
      {{"decode", "6562650100"}, 2, "", "a bare binary expression (ebe) names dictionary objects by position"},
      {{"decode", "6E6574010000", "--dump"}, 2, "", "a bare binary expression (net)"},
      // Truncated; of another version; counting more GUIDs than it holds;
      // an option where the model has a category; no payload; tables the
      // payload does not have; its binary cut short, or followed by more.
      {{"decode", "6B7576"}, 2, "", "not a readable envelope (kuv): the envelope's header is cut short\n"},
      {{"decode", "6B75760209"}, 2, "", "envelope version 2, this tool reads version 1\n"},
      {{"decode", "6B757601090000000902B1C0"}, 2, "", "table 1 is cut short\n"},
      {{"decode", "6B75760101" "0000000101B1C00000000000000000000000000900"}, 2, "",
       "object #0 of table 1 (kind 1, GUID B1C00000000000000000000000000900) is not in the model\n"},
      {{"decode", "6B7576010100000000"}, 2, "", "no payload magic (net, ebe, fbe or cbe) after the tables\n"},
      {{"decode", "6B757601020000000000000000" + sc_ebe.substr(sc_ebe.find("656265"))}, 2, "",
       "2 tables before the ebe payload, which has 9\n"},
      {{"decode", sc_ebe.substr(0, sc_ebe.size() - 2)}, 2, "",
       "not a readable binary expression (ebe): the library does not read the binary expression: 0x80004005"},
      {{"decode", sc_ebe + "00"}, 2, "", "the binary expression's size is not the payload's, 34 bytes\n"},
      {{"decode", sc_net.substr(0, sc_net.size() - 2)}, 2, "", "not a readable net stream"},
  });
}

TEST(KuvCli, DumpsTheLayoutOfBinaryForms) {
  expectCases({
      {{"decode", "646E66010000000101", "--dump"}, 0,
       "     4  00 00 00 01                  length of what follows: 1\n"
       "     8  01                           special condition: TRUE\n",
       ""},
      {{"decode", sc_dnf, "--dump"}, 0,
       "    15  01 B1 C0 00 00 00 00 00 ...  #0 option Rack\n"
       "    32  02 B1 C0 00 00 00 00 00 ...  #1 category Extras\n"
       "    49  00 00 00 01                  1 term(s)\n"
       "    53  00 00 00 01                  term 1: 1 leaf\n"
       "    57  04 00 01 00 01                 leaf Extras.Rack\n",
       ""},
      {{"decode", "646E660100000036000104", "--dump"}, 2, "", "Invalid Dnf header"},
      {{"decode", "0011", "--dump"}, 2, "", "--dump reads a binary normal form (dnf), a compiled binary (flt) or the"},
      // The effectivity of Extras.Rack: its normal form dumped as above,
      // over the domain block's table.
      {{"decode",
        "666C7404040000000001010200000000000308B1C0000000000000000000000000000101B1C000000000000000000000000009"
        "0102B1C00000000000000000000000000900010300010000010000000001000000010401020001",
        "--dump"},
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
      {{"decode", "666C7403000103010200000000000108B1C0000000000000000000000000000101000100000101", "--dump"}, 0,
       "     5  01                           view: source\n"
       "     6  03                           selection mode 1\n",
       ""},
      {{"decode", "666C740404000000000101020000000000", "--dump"}, 2,
       "    11  02 00 00                     domain 2 (Config Change)\n", "the dump stops at a part that does not"},
      // An option where the filter's dictionary should be: laid out, then refused.
      {{"decode", "666C7403000103010200000000000101B1C0000000000000000000000000000101000100000101", "--dump"}, 2,
       "    35  00 00 01                       option Bicycle: form 1\n", "ERROR : bad entry of a dictionary"},
      {{"decode", "666C7404040000000003", "--dump"}, 2, "kind: composition matrix",
       "composition matrix: 0x80004001 (not implemented)"},
      // The envelope's tables, then the binary expression: header, domain
      // table, operations, the domain's body; the operators walked, each
      // leaf as the library reads it.
      {{"decode", sc_ebe, "--dump"}, 0,
       "table 7 (criteria dictionaries):\n"
       "    46  00 00 00 01                  1 typed GUIDs\n"
       "    50  08 B1 C0 00 00 00 00 00 ...  #0 dictionary Bicycle\n"
       "table 8 (inherited effectivities):\n"
       "    67  00 00 00 00                  0 typed GUIDs\n"
       "table 9 (inherited effectivity dictionaries):\n"
       "    71  00 00 00 00                  0 typed GUIDs\n"
       "    75  65 62 65                     binary expression: magic \"ebe\", effectivity\n"
       "    78  01                           version 1\n"
       "    79  00 00 00 21                  total size 33\n"
       "    83  01                           1 domain(s)\n"
       "    84  02 00 0E                     domain 2 (Config Change), body at 14\n"
       "    87  00 00                        0 operation(s)\n"
       "body of domain 2 (Config Change):\n"
       "    89  01                             1 part(s)\n"
       "    90  06 00 00                       in the context of #0 Bicycle\n"
       "    inherited effectivity:\n"
       "    93  00                                 no node\n"
       "    criteria:\n"
       "    94  05 00 02                           Or of 2\n"
       "    97  03                                   Not\n"
       "    98  0F 07 00 00 00 01 0D 00 ...            leaf Extras.Bell\n"
       "   107  02                                   FALSE\n",
       ""},
      // A net stream counts its indices across its two tables.
      {{"decode", sc_net, "--dump"}, 0,
       "    55  01                           stream: node tree\n"
       "    56  02 00 00 00 02               Or of 2\n"
       "    61  04                             Not\n"
       "    62  0F 07 00 01 00 01 0D 00 ...      leaf Extras.Bell\n"
       "    71  0A                             FALSE\n",
       ""},
      {{"decode", "6B75760101" "0000000102B1C000000000000000000000000009990000000000", "--dump"}, 2,
       "     9  02 B1 C0 00 00 00 00 00 ...  #0 category (not in the model)\n", "is not in the model\n"},
      {{"decode", sc_ebe + "00", "--dump"}, 2, "   108  00                           bytes past the end of the binary",
       "the dump stops at a part that does not"},
  });
}

// What encode writes, in hexadecimal and as raw bytes, decode writes back
// as print writes the expression.
TEST(KuvCli, RoundTripsEachBinaryForm) {
  const std::string file = ::testing::TempDir() + "kuv_cli_binary";
  const std::string rich = "Frame{Carbon} & !Extras.Rack | Bicycle[1,500] & Date[2026/01/01,+oo]";
  const struct {
    std::vector<std::string> format;
    std::vector<std::string> input;
  } cases[] = {
      {{"dnf"}, {rich}},
      {{"flt"}, {rich}},
      {{"net"}, {rich}},
      {{"ebe"}, {rich}},
      {{"ebe", "--binary-version", "2"}, {"!(Extras.Rack | Extras.Bell) & Assist.MidMotor | TRUE"}},
      {{"ebe"}, {"--xml", "@T/filter.xml"}},  // a filter expression
      {{"ebe"}, {"--xml", "@T/change.xml"}},  // a change expression
      {{"ebe"}, {"--xml", "@T/global.xml"}},  // with global criteria
  };
  for (const auto& c : cases) {
    std::vector<std::string> print{"print"};
    print.insert(print.end(), c.input.begin(), c.input.end());
    const std::string text = run(print).out;
    const std::string label = c.format[0] + " " + c.input.back();
    std::vector<std::string> encode{"encode", "--format"};
    encode.insert(encode.end(), c.format.begin(), c.format.end());
    encode.insert(encode.end(), c.input.begin(), c.input.end());
    const Outcome hex = run(encode);
    ASSERT_EQ(0, hex.exit) << label << "\n" << hex.err;
    EXPECT_EQ(text, run({"decode", hex.out.substr(0, hex.out.size() - 1)}).out) << label;
    encode.insert(encode.end(), {"-o", file});
    ASSERT_EQ(0, run(encode).exit);
    EXPECT_EQ(text, run({"decode", "--in", file}).out) << label;
  }
  std::remove(file.c_str());
}

TEST(KuvCli, RefusesBadUsage) {
  expectCases({{{}, 2, "", "A subcommand is required"},
               {{"--help"}, 0, "filter", ""},
               {{"print", "--help"}, 0, "--display", ""},
               {{"encode", "--help"}, 0, "ebe: the binary expression", ""},
               {{"print", "TRUE"}, 2, "", "--model is required"},
               {{"print", "--model", "@M"}, 2, "", "EXPR or --xml is required"},
               {{"print", "TRUE", "--xml", "@T/effectivity.xml", "--model", "@M"}, 2, "", "EXPR excludes --xml"},
               {{"print", "TRUE", "--model", "@T/missing.xml"}, 2, "", "File does not exist"},
               {{"print", "TRUE", "--model", "@T/parts.tsv"}, 2, "", "parts.tsv:1:2: [D0] ERROR: Invalid document"},
               {{"frobnicate"}, 2, "", "A subcommand is required"}},
              false);
}

}  // namespace
