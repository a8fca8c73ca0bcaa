// KuvXMLV2ModelerContextImpl: the modeler context the dictionary readers
// fill, keyed by the GUIDs of features and options.
//
//     KuvXMLV2ModelerContextImpl* texts = new KuvXMLV2ModelerContextImpl();
//     KuvXMLV3ModelDicoSAXHandler handler(context, texts, 1);
//     ...                                  // parse, then GetCreatedModelDico
//     KuvInString name;
//     texts->GetDisplayName(*feature, name);
//
// The first record of a GUID wins; later ones are ignored (S_FALSE).
#pragma once

#include <map>

#include "KuvInGuid.h"
#include "KuvXMLV2IModelerContext.h"

class KUV_API KuvXMLV2ModelerContextImpl : public KuvXMLV2IModelerContext {
  KUV_DECLARE_TYPE(KuvXMLV2ModelerContextImpl)

public:
  KuvXMLV2ModelerContextImpl();
  ~KuvXMLV2ModelerContextImpl() override;

  // Features first, then options; the text is appended to the output.
  HRESULT GetDescription(const KuvInObject& object, KuvInString& description) const override;
  HRESULT GetDisplayName(const KuvInObject& object, KuvInString& displayName) const override;
  HRESULT GetOptionSequenceOrder(const KuvInObject& option, KuvInIntHolder& order) const override;
  HRESULT GetFeatureRevision(const KuvInObject& feature, KuvInString& revision) const override;

  // S_FALSE, nothing stored, for an object that is not a dictionary object
  // or whose GUID has a record already.
  virtual HRESULT AddFeatureDescriptionInformation(const KuvInObject& feature, const KuvInString& displayName,
                                                   const KuvInString& description, const KuvInString& revision);
  virtual HRESULT AddOptionDescriptionInformation(const KuvInObject& option, const KuvInString& displayName,
                                                  const KuvInString& description, const KuvInIntHolder& order);

private:
  struct Texts {
    KuvInString displayName;
    KuvInString description;
  };
  struct FeatureTexts : Texts {
    KuvInString revision;
  };
  struct OptionTexts : Texts {
    KuvInIntHolder order;
  };
  const Texts* find(const KuvInObject& object) const;

  std::map<KuvInGuid, FeatureTexts> m_features;
  std::map<KuvInGuid, OptionTexts> m_options;
};
