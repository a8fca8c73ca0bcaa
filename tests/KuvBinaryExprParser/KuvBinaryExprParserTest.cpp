// The binary expression format: exact header bytes, the round trip over
// generated expressions of every node and leaf kind in both versions (and
// through the light parser), and bytes a database may hand back truncated
// or hostile. The older "net" streams: exact bytes, round trips of trees,
// lists and rules against a caller's dependency list, also node by node, and
// refused headers. Every damaged copy of representative binaries and
// streams: the reader gives one of its codes, hands out nothing on failure,
// leaks nothing, and what it accepts can be written again.
#include "support/KuvTestSupport.h"

#include "KuvBinaryParser/KuvBinaryLeafTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "support/KuvMutations.h"

namespace {

using namespace kuv_test;
using S = KuvEeSerialVar;

// A map of expressions that owns them.
struct Map {
  KuvInMap map{KuvInIntHolder::sType(), KuvEeExpression::sType()};
  ~Map() { map.DeleteAll(); }
  void put(std::uint32_t domain, KuvEeExpression* expression) { map.Put(KuvInIntHolder(domain), expression); }
};

Bytes write(const KuvInMap& map, const KuvBinaryExprData& data, unsigned version) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvBinaryExprParser::Write(map, data, out, version));
  return bytesOf(out);
}

