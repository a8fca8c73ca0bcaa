// Trace channels and the one way kuv reports errors and calls.
//
// Every class owns a channel named after it (see KUV_DECLARE_TYPE). A
// channel's flags, fixed when it registers with the KuvInTraceMngr, say what
// it prints: bit 1 error lines, bit 2 call and detail lines, bit 4 verbose.
// Every line goes to standard output, prefixed by the channel's 30-character
// label and ": " per call depth, and is flushed at once. Threads may trace
// at once: each line is written whole (an error's two lines together), and
// each thread has its own call depth.
//
// Code reports through the macros at the end of this header, never by
// assembling the lines by hand:
//
//     KUV_TRACE_CALL("Put");                          // entry now, exit at scope end
//     KUV_RETURN_ERROR(E_FAIL, "ERROR: bad ", name);  // two error lines, then return
#pragma once

#include <cstdint>

#include "KuvInObject.h"

class KuvInStringChar;

class KUV_API KuvInTraceClass : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTraceClass)

public:
  static constexpr int sc_maxLength = 25;
  static constexpr const char* sc_pszIndentUnit = ": ";
  static constexpr const char* sc_pszError = "<ERROR> ";
  static constexpr const char* sc_pszWarning = "<WARNING> ";
  static constexpr const char* sc_pszErrorIndent = "        ";
  static constexpr const char* sc_pszCall = ">>>> ";
  static constexpr const char* sc_pszBeginMethodSymbol = " {";
  static constexpr const char* sc_pszEndMethodSymbol = "}";

  // This thread's call depth, shared by all channels.
  static thread_local std::int32_t s_lvl;

  // Builds the label, then registers with the manager, which sets the flags.
  explicit KuvInTraceClass(const char* name);
  KuvInTraceClass(const KuvInTraceClass& other);
  KuvInTraceClass& operator=(const KuvInTraceClass& other);
  ~KuvInTraceClass() override;

  // Takes standard output for this thread, then prints the label and the
  // indentation of the current depth.
  KuvInTraceClass& beginTrace();
  // Ends the line, flushes standard output and lets other threads write.
  KuvInTraceClass& endTrace();

  KuvInTraceClass& operator<<(int value);
  KuvInTraceClass& operator<<(unsigned int value);
  KuvInTraceClass& operator<<(long int value);
  KuvInTraceClass& operator<<(unsigned long int value);
  KuvInTraceClass& operator<<(long long int value);
  KuvInTraceClass& operator<<(unsigned long long int value);
  KuvInTraceClass& operator<<(float value);
  KuvInTraceClass& operator<<(double value);
  KuvInTraceClass& operator<<(const char* text);
  KuvInTraceClass& operator<<(const void* pointer);
  KuvInTraceClass& operator<<(const KuvInString& text);
  KuvInTraceClass& operator<<(const KuvInStringChar& text);

  unsigned char getFlags() const { return m_flags; }
  void setFlags(unsigned char flags) { m_flags = flags; }
  bool isErrorOn() const { return (m_flags & 1) != 0; }
  bool isCallOn() const { return (m_flags & 2) != 0; }
  // The 30-character label: the name cut or padded to 25, then " =>  ".
  const char* getLabel() const { return m_label; }

private:
  unsigned char m_flags = 7;
  char m_label[31];
};

namespace kuv::detail {

constexpr const char* sourceBaseName(const char* path) {
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  return base;
}

// Holds standard output for this thread, so that the lines traced meanwhile
// stay together; a thread may take it again while it holds it.
class KUV_API OutputLock {
public:
  OutputLock();
  ~OutputLock();
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;
};

template <class... Parts>
void traceError(KuvInTraceClass& channel, const char* file, int line, const Parts&... parts) {
  if (!channel.isErrorOn()) return;
  const OutputLock together;
  channel.beginTrace() << KuvInTraceClass::sc_pszError << file << "(" << line << ")";
  channel.endTrace();
  channel.beginTrace() << KuvInTraceClass::sc_pszErrorIndent;
  (channel << ... << parts);
  channel.endTrace();
}

template <class... Parts>
void traceDetail(KuvInTraceClass& channel, const Parts&... parts) {
  if (!channel.isCallOn()) return;
  channel.beginTrace();
  (channel << ... << parts);
  channel.endTrace();
}

// Entry line on construction, exit line on destruction, so an early return
// can never unbalance the depth. Inline, because nearly every call of the
// library makes one and tracing is nearly always off.
class KUV_API TraceCallGuard {
public:
  TraceCallGuard(KuvInTraceClass& channel, const char* operation)
      : m_channel(channel.isCallOn() ? &channel : nullptr) {
    if (m_channel != nullptr) enter(operation);
  }
  ~TraceCallGuard() {
    if (m_channel != nullptr) leave();
  }
  TraceCallGuard(const TraceCallGuard&) = delete;
  TraceCallGuard& operator=(const TraceCallGuard&) = delete;

private:
  void enter(const char* operation);
  void leave();

  KuvInTraceClass* m_channel;  // null when call tracing was off at entry
};

}  // namespace kuv::detail

#define KUV_SOURCE_FILE (::kuv::detail::sourceBaseName(__FILE__))

// On an explicit channel (free functions, helpers outside a class). The
// parts are evaluated only when the channel prints the line: a failure's
// trace may dump a whole data set, which a host that traces nothing should
// not pay for.
#define KUV_TRACE_ERROR_ON(channel, ...)                                                   \
  do {                                                                                     \
    if (KuvInTraceClass& kuvTraceChannel_ = (channel); kuvTraceChannel_.isErrorOn())       \
      ::kuv::detail::traceError(kuvTraceChannel_, KUV_SOURCE_FILE, __LINE__, __VA_ARGS__); \
  } while (0)
#define KUV_TRACE_DETAIL_ON(channel, ...)                                           \
  do {                                                                              \
    if (KuvInTraceClass& kuvTraceChannel_ = (channel); kuvTraceChannel_.isCallOn()) \
      ::kuv::detail::traceDetail(kuvTraceChannel_, __VA_ARGS__);                    \
  } while (0)
#define KUV_TRACE_CALL_ON(channel, operation) \
  ::kuv::detail::TraceCallGuard KUV_CONCAT(kuvTraceCall_, __LINE__)((channel), (operation))
#define KUV_RETURN_ERROR_ON(channel, code, ...) \
  do {                                          \
    KUV_TRACE_ERROR_ON((channel), __VA_ARGS__); \
    return (code);                              \
  } while (0)

// On the channel of the class whose member is running.
#define KUV_TRACE_ERROR(...) KUV_TRACE_ERROR_ON(traceChannel(), __VA_ARGS__)
#define KUV_TRACE_DETAIL(...) KUV_TRACE_DETAIL_ON(traceChannel(), __VA_ARGS__)
#define KUV_TRACE_CALL(operation) KUV_TRACE_CALL_ON(traceChannel(), operation)
#define KUV_RETURN_ERROR(code, ...) KUV_RETURN_ERROR_ON(traceChannel(), (code), __VA_ARGS__)
