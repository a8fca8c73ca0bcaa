// The normal-form-to-tree half of KuvEeDnfConvertor (and GetNotDnf, which
// goes there and back).
#include <memory>

#include "KuvDnfDateEff.h"
#include "KuvDnfMilestonesEff.h"
#include "KuvDnfModelDicoBuilder.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvDnfVsBuilder.h"
#include "KuvEeAndOp.h"
#include "KuvEeCategory.h"
#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfProduct.h"
#include "KuvEeDnfTreeEff.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeFalse.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEeNotOp.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeOrOp.h"
#include "KuvEePredefEff.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvEeVarSpace.h"
#include "KuvInTraceClass.h"
#include "KuvOutOfMemory.h"

namespace {

KuvInTraceClass& channel() { return KuvEeDnfConvertor::traceChannel(); }

using Tree = std::unique_ptr<KuvEeNodeRef>;

Tree own(KuvEeNode* node) { return Tree(node->getNodeRef()); }

// Where the dictionary objects named by GUID in a normal form are found.
// Each lookup answers S_OK with the object, or a traced failure.
class Lookup {
public:
  virtual ~Lookup() = default;
  virtual HRESULT option(const KuvInGuid& feature, const KuvInGuid& guid, KuvEeOptionVar*& out) const = 0;
  virtual HRESULT category(const KuvInGuid& guid, KuvEeCategory*& out) const = 0;
  virtual HRESULT selection(const KuvInGuid& guid, KuvEeSelectionVar*& out) const = 0;
  virtual HRESULT date(const KuvInGuid& guid, KuvEeDateVar*& out) const = 0;
  virtual HRESULT series(const KuvInGuid& guid, std::int32_t type, KuvEeSerialVar*& out) const = 0;
  virtual HRESULT effectivity(const KuvInGuid& guid, KuvEeEffectivity*& out) const = 0;
  virtual HRESULT track(const KuvInGuid& guid, KuvEeMilestonesVar*& out) const = 0;
  virtual HRESULT treeSeries(const KuvInGuid& guid, std::uint32_t type, KuvEeTreeSeriesVar*& out) const = 0;
};

class ModelLookup : public Lookup {
public:
  ModelLookup(const KuvEeModelDico& model, const KuvEeExpressionContext& context)
      : m_model(model), m_context(context) {}