// result is null when nothing was read.
HRESULT read(KuvBinaryExprData& data, const Bytes& bytes, std::unique_ptr<Map>& result) {
  data.setBinary(bytes.empty() ? nullptr : bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  KuvInMap* map = nullptr;
  const HRESULT hr = KuvBinaryExprParser::Read(data, map);
  result.reset();
  if (map != nullptr) {
    result = std::make_unique<Map>();
    result->map.PutAll(*map);
    delete map;
  }
  return hr;
}

std::string textOf(const KuvInMap& map) {
  std::string result;
  for (auto it = map.cBegin(); !it.IsEnd(); it.Next())
    result += text(*it.GetKey()) + ": " + text(*it.GetVal()) + "\n";
  return result;
}

// The leaf world, with the dictionaries of the contexts and the
// effectivities of the effectivity leaves.
struct World : LeafWorld {
  std::vector<std::unique_ptr<KuvEeModelDico>> models;
  std::vector<std::unique_ptr<KuvEePredefEff>> changes;
  std::vector<std::unique_ptr<KuvEeBasicEff>> inherited;
  // The dependency list of the older streams: each model, change and
  // inherited effectivity in turn.
  KuvInList net;

  World() {
    for (unsigned i = 0; i < 3; ++i) {
      models.push_back(std::make_unique<KuvEeModelDico>(KuvInString("Model"), Guid(110 + i).guid()));
      changes.push_back(std::make_unique<KuvEePredefEff>("Change", Guid(120 + i).data(), true, KuvEePredefEff::GLOBAL));
      inherited.push_back(std::make_unique<KuvEeBasicEff>("Inherited", Guid(130 + i).data()));
      data.addCriteriaEeModel(*models.back());
      data.addInheritedEffectivityModel(*models.back());
      data.addExprImpactingCriteria(*changes.back());
      data.addInheritedEffectivity(*inherited.back());
      for (auto* object : std::vector<KuvInObject*>{models.back().get(), changes.back().get(), inherited.back().get()})
        net.PutBack(object);
    }
  }
};

// Random trees over the world; negated leaves only when asked (they read
// back as Not over the leaf). Remembers whether the light parser can read
// what it made back to the same bytes: its made-up dictionaries are other
// keys of a multi-context body, met in another order; it reads no tree
// series (a made-up dictionary enables none) and no selection bound below
// a made-up milestone (it has no place in a tree). For the older streams
// (net) it makes effectivity leaves only, and domain negations too.
class Generator {
public:
  Generator(World& world, unsigned seed, bool negatedLeaves, bool net = false)
      : m_world(world), m_random(seed), m_negated(negatedLeaves), m_net(net) {}

  KuvEeNodeRef* tree(int depth = 0) {
    const unsigned pick = m_random() % (depth >= 4 ? 4 : 7);
    switch (pick) {
      case 0:
        return (new KuvEeTrue)->getNodeRef();
      case 1:
        return (new KuvEeFalse)->getNodeRef();
      case 2:
      case 3:
        return leaf();
      case 4: {
        KuvEeSingleOp* single =
            m_net && m_random() % 2 ? static_cast<KuvEeSingleOp*>(new KuvEeNotDomainOp) : new KuvEeNotOp;
        single->setChildRef(tree(depth + 1));
        return single->getNodeRef();
      }
      default: {
        KuvEeGroupOp* group = pick == 5 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
        for (unsigned n = 1 + m_random() % 3; n > 0; --n) group->addChild(tree(depth + 1)->getNode());
        return group->getNodeRef();
      }
    }
  }

  // models: whether it may hold model criteria beside the global ones.
  KuvEeMultiModelExpression* multiModel(bool change, bool models = true) {
    KuvEeMultiModelExpression* expression =
        change ? static_cast<KuvEeMultiModelExpression*>(new KuvEeChangeExpression) : new KuvEeEffectivityExpression;
    if (!models || m_random() % 2) expression->setGlobalCriteria(tree());
    for (auto& model : m_world.models) {
      if (!models || m_random() % 2) continue;
      m_sameLight = false;
      KuvEeNodeRef* inherited = m_random() % 3 ? tree() : nullptr;
      KuvEeNodeRef* criteria = inherited == nullptr || m_random() % 2 ? tree() : nullptr;
      auto* record = new KuvEeMultiModelExpression::ModelCriteria(&inherited, &criteria);
      expression->setModelCriteria(model.get(), record);
    }
    if (!change)
      for (unsigned n = m_random() % 3; n > 0; --n) {
        KuvInObject* object = m_world.changes[m_random() % 3].get();
        static_cast<KuvEeEffectivityExpression*>(expression)
            ->addOperation(static_cast<KuvEeExpressionOperation::OperationKind>(m_random() % 3), object);
      }
    return expression;
  }

  unsigned next() { return m_random(); }
  bool lightReadable() const { return m_lightReadable; }
  bool sameLightBytes() const { return m_sameLight; }

private:
  KuvEeNodeRef* leaf() {
    World& w = m_world;
    const unsigned i = m_random() % 3;
    KuvEeVarEff* eff = nullptr;
    switch (m_random() % (m_net ? 2 : 8)) {
      case 0:
        return negated(new KuvEeEffLeaf(w.changes[i].get()));
      case 1:
        return negated(new KuvEeEffLeaf(w.inherited[i].get(), w.models[2 - i].get()));
      case 2:
        eff = i == 0 ? new KuvEeOptionEff(&w.blue, KuvEeOptionEff::F) : new KuvEeOptionEff(&w.red, i - 1);
        break;
      case 3: {
        // Value k with the selected-by code k, which routes it to its list.
        KuvEeSelectionValue* values[] = {w.w16, w.w16, w.w17, w.w18};
        auto* selection = new KuvEeSelectionEff(&w.wheels, KuvEeSelectionEff::AllFalse);
        for (unsigned n = 1 + m_random() % 3; n > 0; --n) {
          const unsigned k = m_random() % 4;
          selection->add(values[k], static_cast<KuvCriteriaSelectedBy>(k));
        }
        eff = selection;
        break;
      }
      case 4: {
        std::vector<std::pair<KuvInDate, KuvInDate>> ranges;
        for (unsigned n = m_random() % 3; n > 0; --n) {
          const int year = 1990 + static_cast<int>(m_random() % 40);
          ranges.emplace_back(KuvInDate(year, 1 + m_random() % 12, 1 + m_random() % 28, 1, 1, 1),
                              KuvInDate(year + 1, 1 + m_random() % 12, 1 + m_random() % 28, 24, 60, 60));
        }
        eff = dates(w, ranges);
        break;
      }
      case 5: {
        // Over state revisions 1 to 3 or units, up to the open end; an
        // excluded upper bound leaves a value inside.
        const auto low = static_cast<std::int32_t>(1 + i);
        const std::int32_t high =
            m_random() % 4 == 0 ? S::sc_infinity : low + static_cast<std::int32_t>(m_random() % (3 - i));
        eff = serial(w.model, m_random() % 2 ? S::UNIT : S::STATE, low, true, high,
                     high == S::sc_infinity || high < low + 2 || m_random() % 2);
        break;
      }
      case 6:
        m_lightReadable = false;
        eff = treeSeries(w.model.getTreeSeriesVariable(S::TREE_STATE), selections(w.root, w.a, w.b));
        break;
      default:
        eff = milestones(&w.track, selections(w.mr, w.ma, w.mb));
    }
    if (m_negated && m_random() % 3 == 0) eff->opNot();
    return (new KuvEeVarEffLeaf(eff))->getNodeRef();
  }

  KuvEeNodeRef* negated(KuvEeEffLeaf* leaf) {
    if (m_negated && m_random() % 3 == 0) leaf->opNot();
    return leaf->getNodeRef();
  }

  // One or two selections over a root and its two children: one element,
  // or the root (included or not) down to some of its children.
  std::vector<Sel> selections(KuvEeTreeElementBase* root, KuvEeTreeElementBase* a, KuvEeTreeElementBase* b) {
    std::vector<Sel> result;
    for (unsigned n = 1 + m_random() % 2; n > 0; --n) {
      const unsigned pick = m_random() % 4;
      if (pick < 2) {
        result.push_back({std::vector{root, a, b}[m_random() % 3], true, {}});
        continue;
      }
      result.push_back({root, pick == 2, {}});
      for (KuvEeTreeElementBase* child : {a, b})
        if (m_random() % 2) result.back().to.emplace_back(child, m_random() % 2 == 0);
      m_lightReadable = m_lightReadable && result.back().to.empty();
    }
    return result;
  }

  World& m_world;
  std::mt19937 m_random;
  bool m_negated;
  bool m_net;
  bool m_lightReadable = true;
  bool m_sameLight = true;
};

// Write(Read(b)) == b in both versions, and through the light parser where
// it can read b; Read(Write(e)) is e where no leaf is negated.
TEST(KuvBinaryExprParser, RoundTripsGeneratedExpressions) {
  World world;
  for (unsigned seed = 0; seed < 200; ++seed) {
    SCOPED_TRACE(seed);
    const bool negated = seed % 2 == 0;
    Generator generate(world, seed, negated);
    Map source;
    const bool change = generate.next() % 3 == 0;
    for (std::uint32_t domain = 1; domain <= 5; ++domain)
      if (domain == 1 || generate.next() % 2) source.put(domain, generate.multiModel(change, seed % 3 != 0));
    for (unsigned version : {1u, 2u}) {
      const Bytes bytes = write(source.map, world.data, version);
      std::unique_ptr<Map> back;
      ASSERT_EQ(S_OK, read(world.data, bytes, back));
      EXPECT_EQ(bytes, write(back->map, world.data, version));
      if (!negated) {
        EXPECT_EQ(textOf(source.map), textOf(back->map));
      }
      if (!generate.lightReadable()) continue;
      KuvBinaryExprData fake;
      fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
      std::unique_ptr<Map> light;
      ASSERT_EQ(S_OK, read(fake, bytes, light));
      const Bytes rewritten = write(light->map, fake, version);
      if (generate.sameLightBytes()) {
        EXPECT_EQ(bytes, rewritten);
      } else {
        EXPECT_EQ(bytes.size(), rewritten.size());
      }
    }
  }
}

TEST(KuvBinaryExprParser, HeaderBytes) {
  World world;
  Map map;
  auto* expression = new KuvEeEffectivityExpression;
  expression->setGlobalCriteria((new KuvEeTrue)->getNodeRef());
  map.put(KuvDiversityDomain_EngineeringActivation, expression);
  // kind "ebe", version, [flag, 4 zero bytes], size, 1 domain: 3 at its offset,
  // no operations, one part: True.
  EXPECT_EQ((Bytes{'e', 'b', 'e', 1, 0, 0, 0, 16, 1, 3, 0, 14, 0, 0, 1, 1}), write(map.map, world.data, 1));
  const Bytes version2{'e', 'b', 'e', 2, 0, 0, 0, 0, 0, 0, 0, 0, 22, 1, 3, 0, 19, 0, 0, 0, 1, 1};
  EXPECT_EQ(version2, write(map.map, world.data, 2));
  setenv("CfgUseExprBinaryNewVersion", "2", 1);
  EXPECT_EQ(version2, write(map.map, world.data, 1));
  unsetenv("CfgUseExprBinaryNewVersion");
  map.put(KuvDiversityDomain_ConfigChangeVariant, new KuvEeEffectivityExpression);
  EXPECT_EQ(1, write(map.map, world.data, 2)[4]);  // decoupled

  KuvBioBuffer in(version2.data(), static_cast<std::uint32_t>(version2.size()), 0);
  unsigned version = 0;
  unsigned decoupled = 7;
  EXPECT_EQ(S_OK, KuvBinaryExprParser::GetBinExprVersion(in, version, decoupled));
  EXPECT_EQ(2u, version);
  EXPECT_EQ(0u, decoupled);
  EXPECT_EQ(0u, in.getPosition());
  KuvBioBuffer empty;
  EXPECT_EQ(S_FALSE, KuvBinaryExprParser::GetBinExprVersion(empty, version, decoupled));
}

// The table follows the caller's map as it iterates; nothing re-sorts it.
TEST(KuvBinaryExprParser, DomainsKeepTheMapOrder) {
  World world;
  Map map;
  for (std::uint32_t domain : {1u, 2u, 3u}) map.put(domain, new KuvEeChangeExpression);
  const Bytes bytes = write(map.map, world.data, 1);
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  KuvInListVal domains(KuvInIntHolder::sType());
  ASSERT_EQ(S_OK, KuvBinaryExprParser::GetValuatedDomains(in, domains));
  EXPECT_EQ((std::vector<std::string>{"3", "2", "1"}), textsOf(domains));
  const Bytes coexistence{'c', 'x', 'e', 1};
  KuvBioBuffer old(coexistence.data(), 4, 0);
  EXPECT_TRACES(E_FAIL, "ERROR : NULL domain id array pointer.", KuvBinaryExprParser::GetValuatedDomains(old, domains));
}

TEST(KuvBinaryExprParser, FiltersRoundTrip) {
  World world;
  // A filter selects in one dictionary at most.
  KuvBinaryExprData data;
  data.addCriteriaEeModel(*world.models[0]);
  for (auto& change : world.changes) data.addExprCriteria(*change);
  for (unsigned char condition : {0, 1}) {
    Map map;
    auto* filter = new KuvEeFilterExpression(condition == 0 ? world.models[0].get() : nullptr);
    filter->setCondition(condition);
    filter->setSelectionMode(KuvEeFilterExpression::CFG_SELECTIONMODE_150);
    if (condition == 1) {
      auto* list = new KuvQmSpecList;
      list->AddEff(world.changes[2].get());
      filter->setSpecList(list);
    }
    map.put(1, filter);
    const Bytes bytes = write(map.map, data, 1);
    const Bytes body = condition == 0 ? Bytes{0, 2, 0, 1, 1} : Bytes{255, 2, 0, 1, 11, 0, 2};
    EXPECT_EQ(body, Bytes(bytes.begin() + 12, bytes.end()));
    std::unique_ptr<Map> back;
    ASSERT_EQ(S_OK, read(data, bytes, back));
    EXPECT_EQ(textOf(map.map), textOf(back->map));
    KuvBinaryExprData fake;
    fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
    ASSERT_EQ(S_OK, read(fake, bytes, back));
    EXPECT_EQ(bytes, write(back->map, fake, 1));
  }
}

TEST(KuvBinaryExprParser, WriteRefusals) {
  World world;
  KuvEeModelDico unlisted("Unlisted", Guid(99).guid());
  auto* unlistedModel = new KuvEeChangeExpression;
  KuvEeNodeRef* criteria = (new KuvEeTrue)->getNodeRef();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
  unlistedModel->setModelCriteria(&unlisted, record);
  // A tree the format has no node for: its own code reaches the caller.
  auto* restricted = new KuvEeEffectivityExpression;
  restricted->setGlobalCriteria((new KuvEeRestrictionEffLeaf(new KuvEeDateRestrictionEff))->getNodeRef());
  const struct {
    const char* message;
    std::vector<std::pair<std::uint32_t, KuvEeExpression*>> entries;
    unsigned version;
    HRESULT code = E_FAIL;
  } cases[] = {
      {"ERROR: unexpected input. no expressions found.", {}, 1},
      {"ERROR: NULL value for domain id.", {{0, new KuvEeChangeExpression}}, 1},
      {"ERROR: domain id does not fit in a byte.", {{300, new KuvEeEffectivityExpression}}, 1, static_cast<HRESULT>(0x8009011Au)},
      {"ERROR: unexpected input. no expressions found.",
       {{1, new KuvEeChangeExpression}, {2, new KuvEeFilterExpression}},
       1},
      {"ERROR: unexpected binary version", {{1, new KuvEeChangeExpression}}, 3},
      {"ERROR: Unable to retrieve ModelDico object Index for : ", {{1, unlistedModel}}, 1},
      {"ERROR: To be implemented", {{1, restricted}}, 1, E_NOTIMPL},
  };
  for (const auto& c : cases) {
    Map map;
    for (const auto& [domain, expression] : c.entries) map.put(domain, expression);
    KuvBioBufferOut out;
    EXPECT_TRACES(c.version == 3 ? E_INVALIDARG : c.code, c.message,
                  KuvBinaryExprParser::Write(map.map, world.data, out, c.version));
  }
}

Bytes withBody(Bytes body) {
  Bytes bytes{'c', 'b', 'e', 1, 0, 0, 0, 0, 1, 2, 0, 12};
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

// Refused bytes give the code and its trace, hand nothing out and leak
// nothing; a chain of Not bytes stops at the depth limit.
TEST(KuvBinaryExprParser, ReadRefusals) {
  Bytes nots = withBody({1});
  nots.insert(nots.end(), 100000, 3);
  const struct {
    const char* message;
    Bytes bytes;
  } cases[] = {
      {"ERROR : unexpected binary type", {}},
      {"ERROR : binary is too short", {'e', 'b'}},
      {"ERROR: Binary has an unexpected expression type.", {'e', 'x', 'e', 1}},
      {"ERROR: unexpected binary version", {'c', 'b', 'e', 3}},
      {"ERROR: unexpected number of domains 0.", {'c', 'b', 'e', 1, 0, 0, 0, 0, 0}},
      {"ERROR: unexpected domain id", {'c', 'b', 'e', 1, 0, 0, 0, 0, 2, 1, 0, 0, 1, 0, 0}},
      {"ERROR: unexpected end of binary", {'c', 'b', 'e', 1, 0, 0, 0, 0, 2, 1, 0, 0}},
      {"ERROR: unexpected to have a In-Context criteria here.", withBody({1, 3, 6})},
      {"ERROR: unsupported.", withBody({1, 7})},
      {"ERROR: Unexpected NodeType.", withBody({1, 9})},
      {"ERROR: Unexpected NULL value for number of children.", withBody({1, 4, 0, 0})},
      {"ERROR: Unable to read node type.", withBody({1, 5, 0, 2, 1})},
      {"ERROR: Unable to retrieve current criteria EeModelDico at index ", withBody({1, 6, 0, 9, 1, 0})},
      {"ERROR: setGlobalCriteria FAILED.", withBody({1, 0})},
      {"ERROR : two expressions for global criteria. Unexpected.", withBody({2, 1, 1})},
      {"ERROR: Unable to cast retrieved dependencie to KuvEePredefEff.", withBody({1, 11, 0, 7})},
      {"ERROR: expression nested too deeply.", nots},
      {"ERROR: unexpected to have IsMultiDomain equal to TRUE.",
       {'e', 'b', 'e', 1, 0, 0, 0, 0, 1, 2, 0, 0, 0, 1, 0x18, 1, 2, 11, 0, 0}},
  };
  World world;
  std::unique_ptr<Map> back;
  for (const auto& c : cases) {
    EXPECT_TRACES(E_FAIL, c.message, read(world.data, c.bytes, back));
    EXPECT_EQ(nullptr, back) << c.message;
  }
  EXPECT_TRACES(S_OK, "", read(world.data, {'c', 'x', 'f', 2, 1, 0, 0, 0, 0}, back));
  EXPECT_TRUE(back->map.IsEmpty());
}

// The older "net" streams.
Bytes netWrite(const KuvEeGenericExpression& expression, const KuvInList& dependencies) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvBinaryExprWriter::Write(expression, dependencies, out));
  return bytesOf(out);
}

