#include "kuv_glue.h"

#include <Kuv.h>
#include <cstdlib>

#include <new>

struct KuvPgFilter {
  KuvPgFilter(const std::uint8_t* bytes, std::uint32_t size) : handler(bytes, size, 0) {}
  KuvFilterHandler handler;
};

namespace {

// Whatever escapes the library becomes a code here: a C caller cannot catch.
template <class Body>
std::int32_t guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

extern "C" void kuv_pg_silence(void) {
  for (KuvInTraceClass* channel : KuvFilterHandler::filteringTraceChannels()) channel->setFlags(0);
}

extern "C" std::int32_t kuv_pg_filter_new(const std::uint8_t* bytes, std::uint32_t size, KuvPgFilter** filter) {
  if (filter == nullptr || *filter != nullptr) return E_INVALIDARG;
  return guarded([&]() -> std::int32_t {
    auto* made = new KuvPgFilter(bytes, size);
    const HRESULT status = made->handler.isValid();
    if (FAILED(status)) {
      delete made;
      return status;
    }
    *filter = made;
    return S_OK;
  });
}

extern "C" void kuv_pg_filter_free(KuvPgFilter* filter) { delete filter; }

extern "C" std::int32_t kuv_pg_filter_apply(const KuvPgFilter* filter, const std::uint8_t* bytes,
                                            std::uint32_t size, std::int32_t* answer) {
  if (filter == nullptr || answer == nullptr) return E_INVALIDARG;
  return guarded([&]() -> std::int32_t {
    // The batch form, with one object, answers exactly as ApplyQuery does:
    // an empty or unreadable binary is -1, not a failure.
    int* results = nullptr;
    const HRESULT hr = filter->handler.Apply(&bytes, &size, 1, results);
    if (FAILED(hr)) return hr;
    *answer = results[0];
    std::free(results);
    return S_OK;
  });
}

extern "C" std::int32_t kuv_pg_domains(const std::uint8_t* bytes, std::uint32_t size, std::int32_t* mask) {
  if (mask == nullptr || (bytes == nullptr && size != 0)) return E_INVALIDARG;
  if (size == 0) return S_FALSE;
  return guarded([&]() -> std::int32_t {
    KuvBioBuffer in(bytes, size, 0);
    KuvInListVal domains(KuvInIntHolder::sType());
    const HRESULT hr = KuvCompiledBinaryParser::GetValuatedDomains(in, domains);
    if (hr != S_OK) return hr;
    std::int32_t bits = 0;
    for (std::int32_t i = 0; i < domains.GetLength(); ++i)
      bits |= std::int32_t{1} << (KuvInIntHolder::cast(*domains.Get(i))->getValue() - 1);
    *mask = bits;
    return S_OK;
  });
}

extern "C" const char* kuv_pg_version(void) { return KuvVersion(); }
