// Writes an expression tree as nodes of the binary expression format and
// reads it back. References to dictionary objects are indices into the
// lists of a KuvBinaryExprData. Integers are big-endian.
//
// A node begins with its type byte:
//
//   byte  node                 what follows
//   0     no node              nothing (an absent part of a context criterion)
//   1     True                 nothing
//   2     False                nothing
//   3     Not                  the child node
//   4     And                  2-byte child count (not 0), the children
//   5     Or                   2-byte child count (not 0), the children
//   6     in-context criterion refused here (a body reads it, see KuvBinaryExprParser.h)
//   11    predefined eff.      2-byte index in the impacting criteria list
//   12-15, 17                  a criterion effectivity (dates, serial,
//                              option or selection, tree series, milestones)
//   16    inherited eff.       2-byte index in the inherited effectivities
//                              list, 2-byte index of its dictionary in the
//                              inherited effectivity models list
//
// A negated effectivity or criterion leaf is written as a Not (3) before it.
// Every other byte is refused. Reading stops at sc_maxDepth nested nodes, so
// hostile bytes cannot exhaust the stack; writing refuses a deeper tree too,
// so that what is written always reads back.
//
// The older "net" streams (KuvBinaryExprWriter.h) use the same leaves with
// their own operator codes: And 1 and Or 2, each with a 4-byte child count,
// domain negation 3, Not 4, True 9, False 10; an effectivity leaf is 11, the
// 4-byte index of the effectivity in the expr criteria list and the 4-byte
// index of its dictionary in the criteria dictionaries list (0xFFFFFFFF for
// none).
//
// Ownership: the parser refers to the data and the buffer, owns neither; a
// tree read is the caller's.
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvEeNodeDispatcher.h"

class KuvBinaryExprData;
class KuvEeGroupOp;
class KuvEeNodeLeaf;
class KuvEeSingleOp;
class KuvEeNodeRef;
class KuvEeVarEff;

class KUV_API KuvBinaryEENodeParser : public KuvEeNodeDispatcher<KuvBinaryEENodeParser> {
  KUV_DECLARE_TYPE(KuvBinaryEENodeParser)

public:
  enum E_NodeType : std::uint8_t {
    E_NoNode = 0,
    E_True = 1,
    E_False = 2,
    E_Not = 3,
    E_And = 4,
    E_Or = 5,
    E_InContext = 6,
    E_Unsupported = 7,
    E_Predef = 11,
    E_SerialUnit = 12,
    E_SerialOrTreeSeries = 13,
    E_Dates = 14,
    E_Feature = 15,
    E_Inherited = 16,
    E_Milestones = 17
  };
  // See KuvBioConstants.h.
  static constexpr HRESULT sc_readIncomplete = KuvBioConstants::sc_readIncomplete;
  static constexpr std::int32_t sc_maxDepth = 200;

  // The operator codes and leaf forms of a stream.
  enum E_Dialect : std::int32_t { E_ExpressionFormat = 0, E_NetFormat = 1 };

  KuvBinaryEENodeParser(const KuvBinaryExprData& data, KuvBioBufferOut& out, E_Dialect dialect = E_ExpressionFormat);
  ~KuvBinaryEENodeParser() override;

  // Writes tree's nodes at the end of out.
  static HRESULT write(const KuvEeNodeRef& tree, const KuvBinaryExprData& data, KuvBioBufferOut& out,
                       E_Dialect dialect = E_ExpressionFormat);
  // Reads one node tree into node (null on entry). S_FALSE, node null, for
  // the byte 0; sc_readIncomplete when a leaf lacked an object. flag routes
  // the selection values of negated criteria (see KuvBinaryExprData.h). With
  // fake dependencies, placeholders are made for the indices met.
  static HRESULT readNode(KuvBioBuffer& in, KuvBinaryExprData& data, bool flag, KuvEeNodeRef*& node,
                          E_Dialect dialect = E_ExpressionFormat);

private:
  friend class KuvEeNodeDispatcher<KuvBinaryEENodeParser>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  HRESULT writeEffLeaf(const KuvEeEffLeaf& leaf);
  HRESULT writeNetEffLeaf(const KuvEeEffLeaf& leaf);
  HRESULT writeCriterion(const KuvEeVarEff& eff);
  // Writes node's children, one level deeper, and counts them.
  template <class Op>
  HRESULT descend(Op& node, std::uint32_t& children);

  const KuvBinaryExprData& m_data;
  KuvBioBufferOut& m_out;
  E_Dialect m_dialect;
  std::int32_t m_depth = 0;
  // Nodes written at the current level: an operator's child count.
  std::uint32_t m_written = 0;
};
