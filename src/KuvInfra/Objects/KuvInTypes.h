// Result codes and the few plain types shared by every kuv interface.
//
// Every operation that can fail returns a signed 32-bit code; callers test
// its sign. 0 is success and 1 success with a negative answer (not found,
// nothing done). The codes are the same on every platform, so they are
// spelled here rather than taken from a system header.
#pragma once

#include <cstdint>

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// One UCS-2 code unit of the Unicode string class.
using KuvUCChar = char16_t;

// Exported symbols. The library is built with hidden visibility: what this
// macro marks is its whole binary interface.
#define KUV_API __attribute__((visibility("default")))
