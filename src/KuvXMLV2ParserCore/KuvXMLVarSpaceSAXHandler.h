// KuvXMLVarSpaceSAXHandler: builds a variable space, for the text and XML
// expression readers, from a dictionary document of the version-2
// vocabulary (see KuvXMLV2DicoSAXHandlerBase). Its GUIDs are hexadecimal
// texts of any even length.
//
// A variable space owns none of its variables: GetCreatedVarSpace hands
// them to the caller in a set (selection values stay with their variable,
// revisions with their series), beside the space itself.
#pragma once

#include <memory>

#include "KuvXMLV2DicoSAXHandlerBase.h"

class KuvEeVarSpace;

class KUV_API KuvXMLVarSpaceSAXHandler : public KuvXMLV2DicoSAXHandlerBase {
  KUV_DECLARE_TYPE(KuvXMLVarSpaceSAXHandler)

public:
  KuvXMLVarSpaceSAXHandler();
  ~KuvXMLVarSpaceSAXHandler() override;

  // variables (accepting KuvEeDicoObject) receives the series, features and
  // category options; texts the descriptions of series and characteristics
  // by GUID (KuvInGuid to KuvInString). space stays null on failure.
  HRESULT GetCreatedVarSpace(KuvEeVarSpace*& space, KuvInSet& variables, KuvInMapVal& texts);

protected:
  HRESULT createRoot(const KuvInString& name, const KuvInGuid& guid) override;
  bool hasRoot() const override { return m_space != nullptr; }
  HRESULT createSeries(std::int32_t type, const KuvInString& name, const KuvInGuid& guid,
                       KuvEeSerialVar*& series) override;
  HRESULT addFeature(KuvEeDicoObject& feature) override;
  HRESULT addOption(KuvEeDicoObject& option) override;
  HRESULT toGuid(const KuvInString& text, KuvInGuid& guid) const override;
  void discardRoot() override;

private:
  std::unique_ptr<KuvEeVarSpace> m_space;
};
