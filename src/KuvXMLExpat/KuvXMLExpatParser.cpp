#include "KuvXMLExpatParser.h"

#include <expat.h>

#include <fstream>
#include <istream>
#include <memory>
#include <new>
#include <string>

#include "KuvInMapVal.h"
#include "KuvInString.h"
#include "KuvOutOfMemory.h"
#include "KuvXMLISAXHandler.h"

KUV_DEFINE_TYPE(KuvXMLExpatParser, KuvInObject)

namespace {

// Input is handed to expat in pieces of this size, so a stream or a file
// of any length needs no more memory than this beside what the handler
// builds.
constexpr std::size_t sc_chunkSize = 64 * 1024;

// One parse: the expat parser, the handler it drives and the text that
// waits for the end of its run.
class Session {
public:
  explicit Session(KuvXMLISAXHandler& handler) : m_handler(handler), m_parser(XML_ParserCreate(nullptr)) {
    if (m_parser == nullptr) return;
    XML_SetUserData(m_parser.get(), this);
    XML_SetElementHandler(m_parser.get(), &Session::onStart, &Session::onEnd);
    XML_SetCharacterDataHandler(m_parser.get(), &Session::onText);
    XML_SetParamEntityParsing(m_parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetExternalEntityRefHandler(m_parser.get(), &Session::onExternalEntity);
  }

  bool isReady() const { return m_parser != nullptr; }

  HRESULT start() { return m_handler.StartDocument(); }

  // S_OK to go on; the handler's code or E_FAIL once the parse stopped.
  HRESULT feed(const char* bytes, std::size_t length, bool last) {
    if (XML_Parse(m_parser.get(), bytes, static_cast<int>(length), last ? XML_TRUE : XML_FALSE) == XML_STATUS_OK)
      return last ? m_handler.EndDocument() : S_OK;
    if (FAILED(m_stop)) return m_stop;
    const XML_Error code = XML_GetErrorCode(m_parser.get());
    m_line = static_cast<std::int32_t>(XML_GetCurrentLineNumber(m_parser.get()));
    m_column = static_cast<std::int32_t>(XML_GetCurrentColumnNumber(m_parser.get())) + 1;
    m_handler.FatalError(m_line, m_column, KuvInString(XML_ErrorString(code)));
    return E_FAIL;
  }

  std::int32_t line() const { return m_line; }
  std::int32_t column() const { return m_column; }

private:
  struct Free {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
  };

  static Session& of(void* data) { return *static_cast<Session*>(data); }

  // Keeps the handler's code and has expat end the parse after this event.
  void stopUnless(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    m_stop = hr;
    m_line = static_cast<std::int32_t>(XML_GetCurrentLineNumber(m_parser.get()));
    m_column = static_cast<std::int32_t>(XML_GetCurrentColumnNumber(m_parser.get())) + 1;
    XML_StopParser(m_parser.get(), XML_FALSE);
  }

  void flushText() {
    if (m_text.empty() || FAILED(m_stop)) return;
    const KuvInString text(m_text.c_str());
    m_text.clear();
    stopUnless(m_handler.Characters(text));
  }

  // No exception may cross expat: running out of memory in an event ends
  // the parse with E_OUTOFMEMORY.
  template <class Event>
  static void guarded(void* data, Event&& event) {
    Session& session = of(data);
    if (FAILED(session.m_stop)) return;
    try {
      event(session);
    } catch (const std::bad_alloc&) {
      kuv::detail::traceOutOfMemory(KuvXMLExpatParser::traceChannel());
      session.stopUnless(E_OUTOFMEMORY);
    }
  }

  static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    guarded(data, [&](Session& session) {
      session.flushText();
      if (FAILED(session.m_stop)) return;
      KuvInMapVal map(KuvInString::sType(), KuvInString::sType());
      for (const XML_Char** a = attributes; *a != nullptr; a += 2)
        map.Put(KuvInString(a[0]), KuvInString(a[1]));
      session.stopUnless(session.m_handler.StartElement(KuvInString(name), map));
    });
  }

  static void XMLCALL onEnd(void* data, const XML_Char* name) {
    guarded(data, [&](Session& session) {
      session.flushText();
      if (FAILED(session.m_stop)) return;
      session.stopUnless(session.m_handler.EndElement(KuvInString(name)));
    });
  }

  static void XMLCALL onText(void* data, const XML_Char* text, int length) {
    guarded(data, [&](Session& session) { session.m_text.append(text, static_cast<std::size_t>(length)); });
  }

  // Nothing outside the document is ever read: a reference to an external
  // entity fails the parse.
  static int XMLCALL onExternalEntity(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*,
                                      const XML_Char*) {
    return XML_STATUS_ERROR;
  }

  KuvXMLISAXHandler& m_handler;
  std::unique_ptr<XML_ParserStruct, Free> m_parser;
  std::string m_text;
  HRESULT m_stop = S_OK;
  std::int32_t m_line = 0;
  std::int32_t m_column = 0;
};

}  // namespace

KuvXMLExpatParser::KuvXMLExpatParser() = default;

KuvXMLExpatParser::~KuvXMLExpatParser() = default;

HRESULT KuvXMLExpatParser::ParseBuffer(const char* bytes, std::size_t length, KuvXMLISAXHandler& handler) {
  KUV_TRACE_CALL("ParseBuffer");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    m_line = m_column = 0;
    Session session(handler);
    if (!session.isReady()) KUV_RETURN_ERROR(E_OUTOFMEMORY, "ERROR: Unable to create the XML parser.");
    HRESULT hr = session.start();
    while (SUCCEEDED(hr)) {
      const std::size_t piece = length < sc_chunkSize ? length : sc_chunkSize;
      const bool last = piece == length;
      hr = session.feed(bytes, piece, last);
      if (last) break;
      bytes += piece;
      length -= piece;
    }
    m_line = session.line();
    m_column = session.column();
    return hr;
  });
}

HRESULT KuvXMLExpatParser::ParseStream(std::istream& input, KuvXMLISAXHandler& handler) {
  KUV_TRACE_CALL("ParseStream");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    m_line = m_column = 0;
    Session session(handler);
    if (!session.isReady()) KUV_RETURN_ERROR(E_OUTOFMEMORY, "ERROR: Unable to create the XML parser.");
    HRESULT hr = session.start();
    const auto buffer = std::make_unique<char[]>(sc_chunkSize);
    while (SUCCEEDED(hr)) {
      input.read(buffer.get(), static_cast<std::streamsize>(sc_chunkSize));
      if (input.bad()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to read the XML input.");
      const bool last = input.eof();
      hr = session.feed(buffer.get(), static_cast<std::size_t>(input.gcount()), last);
      if (last) break;
    }
    m_line = session.line();
    m_column = session.column();
    return hr;
  });
}

HRESULT KuvXMLExpatParser::ParseFile(const char* path, KuvXMLISAXHandler& handler) {
  KUV_TRACE_CALL("ParseFile");
  std::ifstream input(path, std::ios::binary);
  if (!input) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to open file ", path);
  return ParseStream(input, handler);
}
