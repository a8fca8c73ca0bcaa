// Memory runs out in a host's process, and most of all where development
// grows exponentially. This program replaces the global allocator so that
// exactly one chosen allocation fails, and tries every allocation of a call
// in turn: it must answer a code or get by with the right result, never let
// std::bad_alloc out, and leave what it was given whole; the sanitizer run
// checks that nothing leaks.
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"
#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEffEngine/TruthTable.h"
#include "memory/FailingAllocator.h"
#include "support/KuvTestSupport.h"
#include "workflows/HostModel.h"
#ifdef KUV_SAMPLE_DIR
#include "KuvXMLExpat/KuvXMLExprBuilders.h"
#endif

// Type classes are made while the library loads, where no code can reach a
// caller: the class below is denied the memory for its own, and the load
// goes on. Initialized in order of definition, so the failure is armed just
// before the class makes its type class.
namespace {
[[maybe_unused]] const bool g_armedAtLoad = (kuv_test::g_countdown = 0, true);
}  // namespace

class KuvInTypeStarvedAtLoad : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTypeStarvedAtLoad)

public:
  ~KuvInTypeStarvedAtLoad() override = default;
};

KUV_DEFINE_TYPE(KuvInTypeStarvedAtLoad, KuvInObject)

TEST(OutOfMemory, LoadGoesOnWithoutTheTypeClassMemoryDenied) {
  EXPECT_EQ(KuvInTypeStarvedAtLoad::KuvInObject_internal_staticType_owner.m_type, nullptr);
}

