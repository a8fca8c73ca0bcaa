// Reads the "net" streams of KuvBinaryExprWriter (layout there) against the
// dependency list they were written with. The bytes are read in place.
//
// Ownership: what is read is the caller's and refers to the dependencies,
// which must outlive it. Nothing is handed out on failure.
#pragma once

#include <cstdint>

#include "KuvInList.h"

class KuvBinaryExprData;
class KuvEeGenericExpression;

class KUV_API KuvBinaryExprReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryExprReader)

public:
  KuvBinaryExprReader() = delete;

  // expression: a new expression (null on entry).
  static HRESULT Read(const std::uint8_t* bytes, std::uint32_t size, const KuvInList& dependencies,
                      KuvEeGenericExpression*& expression);
  // Appends new KuvEeInclusionRule objects to rules (which must accept them).
  static HRESULT ReadRules(const std::uint8_t* bytes, std::uint32_t size, const KuvInList& dependencies,
                           KuvInList& rules);
  // Fills data (empty) as Read does, so that KuvBinaryEENodeParser::readNode
  // in the net dialect reads a stream's nodes one at a time: for a walker
  // that shows where each node lies. The data refers to the dependencies.
  static HRESULT PrepareNodeData(const KuvInList& dependencies, KuvBinaryExprData& data);
};
