// KuvXMLV3ExprWriter: the current version of the XML expression document,
// which names its schema version (SchemaVersion "1.1") after the root's
// start; otherwise as KuvXMLV2ExprWriter.
#pragma once

#include "KuvXMLV2ExprWriter.h"

class KUV_API KuvXMLV3ExprWriter : public KuvXMLV2ExprWriter {
  KUV_DECLARE_TYPE(KuvXMLV3ExprWriter)

public:
  using KuvXMLV2ExprWriter::KuvXMLV2ExprWriter;
  ~KuvXMLV3ExprWriter() override;

protected:
  HRESULT writeHeader() override;
};
