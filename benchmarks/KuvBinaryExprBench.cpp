// Writing and reading the binary of an expression, as a host does for every
// stored object. The argument is the number of leaves: an Or of Ands of
// four change references each, in one dictionary's criteria.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include <memory>
#include <vector>

namespace {

struct Stored {
  KuvEeModelDico model{KuvInString("Model"), KuvInGuid()};
  std::vector<std::unique_ptr<KuvEePredefEff>> changes;
  KuvBinaryExprData data;
  KuvInMap map{KuvInIntHolder::sType(), KuvEeExpression::sType()};

  explicit Stored(int leaves) {
    data.addCriteriaEeModel(model);
    for (unsigned char i = 0; i < 64; ++i) {
      const unsigned char guid[16] = {i, 7};
      changes.push_back(std::make_unique<KuvEePredefEff>("Change", guid, true, KuvEePredefEff::GLOBAL));
      data.addExprImpactingCriteria(*changes.back());
    }
    auto* orOp = new KuvEeOrOp;
    for (int n = 0; n < leaves;) {
      auto* andOp = new KuvEeAndOp;
      for (int k = 0; k < 4 && n < leaves; ++k, ++n) andOp->addChild(new KuvEeEffLeaf(changes[n % 64].get()));
      orOp->addChild(andOp);
    }
    KuvEeNodeRef* criteria = orOp->getNodeRef();
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
    auto* expression = new KuvEeEffectivityExpression;
    expression->setModelCriteria(&model, record);
    map.Put(KuvInIntHolder(1), expression);
  }
  ~Stored() { map.DeleteAll(); }
};

void BM_WriteBinaryExpr(benchmark::State& state) {
  Stored stored(static_cast<int>(state.range(0)));
  KuvBioBufferOut out;
  for (auto _ : state) {
    if (FAILED(KuvBinaryExprParser::Write(stored.map, stored.data, out, 2))) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * out.GetLength());
}
BENCHMARK(BM_WriteBinaryExpr)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

void BM_ReadBinaryExpr(benchmark::State& state) {
  Stored stored(static_cast<int>(state.range(0)));
  KuvBioBufferOut out;
  KuvBinaryExprParser::Write(stored.map, stored.data, out, 2);
  stored.data.setBinary(out.GetAsPtr(0), out.GetLength());
  for (auto _ : state) {
    KuvInMap* map = nullptr;
    if (FAILED(KuvBinaryExprParser::Read(stored.data, map))) state.SkipWithError("read failed");
    map->DeleteAll();
    delete map;
  }
  state.SetBytesProcessed(state.iterations() * out.GetLength());
}
BENCHMARK(BM_ReadBinaryExpr)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

// A host that silenced the writer's traces stores an expression whose
// change its data lacks: the refusal should not cost a text of the whole
// data (the argument is the number of changes the data holds).
void BM_WriteRefusedSilenced(benchmark::State& state) {
  Stored stored(1);
  std::vector<std::unique_ptr<KuvEePredefEff>> more;
  for (std::int64_t i = 64; i < state.range(0); ++i) {
    const unsigned char guid[16] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i >> 8), 8};
    more.push_back(std::make_unique<KuvEePredefEff>("Change", guid, true, KuvEePredefEff::GLOBAL));
    stored.data.addExprImpactingCriteria(*more.back());
  }
  KuvEePredefEff unknown("Unknown", nullptr, true, KuvEePredefEff::GLOBAL);
  auto* expression = new KuvEeEffectivityExpression;
  expression->setGlobalCriteria((new KuvEeEffLeaf(&unknown))->getNodeRef());
  stored.map.Put(KuvInIntHolder(2), expression);
  for (KuvInTraceClass* channel : {&KuvBinaryExprParser::traceChannel(), &KuvBinaryEENodeParser::traceChannel()})
    channel->setFlags(0);
  KuvBioBufferOut out;
  for (auto _ : state) {
    if (SUCCEEDED(KuvBinaryExprParser::Write(stored.map, stored.data, out, 2))) state.SkipWithError("wrote it");
  }
}
BENCHMARK(BM_WriteRefusedSilenced)->Arg(64)->Arg(1024)->Arg(16384);

}  // namespace