namespace {

using namespace kuv_test;

// The transforms work in place: a failure leaves a tree that can be read
// (and must be discarded), a success one of the same meaning, each
// reference read through its definition (which expansion puts in place).
// Grouping and completion are undone before the tree is read.
TEST(OutOfMemory, TransformsAnswerACodeAtEveryFailingAllocation) {
  TruthModel m;
  m.effs[0]->setExpr(optionLeaf(m, 0)->getNodeRef());
  m.effs[1]->setExpr(unitsLeaf(m)->getNodeRef());
  const TruthTable definitions[] = {*truthTable(m, *m.effs[0]->getExpr()),
                                    *truthTable(m, *m.effs[1]->getExpr())};
  const auto meaning = [&](const TruthTable& t) {
    return substitute(substitute(t, 0, definitions[0]), 1, definitions[1]);
  };
  TreeGenerator generator(m, 7,
                          {.maxNodes = 12, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  using Transform = HRESULT (*)(KuvEeNodeRef&);
  const Transform transforms[] = {
      [](KuvEeNodeRef& ref) { return KuvEeNodeDeveloper().develop(ref); },
      [](KuvEeNodeRef& ref) { return KuvEeNodeSimplifier().simplify(ref); },
      [](KuvEeNodeRef& ref) { return KuvEeNodeNormalizer().normalize(ref); },
      [](KuvEeNodeRef& ref) {
        return KuvEeNodeNotRemover(1).removeNots(ref, KuvEeNodeNotRemover::RemNots_None);
      },
      [](KuvEeNodeRef& ref) {
        static KuvEeNodeExpander expander;  // serves every round, failed or not
        return expander.expand(ref, KuvEeNodeExpander::EXPAND_BASIC, nullptr, nullptr);
      },
      [](KuvEeNodeRef& ref) {
        static KuvCoreEVC_NodeClassifier classifier;
        static KuvEeNodeGroupMaker maker(classifier, KuvEeNodeGroupMaker::GROUP_SAME_FAMILY);
        maker.selectClassificationIndex(KuvInIntHolder(KuvEeNodeClassifier::CLASSIF_VARIANT));
        maker.selectClassificationIndex(KuvInIntHolder(KuvEeNodeClassifier::CLASSIF_EVOLUTION));
        std::optional<KuvEeNodeGroupContext> context;
        try {
          context.emplace(ref);
        } catch (const std::bad_alloc&) {
          return E_OUTOFMEMORY;
        }
        HRESULT hr = maker.groupNode(*context);
        if (SUCCEEDED(hr)) hr = KuvEeNodeDeveloper().develop(ref);
        if (SUCCEEDED(hr)) hr = maker.mergeSimilarChildren(*context);
        if (SUCCEEDED(hr)) hr = maker.ungroupNode(*context);
        // A host ungroups what a failure left before its context goes.
        if (FAILED(hr)) context->ungroupAll();
        return hr;
      },
      [](KuvEeNodeRef& ref) {
        static KuvEeNodeAddCompletion completion;
        static KuvEeNodeCompletionRemover remover;
        KuvEeNodeRef* root = &ref;
        HRESULT hr = KuvEeNodeDeveloper().develop(ref);
        if (SUCCEEDED(hr)) hr = completion.addCompletion(root, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
        // Removing the completion gives the developed tree back; a host
        // removes what a failure left.
        const HRESULT removed = remover.removeCompletion(root, nullptr);
        if (FAILED(hr) || FAILED(removed)) remover.removeCompletion(root, nullptr);
        return root != &ref ? E_UNEXPECTED : FAILED(hr) ? hr : removed;
      },
  };
  int failed = 0;
  for (int i = 0; i < 70; ++i) {
    const Tree tree = generator.next();
    const TruthTable table = meaning(*truthTable(m, *tree));
    const Transform transform = transforms[i % std::size(transforms)];
    // Some trees are refused with memory to spare (an And of Trues, by the
    // simplifier).
    const HRESULT expected = transform(*Tree(tree->getNode()->clone()));
    failed += failEachAllocation([&] { return Tree(tree->getNode()->clone()); },
                                 [&](Tree& work) { return transform(*work); },
                                 [&](Tree& work, HRESULT hr, bool reached) {
                                   EXPECT_TRUE(hr == expected || (reached && FAILED(hr))) << i;
                                   // Readable, and with its meaning after a success.
                                   const auto after = truthTable(m, *work);
                                   EXPECT_TRUE(after.has_value() && (hr != S_OK || table == meaning(*after)))
                                       << i;
                                   return SUCCEEDED(hr);
                                 });
  }
  EXPECT_LT(0, failed);
}

// The evolution-variant split works on a copy: the caller gets every term
// or nothing.
TEST(OutOfMemory, SplitAnswersACodeAtEveryFailingAllocation) {
  kuv_workflow::HostModel host;
  kuv_workflow::TextGenerator generator(
      20261208, {.refs = kuv_workflow::TextGenerator::Refs::Change, .groupNegations = false, .dates = false});
  struct Split {
    HRESULT hr = S_OK;
    std::unique_ptr<KuvCoreEVC_Expression> made;
  };
  const auto split = [](const KuvEeGenericExpression& effectivity) {
    Split s;
    KuvCoreEVC_Expression* made = nullptr;
    s.hr = KuvCoreEVC_Expression::Create(effectivity, made);
    s.made.reset(made);
    return s;
  };
  // The terms come in a set of pointers: their texts, sorted.
  const auto textsOf = [](const Split& s) {
    std::vector<std::string> texts;
    KuvInSet terms(KuvCoreEVC_ExpressionAndTerm::sType());
    if (s.made != nullptr) s.made->GetAndTerm(terms);
    for (auto it = terms.cBegin(); it.IsValid(); it.Next()) {
      KuvEeNodeRef* parts[3] = {nullptr, nullptr, nullptr};
      static_cast<KuvCoreEVC_ExpressionAndTerm*>(it.Get())->GetContent(parts[0], parts[1], parts[2]);
      std::string& text = texts.emplace_back();
      for (const KuvEeNodeRef* part : parts) text += (part != nullptr ? shape(*part) : "-") + ";";
    }
    std::sort(texts.begin(), texts.end());
    return texts;
  };
  int failed = 0;
  for (int i = 0; i < 6; ++i) {
    const KuvEeGenericExpression effectivity(host.read(generator.expression()).release());
    const Split whole = split(effectivity);
    failed += failEachAllocation(
        nothing, [&](int) { return split(effectivity); },
        [&](int, const Split& s, bool reached) {
          EXPECT_TRUE(s.hr == whole.hr || (reached && FAILED(s.hr))) << i;
          EXPECT_EQ(s.made != nullptr, SUCCEEDED(s.hr)) << i;
          EXPECT_TRUE(FAILED(s.hr) || textsOf(s) == textsOf(whole)) << i;
          return SUCCEEDED(s.hr);
        });
  }
  EXPECT_LT(0, failed);
}

// A set or a map that runs out of memory while growing keeps every element
// it took, finds each of them, and nothing else.
TEST(OutOfMemory, SetsAndMapsKeepWhatTheyTook) {
  struct Filled {
    KuvInSetVal set{KuvInIntHolder::sType()};
    KuvInMapVal map{KuvInIntHolder::sType(), KuvInIntHolder::sType()};
    std::vector<bool> inSet = std::vector<bool>(100), inMap = std::vector<bool>(100);
  };
  const auto value = [](std::uint32_t i) { return KuvInIntHolder(i * 7919u); };
  failEachAllocation([] { return std::make_unique<Filled>(); },
                     [&](std::unique_ptr<Filled>& f) {
                       for (std::uint32_t i = 0; i < 100; ++i) {
                         try {
                           f->inSet[i] = f->set.Put(value(i));
                         } catch (const std::bad_alloc&) {
                         }
                         try {
                           f->inMap[i] = SUCCEEDED(f->map.Put(value(i), value(i)));
                         } catch (const std::bad_alloc&) {
                         }
                       }
                       return 0;
                     },
                     [&](std::unique_ptr<Filled>& f, int, bool) {
                       int setCount = 0, mapCount = 0, iterated = 0;
                       for (std::uint32_t i = 0; i < 100; ++i) {
                         EXPECT_EQ(f->inSet[i], f->set.Find(value(i))) << i;
                         EXPECT_EQ(f->inMap[i], f->map.Get(value(i)) != nullptr) << i;
                         setCount += f->inSet[i] ? 1 : 0;
                         mapCount += f->inMap[i] ? 1 : 0;
                       }
                       for (auto it = f->set.cBegin(); it.IsValid(); it.Next()) ++iterated;
                       EXPECT_EQ(setCount, iterated);
                       EXPECT_EQ(setCount, f->set.GetLength());
                       EXPECT_EQ(mapCount, f->map.GetLength());
                       return true;
                     });
}

// An operation that runs out of memory answers E_OUTOFMEMORY and leaves the
// caller's tree whole and the caller's.
TEST(OutOfMemory, ChangeOperationLeavesTheTreeToTheCaller) {
  TruthModel m;
  TreeGenerator generator(m, 11,
                          {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  KuvInObject* change = m.change.get();
  const KuvEeExpressionOperation cut(KuvEeExpressionOperation::CUT, change);
  const TruthTable notChange = ~*truthTable(m, *own(changeLeaf(m)));
  struct Operands {
    TruthTable table;
    KuvEeNodeRef* input;
    KuvEeNodeRef* out = nullptr;
  };
  failEachAllocation(
      [&] {
        Tree tree = generator.next();
        const TruthTable table = *truthTable(m, *tree);
        return Operands{table, tree.release()};
      },
      [&](Operands& o) { return KuvEeExpressionOperation::performOperation(o.input, cut, o.out, nullptr); },
      [&](Operands& o, HRESULT hr, bool reached) {
        EXPECT_TRUE(hr == S_OK || (reached && hr == E_OUTOFMEMORY));
        EXPECT_TRUE(SUCCEEDED(hr) ? o.input == nullptr && o.out != nullptr
                                  : o.input != nullptr && o.out == nullptr);
        const Tree left(o.input != nullptr ? o.input : o.out);
        EXPECT_EQ(o.table & (o.input != nullptr ? o.table : notChange), *truthTable(m, *left));
        return true;
      });
}

// A host's category of one option (GUID guid + 1), and its deletion with
// the option.
KuvEeCategory* category(const char* name, unsigned guid, const char* option) {
  auto* made = new KuvEeCategory(name, Guid(guid).data());
  new KuvEeCatOptionVar(option, Guid(guid + 1).data(), made);
  return made;
}
void deleteFeature(KuvInObject* feature) {
  std::vector<KuvInObject*> doomed;
  if (auto* c = KuvEeCategory::cast(*feature))
    for (auto it = c->getOptionVars().cBegin(); it.IsValid();) doomed.push_back(it.GetGoToNext());
  for (KuvInObject* option : doomed) delete option;
  delete feature;
}

// A model's registration that runs out of memory changes nothing: the
// caller keeps the model and its copy of a feature the context already has
// (which would have given way), the context knows none of the model's
// objects, and registering again succeeds. Every other round the caller
// deletes what it kept instead, which the sanitizer run proves was not left
// in the context.
TEST(OutOfMemory, RegistrationOfADictionaryChangesAllOrNothing) {
  struct Registering {
    Registering() {
      KuvEeDicoObject* shared = category("Color", 10, "Red");
      EXPECT_EQ(S_OK, context.AddConfigFeature(shared));
      model->addConfigFeature(paint);
      model->addConfigFeature(category("Size", 20, "Large"));
      auto* trim = new KuvEeSelectionVar("Trim", Guid(30).data());
      trim->addValue("Sport", Guid(31).data());
      model->addConfigFeature(trim);
      model->enableEvolutionSeries(KuvEeSerialVar::STATE);
      states = model->getSeriesVariable(KuvEeSerialVar::STATE);
      states->setGuid(Guid(40).data());
      states->addRevision(new KuvEeSerialVarValue("S1", Guid(41).data(), "A", 1, states));
      model->enableEvolutionSeries(KuvEeSerialVar::TREE_STATE);
      tree = model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
      tree->setRootTreeSeriesElement(
          new KuvEeTreeSeriesElement("T", Guid(50).data(), "A", treeIndex("1-9"), tree, nullptr));
      model->addMilestonesTrack(track);
      track->setRootMilestone(
          new KuvEeMilestone("Gate", Guid(61).data(), track, treeIndex("1-9"), nullptr, nullptr));
    }
    // What a host deletes of a model it kept: its features, then the model.
    void deleteModel() {
      const KuvInSet* set = nullptr;
      model->getConfigFeatures(set);
      std::vector<KuvInObject*> features;
      for (auto it = set->cBegin(); it.IsValid();) features.push_back(it.GetGoToNext());
      for (KuvInObject* feature : features) deleteFeature(feature);
      delete model;
    }
    // Whether the context knows the model's objects, and the model has the
    // context's feature in place of paint; all or none of it.
    int known() {
      KuvEeDicoObject* object = nullptr;
      KuvEeModelDico* found = nullptr;
      KuvEeTreeSeriesElement* element = nullptr;
      KuvEeMilestone* gate = nullptr;
      std::uint32_t seq = 0;
      ScopedFlags quiet(KuvEeExpressionContext::traceChannel(), 0);
      int count = (context.GetModelDico(KuvInString("Car"), found) == S_OK) +
                  (context.GetConfigFeature(KuvInString("Size"), object) == S_OK) +
                  (context.ComputeSequenceNumber(states, "S1", "A", seq) == S_OK) +
                  (context.RetrieveTreeSeriesElement(tree, "T", "A", element) == S_OK) +
                  (context.RetrieveMilestone(track, "Gate", gate) == S_OK);
      for (unsigned guid : {1, 20, 21, 30, 31, 40, 41, 50, 60, 61})
        count += context.GetEEObject(Guid(guid).guid(), object);
      object = nullptr;
      model->getConfigFeature(Guid(10).guid(), object);
      count += object != paint && !KuvEeLifeCycleMngr::getInstance().isRegistered(paint);
      return count;
    }
    KuvEeExpressionContext context;
    KuvEeModelDico* model = new KuvEeModelDico("Car", Guid(1).guid());
    KuvEeCategory* paint = category("Paint", 10, "Red");  // the context's Color, named otherwise
    KuvEeMilestonesVar* track = new KuvEeMilestonesVar("Track", Guid(60).data(), "Design", model);
    KuvEeSerialVar* states = nullptr;
    KuvEeTreeSeriesVar* tree = nullptr;
  };
  constexpr int all = 16;
  int round = 0;
  const int failed = failEachAllocation([] { return std::make_unique<Registering>(); },
                                        [](auto& r) {
                                          KuvEeModelDico* handle = r->model;
                                          const HRESULT hr = r->context.AddModelDico(handle, true);
                                          EXPECT_EQ(r->model, handle);
                                          return hr;
                                        },
                                        [&](auto& r, HRESULT hr, bool reached) {
                                          EXPECT_TRUE(hr == S_OK || (reached && hr == E_OUTOFMEMORY)) << hr;
                                          EXPECT_EQ(hr == S_OK ? all : 0, r->known());
                                          if (hr == S_OK) return true;
                                          if (++round % 2 == 0) {
                                            r->deleteModel();
                                          } else {
                                            KuvEeModelDico* handle = r->model;
                                            EXPECT_EQ(S_OK, r->context.AddModelDico(handle, true));
                                            EXPECT_EQ(all, r->known());
                                          }
                                          return false;
                                        });
  EXPECT_LT(0, failed);
}

// A context's lookups copy names into their keys and their answers: each
// answers as it would or E_OUTOFMEMORY, its outputs unchanged (a set to fill
// left empty). Names are long enough not to fit in a string's own buffer.
TEST(OutOfMemory, ContextLookupsAnswerACodeAtEveryFailingAllocation) {
  struct Looking {
    Looking() {
      for (KuvEeModelDico* entered : {model, bike}) {
        EXPECT_EQ(S_OK, context.AddModelDico(entered, true));
        entered->addConfigFeature(color);
      }
      model->enableEvolutionSeries(KuvEeSerialVar::STATE);
      EXPECT_EQ(S_OK, context.AddRevision(model, KuvEeSerialVar::STATE, Guid(3).guid(), series, revision, 7));
      EXPECT_EQ(S_OK, context.AddRevision(model, KuvEeSerialVar::TREE_STATE, nullptr, Guid(4).guid(), series,
                                          revision, treeIndex("1-9"), false));
      EXPECT_EQ(S_OK, context.AddMilestonesTrack(model, Guid(5).guid(), series, revision, false));
      model->getMilestonesTrack(Guid(5).guid(), track);
      EXPECT_EQ(S_OK,
                context.AddMilestone(track, Guid(6).guid(), series, treeIndex("1-9"), nullptr, nullptr));
    }
    ~Looking() { delete color; }
    KuvEeSerialVar* states() const { return model->getSeriesVariable(KuvEeSerialVar::STATE); }
    KuvEeTreeSeriesVar* tree() const { return model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE); }
    const KuvInString series{"Production series of the year"}, revision{"Revision of the spring"};
    KuvEeExpressionContext context;
    KuvEeModelDico* model = new KuvEeModelDico("Car", Guid(1).guid());
    KuvEeModelDico* bike = new KuvEeModelDico("Bike", Guid(8).guid());
    KuvEeSelectionVar* color = new KuvEeSelectionVar("Color", Guid(2).data());
    KuvEeMilestonesVar* track = nullptr;
    // The outputs, with what they hold before the calls.
    std::uint32_t seq = 0;
    KuvInTreeEvalIndex index = treeIndex("5-6");
    KuvInString name{"none"}, rev{"none"};
    KuvEeMilestone* milestone = nullptr;
    KuvEeTreeSeriesElement* element = nullptr;
    KuvInSet models{KuvEeModelDico::sType()};
    KuvEeDateVar* date = nullptr;
  };
  const int failed = failEachAllocation(
      [] { return std::make_unique<Looking>(); },
      [](auto& l) {
        return std::array<HRESULT, 7>{
            l->context.ComputeSequenceNumber(l->states(), l->series, l->revision, l->seq),
            l->context.ComputeSequenceNumber(l->tree(), l->series, l->revision, l->index),
            l->context.RetrieveSeriesElementIdentification(l->states(), 7, l->name, l->rev),
            l->context.RetrieveMilestone(l->track, l->series, l->milestone),
            l->context.RetrieveTreeSeriesElement(l->tree(), l->series, l->revision, l->element),
            l->context.GetSetOfMDsContainingFeature(l->color, l->models),
            l->context.ActivateDate()};
      },
      [](auto& l, const std::array<HRESULT, 7>& hrs, bool reached) {
        // Each output as it was (0), as the call finds it (1), or otherwise.
        const auto state = [](bool before, bool after) { return before ? 0 : after ? 1 : 2; };
        const KuvInString index = l->index.toString();
        const int states[] = {state(l->seq == 0, l->seq == 7),
                              state(index == KuvInString("5-6"), index == KuvInString("1-9")),
                              state(l->name == KuvInString("none") && l->rev == KuvInString("none"),
                                    l->name == l->series && l->rev == l->revision),
                              state(l->milestone == nullptr, true),
                              state(l->element == nullptr, true),
                              state(l->models.IsEmpty(), l->models.GetLength() == 2),
                              state(l->context.GetDate(l->date) != S_OK, true)};
        int failures = 0;
        for (std::size_t i = 0; i < hrs.size(); ++i) {
          failures += hrs[i] == E_OUTOFMEMORY;
          EXPECT_EQ(hrs[i] == S_OK ? 1 : 0, states[i]) << i << " " << hrs[i];
        }
        EXPECT_EQ(reached ? 1 : 0, failures);
        return failures == 0;
      });
  EXPECT_LT(6, failed);
}

// A subtree joins a no-tree-mode bag all or nothing: a failed join leaves
// no index entry to lead a search to elements that stay the caller's.
TEST(OutOfMemory, SubtreeJoinsABagAllOrNothing) {
  struct Joining {
    Joining() {
      model.addMilestonesTrack(track);
      top->addChild(new KuvEeMilestone("Inner", Guid(4).data(), track, narrow, nullptr, top.get()));
    }
    int found() const {
      KuvEeMilestone* a = nullptr;
      KuvEeMilestone* b = nullptr;
      return (track->getMilestone(wide, a) == S_OK) + (track->getMilestone(narrow, b) == S_OK);
    }
    const KuvInTreeEvalIndex wide = treeIndex("1-9"), narrow = treeIndex("2-3");
    KuvEeModelDico model{"Car", Guid(1).guid()};
    KuvEeMilestonesVar* track = new KuvEeMilestonesVar("Track", Guid(2).data(), "Design", &model, true);
    std::unique_ptr<KuvEeMilestone> top =
        std::make_unique<KuvEeMilestone>("Gate", Guid(3).data(), track, wide, nullptr, nullptr);
  };
  const int failed = failEachAllocation([] { return std::make_unique<Joining>(); },
                                        [](auto& j) {
                                          const HRESULT hr =
                                              j->track->addElementToNoTreeModeBag(j->top.get());
                                          if (hr == S_OK) j->top.release();
                                          return hr;
                                        },
                                        [](auto& j, HRESULT hr, bool) {
                                          EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << hr;
                                          EXPECT_EQ(hr == S_OK ? 2 : 0, j->found()) << hr;
                                          j->top.reset();
                                          EXPECT_EQ(hr == S_OK ? 2 : 0, j->found()) << hr;
                                          return hr == S_OK;
                                        });
  EXPECT_LT(1, failed);
}

// A child joins an element of a bag all or nothing: a refused child is
// found by no search and stays the caller's.
TEST(OutOfMemory, ChildJoinsABagElementAllOrNothing) {
  struct Adopting {
    Adopting() {
      model.addMilestonesTrack(track);
      track->addElementToNoTreeModeBag(top);
    }
    KuvEeModelDico model{"Car", Guid(1).guid()};
    KuvEeMilestonesVar* track = new KuvEeMilestonesVar("Track", Guid(2).data(), "Design", &model, true);
    KuvEeMilestone* top =
        new KuvEeMilestone("Gate", Guid(3).data(), track, treeIndex("1-9"), nullptr, nullptr);
    std::unique_ptr<KuvEeMilestone> inner =
        std::make_unique<KuvEeMilestone>("Inner", Guid(4).data(), track, treeIndex("2-3"), nullptr, top);
  };
  const int failed = failEachAllocation(
      [] { return std::make_unique<Adopting>(); },
      [](auto& a) {
        const HRESULT hr = a->top->addChild(a->inner.get());
        if (hr == S_OK) a->inner.release();
        return hr;
      },
      [](auto& a, HRESULT hr, bool) {
        KuvEeMilestone* found = nullptr;
        EXPECT_EQ(hr == S_OK ? S_OK : S_FALSE, a->track->getMilestone(treeIndex("2-3"), found)) << hr;
        EXPECT_EQ(hr == S_OK ? 1 : 0, a->top->getChildren().GetLength());
        EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << hr;
        return hr == S_OK;
      });
  EXPECT_LT(0, failed);
}

// Copying a tree variable's elements, or an element's descendants, answers
// a code with the set left empty.
TEST(OutOfMemory, TreeElementCopiesAnswerACodeWithTheSetEmptied) {
  struct Bag {
    Bag() {
      track->addElementToNoTreeModeBag(top);
      top->addChild(new KuvEeMilestone("Inner", Guid(4).data(), track.get(), treeIndex("2-3"), nullptr, top));
      track->addElementToNoTreeModeBag(
          new KuvEeMilestone("Late", Guid(5).data(), track.get(), treeIndex("10-12"), nullptr, nullptr));
    }
    std::unique_ptr<KuvEeMilestonesVar> track =
        std::make_unique<KuvEeMilestonesVar>("Track", Guid(2).data(), "Design", nullptr, true);
    KuvEeMilestone* top =
        new KuvEeMilestone("Gate", Guid(3).data(), track.get(), treeIndex("1-9"), nullptr, nullptr);
    KuvInSet elements{KuvEeMilestone::sType()}, children{KuvEeMilestone::sType()};
  };
  const int failed = failEachAllocation(
      [] { return std::make_unique<Bag>(); },
      [](auto& b) {
        return std::pair{b->track->getAllElements(b->elements), b->top->getAllChildren(b->children)};
      },
      [](auto& b, std::pair<HRESULT, HRESULT> hrs, bool) {
        EXPECT_EQ(hrs.first == S_OK ? 3 : 0, b->elements.GetLength()) << hrs.first;
        EXPECT_EQ(hrs.second == S_OK ? 1 : 0, b->children.GetLength()) << hrs.second;
        EXPECT_TRUE((hrs.first == S_OK || hrs.first == E_OUTOFMEMORY) &&
                    (hrs.second == S_OK || hrs.second == E_OUTOFMEMORY));
        return hrs == std::pair{S_OK, S_OK};
      });
  EXPECT_LT(1, failed);
}

// A host's node edits answer a code when memory runs out: a child moving
// between operators stays where it was, a copy of the children is left
// empty.
TEST(OutOfMemory, NodeEditsAnswerACodeWithNothingChanged) {
  struct Trees {
    Trees() {
      from->addChild(child);
      from->addChild(new KuvEeFalse);
      to->addChild(new KuvEeFalse);
    }
    KuvEeAndOp* from = new KuvEeAndOp;
    KuvEeOrOp* to = new KuvEeOrOp;
    KuvEeNode* child = new KuvEeTrue;
    Tree owners[2] = {own(from), own(to)};
    KuvInLinkList copy{KuvEeNodeRef::sType()};
  };
  const int failed = failEachAllocation([] { return std::make_unique<Trees>(); },
                                        [](auto& t) {
                                          const HRESULT hr = t->to->addChild(t->child);
                                          return hr == S_OK ? t->from->getChildrenRefs(t->copy) : hr;
                                        },
                                        [](auto& t, HRESULT hr, bool) {
                                          EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << hr;
                                          const bool moved = shape(t->to) == "Or(F,T)";
                                          EXPECT_EQ(moved ? "And(F)" : "And(T,F)", shape(t->from));
                                          EXPECT_EQ(moved ? "Or(F,T)" : "Or(F)", shape(t->to));
                                          EXPECT_EQ(hr == S_OK ? 1 : 0, t->copy.GetLength());
                                          return hr == S_OK;
                                        });
  EXPECT_LT(1, failed);
}

// A host's dictionary edits in turn, each answering a code when memory runs
// out and changing nothing then: an option joins a variable space with its
// category, a feature and a date variable join a model, a value and a
// revision their variables. The edits before the failing one stay done.
TEST(OutOfMemory, DictionaryEditsAnswerACodeWithNothingChanged) {
  struct Edits {
    KuvEeModelDico model{"Car", Guid(1).guid()};
    KuvEeVarSpace space{"Reader", Guid(2).data()};
    KuvEeCategory category{"Engine", Guid(3).data()};
    std::unique_ptr<KuvEeCatOptionVar> option =
        std::make_unique<KuvEeCatOptionVar>("V8", Guid(4).data(), &category);
    KuvEeSelectionVar color{"Color", Guid(5).data()};
    KuvEeSerialVar* states =
        (model.enableEvolutionSeries(KuvEeSerialVar::STATE), model.getSeriesVariable(KuvEeSerialVar::STATE));
    std::unique_ptr<KuvEeSerialVarValue> revision =
        std::make_unique<KuvEeSerialVarValue>("S1", Guid(7).data(), "A", 1, states);
    std::array<bool, 5> done() const {
      KuvEeDicoObject* feature = nullptr;
      return {space.getOptionVar(Guid(4).guid()) != nullptr && space.getCategory(Guid(3).guid()) != nullptr,
              model.getConfigFeature(Guid(5).guid(), feature) == S_OK, model.getDateVariable() != nullptr,
              color.getValue(Guid(6).guid()) != nullptr, states->getRevision(1) != nullptr};
    }
  };
  const int failed = failEachAllocation(
      [] { return std::make_unique<Edits>(); },
      [](auto& e) {
        const std::function<HRESULT()> steps[] = {
            [&] { return e->space.addOptionVar(e->option.get()); },
            [&] { return e->model.addConfigFeature(&e->color); },
            [&] { return e->model.enableDateEvolution(); },
            [&] { return e->color.addValue("Red", Guid(6).data()) != nullptr ? S_OK : E_OUTOFMEMORY; },
            [&] {
              const HRESULT hr = e->states->addRevision(e->revision.get());
              if (hr == S_OK) e->revision.release();
              return hr;
            }};
        for (std::size_t i = 0; i < std::size(steps); ++i)
          if (const HRESULT hr = steps[i](); hr != S_OK) return std::pair{i, hr};
        return std::pair{std::size(steps), S_OK};
      },
      [](auto& e, std::pair<std::size_t, HRESULT> answer, bool) {
        const auto [reached, hr] = answer;
        EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << reached << " " << hr;
        const std::array<bool, 5> done = e->done();
        for (std::size_t i = 0; i < done.size(); ++i) EXPECT_EQ(i < reached, done[i]) << i;
        return hr == S_OK;
      });
  EXPECT_LT(4, failed);
}

// A host's registrations one by one, each all or nothing: its copy of a
// feature the context has gives way in the model, a new feature enters the
// context and the model, an option, a value, a milestone track in no-tree
// mode with a milestone in its bag, a revision, a tree series enabled for
// its first element with a child under it, a change, an inherited
// effectivity and its dictionary. A round that fails leaves the calls
// before it done and the others undone, and what they did not take stays
// the caller's.
TEST(OutOfMemory, RegistrationOfAFeatureOrAChangeChangesAllOrNothing) {
  enum Step {
    Paint,
    Size,
    Option,
    Value,
    Track,
    Milestone,
    Revision,
    TreeTop,
    TreeChild,
    Change,
    Inherited,
    Old,
    Steps
  };
  struct Adding {
    Adding() {
      for (KuvEeDicoObject* handle :
           {static_cast<KuvEeDicoObject*>(color), static_cast<KuvEeDicoObject*>(trim)})
        EXPECT_EQ(S_OK, context.AddConfigFeature(handle));
      KuvEeModelDico* entered = model;
      EXPECT_EQ(S_OK, context.AddModelDico(entered, true));
      model->addConfigFeature(paint);
      model->enableEvolutionSeries(KuvEeSerialVar::STATE);
      inherited.PutBack(old);
    }
    ~Adding() {
      // Whatever the context did not take: out of the model, then deleted.
      for (Step step : {Paint, Size}) {
        if (done(step)) continue;
        KuvEeCategory* feature = step == Paint ? paint : size;
        model->removeConfigFeature(feature);
        deleteFeature(feature);
      }
      if (!done(Change)) delete change;
      if (!done(Inherited)) delete eff;
      if (!done(Old)) delete old;
    }
    HRESULT run(int first = Paint) {
      from = first;
      KuvEeDicoObject* handles[] = {paint, size};
      KuvEePredefEff* entered = change;
      KuvEeBasicEff* inheritedEff = eff;
      const std::function<HRESULT()> steps[] = {
          [&] { return context.AddConfigFeature(handles[0], model); },
          [&] { return context.AddConfigFeature(handles[1], model); },
          [&] { return context.AddConfigFeatureOption("Small", Guid(22).guid(), size); },
          [&] { return context.AddConfigFeatureOption("Sport", Guid(41).guid(), trim); },
          [&] { return context.AddMilestonesTrack(model, Guid(50).guid(), "Gates", "Design", true); },
          [&] { return context.AddMilestone(track(), Guid(51).guid(), "Gate", wide, nullptr, nullptr); },
          [&] { return context.AddRevision(states(), Guid(60).guid(), "S1", "A", 1); },
          [&] {
            return context.AddRevision(model, KuvEeSerialVar::TREE_STATE, nullptr, Guid(70).guid(), "T", "A",
                                       wide, true);
          },
          [&] {
            return context.AddRevision(model, KuvEeSerialVar::TREE_STATE, element("T"), Guid(71).guid(), "T2",
                                       "A", narrow, true);
          },
          [&] { return context.AddChangeRef(entered); },
          [&] { return context.AddInheritedEff(inheritedEff, inherited); },
          [&] { return from == Old ? context.AddInheritedEff(inheritedEff, inherited) : S_OK; }};
      HRESULT hr = S_OK;
      for (int step = first; step < Steps; ++step)
        if (FAILED(hr = steps[step]())) break;
      return hr;
    }
    // Whether a step is done, checked to be all or nothing.
    bool done(Step step) {
      ScopedFlags quiet(KuvEeExpressionContext::traceChannel(), 0);
      KuvEeDicoObject* feature = nullptr;
      KuvEePredefEff* found = nullptr;
      const auto known = [&](unsigned guid) { return context.GetEEObject(Guid(guid).guid(), seen); };
      int facts = 0, all = 2;
      switch (step) {
        case Paint:
          model->getConfigFeature(Guid(10).guid(), feature);
          facts = (feature == color) + !KuvEeLifeCycleMngr::getInstance().isRegistered(paint);
          break;
        case Size:
          model->getConfigFeature(Guid(20).guid(), feature);
          facts = (feature == size) + known(20) + known(21);
          all = 3;
          break;
        case Option:
          facts = (size->getOptionVar(KuvInString("Small")) != nullptr) + known(22);
          break;
        case Value:
          facts = (trim->getValue(KuvInString("Sport")) != nullptr) + known(41);
          break;
        case Track:
          facts = (track() != nullptr) + known(50);
          break;
        case Milestone: {
          KuvEeMilestone* gate = nullptr;
          facts = track() != nullptr && context.RetrieveMilestone(track(), "Gate", gate) == S_OK;
          gate = nullptr;
          facts += known(51) + (track() != nullptr && track()->getMilestone(wide, gate) == S_OK);
          all = 3;
          break;
        }
        case Revision: {
          const KuvInMap* revisions = nullptr;
          states()->getSeqNb2Revisions(revisions);
          std::uint32_t seq = 0;
          facts = (revisions->Get(KuvInIntHolder(1)) != nullptr) + known(60) +
                  (context.ComputeSequenceNumber(states(), "S1", "A", seq) == S_OK);
          all = 3;
          break;
        }
        case TreeTop:
        case TreeChild: {
          const bool top = step == TreeTop;
          KuvEeTreeSeriesElement* byIndex = nullptr;
          facts = (element(top ? "T" : "T2") != nullptr) + known(top ? 70 : 71) +
                  (tree() != nullptr && tree()->getTreeSeriesElement(top ? wide : narrow, byIndex) == S_OK) +
                  (top && tree() != nullptr);
          all = top ? 4 : 3;
          break;
        }
        case Change:
          facts = (context.GetChange(KuvInString("ECO"), found) == S_OK) + known(30);
          break;
        default: {
          const KuvInMap* dicos = nullptr;
          const bool listed = context.GetAllDictionariesForInheritedEffectivity(eff, dicos) == S_OK;
          KuvEeModelDico* registered = nullptr;
          if (step == Inherited)
            facts = listed + known(80);
          else
            facts = (listed && dicos->Get(KuvInString("Old")) == old) + known(81) +
                    (context.GetModelDico(KuvInString("Old"), registered) == S_OK);
          all = step == Inherited ? 2 : 3;
        }
      }
      EXPECT_TRUE(facts == 0 || facts == all) << step;
      return facts == all;
    }
    KuvEeExpressionContext context;
    KuvEeCategory* color = category("Color", 10, "Red");
    KuvEeCategory* paint = category("Paint", 10, "Red");  // Color, named otherwise
    KuvEeCategory* size = category("Size", 20, "Large");
    KuvEeSelectionVar* trim = new KuvEeSelectionVar("Trim", Guid(40).data());
    KuvEePredefEff* change = new KuvEePredefEff("ECO", Guid(30).data(), true, KuvEePredefEff::GLOBAL);
    KuvEeModelDico* model = new KuvEeModelDico("Car", Guid(1).guid());
    KuvEeBasicEff* eff = new KuvEeBasicEff("Inherited", Guid(80).data());
    KuvEeModelDico* old = new KuvEeModelDico("Old", Guid(81).guid());
    KuvInList inherited{KuvEeModelDico::sType()};
    int from = Paint;  // the first step run
    const KuvInTreeEvalIndex wide = treeIndex("1-9"), narrow = treeIndex("2-3");
    KuvEeSerialVar* states() const { return model->getSeriesVariable(KuvEeSerialVar::STATE); }
    KuvEeTreeSeriesVar* tree() const { return model->getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE); }
    KuvEeMilestonesVar* track() const {
      KuvEeMilestonesVar* found = nullptr;
      model->getMilestonesTrack(Guid(50).guid(), found);
      return found;
    }
    KuvEeTreeSeriesElement* element(const char* name) {
      KuvEeTreeSeriesElement* found = nullptr;
      if (tree() != nullptr) context.RetrieveTreeSeriesElement(tree(), name, "A", found);
      return found;
    }
    KuvEeDicoObject* seen = nullptr;
  };
  const int failed =
      failEachAllocation([] { return std::make_unique<Adding>(); }, [](auto& a) { return a->run(); },
                         [](auto& a, HRESULT hr, bool reached) {
                           EXPECT_TRUE(hr == S_OK || hr == S_FALSE || (reached && hr == E_OUTOFMEMORY)) << hr;
                           // The steps done are a prefix, all of them after a success;
                           // once memory is back, the others can be done.
                           for (const bool again : {false, true}) {
                             int prefix = Steps;
                             for (int step = Paint; step < Steps; ++step) {
                               const bool now = a->done(static_cast<Step>(step));
                               EXPECT_TRUE(step < prefix || !now) << step;
                               if (!now && prefix == Steps) prefix = step;
                             }
                             EXPECT_EQ(again || SUCCEEDED(hr), prefix == Steps);
                             if (!again && FAILED(hr)) {
                               EXPECT_TRUE(SUCCEEDED(a->run(prefix)));
                             }
                           }
                           return SUCCEEDED(hr);
                         });
  EXPECT_LT(0, failed);
}

// The normal form answers null when memory runs out, never throws, and
// leaves nothing behind.
TEST(OutOfMemory, NormalFormAnswersNullAtEveryFailingAllocation) {
  TruthModel m;
  TreeGenerator generator(m, 13,
                          {.maxNodes = 10, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  int failed = 0;
  for (int i = 0; i < 30; ++i) {
    const Tree tree = generator.next();
    const TruthTable table = *truthTable(m, *tree);
    failed += failEachAllocation(
        nothing, [&](int) { return std::unique_ptr<KuvDnf>(KuvEeDnfConvertor::NodeRef2Dnf(*tree)); },
        [&](int, const std::unique_ptr<KuvDnf>& dnf, bool reached) {
          EXPECT_TRUE(dnf != nullptr ? table == *dnfTable(m, *dnf) : reached) << i;
          return dnf != nullptr;
        });
  }
  EXPECT_LT(0, failed);
}

using Bytes = std::vector<std::uint8_t>;

// The compiled binary of an effectivity or a filter on the host's
// dictionary, in the current view of the Config Change domain.
struct Compiling {
  explicit Compiling(KuvEeExpression& expression) {
    byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), &expression);
    views.Put(&current);
  }
  HRESULT run() {
    return KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, CFG_EXPRVIEW_CURRENT);
  }
  Bytes bytes() const { return bytesOf(out); }

  KuvInMap byDomain{KuvInIntHolder::sType(), KuvEeExpression::sType()};
  KuvInIntHolder current{CFG_EXPRVIEW_CURRENT};
  KuvInSet views{KuvInIntHolder::sType()};
  KuvBioBufferOut out;
};

// Where a host meets memory running out on the way from a text to a visible
// object: reading the text, storing and reloading its definition, compiling
// it, and a filter handler and a query deciding its visibility.
struct HostCalls {
  explicit HostCalls(const std::string& text)
      : text(text), tree(host.read(text)), table(*truthTable(host.truth, *tree)) {}

  bool sameTable(const KuvEeNodeRef* read) {
    return read != nullptr && table == *truthTable(host.truth, *read);
  }

  kuv_workflow::HostModel host;
  std::string text;
  Tree tree;
  TruthTable table;
};

TEST(OutOfMemory, HostCallsAnswerACodeAtEveryFailingAllocation) {
  kuv_workflow::TextGenerator generator(
      20261208, {.refs = kuv_workflow::TextGenerator::Refs::Named, .noValues = false});
  int failed = 0;
  for (int i = 0; i < 4; ++i) {
    HostCalls h(generator.expression());
    const auto code = [&](HRESULT hr, bool reached) {
      EXPECT_TRUE(SUCCEEDED(hr) || reached) << i;
      return SUCCEEDED(hr);
    };
    failed += failEachAllocation(
        [&] {
          return std::array<KuvInString, 2>{KuvInString(h.text.c_str()), KuvInString()};
        },
        [&](auto& texts) { return Tree(h.host.reader.readExpressionSimple(texts[0], texts[1], false)); },
        [&](auto&, const Tree& read, bool reached) {
          EXPECT_TRUE(read == nullptr || h.sameTable(read.get())) << i;
          return code(read != nullptr ? S_OK : E_FAIL, reached);
        });

    // The text written back: whole or empty. A syntax set while memory runs
    // out is all or nothing: the writer keeps the one it had.
    const auto writerWith = [](HRESULT (KuvLiteralExprWriter::*set)()) {
      auto writer = std::make_unique<KuvLiteralExprWriter>();
      (writer.get()->*set)();
      return writer;
    };
    KuvEeNode& root = *h.tree->getNode();
    const auto writer = writerWith(&KuvLiteralExprWriter::setDefaultSyntax);
    const KuvInString written = writer->write(root);
    const KuvInString displayed = writerWith(&KuvLiteralExprWriter::setDisplaySyntax)->write(root);
    ASSERT_NE(written, displayed);
    failed += failEachAllocation([&] { return writerWith(&KuvLiteralExprWriter::setDisplaySyntax); },
                                 [](auto& w) { return w->setDefaultSyntax(); },
                                 [&](auto& w, HRESULT hr, bool reached) {
                                   EXPECT_EQ(w->write(root), SUCCEEDED(hr) ? written : displayed) << i;
                                   return code(hr, reached);
                                 });
    failed += failEachAllocation(
        nothing, [&](int) { return writer->write(root); },
        [&](int, const KuvInString& text, bool reached) {
          EXPECT_TRUE(text.IsEmpty() || text == written) << i;
          return code(text.IsEmpty() ? E_FAIL : S_OK, reached);
        });

    // The stored definition, written and read back.
    const KuvEeGenericExpression expression(h.tree->getNode()->clone());
    struct Definition {
      KuvInList first, second;
      std::unique_ptr<KuvBioBuffer> binary;
    };
    std::unique_ptr<Definition> stored;
    failed += failEachAllocation([] { return std::make_unique<Definition>(); },
                                 [&](auto& d) {
                                   KuvBioBuffer* binary = nullptr;
                                   const HRESULT hr = KuvCoreDependencyMngtServices::CreateDefinitionDBData(
                                       expression, nullptr, d->first, d->second, binary);
                                   d->binary.reset(binary);
                                   return hr;
                                 },
                                 [&](auto& d, HRESULT hr, bool reached) {
                                   EXPECT_EQ(SUCCEEDED(hr), d->binary != nullptr);
                                   if (SUCCEEDED(hr)) stored = std::move(d);
                                   return code(hr, reached);
                                 });
    failed += failEachAllocation(
        nothing,
        [&](int) {
          KuvEeGenericExpression* back = nullptr;
          KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(*stored->binary, stored->first,
                                                                             stored->second, back);
          return std::unique_ptr<KuvEeGenericExpression>(back);
        },
        [&](int, const auto& back, bool reached) {
          EXPECT_TRUE(back == nullptr || h.sameTable(back->GetNodeRef())) << i;
          return code(back != nullptr ? S_OK : E_FAIL, reached);
        });

    // The compiled effectivity, and a filter on one option.
    KuvEeEffectivityExpression effectivity;
    KuvEeNodeRef* criteria = expression.GetNodeRefClone();
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
    ASSERT_EQ(S_OK, effectivity.setModelCriteria(&h.host.dictionary, record));
    Compiling object(effectivity);
    ASSERT_EQ(S_OK, object.run());
    const Bytes objectBytes = object.bytes();
    failed += failEachAllocation([&] { return std::make_unique<Compiling>(effectivity); },
                                 [](auto& compiling) { return compiling->run(); },
                                 [&](auto& compiling, HRESULT hr, bool reached) {
                                   EXPECT_TRUE(FAILED(hr) || compiling->bytes() == objectBytes) << i;
                                   return code(hr, reached);
                                 });
    KuvInString error;
    const std::unique_ptr<KuvEeGenericExpression> list(
        h.host.reader.readList("Engine.Diesel", error, KuvEeGenericExpression::CFG_LISTMODE_STRICT));
    KuvEeFilterExpression filterExpression(&h.host.dictionary, list->GetList()->Clone());
    Compiling filterCompiling(filterExpression);
    ASSERT_EQ(S_OK, filterCompiling.run());
    const Bytes filter = filterCompiling.bytes();
    const int visible = (h.host.table("Engine.Diesel") & h.table).any() ? 1 : 0;
    const auto size = [](const Bytes& b) { return static_cast<unsigned int>(b.size()); };

    // Deciding the visibility: a handler made, copied and applied, and a query.
    const KuvFilterHandler handler(filter.data(), size(filter), 0);
    const auto handles = [&](const KuvFilterHandler& made, bool reached) {
      int answer = -1;
      EXPECT_TRUE(FAILED(made.isValid()) ||
                  (made.Apply(objectBytes.data(), size(objectBytes), answer) == S_OK && answer == visible))
          << i;
      return code(made.isValid(), reached);
    };
    failed +=
        failEachAllocation([] { return std::make_unique<std::optional<KuvFilterHandler>>(); },
                           [&](auto& made) { return (made->emplace(filter.data(), size(filter), 0), 0); },
                           [&](auto& made, int, bool reached) { return handles(**made, reached); });
    failed += failEachAllocation([] { return std::make_unique<std::optional<KuvFilterHandler>>(); },
                                 [&](auto& made) { return (made->emplace(handler), 0); },
                                 [&](auto& made, int, bool reached) { return handles(**made, reached); });
    failed += failEachAllocation(
        nothing,
        [&](int) {
          int answer = -1;
          return handler.Apply(objectBytes.data(), size(objectBytes), answer) == S_OK ? answer : -1;
        },
        [&](int, int answer, bool reached) {
          EXPECT_TRUE(answer == -1 || answer == visible) << i;
          return code(answer != -1 ? S_OK : E_FAIL, reached);
        });
    const std::uint8_t* objects[] = {objectBytes.data(), objectBytes.data()};
    const unsigned int sizes[] = {size(objectBytes), size(objectBytes)};
    const auto answers = [&](HRESULT hr, const Handed<int>& results, bool reached) {
      EXPECT_TRUE(FAILED(hr) || (results.get()[0] == visible && results.get()[1] == visible)) << i;
      return code(hr, reached);
    };
    failed += failEachAllocation(
        [] { return Handed<int>(); },
        [&](Handed<int>& results) {
          int* raw = nullptr;
          const HRESULT hr = handler.Apply(objects, sizes, 2, raw);
          results.reset(raw);
          return hr;
        },
        [&](const Handed<int>& results, HRESULT hr, bool reached) { return answers(hr, results, reached); });
    failed += failEachAllocation(
        [] { return Handed<int>(); },
        [&](Handed<int>& results) {
          int* raw = nullptr;
          const HRESULT hr =
              KuvFilteringServices::ApplyQuery(filter.data(), size(filter), objects, sizes, 2, raw);
          results.reset(raw);
          return hr;
        },
        [&](const Handed<int>& results, HRESULT hr, bool reached) { return answers(hr, results, reached); });
  }
  EXPECT_LT(0, failed);

  // An Or of many Ands: measuring its depth before writing takes memory too.
  std::string wide = "(Engine.Diesel & Engine.Petrol)";
  for (int i = 0; i < 70; ++i) wide += " | (Engine.Diesel & Engine.Petrol)";
  kuv_workflow::HostModel host;
  const Tree tree = host.read(wide);
  KuvLiteralExprWriter writer;
  writer.setDefaultSyntax();
  const KuvInString written = writer.write(*tree->getNode());
  EXPECT_LT(0, failEachAllocation(
                   nothing, [&](int) { return writer.write(*tree->getNode()); },
                   [&](int, const KuvInString& text, bool reached) {
                     EXPECT_TRUE(text.IsEmpty() ? reached : text == written);
                     return !text.IsEmpty();
                   }));
}

// Destructors cannot answer: deleting what a host built (with a no-tree-mode
// track and its bag) gets by whichever allocation fails, and leaks nothing.
TEST(OutOfMemory, DeletingAHostsObjectsGetsByWithoutMemory) {
  struct World {
    explicit World(const std::string& text) : h(text), expression(h.tree->getNode()->clone()) {
      KuvEeNodeRef* criteria = expression.GetNodeRefClone();
      auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteria);
      EXPECT_EQ(S_OK, effectivity.setModelCriteria(&h.host.dictionary, record));
      EXPECT_EQ(S_OK, compiling.run());
      auto* model = new KuvEeModelDico("Car", Guid(1).guid());
      EXPECT_EQ(S_OK, context.AddModelDico(model, true));
      model->enableEvolutionSeries(KuvEeSerialVar::STATE);
      EXPECT_EQ(S_OK, context.AddRevision(model, KuvEeSerialVar::STATE, Guid(3).guid(), "S", "A", 7));
      EXPECT_EQ(S_OK, context.AddRevision(model, KuvEeSerialVar::TREE_STATE, nullptr, Guid(4).guid(), "S", "A",
                                          treeIndex("1-9"), false));
      EXPECT_EQ(S_OK, context.AddMilestonesTrack(model, Guid(5).guid(), "S", "A", true));
      KuvEeMilestonesVar* track = nullptr;
      model->getMilestonesTrack(Guid(5).guid(), track);
      for (const auto& [n, index] : {std::pair{6u, "1-9"}, {7u, "10-12"}})
        EXPECT_EQ(S_OK, context.AddMilestone(track, Guid(n).guid(), std::to_string(n).c_str(),
                                             treeIndex(index), nullptr, nullptr));
    }
    HostCalls h;
    KuvEeGenericExpression expression;
    KuvEeEffectivityExpression effectivity;
    Compiling compiling{effectivity};
    std::unique_ptr<KuvDnf> dnf{KuvEeDnfConvertor::NodeRef2Dnf(*h.tree)};
    KuvEeExpressionContext context;
  };
  kuv_workflow::TextGenerator generator(20261210,
                                        {.refs = kuv_workflow::TextGenerator::Refs::Named, .noValues = false});
  const std::string text = generator.expression();
  EXPECT_LT(0, failEachAllocation([&] { return std::make_unique<World>(text); },
                                  [](auto& world) { return world.reset(), 0; },
                                  [](auto&, int, bool reached) { return !reached; }));
}

// Rules in the older streams, written and read back: a failed read gives
// the caller no rule and frees every tree it read.
TEST(OutOfMemory, RulesAnswerACodeAtEveryFailingAllocation) {
  KuvEeModelDico model(KuvInString("Model"), Guid(110).guid());
  KuvEePredefEff change("Change", Guid(120).data(), true, KuvEePredefEff::GLOBAL);
  KuvEeBasicEff inherited("Inherited", Guid(130).data());
  KuvInList net;
  for (KuvInObject* object : std::vector<KuvInObject*>{&model, &change, &inherited}) net.PutBack(object);
  const auto leaf = [](KuvEeNode* node) { return node->getNodeRef(); };
  auto* either = new KuvEeOrOp;
  either->addChild(new KuvEeEffLeaf(&inherited, &model));
  auto* negated = new KuvEeNotOp;
  negated->setChildRef(leaf(new KuvEeEffLeaf(&change)));
  either->addChild(negated);
  KuvEeInclusionRule first(leaf(either), leaf(new KuvEeEffLeaf(&change)));
  KuvEeInclusionRule second(nullptr, leaf(new KuvEeTrue));
  KuvInList rules;
  rules.PutBack(&first);
  rules.PutBack(&second);
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvBinaryExprWriter::WriteRules(rules, net, out));
  const Bytes written = bytesOf(out);
  int failed = failEachAllocation(
      [] { return std::make_unique<KuvBioBufferOut>(); },
      [&](auto& buffer) { return KuvBinaryExprWriter::WriteRules(rules, net, *buffer); },
      [&](auto& buffer, HRESULT hr, bool reached) {
        EXPECT_TRUE(SUCCEEDED(hr) ? bytesOf(*buffer) == written : reached && hr == E_OUTOFMEMORY);
        return SUCCEEDED(hr);
      });
  failed += failEachAllocation(
      [] { return std::make_unique<KuvInList>(); },
      [&](auto& read) {
        return KuvBinaryExprReader::ReadRules(written.data(), static_cast<std::uint32_t>(written.size()), net,
                                              *read);
      },
      [&](auto& read, HRESULT hr, bool reached) {
        EXPECT_EQ(read->GetLength(), SUCCEEDED(hr) ? 2 : 0);
        EXPECT_TRUE(SUCCEEDED(hr) || (reached && hr == E_OUTOFMEMORY));
        KuvBioBufferOut again;
        EXPECT_TRUE(FAILED(hr) || (KuvBinaryExprWriter::WriteRules(*read, net, again) == S_OK &&
                                   bytesOf(again) == written));
        for (int i = 0; i < read->GetLength(); ++i) delete read->Get(i);
        return SUCCEEDED(hr);
      });
  EXPECT_LT(0, failed);
}

// The split's terms, a walk's classification of one node and the change
// actions: each answers E_OUTOFMEMORY with the caller's set or tree as it
// was, or gets by.
TEST(OutOfMemory, TermsWalksAndChangeActionsLeaveTheCallersObjectsAsTheyWere) {
  struct Changes : Criteria {
    KuvEePredefEff other{"ECO2", Guid(108).data(), true, KuvEePredefEff::GLOBAL};
    KuvEeNode* applicability() {
      return And({changeLeaf(), Not(effLeaf(other)), effLeaf(change, true), Or({changeLeaf(), option()})});
    }
  } c;
  const auto answered = [](HRESULT hr, bool reached) {
    EXPECT_TRUE(SUCCEEDED(hr) || (reached && hr == E_OUTOFMEMORY)) << hr;
    return SUCCEEDED(hr);
  };
  KuvEeGenericExpression expression(
      Or({c.option(), c.units(), c.changeLeaf(), And({c.selection(), c.plan()})})->getNodeRef());
  KuvCoreEVC_Expression* made = nullptr;
  ASSERT_EQ(S_OK, KuvCoreEVC_Expression::Create(expression, made));
  const std::unique_ptr<KuvCoreEVC_Expression> split(made);
  Tree tree = own(And({c.option(), c.units(), c.changeLeaf()}));
  KuvCoreEVC_NodeClassifier classifier;
  KuvEVCClassification whole;
  ASSERT_EQ(S_OK, classifier.classify(*tree, whole));
  Tree dateLeaf = own(c.date());
  const KuvEeDateEff& from = *KuvEeDateEff::cast(*KuvEeVarEffLeaf::cast(*dateLeaf->getNode())->getVarEff());
  Tree applicability = own(c.applicability());
  const std::string before = text(*applicability);
  KuvECAGuidCollector collector;
  KuvHistorizationApplicabilityByDateCommutator commutator;
  captured([&] {
    failEachAllocation([] { return std::make_unique<KuvInSet>(KuvCoreEVC_ExpressionAndTerm::sType()); },
                       [&](auto& terms) { return split->GetAndTerm(*terms); },
                       [&](auto& terms, HRESULT hr, bool reached) {
                         EXPECT_EQ(SUCCEEDED(hr) ? 4 : 0, terms->GetLength());
                         return answered(hr, reached);
                       });
    // The walk is read without allocating.
    failEachAllocation(
        [] { return std::make_unique<KuvEVCClassification>(); },
        [&](auto& read) { return classifier.getVisitedClassification(*tree->getNode(), *read); },
        [&](auto& read, HRESULT hr, bool reached) {
          EXPECT_TRUE(read->equals(whole));
          return answered(hr, reached);
        });
    // Twelve GUIDs already there: the two found make the set grow.
    failEachAllocation(
        [] {
          auto found = std::make_unique<KuvInSetVal>(KuvInGuid::sType());
          for (int i = 0; i < 12; ++i) found->Put(Guid(200 + i).guid());
          return found;
        },
        [&](auto& found) { return collector.collect(*applicability, *found); },
        [&](auto& found, HRESULT hr, bool reached) {
          EXPECT_EQ(SUCCEEDED(hr) ? 14 : 12, found->GetLength());
          return answered(hr, reached);
        });
    failEachAllocation(
        [&] { return own(c.applicability()); },
        [&](Tree& commuted) { return commutator.commute(*commuted, c.change.getGuid(), from); },
        [&](Tree& commuted, HRESULT hr, bool reached) {
          EXPECT_EQ(SUCCEEDED(hr), before != text(*commuted));
          return answered(hr, reached);
        });
  });
}

#ifdef KUV_SAMPLE_DIR
// The expression writer and reader, out of memory at any step, answer a
// code and give back all they made; what is written is the document, and
// what is read is written back as it came.
TEST(OutOfMemory, ExpressionWriterAndReaderAnswerACodeAtEveryFailingAllocation) {
  kuv_test::SampleModel sample;
  auto* any = new KuvEeOrOp;
  any->addChild(kuv_test::optionLeaf(sample.engine->getOptionVar(KuvInString("V8"))));
  any->addChild(kuv_test::unitLeaf(sample.units, {{1, true, 10, false}, {20, true, 30, true}}));
  const auto written =
      kuv_test::effectivity(sample.model, any, kuv_test::unitLeaf(sample.units, {{5, true, 50, true}}));
  const std::string document = kuv_test::writeDocument(*written, &sample.texts, 3);
  struct Reading {
    explicit Reading(kuv_test::SampleModel& sample)
        : handler(sample.context, data, &sample.texts, read, 1, 0, 1, 1) {}
    ~Reading() { delete read; }
    KuvXMLV2ExpressionData data;
    KuvEeExpression* read = nullptr;
    KuvXMLV3ExprSAXHandler handler;
    KuvXMLExpatParser parser;
  };
  struct Writing {
    explicit Writing(kuv_test::SampleModel& sample) : writer(sink, &sample.texts, 0, 1, 1) {}
    KuvXMLTextWriter sink;
    KuvXMLV3ExprWriter writer;
  };
  const int failedWrites = failEachAllocation(
      [&] { return std::make_unique<Writing>(sample); }, [&](auto& w) { return w->writer.write(*written); },
      [&](auto& w, HRESULT hr, bool reached) {
        EXPECT_TRUE(SUCCEEDED(hr) ? w->sink.GetText() == document : reached);
        return SUCCEEDED(hr);
      });
  EXPECT_LT(0, failedWrites);
  const int failed = failEachAllocation(
      [&] { return std::make_unique<Reading>(sample); },
      [&](auto& r) {
        const HRESULT hr = r->parser.ParseBuffer(document.data(), document.size(), r->handler);
        return SUCCEEDED(hr) ? r->handler.GetGeneratedExpression() : hr;
      },
      [&](auto& r, HRESULT hr, bool reached) {
        EXPECT_TRUE(SUCCEEDED(hr) || reached);
        EXPECT_TRUE(FAILED(hr) || kuv_test::writeDocument(*r->read, &sample.texts, 3) == document);
        return SUCCEEDED(hr);
      });
  EXPECT_LT(0, failed);
}

// The dictionary reader, out of memory at any element of the sample's
// dictionary, answers a code and gives back all it made; so does handing
// the dictionary it read over, which gives the caller all of it or nothing.
TEST(OutOfMemory, DictionaryReaderAnswersACodeAtEveryFailingAllocation) {
  std::ifstream file(KUV_BICYCLE "/dictionary.xml");
  const std::string document((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  struct Reading {
    explicit Reading(const std::string& text) : document(text) {}
    HRESULT parse() { return parser.ParseBuffer(document.data(), document.size(), handler); }
    HRESULT handOver() { return handler.GetCreatedModelDico(model, descriptions, collected); }
    // Whether a handed-over dictionary is whole, registered in the context.
    bool whole(HRESULT hr) {
      descriptions.DeleteAll();
      if (FAILED(hr)) return model == nullptr;
      const KuvInSet* features = nullptr;
      if (model == nullptr || FAILED(context.AddModelDico(model, true))) return false;
      model->getConfigFeatures(features);
      return features->GetLength() == 10;
    }
    const std::string& document;
    KuvEeExpressionContext context;
    KuvXMLV2ModelerContextImpl texts;
    KuvXMLV2ModelerContextImpl* collect = &texts;
    KuvXMLV3ModelDicoSAXHandler handler{context, collect, 1};
    KuvXMLExpatParser parser;
    KuvInSet descriptions{KuvXMLV2EeSerialDescription::sType()};
    KuvEeModelDico* model = nullptr;
    KuvXMLV2IModelerContext* collected = nullptr;
  };
  const int failedReads = failEachAllocation([&] { return std::make_unique<Reading>(document); },
                                             [](auto& r) { return r->parse(); },
                                             [](auto& r, HRESULT hr, bool reached) {
                                               EXPECT_TRUE(SUCCEEDED(hr) || reached);
                                               EXPECT_TRUE(FAILED(hr) || r->whole(r->handOver()));
                                               return SUCCEEDED(hr);
                                             });
  const int failedHandOvers = failEachAllocation(
      [&] {
        auto r = std::make_unique<Reading>(document);
        EXPECT_EQ(S_OK, r->parse());
        return r;
      },
      [](auto& r) { return r->handOver(); },
      [](auto& r, HRESULT hr, bool reached) {
        EXPECT_TRUE((SUCCEEDED(hr) || reached) && r->whole(hr));
        return SUCCEEDED(hr);
      });
  EXPECT_LT(0, failedReads);
  EXPECT_LT(0, failedHandOvers);
}
#endif

}  // namespace
