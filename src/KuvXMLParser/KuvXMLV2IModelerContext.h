// KuvXMLV2IModelerContext: the display texts of dictionary objects that the
// objects themselves do not hold (display name, description, revision,
// sequence order), as XML readers collect them and writers consult them.
//
// Each query answers S_OK and appends or fills its output when the object
// has the text, S_FALSE when it has none. The identification services a
// product-data host may add (PLM identifiers, series identification) answer
// E_NOTIMPL unless an implementation provides them.
#pragma once

#include <cstdint>

#include "KuvInIntHolder.h"
#include "KuvInString.h"

class KuvInGuid;

class KUV_API KuvXMLV2IModelerContext : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLV2IModelerContext)

public:
  ~KuvXMLV2IModelerContext() override;

  virtual HRESULT GetDescription(const KuvInObject& object, KuvInString& description) const = 0;
  virtual HRESULT GetPLMID(const KuvInObject& object, KuvInString& plmId) const;
  virtual HRESULT GetNameForPLMID(const KuvInString& plmId, KuvInString& name) const;
  virtual HRESULT GetDisplayName(const KuvInObject& object, KuvInString& displayName) const = 0;
  virtual HRESULT GetProductStateMarketingName(const KuvInObject& state, KuvInString& name) const;
  virtual HRESULT GetProductStateRevision(const KuvInObject& state, KuvInString& revision) const;
  virtual HRESULT GetOptionSequenceOrder(const KuvInObject& option, KuvInIntHolder& order) const = 0;
  virtual HRESULT GetFeatureSequenceOrder(const KuvInObject& feature, KuvInIntHolder& order) const;
  virtual HRESULT GetFeatureRevision(const KuvInObject& feature, KuvInString& revision) const = 0;
  virtual HRESULT ComputeSequenceNumber(const KuvInObject& series, const KuvInString& name,
                                        const KuvInString& revision, std::int32_t& seqNumber) const;
  virtual HRESULT RetrieveSeriesElementIdentification(const KuvInObject& series, std::int32_t seqNumber,
                                                      KuvInString& name, KuvInString& revision) const;
  virtual HRESULT RetrieveSeriesElementModelerID(const KuvInObject& series, std::int32_t seqNumber,
                                                 KuvInGuid& guid) const;
};