std::unique_ptr<KuvEeGenericExpression> netRead(const Bytes& bytes, const KuvInList& dependencies) {
  KuvEeGenericExpression* expression = nullptr;
  EXPECT_EQ(S_OK, KuvBinaryExprReader::Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()), dependencies,
                                            expression));
  return std::unique_ptr<KuvEeGenericExpression>(expression);
}

TEST(KuvBinaryExprWriter, TreeBytes) {
  World world;
  const KuvEeGenericExpression expression(
      And({T(), Not(new KuvEeEffLeaf(world.inherited[0].get(), world.models[0].get())),
           NotDom(new KuvEeEffLeaf(world.changes[0].get()))})
          ->getNodeRef());
  // header, tree stream, And of 3: True; Not of the leaf at 2 in dictionary
  // 0; domain negation of the leaf at 1 without dictionary.
  EXPECT_EQ((Bytes{'n', 'e', 't', 1, 0, 0, 0, 27, 1, 1, 0, 0, 0, 3, 9, 4, 11, 0, 0, 0, 2, 0, 0, 0, 0,
                   3, 11, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}),
            netWrite(expression, world.net));
  EXPECT_EQ((Bytes{'n', 'e', 't', 1, 0, 0, 0, 1, 0}), netWrite(KuvEeGenericExpression(), world.net));
}

