// A host stores effectivities and filters them for a user: effectivities
// written in the literal syntax over its product model, each stored as its
// definition (binary expression and dependency lists) and reloaded from
// it, compiled, and filtered with the user's filter or with one
// configuration of the model. An object is visible exactly when it shares
// a configuration with the filter.
//
// Every form an effectivity takes on the way (its text written back, its
// reloaded definition, its normal form and that form's binary) means what
// the original text means, configuration by configuration. The number of
// effectivities is KUV_DIFFERENTIAL_COUNT when set, for long runs.
#include "workflows/HostModel.h"

#include "support/KuvTestSupport.h"

#include "KuvEeDnfConvertor/DnfTruth.h"

using kuv_test::Tree;
using kuv_test::TruthTable;
using kuv_workflow::HostModel;
using kuv_workflow::TextGenerator;

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the host persists for an effectivity's definition.
struct Definition {
  KuvInList first, second;
  std::unique_ptr<KuvBioBuffer> binary;
};

Definition define(const KuvEeGenericExpression& expression) {
  Definition made;
  KuvBioBuffer* binary = nullptr;
  EXPECT_EQ(S_OK, KuvCoreDependencyMngtServices::CreateDefinitionDBData(expression, nullptr, made.first,
                                                                        made.second, binary));
  made.binary.reset(binary);
  return made;
}

std::unique_ptr<KuvEeGenericExpression> reload(const Definition& stored) {
  KuvEeGenericExpression* back = nullptr;
  EXPECT_EQ(S_OK, KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(
                      *stored.binary, stored.first, stored.second, back));
  return std::unique_ptr<KuvEeGenericExpression>(back);
}

// The compiled binary of an effectivity or a filter, in the current view of
// the Config Change domain.
Bytes compile(KuvEeExpression& expression) {
  KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
  byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), &expression);
  KuvInIntHolder current(CFG_EXPRVIEW_CURRENT);
  KuvInSet views(KuvInIntHolder::sType());
  views.Put(&current);
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK,
            KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, CFG_EXPRVIEW_CURRENT));
  return kuv_test::bytesOf(out);
}

// The effectivity of an item on the host's dictionary.
Bytes compileEffectivity(HostModel& host, const KuvEeGenericExpression& definition) {
  KuvEeEffectivityExpression effectivity;
  KuvEeNodeRef* criteria = definition.GetNodeRefClone();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
  EXPECT_EQ(S_OK, effectivity.setModelCriteria(&host.dictionary, record));
  return compile(effectivity);
}

// A filter as a list of criteria and as the And that the list means.
struct Filter {
  std::string list, meaning;
  void add(const std::string& criterion) {
    list += (list.empty() ? "" : ";") + criterion;
    meaning += (meaning.empty() ? "" : " & ") + criterion;
  }
};

// A user's filter: criteria on one to four different variables.
Filter userFilter(TextGenerator& generator, std::mt19937& random) {
  Filter filter;
  for (int variable = 0; variable < 4; ++variable) {
    if (random() % 4 == 0 && !(variable == 3 && filter.list.empty())) continue;
    filter.add(generator.selection(variable));
  }
  return filter;
}

// One configuration of the model: a value, or none, for every variable;
// the named effectivities stay free. Unit 0 and 4 and the days either side
// stand for everything below and above the texts' units and days.
Filter configuration(std::mt19937& random) {
  static const char* const options[] = {"Engine.Diesel", "Engine.Petrol", "Engine.Electric"};
  static const char* const optionValues[] = {"", "{FALSE}", "{NOVAR}"};
  static const char* const colours[] = {"{Red}", "{Green}", "{Blue}", "{NOVAR}"};
  static const char* const units[] = {"[0]", "[1]", "[2]", "[3]", "[4]", "[NOVAR]"};
  static const char* const days[] = {"[2000/12/31]", "[2001/01/01]", "[2001/01/02]", "[2001/01/03]",
                                     "[NOVAR]"};
  Filter filter;
  for (const char* option : options) filter.add(std::string(option) + optionValues[random() % 3]);
  filter.add(std::string("Colour") + colours[random() % 4]);
  filter.add(std::string("Car") + units[random() % 6]);
  filter.add(std::string("Build") + days[random() % 5]);
  return filter;
}

