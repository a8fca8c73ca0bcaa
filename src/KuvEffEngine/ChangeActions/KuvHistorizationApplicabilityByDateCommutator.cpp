#include "KuvHistorizationApplicabilityByDateCommutator.h"

#include <memory>

#include "KuvEeDateEff.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeNotOp.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInGuid.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvHistorizationApplicabilityByDateCommutator, KuvEeNodeWalker)

KuvHistorizationApplicabilityByDateCommutator::~KuvHistorizationApplicabilityByDateCommutator() = default;

HRESULT KuvHistorizationApplicabilityByDateCommutator::commute(KuvEeNodeRef& tree, const KuvInGuid& change,
                                                               const KuvEeDateEff& date) {
  KUV_TRACE_CALL("commute");
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        m_change = &change;
        m_date = &date;
        m_replaced = 0;
        const HRESULT hr = tree.getNode()->acceptVisitor(*this);
        m_change = nullptr;
        m_date = nullptr;
        const std::vector<KuvEeEffLeaf*> found = std::move(m_found);
        m_found.clear();
        if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to acceptVisitor() on KuvEeNode has failed.");
        // Every replacement is made before the first leaf goes, so that a
        // failing call leaves the tree as it was.
        std::vector<std::unique_ptr<KuvEeNode>> replacements;
        replacements.reserve(found.size());
        for (const KuvEeEffLeaf* leaf : found) {
          // The leaf takes the effectivity only once it is made.
          auto eff = std::make_unique<KuvEeDateEff>(date);
          std::unique_ptr<KuvEeNode> replacement(new KuvEeVarEffLeaf(eff.get()));
          eff.release();
          if (leaf->isNegated()) {
            std::unique_ptr<KuvEeNotOp> negation(new KuvEeNotOp(0));
            if (FAILED(negation->setChildRef(replacement->getNodeRef())))
              KUV_RETURN_ERROR(E_FAIL, "ERROR: setChildRef failed");
            replacement.release();
            replacement = std::move(negation);
          }
          replacements.push_back(std::move(replacement));
        }
        for (std::size_t i = 0; i < found.size(); ++i) found[i]->become(replacements[i].release());
        m_replaced = found.empty() ? 0 : 1;
        return m_replaced != 0 ? S_OK : S_FALSE;
      },
      [&] {
        m_change = nullptr;
        m_date = nullptr;
        m_found.clear();
        return E_OUTOFMEMORY;
      });
}

HRESULT KuvHistorizationApplicabilityByDateCommutator::visitNotDomainOp(KuvEeNotDomainOp&) { return S_OK; }

HRESULT KuvHistorizationApplicabilityByDateCommutator::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  if (m_change == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  const KuvEeEffectivity* target = node.getTargetEff();
  if (target != nullptr && target->getGuid() == *m_change) m_found.push_back(&node);
  return S_OK;
}