// Write(Read(b)) == b, and the tree read is the tree written.
TEST(KuvBinaryExprWriter, TreesListsAndRulesRoundTrip) {
  World world;
  for (unsigned round = 0; round < 100; ++round) {
    const KuvEeGenericExpression expression(Generator(world, round, false, true).tree());
    const Bytes bytes = netWrite(expression, world.net);
    const auto back = netRead(bytes, world.net);
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(text(expression), text(*back));
    EXPECT_EQ(bytes, netWrite(*back, world.net));
    // A walker's way: the same tree read from its first node on.
    KuvBinaryExprData data;
    ASSERT_EQ(S_OK, KuvBinaryExprReader::PrepareNodeData(world.net, data));
    KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
    in.increment(9);
    KuvEeNodeRef* node = nullptr;
    ASSERT_TRUE(SUCCEEDED(KuvBinaryEENodeParser::readNode(in, data, false, node, KuvBinaryEENodeParser::E_NetFormat)));
    EXPECT_EQ(text(expression), text(KuvEeGenericExpression(node)));
    EXPECT_EQ(bytes.size(), in.getPosition());
  }
  KuvEeGenericExpression list;
  auto* items = new KuvQmSpecList;
  items->AddEff(world.inherited[0].get());
  list.SetExpression(items, KuvEeGenericExpression::CFG_LISTMODE_150);
  const Bytes bytes = netWrite(list, world.net);
  EXPECT_EQ((Bytes{'n', 'e', 't', 1, 0, 0, 0, 14, 2, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2}), bytes);
  EXPECT_EQ(text(list), text(*netRead(bytes, world.net)));

  KuvInList rules;
  std::vector<std::unique_ptr<KuvEeRule>> owned;
  Generator generate(world, 3, false, true);
  owned.push_back(std::make_unique<KuvEeInclusionRule>(generate.tree(), generate.tree()));
  owned.push_back(std::make_unique<KuvEeInclusionRule>(nullptr, generate.tree()));
  for (auto& rule : owned) rules.PutBack(rule.get());
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvBinaryExprWriter::WriteRules(rules, world.net, out));
  KuvInList back;
  ASSERT_EQ(S_OK, KuvBinaryExprReader::ReadRules(out.GetAsPtr(0), out.GetLength(), world.net, back));
  ASSERT_EQ(2, back.GetLength());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(text(*owned[i]), text(*back.Get(i)));
    delete back.Get(i);
  }
  const KuvEeRule unknown(nullptr, nullptr);
  rules.PutBack(const_cast<KuvEeRule*>(&unknown));
  EXPECT_TRACES(E_FAIL, "UNEXPECTED: InclusionRules ONLY are supported",
                KuvBinaryExprWriter::WriteRules(rules, world.net, out));
}

