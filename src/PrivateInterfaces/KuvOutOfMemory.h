// Entry points a host calls answer codes, never exceptions: running out of
// memory inside one answers E_OUTOFMEMORY ("ERROR: out of memory").
// Whatever the call built is held by its owners, so unwinding frees it.
#pragma once

#include <new>
#include <type_traits>

#include "KuvInTraceClass.h"

namespace kuv::detail {

// Traces that memory ran out; the trace itself may find none, and then
// says nothing.
inline void traceOutOfMemory(KuvInTraceClass& channel) noexcept {
  try {
    KUV_TRACE_ERROR_ON(channel, "ERROR: out of memory");
  } catch (...) {
  }
}

// call's answer, or onFailure's once call ran out of memory. For an
// HRESULT call, onFailure defaults to answering E_OUTOFMEMORY.
template <class Call, class OnFailure>
auto unlessOutOfMemory(KuvInTraceClass& channel, Call&& call, OnFailure&& onFailure) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    traceOutOfMemory(channel);
    return onFailure();
  }
}

// An onFailure that empties each output (Clear or clear) before answering
// E_OUTOFMEMORY: a call that ran out of memory leaves nothing half filled.
template <class... Outputs>
auto emptying(Outputs&... outputs) {
  return [&outputs...] {
    const auto empty = [](auto& output) {
      if constexpr (requires { output.Clear(); })
        output.Clear();
      else
        output.clear();
    };
    (empty(outputs), ...);
    return E_OUTOFMEMORY;
  };
}

template <class Call>
HRESULT unlessOutOfMemory(KuvInTraceClass& channel, Call&& call) {
  static_assert(std::is_same_v<decltype(call()), HRESULT>);
  return unlessOutOfMemory(channel, static_cast<Call&&>(call), [] { return E_OUTOFMEMORY; });
}

// For internal callers that unwind when memory runs out: a call's
// E_OUTOFMEMORY answer becomes std::bad_alloc again.
inline HRESULT throwIfOutOfMemory(HRESULT hr) {
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  return hr;
}

}  // namespace kuv::detail
