// The opening and closing that the entry points of the tree transformers
// share (internal).
//
//     HRESULT KuvEeNodeSimplifier::simplify(KuvEeNodeRef& ref) {
//       return kuv::detail::TransformEntry(traceChannel(), "simplify", ref).run(*this);
//     }
//
// An entry traces the call on the transformer's channel for as long as it
// lives, refuses with E_FAIL, before any change, a missing tree ("ERROR:
// NULL pointer") or one deeper than kMaxTransformDepth ("ERROR: expression
// too deep"), and passes on the code of the root's visit, a failure traced
// as "ERROR: acceptVisitor failed". Its error lines name the source file
// and line where the entry was made.
#pragma once

#include "KuvEeNodeRef.h"
#include "KuvInTraceClass.h"

class KuvEeNodeVisitor;

namespace kuv::detail {

// The caller's file and line, taken as a default argument. std::source_location
// would do, but the fuzzing compiler cannot build it with our standard library.
struct SourcePoint {
  static SourcePoint current(const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    return {file, line};
  }
  const char* file;
  int line;
};

// An error line on channel naming where as its source.
void traceErrorAt(KuvInTraceClass& channel, const SourcePoint& where, const char* message);

class TransformEntry {
public:
  TransformEntry(KuvInTraceClass& channel, const char* operation, const KuvEeNodeRef& ref,
                 SourcePoint where = SourcePoint::current());
  TransformEntry(const TransformEntry&) = delete;
  TransformEntry& operator=(const TransformEntry&) = delete;

  // Takes the tree's root (S_OK) or refuses the tree (E_FAIL).
  HRESULT admit();
  // The root taken by admit.
  KuvEeNode& root() const { return *m_root; }
  // The root's visit. With call tracing on, the tree's text is traced after
  // before ahead of the visit, and after after once it succeeded.
  HRESULT walk(KuvEeNodeVisitor& visitor, const char* before = nullptr, const char* after = nullptr);
  // admit, then walk.
  HRESULT run(KuvEeNodeVisitor& visitor, const char* before = nullptr, const char* after = nullptr);

private:
  // Traces message as failing where the entry was made; returns code.
  HRESULT fail(HRESULT code, const char* message);
  void traceTree(const char* caption);

  KuvInTraceClass& m_channel;
  TraceCallGuard m_call;
  const KuvEeNodeRef& m_ref;
  SourcePoint m_where;
  KuvEeNode* m_root = nullptr;
};

}  // namespace kuv::detail
