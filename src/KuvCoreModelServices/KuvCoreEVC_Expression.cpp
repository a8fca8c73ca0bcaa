#include "KuvCoreEVC_Expression.h"

#include <memory>
#include <vector>

#include "KuvCoreEVC_ExpressionAndTerm.h"
#include "KuvCoreEVC_NodeClassifier.h"
#include "KuvEVCClassification.h"
#include "KuvEeAndOp.h"
#include "KuvEeGenericExpression.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeGroupContext.h"
#include "KuvEeNodeGroupMaker.h"
#include "KuvEeOrOp.h"
#include "KuvInIntHolder.h"
#include "KuvInMapVal.h"
#include "KuvInSet.h"
#include "KuvInSetVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvCoreEVC_Expression, KuvInObject)

namespace {

// The parts of a term, in their order.
enum Part { Evolution = 0, Variant = 1, Change = 2, kParts = 3 };

// Which parts the tree under ref has criteria for.
struct Families {
  bool has[kParts] = {false, false, false};

  int count() const { return has[Evolution] + has[Variant] + has[Change]; }
  // The first part it has, kParts for none.
  Part first() const {
    for (Part part : {Evolution, Variant, Change})
      if (has[part]) return part;
    return kParts;
  }
};

// The families of the tree under node, as the classifier's last walk (of
// the whole split tree) found them: one walk serves the root and each child
// the split reads.
HRESULT familiesOf(const KuvCoreEVC_NodeClassifier& classifier, const KuvEeNode& node, Families& families) {
  KuvEVCClassification classification;
  if (FAILED(classifier.getVisitedClassification(node, classification)))
    KUV_RETURN_ERROR_ON(KuvCoreEVC_Expression::traceChannel(), E_FAIL, "ERROR: classify failed");
  families.has[Evolution] = classification.isEvolution();
  families.has[Variant] = classification.isVariant();
  families.has[Change] = classification.isChange();
  return S_OK;
}

// Groups the subtrees of one family, develops, merges sibling groups of one
// family and ungroups, in place.
HRESULT developByFamily(KuvCoreEVC_NodeClassifier& classifier, KuvEeNodeRef& tree) {
  KuvInTraceClass& channel = KuvCoreEVC_Expression::traceChannel();
  KuvEeNodeGroupMaker maker(classifier, KuvEeNodeGroupMaker::GROUP_SAME_FAMILY);
  for (std::uint32_t index : {KuvEeNodeClassifier::CLASSIF_VARIANT, KuvEeNodeClassifier::CLASSIF_EVOLUTION,
                              KuvEeNodeClassifier::CLASSIF_CHANGE})
    maker.selectClassificationIndex(KuvInIntHolder(index));
  KuvEeNodeGroupContext context(tree);
  HRESULT hr = maker.groupNode(context);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: Create groupNode failed");
  hr = KuvEeNodeDeveloper().develop(tree);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: Create develop failed");
  hr = maker.mergeSimilarChildren(context);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: Create mergeSimilarChildren failed");
  hr = maker.ungroupNode(context);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: Create ungroupNode failed");
  return S_OK;
}

}  // namespace

KuvCoreEVC_Expression::KuvCoreEVC_Expression() : m_terms(KuvCoreEVC_ExpressionAndTerm::sType()) {}

KuvCoreEVC_Expression::~KuvCoreEVC_Expression() { m_terms.DeleteAll(); }

HRESULT KuvCoreEVC_Expression::Create(const KuvEeGenericExpression& expression, KuvCoreEVC_Expression*& out) {
  // Everything made on the way is held by its owner, and out is set last.
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return create(expression, out); });
}

