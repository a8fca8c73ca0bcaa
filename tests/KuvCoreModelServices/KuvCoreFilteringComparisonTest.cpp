// Comparing a filter or a filterable with a list of filterables, from the
// objects and from their stored FLT binaries: both routes give the normal
// forms' own comparison, and an unreadable binary gives -1 alone.
#include "KuvBioDnf/BioDnfModel.h"
#include "support/KuvTestSupport.h"

namespace {

using namespace bio_dnf_test;
using C = KuvFilteringComparison;

// One or two terms over leaf kinds a comparison can negate (random serial
// leaves may give one variable two serial types, which a normal form
// refuses).
std::unique_ptr<KuvDnf> comparableDnf(std::mt19937& rng) {
  static constexpr LeafKind kinds[] = {LeafKind::Option, LeafKind::Selection, LeafKind::Date, LeafKind::Eff};
  auto dnf = std::make_unique<KuvDnf>(DNF_COND_NONE);
  for (int t = 1 + static_cast<int>(rng() % 2); t > 0; --t) {
    KuvDnfAndTerm* term = KuvDnfAndTermFactory::create(KuvDnfAndTermFactory::Map, 2);
    for (int l = 1 + static_cast<int>(rng() % 2); l > 0; --l) {
      std::unique_ptr<KuvDnfLeaf> leaf = randomLeaf(rng, kinds[rng() % 4]);
      if (SUCCEEDED(term->addDnfLeaf(*leaf))) leaf.release();
    }
    dnf->addAndTerm(term);
  }
  return dnf;
}

}  // namespace

TEST(KuvCoreFilteringComparisonTest, BinariesAndObjectsGiveTheNormalFormsComparison) {
  std::mt19937 rng(11);
  for (int round = 0; round < 20; ++round) {
    KuvFilter filter(CFG_EXPRVIEW_CURRENT, comparableDnf(rng).release());
    std::vector<std::unique_ptr<KuvFilterable>> objects;
    std::vector<std::unique_ptr<KuvBioBufferOut>> stored;
    KuvInList objectList(KuvFilterable::sType()), binaries(KuvBioBuffer::sType()), forms(KuvDnf::sType());
    std::vector<std::unique_ptr<KuvBioBuffer>> buffers;
    for (int i = 0; i < 4; ++i) {
      objects.push_back(std::make_unique<KuvFilterable>());
      objects.back()->addView(new KuvFilteringView(CFG_EXPRVIEW_SOURCE, comparableDnf(rng).release()));
      objects.back()->addView(new KuvFilteringView(CFG_EXPRVIEW_CURRENT, comparableDnf(rng).release()));
      objectList.PutBack(objects.back().get());
      forms.PutBack(const_cast<KuvDnf*>(objects.back()->getDnf(CFG_EXPRVIEW_CURRENT)));
      stored.push_back(std::make_unique<KuvBioBufferOut>());
      ASSERT_EQ(S_OK, KuvBioFilterable::write(*objects.back(), *stored.back()));
      buffers.push_back(std::make_unique<KuvBioBuffer>(*stored.back()));
      binaries.PutBack(buffers.back().get());
    }
    // A truncated binary and a view the object does not hold: -1 each.
    const KuvBioBuffer& whole = *buffers[0];
    KuvBioBuffer truncated(whole.getBytes(), whole.getSize() - 1, 0);
    binaries.PutBack(&truncated);
    KuvBioBufferOut filterBytes;
    ASSERT_EQ(S_OK, KuvBioFilter::write(filter, filterBytes));
    const KuvBioBuffer filterBinary(filterBytes);
    for (C::E_COMPARE_TEST_TYPE test : {C::CompareEqual, C::CompareIntersect, C::CompareIncluded}) {
      unsigned char *expected = nullptr, *fromObjects = nullptr;
      int* fromBinaries = nullptr;
      ASSERT_EQ(S_OK, C::Compare_DNF_To_DNF(test, *filter.getDnf(), forms, expected, 0));
      unsigned int view = CFG_EXPRVIEW_CURRENT;
      ASSERT_EQ(S_OK, C::Compare_Filter_To_Filterable(test, filter, objectList, view, fromObjects));
      ASSERT_EQ(S_OK, KuvCoreFilteringComparison::Compare_Filter_To_Filterable(test, filterBinary, binaries,
                                                                                CFG_EXPRVIEW_CURRENT, fromBinaries));
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i], fromObjects[i]) << round << " " << test << " " << i;
        EXPECT_EQ(expected[i], fromBinaries[i]) << round << " " << test << " " << i;
      }
      EXPECT_EQ(-1, fromBinaries[4]);
      std::free(expected);
      std::free(fromObjects);
      std::free(fromBinaries);
      // A filterable as the reference: its source view against the others'.
      ASSERT_EQ(S_OK, C::Compare_DNF_To_DNF(test, *objects[0]->getDnf(CFG_EXPRVIEW_SOURCE), forms, expected, 0));
      ASSERT_EQ(S_OK, KuvCoreFilteringComparison::Compare_Filterable_To_Filterable(
                          test, *buffers[0], CFG_EXPRVIEW_SOURCE, binaries, CFG_EXPRVIEW_CURRENT, fromBinaries));
      for (int i = 0; i < 4; ++i) EXPECT_EQ(expected[i], fromBinaries[i]) << round << " " << test << " " << i;
      std::free(expected);
      std::free(fromBinaries);
    }
  }
}

