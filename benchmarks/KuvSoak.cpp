// A long-lived host in miniature: it filters objects and reads and writes
// expressions for a long time, printing its resident memory as it goes, so
// that growth shows where a microbenchmark's short runs would hide it.
//
//     kuv_soak [objects=50000000] [expressions=1000000]
//
// Objects are filtered in batches of 100,000 over one fixed set of the W5
// binaries (1% unreadable, so the refusal paths run too), through one
// KuvFilterHandler and ApplyQuery in turn; the same binaries are reused,
// distinct ones would only measure their making. Expressions rotate over a
// fixed set of texts. Every answer is checked against the first pass; a
// disagreement or a failing call exits with 1.
#include <Kuv.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KuvBenchSupport.h"
#include "KuvFilteringWorkloads.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace kuv_bench;

constexpr int kBatch = 100000;
constexpr int kTexts = 97;

long residentKB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int fail(const char* what, long long at) {
  std::fprintf(stderr, "kuv_soak: %s at %lld\n", what, at);
  return 1;
}

// Ors of one to eight Ands of one to four criteria, so that sizes vary.
std::vector<std::string> generatedTexts() {
  static const char* const kLeaves[] = {"Engine.V6", "!Engine.V8", "Color{Red}", "!Color{Blue,Green}"};
  std::mt19937 random(7);
  std::vector<std::string> texts(kTexts);
  for (std::string& text : texts) {
    for (int t = 0, terms = 1 + static_cast<int>(random() % 8); t < terms; ++t) {
      text += t > 0 ? " | (" : "(";
      for (int k = 0, leaves = 1 + static_cast<int>(random() % 4); k < leaves; ++k) {
        if (k > 0) text += " & ";
        const int from = static_cast<int>(random() % 500);
        text += random() % 3 ? kLeaves[random() % 4]
                             : "Units[" + std::to_string(from) + "," + std::to_string(from + 20) + "]";
      }
      text += ")";
    }
  }
  return texts;
}

// The expression's text as written, and written again after a round trip
// through its definition data: the second may differ from the first, as a
// negated leaf reads back as a Not and values in dictionary order.
struct ExpressionAnswer {
  KuvInString written;
  KuvInString rewritten;
  std::vector<std::uint8_t> binary;

  bool operator==(const ExpressionAnswer& o) const {
    return written == o.written && rewritten == o.rewritten && binary == o.binary;
  }
};

bool roundTrip(KuvLiteralExprReader& reader, KuvLiteralExprWriter& writer, const std::string& text,
               ExpressionAnswer& answer) {
  KuvInString error;
  std::unique_ptr<KuvEeGenericExpression> expression(reader.readExpression(text.c_str(), error, false));
  if (!expression) return false;
  answer.written = writer.write(*expression);
  KuvInList first, second;
  KuvBioBuffer* made = nullptr;
  if (FAILED(KuvCoreDependencyMngtServices::CreateDefinitionDBData(*expression, nullptr, first, second, made)))
    return false;
  const std::unique_ptr<KuvBioBuffer> binary(made);
  answer.binary.assign(binary->getBytes(), binary->getBytes() + binary->getSize());
  KuvEeGenericExpression* readBack = nullptr;
  if (FAILED(KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(*binary, first, second, readBack)))
    return false;
  const std::unique_ptr<KuvEeGenericExpression> read(readBack);
  answer.rewritten = writer.write(*read);
  return !answer.written.IsEmpty() && !answer.rewritten.IsEmpty();
}

}  // namespace

int main(int argc, char** argv) {
  const long long objectCount = argc > 1 ? std::atoll(argv[1]) : 50000000LL;
  const long long expressionCount = argc > 2 ? std::atoll(argv[2]) : 1000000LL;
  if (objectCount < 0 || expressionCount < 0) return fail("negative size", 0);
  const long startKB = residentKB();
  std::printf("start: VmRSS %ld kB\n", startKB);

  silenceReaders();
  // A count of 0 would mean the workload's own million.
  const Objects objects(W5, static_cast<int>(std::clamp<long long>(objectCount, 1, kBatch)));
  const std::vector<std::uint8_t> filter = filterBinary(W5);
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  std::vector<int> expectedResults;

  kuv_bench::SmallModel model(0x53);
  KuvLiteralExprReader reader(&model.space);
  reader.setDefaultSyntax();
  KuvLiteralExprWriter writer;
  writer.setDefaultSyntax();
  const std::vector<std::string> texts = generatedTexts();
  std::vector<ExpressionAnswer> expectedTexts;
  std::printf("set up: VmRSS %ld kB\n", residentKB());

  const Clock::time_point begin = Clock::now();
  Clock::duration filtering{}, expressions{};
  long long filtered = 0, batches = 0, done = 0;
  long maxKB = 0;
  for (int tenth = 1; tenth <= 10; ++tenth) {
    const Clock::time_point filterStart = Clock::now();
    for (; filtered < objectCount * tenth / 10; ++batches) {
      const auto count = static_cast<unsigned int>(std::min<long long>(objects.count, objectCount - filtered));
      int* answers = nullptr;
      HRESULT hr = S_OK;
      if (batches % 2 == 0)
        hr = handler.Apply(objects.binaries.data(), objects.sizes.data(), count, answers);
      else
        hr = KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                              objects.binaries.data(), objects.sizes.data(), count, answers);
      const std::unique_ptr<int, decltype(&std::free)> results(answers, &std::free);
      if (hr != S_OK || !results) return fail("filtering failed", filtered);
      if (expectedResults.empty()) expectedResults.assign(results.get(), results.get() + count);
      for (unsigned int i = 0; i < count; ++i)
        if (results.get()[i] != expectedResults[i]) return fail("filtering answer changed", filtered + i);
      filtered += count;
    }
    const Clock::time_point expressionStart = Clock::now();
    filtering += expressionStart - filterStart;
    for (; done < expressionCount * tenth / 10; ++done) {
      const std::size_t slot = static_cast<std::size_t>(done % kTexts);
      ExpressionAnswer answer;
      if (!roundTrip(reader, writer, texts[slot], answer)) return fail("expression round trip failed", done);
      if (expectedTexts.size() == slot) expectedTexts.push_back(answer);
      if (!(answer == expectedTexts[slot])) return fail("expression answer changed", done);
    }
    expressions += Clock::now() - expressionStart;
    const long kB = residentKB();
    maxKB = std::max(maxKB, kB);
    std::printf("%3d%%: %lld objects, %lld expressions, VmRSS %ld kB, %.1f s\n", tenth * 10, filtered, done, kB,
                seconds(Clock::now() - begin));
    std::fflush(stdout);
  }

  int passed = 0, unreadable = 0;
  for (int r : expectedResults) {
    passed += r == 1 ? 1 : 0;
    unreadable += r == -1 ? 1 : 0;
  }
  std::printf("end: VmRSS %ld kB (start %ld, max %ld); %.1f s\n", residentKB(), startKB, maxKB,
              seconds(Clock::now() - begin));
  std::printf("filtering: %lld objects in %.1f s, %.3g objects/s (per batch of %zu: %d pass, %d unreadable)\n",
              filtered, seconds(filtering), filtered / std::max(seconds(filtering), 1e-9), expectedResults.size(),
              passed, unreadable);
  std::printf("expressions: %lld in %.1f s, %.3g expressions/s\n", done, seconds(expressions),
              done / std::max(seconds(expressions), 1e-9));
  return 0;
}
