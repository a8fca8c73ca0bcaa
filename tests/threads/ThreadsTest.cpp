// What hosts may do at once: one filter handler applied from many threads,
// dictionaries built and deleted on several threads (they all register
// with the one process-wide life-cycle manager), tracing, and comparisons
// beside normal-form tests. Run under ThreadSanitizer
// in CI; elsewhere it still checks the answers and the registry.
#include "KuvFilteringWorkloads.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;

template <class Body>
void onThreads(int threads, Body body) {
  std::atomic<bool> go{false};
  std::vector<std::thread> running;
  for (int t = 0; t < threads; ++t)
    running.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      body(t);
    });
  go.store(true);
  for (std::thread& thread : running) thread.join();
}

TEST(Threads, OneHandlerAppliedFromEightThreadsAnswersAsOneThreadDoes) {
  const kuv_bench::Objects objects(kuv_bench::W1, 3000);
  const std::vector<std::uint8_t> filter = kuv_bench::filterBinary(kuv_bench::W1);
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  std::vector<int> expected(objects.count);
  for (int i = 0; i < objects.count; ++i)
    ASSERT_EQ(S_OK, handler.Apply(objects.binaries[i], objects.sizes[i], expected[i]));
  const auto passing = std::count(expected.begin(), expected.end(), 1);
  ASSERT_GT(passing, 0);
  ASSERT_LT(passing, objects.count);

  constexpr int kThreads = 8;
  std::vector<std::vector<int>> answers(kThreads, std::vector<int>(objects.count, -2));
  onThreads(kThreads, [&](int t) {
    // Each thread starts elsewhere, so that different objects meet at once.
    for (int k = 0; k < objects.count; ++k) {
      const int i = (k + t * objects.count / kThreads) % objects.count;
      if (handler.Apply(objects.binaries[i], objects.sizes[i], answers[t][i]) != S_OK) answers[t][i] = -3;
    }
  });
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(expected, answers[t]) << "thread " << t;
}

// A model with a state series of revisions and a selection variable of
// values; the model owns its series, the host the selection variable.
void buildAndDelete(int thread, int round) {
  const unsigned base = 100000u * static_cast<unsigned>(thread + 1) + 100u * static_cast<unsigned>(round);
  auto* model = new KuvEeModelDico("Model", Guid(base).guid());
  ASSERT_EQ(S_OK, model->enableEvolutionSeries(KuvEeSerialVar::STATE));
  KuvEeSerialVar* states = model->getSeriesVariable(KuvEeSerialVar::STATE);
  ASSERT_NE(nullptr, states);
  for (std::uint32_t seq = 1; seq <= 5; ++seq)
    ASSERT_EQ(S_OK, states->addRevision(new KuvEeSerialVarValue("R", Guid(base + seq).data(), "A", seq, states)));
  auto color = std::make_unique<KuvEeSelectionVar>("Color", Guid(base + 10).data());
  for (unsigned v = 0; v < 5; ++v)
    ASSERT_NE(nullptr, color->addValue(KuvInString::FromNum(static_cast<int>(v)), Guid(base + 20 + v).data()));
  ASSERT_EQ(S_OK, model->addConfigFeature(color.get()));
  const KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  EXPECT_TRUE(registry.isRegistered(model));
  EXPECT_TRUE(registry.isRegistered(states));
  EXPECT_TRUE(registry.isRegistered(color.get()));
  delete model;
}

TEST(Threads, DictionariesBuiltOnFourThreadsLeaveTheRegistryConsistent) {
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  const std::int32_t before = registry.getCount();
  onThreads(4, [](int t) {
    for (int round = 0; round < 300; ++round) buildAndDelete(t, round);
  });
  EXPECT_EQ(before, registry.getCount());
}

// Each round traces the calls of a tree's text and one error.
void traceRounds(int rounds) {
  auto* top = new KuvEeAndOp;
  auto* inner = new KuvEeOrOp;
  inner->addChild(new KuvEeFalse);
  top->addChild(new KuvEeTrue);
  top->addChild(inner);
  const std::unique_ptr<KuvEeNodeRef> tree(top->getNodeRef());
  for (int round = 0; round < rounds; ++round) {
    EXPECT_FALSE(tree->toString().IsEmpty());
    KUV_TRACE_ERROR_ON(KuvEeAndOp::traceChannel(), "ERROR: round ", round);
  }
}

