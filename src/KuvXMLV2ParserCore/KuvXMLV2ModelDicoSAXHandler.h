// KuvXMLV2ModelDicoSAXHandler: builds a model dictionary from a dictionary
// document of the version-2 vocabulary (see KuvXMLV2DicoSAXHandlerBase).
//
//     KuvXMLV2ModelDicoSAXHandler handler(context);
//     parser.ParseFile(path, handler);
//     KuvEeModelDico* model = nullptr;
//     KuvInSet series(KuvXMLV2EeSerialDescription::sType());
//     KuvInMapVal texts(KuvInGuid::sType(), KuvInString::sType());
//     if (SUCCEEDED(handler.GetCreatedModelDico(model, series, texts))) context.AddModelDico(model, true);
//
// After the hand-over the caller owns the dictionary and the descriptions;
// the features go with the dictionary, as in KuvXMLV3ModelDicoSAXHandler.
#pragma once

#include <memory>

#include "KuvXMLV2DicoSAXHandlerBase.h"

class KuvEeExpressionContext;
class KuvEeModelDico;

class KUV_API KuvXMLV2ModelDicoSAXHandler : public KuvXMLV2DicoSAXHandlerBase {
  KUV_DECLARE_TYPE(KuvXMLV2ModelDicoSAXHandler)

public:
  // The context is not consulted: a version-2 dictionary names nothing
  // outside itself. The caller adds the dictionary it gets.
  explicit KuvXMLV2ModelDicoSAXHandler(KuvEeExpressionContext& context);
  ~KuvXMLV2ModelDicoSAXHandler() override;

  using KuvXMLISAXHandler::GetCreatedModelDico;
  // texts receives the descriptions of series and characteristics by GUID
  // (KuvInGuid to KuvInString). dico stays null on failure: after a recorded error, when
  // no CfgDictionary was read, or for containers of the wrong types.
  HRESULT GetCreatedModelDico(KuvEeModelDico*& dico, KuvInSet& descriptions, KuvInMapVal& texts);

protected:
  HRESULT createRoot(const KuvInString& name, const KuvInGuid& guid) override;
  bool hasRoot() const override { return m_dico != nullptr; }
  HRESULT createSeries(std::int32_t type, const KuvInString& name, const KuvInGuid& guid,
                       KuvEeSerialVar*& series) override;
  HRESULT addFeature(KuvEeDicoObject& feature) override;
  HRESULT addOption(KuvEeDicoObject& option) override;
  HRESULT toGuid(const KuvInString& text, KuvInGuid& guid) const override;
  void discardRoot() override;

private:
  std::unique_ptr<KuvEeModelDico> m_dico;
};
