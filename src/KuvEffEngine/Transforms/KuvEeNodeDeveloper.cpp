#include "KuvEeNodeDeveloper.h"

#include "KuvEeNodeCloner.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeNodeNormalizer.h"
#include "KuvEeNodeNotRemover.h"
#include "KuvEeTransformEntry.h"
#include "KuvEeTransformLists.h"
#include "KuvOutOfMemory.h"

#include <algorithm>
#include <functional>
#include <new>
#include <typeinfo>
#include <unordered_set>
#include <utility>

#include "KuvEeEffLeaf.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeNodeDeveloper, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeDeveloper>;

namespace {

using kuv::detail::OwnedNode;

// The terms of a factor: the children of an Or, else the factor itself.
std::vector<KuvEeNodeRef*> termsOf(KuvEeNodeRef& factor) {
  std::vector<KuvEeNodeRef*> terms;
  const KuvEeOrOp* orOp = KuvEeOrOp::cast(*factor.getNode());
  if (orOp == nullptr) return {&factor};
  const KuvInLinkList& children = orOp->childrenRefs();
  for (auto it = children.cBegin(); it.IsValid(); it.Next())
    terms.push_back(static_cast<KuvEeNodeRef*>(it.Get()));
  return terms;
}

// A new And of copies of a and b, flattened; null when a copy fails.
OwnedNode andOfCopies(const KuvEeNodeRef& a, const KuvEeNodeRef& b) {
  OwnedNode result((new KuvEeAndOp)->getNodeRef());
  auto* andOp = static_cast<KuvEeAndOp*>(result->getNode());
  for (const KuvEeNodeRef* term : {&a, &b}) {
    OwnedNode copy(term->getNode()->clone());
    // Held until adopted: the adoption may run out of memory.
    if (copy == nullptr || FAILED(kuv::detail::throwIfOutOfMemory(andOp->addChild(copy->getNode()))))
      return nullptr;
    copy.release();
  }
  andOp->appendSameNodes();
  return result;
}

// Each And term of a normalized accumulator, with the criteria of its
// leaves, when every term is an And of two or more leaves of the library's
// own criterion kinds, each on a criterion of its own. Such a term is left
// as it is by normalization, and so is the term with one more leaf on a new
// criterion that stays a criterion (neither True nor False): no leaves
// merge, no child is absorbed, order is kept. The product with such a leaf
// then only appends a copy of it to every term, which saves copying and
// normalizing the whole accumulator at every factor.
class AppendIndex {
public:
  bool valid() const { return m_valid; }
  void invalidate() {
    m_valid = false;
    m_terms.clear();
  }

  // Indexes accumulator; false when a term does not have that shape.
  bool build(KuvEeNodeRef& accumulator) {
    invalidate();
    KuvEeNode* root = accumulator.getNode();
    if (KuvEeAndOp* andOp = KuvEeAndOp::cast(*root)) return m_valid = addTerm(*andOp);
    KuvEeOrOp* orOp = KuvEeOrOp::cast(*root);
    if (orOp == nullptr) return false;
    const KuvInLinkList& children = orOp->childrenRefs();
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      KuvEeAndOp* term = KuvEeAndOp::cast(*static_cast<KuvEeNodeRef*>(it.Get())->getNode());
      if (term == nullptr || !addTerm(*term)) {
        invalidate();
        return false;
      }
    }
    return m_valid = !m_terms.empty();
  }

  enum class Append { Done, NotHere, Failed };

  // Appends a copy of factor to every term; NotHere, with nothing changed,
  // when normalization could treat the result otherwise.
  Append append(const KuvEeNodeRef& factor) {
    const KuvInObject* criterion = criterionOf(factor.getNode());
    if (criterion == nullptr) return Append::NotHere;
    for (const Term& term : m_terms)
      if (term.criteria.count(criterion) != 0) return Append::NotHere;
    OwnedNode probe(factor.getNode()->clone());
    if (probe == nullptr) return Append::NotHere;
    auto* leaf = static_cast<KuvEeNodeLeaf*>(probe->getNode());
    if (leaf->isEquivalentToTrue() || leaf->isEquivalentToFalse()) return Append::NotHere;
    std::vector<OwnedNode> copies;
    copies.push_back(std::move(probe));
    while (copies.size() < m_terms.size()) {
      copies.emplace_back(copies.front()->getNode()->clone());
      if (copies.back() == nullptr) return Append::NotHere;
    }
    for (std::size_t i = 0; i < m_terms.size(); ++i) {
      // The terms before i already took their copy: no way back.
      if (FAILED(kuv::detail::throwIfOutOfMemory(m_terms[i].andOp->addChild(copies[i]->getNode()))))
        return Append::Failed;
      copies[i].release();
      m_terms[i].criteria.insert(criterion);
    }
    return Append::Done;
  }

