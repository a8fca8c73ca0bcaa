// What the "net" writer and reader share (internal).
#pragma once

#include <cstdint>

#include "KuvBinaryExprData.h"
#include "KuvInList.h"

namespace kuv::detail {

enum NetStream : std::uint8_t { NetEmpty = 0, NetTree = 1, NetList = 2, NetRules = 3 };
constexpr std::uint8_t sc_netMagic[] = {'n', 'e', 't'};
constexpr std::uint8_t sc_netVersion = 1;
constexpr std::uint32_t sc_netHeaderSize = 8;

// Every position of dependencies becomes that index in each list the leaves
// refer to. E_FAIL for a null element.
HRESULT netData(const KuvInList& dependencies, KuvBinaryExprData& data);

}  // namespace kuv::detail
