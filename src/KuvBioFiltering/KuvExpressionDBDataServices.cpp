#include "KuvExpressionDBDataServices.h"

#include <memory>
#include <vector>

#include "KuvCompiledBinaryParser.h"
#include "KuvEeChangeExpression.h"
#include "KuvEeCompositionMatrixExpression.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeFilterExpression.h"
#include "KuvEeModelDico.h"
#include "KuvFltApplicability.h"
#include "KuvFltCompositionMatrix.h"
#include "KuvFltEffectivity.h"
#include "KuvFltFilter.h"
#include "KuvInGuid.h"
#include "KuvInIntHolder.h"
#include "KuvInList.h"
#include "KuvInListVal.h"
#include "KuvInMap.h"
#include "KuvInSet.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvExpressionDBDataServices, KuvInObject)

namespace {

KuvInTraceClass& traceChannel() { return KuvExpressionDBDataServices::traceChannel(); }

struct DomainExpression {
  KuvDiversityDomain domain;
  KuvEeExpression* expression;
};

// The map's entries in domain order, so that the objects and their
// binaries do not depend on the map's hashing.
HRESULT entriesOf(const KuvInMap& expressionsByDomain, std::vector<DomainExpression>& entries) {
  for (auto it = expressionsByDomain.cBegin(); !it.IsEnd(); it.Next()) {
    const KuvInIntHolder* key = KuvInIntHolder::cast(*it.GetKey());
    KuvEeExpression* expression = it.GetVal() != nullptr ? KuvEeExpression::cast(*it.GetVal()) : nullptr;
    if (key == nullptr || expression == nullptr || key->getValue() < 1 ||
        key->getValue() > static_cast<std::uint32_t>(KuvFltEffectivity::sc_maxDomain))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unexpected case.");
    const auto domain = static_cast<KuvDiversityDomain>(key->getValue());
    auto at = entries.begin();
    while (at != entries.end() && at->domain < domain) ++at;
    entries.insert(at, {domain, expression});
  }
  return S_OK;
}

// The dictionaries of a multi-model expression, by name then GUID.
HRESULT dictionariesOf(const KuvEeMultiModelExpression& expression, std::vector<const KuvEeModelDico*>& models) {
  KuvInList ordered(KuvEeModelDico::sType());
  const HRESULT hr = expression.getOrderedContextDictionaries(ordered);
  if (FAILED(hr)) return hr;
  for (auto it = ordered.cBegin(); it.IsValid(); it.Next())
    models.push_back(static_cast<const KuvEeModelDico*>(it.Get()));
  return S_OK;
}

// dnf takes made, what getDNF or takeDNF answered with hr.
HRESULT adoptDnf(HRESULT hr, KuvDnf* made, std::unique_ptr<KuvDnf>& dnf) {
  dnf.reset(made);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: getDNF() failed");
  if (!dnf) KUV_RETURN_ERROR(E_FAIL, "ERROR: getDNF() returns a null pointer");
  return S_OK;
}

HRESULT dnfOf(const KuvEeMultiModelExpression& expression, const KuvEeModelDico& model,
              std::unique_ptr<KuvDnf>& dnf) {
  KuvDnf* made = nullptr;
  const HRESULT hr = expression.getDNF(&model, made);
  return adoptDnf(hr, made, dnf);
}

// A copy of source brought to view (checked by the caller) over its own
// dictionaries; null on failure.
HRESULT copyInView(const KuvEeEffectivityExpression& source, std::uint32_t view,
                   std::unique_ptr<KuvEeEffectivityExpression>& inView) {
  KuvEeEffectivityExpression* copy = nullptr;
  HRESULT hr = KuvEeEffectivityExpression::clone(source, copy);
  inView.reset(copy);
  if (FAILED(hr)) return hr;
  KuvInSet dictionaries(KuvEeModelDico::sType());
  hr = inView->getContextDictionaries(dictionaries);
  // The copy is dropped on failure: no need for transformToView's own copy.
  if (SUCCEEDED(hr))
    hr = inView->transformToViewInPlace(static_cast<KuvEeExpressionToolbox::ExpressionView>(view), dictionaries);
  if (FAILED(hr)) inView.reset();
  return hr;
}

// One view of one domain: a copy of the expression brought to the view,
// each dictionary's form stored under its GUID.
HRESULT addView(KuvFltEffectivity& effectivity, KuvDiversityDomain domain, const KuvEeEffectivityExpression& source,
                std::uint32_t view) {
  if (view > CFG_EXPRVIEW_NONE) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unexpected case.");
  std::unique_ptr<KuvEeEffectivityExpression> inView;
  HRESULT hr = copyInView(source, view, inView);
  if (FAILED(hr)) return hr;
  std::vector<const KuvEeModelDico*> models;
  hr = dictionariesOf(*inView, models);
  if (FAILED(hr)) return hr;
  if (models.empty() && inView->hasGlobalCriteria()) {
    // Without a domain the effectivity would be visible to every filter,
    // whatever its global criteria say.
    std::unique_ptr<KuvDnf> dnf;
    KuvDnf* made = nullptr;
    hr = inView->getGlobalCriteriaDNF(made);
    hr = adoptDnf(hr, made, dnf);
    if (SUCCEEDED(hr))
      hr = effectivity.setDnf(domain, static_cast<KuvExpressionView>(view), KuvInGuid(), dnf.get());
    if (SUCCEEDED(hr)) dnf.release();
    return hr;
  }
  for (const KuvEeModelDico* model : models) {
    std::unique_ptr<KuvDnf> dnf;
    // The copy is dropped afterwards: its trees are taken, not copied.
    KuvDnf* made = nullptr;
    const HRESULT taken = inView->takeDNF(model, made);
    hr = adoptDnf(taken, made, dnf);
    if (SUCCEEDED(hr))
      hr = effectivity.setDnf(domain, static_cast<KuvExpressionView>(view), model->getGuid(), dnf.get());
    if (FAILED(hr)) return hr;
    dnf.release();
  }
  return S_OK;
}

}  // namespace

