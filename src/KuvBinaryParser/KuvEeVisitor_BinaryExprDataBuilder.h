// KuvEeVisitor_BinaryExprDataBuilder: collects, leaf by leaf, the dictionary
// objects whose indices a binary of the expression will write, sorted into
// the nine dependency kinds of KuvBinaryExprData (all but the volatile
// criteria, which are rebuilt from the dictionaries).
//
//   predefined effectivity       criteria and impacting criteria
//   inherited effectivity        inherited effectivities, its referenced
//                                context into inherited models
//   milestones                   the variable and each bound's milestone
//   tree series                  the variable's dictionary (criteria and
//                                dictionaries), each bound's element
//   serial                       the holder dictionary (criteria and
//                                dictionaries); for states and manufacturing
//                                plans the revision at each bound
//   selection                    the variable, each value by how it was
//                                selected (see route)
//   option                       the variable, by how it was selected
//   date, restriction            nothing: dates index the volatile list,
//                                restrictions are not stored
//
// Each kind keeps the order in which the walk met its objects and holds an
// object once. The open upper end of a serial range (2000000000) is written
// without a revision, so none is collected for it.
//
//     KuvEeVisitor_BinaryExprDataBuilder builder(CFG_EXPRTYPE_EFFECTIVITY, 0);
//     tree->getNode()->acceptVisitor(builder);
//     builder.getDependencies(KuvEeVisitor_BinaryExprDataBuilder::Criteria);
//
// The builder refers to the objects it collects and owns none of them.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "KuvCriteriaSelectedBy.h"
#include "KuvEeNodeWalker.h"
#include "KuvExpressionObjectType.h"

class KuvEeEffectivity;
class KuvEeExpression;
class KuvEeMilestonesEff;
class KuvEeModelDico;
class KuvEeNodeRef;
class KuvEeSelectionEff;
class KuvEeSerialEff;
class KuvEeTreeBaseEff;
class KuvEeTreeSeriesEff;
class KuvInList;

class KUV_API KuvEeVisitor_BinaryExprDataBuilder : public KuvEeNodeWalker {
  KUV_DECLARE_TYPE(KuvEeVisitor_BinaryExprDataBuilder)

public:
  // In the order of the lists of KuvBinaryExprData.
  enum Dependency : std::int32_t {
    Criteria,
    Rule,
    Default,
    Dismissed,
    Incompatible,
    Impacting,
    Dictionaries,
    InheritedEffs,
    InheritedModels,
    NbDependencies
  };

  // flag: values of a negated selection or option effectivity count as
  // dismissed (selected by nobody or the user) or incompatible (deduced by
  // a rule).
  KuvEeVisitor_BinaryExprDataBuilder(KuvExpressionObjectType type, std::uint8_t flag);
  ~KuvEeVisitor_BinaryExprDataBuilder() override;

  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;
  HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) override;

  // Where a value selected that way goes.
  static Dependency route(KuvCriteriaSelectedBy selectedBy, bool negated, std::uint8_t flag);

  // Everything the expression depends on, appended to the nine lists: the
  // context dictionaries of a multi-model expression (by name, then GUID),
  // the changes of an effectivity expression's operations, the dictionary of
  // a filter, then the leaves of the global part and of each context part
  // (inherited part first) in dictionary order. Objects already in a list
  // are not added again.
  static HRESULT getBinaryExprDataDependenciesLists(const KuvEeExpression& expression, KuvInList& criteria,
                                                    KuvInList& rule, KuvInList& defaults,
                                                    KuvInList& dismissed, KuvInList& incompatible,
                                                    KuvInList& impacting, KuvInList& dictionaries,
                                                    KuvInList& inheritedEffs, KuvInList& inheritedModels,
                                                    std::uint8_t flag);

  KuvExpressionObjectType getExpressionType() const { return m_type; }
  std::uint8_t getFlag() const { return m_flag; }
  const std::vector<KuvInObject*>& getDependencies(Dependency kind) const { return m_found[kind].order; }

  // The messages that differ between milestones and tree series.
  struct TreeTexts {
    const char* noSelections;
    const char* wrongSelection;
    const char* emptySelection;
    const char* nullFrom;
    const char* nullTo;
  };

private:
  struct Found {
    std::vector<KuvInObject*> order;
    std::unordered_set<const KuvInObject*> known;
  };

  void collect(Dependency kind, KuvInObject* obj);
  // context: the dictionary an inherited effectivity is taken from.
  HRESULT visitEffectivity(KuvEeEffectivity* target, KuvEeModelDico* context);
  HRESULT visitMilestones(const KuvEeMilestonesEff& eff);
  HRESULT visitTreeSeries(const KuvEeTreeSeriesEff& eff);
  // After checking every selection: holder (the variable, or the
  // dictionary that also goes to the dictionaries), then every FROM and TO
  // element.
  HRESULT visitTreeSelections(const KuvEeTreeBaseEff& eff, KuvInObjectTypeClass* selectionType,
                              const TreeTexts& texts, KuvInObject* holder, bool holderIsDictionary);
  HRESULT visitSerial(const KuvEeSerialEff& eff);
  HRESULT visitSelection(const KuvEeSelectionEff& eff);
  HRESULT visitTree(const KuvEeNodeRef* tree);
  // The dependencies of the expression itself and of its trees.
  HRESULT visitExpression(const KuvEeExpression& expression);

  KuvExpressionObjectType m_type;
  std::uint8_t m_flag;
  std::array<Found, NbDependencies> m_found;
};