TEST(KuvBinaryExprReader, RefusesOtherStreams) {
  World world;
  const Bytes tree{'n', 'e', 't', 1, 0, 0, 0, 2, 1, 9};
  const Bytes rules{'n', 'e', 't', 1, 0, 0, 0, 5, 3, 0, 0, 0, 0};
  const struct {
    const char* message;
    Bytes bytes;
    bool asRules;
  } cases[] = {
      {"ERROR: WRONG binary header format.", {'n', 'e', 'x', 1, 0, 0, 0, 2, 1, 9}, false},
      {"ERROR: WRONG binary header format.", {'n', 'e', 't', 2, 0, 0, 0, 2, 1, 9}, false},
      {"ERROR: WRONG binary header format.", {'n', 'e', 't', 1, 0, 0, 0, 3, 1, 9}, false},
      {"ERROR: WRONG binary header format.", {}, false},
      {"ERROR: Incorrect stream identifier", rules, false},
      {"ERROR: INVALID Rules binary header!", tree, true},
      {"ERROR: unexpected bytes after the stream.", {'n', 'e', 't', 1, 0, 0, 0, 3, 1, 9, 9}, false},
      {"ERROR: NULL pointer", {'n', 'e', 't', 1, 0, 0, 0, 10, 1, 11, 0, 0, 0, 9, 0xFF, 0xFF, 0xFF, 0xFF}, false},
      {"ERROR: Unexpected NodeType.", {'n', 'e', 't', 1, 0, 0, 0, 2, 1, 16}, false},
      {"ERROR: Unexpected NodeType.", {'n', 'e', 't', 1, 0, 0, 0, 7, 2, 0, 0, 0, 0, 1, 16}, false},
      {"ERROR: Unable to read node type.", {'n', 'e', 't', 1, 0, 0, 0, 6, 1, 1, 0, 0, 0, 2}, false},
  };
  for (const auto& c : cases) {
    KuvEeGenericExpression* expression = nullptr;
    KuvInList read;
    const auto size = static_cast<std::uint32_t>(c.bytes.size());
    if (c.asRules) {
      EXPECT_TRACES(E_FAIL, c.message, KuvBinaryExprReader::ReadRules(c.bytes.data(), size, world.net, read));
    } else {
      EXPECT_TRACES(E_FAIL, c.message, KuvBinaryExprReader::Read(c.bytes.data(), size, world.net, expression));
    }
    EXPECT_EQ(nullptr, expression);
    EXPECT_TRUE(read.IsEmpty());
  }
}

