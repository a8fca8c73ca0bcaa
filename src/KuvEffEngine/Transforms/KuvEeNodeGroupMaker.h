// KuvEeNodeGroupMaker: finds in a tree the largest subtrees whose criteria
// all belong to selected families (classification indices of
// KuvEeNodeClassifier: 1 variant, 2 evolution, 3 change...) and groups them
// in a KuvEeNodeGroupContext, so that a transformation treats each as one
// atom. Afterwards it merges sibling groups of one family under a single
// group and undoes the grouping.
//
//     KuvCoreEVC_NodeClassifier classifier;
//     KuvEeNodeGroupMaker maker(classifier, KuvEeNodeGroupMaker::GROUP_SAME_FAMILY);
//     maker.selectClassificationIndex(KuvInIntHolder(1));
//     KuvEeNodeGroupContext context(*root);
//     maker.groupNode(context);
//     KuvEeNodeDeveloper().develop(*root);
//     maker.mergeSimilarChildren(context);
//     maker.ungroupNode(context);
//
// The mode decides when an operator whose families are all selected is
// grouped whole rather than its children one by one:
//   GROUP_ANY (0)          always;
//   GROUP_INCLUDED (1)     when each child is grouped with families among
//                          the operator's (not when a child is a group
//                          already);
//   GROUP_SAME_FAMILY (2)  when each child is grouped with exactly the
//                          operator's families: an operator over two
//                          families is never grouped, only its children.
// A tree that holds group leaves already cannot be grouped again: the
// classifier does not know group effectivities.
//
// The maker borrows its classifier, which must outlive it; it can be reused
// on several contexts, its selection and mode persist.
#pragma once

#include <cstdint>

#include "KuvInObject.h"
#include "KuvInSetVal.h"

class KuvEeNodeClassifier;
class KuvEeNodeGroupContext;
class KuvInIntHolder;

class KUV_API KuvEeNodeGroupMaker : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeNodeGroupMaker)

public:
  enum GROUP_MODE : std::int32_t { GROUP_ANY = 0, GROUP_INCLUDED = 1, GROUP_SAME_FAMILY = 2 };

  KuvEeNodeGroupMaker(KuvEeNodeClassifier& classifier, GROUP_MODE mode);
  ~KuvEeNodeGroupMaker() override;
  KuvEeNodeGroupMaker(const KuvEeNodeGroupMaker&) = delete;
  KuvEeNodeGroupMaker& operator=(const KuvEeNodeGroupMaker&) = delete;

  // Whether the selection changed.
  bool selectClassificationIndex(const KuvInIntHolder& index);
  bool unSelectClassificationIndex(const KuvInIntHolder& index);
  // E_FAIL, nothing changed, for a set of other elements than KuvInIntHolder.
  HRESULT selectClassificationIndexes(const KuvInSetVal& indices);
  HRESULT unSelectClassificationIndexes(const KuvInSetVal& indices);
  void clearClassificationIndex();
  const KuvInSetVal& getSelectedClassificationIndexes() const { return m_selected; }

  void setGroupMode(GROUP_MODE mode) { m_mode = mode; }
  GROUP_MODE getGroupMode() const { return m_mode; }

  // Groups the largest subtrees of selected families of the context's tree.
  HRESULT groupNode(KuvEeNodeGroupContext& context);
  // Bottom-up, at each And and Or: the group leaves that share a selected
  // set of families (two or more) are ungrouped, moved under a new operator
  // of the same kind appended to the children, and that operator is
  // grouped. Or(G1, x, G2) becomes Or(x, G) with G the group of
  // Or(subtree 1, subtree 2).
  HRESULT mergeSimilarChildren(KuvEeNodeGroupContext& context);
  // Ungroups every group leaf whose families are all selected; the groups
  // of such families that lost their leaves in the transformation are freed.
  HRESULT ungroupNode(KuvEeNodeGroupContext& context);

private:
  KuvEeNodeClassifier& m_classifier;
  // KuvInIntHolder classification indices.
  KuvInSetVal m_selected;
  GROUP_MODE m_mode;
};
