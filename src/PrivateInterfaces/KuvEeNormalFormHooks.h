// The expression engine lies below the normal-form conversions, yet its
// expressions answer GetDNF and the comparisons. The conversion module
// registers its entry points here when the library loads; the engine calls
// through them (a null entry means the conversions are absent).
#pragma once

#include <memory>

#include "KuvInGuid.h"

class KuvDnf;
class KuvEeNodeRef;

namespace kuv::detail {

struct NormalFormHooks {
  // A new normal form of the tree (the caller's), or null.
  KuvDnf* (*toDnf)(const KuvEeNodeRef& tree) = nullptr;
  // The same for a tree the caller drops afterwards: converted in place.
  KuvDnf* (*ownedToDnf)(KuvEeNodeRef& tree) = nullptr;
  // 0 when a includes b, 1 when not, or a failure code.
  HRESULT (*isAIncludingB)(const KuvDnf* a, const KuvDnf* b, const KuvInGuid& model) = nullptr;
};

inline NormalFormHooks& normalFormHooks() {
  static NormalFormHooks hooks;
  return hooks;
}

}  // namespace kuv::detail

class KuvInTraceClass;
class KuvQmSpecList;

namespace kuv::detail {

// The normal form of tree, or of its negation; a missing tree stands for
// every configuration. E_NOTIMPL when the conversions are absent.
HRESULT treeDnf(const KuvEeNodeRef* tree, bool negated, KuvDnf*& dnf);
// The normal form of the And of the trees that are not null.
HRESULT productDnf(const KuvEeNodeRef* const* trees, int count, KuvDnf*& dnf);
// The same over trees the caller hands over: they are joined and converted
// in place, without copies.
HRESULT ownedProductDnf(std::unique_ptr<KuvEeNodeRef>* trees, int count, KuvDnf*& dnf);
// A criteria list as a tree: the And of its variable effectivities and of
// its effectivities (the caller's; True for an empty list).
HRESULT listTree(const KuvQmSpecList& list, KuvEeNodeRef*& tree);
// Whether a and b meet, a includes b, or they are equal (both inclusions).
enum class DnfQuestion { Intersect, Includes, Equal };
HRESULT askDnfs(const KuvDnf& a, const KuvDnf& b, DnfQuestion question, bool& answer);

}  // namespace kuv::detail
