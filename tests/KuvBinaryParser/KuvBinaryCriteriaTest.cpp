// The date and option/selection leaves of binary expressions: exact bytes,
// the selected-by routing of values, the light parser, refusals and
// truncations.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "KuvBinaryDatesEff.h"
#include "KuvBinaryExprData.h"
#include "KuvBinaryFeatureEff.h"
#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvInDateInterval.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;
using Bytes = std::vector<std::uint8_t>;

// volatile: [red, date]; criteria: [wheels, w16, red]; rule: [w17, blue];
// default: [w18]; dismissed: [w19].
struct Model {
  KuvEeDateVar date{"Date", Guid(1).data()};
  KuvEeSelectionVar wheels{"Wheels", Guid(2).data()};
  KuvEeSelectionValue* w16 = wheels.addValue("16", Guid(3).data());
  KuvEeSelectionValue* w17 = wheels.addValue("17", Guid(4).data());
  KuvEeSelectionValue* w18 = wheels.addValue("18", Guid(5).data());
  KuvEeSelectionValue* w19 = wheels.addValue("19", Guid(6).data());
  KuvEeBasicOptionVar red{"Red", Guid(7).guid()};
  KuvEeBasicOptionVar blue{"Blue", Guid(8).guid()};
  KuvBinaryExprData data;

  Model() {
    data.addVolatileCriteria(red);
    data.addVolatileCriteria(date);
    for (KuvInObject* criterion : {static_cast<KuvInObject*>(&wheels), static_cast<KuvInObject*>(w16),
                                   static_cast<KuvInObject*>(&red)})
      data.addExprCriteria(*criterion);
    data.addExprCriteriaRule(*w17);
    data.addExprCriteriaRule(blue);
    data.addExprCriteriaDefault(*w18);
    data.addExprCriteriaDismissed(*w19);
  }
};

Bytes bytesOf(const KuvBioBufferOut& out) { return Bytes(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength()); }

template <class Eff>
Bytes written(const Eff& eff, const KuvBinaryExprData& data) {
  KuvBioBufferOut out;
  if constexpr (std::is_same_v<Eff, KuvEeDateEff>) {
    EXPECT_EQ(S_OK, KuvBinaryDatesEff::write(eff, data, out));
  } else {
    EXPECT_EQ(S_OK, KuvBinaryFeatureEff::write(eff, data, out));
  }
  return bytesOf(out);
}

// Reads a whole leaf, type byte included; the effectivity read, or null.
std::unique_ptr<KuvEeVarEff> readLeaf(const Bytes& bytes, KuvBinaryExprData& data, bool flag, HRESULT& hr) {
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  in.increment(1);
  KuvEeVarEff* eff = nullptr;
  if (bytes[0] == KuvBinaryDatesEff::sc_nodeType) {
    KuvEeDateEff* dates = nullptr;
    hr = KuvBinaryDatesEff::read(in, data, dates);
    eff = dates;
  } else {
    hr = KuvBinaryFeatureEff::read(in, data, flag, eff);
  }
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(bytes.size(), in.getPosition());
  }
  return std::unique_ptr<KuvEeVarEff>(eff);
}

Bytes rewritten(const Bytes& bytes, KuvBinaryExprData& data, bool flag = false) {
  HRESULT hr = E_FAIL;
  const std::unique_ptr<KuvEeVarEff> eff = readLeaf(bytes, data, flag, hr);
  if (FAILED(hr)) return {};
  if (const auto* dates = KuvEeDateEff::cast(*eff)) return written(*dates, data);
  return written(static_cast<const KuvEeVarEff&>(*eff), data);
}

KuvEeDateEff dates(Model& m, const std::vector<std::pair<KuvInDate, KuvInDate>>& ranges) {
  KuvEeDateEff eff(&m.date, KuvEeDateEff::AllFalse);
  KuvInListVal list(KuvInDateInterval::sType());
  for (const auto& [a, b] : ranges) {
    KuvInDateInterval interval;
    interval.setIntervalNoCheck(a, b);
    list.PutBack(interval);
  }
  EXPECT_EQ(S_OK, eff.set(list));
  return eff;
}

KuvInDate infinity(bool positive) {
  KuvInDate date;
  positive ? date.setInfPos() : date.setInfNeg();
  return date;
}