Bytes compileFilter(HostModel& host, const std::string& list) {
  KuvInString error;
  const std::unique_ptr<KuvEeGenericExpression> read(
      host.reader.readList(list.c_str(), error, KuvEeGenericExpression::CFG_LISTMODE_STRICT));
  EXPECT_NE(nullptr, read) << list << ": " << error.ConvertToChar();
  if (read == nullptr) return Bytes();
  KuvEeFilterExpression filter(&host.dictionary, read->GetList()->Clone());
  return compile(filter);
}

// The arrays of object binaries and sizes that the filtering services take.
struct Binaries {
  explicit Binaries(const std::vector<Bytes>& objects) {
    for (const Bytes& b : objects) {
      pointers.push_back(b.data());
      sizes.push_back(static_cast<unsigned int>(b.size()));
    }
  }
  std::vector<const std::uint8_t*> pointers;
  std::vector<unsigned int> sizes;
};

int expressionCount() {
  const char* count = std::getenv("KUV_DIFFERENTIAL_COUNT");
  return count != nullptr ? std::atoi(count) : 300;
}

// Both filtering services give each object the brute-force answer; adds
// the objects shown to visible.
void checkFilter(HostModel& host, const Filter& criteria, const Binaries& binaries,
                 const std::vector<TruthTable>& tables, int& visible) {
  const auto count = static_cast<unsigned int>(tables.size());
  const TruthTable selected = host.table(criteria.meaning);
  const Bytes filter = compileFilter(host, criteria.list);
  int* results = nullptr;
  ASSERT_EQ(S_OK, KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                   binaries.pointers.data(), binaries.sizes.data(), count,
                                                   results));
  const kuv_test::Handed<int> answers(results);
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  ASSERT_EQ(S_OK, handler.isValid());
  results = nullptr;
  ASSERT_EQ(S_OK, handler.Apply(binaries.pointers.data(), binaries.sizes.data(), count, results));
  const kuv_test::Handed<int> handled(results);
  for (unsigned int i = 0; i < count; ++i) {
    const int expected = (selected & tables[i]).any() ? 1 : 0;
    ASSERT_EQ(expected, answers.get()[i]) << criteria.list << " on object " << i;
    ASSERT_EQ(expected, handled.get()[i]) << criteria.list << " on object " << i;
    visible += expected;
  }
}

}  // namespace

TEST(FilteringWorkflow, EveryStageGivesTheBruteForceAnswer) {
  HostModel host;
  KuvLiteralExprWriter writer;
  ASSERT_EQ(S_OK, writer.setDefaultSyntax());
  TextGenerator generator(20261207, {.refs = TextGenerator::Refs::Named, .noValues = false});
  std::vector<Bytes> objects;
  std::vector<TruthTable> tables;
  for (int i = 0, count = expressionCount(); i < count; ++i) {
    // Each form is made from the one before: text, tree, text written
    // back, its tree, stored definition, reloaded tree, normal form, its
    // binary, compiled effectivity.
    const std::string text = generator.expression();
    Tree tree = host.read(text);
    ASSERT_NE(nullptr, tree);
    const TruthTable table = *kuv_test::truthTable(host.truth, *tree);
    const std::string written = writer.write(*tree->getNode()).ConvertToChar();
    Tree rereadTree = host.read(written);
    ASSERT_NE(nullptr, rereadTree) << text;
    ASSERT_TRUE(table == kuv_test::truthTable(host.truth, *rereadTree)) << text << " written " << written;
    const KuvEeGenericExpression reread(rereadTree.release());
    const Definition stored = define(reread);
    ASSERT_NE(nullptr, stored.binary) << text;
    const std::unique_ptr<KuvEeGenericExpression> reloaded = reload(stored);
    ASSERT_NE(nullptr, reloaded) << text;
    ASSERT_TRUE(table == kuv_test::truthTable(host.truth, *reloaded->GetNodeRef())) << text;
    const std::unique_ptr<KuvDnf> dnf(KuvEeDnfConvertor::NodeRef2Dnf(*reloaded->GetNodeRef()));
    ASSERT_NE(nullptr, dnf) << text;
    ASSERT_TRUE(table == kuv_test::dnfTable(host.truth, *dnf))
        << text << " as " << dnf->toString().ConvertToChar();
    KuvBioBufferOut dnfBytes;
    ASSERT_EQ(S_OK, KuvBioDnfWriter::write(*dnf, dnfBytes)) << text;
    const std::unique_ptr<KuvDnf> dnfBack(
        KuvBioDnfReader::read_0toEND(dnfBytes.GetAsPtr(0), dnfBytes.GetLength(), KuvDnfAndTermFactory::Map));
    ASSERT_NE(nullptr, dnfBack) << text;
    ASSERT_TRUE(table == kuv_test::dnfTable(host.truth, *dnfBack)) << text;
    objects.push_back(compileEffectivity(host, *reloaded));
    tables.push_back(table);
  }
  // The filters do not depend on the number of objects.
  const Binaries binaries(objects);
  TextGenerator selections(7, {});
  std::mt19937 random(11);
  int byUsers = 0, byConfigurations = 0;
  for (int f = 0; f < 20; ++f) {
    ASSERT_NO_FATAL_FAILURE(checkFilter(host, userFilter(selections, random), binaries, tables, byUsers));
    ASSERT_NO_FATAL_FAILURE(checkFilter(host, configuration(random), binaries, tables, byConfigurations));
  }
  // Filters that hide some objects and show others.
  const int answers = 20 * static_cast<int>(objects.size());
  EXPECT_GT(byUsers, answers / 10);
  EXPECT_LT(byUsers, answers * 9 / 10);
  EXPECT_GT(byConfigurations, 0);
  EXPECT_LT(byConfigurations, answers);
  ::testing::Test::RecordProperty("answers", 2 * 2 * answers);
}

