// KuvEeRestrictionEffLeaf: the leaf that puts a restriction effectivity
// (KuvEeRestrictionEff) into an expression tree. The leaf owns its
// restriction; a copy of the leaf carries a clone of it.
//
// A restriction leaf is never equivalent to True or False. Combined with
// another leaf it dispatches on the other's kind: an elementary leaf or
// another restriction leaf goes to the restriction's own operators, True
// and False to their own algebra, anything else gives no result.
//
//     auto* leaf = new KuvEeRestrictionEffLeaf(new KuvEeDateRestrictionEff);
//     ...
//     KuvEeRestrictionEff* kept = KuvEeRestrictionEffLeaf::DeleteLeafKeepRestrictionEff(leaf);
#pragma once

#include <memory>

#include "KuvEeNodeLeaf.h"
#include "KuvEeRestrictionEff.h"

class KuvEeNodeElementaryLeaf;

class KUV_API KuvEeRestrictionEffLeaf : public KuvEeNodeLeaf {
  KUV_DECLARE_TYPE(KuvEeRestrictionEffLeaf)

public:
  // Takes ownership of restriction.
  explicit KuvEeRestrictionEffLeaf(KuvEeRestrictionEff* restriction);
  // A new leaf, in no tree, with a clone of other's restriction.
  KuvEeRestrictionEffLeaf(const KuvEeRestrictionEffLeaf& other);
  ~KuvEeRestrictionEffLeaf() override;

  // Calls visitor.visitRestrictionEffLeaf.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  HRESULT opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  HRESULT opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const override;
  // out = a clone of this leaf with its restriction negated.
  HRESULT opNot(KuvEeNode*& out) const override;
  // Never: a restriction is no constant.
  bool isEquivalentToTrue() const override;
  bool isEquivalentToFalse() const override;
  // Nothing to do: false.
  bool convertToTrueFalse() override;

  // The restriction's operators with an elementary leaf or with the other's
  // restriction; out is a new node or null.
  virtual HRESULT opAnd(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const;
  virtual HRESULT opAnd(const KuvEeRestrictionEffLeaf* other, KuvEeNode*& out) const;
  virtual HRESULT opOr(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const;
  virtual HRESULT opOr(const KuvEeRestrictionEffLeaf* other, KuvEeNode*& out) const;

  // "EeRestrictionEffLeaf : " and the restriction's text ("ERROR" without
  // one).
  KuvInString toString() const override;

  KuvEeRestrictionEff* getRestrictionEff() const { return m_restriction.get(); }
  // Takes the restriction out of leaf, deletes leaf (out of its tree, if
  // any), clears the caller's pointer and returns the restriction, which the
  // caller now owns.
  static KuvEeRestrictionEff* DeleteLeafKeepRestrictionEff(KuvEeRestrictionEffLeaf*& leaf);

private:
  HRESULT dispatch(const KuvEeNodeLeaf* other, KuvEeNode*& out, bool isAnd) const;
  HRESULT forward(const KuvEeNodeElementaryLeaf* leaf, const KuvEeRestrictionEffLeaf* restriction,
                  KuvEeNode*& out, bool isAnd) const;

  std::unique_ptr<KuvEeRestrictionEff> m_restriction;
};
