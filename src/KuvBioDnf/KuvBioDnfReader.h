// Reads the binary disjunctive normal form: a KuvDnf stored with its own
// table of typed GUIDs, so that it needs no outside dependency list. The
// bytes are read in place: indices resolve to pointers into them and
// nothing is copied but the GUIDs the leaves keep. All integers are
// big-endian.
//
//   offset  width   content
//   0       3       "dnf"
//   3       1       version, 1
//   4       4       length L of everything after these 8 bytes
//   8       1       special condition: 0 the terms follow, 1 TRUE, 2 FALSE
//
// TRUE and FALSE end there (L = 1). A normal form goes on:
//
//   9       1       index width of the table (1, 2 or 4, from its size)
//   10      1       a second width byte, written 4
//   11      4+17N   the typed-GUID table (KuvBioTypedIdsReader.h)
//   then    4       number T of and-terms
//   per term 4      number of leaves, then the leaves
//
// Compiled filter binaries embed the part from T on (readAllAndTerms) with
// a table of their own.
//
// A leaf starts with its kind byte; idx(t) is an index, of the table's
// width, naming an entry of kind t (1 option, 2 category, 3 serial, 4 date,
// 5 selection, 6 selection value, 7 effectivity, 9 tree series,
// 10 milestones). "ends" is 2 when a range's lower end is included, plus 1
// for the upper; counts are 2 bytes.
//
//   kind        leaf                 then
//   5           plain effectivity    idx(7), negated
//   4           option               idx(1) option, idx(2) feature, negated,
//                                    value bits (1 selected, 2 rejected, 4 no value)
//   3           selection            idx(5), negated, no value, count, idx(6) each
//   2           date                 idx(4), 2 (with time) + negated, no value,
//                                    count, per range lower and upper date:
//                                    year (2), month, day[, hour, minute, second]
//   1,12,13,14  serial (the byte is  idx(3), negated, 3 no value / 2 not,
//               the external type)   count, per range: ends, lower (4), upper (4)
//   24          milestones           idx(10), 2 negated + 1 no value, count,
//                                    per range: ends, lower, derived, upper, derived
//   20 (18,19)  tree series          tree type (1), idx(9), 2 negated + 1 no value,
//                                    count, per range: ends, lower, upper
//
// A tree bound is a 2-byte number of levels (at least 1) and 4 bytes per
// level, the root first; "derived" is 1 when a milestone value stands for a
// date. A date stored without its time (bit 1 of its flag byte clear)
// reads as 00:00:00 for a lower date and the day's last second for an
// upper one; the infinities keep their sentinel times.
//
// Restrictions: kind, negated, [idx(2) category], count, one index per
// variable of the kind's type:
//
//   kind  restriction on          kind  restriction on
//   6     serial, UNDEFINED       7     dates
//   15    serial, State (12)      8     selections
//   16    serial, Unit (13)       9     options of a category (the category
//   17    serial, ManufPlan (14)        index follows the negated byte)
//   21    tree series, type 18    10    categories
//   22    tree series, type 19    11    effectivities
//   23    tree series, type 20    25    milestones
//
// So a serial restriction's kind is its external type + 3 (6 for
// UNDEFINED), a tree series restriction's its tree type + 3.
//
// Refused, E_FAIL and traced: a wrong header or length, kinds 0 and 26 and
// above, an index past the table or naming an entry of another kind, a
// flag byte out of its range, a range whose ends are out of order, and any
// count whose bytes are not there (checked before anything is sized by
// it), a body that does not end exactly after L bytes, and with the sized
// entry points an L larger than the bytes given.
//
// Ownership: every DNF, term and leaf read is new and the caller's; out
// pointers are null on entry and stay null on failure.
#pragma once

#include <cstdint>

#include "KuvBioBuffer.h"
#include "KuvBioTypedIdsReader.h"
#include "KuvDnf.h"

class KuvEVCClassification;

class KUV_API KuvBioDnfSpecCond : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioDnfSpecCond)

public:
  KuvBioDnfSpecCond() = delete;
  // One byte, 0 to 2; E_FAIL for a short buffer or a larger value.
  static HRESULT read(KuvBioBuffer& in, E_DnfSpecCond& cond);
};

class KUV_API KuvBioDnfReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioDnfReader)

public:
  using E_Type = KuvDnfAndTermFactory::E_Type;
  static constexpr std::uint32_t sc_headerSize = 8;

  KuvBioDnfReader() = delete;

  // From the special condition on (the caller has passed the header); every
  // term is of kind type.
  static HRESULT read(KuvBioBuffer& in, KuvBioTypedIdsReader& ids, KuvDnf*& dnf,
                      E_Type type = KuvDnfAndTermFactory::Map);

  // Checks the 8-byte header and gives L. The form without a size trusts
  // that the 8 bytes are there.
  static HRESULT read_0to8(const std::uint8_t* bytes, unsigned int& length);
  static HRESULT read_0to8(const std::uint8_t* bytes, std::uint32_t size, unsigned int& length);
  // The L bytes after the header as a new DNF; null on failure.
  static KuvDnf* read_8toEND(const std::uint8_t* body, unsigned int length, E_Type type);
  // Both; the form without a size trusts that 8 + L bytes are there.
  static KuvDnf* read_0toEND(const std::uint8_t* bytes, E_Type type);
  static KuvDnf* read_0toEND(const std::uint8_t* bytes, std::uint32_t size, E_Type type);

  // T and the terms, against a table read before (the DNF's own or the
  // enclosing binary's): a new DNF of special condition 0.
  static HRESULT readAllAndTerms(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, E_Type type, KuvDnf*& dnf);
  static HRESULT readAndTerm(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, E_Type type, KuvDnfAndTerm*& term);
  // Dispatches on the kind byte, which the leaf's codec reads again.
  static HRESULT readDnfLeaf(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfLeaf*& leaf);
  // The special condition and, for a normal form, the width bytes and the
  // table (ids then resolves the terms).
  static HRESULT readAllButAndTerms(KuvBioBuffer& in, E_DnfSpecCond& cond, KuvBioTypedIdsReader& ids);

  // Sets the variant, evolution and change flags of out from the kinds in
  // the table, without reading the terms; TRUE and FALSE leave out as it
  // is. The form without a size trusts the header as read_0toEND does.
  static HRESULT analyzeEVCContent(const std::uint8_t* bytes, KuvEVCClassification& out);
  static HRESULT analyzeEVCContent(const std::uint8_t* bytes, std::uint32_t size, KuvEVCClassification& out);
};
