#include <filesystem>

#include "support/KuvTestSupport.h"

// Builds private managers so configuration rules can be checked without
// touching the process-wide one.
struct KuvInTraceMngrTestPeer {
  static KuvInTraceMngr* fromWords(const char* words) {
    auto* manager = new KuvInTraceMngr(false);
    manager->loadOptionsFromString(words);
    return manager;
  }
  static unsigned char flags(const KuvInTraceMngr& manager, const char* name) {
    return manager.getFlags(name);
  }
  static HRESULT loadFile(KuvInTraceMngr& manager) { return manager.loadOptionsFromOptionFile(); }
  static KuvInTraceMngr* empty() { return new KuvInTraceMngr(false); }
};

namespace {

using Peer = KuvInTraceMngrTestPeer;

// Sets (null: unsets) an environment variable for one scope.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    set(value);
  }
  ~ScopedEnv() { set(m_old ? m_old->c_str() : nullptr); }

private:
  void set(const char* value) {
    value != nullptr ? setenv(m_name.c_str(), value, 1) : unsetenv(m_name.c_str());
  }

  std::string m_name;
  std::optional<std::string> m_old;
};

using kuv_test::ScopedFlags;

// A manager that loaded the option file found under these variables (null:
// unset).
std::unique_ptr<KuvInTraceMngr> loaded(const char* orbDir, const char* home, HRESULT expected) {
  ScopedEnv orb("OrbTraDecDir", orbDir), homeDir("HOME", home);
  std::unique_ptr<KuvInTraceMngr> manager(Peer::empty());
  EXPECT_EQ(Peer::loadFile(*manager), expected);
  return manager;
}

}  // namespace

TEST(KuvInTraceMngr, ActivationWordsGiveFlags) {
  std::unique_ptr<KuvInTraceMngr> manager(Peer::fromWords(
      "KuvEeNode KuvInMap-None\tA-Error B-Verbose\nC-Error C-None D D-Error -k E-Error E"));
  struct { const char* name; unsigned char flags; } cases[] = {
      {"KuvEeNode", 3}, {"KuvInMap", 0}, {"A", 1}, {"B", 7},
      {"C", 0},          // -None wins over every other word for the same name
      {"D", 3},          // the plain word is tested after -Error
      {"E", 3},          {"Unconfigured", 1}, {"-k", 1}};
  for (const auto& c : cases) EXPECT_EQ(Peer::flags(*manager, c.name), c.flags) << c.name;
}

TEST(KuvInTraceMngr, OptionFileIsReadFromOrbTraDecDirThenHome) {
  std::string dir = testing::TempDir() + "kuv_trace_opts";
  std::filesystem::create_directories(dir);
  std::remove((dir + "/opfile.1").c_str());
  { std::ofstream(dir + "/.optionfile1") << "Fallback-Verbose"; }

  EXPECT_EQ(Peer::flags(*loaded(dir.c_str(), nullptr, S_OK), "Fallback"), 7);
  { std::ofstream(dir + "/opfile.1") << "First\n"; }
  std::unique_ptr<KuvInTraceMngr> fromHome = loaded(nullptr, dir.c_str(), S_OK);
  EXPECT_EQ(Peer::flags(*fromHome, "First"), 3);
  EXPECT_EQ(Peer::flags(*fromHome, "Fallback"), 1);
  { std::ofstream(dir + "/opfile.1"); }  // empty file
  loaded(dir.c_str(), nullptr, E_FAIL);
  loaded(nullptr, nullptr, E_FAIL);
  std::filesystem::remove_all(dir);
}