// Along the way a host meets a mistyped text, a damaged stored binary and
// its own leftover pointer: each refused with its reason, nothing handed out.
TEST(FilteringWorkflow, RefusalsAlongTheWay) {
  HostModel host;
  KuvInString error;
  EXPECT_TRACES(nullptr, "Native parser ERROR: read FAILED.",
                host.reader.readExpressionSimple("Engine.Diesel & Colour{Pink}", error, false));
  EXPECT_STREQ("<Pink> is not part of selection <Colour> values : Blue,Green,Red or special values : <NOVAR>\n"
               "cannot read Colour\n",
               error.ConvertToChar());

  const KuvEeGenericExpression original(host.read("( Engine.Petrol | Car[2,3] ) & !Colour{Red}").release());
  Definition stored = define(original);
  KuvBioBuffer* leftover = stored.binary.get();
  KuvInList first, second;
  EXPECT_TRACES(
      E_INVALIDARG, "ERROR: Output KuvBioBuffer pointer is not null. Pointed object may be lost.",
      KuvCoreDependencyMngtServices::CreateDefinitionDBData(original, nullptr, first, second, leftover));
  EXPECT_EQ(stored.binary.get(), leftover);
  EXPECT_EQ(0, first.GetLength());

  Bytes whole(stored.binary->getBytes(), stored.binary->getBytes() + stored.binary->getSize());
  const Bytes truncated(whole.begin(), whole.end() - 1);
  whole[1] = 'x';
  for (const Bytes& bytes : {Bytes(whole.begin(), whole.begin() + 2), truncated, whole}) {
    const KuvBioBuffer damaged(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 1);
    KuvEeGenericExpression* back = nullptr;
    EXPECT_TRACES(E_FAIL, "ERROR: KuvBinaryExprReader::Read returned NULL pointer.",
                  KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(damaged, stored.first,
                                                                                     stored.second, back));
    EXPECT_EQ(nullptr, back) << bytes.size();
  }

  // An expression the host built deeper than the library walks is refused
  // by the writers, not followed until the stack runs out.
  KuvEeNode* deep = host.read("Engine.Diesel").release()->getNode();
  for (int i = 0; i < 50000; ++i) {
    auto* negation = new KuvEeNotOp;
    negation->setChildRef(deep->getNodeRef());
    deep = negation;
  }
  const KuvEeGenericExpression tooDeep(deep->getNodeRef());
  KuvLiteralExprWriter writer;
  ASSERT_EQ(S_OK, writer.setDefaultSyntax());
  EXPECT_TRACES(KuvInString(), "ERROR: expression too deep", writer.write(tooDeep));
  KuvBioBuffer* binary = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: expression too deep",
                KuvCoreDependencyMngtServices::CreateDefinitionDBData(tooDeep, nullptr, first, second, binary));
  EXPECT_EQ(nullptr, binary);
}
