#include "KuvBioDnfReader.h"

#include <algorithm>
#include <memory>

#include "KuvBioBasic.h"
#include "KuvBioDnfLeaves.h"
#include "KuvBioFlags.h"
#include "KuvEVCClassification.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvBioDnfSpecCond, KuvInObject)
KUV_DEFINE_TYPE(KuvBioDnfReader, KuvInObject)

namespace {

using C = KuvBioConstants;

constexpr const char* sc_readFailed = "ERROR : KuvBioBuffer::Read FAILED.";
constexpr const char* sc_badHeader = "ERROR: Invalid Dnf header";
// The fewest bytes a leaf (kind, one-byte index, negated) and a term (its
// leaf count) take: what a count read off the wire may reserve for.
constexpr std::uint32_t sc_minLeafSize = 3;
constexpr std::uint32_t sc_minTermSize = 4;

template <class Codec, class Leaf>
HRESULT readWith(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfLeaf*& leaf) {
  Leaf* read = nullptr;
  if (FAILED(Codec::read(in, ids, read))) return E_FAIL;
  leaf = read;
  return S_OK;
}

// What a count may reserve: no more than the remaining bytes can hold.
std::int32_t capacityFor(std::uint32_t count, const KuvBioBuffer& in, std::uint32_t minSize) {
  return static_cast<std::int32_t>(std::min(count, in.getRemaining() / minSize));
}

}  // namespace

HRESULT KuvBioDnfSpecCond::read(KuvBioBuffer& in, E_DnfSpecCond& cond) {
  std::uint8_t byte = 0;
  if (FAILED(in.getUINT8(byte))) KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
  if (byte > DNF_COND_FALSE) KUV_RETURN_ERROR(E_FAIL, "ERROR, DNF is of unknown Type");
  in.increment(1);
  cond = static_cast<E_DnfSpecCond>(byte);
  return S_OK;
}

HRESULT KuvBioDnfReader::read_0to8(const std::uint8_t* bytes, unsigned int& length) {
  if (bytes == nullptr || bytes[0] != 'd' || bytes[1] != 'n' || bytes[2] != 'f' || bytes[3] != 1)
    KUV_RETURN_ERROR(E_FAIL, sc_badHeader);
  length = KuvBioBasic::getUINT32(bytes + 4);
  return S_OK;
}

HRESULT KuvBioDnfReader::read_0to8(const std::uint8_t* bytes, std::uint32_t size, unsigned int& length) {
  unsigned int promised = 0;
  if (bytes == nullptr || size < sc_headerSize) KUV_RETURN_ERROR(E_FAIL, sc_badHeader);
  if (FAILED(read_0to8(bytes, promised))) return E_FAIL;
  if (promised > size - sc_headerSize) KUV_RETURN_ERROR(E_FAIL, sc_badHeader);
  length = promised;
  return S_OK;
}

KuvDnf* KuvBioDnfReader::read_8toEND(const std::uint8_t* body, unsigned int length, E_Type type) {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&]() -> KuvDnf* {
        KuvBioBuffer in(body, length, 0);
        KuvBioTypedIdsReader ids;
        KuvDnf* read = nullptr;
        if (FAILED(KuvBioDnfReader::read(in, ids, read, type))) return nullptr;
        std::unique_ptr<KuvDnf> dnf(read);
        if (in.getRemaining() != 0) {
          KUV_TRACE_ERROR(sc_badHeader);
          return nullptr;
        }
        return dnf.release();
      },
      []() -> KuvDnf* { return nullptr; });
}

KuvDnf* KuvBioDnfReader::read_0toEND(const std::uint8_t* bytes, E_Type type) {
  unsigned int length = 0;
  if (FAILED(read_0to8(bytes, length))) return nullptr;
  return read_8toEND(bytes + sc_headerSize, length, type);
}

KuvDnf* KuvBioDnfReader::read_0toEND(const std::uint8_t* bytes, std::uint32_t size, E_Type type) {
  unsigned int length = 0;
  if (FAILED(read_0to8(bytes, size, length))) return nullptr;
  return read_8toEND(bytes + sc_headerSize, length, type);
}

HRESULT KuvBioDnfReader::read(KuvBioBuffer& in, KuvBioTypedIdsReader& ids, KuvDnf*& dnf, E_Type type) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    E_DnfSpecCond cond = DNF_COND_NONE;
    if (FAILED(readAllButAndTerms(in, cond, ids))) return E_FAIL;
    if (cond != DNF_COND_NONE) {
      dnf = new KuvDnf(cond);
      return S_OK;
    }
    return readAllAndTerms(in, ids, type, dnf);
  });
}

HRESULT KuvBioDnfReader::readAllButAndTerms(KuvBioBuffer& in, E_DnfSpecCond& cond, KuvBioTypedIdsReader& ids) {
  if (FAILED(KuvBioDnfSpecCond::read(in, cond))) return E_FAIL;
  if (cond != DNF_COND_NONE) return S_OK;
  C::E_IndexSize width = C::E_IndexSize4;
  C::E_IndexSize second = C::E_IndexSize4;
  if (FAILED(KuvBioFlags::read(in, width, second)) || FAILED(ids.readTypedGuids(in)))
    KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
  ids.setIndexSize(width);
  return S_OK;
}

HRESULT KuvBioDnfReader::readAllAndTerms(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, E_Type type,
                                         KuvDnf*& dnf) {
  std::uint32_t count = 0;
  if (FAILED(in.readUINT32(count))) KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
  auto read = std::make_unique<KuvDnf>(capacityFor(count, in, sc_minTermSize), DNF_COND_NONE);
  for (std::uint32_t i = 0; i < count; ++i) {
    KuvDnfAndTerm* term = nullptr;
    if (FAILED(readAndTerm(in, ids, type, term))) return E_FAIL;
    std::unique_ptr<KuvDnfAndTerm> owned(term);
    read->addAndTerm(term);
    owned.release();
  }
  dnf = read.release();
  return S_OK;
}