HRESULT KuvExpressionDBDataServices::ComputeCompiledBinary(const KuvInMap& expressionsByDomain, KuvBioBufferOut& out,
                                                           const KuvInSet& views, KuvExpressionView view) {
  KUV_TRACE_CALL("ComputeCompiledBinary");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvFltObject* built = nullptr;
    HRESULT hr = BuildFilteringObject(expressionsByDomain, built, views, view);
    const std::unique_ptr<KuvFltObject> object(built);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: KuvExpressionDBDataServices::BuildFilteringObject FAILED.");
    hr = KuvCompiledBinaryParser::Write(*object, out);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: KuvCompiledBinaryParser::Write FAILED.");
    return S_OK;
  });
}

HRESULT KuvExpressionDBDataServices::BuildFilteringObject(const KuvInMap& expressionsByDomain, KuvFltObject*& object,
                                                          const KuvInSet& views, KuvExpressionView view) {
  KUV_TRACE_CALL("BuildFilteringObject");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (object != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output parameter should be NULL.");
    std::vector<DomainExpression> entries;
    HRESULT hr = entriesOf(expressionsByDomain, entries);
    if (FAILED(hr)) return hr;
    if (entries.empty()) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unexpected case.");
    const KuvEeExpression& first = *entries.front().expression;
    if (KuvEeEffectivityExpression::isObjectOfThisType(first)) {
      KuvFltEffectivity* effectivity = nullptr;
      hr = BuildFltEffectivity(expressionsByDomain, views, effectivity);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: BuildFltEffectivity FAILED.");
      object = effectivity;
    } else if (KuvEeFilterExpression::isObjectOfThisType(first)) {
      KuvFltFilter* filter = nullptr;
      hr = BuildFltFilter(expressionsByDomain, view, filter);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: BuildFltFilter FAILED.");
      object = filter;
    } else if (KuvEeChangeExpression::isObjectOfThisType(first)) {
      KuvFltApplicability* applicability = nullptr;
      hr = BuildFltApplicability(expressionsByDomain, applicability);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: BuildFltApplicability FAILED.");
      object = applicability;
    } else if (KuvEeCompositionMatrixExpression::isObjectOfThisType(first)) {
      KuvFltCompositionMatrix* matrix = nullptr;
      hr = BuildFltCompositionMatrix(expressionsByDomain, matrix);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: BuildFltCompositionMatrix FAILED.");
      object = matrix;
    } else {
      KUV_RETURN_ERROR(E_FAIL, "ERROR: currently unsupported.");
    }
    return S_OK;
  });
}