TEST(KuvCoreFilteringComparisonTest, MissingFormsAndUnreadableReferencesFailTheCall) {
  KuvFilter filter(CFG_EXPRVIEW_CURRENT, new KuvDnf(DNF_COND_TRUE));
  KuvFilterable object;
  object.addView(new KuvFilteringView(CFG_EXPRVIEW_SOURCE, new KuvDnf(DNF_COND_TRUE)));
  KuvInList objects(KuvFilterable::sType());
  objects.PutBack(&object);
  unsigned int view = CFG_EXPRVIEW_CURRENT;
  unsigned char* results = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: getDnf() returned NULL pointer",
                C::Compare_Filter_To_Filterable(C::CompareEqual, filter, objects, view, results));
  EXPECT_EQ(nullptr, results);
  const KuvFilter formless(CFG_EXPRVIEW_CURRENT, nullptr);
  const KuvInList none(KuvFilterable::sType());
  EXPECT_TRACES(E_FAIL, "ERROR: getDnf() returned NULL pointer",
                C::Compare_Filter_To_Filterable(C::CompareEqual, formless, none, view, results));
  const std::uint8_t garbage[] = {'F', 'L', 'T', 9};
  const KuvBioBuffer bad(garbage, sizeof garbage, 0);
  KuvInList binaries(KuvBioBuffer::sType());
  binaries.PutBack(const_cast<KuvBioBuffer*>(&bad));
  int* ints = nullptr;
  EXPECT_EQ(E_FAIL, KuvCoreFilteringComparison::Compare_Filter_To_Filterable(C::CompareEqual, bad, binaries,
                                                                            CFG_EXPRVIEW_CURRENT, ints));
  EXPECT_EQ(E_FAIL, KuvCoreFilteringComparison::Compare_Filterable_To_Filterable(
                        C::CompareEqual, bad, CFG_EXPRVIEW_CURRENT, binaries, CFG_EXPRVIEW_CURRENT, ints));
  EXPECT_EQ(nullptr, ints);
}

// Filters and filterables are compared with serial variables not exclusive:
// a unit range of one variable meets the same range of another, where the
// exclusive comparison says they never meet.
TEST(KuvCoreFilteringComparisonTest, SerialVariablesAreNotExclusive) {
  if (std::getenv("CFG_ENABLE_EXCLUSIVES_VARIABLES") != nullptr) GTEST_SKIP();
  const auto unitsOf = [](unsigned char variable) {
    KuvInListVal ranges(KuvInSerialInterval::sType());
    KuvInSerialInterval range;
    range.setInterval(1, true, 10, true);
    ranges.PutBack(range);
    KuvDnfAndTerm* term = KuvDnfAndTermFactory::create(KuvDnfAndTermFactory::Map, 1);
    term->addDnfLeaf(*new KuvDnfSerialEff(kuv_test::Guid(variable).guid(), ranges, KuvDnfSerialEff::UNIT, false, false));
    auto* dnf = new KuvDnf(DNF_COND_NONE);
    dnf->addAndTerm(term);
    return dnf;
  };
  const KuvFilter filter(CFG_EXPRVIEW_CURRENT, unitsOf(1));
  KuvFilterable object;
  object.addView(new KuvFilteringView(CFG_EXPRVIEW_CURRENT, unitsOf(2)));
  KuvInList objects(KuvFilterable::sType()), forms(KuvDnf::sType());
  objects.PutBack(&object);
  forms.PutBack(const_cast<KuvDnf*>(object.getDnf(CFG_EXPRVIEW_CURRENT)));
  unsigned char* exclusive = nullptr;
  ASSERT_EQ(S_OK, C::Compare_DNF_To_DNF(C::CompareIntersect, *filter.getDnf(), forms, exclusive, 1));
  EXPECT_EQ(0, *exclusive);
  std::free(exclusive);
  unsigned int view = CFG_EXPRVIEW_CURRENT;
  unsigned char* fromObjects = nullptr;
  ASSERT_EQ(S_OK, C::Compare_Filter_To_Filterable(C::CompareIntersect, filter, objects, view, fromObjects));
  EXPECT_EQ(1, *fromObjects);
  std::free(fromObjects);

  KuvBioBufferOut filterBytes, objectBytes;
  ASSERT_EQ(S_OK, KuvBioFilter::write(filter, filterBytes));
  ASSERT_EQ(S_OK, KuvBioFilterable::write(object, objectBytes));
  const KuvBioBuffer filterBinary(filterBytes), objectBinary(objectBytes);
  KuvInList binaries(KuvBioBuffer::sType());
  binaries.PutBack(const_cast<KuvBioBuffer*>(&objectBinary));
  int* fromBinaries = nullptr;
  ASSERT_EQ(S_OK, KuvCoreFilteringComparison::Compare_Filter_To_Filterable(C::CompareIntersect, filterBinary, binaries,
                                                                            CFG_EXPRVIEW_CURRENT, fromBinaries));
  EXPECT_EQ(1, *fromBinaries);
  std::free(fromBinaries);
  fromBinaries = nullptr;
  // A view outside the enumeration cannot be converted: the call fails.
  EXPECT_TRACES(E_FAIL, "ERROR: ConvertExpressionView_Enum_To_Id FAILED.",
                KuvCoreFilteringComparison::Compare_Filter_To_Filterable(
                    C::CompareIntersect, filterBinary, binaries, static_cast<KuvExpressionView>(7), fromBinaries));
  EXPECT_EQ(nullptr, fromBinaries);
}