TEST(KuvBinaryCriteria, DateBytes) {
  Model m;
  const struct {
    KuvEeDateEff eff;
    Bytes bytes;
  } cases[] = {
      {dates(m, {{KuvInDate(2020, 1, 2, 1, 1, 1), KuvInDate(2021, 3, 4, 13, 31, 16)}}),
       {14, 1, 0, 0, 0, 1, 0, 1, 9, 0x07, 0xE4, 1, 2, 1, 1, 1, 0x07, 0xE5, 3, 4, 13, 31, 16}},
      {dates(m, {{infinity(false), infinity(true)}}),
       {14, 1, 0, 0, 0, 1, 0, 1, 9, 0, 0, 0, 0, 0, 0, 0, 0x4E, 0x20, 13, 32, 24, 60, 62}},
      {dates(m, {{KuvInDate(1999, 12, 31, 24, 60, 60), KuvInDate(true)}}),
       {14, 1, 0, 0, 0, 1, 0, 1, 9, 0x07, 0xCF, 12, 31, 24, 60, 60, 0x27, 0x0F, 12, 31, 24, 60, 61}},
      {KuvEeDateEff(&m.date, KuvEeDateEff::AllTrue), {14, 1, 0, 0, 0, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.bytes, written(c.eff, m.data));
    EXPECT_EQ(c.bytes, rewritten(c.bytes, m.data));
  }
  // Dates stored without their time take the ends of their days.
  const Bytes dayOnly{14, 1, 0, 0, 0, 1, 0, 1, 0, 0x07, 0xE4, 1, 2, 0x07, 0xE5, 3, 4};
  EXPECT_EQ((Bytes{14, 1, 0, 0, 0, 1, 0, 1, 9, 0x07, 0xE4, 1, 2, 1, 1, 1, 0x07, 0xE5, 3, 4, 24, 60, 60}),
            rewritten(dayOnly, m.data));
}

TEST(KuvBinaryCriteria, FeatureBytesAndRouting) {
  Model m;
  KuvEeSelectionEff selection(&m.wheels, KuvEeSelectionEff::AllFalse);
  selection.add(m.w16, KuvCriteriaSelectedBy_UserSelected);
  selection.add(m.w18, KuvCriteriaSelectedBy_DefaultValue);
  selection.add(m.w17, KuvCriteriaSelectedBy_RuleDeduced);
  // By index, then number: w17 and w18 both at 0 in their lists.
  const Bytes bytes{15, 7, 0, 0, 0, 3, 21, 0, 0, 29, 0, 0, 13, 0, 1};
  EXPECT_EQ(bytes, written(selection, m.data));
  EXPECT_EQ(bytes, rewritten(bytes, m.data));
  EXPECT_EQ((Bytes{15, 7, 0, 2, 0, 1, 13, 0, 2}), written(KuvEeOptionEff(&m.red, KuvEeOptionEff::T), m.data));
  const Bytes blueF{15, 7, 0, 1, 0, 1, 21, 0, 1};
  EXPECT_EQ(blueF, written(KuvEeOptionEff(&m.blue, KuvEeOptionEff::F), m.data));
  EXPECT_EQ(blueF, rewritten(blueF, m.data));

  // Numbers 1 and 2 go to the dismissed and incompatible lists under the
  // flag, unless those lists are empty.
  const struct {
    std::uint8_t number;
    bool flag;
    const char* expected;
  } routes[] = {{1, false, nullptr}, {1, true, "19"}, {2, false, "17"}, {2, true, "17"}, {3, true, "18"}};
  for (const auto& r : routes) {
    HRESULT hr = S_OK;
    const Bytes leaf{15, 7, 0, 0, 0, 1, static_cast<std::uint8_t>(r.number * 8 + 5), 0, 0};
    const auto eff = readLeaf(leaf, m.data, r.flag, hr);
    ASSERT_EQ(r.expected != nullptr, SUCCEEDED(hr)) << int(r.number) << r.flag;
    if (eff != nullptr) {
      const auto& values = KuvEeSelectionEff::cast(*eff)->getValues();
      ASSERT_EQ(1, values.GetLength());
      EXPECT_EQ(r.expected, kuv_test::text(*values.cBegin().Get()).substr(16, 2));
    }
  }
}

TEST(KuvBinaryCriteria, WriteRefusals) {
  Model m;
  KuvEeDateVar unlisted("Unlisted", Guid(9).data());
  KuvEeSelectionEff empty(&m.wheels, KuvEeSelectionEff::AllTrue);
  KuvEeSelectionEff unlistedValue(&m.wheels, KuvEeSelectionEff::AllFalse);
  KuvEeSelectionValue* w20 = m.wheels.addValue("20", Guid(10).data());
  unlistedValue.add(w20);
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: Wrong index value for date var.",
                KuvBinaryDatesEff::write(KuvEeDateEff(&unlisted, KuvEeDateEff::AllTrue), m.data, out));
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to retrieve number of SelectionValues.",
                KuvBinaryFeatureEff::write(empty, m.data, out));
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to retrieve SelectionValue index.",
                KuvBinaryFeatureEff::write(unlistedValue, m.data, out));
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to retrieve Feature option holder object Index.",
                KuvBinaryFeatureEff::write(KuvEeOptionEff(&m.red, KuvEeOptionEff::T | KuvEeOptionEff::N), m.data, out));
  EXPECT_TRACES(E_FAIL, "ERROR: Unexpected type of FeatureEff.",
                KuvBinaryFeatureEff::write(KuvEeDateEff(&m.date, KuvEeDateEff::AllTrue), m.data, out));
}

