// Stores the expressions of one object, one per diversity domain, as a
// compact binary and reads them back. Every dictionary object is written as
// an index into the lists of a KuvBinaryExprData, so a binary is valid only
// with the lists of the data that wrote it, in the same order; the caller
// persists both. All integers are big-endian.
//
// Header:
//
//   offset        width  content
//   0             1      kind: "e" effectivity, "f" filter, "c" applicability
//   1             2      "be"
//   3             1      version, 1 or 2
//   4             1      version 2: 1 when a domain is 4 or 5 (decoupled
//                        variant and evolution), else 0
//   5             4      version 2: 0
//   4 (v2: 9)     4      total size of the binary
//   +4            1      number of domains N (at least 1)
//   +1            3 N    per domain: id (1 byte), offset of its body (2 bytes)
//
// Then, for effectivities only, the operations: a 2-byte count and per
// operation a byte with the code in the high nibble (1 add, 2 cut,
// 3 reserved; bit 3, multi-domain, clear), the byte 1, the domain id and
// the change as a node (11 and its index, see KuvBinaryEENodeParser.h).
//
// Then the domain bodies, in table order and one after the other. An
// effectivity or applicability body is a count C of parts (1 byte in
// version 1, below 254; 2 bytes in version 2), the global criteria as a
// node tree when the expression has them, then per dictionary: the byte 6,
// the 2-byte index of the dictionary in the criteria dictionaries list, the
// inherited-effectivity tree and the criteria tree, each the byte 0 when
// absent (not both). A filter body:
//
//   width  content
//   1      255 without a model dictionary, else 0 (the only criteria dictionary)
//   1      selection mode + 1
//   2      number of items M
//   ...    M items: the byte 1 alone for a filter of the whole dictionary;
//          else each criterion (after the byte 3 when negated) and each
//          effectivity as 11 and its 2-byte index in the expr criteria list
//
// The domains are written in the iteration order of the caller's map, never
// re-sorted. Readers also accept the coexistence magics "cxe" and "cxf"
// (version block only, read as an empty result).
//
// Reading takes only what a writer makes, so that a damaged binary is
// refused rather than read as something else: a version byte other than 1
// or 2, a domain id met twice, an operation on a domain without a body, a
// global part or a dictionary's two parts given as 0, and a dictionary met
// twice in one body are refused.
//
// Write chooses version 2 over the caller's when the environment variable
// "CfgUseExprBinaryNewVersion" is "2" or "CGE_DecoupleVariantEvolution" is
// set; versions other than 1 and 2 are refused (E_INVALIDARG).
//
// Ownership: Read returns a new map and new expressions, all the caller's
// (delete the values, then the map); the expressions refer to the data's
// objects, which must outlive them. Nothing is handed out on failure.
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvDiversityDomain.h"
#include "KuvInListVal.h"
#include "KuvInMap.h"

class KuvBinaryExprData;

class KUV_API KuvBinaryExprParser : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryExprParser)

public:
  KuvBinaryExprParser() = delete;

  // The map's keys are KuvInIntHolder domain ids, its values expressions of
  // one kind; out is cleared and filled. On failure out holds what was
  // written so far.
  static HRESULT Write(const KuvInMap& expressionsByDomain, const KuvBinaryExprData& data, KuvBioBufferOut& out,
                       unsigned int version);
  // Reads the binary the data points to (setBinary) into a new map (null on
  // entry). KuvBinaryEENodeParser::sc_readIncomplete when a leaf lacked an
  // object; with fake dependencies the data receives placeholders.
  static HRESULT Read(KuvBinaryExprData& data, KuvInMap*& expressionsByDomain);
  // From the header only; S_FALSE for an empty buffer. The cursor does not
  // move.
  static HRESULT GetBinExprVersion(KuvBioBuffer& in, unsigned int& version, unsigned int& decoupledFlag);
  // The domain ids of the table (KuvInIntHolder), in table order; S_FALSE
  // for an empty buffer. The cursor does not move.
  static HRESULT GetValuatedDomains(KuvBioBuffer& in, KuvInListVal& domains);
};
