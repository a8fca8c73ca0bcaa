#include "KuvXMLV2IWriter.h"

KUV_DEFINE_TYPE(KuvXMLV2IWriter, KuvInObject)

KuvXMLV2IWriter::~KuvXMLV2IWriter() = default;
