// Binary expressions come back from a database: the readers (the expression
// format, with real dependencies and with the placeholders of the light
// parser, and the older "net" streams) must refuse any truncated or hostile
// bytes cleanly, and what they accept must write again.
#include <Kuv.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace {

struct World {
  std::vector<std::unique_ptr<KuvEeModelDico>> models;
  std::vector<std::unique_ptr<KuvEePredefEff>> changes;
  std::vector<std::unique_ptr<KuvEeBasicEff>> inherited;
  // Criteria 3 to 5 and rule 0 (selection, values, option), volatile 0 (date).
  KuvEeDateVar date{"Date", nullptr};
  KuvEeSelectionVar wheels{"Wheels", nullptr};
  KuvEeBasicOptionVar option{"Option", KuvInGuid()};
  KuvBinaryExprData data;
  KuvInList dependencies;

  World() {
    for (unsigned char i = 0; i < 3; ++i) {
      const unsigned char guid[16] = {i, 1, 2, 3};
      models.push_back(std::make_unique<KuvEeModelDico>(KuvInString("Model"), KuvInGuid(guid)));
      changes.push_back(std::make_unique<KuvEePredefEff>("Change", guid, true, KuvEePredefEff::GLOBAL));
      inherited.push_back(std::make_unique<KuvEeBasicEff>("Inherited", guid));
      data.addCriteriaEeModel(*models.back());
      data.addInheritedEffectivityModel(*models.back());
      data.addExprImpactingCriteria(*changes.back());
      data.addExprCriteria(*changes.back());
      data.addInheritedEffectivity(*inherited.back());
      for (KuvInObject* object : std::initializer_list<KuvInObject*>{models.back().get(), changes.back().get(),
                                                                     inherited.back().get()})
        dependencies.PutBack(object);
    }
    const unsigned char first[16] = {1}, second[16] = {2};
    data.addExprCriteria(wheels);
    data.addExprCriteria(*wheels.addValue("16", first));
    data.addExprCriteria(option);
    data.addExprCriteriaRule(*wheels.addValue("17", second));
    data.addVolatileCriteria(date);
    for (KuvInTraceClass* channel :
         {&KuvBinaryExprParser::traceChannel(), &KuvBinaryEENodeParser::traceChannel(), &KuvBioBuffer::traceChannel(),
          &KuvBinaryExprReader::traceChannel(), &KuvBinaryExprWriter::traceChannel(),
          &KuvBinaryDatesEff::traceChannel(), &KuvBinaryFeatureEff::traceChannel(), &KuvEeSelectionEff::traceChannel()})
      channel->setFlags(0);
  }
};

void readAndWrite(KuvBinaryExprData& data, const std::uint8_t* bytes, std::size_t size) {
  data.setBinary(bytes, static_cast<std::uint32_t>(size));
  KuvInMap* map = nullptr;
  if (FAILED(KuvBinaryExprParser::Read(data, map))) return;
  KuvBioBufferOut out;
  for (unsigned version : {1u, 2u}) (void)KuvBinaryExprParser::Write(*map, data, out, version);
  map->DeleteAll();
  delete map;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  static World world;
  readAndWrite(world.data, bytes, size);
  KuvBinaryExprData fake;
  fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
  readAndWrite(fake, bytes, size);
  KuvBioBuffer in(bytes, static_cast<std::uint32_t>(size), 0);
  unsigned version = 0;
  unsigned decoupled = 0;
  (void)KuvBinaryExprParser::GetBinExprVersion(in, version, decoupled);
  KuvInListVal domains(KuvInIntHolder::sType());
  (void)KuvBinaryExprParser::GetValuatedDomains(in, domains);

  KuvEeGenericExpression* expression = nullptr;
  if (SUCCEEDED(KuvBinaryExprReader::Read(bytes, static_cast<std::uint32_t>(size), world.dependencies, expression))) {
    KuvBioBufferOut out;
    (void)KuvBinaryExprWriter::Write(*expression, world.dependencies, out);
    delete expression;
  }
  KuvInList rules;
  if (SUCCEEDED(KuvBinaryExprReader::ReadRules(bytes, static_cast<std::uint32_t>(size), world.dependencies, rules)))
    for (std::int32_t i = 0; i < rules.GetLength(); ++i) delete rules.Get(i);
  return 0;
}