HRESULT KuvBioDnfReader::readAndTerm(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, E_Type type,
                                     KuvDnfAndTerm*& term) {
  std::uint32_t count = 0;
  if (FAILED(in.readUINT32(count))) KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
  std::unique_ptr<KuvDnfAndTerm> read(KuvDnfAndTermFactory::create(type, capacityFor(count, in, sc_minLeafSize)));
  for (std::uint32_t i = 0; i < count; ++i) {
    KuvDnfLeaf* leaf = nullptr;
    if (FAILED(readDnfLeaf(in, ids, leaf))) KUV_RETURN_ERROR(E_FAIL, "ERROR: readDnfLeaf NULL pointer");
    std::unique_ptr<KuvDnfLeaf> owned(leaf);
    if (FAILED(read->addDnfLeaf(*leaf))) KUV_RETURN_ERROR(E_FAIL, "ERROR: addDnfLeaf FAILED.");
    owned.release();
  }
  term = read.release();
  return S_OK;
}

HRESULT KuvBioDnfReader::readDnfLeaf(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfLeaf*& leaf) {
  std::uint8_t kind = 0;
  if (FAILED(in.getUINT8(kind))) KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
  switch (kind) {
    case 1:
    case 12:
    case 13:
    case 14:
      return readWith<KuvBioSerialEff, KuvDnfSerialEff>(in, ids, leaf);
    case 2:
      return readWith<KuvBioDateEff, KuvDnfDateEff>(in, ids, leaf);
    case 3:
      return readWith<KuvBioSelectionEff, KuvDnfSelectionEff>(in, ids, leaf);
    case 4:
      return readWith<KuvBioOptionEff, KuvDnfOptionEff>(in, ids, leaf);
    case 5:
      return readWith<KuvBioEff, KuvDnfEff>(in, ids, leaf);
    case 6:
    case 15:
    case 16:
    case 17:
      return readWith<KuvBioSerialRestrictionEff, KuvDnfSerialRestrictionEff>(in, ids, leaf);
    case 7:
      return readWith<KuvBioDateRestrictionEff, KuvDnfDateRestrictionEff>(in, ids, leaf);
    case 8:
      return readWith<KuvBioSelectionRestrictionEff, KuvDnfSelectionRestrictionEff>(in, ids, leaf);
    case 9:
      return readWith<KuvBioCategoryOptionRestrictionEff, KuvDnfCategoryOptionRestrictionEff>(in, ids, leaf);
    case 10:
      return readWith<KuvBioCategoryRestrictionEff, KuvDnfCategoryRestrictionEff>(in, ids, leaf);
    case 11:
      return readWith<KuvBioEffRestrictionEff, KuvDnfEffRestrictionEff>(in, ids, leaf);
    case 18:
    case 19:
    case 20:
      return readWith<KuvBioTreeSeriesEff, KuvDnfTreeSeriesEff>(in, ids, leaf);
    case 21:
    case 22:
    case 23:
      return readWith<KuvBioTreeSeriesRestrictionEff, KuvDnfTreeSeriesRestrictionEff>(in, ids, leaf);
    case 24:
      return readWith<KuvBioMilestonesEff, KuvDnfMilestonesEff>(in, ids, leaf);
    case 25:
      return readWith<KuvBioMilestonesRestrictionEff, KuvDnfMilestonesRestrictionEff>(in, ids, leaf);
    default:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: incorrect dnfEffType");
  }
}

HRESULT KuvBioDnfReader::analyzeEVCContent(const std::uint8_t* bytes, KuvEVCClassification& out) {
  unsigned int length = 0;
  if (FAILED(read_0to8(bytes, length)) || length > UINT32_MAX - sc_headerSize)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: read_0to8 FAILED.");
  return analyzeEVCContent(bytes, sc_headerSize + length, out);
}

HRESULT KuvBioDnfReader::analyzeEVCContent(const std::uint8_t* bytes, std::uint32_t size,
                                           KuvEVCClassification& out) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    unsigned int length = 0;
    if (FAILED(read_0to8(bytes, size, length))) KUV_RETURN_ERROR(E_FAIL, "ERROR: read_0to8 FAILED.");
    if (length == 1) return S_OK;
    // The special condition and the two width bytes are not needed here.
    KuvBioBuffer in(bytes + sc_headerSize, length, 0);
    std::uint32_t count = 0;
    if (!in.isReadValid(3)) KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
    in.increment(3);
    if (FAILED(in.getUINT32(count))) KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
    if (count == 0) KUV_RETURN_ERROR(E_FAIL, "UNEXPECTED: 0 variables found in DNF.");
    KuvBioTypedIdsReader ids;
    if (FAILED(ids.readTypedGuids(in))) KUV_RETURN_ERROR(E_FAIL, sc_readFailed);
    KuvEVCClassification found(out);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint8_t type = 0;
      const std::uint8_t* guid = nullptr;
      ids.getTypedGuidAtIndex(i, type, guid);
      switch (type) {
        case C::E_Option:
        case C::E_Category:
        case C::E_SelectionVar:
        case C::E_SelectionValue:
          found.setVariant(1);
          break;
        case C::E_SerialVar:
        case C::E_DateVar:
        case C::E_TreeSeriesVar:
        case C::E_MilestonesVar:
          found.setEvolution(1);
          break;
        case C::E_Effectivity:
          found.setChange(1);
          break;
        default:
          KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of var.");
      }
    }
    out = found;
    return S_OK;
  });
}
