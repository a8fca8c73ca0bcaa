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
  // Criteria 3 to 5 and rule 0 (selection, values, option), volatile 0
  // (date); criteria 6 to 11: a dictionary with state, unit and tree state
  // series, its state revision 1, its tree root, a milestone track, its root
  // milestone and a child milestone dated 2020-03-04.
  KuvEeDateVar date{"Date", nullptr};
  KuvEeSelectionVar wheels{"Wheels", nullptr};
  KuvEeBasicOptionVar option{"Option", KuvInGuid()};
  KuvEeModelDico series{KuvInString("Series"), KuvInGuid()};
  KuvEeMilestonesVar track{"Track", nullptr, "Design", nullptr};
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
    for (std::int32_t type : {KuvEeSerialVar::STATE, KuvEeSerialVar::UNIT, KuvEeSerialVar::TREE_STATE})
      series.enableEvolutionSeries(type);
    KuvEeSerialVar* states = series.getSeriesVariable(KuvEeSerialVar::STATE);
    auto* revision = new KuvEeSerialVarValue("Rev", nullptr, "A", 1, states);
    states->addRevision(revision);
    KuvInTreeEvalIndex all, part;
    KuvInTreeEvalIndex::BuildFromString("1-100", all);
    KuvInTreeEvalIndex::BuildFromString("2-10", part);
    KuvEeTreeSeriesVar* tree = series.getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
    auto* element = new KuvEeTreeSeriesElement("Root", nullptr, "A", all, tree, nullptr);
    tree->setRootTreeSeriesElement(element);
    auto* root = new KuvEeMilestone("Root", nullptr, &track, all, nullptr, nullptr);
    track.setRootMilestone(root);
    const KuvInDate day(2020, 3, 4, 1, 1, 1);
    auto* child = new KuvEeMilestone("Child", nullptr, &track, part, &day, root);
    root->addChild(child);
    for (KuvInObject* criterion :
         std::initializer_list<KuvInObject*>{&series, revision, element, &track, root, child})
      data.addExprCriteria(*criterion);
    for (KuvInTraceClass* channel :
         {&KuvBinaryExprParser::traceChannel(), &KuvBinaryEENodeParser::traceChannel(), &KuvBioBuffer::traceChannel(),
          &KuvBinaryExprReader::traceChannel(), &KuvBinaryExprWriter::traceChannel(),
          &KuvBinaryDatesEff::traceChannel(), &KuvBinaryFeatureEff::traceChannel(), &KuvEeSelectionEff::traceChannel(),
          &KuvBinarySeriesEff::traceChannel(), &KuvBinaryTreeSeriesEff::traceChannel(),
          &KuvBinaryMilestonesEff::traceChannel(), &KuvEeTreeSelection::traceChannel(),
          &KuvBinaryExprData::traceChannel()})
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
