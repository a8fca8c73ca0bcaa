// The older FLT binaries of filters and filterable objects: exact bytes,
// round trips, reading only the wanted views, refusals with their traces,
// and applying a filter to a filterable.
#include "KuvBioDnf/BioDnfModel.h"
#include "support/KuvTestSupport.h"

namespace {

using namespace bio_dnf_test;
using kuv_test::Guid;
using kuv_test::text;
using Bytes = std::vector<std::uint8_t>;
using Mode = KuvEeGenericExpression;

constexpr const char* sc_true = "646E66010000000101";
constexpr const char* sc_false = "646E66010000000102";

KuvInGuid G(unsigned n) { return Guid(n).guid(); }

std::string hex(const KuvBioBufferOut& out) { return text(out); }

KuvInSetVal views(std::initializer_list<KuvExpressionView> list) {
  KuvInSetVal set(KuvInIntHolder::sType());
  for (KuvExpressionView view : list) set.Put(KuvInIntHolder(static_cast<std::uint32_t>(view)));
  return set;
}

std::unique_ptr<KuvFilterable> filterableOf(std::initializer_list<std::pair<KuvExpressionView, KuvDnf*>> list,
                                            const KuvInGuid& varSpace = KuvInGuid()) {
  auto filterable = std::make_unique<KuvFilterable>(varSpace);
  for (const auto& [view, dnf] : list) filterable->addView(new KuvFilteringView(view, dnf));
  return filterable;
}

// A buffer whose cursor stands after three unrelated bytes, as in a record.
struct AtOffset {
  explicit AtOffset(const Bytes& bytes) : data({0xEE, 0xEE, 0xEE}), in(nullptr, 0, 0) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    in = KuvBioBuffer(data.data(), static_cast<std::uint32_t>(data.size()), 0);
    in.increment(3);
  }
  Bytes data;
  KuvBioBuffer in;
};

TEST(KuvBioFilter, FilterBytes) {
  KuvBioBufferOut out;
  KuvFilter v2(CFG_EXPRVIEW_CURRENT, new KuvDnf(DNF_COND_FALSE), Mode::CFG_LISTMODE_STRICT, G(9));
  ASSERT_EQ(S_OK, KuvBioFilter::write(v2, out));
  EXPECT_EQ("464C540200" + text(G(9)) + "02" "00000001" "00000009" + sc_false, hex(out));
  v2.setQueryMode(Mode::CFG_LISTMODE_150);
  ASSERT_EQ(S_OK, KuvBioFilter::write(v2, out));
  EXPECT_EQ("464C540200" + text(G(9)) + "03" "00000001" "00000009" + sc_false, hex(out));
  KuvFilter v1(CFG_EXPRVIEW_PROJECTED, new KuvDnf(DNF_COND_TRUE), Mode::CFG_LISTMODE_NONE, KuvInGuid(), 1);
  ASSERT_EQ(S_OK, KuvBioFilter::write(v1, out));
  EXPECT_EQ(std::string("464C540100" "00000002" "00000009") + sc_true, hex(out));
}

TEST(KuvBioFilter, FilterableBytes) {
  KuvBioBufferOut out;
  auto withSpace =
      filterableOf({{CFG_EXPRVIEW_SOURCE, new KuvDnf(DNF_COND_TRUE)}, {CFG_EXPRVIEW_PROJECTED, new KuvDnf(DNF_COND_FALSE)}},
                   G(9));
  ASSERT_EQ(S_OK, KuvBioFilterable::write(*withSpace, out));
  EXPECT_EQ("464C540201" + text(G(9)) + "00000002" "00000000" "00000009" "00000002" "00000009" + sc_true + sc_false,
            hex(out));
  ASSERT_EQ(S_OK, KuvBioFilterable::write(*filterableOf({{CFG_EXPRVIEW_NONE, new KuvDnf(DNF_COND_FALSE)}}), out));
  EXPECT_EQ(std::string("464C540101" "00000001" "00000003" "00000009") + sc_false, hex(out));
  ASSERT_EQ(S_OK, KuvBioFilterable::write(KuvFilterable(), out));
  EXPECT_EQ("464C54010100000000", hex(out));
}

