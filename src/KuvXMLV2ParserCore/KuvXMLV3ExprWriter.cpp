#include "KuvXMLV3ExprWriter.h"

KUV_DEFINE_TYPE(KuvXMLV3ExprWriter, KuvXMLV2ExprWriter)

KuvXMLV3ExprWriter::~KuvXMLV3ExprWriter() = default;

HRESULT KuvXMLV3ExprWriter::writeHeader() { return textElement("SchemaVersion", "1.1"); }
