#include "KuvEeTreeElementBase.h"

#include <new>
#include <utility>
#include <vector>

#include "KuvEeTreeBaseVar.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeTreeElementBase, KuvEeDicoObject)

KuvEeTreeElementBase::KuvEeTreeElementBase(const KuvInString& name, const unsigned char* guid,
                                           KuvEeTreeBaseVar* holder, const KuvInTreeEvalIndex& index,
                                           KuvEeTreeElementBase* parent)
    : KuvEeDicoObject(name, guid),
      m_holder(holder),
      m_parent(parent),
      m_index(std::make_unique<KuvInTreeEvalIndex>(index)),
      m_children(KuvEeTreeElementBase::sType()) {}

KuvEeTreeElementBase::~KuvEeTreeElementBase() {
  // A tree read from a document may be any depth: each element's children
  // are taken before it is deleted, so no destructor recurses. The elements
  // waiting for deletion are chained through their parent links, last taken
  // first, so that nothing is allocated here.
  KuvEeTreeElementBase* pending = nullptr;
  const auto takeChildren = [&pending](KuvInSet& children) {
    children.TakeEach([&pending](KuvInObject* child) {
      auto* element = static_cast<KuvEeTreeElementBase*>(child);
      element->m_parent = pending;
      pending = element;
    });
  };
  takeChildren(m_children);
  while (pending != nullptr) {
    KuvEeTreeElementBase* element = std::exchange(pending, pending->m_parent);
    takeChildren(element->m_children);
    delete element;
  }
}

const KuvInTreeEvalIndex& KuvEeTreeElementBase::getTreeEvalIndex() const { return *m_index; }

HRESULT KuvEeTreeElementBase::getAllChildren(KuvInSet& set) const {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&]() -> HRESULT {
        bool added = false;
        std::vector<const KuvEeTreeElementBase*> pending{this};
        while (!pending.empty()) {
          const KuvEeTreeElementBase* element = pending.back();
          pending.pop_back();
          for (KuvInSet::const_iterator it = element->m_children.cBegin(); it.IsValid();) {
            auto* child = static_cast<KuvEeTreeElementBase*>(it.GetGoToNext());
            if (!set.IsTypeAccepted(child->dType()))
              KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Output set doesn't accept type from output elements.");
            added = set.Put(child) || added;
            pending.push_back(child);
          }
        }
        return added ? S_OK : S_FALSE;
      },
      kuv::detail::emptying(set));
}

HRESULT KuvEeTreeElementBase::getElement(const KuvInTreeEvalIndex& index,
                                         KuvEeTreeElementBase*& element) const {
  if (element != nullptr) return E_INVALIDARG;
  const KuvEeTreeElementBase* current = this;
  while (current != nullptr && !current->m_index->equals(index)) {
    // At most one child can hold the index: siblings do not overlap.
    const KuvEeTreeElementBase* next = nullptr;
    for (KuvInSet::const_iterator it = current->m_children.cBegin(); it.IsValid() && next == nullptr;) {
      auto* child = static_cast<const KuvEeTreeElementBase*>(it.GetGoToNext());
      if (child->m_index->equals(index) || child->m_index->isIndexValidForChildInsertion(index)) next = child;
    }
    current = next;
  }
  element = const_cast<KuvEeTreeElementBase*>(current);
  return element != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeTreeElementBase::addChild(KuvEeTreeElementBase* child) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return adopt(child); });
}

HRESULT KuvEeTreeElementBase::adopt(KuvEeTreeElementBase* child) {
  if (child == nullptr) return E_INVALIDARG;
  if (!m_index->isIndexValidForChildInsertion(*child->m_index))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : Input child has an invalid index. Child Index (",
                     child->m_index->toString(), ") must be included in father index (", m_index->toString(),
                     ").");
  if (child->m_parent != nullptr && child->m_parent != this)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : Input child has already a different father.");
  if (child->m_holder != m_holder)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : Input child hasn't the same holder variable as current element.");
  // The root has no parent, yet its variable owns it: adopted, it would be
  // deleted twice.
  if (m_holder != nullptr && m_holder->m_root == child)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : Input child is the root of its variable.");
  if (m_children.Find(child)) return S_FALSE;
  if (!m_children.Put(child)) return E_INVALIDARG;
  KuvEeTreeElementBase* const formerParent = child->m_parent;
  KuvEeDicoObject* const formerOwner = child->getLifeCycleOwner();
  child->m_parent = this;
  child->setLifeCycleOwner(this);
  try {
    if (m_holder != nullptr) m_holder->childAdded(child);
  } catch (const std::bad_alloc&) {
    // The holder's indexes took nothing: the child leaves again.
    m_children.Remove(child);
    child->m_parent = formerParent;
    child->setLifeCycleOwner(formerOwner);
    throw;
  }
  return S_OK;
}