KuvEeNode* leaf(KuvEeVarEff* eff) { return new KuvEeVarEffLeaf(eff); }

// Criteria of most leaf kinds under And, Or and Not.
KuvEeNodeRef* criteria(LeafWorld& w, unsigned variant) {
  if (variant == 0) {
    auto* selection = new KuvEeSelectionEff(&w.wheels, KuvEeSelectionEff::AllFalse);
    selection->add(w.w16, static_cast<KuvCriteriaSelectedBy>(0));
    selection->add(w.w17, static_cast<KuvCriteriaSelectedBy>(2));
    return And({leaf(new KuvEeOptionEff(&w.red, 1)), Or({leaf(selection), F()}),
                Not(leaf(serial(w.model, KuvEeSerialVar::STATE, 1, true, 3, false)))})
        ->getNodeRef();
  }
  return Or({leaf(dates(w, {{KuvInDate(2001, 2, 3, 1, 1, 1), KuvInDate(2002, 4, 5, 24, 60, 60)}})),
             leaf(milestones(&w.track, {{w.mr, true, {{w.ma, false}}}})),
             Not(leaf(
                 treeSeries(w.model.getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE), {{w.a, true, {}}})))})
      ->getNodeRef();
}

// The leaf world whose model is its one criteria dictionary.
struct OneModel : LeafWorld {
  OneModel() { data.addCriteriaEeModel(model); }
};

