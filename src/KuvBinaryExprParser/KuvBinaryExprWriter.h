// The older "net" streams: a generic expression (a node tree or a criteria
// list) or a list of inclusion rules, referring to dictionary objects by
// their position in a dependency list the caller passes (and persists). All
// integers are big-endian.
//
//   offset  width  content
//   0       3      "net"
//   3       1      version, 1
//   4       4      length of what follows
//   8       1      stream: 0 empty expression, 1 node tree, 2 criteria list, 3 rules
//
// A node tree is one node in the net codes of KuvBinaryEENodeParser.h. A
// criteria list:
//
//   width  content
//   1      list mode (KuvEeGenericExpression::ListMode)
//   4      number V of criterion effectivities
//   ...    V criterion leaves, each after the Not code 4 when negated
//   4      number E of effectivities
//   4 E    their positions
//
// Rules: a 4-byte count, then per rule the byte 1 (inclusion) and its
// context and constraint trees, each the byte 0 when absent.
//
// Criterion leaves use the leaf encodings of the binary expression format,
// every list index being a position in the dependency list.
#pragma once

#include "KuvBioBufferOut.h"
#include "KuvInList.h"

class KuvEeGenericExpression;

class KUV_API KuvBinaryExprWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryExprWriter)

public:
  KuvBinaryExprWriter() = delete;

  // out is cleared and filled; on failure it holds what was written so far.
  static HRESULT Write(const KuvEeGenericExpression& expression, const KuvInList& dependencies, KuvBioBufferOut& out);
  // rules holds KuvEeRule objects; only inclusion rules are stored.
  static HRESULT WriteRules(const KuvInList& rules, const KuvInList& dependencies, KuvBioBufferOut& out);
};
