#include "KuvBioDnfWriter.h"

#include "KuvBioBasic.h"
#include "KuvBioDnfLeafTypes.h"
#include "KuvBioDnfLeaves.h"
#include "KuvBioDnfReader.h"
#include "KuvBioFlags.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvBioDnfWriter, KuvInObject)

namespace {

using C = KuvBioConstants;

constexpr std::uint8_t sc_version = 1;

HRESULT registerLeaf(const KuvDnfLeaf& leaf, KuvBioTypedIdsWriter& ids) {
  const auto type = static_cast<C::E_VarType>(KuvBioDnfWriter::getBioVarType(leaf));
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Option:
      ids.registerTypedGuid(type, leaf.getGuid());
      ids.registerTypedGuid(C::E_Category, static_cast<const KuvDnfOptionEff&>(leaf).getFeature());
      return S_OK;
    case KuvDnfLeaf::Kind::Selection:
      ids.registerTypedGuid(type, leaf.getGuid());
      for (const KuvInGuid* value : kuv::detail::sortedGuids(static_cast<const KuvDnfSelectionEff&>(leaf).getValues()))
        ids.registerTypedGuid(C::E_SelectionValue, *value);
      return S_OK;
    case KuvDnfLeaf::Kind::Restriction: {
      const auto& restriction = static_cast<const KuvDnfRestrictionEff&>(leaf);
      const C::E_VarType restricted = kuv::detail::restrictedVarType(restriction);
      if (restricted == C::E_UnknownVarType) break;
      if (const auto* options = KuvDnfCategoryOptionRestrictionEff::cast(restriction))
        ids.registerTypedGuid(C::E_Category, options->getCategory());
      for (const KuvInGuid* variable : kuv::detail::sortedGuids(restriction.getVariables()))
        ids.registerTypedGuid(restricted, *variable);
      return S_OK;
    }
    default:
      if (type == C::E_UnknownVarType) break;
      ids.registerTypedGuid(type, leaf.getGuid());
      return S_OK;
  }
  KUV_RETURN_ERROR_ON(KuvBioDnfWriter::traceChannel(), E_FAIL, "ERROR: Incorrect/Unsupported case");
}

}  // namespace

std::uint32_t KuvBioDnfWriter::getBioVarType(const KuvDnfLeaf& leaf) {
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Serial:
      return C::E_SerialVar;
    case KuvDnfLeaf::Kind::TreeSeries:
      return C::E_TreeSeriesVar;
    case KuvDnfLeaf::Kind::Milestones:
      return C::E_MilestonesVar;
    case KuvDnfLeaf::Kind::Date:
      return C::E_DateVar;
    case KuvDnfLeaf::Kind::Selection:
      return C::E_SelectionVar;
    case KuvDnfLeaf::Kind::Option:
      return C::E_Option;
    case KuvDnfLeaf::Kind::Eff:
      return C::E_Effectivity;
    default:
      return C::E_UnknownVarType;
  }
}

HRESULT KuvBioDnfWriter::prepareToWrite(const KuvDnf& dnf, KuvBioTypedIdsWriter& ids) {
  for (const KuvDnfAndTerm* term : dnf.andTerms())
    for (const KuvDnfLeaf* leaf : term->leaves())
      if (FAILED(registerLeaf(*leaf, ids))) return E_FAIL;
  return S_OK;
}

HRESULT KuvBioDnfWriter::write(const KuvDnf& dnf, KuvBioBufferOut& out) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    out.Clear();
    for (std::uint8_t b : {std::uint8_t{'d'}, std::uint8_t{'n'}, std::uint8_t{'f'}, sc_version})
      out.PutBack(b);
    out.writeUINT32(0);
    const E_DnfSpecCond cond = dnf.getSpecialCondition();
    if (cond != DNF_COND_NONE && cond != DNF_COND_TRUE && cond != DNF_COND_FALSE)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported/unexpected case");
    out.PutBack(static_cast<std::uint8_t>(cond));
    if (cond == DNF_COND_NONE) {
      KuvBioTypedIdsWriter ids;
      if (FAILED(prepareToWrite(dnf, ids))) KUV_RETURN_ERROR(E_FAIL, "ERROR: write failed");
      KuvBioFlags::write(out, ids.getIndexSize(), C::E_IndexSize4);
      ids.writeTypedUids(out);
      if (FAILED(writeAllAndTerms(dnf, out, ids))) KUV_RETURN_ERROR(E_FAIL, "ERROR: write failed");
    }
    out.overwriteUINT32(4, out.GetLength() - KuvBioDnfReader::sc_headerSize);
    return S_OK;
  });
}

