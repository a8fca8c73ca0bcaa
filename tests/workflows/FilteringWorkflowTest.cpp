// A host stores effectivities and filters them for a user: effectivities
// written in the literal syntax over its product model, each stored as its
// definition (binary expression and dependency lists) and reloaded from
// it, compiled, and filtered with the user's filter. An object is visible
// exactly when it shares a configuration of the model with the filter.
#include "workflows/HostModel.h"

#include <vector>

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
  return Bytes(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

// The effectivity of an item on the host's dictionary.
Bytes compileEffectivity(HostModel& host, const KuvEeGenericExpression& definition) {
  KuvEeEffectivityExpression effectivity;
  KuvEeNodeRef* criteria = definition.GetNodeRefClone();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
  EXPECT_EQ(S_OK, effectivity.setModelCriteria(&host.dictionary, record));
  return compile(effectivity);
}

// A user's filter: criteria on one to four different variables, as a list
// and as the And that the list means.
struct UserFilter {
  std::string list, meaning;
};

UserFilter userFilter(TextGenerator& generator, std::mt19937& random) {
  UserFilter filter;
  for (int variable = 0; variable < 4; ++variable) {
    if (random() % 4 == 0 && !(variable == 3 && filter.list.empty())) continue;
    const std::string criterion = generator.selection(variable);
    filter.list += (filter.list.empty() ? "" : ";") + criterion;
    filter.meaning += (filter.meaning.empty() ? "" : " & ") + criterion;
  }
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

}  // namespace

TEST(FilteringWorkflow, EveryAnswerIsTheBruteForceOne) {
  HostModel host;
  TextGenerator generator(20261207, {.refs = TextGenerator::Refs::Named, .noValues = false});
  std::vector<Bytes> objects;
  std::vector<TruthTable> tables;
  for (int i = 0; i < 300; ++i) {
    const std::string text = generator.expression();
    Tree tree = host.read(text);
    ASSERT_NE(nullptr, tree);
    const TruthTable table = *kuv_test::truthTable(host.truth, *tree);
    const KuvEeGenericExpression original(tree.release());
    const Definition stored = define(original);
    ASSERT_NE(nullptr, stored.binary) << text;
    const std::unique_ptr<KuvEeGenericExpression> reloaded = reload(stored);
    ASSERT_NE(nullptr, reloaded) << text;
    ASSERT_TRUE(table == kuv_test::truthTable(host.truth, *reloaded->GetNodeRef())) << text;
    objects.push_back(compileEffectivity(host, *reloaded));
    tables.push_back(table);
  }
  const Binaries binaries(objects);
  std::mt19937 random(11);
  int visible = 0;
  for (int f = 0; f < 20; ++f) {
    const UserFilter user = userFilter(generator, random);
    const TruthTable selected = host.table(user.meaning);
    const Bytes filter = compileFilter(host, user.list);
    int* results = nullptr;
    ASSERT_EQ(S_OK, KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                     binaries.pointers.data(), binaries.sizes.data(),
                                                     static_cast<unsigned int>(objects.size()), results));
    const std::unique_ptr<int[]> answers(results);
    const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
    ASSERT_EQ(S_OK, handler.isValid());
    results = nullptr;
    ASSERT_EQ(S_OK, handler.Apply(binaries.pointers.data(), binaries.sizes.data(),
                                  static_cast<unsigned int>(objects.size()), results));
    const std::unique_ptr<int[]> handled(results);
    for (std::size_t i = 0; i < objects.size(); ++i) {
      const int expected = (selected & tables[i]).any() ? 1 : 0;
      EXPECT_EQ(expected, answers[i]) << user.list << " on object " << i;
      EXPECT_EQ(expected, handled[i]) << user.list << " on object " << i;
      visible += expected;
    }
  }
  // Filters that hide some objects and show others.
  EXPECT_GT(visible, 20 * 300 / 10);
  EXPECT_LT(visible, 20 * 300 * 9 / 10);
}

// Along the way a host meets a mistyped text, a damaged stored binary and
// its own leftover pointer: each refused with its reason, nothing handed out.
TEST(FilteringWorkflow, RefusalsAlongTheWay) {
  HostModel host;
  KuvInString error;
  EXPECT_TRACES(nullptr, "Native parser ERROR: read FAILED.",
                host.reader.readExpressionSimple("Engine.Diesel & Colour{Pink}", error, false));
  // The values are listed in no fixed order.
  EXPECT_EQ(0u, std::string(error.ConvertToChar()).find("<Pink> is not part of selection <Colour> values : "))
      << error.ConvertToChar();

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
}