  // out = the product with an Or of such leaves, each on a criterion no
  // term holds: the Or of every term with each leaf appended, terms
  // outside, which normalization leaves as it is. NotHere when it would not.
  Append multiply(const KuvEeOrOp& factor, OwnedNode& out) const {
    std::vector<const KuvEeNodeRef*> leaves;
    const KuvInLinkList& children = factor.childrenRefs();
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      const auto* ref = static_cast<const KuvEeNodeRef*>(it.Get());
      const KuvInObject* criterion = criterionOf(ref->getNode());
      if (criterion == nullptr) return Append::NotHere;
      const auto* leaf = static_cast<const KuvEeNodeLeaf*>(ref->getNode());
      if (leaf->isEquivalentToTrue() || leaf->isEquivalentToFalse()) return Append::NotHere;
      for (const Term& term : m_terms)
        if (term.criteria.count(criterion) != 0) return Append::NotHere;
      leaves.push_back(ref);
    }
    if (leaves.size() < 2) return Append::NotHere;
    OwnedNode result((new KuvEeOrOp)->getNodeRef());
    auto* orOp = static_cast<KuvEeOrOp*>(result->getNode());
    for (const Term& term : m_terms) {
      for (const KuvEeNodeRef* leaf : leaves) {
        OwnedNode product(term.andOp->getNodeRef()->getNode()->clone());
        OwnedNode copy(leaf->getNode()->clone());
        if (product == nullptr || copy == nullptr) return Append::Failed;
        if (FAILED(kuv::detail::throwIfOutOfMemory(
                static_cast<KuvEeAndOp*>(product->getNode())->addChild(copy->getNode()))))
          return Append::Failed;
        copy.release();
        if (FAILED(kuv::detail::throwIfOutOfMemory(orOp->addChild(product->getNode()))))
          return Append::Failed;
        product.release();
      }
    }
    out = std::move(result);
    return Append::Done;
  }

private:
  struct Term {
    KuvEeAndOp* andOp;
    std::unordered_set<const KuvInObject*> criteria;
  };

  static const KuvInObject* criterionOf(const KuvEeNode* node) {
    return node != nullptr ? kuv::detail::criterionOfOwnLeaf(*node) : nullptr;
  }

  bool addTerm(KuvEeAndOp& andOp) {
    Term term{&andOp, {}};
    const KuvInLinkList& children = andOp.childrenRefs();
    std::size_t count = 0;
    for (auto it = children.cBegin(); it.IsValid(); it.Next(), ++count) {
      const KuvInObject* criterion = criterionOf(static_cast<KuvEeNodeRef*>(it.Get())->getNode());
      if (criterion == nullptr || !term.criteria.insert(criterion).second) return false;
    }
    if (count < 2) return false;
    m_terms.push_back(std::move(term));
    return true;
  }

  bool m_valid = false;
  std::vector<Term> m_terms;
};

// The children of an And whose whole product normalization leaves as it
// is: each a leaf of the library's own criterion kinds or an Or of two or
// more terms, each such a leaf or an And that normalization keeps (see
// isNormalTerm); no criterion in two factors, no leaf equivalent to True or
// False. Every term of the product then holds the leaves of one term of
// each factor, all on distinct criteria: no leaf folds, merges or moves, so
// each term can be built once, in the order the pairwise products give
// (earlier factors vary slowest, leaves in factor order), instead of
// copying and normalizing every partial product.
class DirectProduct {
public:
  // False when a child does not have that shape.
  bool collect(const KuvEeAndOp& andOp) {
    const KuvInLinkList& children = andOp.childrenRefs();
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      const KuvEeNode* factor = static_cast<const KuvEeNodeRef*>(it.Get())->getNode();
      m_factorStarts.push_back(m_termStarts.size());
      if (const KuvEeOrOp* orOp = KuvEeOrOp::cast(*factor)) {
        const KuvInLinkList& terms = orOp->childrenRefs();
        if (terms.GetLength() < 2) return false;
        for (auto term = terms.cBegin(); term.IsValid(); term.Next())
          if (!addTerm(*static_cast<const KuvEeNodeRef*>(term.Get())->getNode())) return false;
      } else if (!addLeaf(*factor)) {
        return false;
      }
    }
    m_factorStarts.push_back(m_termStarts.size());
    m_termStarts.push_back(m_leaves.size());
    if (m_factorStarts.size() < 3) return false;
    std::sort(m_criteria.begin(), m_criteria.end(), [](const auto& a, const auto& b) {
      return std::less<>()(a.first, b.first) || (a.first == b.first && a.second < b.second);
    });
    for (std::size_t i = 1; i < m_criteria.size(); ++i)
      if (m_criteria[i].first == m_criteria[i - 1].first && m_criteria[i].second != m_criteria[i - 1].second)
        return false;
    for (const KuvEeNodeLeaf* leaf : m_leaves)
      if (leaf->isEquivalentToTrue() || leaf->isEquivalentToFalse()) return false;
    return true;
  }

  // Whether no factor is an Or: the product is then the And as it is.
  bool isSingleTerm() const { return m_termStarts.size() == m_factorStarts.size(); }

  // The product when some factor is an Or: the Or of every term. Null when
  // a term could not be attached.
  OwnedNode build() const {
    const std::size_t factors = m_factorStarts.size() - 1;
    std::vector<std::size_t> picks(m_factorStarts.begin(), m_factorStarts.end() - 1);
    OwnedNode result((new KuvEeOrOp)->getNodeRef());
    auto* orOp = static_cast<KuvEeOrOp*>(result->getNode());
    for (;;) {
      OwnedNode next = term(picks);
      if (next == nullptr || FAILED(kuv::detail::throwIfOutOfMemory(orOp->addChild(next->getNode()))))
        return nullptr;
      next.release();
      // The last factor varies fastest.
      std::size_t f = factors;
      while (f > 0 && ++picks[f - 1] == m_factorStarts[f]) {
        picks[f - 1] = m_factorStarts[f - 1];
        --f;
      }
      if (f == 0) return result;
    }
  }