HRESULT KuvExpressionDBDataServices::BuildFltEffectivity(const KuvInMap& expressionsByDomain, const KuvInSet& views,
                                                         KuvFltEffectivity*& effectivity) {
  KUV_TRACE_CALL("BuildFltEffectivity");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    std::vector<DomainExpression> entries;
    HRESULT hr = entriesOf(expressionsByDomain, entries);
    if (FAILED(hr)) return hr;
    std::vector<std::uint32_t> wanted;
    for (auto it = views.cBegin(); it.IsValid();) {
      const KuvInIntHolder* holder = KuvInIntHolder::cast(*it.GetGoToNext());
      if (holder == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unexpected case.");
      auto at = wanted.begin();
      while (at != wanted.end() && *at < holder->getValue()) ++at;
      wanted.insert(at, holder->getValue());
    }
    if (wanted.empty()) wanted.push_back(CFG_EXPRVIEW_NONE);
    auto built = std::make_unique<KuvFltEffectivity>();
    for (const DomainExpression& e : entries) {
      const KuvEeEffectivityExpression* expression = KuvEeEffectivityExpression::cast(*e.expression);
      if (expression == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected case.");
      for (std::uint32_t view : wanted) {
        hr = addView(*built, e.domain, *expression, view);
        if (FAILED(hr)) return hr;
      }
    }
    effectivity = built.release();
    return S_OK;
  });
}

HRESULT KuvExpressionDBDataServices::BuildFltFilter(const KuvInMap& expressionsByDomain, KuvExpressionView view,
                                                    KuvFltFilter*& filter) {
  KUV_TRACE_CALL("BuildFltFilter");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    std::vector<DomainExpression> entries;
    HRESULT hr = entriesOf(expressionsByDomain, entries);
    if (FAILED(hr)) return hr;
    if (entries.empty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Filter with no domain expression");
    std::unique_ptr<KuvFltFilter> built;
    for (const DomainExpression& e : entries) {
      const KuvEeFilterExpression* expression = KuvEeFilterExpression::cast(*e.expression);
      if (expression == nullptr || expression->getModelDico() == nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected case.");
      if (!built) built = std::make_unique<KuvFltFilter>(view, expression->getSelectionMode());
      KuvDnf* made = nullptr;
      hr = expression->getDNF(made);
      std::unique_ptr<KuvDnf> dnf(made);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: getDNF() failed");
      if (!dnf) KUV_RETURN_ERROR(E_FAIL, "ERROR: getDNF() returns a null pointer");
      auto domain = std::make_unique<KuvFltDomainFilter>(e.domain, view);
      hr = domain->setDnf(expression->getModelDico()->getGuid(), dnf.get());
      if (FAILED(hr)) return hr;
      dnf.release();
      hr = built->setFilterForDomain(domain.get());
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : setFilterForDomain FAILED");
      domain.release();
    }
    filter = built.release();
    return S_OK;
  });
}

HRESULT KuvExpressionDBDataServices::BuildFltApplicability(const KuvInMap& expressionsByDomain,
                                                           KuvFltApplicability*& applicability) {
  KUV_TRACE_CALL("BuildFltApplicability");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    std::vector<DomainExpression> entries;
    HRESULT hr = entriesOf(expressionsByDomain, entries);
    if (FAILED(hr)) return hr;
    auto built = std::make_unique<KuvFltApplicability>();
    for (const DomainExpression& e : entries) {
      const KuvEeChangeExpression* expression = KuvEeChangeExpression::cast(*e.expression);
      if (expression == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected case.");
      std::vector<const KuvEeModelDico*> models;
      hr = dictionariesOf(*expression, models);
      if (FAILED(hr)) return hr;
      for (const KuvEeModelDico* model : models) {
        std::unique_ptr<KuvDnf> dnf;
        hr = dnfOf(*expression, *model, dnf);
        if (SUCCEEDED(hr)) hr = built->addCriteria(model->getGuid(), dnf.get());
        if (FAILED(hr)) return hr;
        dnf.release();
      }
    }
    applicability = built.release();
    return S_OK;
  });
}

