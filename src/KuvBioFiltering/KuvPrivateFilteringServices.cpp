#include "KuvPrivateFilteringServices.h"

#include <memory>

#include "KuvCompiledBinaryParser.h"
#include "KuvEeAndOp.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeExpressionContext.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvPrivateFilteringServices, KuvInObject)

namespace {

KuvInTraceClass& traceChannel() { return KuvPrivateFilteringServices::traceChannel(); }

using Tree = std::unique_ptr<KuvEeNodeRef>;
using MatrixGroup = KuvPrivateFilteringServices::MatrixGroup;

// sum becomes sum Or b. In place: a group's union grows by one matrix at a
// time, and copying it each time would be quadratic in the group's size.
void unite(std::unique_ptr<KuvDnf>& sum, const KuvDnf& b) {
  if (sum->getSpecialCondition() == DNF_COND_TRUE || b.getSpecialCondition() == DNF_COND_FALSE) return;
  if (b.getSpecialCondition() == DNF_COND_TRUE || sum->getSpecialCondition() == DNF_COND_FALSE) {
    sum = std::make_unique<KuvDnf>(b);
    return;
  }
  for (const KuvDnfAndTerm* term : b.andTerms()) sum->addAndTerm(term->clone());
}

// a And b over the dictionary's criteria, the caller's; null on failure.
std::unique_ptr<KuvDnf> conjunction(const KuvDnf& a, const KuvDnf& b, const KuvInGuid& dictionary) {
  if (a.getSpecialCondition() == DNF_COND_FALSE || b.getSpecialCondition() == DNF_COND_FALSE)
    return std::make_unique<KuvDnf>(DNF_COND_FALSE);
  if (a.getSpecialCondition() == DNF_COND_TRUE) return std::make_unique<KuvDnf>(b);
  if (b.getSpecialCondition() == DNF_COND_TRUE) return std::make_unique<KuvDnf>(a);
  // Declared before the trees, so freed after them: their leaves refer to
  // the context's objects.
  std::unique_ptr<KuvEeExpressionContext> owned;
  KuvEeExpressionContext* context = nullptr;
  Tree left(KuvEeDnfConvertor::Dnf2NodeRef(a, dictionary, context, nullptr));
  owned.reset(context);
  // The second form in the same context, so that both name the same
  // variables and the normal form merges their leaves.
  Tree right(left ? KuvEeDnfConvertor::Dnf2NodeRef(b, dictionary, context, nullptr) : nullptr);
  if (!left || !right) {
    KUV_TRACE_ERROR("ERROR: Dnf2NodeRef FAILED");
    return nullptr;
  }
  auto* both = new KuvEeAndOp;
  const Tree root(both->getNodeRef());
  for (Tree* side : {&left, &right}) {
    if (FAILED(kuv::detail::throwIfOutOfMemory(both->addChild((*side)->getNode())))) {
      KUV_TRACE_ERROR("ERROR: And Op creation failed");
      return nullptr;
    }
    side->release();
  }
  std::unique_ptr<KuvDnf> product(KuvEeDnfConvertor::NodeRef2Dnf(*root));
  if (!product) KUV_TRACE_ERROR("ERROR: NodeRef2Dnf FAILED");
  return product;
}

// Whether the domain's forms meet every IF form of the matrix.
HRESULT isSelected(const KuvFltDomainFilter& domain, const KuvFltCompositionMatrix& matrix, bool& selected) {
  selected = true;
  for (const auto& e : matrix.ifPart().entries()) {
    const KuvDnf* form = domain.getDnf(e.dictionary);
    if (form == nullptr) continue;
    unsigned char met = 0;
    if (FAILED(form->isIntersect(*e.dnf, met)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: isIntersect between DNFs FAILED.");
    if (met == 0) {
      selected = false;
      return S_OK;
    }
  }
  return S_OK;
}

// One group's matrices on one domain. The selection is made against the
// domain as the group finds it, before any of the group's THEN forms apply.
HRESULT applyGroup(KuvFltDomainFilter& domain, const MatrixGroup& group) {
  MatrixGroup selected;
  for (const KuvFltCompositionMatrix* matrix : group) {
    if (matrix == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on composition matrix.");
    bool meets = false;
    const HRESULT hr = isSelected(domain, *matrix, meets);
    if (FAILED(hr)) return hr;
    if (meets) selected.push_back(matrix);
  }
  if (selected.empty()) return S_FALSE;
  // A dictionary every selected matrix names is named by the first one.
  for (const auto& e : selected.front()->thenPart().entries()) {
    std::unique_ptr<KuvDnf> constraint;
    for (const KuvFltCompositionMatrix* matrix : selected) {
      const KuvDnf* then = matrix->THEN_GetCriteria(e.dictionary);
      if (then == nullptr) {
        constraint.reset();
        break;
      }
      if (constraint)
        unite(constraint, *then);
      else
        constraint = std::make_unique<KuvDnf>(*then);
    }
    if (!constraint) continue;
    if (const KuvDnf* form = domain.getDnf(e.dictionary); form != nullptr) {
      constraint = conjunction(*form, *constraint, e.dictionary);
      if (!constraint) return E_FAIL;
    }
    const HRESULT hr = domain.setDnf(e.dictionary, constraint.get());
    if (FAILED(hr)) return hr;
    constraint.release();
  }
  return S_OK;
}

}  // namespace

HRESULT KuvPrivateFilteringServices::prepareFilterForContext(const KuvFltFilter& filter,
                                                             const std::vector<MatrixGroup>& groups,
                                                             KuvFltFilter*& prepared) {
  KUV_TRACE_CALL("prepareFilterForContext");
  if (prepared != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output filter should be NULL.");
  std::unique_ptr<KuvFltFilter> result(filter.clone());
  for (int d = 1; d <= KuvFltFilter::sc_maxDomain; ++d) {
    KuvFltDomainFilter* domain = result->getFilterForDomain(d);
    for (std::size_t g = 0; domain != nullptr && g < groups.size(); ++g) {
      const HRESULT hr = applyGroup(*domain, groups[g]);
      if (FAILED(hr))
        KUV_RETURN_ERROR(hr, "ERROR: composition matrices of dictionary ", static_cast<unsigned long>(g),
                         " not applied to domain ", d);
    }
  }
  prepared = result.release();
  return S_OK;
}

HRESULT KuvPrivateFilteringServices::prepareFilterForContext(
    const KuvFltFilter& filter, const std::uint8_t* const* matrixBinaries, const unsigned int* matrixSizes,
    const unsigned int* nbOfCompositionMatrixPerDictionary, unsigned int nbDictionaries,
    KuvFltFilter*& prepared) {
  KUV_TRACE_CALL("prepareFilterForContext");
  if (prepared != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output filter should be NULL.");
  if (nbDictionaries != 0 && nbOfCompositionMatrixPerDictionary == nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on input.");
  std::vector<std::unique_ptr<KuvInObject>> matrices;
  std::vector<MatrixGroup> groups(nbDictionaries);
  for (unsigned int i = 0; i < nbDictionaries; ++i) {
    for (unsigned int j = 0; j < nbOfCompositionMatrixPerDictionary[i]; ++j) {
      if (matrixBinaries == nullptr || matrixSizes == nullptr)
        KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer on input.");
      const auto n = static_cast<unsigned int>(matrices.size());
      KuvInObject* read = nullptr;
      if (matrixBinaries[n] != nullptr && matrixSizes[n] != 0) {
        KuvBioBuffer in(matrixBinaries[n], matrixSizes[n], 0);
        if (FAILED(KuvCompiledBinaryParser::Read(in, read))) read = nullptr;
      }
      matrices.emplace_back(read);
      const KuvFltCompositionMatrix* matrix =
          read != nullptr ? KuvFltCompositionMatrix::cast(*read) : nullptr;
      if (matrix == nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: composition matrix binary ", n,
                         " does not read as a composition matrix");
      groups[i].push_back(matrix);
    }
  }
  return prepareFilterForContext(filter, groups, prepared);
}