  HRESULT option(const KuvInGuid& feature, const KuvInGuid& guid, KuvEeOptionVar*& out) const override {
    KuvEeCategory* owner = nullptr;
    HRESULT hr = category(feature, owner);
    if (FAILED(hr)) return hr;
    out = owner->getOptionVar(guid);
    if (out == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    return S_OK;
  }
  HRESULT category(const KuvInGuid& guid, KuvEeCategory*& out) const override {
    out = feature<KuvEeCategory>(guid);
    if (out == nullptr)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                          "ERROR : Failed to retrive Category : unexpected type, cast FAILED.");
    return S_OK;
  }
  HRESULT selection(const KuvInGuid& guid, KuvEeSelectionVar*& out) const override {
    out = feature<KuvEeSelectionVar>(guid);
    if (out == nullptr)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : retrieved config feature is of unexpected type");
    return S_OK;
  }
  HRESULT date(const KuvInGuid& guid, KuvEeDateVar*& out) const override {
    if (const KuvEeModelDico* model = modelOf(guid)) {
      out = model->getDateVariable();
    } else if (m_context.GetDate(out) != S_OK) {
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : getDate from context FAILED");
    }
    if (out == nullptr || out->getGuid() != guid)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Failed to retrieve associated date variable");
    return S_OK;
  }
  HRESULT series(const KuvInGuid& guid, std::int32_t type, KuvEeSerialVar*& out) const override {
    const KuvEeModelDico* model = modelOf(guid);
    out = model != nullptr ? model->getSeriesVariable(type) : nullptr;
    if (out == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    return S_OK;
  }
  HRESULT effectivity(const KuvInGuid& guid, KuvEeEffectivity*& out) const override {
    KuvEePredefEff* change = nullptr;
    if (m_context.GetChange(guid, change) != S_OK)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : GetChangeRef from context FAILED");
    out = change;
    return S_OK;
  }
  HRESULT track(const KuvInGuid& guid, KuvEeMilestonesVar*& out) const override {
    out = nullptr;
    if (m_model.getMilestonesTrack(guid, out) != S_OK)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    return S_OK;
  }
  HRESULT treeSeries(const KuvInGuid& guid, std::uint32_t type, KuvEeTreeSeriesVar*& out) const override {
    const KuvEeModelDico* model = modelOf(guid);
    out = model != nullptr ? model->getTreeSeriesVariable(static_cast<std::int32_t>(type)) : nullptr;
    if (out == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    return S_OK;
  }

private:
  // The model's feature of that GUID, else the context's; null for none
  // or another kind.
  template <class Feature>
  Feature* feature(const KuvInGuid& guid) const {
    KuvEeDicoObject* found = nullptr;
    if (m_model.getConfigFeature(guid, found) != S_OK) m_context.GetConfigFeature(guid, found);
    return found != nullptr ? Feature::cast(*found) : nullptr;
  }
  const KuvEeModelDico* modelOf(const KuvInGuid& guid) const {
    if (m_model.getGuid() == guid) return &m_model;
    // Asked without a trace: the GUID may as well be the context's own date.
    KuvEeDicoObject* found = nullptr;
    return m_context.GetEEObject(guid, found) ? KuvEeModelDico::cast(*found) : nullptr;
  }

  const KuvEeModelDico& m_model;
  const KuvEeExpressionContext& m_context;
};

class SpaceLookup : public Lookup {
public:
  explicit SpaceLookup(const KuvEeVarSpace& space) : m_space(space) {}

  HRESULT option(const KuvInGuid&, const KuvInGuid& guid, KuvEeOptionVar*& out) const override {
    return found(out = m_space.getOptionVar(guid));
  }
  HRESULT category(const KuvInGuid& guid, KuvEeCategory*& out) const override {
    return found(out = m_space.getCategory(guid));
  }
  HRESULT selection(const KuvInGuid& guid, KuvEeSelectionVar*& out) const override {
    return found(out = m_space.getSelectionVar(guid));
  }
  HRESULT date(const KuvInGuid& guid, KuvEeDateVar*& out) const override {
    return found(out = m_space.getDateVar(guid));
  }
  HRESULT series(const KuvInGuid& guid, std::int32_t type, KuvEeSerialVar*& out) const override {
    return found(out = m_space.getSerialVar(guid, type));
  }
  HRESULT effectivity(const KuvInGuid& guid, KuvEeEffectivity*& out) const override {
    KuvEeDicoObject* known = m_space.getPossibleSourceEff(guid);
    return found(out = known != nullptr ? KuvEeEffectivity::cast(*known) : nullptr);
  }
  HRESULT track(const KuvInGuid& guid, KuvEeMilestonesVar*& out) const override {
    return found(out = m_space.getMilestonesTrack(guid));
  }
  HRESULT treeSeries(const KuvInGuid& guid, std::uint32_t type, KuvEeTreeSeriesVar*& out) const override {
    return found(out = m_space.getTreeSeriesVar(guid, type));
  }

private:
  static HRESULT found(const void* object) {
    if (object == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
    return S_OK;
  }

  const KuvEeVarSpace& m_space;
};

template <class Eff>
Tree varEffLeaf(std::unique_ptr<Eff> eff, const KuvDnfVarEff& leaf) {
  // The no-value flag goes into the positive part before the negation.
  if (leaf.getNoVar()) eff->orNoVar();
  if (leaf.isNegated()) eff->opNot();
  return own(new KuvEeVarEffLeaf(eff.release()));
}

template <class Eff, class Variable>
HRESULT intervalLeaf(const KuvInListVal& intervals, Variable* variable, const KuvDnfVarEff& leaf,
                     const char* refused, Tree& out) {
  auto eff = std::make_unique<Eff>(variable, Eff::AllFalse);
  if (FAILED(eff->set(intervals))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, refused);
  out = varEffLeaf(std::move(eff), leaf);
  return S_OK;
}

// Puts into variables the variable that find gives for each GUID of leaf.
template <class Variable, class Find>
HRESULT collect(const KuvDnfRestrictionEff& leaf, KuvInSet& variables, Find find) {
  for (auto it = leaf.getVariables().cBegin(); it.IsValid(); it.Next()) {
    Variable* variable = nullptr;
    HRESULT hr = find(*static_cast<const KuvInGuid*>(it.Get()), variable);
    if (FAILED(hr)) return hr;
    variables.Put(variable);
  }
  return S_OK;
}

// The engine restriction of leaf's kind on the looked-up variables.
HRESULT restrictionLeaf(const KuvDnfRestrictionEff& leaf, const Lookup& lookup, Tree& out) {
  std::unique_ptr<KuvEeRestrictionEff> restriction;
  KuvInSet variables;
  HRESULT hr = S_OK;
  if (const auto* options = KuvDnfCategoryOptionRestrictionEff::cast(leaf)) {
    restriction = std::make_unique<KuvEeCategoryOptionRestrictionEff>();
    hr = collect<KuvEeOptionVar>(leaf, variables, [&](const KuvInGuid& guid, KuvEeOptionVar*& variable) {
      return lookup.option(options->getCategory(), guid, variable);
    });
  } else if (const auto* serial = KuvDnfSerialRestrictionEff::cast(leaf)) {
    restriction = std::make_unique<KuvEeSerialRestrictionEff>();
    hr = collect<KuvEeSerialVar>(leaf, variables, [&](const KuvInGuid& guid, KuvEeSerialVar*& variable) {
      return lookup.series(guid, serial->getSerialType(), variable);
    });
  } else if (const auto* trees = KuvDnfTreeSeriesRestrictionEff::cast(leaf)) {
    restriction = std::make_unique<KuvEeTreeSeriesRestrictionEff>();
    hr = collect<KuvEeTreeSeriesVar>(leaf, variables,
                                     [&](const KuvInGuid& guid, KuvEeTreeSeriesVar*& variable) {
                                       return lookup.treeSeries(guid, trees->getTreeType(), variable);
                                     });
  } else if (KuvDnfMilestonesRestrictionEff::isObjectOfThisType(leaf)) {
    restriction = std::make_unique<KuvEeMilestonesRestrictionEff>();
    hr = collect<KuvEeMilestonesVar>(
        leaf, variables,
        [&](const KuvInGuid& guid, KuvEeMilestonesVar*& variable) { return lookup.track(guid, variable); });
  } else if (KuvDnfCategoryRestrictionEff::isObjectOfThisType(leaf)) {
    restriction = std::make_unique<KuvEeCategoryRestrictionEff>();
    hr = collect<KuvEeCategory>(leaf, variables, [&](const KuvInGuid& guid, KuvEeCategory*& variable) {
      return lookup.category(guid, variable);
    });
  } else if (KuvDnfSelectionRestrictionEff::isObjectOfThisType(leaf)) {
    restriction = std::make_unique<KuvEeSelectionRestrictionEff>();
    hr =
        collect<KuvEeSelectionVar>(leaf, variables, [&](const KuvInGuid& guid, KuvEeSelectionVar*& variable) {
          return lookup.selection(guid, variable);
        });
  } else if (KuvDnfDateRestrictionEff::isObjectOfThisType(leaf)) {
    restriction = std::make_unique<KuvEeDateRestrictionEff>();
    hr = collect<KuvEeDateVar>(leaf, variables, [&](const KuvInGuid& guid, KuvEeDateVar*& variable) {
      return lookup.date(guid, variable);
    });
  } else {
    restriction = std::make_unique<KuvEePredefEffRestrictionEff>();
    hr = collect<KuvEeEffectivity>(leaf, variables, [&](const KuvInGuid& guid, KuvEeEffectivity*& variable) {
      return lookup.effectivity(guid, variable);
    });
  }
  if (FAILED(hr)) return hr;
  if (FAILED(restriction->setVariables(variables)))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: failed to set the restricted variables");
  if (leaf.isNegated()) restriction->opNot();
  out = own(new KuvEeRestrictionEffLeaf(restriction.release()));
  return S_OK;
}

// The tree leaf of a normal-form leaf.
HRESULT makeLeaf(const KuvDnfLeaf& leaf, const Lookup& lookup, Tree& out) {
  HRESULT hr = S_OK;
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Option: {
      const auto& option = static_cast<const KuvDnfOptionEff&>(leaf);
      if ((option.getValue() & ~std::uint32_t{KuvDnfOptionEff::Any}) != 0)
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: incorrect value");
      KuvEeOptionVar* variable = nullptr;
      hr = lookup.option(option.getFeature(), option.getOption(), variable);
      if (FAILED(hr)) return hr;
      auto eff = std::make_unique<KuvEeOptionEff>(variable, option.getValue());
      if (option.isNegated()) eff->opNot();
      out = own(new KuvEeVarEffLeaf(eff.release()));
      return S_OK;
    }
    case KuvDnfLeaf::Kind::Selection: {
      const auto& selection = static_cast<const KuvDnfSelectionEff&>(leaf);
      KuvEeSelectionVar* variable = nullptr;
      hr = lookup.selection(selection.getFeature(), variable);
      if (FAILED(hr)) return hr;
      auto eff = std::make_unique<KuvEeSelectionEff>(variable, KuvEeSelectionEff::AllFalse);
      for (auto it = selection.getValues().cBegin(); it.IsValid(); it.Next())
        if (FAILED(eff->add(*static_cast<const KuvInGuid*>(it.Get()))))
          KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
      out = varEffLeaf(std::move(eff), selection);
      return S_OK;
    }
    case KuvDnfLeaf::Kind::Date: {
      const auto& date = static_cast<const KuvDnfDateEff&>(leaf);
      KuvEeDateVar* variable = nullptr;
      hr = lookup.date(date.getGuid(), variable);
      if (FAILED(hr)) return hr;
      return intervalLeaf<KuvEeDateEff>(date.getIntervals(), variable, date,
                                        "ERROR: failed to set date effectivity intervals", out);
    }
    case KuvDnfLeaf::Kind::Serial: {
      const auto& serial = static_cast<const KuvDnfSerialEff&>(leaf);
      KuvEeSerialVar* variable = nullptr;
      hr = lookup.series(serial.getGuid(), serial.getSerialType(), variable);
      if (FAILED(hr)) return hr;
      return intervalLeaf<KuvEeSerialEff>(serial.getIntervals(), variable, serial,
                                          "ERROR: failed to set serial effectivity intervals", out);
    }
    case KuvDnfLeaf::Kind::Eff: {
      KuvEeEffectivity* target = nullptr;
      hr = lookup.effectivity(leaf.getGuid(), target);
      if (FAILED(hr)) return hr;
      auto* effLeaf = new KuvEeEffLeaf(target);
      out = own(effLeaf);
      if (leaf.isNegated()) effLeaf->opNot();
      return S_OK;
    }
    // The tree effectivities hold a copy of the normal-form leaf, flags
    // included.
    case KuvDnfLeaf::Kind::TreeSeries: {
      const auto& series = static_cast<const KuvDnfTreeSeriesEff&>(leaf);
      KuvEeTreeSeriesVar* variable = nullptr;
      hr = lookup.treeSeries(series.getGuid(), series.getTreeType(), variable);
      if (FAILED(hr)) return hr;
      auto* related = static_cast<KuvDnfTreeSeriesEff*>(series.clone());
      out = own(new KuvEeVarEffLeaf(new KuvEeDnfTreeSeriesEff(variable, related)));
      return S_OK;
    }
    case KuvDnfLeaf::Kind::Milestones: {
      KuvEeMilestonesVar* variable = nullptr;
      hr = lookup.track(leaf.getGuid(), variable);
      if (FAILED(hr)) return hr;
      auto* related = static_cast<KuvDnfMilestonesEff*>(leaf.clone());
      out = own(new KuvEeVarEffLeaf(new KuvEeDnfMilestonesEff(variable, related)));
      return S_OK;
    }
    case KuvDnfLeaf::Kind::Restriction:
      break;
  }
  return restrictionLeaf(static_cast<const KuvDnfRestrictionEff&>(leaf), lookup, out);
}

// An Or of one And per term, each reduced to its leaf when it has one.
KuvEeNodeRef* read(const KuvDnf& dnf, const Lookup& lookup) {
  KUV_TRACE_CALL_ON(channel(), "read");
  switch (dnf.getSpecialCondition()) {
    case DNF_COND_TRUE:
      return (new KuvEeTrue)->getNodeRef();
    case DNF_COND_FALSE:
      return (new KuvEeFalse)->getNodeRef();
    case DNF_COND_NONE:
      break;
    default:
      KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected case");
      return nullptr;
  }
  auto* sum = new KuvEeOrOp;
  Tree root = own(sum);
  for (const KuvDnfAndTerm* term : dnf.andTerms()) {
    if (term->getNbDnfLeaves() == 0) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: Incorrect case");
      return nullptr;
    }
    auto* product = new KuvEeAndOp;
    Tree factor = own(product);
    for (const KuvDnfLeaf* leaf : term->leaves()) {
      Tree node;
      if (FAILED(makeLeaf(*leaf, lookup, node))) return nullptr;
      // The operator holds the reference from here on.
      if (FAILED(kuv::detail::throwIfOutOfMemory(product->addChild(node->getNode())))) return nullptr;
      node.release();
    }
    product->becomeIfSingleChild();
    if (FAILED(kuv::detail::throwIfOutOfMemory(sum->addChild(factor->getNode())))) {
      KUV_TRACE_ERROR_ON(channel(), "Or Op creation failed");
      return nullptr;
    }
    factor.release();
  }
  sum->becomeIfSingleChild();
  return root.release();
}

}  // namespace

KuvEeNodeRef* KuvEeDnfConvertor::Dnf2NodeRef(const KuvDnf& dnf, KuvEeModelDico& model,
                                             KuvEeExpressionContext& context,
                                             const KuvIDictionaryModelerAccess* access) {
  if (FAILED(KuvDnfModelDicoBuilder::buildMD(dnf, model, context, access))) {
    KUV_TRACE_ERROR_ON(channel(), "ERROR: Failed to populate the context");
    return nullptr;
  }
  return read(dnf, ModelLookup(model, context));
}

KuvEeNodeRef* KuvEeDnfConvertor::Dnf2NodeRef(const KuvDnf& dnf, KuvEeVarSpace& varSpace, KuvInSet& objects,
                                             unsigned char keep) {
  if (FAILED(KuvDnfVsBuilder::buildVS(dnf, varSpace, objects, keep))) {
    KUV_TRACE_ERROR_ON(channel(), "ERROR: Failed to populate the variable space");
    return nullptr;
  }
  return read(dnf, SpaceLookup(varSpace));
}

KuvEeNodeRef* KuvEeDnfConvertor::Dnf2NodeRef(const KuvDnf& dnf, const KuvEeVarSpace& varSpace) {
  return read(dnf, SpaceLookup(varSpace));
}

KuvEeNodeRef* KuvEeDnfConvertor::Dnf2NodeRef(const KuvDnf& dnf, const KuvInGuid& model,
                                             KuvEeExpressionContext*& context,
                                             const KuvIDictionaryModelerAccess* access) {
  std::unique_ptr<KuvEeExpressionContext> created(context == nullptr ? new KuvEeExpressionContext : nullptr);
  KuvEeExpressionContext& registry = created ? *created : *context;
  KuvEeModelDico* dico = nullptr;
  if (registry.GetModelDico(model, dico) != S_OK) {
    // Named by its GUID's text; the context owns it once entered.
    dico = new KuvEeModelDico(model.toString(), model);
    if (FAILED(registry.AddModelDico(dico, true))) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR : Add Model Dico to ctxt FAILED");
      return nullptr;
    }
  }
  KuvEeNodeRef* tree = Dnf2NodeRef(dnf, *dico, registry, access);
  // A context made here is the caller's only with the tree built on it.
  if (tree != nullptr && created) context = created.release();
  return tree;
}

