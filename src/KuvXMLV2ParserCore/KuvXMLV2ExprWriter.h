// KuvXMLV2ExprWriter: writes an effectivity, change or filter expression as
// an XML expression document into a KuvXMLV2IWriter. KuvXMLV3ExprWriter
// writes the current version of the same document (with SchemaVersion).
//
//     KuvXMLTextWriter sink;
//     KuvXMLV3ExprWriter writer(sink, &texts, 0, 1, 1);
//     HRESULT hr = writer.write(expression);   // E_NOTIMPL: not expressible
//
// The document: the root (CfgEffectivityExpression, CfgChangeExpression or
// CfgFilterExpression, with the namespace attributes), then Expression
// (global criteria, then one Context per dictionary in name order, inside
// a MultiContextView from two dictionaries on) or FilterSelection. Trees
// become AND, OR, NOT and Boolean elements around the criteria.
//
// A criterion is written as the set of values it selects, never as a
// complement: an effectivity that is negated, that holds the no-value
// element or that selects nothing cannot be written and fails with
// E_NOTIMPL, as do domain negations, restrictions, named effectivities
// other than inherited ones and changes, and series other than unit
// series. Where the format leaves the choice, the attributes come in this
// order (the reader accepts any order):
//   Feature           Type, Name, SelectedBy (options only), DescId
//   Series            Type, Name
//   MilestonesTrack   Discipline, Name
//   TreeSeries        Type ("ProductState" or "ManufPlan"), Name
//   Single/Root/Leaf  Name, Revision (tree series) or DerivedDate
//                     (milestones with a date), IsExcluded
//   From/To           Value, IsExcluded
//   InheritedEff      HolderType, HolderName, FilterableName, FilterableId
//                     (the effectivity's GUID text)
//   OperationHandler  Name, Type, OperationHandlerId (position of the
//                     change among those of the document, from 0)
// The values of a selection variable are written in name order. DescId is
// the GUID text of the feature, option or date variable.
#pragma once

#include <cstdint>

#include "KuvEeNodeVisitor.h"
#include "KuvInString.h"

class KuvEeEffectivity;
class KuvEeExpression;
class KuvEeModelDico;
class KuvEeMultiModelExpression;
class KuvEeFilterExpression;
class KuvEeNodeRef;
class KuvEeOp;
class KuvEeVarEff;
class KuvEeOptionEff;
class KuvEeSelectionEff;
class KuvEeSerialEff;
class KuvEeDateEff;
class KuvEeTreeBaseEff;
class KuvEeTreeSelectionBound;
class KuvXMLV2IModelerContext;
class KuvXMLV2IWriter;

namespace kuv::detail {
class XMLElementAttributes;
}  // namespace kuv::detail

class KUV_API KuvXMLV2ExprWriter : public KuvEeNodeVisitor {
  KUV_DECLARE_TYPE(KuvXMLV2ExprWriter)

public:
  // output and modelerContext are borrowed; modelerContext may be null,
  // but contexts and description identifiers need it. writeDescIds adds
  // DescId to features, options and dates; writeDerivedDates adds
  // DerivedDate to the milestone bounds of dated milestones. SelectedBy goes
  // on every option that records how it was chosen, whatever
  // writeSelectedBy says: a reader depends on it to rebuild the choice.
  KuvXMLV2ExprWriter(KuvXMLV2IWriter& output, const KuvXMLV2IModelerContext* modelerContext,
                     unsigned char writeDescIds, unsigned char writeSelectedBy,
                     unsigned char writeDerivedDates);
  ~KuvXMLV2ExprWriter() override;

  // The whole document, from WriteStartDocument to WriteEndDocument. On
  // failure the output has received a truncated document.
  HRESULT write(const KuvEeExpression& expression);

  HRESULT visitFalse(KuvEeFalse& node) override;
  HRESULT visitTrue(KuvEeTrue& node) override;
  HRESULT visitAndOp(KuvEeAndOp& node) override;
  HRESULT visitOrOp(KuvEeOrOp& node) override;
  HRESULT visitNotDomainOp(KuvEeNotDomainOp& node) override;
  HRESULT visitNotOp(KuvEeNotOp& node) override;
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;
  HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) override;

protected:
  // What comes between the root's start and the expression: nothing here,
  // SchemaVersion in version 3.
  virtual HRESULT writeHeader();

  using Attributes = kuv::detail::XMLElementAttributes;
  HRESULT startElement(const char* element, const Attributes* attributes = nullptr);
  HRESULT endElement(const char* element);
  HRESULT characters(const KuvInString& text);
  // An element holding only text.
  HRESULT textElement(const char* element, const KuvInString& text);

private:
  HRESULT writeMultiModel(const KuvEeMultiModelExpression& expression);
  HRESULT writeContextCriteria(const KuvEeMultiModelExpression& expression, KuvEeModelDico& model);
  HRESULT writeFilter(const KuvEeFilterExpression& filter);
  // root: a tree the writer starts, not an operator's child.
  HRESULT writeTree(const KuvEeNodeRef& tree, bool root = true);
  HRESULT writeOperator(KuvEeOp& node, const char* element, const char* kind);
  HRESULT writeVarEff(const KuvEeVarEff& eff);
  HRESULT writeNamedEff(const KuvEeEffectivity& eff, const KuvEeModelDico* model);
  HRESULT writeFeatureSelection(const KuvEeOptionEff* option, const KuvEeSelectionEff* selection);
  HRESULT writeSeriesSelection(const KuvEeSerialEff& eff);
  HRESULT writeDateSelection(const KuvEeDateEff& eff);
  HRESULT writeMilestonesSelection(const KuvEeTreeBaseEff& eff);
  HRESULT writeTreeSeriesSelection(const KuvEeTreeBaseEff& eff);
  HRESULT writeTreeSelections(const KuvEeTreeBaseEff& eff, bool milestones);
  HRESULT writeBound(const char* element, const KuvEeTreeSelectionBound& bound, bool milestones);
  HRESULT checkDescIds() const;

  KuvXMLV2IWriter& m_output;
  const KuvXMLV2IModelerContext* m_modelerContext;
  unsigned char m_writeDescIds;
  unsigned char m_writeDerivedDates;
  // The dictionary whose context is being written; null outside contexts.
  const KuvEeModelDico* m_model = nullptr;
  std::int32_t m_nextHandlerId = 0;
};