// An effectivity in domain 1 (global and model criteria), and in version 2
// also one in domain 4 (a binary holds one kind).
Bytes expressionBinary(OneModel& w, unsigned version) {
  Map map;
  auto* effectivity = new KuvEeEffectivityExpression;
  effectivity->setGlobalCriteria(criteria(w, 0));
  KuvEeNodeRef* modelCriteria = criteria(w, 1);
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &modelCriteria);
  effectivity->setModelCriteria(&w.model, record);
  map.put(1, effectivity);
  if (version == 2) {
    auto* other = new KuvEeEffectivityExpression;
    other->setGlobalCriteria(criteria(w, 1));
    map.put(4, other);
  }
  return write(map.map, w.data, version);
}

TEST(KuvBinaryExprParser, EveryCorruptionOfExpressionsIsRefusedOrUsable) {
  OneModel w;
  Outcomes outcomes;
  for (unsigned version : {1u, 2u}) {
    const Bytes valid = expressionBinary(w, version);
    forEachVariant(valid, [&](const Bytes& bytes, const std::string& label) {
      std::unique_ptr<Map> back;
      HRESULT hr = S_OK;
      captured([&] { hr = read(w.data, bytes, back); });
      outcomes.add(hr);
      EXPECT_TRUE(label.rfind("cut ", 0) != 0 || FAILED(hr)) << label << ": a prefix is never a binary";
      if (FAILED(hr)) {
        EXPECT_EQ(nullptr, back) << label;
        return;
      }
      ASSERT_NE(nullptr, back) << label;
      KuvBioBufferOut out;
      captured([&] { KuvBinaryExprParser::Write(back->map, w.data, out, version); });
    });
  }
  outcomes.expectWithin({S_OK, KuvBioConstants::sc_readIncomplete, E_FAIL}, "ebe");
}