HRESULT KuvExpressionDBDataServices::ComputeEffectivityViews(const KuvEeEffectivityExpression& expression,
                                                             const KuvInListVal& views, KuvInList& viewed,
                                                             KuvInSet& garbage) {
  KUV_TRACE_CALL("ComputeEffectivityViews");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (!viewed.IsTypeAccepted(KuvEeEffectivityExpression::sType()) ||
        !garbage.IsTypeAccepted(KuvEeEffectivityExpression::sType()))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output containers should accept KuvEeEffectivityExpression");
    std::vector<std::uint32_t> wanted;
    for (std::int32_t i = 0; i < views.GetLength(); ++i) {
      const KuvInObject* view = views.Get(i);
      const KuvInIntHolder* number = view != nullptr ? KuvInIntHolder::cast(*view) : nullptr;
      if (number == nullptr)
        KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: view identifiers should be KuvInIntHolder");
      if (number->getValue() > CFG_EXPRVIEW_NONE) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Unexpected value");
      wanted.push_back(number->getValue());
    }
    if (wanted.empty()) return S_FALSE;
    std::vector<std::unique_ptr<KuvEeEffectivityExpression>> made(wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i)
      if (FAILED(copyInView(expression, wanted[i], made[i]))) KUV_RETURN_ERROR(E_FAIL, "ERROR: ComputeView.");
    // The type checks above leave nothing that could refuse an element now.
    // The garbage takes each copy first, so that running out of memory
    // leaves no copy in the list that nobody owns.
    for (auto& copy : made) {
      KuvEeEffectivityExpression* taken = copy.get();
      garbage.Put(taken);
      copy.release();
      viewed.PutBack(taken);
    }
    return S_OK;
  });
}

namespace {

// Each tree of a part (dictionary -> tree) as a normal form under the
// dictionary's GUID, in dictionary order.
HRESULT addPart(const KuvInMap& part, KuvFltCompositionMatrix& matrix, bool ifPart) {
  std::vector<std::pair<const KuvEeModelDico*, const KuvEeNodeRef*>> trees;
  for (auto it = part.cBegin(); !it.IsEnd(); it.Next()) {
    const auto* model = static_cast<const KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject());
    const auto* tree = static_cast<const KuvEeNodeRef*>(it.GetVal());
    if (model == nullptr || tree == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected case.");
    auto at = trees.begin();
    while (at != trees.end() && at->first->getGuid() < model->getGuid()) ++at;
    trees.insert(at, {model, tree});
  }
  for (const auto& [model, tree] : trees) {
    std::unique_ptr<KuvDnf> dnf(KuvEeDnfConvertor::NodeRef2Dnf(*tree));
    if (!dnf) KUV_RETURN_ERROR(E_FAIL, "ERROR: getDNF() returns a null pointer");
    const HRESULT hr = ifPart ? matrix.IF_SetCriteria(model->getGuid(), dnf.get())
                              : matrix.THEN_SetCriteria(model->getGuid(), dnf.get());
    if (FAILED(hr)) return hr;
    dnf.release();
  }
  return S_OK;
}

}  // namespace

HRESULT KuvExpressionDBDataServices::BuildFltCompositionMatrix(const KuvInMap& expressionsByDomain,
                                                               KuvFltCompositionMatrix*& matrix) {
  KUV_TRACE_CALL("BuildFltCompositionMatrix");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    std::vector<DomainExpression> entries;
    HRESULT hr = entriesOf(expressionsByDomain, entries);
    if (FAILED(hr)) return hr;
    auto built = std::make_unique<KuvFltCompositionMatrix>();
    for (const DomainExpression& e : entries) {
      const KuvEeCompositionMatrixExpression* expression =
          KuvEeCompositionMatrixExpression::cast(*e.expression);
      if (expression == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected case.");
      hr = addPart(expression->IF_GetAllCriteria(), *built, true);
      if (SUCCEEDED(hr)) hr = addPart(expression->THEN_GetAllCriteria(), *built, false);
      if (FAILED(hr)) return hr;
    }
    matrix = built.release();
    return S_OK;
  });
}