HRESULT KuvCoreEVC_Expression::create(const KuvEeGenericExpression& expression, KuvCoreEVC_Expression*& out) {
  KUV_TRACE_CALL("Create");
  if (expression.IsList()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Query expression not suported");
  std::unique_ptr<KuvEeNodeRef> tree(expression.GetNodeRefClone());
  if (tree == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  KuvCoreEVC_NodeClassifier classifier;
  HRESULT hr = developByFamily(classifier, *tree);
  if (FAILED(hr)) return hr;
  KUV_TRACE_DETAIL("Final Expression:\n", tree->toString());

  std::unique_ptr<KuvCoreEVC_Expression> result(new KuvCoreEVC_Expression);
  KuvEVCClassification whole;
  hr = classifier.classify(*tree, whole);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: classify failed");
  Families families;
  hr = familiesOf(classifier, *tree->getNode(), families);
  if (FAILED(hr)) return hr;
  if (families.count() == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: CASE UNDEFINED NOT SUPPORTED");
  if (families.count() == 1) {
    KuvEeNodeRef* parts[kParts] = {nullptr, nullptr, nullptr};
    parts[families.first()] = tree.release();
    hr = result->append(parts[Evolution], parts[Variant], parts[Change]);
  } else if (auto* andOp = KuvEeAndOp::cast(*tree->getNode())) {
    hr = result->appendChildren(classifier, *andOp);
  } else if (auto* orOp = KuvEeOrOp::cast(*tree->getNode())) {
    KuvInLinkList children(KuvEeNodeRef::sType());
    kuv::detail::throwIfOutOfMemory(orOp->getChildrenRefs(children));
    for (auto it = children.cBegin(); it.IsValid() && SUCCEEDED(hr); it.Next()) {
      auto* child = static_cast<KuvEeNodeRef*>(it.Get());
      hr = familiesOf(classifier, *child->getNode(), families);
      if (FAILED(hr)) break;
      if (families.count() == 1) {
        orOp->removeChild(child->getNode());
        KuvEeNodeRef* parts[kParts] = {nullptr, nullptr, nullptr};
        parts[families.first()] = child;
        hr = result->append(parts[Evolution], parts[Variant], parts[Change]);
      } else if (auto* group = KuvEeGroupOp::cast(*child->getNode())) {
        hr = result->appendChildren(classifier, *group);
      } else {
        KUV_RETURN_ERROR(E_FAIL, "ERROR: NODE KIND NOT SUPPORTED");
      }
    }
  } else {
    KUV_RETURN_ERROR(E_FAIL, "ERROR: NODE TYPE NOT SUPPORTED");
  }
  if (FAILED(hr)) return hr;
  out = result.release();
  return S_OK;
}

HRESULT KuvCoreEVC_Expression::appendChildren(const KuvCoreEVC_NodeClassifier& classifier, KuvEeGroupOp& op) {
  std::unique_ptr<KuvEeNodeRef> parts[kParts];
  KuvInLinkList children(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(op.getChildrenRefs(children));
  for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
    auto* ref = static_cast<KuvEeNodeRef*>(it.Get());
    Families families;
    const HRESULT hr = familiesOf(classifier, *ref->getNode(), families);
    if (FAILED(hr)) return hr;
    op.removeChild(ref->getNode());
    std::unique_ptr<KuvEeNodeRef> child(ref);
    if (families.first() != kParts) parts[families.first()] = std::move(child);
  }
  return append(parts[Evolution].release(), parts[Variant].release(), parts[Change].release());
}

HRESULT KuvCoreEVC_Expression::append(KuvEeNodeRef* evolution, KuvEeNodeRef* variant, KuvEeNodeRef* change) {
  // Held until the term has them: making it may run out of memory.
  std::unique_ptr<KuvEeNodeRef> parts[] = {std::unique_ptr<KuvEeNodeRef>(evolution),
                                           std::unique_ptr<KuvEeNodeRef>(variant),
                                           std::unique_ptr<KuvEeNodeRef>(change)};
  auto term = std::make_unique<KuvCoreEVC_ExpressionAndTerm>(parts[0].get(), parts[1].get(), parts[2].get());
  for (std::unique_ptr<KuvEeNodeRef>& part : parts) part.release();
  if (FAILED(m_terms.PutBack(term.get()))) KUV_RETURN_ERROR(E_FAIL, "ERROR: put failed");
  term.release();
  return S_OK;
}

HRESULT KuvCoreEVC_Expression::GetAndTerm(KuvInSet& terms) const {
  KUV_TRACE_CALL("GetAndTerm");
  if (m_terms.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: EVC_EXPRESSION empty");
  if (!terms.IsTypeAccepted(KuvCoreEVC_ExpressionAndTerm::sType()))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
  // The terms the set lacks, taken out again when it cannot hold them all.
  std::vector<const KuvInObject*> added;
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        added.reserve(m_terms.GetLength());
        for (auto it = m_terms.cBegin(); it.IsValid(); it.Next())
          if (!terms.Find(it.Get())) added.push_back(it.Get());
        for (auto it = m_terms.cBegin(); it.IsValid(); it.Next()) terms.Put(it.Get());
        return S_OK;
      },
      [&] {
        for (const KuvInObject* term : added) terms.Remove(term);
        return E_OUTOFMEMORY;
      });
}
