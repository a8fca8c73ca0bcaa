// The normal form of a tree whose development only multiplies its factors
// out (internal). Such a development builds every term as a tree, then
// reads it back leaf by leaf; here the factors' leaves are read once, the
// terms are built from them directly, and a question about all the terms
// at once can be answered factor by factor without building them.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "KuvInObject.h"

class KuvDnf;
class KuvDnfAndTerm;
class KuvDnfLeaf;
class KuvEeNode;
class KuvEeNodeRef;
class KuvIDictionaryModelerAccess;
class KuvInGuid;

namespace kuv::detail {

class DnfProduct {
public:
  DnfProduct();
  ~DnfProduct();
  DnfProduct(const DnfProduct&) = delete;
  DnfProduct& operator=(const DnfProduct&) = delete;

  // Reads root, a tree whose negations are down at its leaves, when its
  // development and normalization would only multiply its factors out: an
  // And of two or more factors, one at least an Or; each factor an option
  // or effectivity leaf of the library's own kinds, or an Or of two or more
  // such leaves and Ands of them; every leaf neither True nor False, each
  // criterion and each normal-form key in one factor only and once in a
  // term. False, with nothing read and nothing traced, otherwise, and
  // whenever a channel the development goes through traces calls.
  bool read(const KuvEeNode& root);
  bool isRead() const { return !m_factorStarts.empty(); }

  // The normal form the development gives: map terms, earlier factors
  // varying slowest, leaves in factor order. Null when a term refuses a
  // leaf (the caller's, S_OK otherwise).
  KuvDnf* expand() const;
  // out as other.isIntersect(*expand()) gives it. A term of other meets a
  // product term when it meets the term each factor gives it, every leaf
  // being tested on its own against other's term; so it meets one when
  // each factor holds a term it meets.
  HRESULT isIntersectedBy(const KuvDnf& other, unsigned char& out) const;

private:
  // Term t's leaves from m_termStarts[t] on; factor f's terms from
  // m_factorStarts[f] on (both closed by one more start).
  std::vector<std::unique_ptr<KuvDnfLeaf>> m_leaves;
  std::vector<std::size_t> m_termStarts;
  std::vector<std::size_t> m_factorStarts;
};

// A form's negation: its terms, or its factors where the negation only
// multiplies them out (the terms would be the product of the form's term
// sizes); neither when it could not be made.
struct DnfNegation {
  DnfNegation();
  ~DnfNegation();
  bool isMade() const { return terms != nullptr || factors.isRead(); }
  // out as other.isIntersect of the negation's terms.
  HRESULT isIntersectedBy(const KuvDnf& other, unsigned char& out) const;

  DnfProduct factors;
  std::unique_ptr<KuvDnf> terms;
};

// KuvEeMakeDnfNode::makeDnfNode; with product, a tree product reads is left
// undeveloped once its negations are down.
HRESULT makeDnfNode(KuvEeNodeRef& ref, DnfProduct* product);
// KuvEeDnfConvertor::NodeRef2Dnf; with product, null with the product read
// where it applies.
KuvDnf* nodeRefToDnf(const KuvEeNodeRef& ref, DnfProduct* product);
// nodeRefToDnf on a tree the caller drops afterwards: converted in place,
// without a copy.
KuvDnf* ownedTreeToDnf(KuvEeNodeRef& tree, DnfProduct* product);
// KuvEeDnfConvertor::NodeRef2Dnf on such a tree.
KuvDnf* ownedTreeToDnf(KuvEeNodeRef& tree);
// KuvEeDnfConvertor::GetNotDnf, likewise.
KuvDnf* notDnf(const KuvDnf& dnf, const KuvInGuid& model, const unsigned char& domain,
               const KuvIDictionaryModelerAccess* access, DnfProduct* product);

}  // namespace kuv::detail
