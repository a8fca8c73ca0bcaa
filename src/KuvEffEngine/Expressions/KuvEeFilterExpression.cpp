#include "KuvEeFilterExpression.h"

#include <memory>

#include "KuvEeNormalFormHooks.h"

#include <vector>

#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeFilterExpression, KuvEeExpression)

namespace {

using Tree = std::unique_ptr<KuvEeNodeRef>;

// A leaf over a copy of eff, or null when the copy fails.
Tree varEffLeaf(const KuvEeVarEff& eff) {
  KuvEeVarEff* copy = eff.createVarEffClone();
  return Tree(copy != nullptr ? (new KuvEeVarEffLeaf(copy))->getNodeRef() : nullptr);
}

}  // namespace

KuvEeFilterExpression::KuvEeFilterExpression(KuvEeModelDico* model, KuvQmSpecList* list)
    : m_model(model), m_list(list) {}

KuvEeFilterExpression::~KuvEeFilterExpression() = default;

namespace {
// The configurations the filter shows: those of its criteria all together;
// without a list, the whole dictionary.
HRESULT filterDnf(const KuvQmSpecList* list, bool negated, KuvDnf*& dnf) {
  dnf = nullptr;
  KuvEeNodeRef* tree = nullptr;
  HRESULT hr = list != nullptr ? kuv::detail::listTree(*list, tree) : S_OK;
  const std::unique_ptr<KuvEeNodeRef> owned(tree);
  return FAILED(hr) ? hr : kuv::detail::treeDnf(owned.get(), negated, dnf);
}
}  // namespace

HRESULT KuvEeFilterExpression::getDNF(KuvDnf*& dnf) const {
  KUV_TRACE_CALL("getDNF");
  return filterDnf(m_list.get(), false, dnf);
}

HRESULT KuvEeFilterExpression::getNotDNF(KuvDnf*& dnf) const {
  KUV_TRACE_CALL("getNotDNF");
  return filterDnf(m_list.get(), true, dnf);
}

HRESULT KuvEeFilterExpression::runVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("runVisitor");
  if (m_list == nullptr) return S_OK;
  // Replacing an effectivity changes the map, so the variables come first.
  std::vector<const KuvEeVariable*> vars;
  for (auto it = m_list->GetVarEffs().cBegin(); !it.IsEnd(); it.Next())
    vars.push_back(static_cast<const KuvEeVarEff*>(it.GetVal())->getVar());
  for (const KuvEeVariable* var : vars) {
    Tree leaf = varEffLeaf(*m_list->GetVarEff(var));
    if (leaf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    HRESULT rc = leaf->getNode()->acceptVisitor(visitor);
    if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: acceptVisitor failed");
    // Continue from the reference: the visitor may have replaced the leaf.
    KuvEeVarEffLeaf* visited = KuvEeVarEffLeaf::cast(*leaf->getNode());
    if (visited == nullptr || visited->getVarEff() == nullptr || visited->getVarEff()->getVar() != var)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: a criteria list item cannot become another node");
    leaf.release();
    KuvEeVarEff* changed = KuvEeVarEffLeaf::DeleteLeafKeepVarEff(visited);
    m_list->ReplaceVarEff(changed);
  }
  return visitEffs(visitor);
}

HRESULT KuvEeFilterExpression::runConstVisitor(KuvEeNodeVisitor& visitor) const {
  KUV_TRACE_CALL("runConstVisitor");
  if (m_list == nullptr) return S_OK;
  for (auto it = m_list->GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) {
    Tree leaf = varEffLeaf(*static_cast<const KuvEeVarEff*>(it.GetVal()));
    if (leaf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    HRESULT rc = leaf->getNode()->acceptVisitor(visitor);
    if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: acceptVisitor failed");
  }
  return visitEffs(visitor);
}

HRESULT KuvEeFilterExpression::visitEffs(KuvEeNodeVisitor& visitor) const {
  for (auto it = m_list->GetEffs().cBegin(); it.IsValid();) {
    Tree leaf((new KuvEeEffLeaf(static_cast<KuvEeEffectivity*>(it.GetGoToNext()), m_model))->getNodeRef());
    HRESULT rc = leaf->getNode()->acceptVisitor(visitor);
    if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: acceptVisitor failed");
  }
  return S_OK;
}

HRESULT KuvEeFilterExpression::simplify() {
  KUV_TRACE_CALL("simplify");
  // A criteria list is no tree: nothing to do.
  return S_FALSE;
}

void KuvEeFilterExpression::setSpecList(KuvQmSpecList* list) {
  if (list != m_list.get()) m_list.reset(list);
}

KuvInString KuvEeFilterExpression::toString() const {
  KuvInString text("FilterExpression( ");
  text.Append(m_mode == CFG_SELECTIONMODE_STRICT ? "CFG_SELECTIONMODE_STRICT"
              : m_mode == CFG_SELECTIONMODE_150  ? "CFG_SELECTIONMODE_150"
                                                 : KuvInString::FromNum(m_mode),
              " - ", KuvInString::FromNum(m_condition), " - ",
              m_list != nullptr ? m_list->toString() : KuvInString("NO LIST"), " )");
  return text;
}
