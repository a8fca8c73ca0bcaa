#include "KuvFilteringComparison.h"

#include <cstdlib>
#include <memory>

#include "KuvDnfExclusiveVariables.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfProduct.h"
#include "KuvEeNotOp.h"
#include "KuvEeVarSpace.h"
#include "KuvInList.h"
#include "KuvInSet.h"
#include "KuvMallocArray.h"

KUV_DEFINE_TYPE(KuvFilteringComparison, KuvInObject)

namespace {

KuvInTraceClass& traceChannel() { return KuvFilteringComparison::traceChannel(); }

// Not dnf: through a tree over a working variable space, under a plain Not.
// False, traced, when it cannot be made.
bool negate(const KuvDnf& dnf, kuv::detail::DnfNegation& negation) {
  KuvEeVarSpace space(KuvInString("KuvFilteringComparison"), KuvInGuid().getArray());
  KuvInSet objects;
  std::unique_ptr<KuvEeNodeRef> tree(KuvEeDnfConvertor::Dnf2NodeRef(dnf, space, objects, 0));
  if (tree) {
    auto* negated = new KuvEeNotOp(0);
    std::unique_ptr<KuvEeNodeRef> root(negated->getNodeRef());
    if (SUCCEEDED(negated->setChildRef(tree.get()))) {
      tree.release();
      negation.terms.reset(kuv::detail::ownedTreeToDnf(*root, &negation.factors));
    }
  }
  // The working space's variables are this call's (see KuvDnfVsBuilder).
  tree.reset();
  objects.DeleteAll();
  if (!negation.isMade()) KUV_TRACE_ERROR("ERROR: NULL pointer");
  return negation.isMade();
}

bool isTrue(const KuvDnf& dnf) { return dnf.getSpecialCondition() == DNF_COND_TRUE; }
bool isFalse(const KuvDnf& dnf) { return dnf.getSpecialCondition() == DNF_COND_FALSE; }

}  // namespace

HRESULT KuvFilteringComparison::Compare_DNF_To_DNF(const E_COMPARE_TEST_TYPE& test, const KuvDnf& reference,
                                                   const KuvInList& dnfs, unsigned char*& results,
                                                   unsigned char exclusive) {
  results = nullptr;
  if (dnfs.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Empty input list.");
  if (test != CompareEqual && test != CompareIntersect && test != CompareIncluded)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: UNEXPECTED.");
  const KuvDnfExclusiveVariablesGuard exclusiveVariables(
      std::getenv("CFG_ENABLE_EXCLUSIVES_VARIABLES") != nullptr ? 0 : (exclusive != 0 ? 0 : 1));
  const std::int32_t n = dnfs.GetLength();
  kuv::detail::MallocArray<unsigned char> bytes = kuv::detail::allocateArray<unsigned char>(n);
  if (!bytes) KUV_RETURN_ERROR(E_OUTOFMEMORY, "ERROR: out of memory");
  std::unique_ptr<kuv::detail::DnfNegation> notReference;
  // Whether d meets not r (r's negation built once for the whole list).
  auto meetsNotReference = [&](const KuvDnf& d, unsigned char& out) -> HRESULT {
    if (!notReference) {
      notReference = std::make_unique<kuv::detail::DnfNegation>();
      negate(reference, *notReference);
    }
    if (!notReference->isMade()) return E_FAIL;
    return notReference->isIntersectedBy(d, out);
  };
  for (std::int32_t i = 0; i < n; ++i) {
    const KuvDnf* d = dnfs.Get(i) != nullptr ? KuvDnf::cast(*dnfs.Get(i)) : nullptr;
    if (d == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: the list holds something else than normal forms");
    unsigned char out = 0;
    HRESULT hr = S_OK;
    if (test == CompareIntersect) {
      hr = reference.isIntersect(*d, out);
    } else if (test == CompareIncluded) {
      if (isFalse(reference)) {
        out = isFalse(*d) ? 1 : 0;
      } else if (isFalse(*d) || isTrue(reference)) {
        out = 1;
      } else {
        hr = meetsNotReference(*d, out);
        out = out != 0 ? 0 : 1;
      }
    } else if (isFalse(reference) != isFalse(*d) || isTrue(reference) != isTrue(*d)) {
      out = 0;
    } else {
      kuv::detail::DnfNegation notD;
      hr = negate(*d, notD) ? notD.isIntersectedBy(reference, out) : E_FAIL;
      if (SUCCEEDED(hr) && out != 0) {
        out = 0;
      } else if (SUCCEEDED(hr)) {
        hr = meetsNotReference(*d, out);
        out = out != 0 ? 0 : 1;
      }
    }
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: isIntersect FAILED.");
    bytes.get()[i] = out;
  }
  results = bytes.release();
  return S_OK;
}