TEST(KuvBinaryCriteria, ReadRefusals) {
  const struct {
    const char* message;
    Bytes bytes;
    bool fake;
  } cases[] = {
      {"ERROR: unexpected end of binary", {14}, false},
      {"ERROR: Unexpected to not have a date index.", {14, 0}, false},
      {"ERROR: Unable to read KuvEeDateVar index.", {14, 1, 0, 0}, false},
      {"ERROR: Failed to retrieve a dependency for a date at index : 9", {14, 1, 0, 0, 0, 9}, false},
      {"ERROR: Failed to retrieve a dependency for a date at index : 65536", {14, 1, 0, 1, 0, 0}, true},
      {"ERROR: Dependency at index : 0 is not of date type as expected.", {14, 1, 0, 0, 0, 0}, false},
      {"ERROR: Unable to read number of intervals.", {14, 1, 0, 0, 0, 1, 0}, false},
      {"ERROR: unexpected end of binary", {14, 1, 0, 0, 0, 1, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      {"ERROR : ReadDateAndTime failed for InfBound", {14, 1, 0, 0, 0, 1, 0, 1, 0, 7, 0xD0, 2, 30, 7, 0xD0, 3, 1}, false},
      {"ERROR: setDate FAILED.", {14, 1, 0, 0, 0, 1, 0, 1, 1, 7, 0xD0, 2, 1, 7, 0xD0, 3, 1, 25, 1, 1}, false},
      {"ERROR : ReadDateAndTime failed for SupBound.", {14, 1, 0, 0, 0, 1, 0, 1, 1, 7, 0xD0, 2, 1, 7, 0xD0, 3, 1, 1}, false},
      {"ERROR: unexpected end of binary", {15}, false},
      {"ERROR: Currently unsupported to have a FALSE hasChildFeature.", {15, 5}, false},
      {"ERROR: Currently unsupported to have a FALSE globalValue.", {15, 6}, false},
      {"ERROR: This Binary version is incompatible with light parser because we can't retrieve holder object index.",
       {15, 3, 0, 1, 13, 0, 2}, true},
      {"ERROR: Number of options can't be zero.", {15, 7, 0, 0, 0, 0}, false},
      {"ERROR: unexpected end of binary", {15, 7, 0, 0, 0xFF, 0xFF, 13, 0, 0}, false},
      {"ERROR: unexpected.", {15, 7, 0, 0, 0, 1, 9, 0, 1}, false},
      {"ERROR: unexpected.", {15, 7, 0, 0, 0, 1, 15, 0, 1}, false},
      {"ERROR: currently unsupported to have a Global Value.", {15, 7, 0, 0, 0, 1, 12, 0, 1}, false},
      {"ERROR: Retrieved feature option object is neither a selectionValue nor an optionVar. DicoObject (Wheels)",
       {15, 7, 0, 0, 0, 1, 5, 0, 0}, false},
      {"ERROR: Retrieved feature option object is neither a selectionValue nor an optionVar. ",
       {15, 7, 0, 2, 0, 2, 13, 0, 2, 13, 0, 1}, false},
  };
  for (const auto& c : cases) {
    Model m;
    if (c.fake) m.data.setDependenciesType(KuvBinaryExprData::FakeDependencies);
    HRESULT hr = S_OK;
    std::unique_ptr<KuvEeVarEff> eff;
    const std::string traced = kuv_test::captured([&] { eff = readLeaf(c.bytes, m.data, false, hr); });
    EXPECT_EQ(E_FAIL, hr) << c.message;
    EXPECT_NE(std::string::npos, traced.find(c.message)) << traced;
    EXPECT_EQ(nullptr, eff);
  }
}

// The light parser makes up every object and writes the same bytes; every
// prefix of a leaf fails, with real and with made-up dependencies.
TEST(KuvBinaryCriteria, LightParserAndPrefixes) {
  const Bytes leaves[] = {{14, 1, 0, 0, 0, 3, 0, 1, 9, 0x07, 0xE4, 1, 2, 1, 1, 1, 0x07, 0xE5, 3, 4, 13, 31, 16},
                          {15, 7, 0, 0, 0, 3, 21, 0, 0, 29, 0, 0, 13, 0, 1},
                          {15, 7, 0, 1, 0, 1, 21, 0, 1}};
  const kuv_test::ScopedFlags quietDates(KuvBinaryDatesEff::traceChannel(), 0);
  const kuv_test::ScopedFlags quietFeatures(KuvBinaryFeatureEff::traceChannel(), 0);
  const kuv_test::ScopedFlags quietBuffer(KuvBioBuffer::traceChannel(), 0);
  for (const Bytes& leaf : leaves) {
    KuvBinaryExprData fake;
    fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
    EXPECT_EQ(leaf, rewritten(leaf, fake));
    for (std::size_t length = 1; length < leaf.size(); ++length)
      for (const bool isFake : {false, true}) {
        Model m;
        if (isFake) m.data.setDependenciesType(KuvBinaryExprData::FakeDependencies);
        HRESULT hr = S_OK;
        EXPECT_EQ(nullptr, readLeaf(Bytes(leaf.begin(), leaf.begin() + length), m.data, false, hr));
        EXPECT_TRUE(FAILED(hr)) << length;
      }
  }
}

}  // namespace
