// The searches a tree variable keeps over its elements: the walk order that
// the selection combinations follow, and the no-tree-mode bag's positions
// and its elements by tree evaluation index.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

class KuvEeTreeBaseVar;
class KuvEeTreeElementBase;
class KuvInListVal;
class KuvInTreeEvalIndex;
class KuvInTreeEvalInterval;

namespace kuv::detail {

// Outer elements before the elements they hold: by lower index bound, then
// the wider first; elements without a valid index last.
bool walksBefore(const KuvEeTreeElementBase* a, const KuvEeTreeElementBase* b);

// The elements lists of selections can speak of, as the selection algebra
// considers them: var's (its tree, or its bag in no-tree mode; var may be
// null) and those the bounds name, with everything below them; in walk
// order. std::bad_alloc when memory runs out.
std::vector<KuvEeTreeElementBase*> elementsSpokenOf(const KuvEeTreeBaseVar* var,
                                                    std::initializer_list<const KuvInListVal*> selections);

// A variable's elements in walk order; built when first asked for and
// dropped whenever an element joins the variable.
class TreeWalkIndex {
public:
  explicit TreeWalkIndex(std::vector<KuvEeTreeElementBase*> elements);

  const std::vector<KuvEeTreeElementBase*>& elements() const { return m_elements; }
  // -1 when element is not one of the variable's.
  std::int64_t positionOf(const KuvEeTreeElementBase* element) const;
  // Every index is valid and distinct, and any two elements are nested or
  // apart (one starts where or after the other ends). What an element holds
  // then directly follows it in walk order.
  bool isLaminar() const { return m_laminar; }
  // One past the last position held by the element at pos; laminar only.
  std::size_t endOfHeld(std::size_t pos) const;
  // The innermost element whose range contains interval, or null; laminar
  // only, and for an interval whose ends differ (several elements may then
  // not meet at one position).
  KuvEeTreeElementBase* innermostContaining(const KuvInTreeEvalInterval& interval) const;

private:
  std::vector<KuvEeTreeElementBase*> m_elements;
  std::unordered_map<const KuvEeTreeElementBase*, std::size_t> m_positions;
  // The position of each element's innermost holder, or the element count.
  std::vector<std::size_t> m_holders;
  bool m_laminar = true;
};

// A no-tree-mode bag: the position of each of its elements, and every
// element of their subtrees by tree evaluation index, kept up to date as
// elements join.
class TreeBagIndex {
public:
  // S_FALSE-like false when element is already in the bag.
  bool addToBag(KuvEeTreeElementBase* element, std::int32_t position);
  std::int32_t positionOf(const KuvEeTreeElementBase* element) const;
  // element joined a subtree; indexed when that subtree is in the bag.
  void childAdded(KuvEeTreeElementBase* element);
  // The bag positions of the elements whose subtree holds an element of
  // that index, ascending.
  std::vector<std::int32_t> positionsHolding(const KuvInTreeEvalIndex& index) const;

private:
  // The levels of both bounds as bytes; false for an index with an empty
  // bound, which equals nothing.
  static bool keyOf(const KuvInTreeEvalIndex& index, std::string& key);
  bool hasEntry(const std::string& key, const KuvEeTreeElementBase* element) const;
  // Every element of top's subtree by index, all or nothing.
  void addSubtree(KuvEeTreeElementBase* top);

  std::unordered_map<const KuvEeTreeElementBase*, std::int32_t> m_positions;
  std::unordered_multimap<std::string, KuvEeTreeElementBase*> m_byIndex;
};

}  // namespace kuv::detail