// Read(Write(x)) prints as x and writes the same bytes, from a cursor that
// does not start the buffer, which the read leaves after the binary.
TEST(KuvBioFilter, RoundTripsOverRandomNormalForms) {
  std::mt19937 rng(41);
  for (int i = 0; i < 60; ++i) {
    // The readers make map terms, which refuse what a list term may hold.
    const auto type = KuvDnfAndTermFactory::Map;
    KuvFilter filter(static_cast<KuvExpressionView>(i % 4), randomDnf(rng, type, i % 4, 6).release(),
                     i % 3 == 0 ? Mode::CFG_LISTMODE_150 : Mode::CFG_LISTMODE_STRICT, G(static_cast<unsigned>(i + 1)),
                     static_cast<std::uint8_t>(1 + i % 2));
    auto filterable = filterableOf({{CFG_EXPRVIEW_CURRENT, randomDnf(rng, type, i % 3, 6).release()},
                                    {CFG_EXPRVIEW_SOURCE, randomDnf(rng, type, 1 + i % 3, 6).release()}},
                                   i % 2 == 0 ? G(7) : KuvInGuid());
    KuvBioBufferOut filterOut;
    KuvBioBufferOut filterableOut;
    ASSERT_EQ(S_OK, KuvBioFilter::write(filter, filterOut));
    ASSERT_EQ(S_OK, KuvBioFilterable::write(*filterable, filterableOut));
    AtOffset filterIn(bytesOf(filterOut));
    AtOffset filterableIn(bytesOf(filterableOut));
    KuvFilter* filterBack = nullptr;
    KuvFilterable* filterableBack = nullptr;
    ASSERT_EQ(S_OK, KuvBioFilter::read(filterIn.in, filterBack));
    ASSERT_EQ(S_OK, KuvBioFilterable::read(filterableIn.in, filterableBack));
    std::unique_ptr<KuvFilter> ownedFilter(filterBack);
    std::unique_ptr<KuvFilterable> ownedFilterable(filterableBack);
    EXPECT_EQ(0u, filterIn.in.getRemaining());
    EXPECT_EQ(0u, filterableIn.in.getRemaining());
    // Version 1 keeps neither the variable space nor the mode.
    const bool v2 = filter.getVersion() == 2;
    EXPECT_EQ(filter.getVersion(), filterBack->getVersion());
    EXPECT_EQ(v2 ? filter.getVarSpace() : KuvInGuid(), filterBack->getVarSpace());
    EXPECT_EQ(v2 ? filter.getQueryMode() : Mode::CFG_LISTMODE_NONE, filterBack->getQueryMode());
    EXPECT_EQ(filter.getApplyingView(), filterBack->getApplyingView());
    EXPECT_EQ(text(*filter.getDnf()), text(*filterBack->getDnf()));
    EXPECT_EQ(text(*filterable), text(*filterableBack));
    KuvBioBufferOut again;
    ASSERT_EQ(S_OK, KuvBioFilter::write(*filterBack, again));
    EXPECT_EQ(hex(filterOut), hex(again));
    ASSERT_EQ(S_OK, KuvBioFilterable::write(*filterableBack, again));
    EXPECT_EQ(hex(filterableOut), hex(again));
  }
}

// Only the wanted views are decoded or classified; the others are stepped
// over by their lengths.
TEST(KuvBioFilter, WantedViewsOnly) {
  std::mt19937 rng(5);
  auto filterable = filterableOf({{CFG_EXPRVIEW_SOURCE, dnfOf(randomLeaf(rng, LeafKind::Option)).release()},
                                  {CFG_EXPRVIEW_CURRENT, dnfOf(randomLeaf(rng, LeafKind::Serial)).release()},
                                  {CFG_EXPRVIEW_PROJECTED, dnfOf(randomLeaf(rng, LeafKind::Eff)).release()}});
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvBioFilterable::write(*filterable, out));
  struct Row {
    KuvInSetVal wanted;
    std::vector<const KuvDnf*> dnfs;
    bool variant, evolution, change;
  };
  const Row rows[] = {
      {views({CFG_EXPRVIEW_CURRENT}), {filterable->getView(1)->getDnf()}, false, true, false},
      {views({CFG_EXPRVIEW_PROJECTED, CFG_EXPRVIEW_SOURCE}),
       {filterable->getView(0)->getDnf(), filterable->getView(2)->getDnf()},
       true,
       false,
       true},
      {views({CFG_EXPRVIEW_NONE}), {}, false, false, false},
  };
  for (const Row& row : rows) {
    KuvBioBuffer in(out);
    KuvFilterable* read = nullptr;
    ASSERT_EQ(S_OK, KuvBioFilterable::read(in, row.wanted, read));
    std::unique_ptr<KuvFilterable> owned(read);
    ASSERT_EQ(static_cast<std::int32_t>(row.dnfs.size()), read->getNbViews());
    for (std::size_t i = 0; i < row.dnfs.size(); ++i)
      EXPECT_EQ(text(*row.dnfs[i]), text(*read->getView(static_cast<std::int32_t>(i))->getDnf()));
    in.reset();
    KuvEVCClassification found;
    ASSERT_EQ(S_OK, KuvBioFilterable::analyzeEVCContent(in, row.wanted, found));
    EXPECT_EQ(row.variant, found.isVariant());
    EXPECT_EQ(row.evolution, found.isEvolution());
    EXPECT_EQ(row.change, found.isChange());
    EXPECT_EQ(0u, in.getRemaining());
  }
}

