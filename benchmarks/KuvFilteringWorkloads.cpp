#include "KuvFilteringWorkloads.h"

#include <Kuv.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>

#include "KuvBenchSupport.h"

namespace kuv_bench {
namespace {

constexpr unsigned char kTag = 0x46;
constexpr int kPatterns = 1024;
constexpr int kVariables = 10;
constexpr int kValues = 4;

KuvInGuid variable(int v) { return KuvInGuid(guid(10 + v, kTag).data()); }
const KuvInGuid kUnit(guid(2, kTag).data());
const KuvInGuid kDate(guid(3, kTag).data());
KuvInGuid value(int v, int k) { return KuvInGuid(guid(100 + 10 * v + k, kTag).data()); }
const KuvInGuid kDictionary(guid(1, kTag).data());

KuvDnfSelectionEff* selection(int v, std::initializer_list<int> values) {
  auto* leaf = new KuvDnfSelectionEff(variable(v), static_cast<std::int32_t>(values.size()), false, false);
  for (int k : values) leaf->putValue(value(v, k));
  return leaf;
}

std::vector<std::uint8_t> compiled(const KuvInObject& object) {
  KuvBioBufferOut out;
  KuvCompiledBinaryParser::Write(object, out);
  return std::vector<std::uint8_t>(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

// Ten selection leaves; W1 admits values 0 and 1 on variables 0..6, 0..2
// on the others; W4 a value no object uses.
KuvDnf* selectionFilterDnf(bool none) {
  auto* term = new KuvDnfAndTermMap(kVariables);
  for (int v = 0; v < kVariables; ++v)
    term->addDnfLeaf(none    ? *selection(v, {kValues})
                     : v < 7 ? *selection(v, {0, 1})
                             : *selection(v, {0, 1, 2}));
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  return dnf;
}

KuvInListVal serialRanges(std::initializer_list<std::pair<int, int>> ranges) {
  KuvInListVal list(KuvInSerialInterval::sType());
  for (auto [from, to] : ranges) {
    KuvInSerialInterval range;
    range.setInterval(from, true, to, false);
    list.PutBack(range);
  }
  return list;
}

KuvInListVal dateRange(int fromDay, int toDay) {
  KuvInDateInterval range;
  range.setInterval(KuvInDate(2020, 1 + fromDay / 28, 1 + fromDay % 28, 1, 1, 1),
                    KuvInDate(2020, 1 + toDay / 28, 1 + toDay % 28, 24, 60, 60));
  KuvInListVal list(KuvInDateInterval::sType());
  list.PutBack(range);
  return list;
}

// W2: unit 500 on a day in June.
KuvDnf* unitAndDateFilterDnf() {
  auto* term = new KuvDnfAndTermMap(2);
  term->addDnfLeaf(
      *new KuvDnfSerialEff(kUnit, serialRanges({{500, 501}}), KuvDnfSerialEff::UNIT, false, false));
  term->addDnfLeaf(*new KuvDnfDateEff(kDate, dateRange(150, 150), false, false));
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  return dnf;
}

// An option of group's eight variables: a term's options take distinct groups.
KuvDnfOptionEff* option(std::mt19937& random, int group = 0) {
  const bool negated = random() % 2;  // drawn first on every compiler
  return new KuvDnfOptionEff(KuvInGuid(guid(50 + 8 * group + random() % 8, kTag).data()),
                             KuvInGuid(guid(49, kTag).data()), KuvDnfOptionEff::Selected, negated);
}

std::vector<std::uint8_t> smallObjectBinary(std::mt19937& random) {
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  for (int t = 0; t < 2; ++t) {
    auto* term = new KuvDnfAndTermMap(4);
    std::vector<int> vars(kVariables);
    for (int v = 0; v < kVariables; ++v) vars[v] = v;
    std::shuffle(vars.begin(), vars.end(), random);
    for (int i = 0; i < 3; ++i) term->addDnfLeaf(*selection(vars[i], {static_cast<int>(random() % kValues)}));
    term->addDnfLeaf(*option(random));
    dnf->addAndTerm(term);
  }
  KuvFltEffectivity effectivity;
  effectivity.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, kDictionary, dnf);
  return compiled(effectivity);
}

std::vector<std::uint8_t> unitObjectBinary(std::mt19937& random) {
  const int first = static_cast<int>(random() % 1000);
  const int day = static_cast<int>(random() % 300);
  auto* term = new KuvDnfAndTermMap(4);
  term->addDnfLeaf(*new KuvDnfSerialEff(kUnit,
                                        serialRanges({{first, first + 100}, {first + 200, first + 300}}),
                                        KuvDnfSerialEff::UNIT, false, false));
  term->addDnfLeaf(*new KuvDnfDateEff(kDate, dateRange(day, day + 30), false, false));
  term->addDnfLeaf(*option(random));
  term->addDnfLeaf(*option(random, 1));
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  KuvFltEffectivity effectivity;
  effectivity.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, kDictionary, dnf);
  return compiled(effectivity);
}

// Terms of eight leaves: five selections of one value, two options, a unit.
KuvDnf* largeDnf(std::mt19937& random) {
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  for (int t = 0; t < 20; ++t) {
    auto* term = new KuvDnfAndTermMap(8);
    std::vector<int> vars(kVariables);
    for (int v = 0; v < kVariables; ++v) vars[v] = v;
    std::shuffle(vars.begin(), vars.end(), random);
    for (int i = 0; i < 5; ++i) term->addDnfLeaf(*selection(vars[i], {static_cast<int>(random() % kValues)}));
    term->addDnfLeaf(*option(random));
    term->addDnfLeaf(*option(random, 1));
    const int first = static_cast<int>(random() % 1000);
    term->addDnfLeaf(*new KuvDnfSerialEff(kUnit, serialRanges({{first, first + 50}}), KuvDnfSerialEff::UNIT,
                                          false, false));
    dnf->addAndTerm(term);
  }
  return dnf;
}

std::vector<std::uint8_t> largeObjectBinary(std::mt19937& random) {
  KuvFltEffectivity effectivity;
  for (int d = 0; d < 3; ++d)
    for (KuvExpressionView view : {CFG_EXPRVIEW_SOURCE, CFG_EXPRVIEW_CURRENT, CFG_EXPRVIEW_PROJECTED})
      for (int k = 0; k < 5; ++k)
        effectivity.setDnf(static_cast<KuvDiversityDomain>(KuvDiversityDomain_ConfigChange + d), view,
                           k == 0 ? kDictionary : KuvInGuid(guid(5 + k, kTag).data()), largeDnf(random));
  return compiled(effectivity);
}

int objectCount(Workload w) { return w == W3 ? 100000 : 1000000; }

}  // namespace

std::vector<std::uint8_t> filterBinary(Workload w) {
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  if (w == W2) {
    filter.setDnf(KuvDiversityDomain_ConfigChange, kDictionary, unitAndDateFilterDnf());
  } else if (w == W3) {
    for (int d = 0; d < 3; ++d)
      filter.setDnf(static_cast<KuvDiversityDomain>(KuvDiversityDomain_ConfigChange + d), kDictionary,
                    selectionFilterDnf(false));
  } else {
    filter.setDnf(KuvDiversityDomain_ConfigChange, kDictionary, selectionFilterDnf(w == W4));
  }
  return compiled(filter);
}

Objects::Objects(Workload w, int n) : count(n > 0 ? n : objectCount(w)) {
  const int truncatedPerCent = w == W5 ? 1 : 0;
  std::mt19937 random(11);
  std::vector<std::vector<std::uint8_t>> patterns;
  for (int i = 0; i < (w == W3 ? 100 : kPatterns); ++i)
    patterns.push_back(w == W2   ? unitObjectBinary(random)
                       : w == W3 ? largeObjectBinary(random)
                                 : smallObjectBinary(random));
  std::vector<int> chosen(w == W3 ? std::min(2000, count) : count);
  std::size_t total = 0;
  for (int& c : chosen) total += patterns[c = static_cast<int>(random() % patterns.size())].size();
  arena.resize(total);
  std::size_t at = 0;
  for (int c : chosen) {
    std::memcpy(arena.data() + at, patterns[c].data(), patterns[c].size());
    binaries.push_back(arena.data() + at);
    const bool truncated = static_cast<int>(random() % 100) < truncatedPerCent;
    sizes.push_back(static_cast<unsigned int>(truncated ? patterns[c].size() / 2 : patterns[c].size()));
    at += patterns[c].size();
  }
  for (int i = static_cast<int>(chosen.size()); i < count; ++i) {
    binaries.push_back(binaries[i % chosen.size()]);
    sizes.push_back(sizes[i % chosen.size()]);
  }
  for (unsigned int size : sizes) bytes += size;
}

const Objects& objects(Workload w) {
  static std::unique_ptr<Objects> made[W5 + 1];
  const Workload stored = w == W4 ? W1 : w;
  if (!made[stored]) made[stored] = std::make_unique<Objects>(stored);
  return *made[stored];
}

void silenceReaders() {
  for (KuvInTraceClass* channel : {&KuvCompiledBinaryParser::traceChannel(), &KuvBioBuffer::traceChannel(),
                                   &KuvBioDnfReader::traceChannel(), &KuvBioTypedIdsReader::traceChannel(),
                                   &KuvFilterHandler::traceChannel()})
    channel->setFlags(0);
}

}  // namespace kuv_bench