// Shorter names are padded as the exact traces below show.
TEST(KuvInTraceClass, LabelIsNamePaddedOrCutTo25) {
  KuvInTraceClass longName("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
  EXPECT_STREQ(longName.getLabel(), "ABCDEFGHIJKLMNOPQRSTUVWXY =>  ");
  EXPECT_STREQ(KuvInTraceMngr::sc_pszTraceMngrPs1, "KuvInTraceMngr            =>  ");
}

namespace {
int g_errorLine = 0;
// The parts of the lines traced so far, evaluated.
int g_detailParts = 0;
int g_errorParts = 0;
HRESULT failingOperation(KuvInTraceClass& channel, int depth) {
  KUV_TRACE_CALL_ON(channel, "failingOperation");
  if (depth > 0) return failingOperation(channel, depth - 1);
  KUV_TRACE_DETAIL_ON(channel, "value=", (++g_detailParts, 42));
  g_errorLine = __LINE__ + 1;
  KUV_TRACE_ERROR_ON(channel, (++g_errorParts, "ERROR: Incorrect/Unexpected case"));
  return E_FAIL;
}
}  // namespace

TEST(KuvInTraceClass, CallErrorAndDetailLinesAreExact) {
  KuvInTraceClass channel("TestChannel");
  ScopedFlags flags(channel, 3);
  const std::string out = kuv_test::captured([&] { EXPECT_EQ(failingOperation(channel, 1), E_FAIL); });
  const std::string label = "TestChannel               =>  ";
  std::string expected = label + ">>>> failingOperation {\n" +
                         label + ": >>>> failingOperation {\n" +
                         label + ": : value=42\n" +
                         label + ": : <ERROR> KuvInTraceTest.cpp(" + std::to_string(g_errorLine) + ")\n" +
                         label + ": :         ERROR: Incorrect/Unexpected case\n" +
                         label + ": }\n" +
                         label + "}\n";
  EXPECT_EQ(out, expected);
  EXPECT_EQ(KuvInTraceClass::s_lvl, 0);
}

TEST(KuvInTraceClass, FlagsDecideWhatPrints) {
  KuvInTraceClass channel("Quiet");
  struct { unsigned char flags; bool errors, calls; } cases[] = {
      {0, false, false}, {1, true, false}, {2, false, true}, {3, true, true}};
  for (const auto& c : cases) {
    ScopedFlags flags(channel, c.flags);
    g_detailParts = g_errorParts = 0;
    const std::string out = kuv_test::captured([&] { failingOperation(channel, 0); });
    EXPECT_EQ(out.find("<ERROR>") != std::string::npos, c.errors) << int(c.flags);
    EXPECT_EQ(out.find(">>>>") != std::string::npos, c.calls) << int(c.flags);
    // A line that does not print costs nothing: its parts are not evaluated.
    EXPECT_EQ(g_errorParts, c.errors ? 1 : 0) << int(c.flags);
    EXPECT_EQ(g_detailParts, c.calls ? 1 : 0) << int(c.flags);
    EXPECT_EQ(KuvInTraceClass::s_lvl, 0);
  }
}

TEST(KuvInTraceClass, ValueFormats) {
  KuvInTraceClass channel("Formats");
  const std::string out = kuv_test::captured([&] {
    channel.beginTrace() << -3 << " " << 4000000000u << " " << -5L << " " << 1.5f << " " << 0.25 << " "
                         << "txt"
                         << " " << KuvInString("uni");
    channel.endTrace();
  });
  EXPECT_EQ(out, "Formats                   =>  -3 4000000000 -5 1.500000 0.250000 txt uni\n");
}

TEST(KuvInTraceTrigger, TriggersPropagateIntoNamedChannelsAndStopAtCycles) {
  std::unique_ptr<KuvInTraceMngr> manager(Peer::fromWords("Group"));
  KuvInTraceClass driven("DrivenChannel"), silent("SilentChannel");
  manager->registerTrace("DrivenChannel", &driven);
  manager->registerTrace("SilentChannel", &silent);
  driven.setFlags(1);
  silent.setFlags(0);
  // Two triggers naming each other: the propagation must end.
  KuvInTraceTrigger group("Group", "DrivenChannel SilentChannel Other"), other("Other", "Group");
  manager->registerTrigger("Group", &group);
  manager->registerTrigger("Other", &other);
  EXPECT_EQ(driven.getFlags(), 3);  // 1 | flags of "Group" (3)
  EXPECT_EQ(silent.getFlags(), 0);  // zero flags stay zero
  // A trigger starts with flags 0, so a channel registered later that only
  // triggers name is silenced.
  EXPECT_EQ(Peer::flags(*manager, "Other"), 0);
}

// The process's manager refers to a host's trigger only while it lives.
TEST(KuvInTraceTrigger, ADestroyedTriggerDrivesNothingAndIsNotDeletedAgain) {
  {
    KuvInTraceTrigger scoped("Scoped", "LaterChannel");
    KuvInTraceMngr::getInstance().registerTrigger("Scoped", &scoped);
  }
  KuvInTraceClass later("LaterChannel");
  EXPECT_EQ(later.getFlags(), 1);
}
