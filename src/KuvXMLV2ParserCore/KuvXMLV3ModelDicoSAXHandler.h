// KuvXMLV3ModelDicoSAXHandler: builds a model dictionary from a dictionary
// document of the current vocabulary (root CfgDictionary: unit Series,
// TreeSeries of product states or manufacturing plans, Features with their
// options, MilestonesTracks), as a host's XML parser delivers its events.
//
//     KuvEeExpressionContext context;
//     KuvXMLV2ModelerContextImpl* texts = new KuvXMLV2ModelerContextImpl();
//     KuvXMLV3ModelDicoSAXHandler handler(context, texts, 1);
//     if (SUCCEEDED(KuvXMLExpatParser::ParseFile(path, handler))) {
//       KuvEeModelDico* model = nullptr;
//       KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
//       KuvXMLV2IModelerContext* collected = nullptr;
//       handler.GetCreatedModelDico(model, descriptions, collected);
//       context.AddModelDico(model, true);   // the context now owns model and features
//     }
//
// Features the context already knows (by GUID) are reused; the others are
// created. Until GetCreatedModelDico hands them over, the dictionary, the
// features, options and values the document created and the series
// descriptions belong to the handler: a refused document leaves nothing
// behind once the handler dies or starts the next document. Afterwards the
// caller owns the dictionary and the descriptions; the features created go
// with the dictionary (an expression context takes them over with it), and
// the options added to features of the context go to the context. The
// modeler context stays its creator's throughout.
#pragma once

#include <memory>
#include <vector>

#include "KuvInList.h"
#include "KuvInSet.h"
#include "KuvXMLV2SAXHandlerBase.h"

class KuvEeCategory;
class KuvEeDicoObject;
class KuvEeExpressionContext;
class KuvEeMilestonesVar;
class KuvEeModelDico;
class KuvEeSelectionVar;
class KuvEeTreeSeriesVar;
class KuvInGuid;
class KuvXMLV2ModelerContextImpl;

namespace kuv::detail {
class XMLAttributes;
}  // namespace kuv::detail

class KUV_API KuvXMLV3ModelDicoSAXHandler : public KuvXMLV2SAXHandlerBase {
  KUV_DECLARE_TYPE(KuvXMLV3ModelDicoSAXHandler)

public:
  // modelerContext may be null; display texts are collected into it when
  // collectDescriptions is not 0.
  KuvXMLV3ModelDicoSAXHandler(KuvEeExpressionContext& context, KuvXMLV2ModelerContextImpl*& modelerContext,
                              unsigned char collectDescriptions);
  ~KuvXMLV3ModelDicoSAXHandler() override;

  // Forgets (and deletes) whatever an earlier document left; the error
  // record stays.
  HRESULT StartDocument() override;
  HRESULT StartElement(const KuvInString& name, const KuvInMapVal& attributes) override;
  HRESULT Characters(const KuvInString& text) override;
  HRESULT EndElement(const KuvInString& name) override;
  HRESULT EndDocument() override;

  // descriptions must accept KuvXMLV2EeSerialDescription. modelerContext
  // receives the handler's modeler context when descriptions were
  // collected, else null. dico stays null on failure: after a recorded
  // error, or when no CfgDictionary was read.
  HRESULT GetCreatedModelDico(KuvEeModelDico*& dico, KuvInSet& descriptions,
                              KuvXMLV2IModelerContext*& modelerContext) override;

private:
  using Attributes = kuv::detail::XMLAttributes;

  HRESULT startElement(const KuvInString& name, const KuvInMapVal& attributes);
  HRESULT endElement(const KuvInString& name);
  HRESULT traceAttributes(const KuvInMapVal& attributes) const;
  HRESULT startDictionary(Attributes& attributes);
  HRESULT startSeries(Attributes& attributes);
  HRESULT startTreeSeries(Attributes& attributes);
  HRESULT startTreeSeriesElement(Attributes& attributes);
  HRESULT startFeature(Attributes& attributes);
  HRESULT startTopFeature(Attributes& attributes, const KuvInString& name, const KuvInGuid& guid);
  HRESULT startOption(Attributes& attributes, const KuvInString& name, const KuvInGuid& guid);
  HRESULT startMilestonesTrack(Attributes& attributes);
  HRESULT startMilestone(Attributes& attributes);
  HRESULT endTree(const char* element, const char* child, KuvInList& stack, bool rootSet);
  HRESULT describeSeries(Attributes& attributes, std::int32_t type);
  HRESULT findFeature(const KuvInGuid& guid, KuvEeDicoObject*& feature);
  HRESULT collectOption(Attributes& attributes, KuvEeDicoObject& option);
  HRESULT toGuid(const KuvInString& text, KuvInGuid& guid) const;
  // Options and values the document added to features of the context
  // become the context's, as the other options of those features are.
  HRESULT adoptIntoContext();
  bool collecting() const { return m_collect != 0 && m_modelerContext != nullptr; }
  // Deletes the dictionary and what the document created for it.
  void discard();
  void clearConstruction();

  KuvEeExpressionContext& m_context;
  KuvXMLV2ModelerContextImpl*& m_modelerContext;
  unsigned char m_collect;
  std::unique_ptr<KuvEeModelDico> m_dico;
  KuvInSet m_descriptions;
  // Features, options and values this document created, oldest first.
  std::vector<KuvEeDicoObject*> m_created;
  KuvEeTreeSeriesVar* m_treeSeries = nullptr;
  KuvInList m_treeElements;
  bool m_treeRootSet = false;
  KuvEeMilestonesVar* m_track = nullptr;
  KuvInList m_milestones;
  bool m_milestoneRootSet = false;
  int m_featureLevel = 0;
  KuvEeDicoObject* m_feature = nullptr;
};