// A label, depth marks, then an entry, an exit or one of an error's lines.
bool isWholeLine(const std::string& line) {
  std::size_t at = line.find(" =>  ");
  if (at != KuvInTraceClass::sc_maxLength) return false;
  for (at += 5; line.compare(at, 2, ": ") == 0;) at += 2;
  const std::string rest = line.substr(at);
  auto startsWith = [&](const char* head) { return rest.rfind(head, 0) == 0; };
  return rest == ">>>> toString {" || rest == "}" ||
         (startsWith("<ERROR> ThreadsTest.cpp(") && rest.back() == ')') ||
         (startsWith("        ERROR: round ") && rest.find_first_not_of("0123456789", 21) == std::string::npos);
}

// Lines of several threads never mix, an error's two lines stay together,
// and each thread indents by its own call depth.
TEST(Threads, TracesOfFourThreadsKeepTheirLinesAndDepths) {
  kuv_test::ScopedFlags andOp(KuvEeAndOp::traceChannel(), 3), orOp(KuvEeOrOp::traceChannel(), 3),
      ref(KuvEeNodeRef::traceChannel(), 3);
  const std::string alone = kuv_test::captured([] { traceRounds(1); });
  const std::string together = kuv_test::captured([] { onThreads(4, [](int) { traceRounds(50); }); });
  auto depths = [](const std::string& out, int& lines) {
    std::istringstream in(out);
    std::size_t deepest = 0;
    for (std::string line; std::getline(in, line); ++lines) deepest = std::max(deepest, line.find(">>>>"));
    return deepest;
  };
  int aloneLines = 0, lines = 0;
  EXPECT_EQ(depths(alone, aloneLines), depths(together, lines));
  EXPECT_EQ(4 * 50 * aloneLines, lines);
  std::istringstream in(together);
  for (std::string line, previous; std::getline(in, line); previous = line) {
    ASSERT_TRUE(isWholeLine(line)) << line;
    ASSERT_EQ(previous.find("<ERROR>") != std::string::npos, line.find("ERROR: round") != std::string::npos) << line;
  }
}

// One term of one serial leaf, units 1 to 5 of variable n.
KuvDnf* unitsOf(unsigned n) {
  KuvInListVal ranges(KuvInSerialInterval::sType());
  KuvInSerialInterval range;
  range.setInterval(1, true, 5, true);
  ranges.PutBack(range);
  KuvDnfAndTerm* term = KuvDnfAndTermFactory::create(KuvDnfAndTermFactory::Map, 1);
  EXPECT_EQ(S_OK, term->addDnfLeaf(*new KuvDnfSerialEff(Guid(n).guid(), ranges, KuvDnfSerialEff::UNIT, false, false)));
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  return dnf;
}

// A comparison with exclusive variables sets the switch for its own thread:
// two serial variables then never meet there, and still meet elsewhere.
TEST(Threads, ComparisonsKeepTheExclusiveVariablesSwitchToTheirThread) {
  onThreads(4, [](int t) {
    const std::unique_ptr<KuvDnf> v(unitsOf(1)), w(unitsOf(2));
    KuvInList list(KuvDnf::sType());
    list.PutBack(w.get());
    for (int round = 0; round < 300; ++round) {
      unsigned char* results = nullptr;
      unsigned char out = 2;
      if (t % 2 == 0) {
        ASSERT_EQ(S_OK, KuvFilteringComparison::Compare_DNF_To_DNF(KuvFilteringComparison::CompareIntersect, *v,
                                                                   list, results, 1));
        out = results[0];
        std::free(results);
      } else {
        ASSERT_EQ(S_OK, v->isIntersect(*w, out));
      }
      ASSERT_EQ(t % 2 == 0 ? 0 : 1, out) << "thread " << t;
    }
  });
}

}  // namespace