private:
  bool addLeaf(const KuvEeNode& node) {
    const KuvInObject* criterion = kuv::detail::criterionOfOwnLeaf(node);
    if (criterion == nullptr) return false;
    m_criteria.emplace_back(criterion, m_factorStarts.size());
    m_termStarts.push_back(m_leaves.size());
    m_leaves.push_back(static_cast<const KuvEeNodeLeaf*>(&node));
    return true;
  }

  bool addTerm(const KuvEeNode& node) {
    const KuvEeAndOp* andOp = KuvEeAndOp::cast(node);
    if (andOp == nullptr) return addLeaf(node);
    if (!kuv::detail::isNormalTerm(*andOp)) return false;
    m_termStarts.push_back(m_leaves.size());
    const KuvInLinkList& children = andOp->childrenRefs();
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      const KuvEeNode* leaf = static_cast<const KuvEeNodeRef*>(it.Get())->getNode();
      m_criteria.emplace_back(kuv::detail::criterionOfOwnLeaf(*leaf), m_factorStarts.size());
      m_leaves.push_back(static_cast<const KuvEeNodeLeaf*>(leaf));
    }
    return true;
  }

  // The leaves are of the kinds the cloner copies with their copy
  // constructors; so does this, without a walk per leaf.
  static KuvEeNode* copyOf(const KuvEeNodeLeaf& leaf) {
    if (typeid(leaf) == typeid(KuvEeVarEffLeaf))
      return new KuvEeVarEffLeaf(static_cast<const KuvEeVarEffLeaf&>(leaf));
    return new KuvEeEffLeaf(static_cast<const KuvEeEffLeaf&>(leaf));
  }

  OwnedNode term(const std::vector<std::size_t>& picks) const {
    OwnedNode result((new KuvEeAndOp)->getNodeRef());
    auto* andOp = static_cast<KuvEeAndOp*>(result->getNode());
    for (std::size_t pick : picks) {
      for (std::size_t i = m_termStarts[pick]; i < m_termStarts[pick + 1]; ++i) {
        OwnedNode copy(copyOf(*m_leaves[i])->getNodeRef());
        if (FAILED(kuv::detail::throwIfOutOfMemory(andOp->addChild(copy->getNode())))) return nullptr;
        copy.release();
      }
    }
    return result;
  }

  // Every term's leaves in order, term t from m_termStarts[t] on; factor f's
  // terms from m_factorStarts[f] on. Each leaf's criterion with its factor.
  std::vector<const KuvEeNodeLeaf*> m_leaves;
  std::vector<std::size_t> m_termStarts;
  std::vector<std::size_t> m_factorStarts;
  std::vector<std::pair<const KuvInObject*, std::size_t>> m_criteria;
};

