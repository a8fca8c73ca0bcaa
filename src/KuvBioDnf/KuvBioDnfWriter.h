// Writes a KuvDnf in the binary disjunctive normal form (layout in
// KuvBioDnfReader.h). write does it all: it registers every typed GUID the
// terms name (prepareToWrite: in term order, each term's leaves in order,
// so the first use of a GUID decides its index), writes the header, the
// table and the terms, and patches the length.
//
// Compiled filter binaries keep one table for several DNFs: they register
// each DNF with prepareToWrite into their own KuvBioTypedIdsWriter, write
// that table, then each DNF's terms with writeAllAndTerms.
//
// Failures are E_FAIL, traced; out then holds what was written so far.
#pragma once

#include <cstdint>

#include "KuvBioBufferOut.h"
#include "KuvBioTypedIdsWriter.h"
#include "KuvDnf.h"
#include "KuvDnfRestrictionEff.h"

class KUV_API KuvBioDnfWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBioDnfWriter)

public:
  KuvBioDnfWriter() = delete;

  // Clears out first.
  static HRESULT write(const KuvDnf& dnf, KuvBioBufferOut& out);

  static HRESULT prepareToWrite(const KuvDnf& dnf, KuvBioTypedIdsWriter& ids);
  // T, then each term.
  static HRESULT writeAllAndTerms(const KuvDnf& dnf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids);
  static HRESULT writeAndTerm(const KuvDnfAndTerm& term, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids);
  static HRESULT writeDnfLeaf(const KuvDnfLeaf& leaf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids);
  // Option, selection, date, serial, milestones and tree series leaves.
  static HRESULT writeDnfVarEff(const KuvDnfVarEff& leaf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids);
  static HRESULT writeDnfRestrictionEff(const KuvDnfRestrictionEff& leaf, KuvBioBufferOut& out,
                                        const KuvBioTypedIdsWriter& ids);
  static HRESULT writeDnfEff(const KuvDnfEff& leaf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids);

  // The table kind of the leaf's variable or effectivity: serial 3, tree
  // series 9, milestones 10, date 4, selection 5, option 1, plain
  // effectivity 7; E_UnknownVarType for restrictions.
  static std::uint32_t getBioVarType(const KuvDnfLeaf& leaf);
};
