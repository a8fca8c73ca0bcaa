// KuvCompiledBinaryParser: reads and writes the compiled binaries that
// filtering works on: a filter, an effectivity, an applicability or a
// composition matrix (KuvFltFilter, KuvFltEffectivity, KuvFltApplicability,
// KuvFltCompositionMatrix), each a per-domain list of normal forms keyed by
// dictionary. Every dictionary and criterion is named through a typed-GUID
// table, so a binary decodes without any dictionary or dependency list.
//
// All integers are big-endian. The header:
//
//   offset  width  content
//   0       3      "flt"
//   3       1      version: 3 (filters, applicabilities, composition
//                  matrices) or 4 (effectivities)
//   4       1      version 4 only: minor version, written 4
//   5       4      version 4 only: stamp, written 0
//   +0      1      kind: 0 filter, 1 effectivity, 2 applicability,
//                  3 composition matrix
//
// Filter body:
//
//   width  content
//   1      view: 1 source, 3 current, 2 projected, 0 all views
//   1      selection mode + 2 (2..6)
//   1      number D of domains
//   3D     per domain: its id (1 byte), 2 bytes written 0
//   ...    per domain, in the same order, a domain block
//
// Effectivity body: D and the 3D bytes of domains as for a filter (no view
// or mode byte), then the domain blocks. Applicability body: D = 1, domain
// 2, then one domain block with one view 0 holding the criteria.
//
// Domain block:
//
//   width       content
//   4 + 17N     the typed-GUID table of the block (KuvBioTypedIdsReader.h):
//               per entry, its dictionary (kind 8), then every GUID its
//               form names, in entry order; an index takes
//               getIndexSizeFromNbIndices(N) bytes
//   1           number V of views (a filter has exactly one)
//   per view:
//     1         view: 0 for a filter, the view number (0..3) otherwise
//     1 or 2    number E of entries: 1 byte for a filter and in version 3
//               (1 to 254 when written), 2 bytes for an effectivity of
//               version 4
//     per entry: the index of the dictionary, and 2 bytes: the number,
//               from 1, of its form
//   per form, in number order: 1 TRUE, 2 FALSE, or 0 then the and-terms
//               of the binary normal form (T, then each term; see
//               KuvBioDnfReader.h) over the block's table
//
// A filter numbers its forms by identity: dictionaries that share a form
// share its number and the form is written once. The other kinds write
// one form per entry, numbered across the block's views in order. The
// reader reads as many forms as the highest number met; in an
// effectivity or applicability, a number met twice gives each holder its
// own copy.
//
// Composition matrix body:
//
//   width    content
//   1        written 2 (the two parts)
//   4 + 17N  the typed-GUID table: per criterion of the IF part then of
//            the THEN part, its dictionary (kind 8) and its form's GUIDs
//   per part (IF, then THEN): 1 byte, the number of criteria, then per
//            criterion the index of its dictionary and its form in place
//            (1 TRUE, 2 FALSE, or 0 and the and-terms)
//
// Failures are E_FAIL and traced unless stated; a count too large for its
// field is 0x8009011A. Read leaves the cursor where it was on failure and
// after the binary on success.
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvDiversityDomain.h"

class KuvInListVal;

class KUV_API KuvCompiledBinaryParser : public KuvInObject {
  KUV_DECLARE_TYPE(KuvCompiledBinaryParser)

public:
  enum E_Kind : std::uint8_t { Filter = 0, Effectivity = 1, Applicability = 2, CompositionMatrix = 3 };

  KuvCompiledBinaryParser() = delete;

  // Appends the binary of a filter, effectivity, applicability or
  // composition matrix to out; out is unchanged on failure ("ERROR:
  // currently unsupported." for another class).
  static HRESULT Write(const KuvInObject& object, KuvBioBufferOut& out);
  // A new object of the binary's kind, the caller's; object must be null on
  // entry (E_INVALIDARG) and stays null on failure.
  static HRESULT Read(KuvBioBuffer& in, KuvInObject*& object);
  // Appends the domain ids of the binary's domain table (KuvInIntHolder
  // copies), reading only the header and the table; none for a
  // composition matrix. S_FALSE, nothing appended, for an empty buffer.
  // The cursor does not move.
  static HRESULT GetValuatedDomains(KuvBioBuffer& in, KuvInListVal& domains);
  // 0 when the domain is in the table, 1 when it is not or the buffer is
  // empty; a failure code for a bad binary.
  static HRESULT IsDomainValuated(KuvBioBuffer& in, KuvDiversityDomain domain);
};