TEST(KuvBioFilter, RefusalsAreTracedAndLeaveTheCursor) {
  const std::string guid = text(G(9));
  struct Row {
    const char* name;
    bool filterable;
    std::string hex;
    const char* message;
  };
  const std::string dnfFalse = std::string("00000009") + sc_false;
  const Row rows[] = {
      {"magic", false, "464C550200" + guid + "0200000001" + dnfFalse, "ERROR: Incorrect header"},
      {"filterable read as filter", false, "464C540101" "00000000", "ERROR: Incorrect header"},
      {"filter read as filterable", true, "464C540100" "00000001" + dnfFalse, "ERROR: Incorrect header"},
      {"filter version 3", false, "464C540300" + guid + "0200000001" + dnfFalse,
       "ERROR: Incorrect header : unexpected version number."},
      {"filterable version 0", true, "464C540001" "00000000", "ERROR: unexpected version."},
      {"query mode 1", false, "464C540200" + guid + "0100000001" + dnfFalse, "ERROR: Incorrect query mode."},
      {"view 4", false, "464C540100" "00000004" + dnfFalse, "ERROR: read error, incorrect binary."},
      {"DNF past the end", false, "464C540100" "00000001" "0000000A" + std::string(sc_false),
       "ERROR: read error, incorrect binary."},
      {"DNF header longer than its slot", false, "464C540100" "00000001" "0000000A" + std::string(sc_false) + "00",
       "ERROR: read error, incorrect binary."},
      {"corrupt DNF", false, "464C540100" "00000001" "00000009" "646E66010000000103",
       "ERROR: read error, incorrect binary."},
      {"views past the end", true, "464C540101" "00000002" "00000000" "00000009", "ERROR: read error, incorrect binary."},
      {"a view's DNF past the end", true, "464C540101" "00000001" "00000000" "0000000A" + std::string(sc_false),
       "ERROR: out of bound"},
      {"view 7", true, "464C540101" "00000001" "00000007" + dnfFalse, "ERROR: read error, incorrect binary."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AtOffset at(fromHex(row.hex));
    if (row.filterable) {
      KuvFilterable* read = nullptr;
      EXPECT_TRACES(E_FAIL, row.message, KuvBioFilterable::read(at.in, read));
      EXPECT_EQ(nullptr, read);
      KuvEVCClassification found;
      EXPECT_TRACES(E_FAIL, "", KuvBioFilterable::analyzeEVCContent(at.in, views({CFG_EXPRVIEW_SOURCE}), found));
    } else {
      KuvFilter* read = nullptr;
      EXPECT_TRACES(E_FAIL, row.message, KuvBioFilter::read(at.in, read));
      EXPECT_EQ(nullptr, read);
    }
    EXPECT_EQ(3u, at.in.getPosition());
  }
}

TEST(KuvBioFilter, WriterRefusalsLeaveNothing) {
  KuvBioBufferOut out;
  KuvFilter noMode(CFG_EXPRVIEW_CURRENT, new KuvDnf(DNF_COND_TRUE), Mode::CFG_LISTMODE_NONE);
  EXPECT_TRACES(E_FAIL, "ERROR: UNEXPECTED case.", KuvBioFilter::write(noMode, out));
  EXPECT_EQ(0u, out.GetLength());
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", KuvBioFilter::write(KuvFilter(CFG_EXPRVIEW_CURRENT, nullptr), out));
  EXPECT_EQ(0u, out.GetLength());
  auto missing = filterableOf({{CFG_EXPRVIEW_SOURCE, new KuvDnf(DNF_COND_TRUE)}, {CFG_EXPRVIEW_CURRENT, nullptr}});
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", KuvBioFilterable::write(*missing, out));
  EXPECT_EQ(0u, out.GetLength());
}

// Every prefix of a valid binary is refused and leaves the cursor.
TEST(KuvBioFilter, EveryTruncationIsRefused) {
  std::mt19937 rng(13);
  KuvBioBufferOut filterOut;
  KuvBioBufferOut filterableOut;
  KuvBioFilter::write(KuvFilter(CFG_EXPRVIEW_SOURCE, randomDnf(rng, KuvDnfAndTermFactory::Map, 3, 8).release(),
                                Mode::CFG_LISTMODE_STRICT, G(3)),
                      filterOut);
  KuvBioFilterable::write(*filterableOf({{CFG_EXPRVIEW_SOURCE, randomDnf(rng, KuvDnfAndTermFactory::Map, 2, 8).release()},
                                         {CFG_EXPRVIEW_CURRENT, randomDnf(rng, KuvDnfAndTermFactory::Map, 2, 8).release()}},
                                        G(4)),
                          filterableOut);
  const Bytes filter = bytesOf(filterOut);
  const Bytes filterable = bytesOf(filterableOut);
  const KuvInSetVal current = views({CFG_EXPRVIEW_CURRENT});
  for (const Bytes* whole : {&filter, &filterable}) {
    for (std::size_t length = 0; length < whole->size(); ++length) {
      AtOffset at(Bytes(whole->begin(), whole->begin() + static_cast<std::ptrdiff_t>(length)));
      HRESULT hr[3] = {};
      // The refusals' traces are expected by the hundred.
      kuv_test::captured([&] {
        KuvFilter* f = nullptr;
        KuvFilterable* g = nullptr;
        KuvEVCClassification found;
        hr[0] = whole == &filter ? KuvBioFilter::read(at.in, f) : KuvBioFilterable::read(at.in, g);
        hr[1] = whole == &filter ? E_FAIL : KuvBioFilterable::read(at.in, current, g);
        hr[2] = whole == &filter ? E_FAIL : KuvBioFilterable::analyzeEVCContent(at.in, current, found);
        delete f;
        delete g;
      });
      for (HRESULT code : hr) EXPECT_EQ(E_FAIL, code) << length;
      EXPECT_EQ(3u, at.in.getPosition()) << length;
    }
  }
}

TEST(KuvBioFilter, ApplyFilterIntersectsTheFilterablesView) {
  auto optionDnf = [](bool negated) {
    return dnfOf(std::make_unique<KuvDnfOptionEff>(G(1), G(2), KuvDnfOptionEff::Selected, negated)).release();
  };
  const KuvFilter filter(CFG_EXPRVIEW_CURRENT, optionDnf(false));
  for (const auto& [negated, expected] : {std::pair{false, 1}, {true, 0}}) {
    auto object = filterableOf(
        {{CFG_EXPRVIEW_SOURCE, new KuvDnf(DNF_COND_FALSE)}, {CFG_EXPRVIEW_CURRENT, optionDnf(negated)}});
    unsigned char answer = 9;
    ASSERT_EQ(S_OK, filter.applyFilter(*object, answer));
    EXPECT_EQ(expected, answer);
  }
  unsigned char answer = 9;
  auto other = filterableOf({{CFG_EXPRVIEW_SOURCE, optionDnf(false)}});
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", filter.applyFilter(*other, answer));
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", KuvFilter(CFG_EXPRVIEW_SOURCE).applyFilter(*other, answer));
  EXPECT_EQ(9, answer);
}

// A filtering view is a value: its clone equals it and owns a copy.
TEST(KuvBioFilter, FilteringViewIsAValue) {
  const KuvFilteringView view(CFG_EXPRVIEW_PROJECTED, new KuvDnf(DNF_COND_TRUE));
  std::unique_ptr<KuvInObjectVal> copy(&view.clone());
  EXPECT_TRUE(view.equals(*copy));
  EXPECT_EQ(view.hash(), copy->hash());
  EXPECT_NE(view.getDnf(), static_cast<const KuvFilteringView&>(*copy).getDnf());
  EXPECT_FALSE(view.equals(KuvFilteringView(CFG_EXPRVIEW_SOURCE, new KuvDnf(DNF_COND_TRUE))));
  EXPECT_FALSE(view.equals(KuvFilteringView(CFG_EXPRVIEW_PROJECTED, new KuvDnf(DNF_COND_FALSE))));
  EXPECT_FALSE(view.equals(KuvFilteringView(CFG_EXPRVIEW_PROJECTED)));
}

}  // namespace
