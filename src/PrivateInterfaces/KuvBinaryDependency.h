// How the binary readers resolve an index into a dependency list (internal).
#pragma once

#include <cstdint>
#include <memory>

#include "KuvBinaryExprData.h"
#include "KuvInTraceClass.h"

namespace kuv::detail {

// The object at index of a list (get), or, when the data holds fake
// dependencies and the slot has no object of class Fake, a placeholder made
// by make, named after index and kind (KuvEeDicoObject::initFakeNameAndGuid)
// and stored there with set, the data taking it into its garbage. Null
// after a traced failure.
template <class Fake, class Get, class Set, class Make>
KuvInObject* dependency(const KuvBinaryExprData& data, std::int32_t index, std::int32_t kind, Get get, Set set,
                        Make make, KuvInTraceClass& channel, const char* nameFailure, const char* setFailure,
                        const char* setTrace) {
  KuvInObject* found = get(index);
  if (!data.areFakeDependencies() || (found != nullptr && Fake::cast(*found) != nullptr)) return found;
  std::unique_ptr<Fake> fake(make());
  if (FAILED(fake->initFakeNameAndGuid(index, kind))) {
    KUV_TRACE_ERROR_ON(channel, nameFailure);
    return nullptr;
  }
  const HRESULT hr = set(index, *fake);
  if (FAILED(hr)) {
    KUV_TRACE_ERROR_ON(channel, setFailure);
    return nullptr;
  }
  // S_FALSE: the slot held an object of another class, which stays.
  if (hr == S_OK) {
    KUV_TRACE_DETAIL_ON(channel, setTrace, index);
    fake.release();
  }
  return get(index);
}

// The kinds of made-up names (see KuvEeDicoObject::initFakeNameAndGuid).
enum FakeKind : std::int32_t {
  FakeExprCriteria = 1,
  FakeImpactingCriteria = 2,
  FakeCriteriaModel = 3,
  FakeInherited = 4,
  FakeInheritedModel = 5
};

}  // namespace kuv::detail
