// KuvXMLV2DicoSAXHandlerBase: reads the version-2 dictionary vocabulary,
// for the two readers that build different things from it (a model
// dictionary, KuvXMLV2ModelDicoSAXHandler, or a variable space,
// KuvXMLVarSpaceSAXHandler).
//
// The vocabulary: root CfgDictionary (Uuid, Name); series Unit, State and
// ManufPlan (Uuid, Name, Description optional); SeriesObject (Name, Uuid,
// Revision, SequenceNumber), a revision of the State or ManufPlan around
// it; Characteristic (Name, Uuid, Description optional, IsExclusive "true"
// for an exclusive feature) holding Characteristics that are its options.
// Other elements are ignored. Data errors record the texts of
// KuvXMLV2ParserErrorWriter ([D1], [D3], [D4], [D6], [D8]) or "CFG DATA
// ERROR".
//
// Every object the document creates is the handler's until it is handed
// over; a refused document leaves nothing behind.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KuvInMapVal.h"
#include "KuvInSet.h"
#include "KuvXMLV2ParserErrorWriter.h"
#include "KuvXMLV2SAXHandlerBase.h"

class KuvEeDicoObject;
class KuvEeSerialVar;
class KuvInGuid;

class KUV_API KuvXMLV2DicoSAXHandlerBase : public KuvXMLV2SAXHandlerBase {
  KUV_DECLARE_TYPE(KuvXMLV2DicoSAXHandlerBase)

public:
  ~KuvXMLV2DicoSAXHandlerBase() override;

  // Forgets (and deletes) whatever an earlier document left; the error
  // record stays.
  HRESULT StartDocument() override;
  HRESULT StartElement(const KuvInString& name, const KuvInMapVal& attributes) override;
  HRESULT Characters(const KuvInString& text) override;
  HRESULT EndElement(const KuvInString& name) override;
  HRESULT EndDocument() override;

protected:
  explicit KuvXMLV2DicoSAXHandlerBase(KuvInTraceClass& channel);

  // What the readers build. Each hook answers S_OK, S_FALSE when the
  // target refuses a duplicate, or a failure.
  virtual HRESULT createRoot(const KuvInString& name, const KuvInGuid& guid) = 0;
  virtual bool hasRoot() const = 0;
  // The serial variable of type 12, 13 or 14 for a series element; S_FALSE
  // when the target has one of that type already.
  virtual HRESULT createSeries(std::int32_t type, const KuvInString& name, const KuvInGuid& guid,
                               KuvEeSerialVar*& series) = 0;
  virtual HRESULT addFeature(KuvEeDicoObject& feature) = 0;
  virtual HRESULT addOption(KuvEeDicoObject& option) = 0;
  virtual HRESULT toGuid(const KuvInString& text, KuvInGuid& guid) const = 0;
  // Deletes the root and forgets what the hooks registered.
  virtual void discardRoot() = 0;

  // Objects the document created, oldest first, which the handler deletes
  // unless they are handed over (see handOver).
  void own(KuvEeDicoObject* object) { m_created.push_back(object); }
  // Gives the series descriptions, when descriptions is given, to it (it
  // must accept KuvXMLV2EeSerialDescription), the description texts of
  // series and characteristics, by GUID, to texts, and the created objects,
  // when created is given, to it; otherwise they go with the root. E_FAIL,
  // nothing handed, for containers of the wrong types.
  HRESULT handOver(KuvInSet* descriptions, KuvInMapVal& texts, KuvInSet* created);

private:
  HRESULT startElement(const KuvInString& name, const KuvInMapVal& attributes);
  HRESULT startSeries(const KuvInMapVal& attributes, const KuvInString& element, std::int32_t type);
  HRESULT startSeriesObject(const KuvInMapVal& attributes);
  HRESULT startCharacteristic(const KuvInMapVal& attributes);
  HRESULT startOption(const KuvInString& name, const KuvInGuid& guid);
  HRESULT dataError(CFG_DATA_ERROR_KIND kind, const KuvInString& trace);
  void discard();

  std::vector<KuvEeDicoObject*> m_created;
  KuvInSet m_descriptions;
  KuvInMapVal m_texts;
  KuvEeSerialVar* m_series = nullptr;
  int m_level = 0;
  KuvEeDicoObject* m_feature = nullptr;
};
