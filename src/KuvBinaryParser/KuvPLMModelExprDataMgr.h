// KuvPLMModelExprDataMgr: fills the dependency lists of a binary from the
// expressions it will hold, one per diversity domain.
//
//     KuvBinaryExprData data;
//     KuvPLMModelExprDataMgr::ComputeBinaryExprData(expressionsByDomain, context, data, 0);
//
// The data only refers to the objects it collects; the expressions, the
// context and its dictionaries stay the caller's.
#pragma once

#include <cstdint>

#include "KuvInObject.h"

class KuvBinaryExprData;
class KuvEeExpressionContext;
class KuvInMap;

class KUV_API KuvPLMModelExprDataMgr : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPLMModelExprDataMgr)

public:
  ~KuvPLMModelExprDataMgr() override;

  // For every expression of the map (its values, in map order) the builder's
  // dependencies, then lists 1 to 9 of data in list order with their add
  // operations (revisions at the infinite sequence numbers left out), then
  // the volatile criteria from the context. flag: see
  // KuvEeVisitor_BinaryExprDataBuilder.
  static HRESULT ComputeBinaryExprData(const KuvInMap& expressionsByDomain,
                                       const KuvEeExpressionContext& context, KuvBinaryExprData& data,
                                       std::uint8_t flag);

private:
  KuvPLMModelExprDataMgr() = default;
};