// The And becomes the product of its children, each partial product
// normalized. Kept out of visitGroup so that its working objects do not
// weigh on every level of the recursion.
HRESULT multiplyChildren(KuvEeNodeDeveloper& developer, KuvEeAndOp& andOp) {
  KuvInTraceClass& channel = KuvEeNodeDeveloper::traceChannel();
  // The shortcuts give the same tree; they are taken only where nothing
  // would trace the steps they save and product is the developer's own.
  const bool mayAppend = typeid(developer) == typeid(KuvEeNodeDeveloper) && !channel.isCallOn() &&
                         !KuvEeNodeNormalizer::traceChannel().isCallOn();
  if (mayAppend && !KuvEeNodeCloner::traceChannel().isCallOn() && !KuvEeNode::traceChannel().isCallOn()) {
    DirectProduct direct;
    if (direct.collect(andOp)) {
      if (direct.isSingleTerm()) return S_OK;
      OwnedNode product = direct.build();
      if (product == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: product failed");
      andOp.become(product.release()->getNode());
      return S_OK;
    }
  }
  const KuvInLinkList& children = andOp.childrenRefs();
  auto it = children.cBegin();
  OwnedNode accumulator(static_cast<KuvEeNodeRef*>(it.GetGoToNext())->getNode()->clone());
  if (accumulator == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
  KuvEeNodeNormalizer normalizer;
  AppendIndex index;
  bool normalized = false;
  for (; it.IsValid(); it.Next()) {
    auto* factor = static_cast<KuvEeNodeRef*>(it.Get());
    const KuvEeOrOp* orFactor = KuvEeOrOp::cast(*factor->getNode());
    if (mayAppend && normalized &&
        (orFactor != nullptr || KuvEeNodeLeaf::cast(*factor->getNode()) != nullptr) &&
        (index.valid() || index.build(*accumulator))) {
      if (orFactor == nullptr) {
        const AppendIndex::Append appended = index.append(*factor);
        if (appended == AppendIndex::Append::Failed)
          KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: product failed");
        if (appended == AppendIndex::Append::Done) continue;
      } else {
        OwnedNode next;
        const AppendIndex::Append multiplied = index.multiply(*orFactor, next);
        if (multiplied == AppendIndex::Append::Failed)
          KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
        if (multiplied == AppendIndex::Append::Done) {
          index.invalidate();
          accumulator = std::move(next);
          continue;
        }
      }
    }
    index.invalidate();
    KuvEeGroupOp* productNode = nullptr;
    HRESULT hr = developer.product(*accumulator, *factor, productNode);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: product failed");
    if (productNode == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
    OwnedNode next(productNode->getNodeRef());
    hr = normalizer.normalize(*next);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: normalize failed");
    accumulator = std::move(next);
    normalized = true;
  }
  andOp.become(accumulator.release()->getNode());
  return S_OK;
}

}  // namespace

KuvEeNodeDeveloper::~KuvEeNodeDeveloper() = default;

HRESULT KuvEeNodeDeveloper::develop(KuvEeNodeRef& ref) {
  // A product of sums grows exponentially with inputs a host may well give:
  // running out of memory answers a code rather than throwing.
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    return kuv::detail::TransformEntry(traceChannel(), "develop", ref)
        .run(*this, "Develop:\n", "Developped:\n");
  });
}

HRESULT KuvEeNodeDeveloper::product(KuvEeNodeRef& a, KuvEeNodeRef& b, KuvEeGroupOp*& out) {
  KUV_TRACE_CALL("product");
  out = nullptr;
  if (a.getNode() == nullptr || b.getNode() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (KuvEeOrOp::cast(*a.getNode()) == nullptr && KuvEeOrOp::cast(*b.getNode()) == nullptr) {
    OwnedNode result = andOfCopies(a, b);
    if (result == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    out = static_cast<KuvEeGroupOp*>(result.release()->getNode());
    return S_OK;
  }
  OwnedNode result((new KuvEeOrOp)->getNodeRef());
  auto* orOp = static_cast<KuvEeOrOp*>(result->getNode());
  const std::vector<KuvEeNodeRef*> termsB = termsOf(b);
  for (KuvEeNodeRef* termA : termsOf(a)) {
    for (KuvEeNodeRef* termB : termsB) {
      OwnedNode term = andOfCopies(*termA, *termB);
      if (term == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
      if (FAILED(kuv::detail::throwIfOutOfMemory(orOp->addChild(term->getNode()))))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
      term.release();
    }
  }
  out = static_cast<KuvEeGroupOp*>(result.release()->getNode());
  return S_OK;
}

HRESULT KuvEeNodeDeveloper::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  KuvEeAndOp* andOp = nullptr;
  HRESULT hr = kuv::detail::collapseAndWalk(node, *node.getNodeRef(), kind == NodeKind::AndOp, *this,
                                            traceChannel(), andOp);
  if (FAILED(hr) || andOp == nullptr) return hr;
  return multiplyChildren(*this, *andOp);
}

HRESULT KuvEeNodeDeveloper::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (kind == NodeKind::NotDomainOp) return node.childrenAcceptVisitor(*this);
  KuvEeNodeRef* ref = node.getNodeRef();
  HRESULT hr = node.childrenAcceptVisitor(*this);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: childrenAcceptVisitor failed");
  // The negation goes down to the leaves; what it leaves is not developed
  // again.
  KuvEeNodeNotRemover remover(1);
  hr = remover.removeNots(*ref, KuvEeNodeNotRemover::RemNots_None);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: removeNots failed");
  return S_OK;
}