KuvDnf* KuvEeDnfConvertor::GetNotDnf(const KuvDnf& dnf, const KuvInGuid& model, const unsigned char& domain,
                                     const KuvIDictionaryModelerAccess* access) {
  kuv::detail::DnfProduct product;
  KuvDnf* negation = kuv::detail::notDnf(dnf, model, domain, access, &product);
  return product.isRead() ? product.expand() : negation;
}

KuvDnf* kuv::detail::notDnf(const KuvDnf& dnf, const KuvInGuid& model, const unsigned char& domain,
                            const KuvIDictionaryModelerAccess* access, DnfProduct* product) {
  KuvEeExpressionContext* context = nullptr;
  // Declared before the tree, so freed after it: the tree's leaves refer to
  // the context's objects.
  std::unique_ptr<KuvEeExpressionContext> owned;
  Tree tree(KuvEeDnfConvertor::Dnf2NodeRef(dnf, model, context, access));
  owned.reset(context);
  if (!tree) {
    KUV_TRACE_ERROR_ON(channel(), "ERROR: NULL pointer");
    return nullptr;
  }
  auto* negation = new KuvEeNotOp(domain);
  Tree root = own(negation);
  if (FAILED(negation->setChildRef(tree.get()))) return nullptr;
  tree.release();
  return ownedTreeToDnf(*root, product);
}