HRESULT KuvBioDnfWriter::writeAllAndTerms(const KuvDnf& dnf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids) {
  out.writeUINT32(static_cast<std::uint32_t>(dnf.getNbAndTerms()));
  for (const KuvDnfAndTerm* term : dnf.andTerms())
    if (FAILED(writeAndTerm(*term, out, ids))) KUV_RETURN_ERROR(E_FAIL, "ERROR: writeAndTerm failed");
  return S_OK;
}

HRESULT KuvBioDnfWriter::writeAndTerm(const KuvDnfAndTerm& term, KuvBioBufferOut& out,
                                      const KuvBioTypedIdsWriter& ids) {
  out.writeUINT32(static_cast<std::uint32_t>(term.getNbDnfLeaves()));
  for (const KuvDnfLeaf* leaf : term.leaves())
    if (FAILED(writeDnfLeaf(*leaf, out, ids))) KUV_RETURN_ERROR(E_FAIL, "ERROR: writeDnfLeaf failed");
  return S_OK;
}

HRESULT KuvBioDnfWriter::writeDnfLeaf(const KuvDnfLeaf& leaf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids) {
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Eff:
      if (FAILED(writeDnfEff(static_cast<const KuvDnfEff&>(leaf), out, ids)))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: writeDnfEff failed");
      return S_OK;
    case KuvDnfLeaf::Kind::Restriction:
      if (FAILED(writeDnfRestrictionEff(static_cast<const KuvDnfRestrictionEff&>(leaf), out, ids)))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: writeDnfRestrictionEff failed");
      return S_OK;
    default:
      if (FAILED(writeDnfVarEff(static_cast<const KuvDnfVarEff&>(leaf), out, ids)))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: writeDnfVarEff failed");
      return S_OK;
  }
}

HRESULT KuvBioDnfWriter::writeDnfVarEff(const KuvDnfVarEff& leaf, KuvBioBufferOut& out,
                                        const KuvBioTypedIdsWriter& ids) {
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Option:
      return KuvBioOptionEff::write(out, static_cast<const KuvDnfOptionEff&>(leaf), ids);
    case KuvDnfLeaf::Kind::Selection:
      return KuvBioSelectionEff::write(out, static_cast<const KuvDnfSelectionEff&>(leaf), ids);
    case KuvDnfLeaf::Kind::Date:
      return KuvBioDateEff::write(out, static_cast<const KuvDnfDateEff&>(leaf), ids);
    case KuvDnfLeaf::Kind::Serial:
      return KuvBioSerialEff::write(out, static_cast<const KuvDnfSerialEff&>(leaf), ids);
    case KuvDnfLeaf::Kind::Milestones:
      return KuvBioMilestonesEff::write(out, static_cast<const KuvDnfMilestonesEff&>(leaf), ids);
    case KuvDnfLeaf::Kind::TreeSeries:
      return KuvBioTreeSeriesEff::write(out, static_cast<const KuvDnfTreeSeriesEff&>(leaf), ids);
    default:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported/unexpected case");
  }
}

HRESULT KuvBioDnfWriter::writeDnfRestrictionEff(const KuvDnfRestrictionEff& leaf, KuvBioBufferOut& out,
                                                const KuvBioTypedIdsWriter& ids) {
  if (const auto* r = KuvDnfCategoryOptionRestrictionEff::cast(leaf))
    return KuvBioCategoryOptionRestrictionEff::write(out, *r, ids);
  if (const auto* r = KuvDnfSerialRestrictionEff::cast(leaf)) return KuvBioSerialRestrictionEff::write(out, *r, ids);
  if (const auto* r = KuvDnfTreeSeriesRestrictionEff::cast(leaf))
    return KuvBioTreeSeriesRestrictionEff::write(out, *r, ids);
  if (const auto* r = KuvDnfMilestonesRestrictionEff::cast(leaf))
    return KuvBioMilestonesRestrictionEff::write(out, *r, ids);
  if (const auto* r = KuvDnfDateRestrictionEff::cast(leaf)) return KuvBioDateRestrictionEff::write(out, *r, ids);
  if (const auto* r = KuvDnfSelectionRestrictionEff::cast(leaf))
    return KuvBioSelectionRestrictionEff::write(out, *r, ids);
  if (const auto* r = KuvDnfCategoryRestrictionEff::cast(leaf))
    return KuvBioCategoryRestrictionEff::write(out, *r, ids);
  if (const auto* r = KuvDnfEffRestrictionEff::cast(leaf)) return KuvBioEffRestrictionEff::write(out, *r, ids);
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported/unexpected case");
}

HRESULT KuvBioDnfWriter::writeDnfEff(const KuvDnfEff& leaf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids) {
  return KuvBioEff::write(out, leaf, ids);
}
