#ifdef KUV_CONSUMER_XML
#include <KuvXML.h>
#else
#include <Kuv.h>
#endif

int main() {
  KuvInString text("installed");
  bool linked = text.GetLengthInChar() == 9 && KuvInString::sType() != nullptr;
#ifdef KUV_CONSUMER_XML
  KuvXMLExpatParser parser;
  linked = linked && parser.GetLine() == 0;
#endif
  return linked ? 0 : 1;
}
