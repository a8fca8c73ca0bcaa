// The criterion leaves of the binary expression format (internal): the
// node tree writer and reader, and the filter bodies, hand every criterion
// effectivity to these two functions, which choose the leaf encoding by
// kind (dates 14, serial 12 and 13, option and selection 15, tree series 13,
// milestones 17). Each encoding writes its own node type byte first; the
// reader gets the type byte already read.
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"

class KuvBinaryExprData;
class KuvEeVarEff;

namespace kuv::detail {

// E_FAIL, traced, for a kind without an encoding.
HRESULT writeCriterion(const KuvEeVarEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
// eff (null on entry) receives a new effectivity, the caller's. flag routes
// the selection values of negated criteria (see KuvBinaryExprData.h). May
// answer the success code 0x00081005 (a serial leaf without its variable).
HRESULT readCriterion(std::uint8_t nodeType, KuvBioBuffer& in, KuvBinaryExprData& data, bool flag,
                      KuvEeVarEff*& eff);

}  // namespace kuv::detail