// The older streams: a tree, a list and rules over a caller's dependencies.
struct NetWorld {
  KuvEeModelDico model{KuvInString("Model"), Guid(110).guid()};
  KuvEePredefEff change{"Change", Guid(120).data(), true, KuvEePredefEff::GLOBAL};
  KuvEeBasicEff inherited{"Inherited", Guid(130).data()};
  KuvEePredefEff other{"Other", Guid(121).data(), true, KuvEePredefEff::GLOBAL};
  KuvInList net;
  NetWorld() {
    for (KuvInObject* object : std::vector<KuvInObject*>{&model, &change, &inherited, &other})
      net.PutBack(object);
  }
  KuvEeNodeRef* tree() {
    return And({T(), Not(new KuvEeEffLeaf(&inherited, &model)), NotDom(new KuvEeEffLeaf(&change)),
                Or({new KuvEeEffLeaf(&other), F()})})
        ->getNodeRef();
  }
};

TEST(KuvBinaryExprReader, EveryCorruptionOfStreamsIsRefusedOrUsable) {
  NetWorld w;
  KuvEeGenericExpression list;
  auto* items = new KuvQmSpecList;
  items->AddEff(&w.inherited);
  items->AddEff(&w.other);
  list.SetExpression(items, KuvEeGenericExpression::CFG_LISTMODE_150);
  const std::vector<Bytes> streams = {netWrite(KuvEeGenericExpression(w.tree()), w.net),
                                      netWrite(list, w.net)};
  KuvEeInclusionRule first(w.tree(), (new KuvEeEffLeaf(&w.change))->getNodeRef());
  KuvEeInclusionRule second(nullptr, w.tree());
  KuvInList rules;
  rules.PutBack(&first);
  rules.PutBack(&second);
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvBinaryExprWriter::WriteRules(rules, w.net, out));
  const Bytes ruleStream = bytesOf(out);

  Outcomes outcomes;
  for (const Bytes& valid : streams)
    forEachVariant(valid, [&](const Bytes& bytes, const std::string& label) {
      KuvEeGenericExpression* expression = nullptr;
      HRESULT hr = S_OK;
      captured([&] {
        hr = KuvBinaryExprReader::Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()), w.net,
                                       expression);
      });
      outcomes.add(hr);
      std::unique_ptr<KuvEeGenericExpression> owned(expression);
      if (FAILED(hr)) {
        EXPECT_EQ(nullptr, expression) << label;
        return;
      }
      ASSERT_NE(nullptr, expression) << label;
      KuvBioBufferOut again;
      captured([&] { KuvBinaryExprWriter::Write(*expression, w.net, again); });
    });
  forEachVariant(ruleStream, [&](const Bytes& bytes, const std::string& label) {
    KuvInList read;
    HRESULT hr = S_OK;
    captured([&] {
      hr =
          KuvBinaryExprReader::ReadRules(bytes.data(), static_cast<std::uint32_t>(bytes.size()), w.net, read);
    });
    outcomes.add(hr);
    if (FAILED(hr)) {
      EXPECT_TRUE(read.IsEmpty()) << label;
    }
    for (int i = 0; i < read.GetLength(); ++i) delete read.Get(i);
  });
  outcomes.expectWithin({S_OK, E_FAIL}, "net");
}

}  // namespace
