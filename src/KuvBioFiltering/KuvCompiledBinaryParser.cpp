#include "KuvCompiledBinaryParser.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "KuvBioBasic.h"
#include "KuvBioDnfReader.h"
#include "KuvBioDnfWriter.h"
#include "KuvBioTypedIdsReader.h"
#include "KuvBioTypedIdsWriter.h"
#include "KuvFltApplicability.h"
#include "KuvFltCompositionMatrix.h"
#include "KuvFltEffectivity.h"
#include "KuvFltFilter.h"
#include "KuvInIntHolder.h"
#include "KuvInListVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvCompiledBinaryParser, KuvInObject)

namespace {

using kuv::detail::FltDnfMap;
using Parser = KuvCompiledBinaryParser;

KuvInTraceClass& traceChannel() { return KuvCompiledBinaryParser::traceChannel(); }

constexpr std::uint8_t sc_magic[3] = {0x66, 0x6C, 0x74};
constexpr std::uint8_t sc_version3 = 3;
constexpr std::uint8_t sc_version4 = 4;
constexpr std::uint8_t sc_minorVersion = 4;
constexpr std::uint8_t sc_formTerms = 0;
constexpr std::uint8_t sc_formTrue = 1;
constexpr std::uint8_t sc_formFalse = 2;
constexpr std::uint8_t sc_matrixParts = 2;
constexpr int sc_maxSelectionMode = 4;

// How a view's entry count is stored.
enum class CountField { OneByte, OneByteFrom1To254, TwoBytes };

// Filter view numbers on the wire: source 1, current 3, projected 2, all 0.
constexpr std::uint8_t sc_viewBytes[4] = {1, 3, 2, 0};

// ---------------------------------------------------------------- writing

HRESULT writeHeader(KuvBioBufferOut& out, std::uint8_t version, Parser::E_Kind kind) {
  for (std::uint8_t letter : sc_magic) out.PutBack(letter);
  out.PutBack(version);
  if (version == sc_version4) {
    out.PutBack(sc_minorVersion);
    out.writeUINT32(0);
  }
  out.PutBack(static_cast<std::uint8_t>(kind));
  return S_OK;
}

HRESULT registerForms(const FltDnfMap& dnfs, KuvBioTypedIdsWriter& ids) {
  for (const auto& e : dnfs.entries()) {
    if (e.dnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : DNF is null, something went very bad !!!");
    HRESULT hr = ids.registerTypedGuid(KuvBioConstants::E_Dictionary, e.dictionary);
    if (SUCCEEDED(hr) && e.dnf->getSpecialCondition() == DNF_COND_NONE)
      hr = KuvBioDnfWriter::prepareToWrite(*e.dnf, ids);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : RegisterUUIDs FAILED");
  }
  return S_OK;
}

HRESULT writeForm(const KuvDnf& dnf, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids) {
  switch (dnf.getSpecialCondition()) {
    case DNF_COND_TRUE: out.PutBack(sc_formTrue); return S_OK;
    case DNF_COND_FALSE: out.PutBack(sc_formFalse); return S_OK;
    case DNF_COND_NONE: {
      out.PutBack(sc_formTerms);
      const HRESULT hr = KuvBioDnfWriter::writeAllAndTerms(dnf, out, ids);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : writeAllAndTerms FAILED");
      return S_OK;
    }
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR, DNF is of unknown Type");
}

HRESULT writeCount(KuvBioBufferOut& out, std::size_t n, CountField field) {
  if (field == CountField::TwoBytes) {
    if (n > 0xFFFF) KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR : too many entries: ", n);
    out.writeUINT16(static_cast<std::uint32_t>(n));
    return S_OK;
  }
  if (field == CountField::OneByteFrom1To254 && (n < 1 || n > 254))
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge,
                     "ERROR : invalid number of model criteria, unexpected. We expect a number between 1 and 254, "
                     "trying to write ",
                     n);
  if (n > 0xFF) KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR : too many entries: ", n);
  out.PutBack(static_cast<std::uint8_t>(n));
  return S_OK;
}

struct BlockView {
  std::uint8_t view;
  const FltDnfMap* dnfs;
};

HRESULT writeDomainBlock(const std::vector<BlockView>& views, bool numberByIdentity, CountField field,
                         KuvBioBufferOut& out) {
  KuvBioTypedIdsWriter ids;
  for (const BlockView& view : views) {
    const HRESULT hr = registerForms(*view.dnfs, ids);
    if (FAILED(hr)) return hr;
  }
  ids.writeTypedUids(out);
  if (views.size() > 0xFF) KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR : too many views");
  out.PutBack(static_cast<std::uint8_t>(views.size()));
  std::vector<const KuvDnf*> numbered;
  for (const BlockView& view : views) {
    out.PutBack(view.view);
    HRESULT hr = writeCount(out, view.dnfs->entries().size(), field);
    if (FAILED(hr)) return hr;
    for (const auto& e : view.dnfs->entries()) {
      std::size_t number = 0;
      while (numberByIdentity && number < numbered.size() && numbered[number] != e.dnf) ++number;
      if (number == numbered.size() || !numberByIdentity) {
        numbered.push_back(e.dnf);
        number = numbered.size() - 1;
      }
      hr = ids.writeIndex(out, e.dictionary, KuvBioConstants::E_Dictionary);
      if (SUCCEEDED(hr)) hr = out.writeUINT16WithCheck(static_cast<std::uint32_t>(number + 1));
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : writing the entry of a dictionary FAILED");
    }
  }
  for (const KuvDnf* dnf : numbered) {
    const HRESULT hr = writeForm(*dnf, out, ids);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void writeDomainTable(KuvBioBufferOut& out, const std::vector<std::uint8_t>& domains) {
  out.PutBack(static_cast<std::uint8_t>(domains.size()));
  for (std::uint8_t domain : domains) {
    out.PutBack(domain);
    out.writeUINT16(0);
  }
}

HRESULT writeFilter(const KuvFltFilter& filter, KuvBioBufferOut& out) {
  const int view = filter.getView();
  const int mode = filter.getSelectionMode();
  if (view < 0 || view > CFG_EXPRVIEW_NONE || mode < 0 || mode > sc_maxSelectionMode)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  writeHeader(out, sc_version3, Parser::Filter);
  out.PutBack(sc_viewBytes[view]);
  out.PutBack(static_cast<std::uint8_t>(mode + 2));
  std::vector<std::uint8_t> domains;
  for (int d = 1; d <= KuvFltFilter::sc_maxDomain; ++d)
    if (filter.getFilterForDomain(d) != nullptr) domains.push_back(static_cast<std::uint8_t>(d));
  writeDomainTable(out, domains);
  for (std::uint8_t d : domains) {
    const HRESULT hr = writeDomainBlock({{0, &filter.getFilterForDomain(d)->dnfs()}}, true, CountField::OneByte, out);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT writeEffectivity(const KuvFltEffectivity& effectivity, KuvBioBufferOut& out) {
  writeHeader(out, sc_version4, Parser::Effectivity);
  std::vector<std::uint8_t> domains;
  for (int d = 1; d <= KuvFltEffectivity::sc_maxDomain; ++d)
    if (effectivity.getDomainEffectivity(d) != nullptr) domains.push_back(static_cast<std::uint8_t>(d));
  writeDomainTable(out, domains);
  for (std::uint8_t d : domains) {
    const KuvFltDomainEffectivity* domain = effectivity.getDomainEffectivity(d);
    std::vector<BlockView> views;
    for (int v = 0; v < KuvFltDomainEffectivity::sc_nbViews; ++v)
      if (const KuvFltEffectivityView* view = domain->getEffectivityView(v))
        views.push_back({static_cast<std::uint8_t>(v), &view->dnfs()});
    const HRESULT hr = writeDomainBlock(views, false, CountField::TwoBytes, out);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT writeApplicability(const KuvFltApplicability& applicability, KuvBioBufferOut& out) {
  writeHeader(out, sc_version3, Parser::Applicability);
  writeDomainTable(out, {KuvDiversityDomain_ConfigChange});
  return writeDomainBlock({{0, &applicability.criteria()}}, false, CountField::OneByteFrom1To254, out);
}

HRESULT writeCompositionMatrix(const KuvFltCompositionMatrix& matrix, KuvBioBufferOut& out) {
  writeHeader(out, sc_version3, Parser::CompositionMatrix);
  out.PutBack(sc_matrixParts);
  KuvBioTypedIdsWriter ids;
  for (const FltDnfMap* part : {&matrix.ifPart(), &matrix.thenPart()}) {
    const HRESULT hr = registerForms(*part, ids);
    if (FAILED(hr)) return hr;
  }
  ids.writeTypedUids(out);
  for (const FltDnfMap* part : {&matrix.ifPart(), &matrix.thenPart()}) {
    HRESULT hr = writeCount(out, part->entries().size(), CountField::OneByte);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: IF_GetAllCriteria FAILED.");
    for (const auto& e : part->entries()) {
      hr = ids.writeIndex(out, e.dictionary, KuvBioConstants::E_Dictionary);
      if (SUCCEEDED(hr)) hr = writeForm(*e.dnf, out, ids);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

// ---------------------------------------------------------------- reading

struct Header {
  std::uint8_t version = 0;
  std::uint8_t kind = 0;
};

HRESULT readHeader(KuvBioBuffer& in, Header& header) {
  for (std::uint8_t letter : sc_magic) {
    std::uint8_t b = 0;
    if (FAILED(in.readUINT8(b)) || b != letter) KUV_RETURN_ERROR(E_FAIL, "ERROR : Unexpected header");
  }
  if (FAILED(in.readUINT8(header.version)) || (header.version != sc_version3 && header.version != sc_version4))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : Unexpected format for binary");
  if (header.version == sc_version4) {
    std::uint8_t minor = 0;
    std::uint32_t stamp = 0;
    if (FAILED(in.readUINT8(minor))) KUV_RETURN_ERROR(E_FAIL, "ERROR : readUINT8 for minor version FAILED");
    if (FAILED(in.readUINT32(stamp))) KUV_RETURN_ERROR(E_FAIL, "ERROR : readUINT8 for stamp FAILED");
  }
  if (FAILED(in.readUINT8(header.kind))) KUV_RETURN_ERROR(E_FAIL, "ERROR : readUINT8 for kind FAILED");
  return S_OK;
}

HRESULT readDomainTable(KuvBioBuffer& in, std::vector<std::uint8_t>& domains) {
  std::uint8_t count = 0;
  if (FAILED(in.readUINT8(count)) || !in.isReadValid(std::uint64_t{count} * 3))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : truncated domain table");
  for (std::uint8_t i = 0; i < count; ++i) {
    const std::uint8_t domain = in.getCurrent()[0];
    in.increment(3);
    if (domain < 1 || domain > KuvFltEffectivity::sc_maxDomain) KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected domain ", int(domain));
    for (std::uint8_t seen : domains)
      if (seen == domain) KUV_RETURN_ERROR(E_FAIL, "ERROR : domain ", int(domain), " given twice");
    domains.push_back(domain);
  }
  return S_OK;
}

HRESULT readForm(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, std::unique_ptr<KuvDnf>& dnf) {
  std::uint8_t form = 0;
  if (FAILED(in.readUINT8(form))) KUV_RETURN_ERROR(E_FAIL, "ERROR : KuvBioBuffer::Read FAILED.");
  if (form == sc_formTrue || form == sc_formFalse) {
    dnf = std::make_unique<KuvDnf>(form == sc_formTrue ? DNF_COND_TRUE : DNF_COND_FALSE);
    return S_OK;
  }
  if (form != sc_formTerms) KUV_RETURN_ERROR(E_FAIL, "ERROR, DNF is of unknown Type");
  KuvDnf* read = nullptr;
  const HRESULT hr = KuvBioDnfReader::readAllAndTerms(in, ids, KuvDnfAndTermFactory::Map, read);
  dnf.reset(read);
  if (FAILED(hr) || !dnf) KUV_RETURN_ERROR(FAILED(hr) ? hr : E_FAIL, "ERROR : readAllAndTerms FAILED");
  return S_OK;
}

HRESULT readDictionary(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvInGuid& dictionary) {
  std::uint8_t type = 0;
  const std::uint8_t* bytes = nullptr;
  if (FAILED(ids.readIndexGetTypedGuid(in, type, bytes))) KUV_RETURN_ERROR(E_FAIL, "ERROR : bad dictionary index");
  if (type != KuvBioConstants::E_Dictionary) KUV_RETURN_ERROR(E_FAIL, "ERROR : Given context is not a dico !!! FAIL !!!");
  dictionary.setArray(bytes);
  return S_OK;
}

struct ReadEntry {
  KuvInGuid dictionary;
  std::uint16_t number;
};
struct ReadView {
  std::uint8_t view = 0;
  std::vector<ReadEntry> entries;
};

// A domain block's views and its forms. A form goes to its first holder as
// is; later holders get a copy, or, when shared (a filter), the same form.
class DomainBlock {
public:
  HRESULT read(KuvBioBuffer& in, CountField field, bool isFilter);
  // Hands an entry's form (null on a bad number) to one more holder
  // through adopt, which takes it when it succeeds: until then the form
  // stays the block's, so that a failing or out-of-memory holder loses
  // nothing.
  template <class Adopt>
  HRESULT give(std::uint16_t number, bool shared, Adopt adopt) {
    if (number == 0 || number > m_forms.size()) return adopt(nullptr);
    Form& form = m_forms[number - 1];
    std::unique_ptr<KuvDnf> copy;
    KuvDnf* given = form.owned ? form.owned.get()
                    : shared   ? form.given
                               : (copy = std::make_unique<KuvDnf>(*form.given)).get();
    const HRESULT hr = adopt(given);
    if (FAILED(hr)) return hr;
    if (form.owned) form.given = form.owned.release();
    copy.release();
    return hr;
  }
  std::vector<ReadView> views;

private:
  struct Form {
    std::unique_ptr<KuvDnf> owned;
    KuvDnf* given = nullptr;
  };
  std::vector<Form> m_forms;
};

HRESULT DomainBlock::read(KuvBioBuffer& in, CountField field, bool isFilter) {
  KuvBioTypedIdsReader ids;
  if (FAILED(ids.readTypedGuids(in))) KUV_RETURN_ERROR(E_FAIL, "ERROR : readTypedGuids FAILED");
  ids.setIndexSizeAccordingToTableSize();
  std::uint8_t nbViews = 0;
  if (FAILED(in.readUINT8(nbViews))) KUV_RETURN_ERROR(E_FAIL, "ERROR : KuvBioBuffer::Read FAILED.");
  if (isFilter && nbViews != 1) KUV_RETURN_ERROR(E_FAIL, "ERROR : one and only one view should be specified for a filter");
  std::uint16_t highest = 0;
  for (std::uint8_t v = 0; v < nbViews; ++v) {
    ReadView view;
    std::uint16_t count = 0;
    std::uint8_t shortCount = 0;
    HRESULT hr = in.readUINT8(view.view);
    if (SUCCEEDED(hr) && field == CountField::TwoBytes) hr = in.readUINT16(count);
    if (SUCCEEDED(hr) && field != CountField::TwoBytes) hr = in.readUINT8(shortCount);
    if (field != CountField::TwoBytes) count = shortCount;
    // Each entry takes an index and a number: at least three bytes.
    if (FAILED(hr) || !in.isReadValid(std::uint64_t{count} * 3)) KUV_RETURN_ERROR(E_FAIL, "ERROR : truncated view");
    view.entries.reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
      ReadEntry entry{KuvInGuid(), 0};
      hr = readDictionary(in, ids, entry.dictionary);
      if (SUCCEEDED(hr) && FAILED(in.readUINT16(entry.number))) hr = E_FAIL;
      if (FAILED(hr) || entry.number == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR : bad entry of a dictionary");
      highest = std::max(highest, entry.number);
      view.entries.push_back(entry);
    }
    views.push_back(std::move(view));
  }
  // Each form takes at least one byte.
  if (!in.isReadValid(highest)) KUV_RETURN_ERROR(E_FAIL, "ERROR : truncated forms");
  m_forms.resize(highest);
  for (Form& form : m_forms) {
    const HRESULT hr = readForm(in, ids, form.owned);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT readFilter(KuvBioBuffer& in, std::unique_ptr<KuvInObject>& object) {
  std::uint8_t viewByte = 0, modeByte = 0;
  if (FAILED(in.readUINT8(viewByte)) || FAILED(in.readUINT8(modeByte))) KUV_RETURN_ERROR(E_FAIL, "ERROR : truncated filter");
  int view = 0;
  while (view <= CFG_EXPRVIEW_NONE && sc_viewBytes[view] != viewByte) ++view;
  if (view > CFG_EXPRVIEW_NONE || modeByte < 2 || modeByte > sc_maxSelectionMode + 2)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  auto filter = std::make_unique<KuvFltFilter>(static_cast<KuvExpressionView>(view),
                                               static_cast<KuvFltFilter::SELECTION_MODE>(modeByte - 2));
  std::vector<std::uint8_t> domains;
  HRESULT hr = readDomainTable(in, domains);
  if (FAILED(hr)) return hr;
  for (std::uint8_t d : domains) {
    DomainBlock block;
    hr = block.read(in, CountField::OneByte, true);
    if (FAILED(hr)) return hr;
    auto domain = std::make_unique<KuvFltDomainFilter>(static_cast<KuvDiversityDomain>(d), filter->getView());
    for (const ReadEntry& e : block.views.front().entries) {
      if (domain->getDnf(e.dictionary) != nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : dictionary given twice");
      hr = block.give(e.number, true, [&](KuvDnf* dnf) { return domain->setDnf(e.dictionary, dnf); });
      if (FAILED(hr)) return hr;
    }
    filter->setFilterForDomain(domain.release());
  }
  object = std::move(filter);
  return S_OK;
}

HRESULT fillView(DomainBlock& block, const ReadView& read, KuvFltEffectivityView& view) {
  for (const ReadEntry& e : read.entries) {
    if (view.getDnf(e.dictionary) != nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : dictionary given twice");
    const HRESULT hr =
        block.give(e.number, false, [&](KuvDnf* dnf) { return view.setDnf(e.dictionary, dnf); });
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT readEffectivity(KuvBioBuffer& in, std::uint8_t version, std::unique_ptr<KuvInObject>& object) {
  auto effectivity = std::make_unique<KuvFltEffectivity>();
  std::vector<std::uint8_t> domains;
  HRESULT hr = readDomainTable(in, domains);
  if (FAILED(hr)) return hr;
  for (std::uint8_t d : domains) {
    DomainBlock block;
    hr = block.read(in, version == sc_version4 ? CountField::TwoBytes : CountField::OneByte, false);
    if (FAILED(hr)) return hr;
    auto domain = std::make_unique<KuvFltDomainEffectivity>(static_cast<KuvDiversityDomain>(d));
    for (const ReadView& read : block.views) {
      if (read.view >= KuvFltDomainEffectivity::sc_nbViews || domain->getEffectivityView(read.view) != nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected view ", int(read.view));
      auto view = std::make_unique<KuvFltEffectivityView>(static_cast<KuvExpressionView>(read.view));
      hr = fillView(block, read, *view);
      if (FAILED(hr)) return hr;
      domain->setEffectivityView(view.release());
    }
    effectivity->setDomainEffectivity(domain.release());
  }
  object = std::move(effectivity);
  return S_OK;
}

HRESULT readApplicability(KuvBioBuffer& in, std::uint8_t version, std::unique_ptr<KuvInObject>& object) {
  std::vector<std::uint8_t> domains;
  HRESULT hr = readDomainTable(in, domains);
  if (FAILED(hr)) return hr;
  if (domains.size() != 1) KUV_RETURN_ERROR(E_FAIL, "ERROR : an applicability has one domain");
  DomainBlock block;
  hr = block.read(in, version == sc_version4 ? CountField::TwoBytes : CountField::OneByte, false);
  if (FAILED(hr)) return hr;
  if (block.views.size() != 1) KUV_RETURN_ERROR(E_FAIL, "ERROR : an applicability has one view");
  auto applicability = std::make_unique<KuvFltApplicability>();
  for (const ReadEntry& e : block.views.front().entries) {
    if (applicability->getCriteria(e.dictionary) != nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : dictionary given twice");
    hr = block.give(e.number, false,
                    [&](KuvDnf* dnf) { return applicability->addCriteria(e.dictionary, dnf); });
    if (FAILED(hr)) return hr;
  }
  object = std::move(applicability);
  return S_OK;
}

HRESULT readCompositionMatrix(KuvBioBuffer& in, std::unique_ptr<KuvInObject>& object) {
  std::uint8_t parts = 0;
  if (FAILED(in.readUINT8(parts))) KUV_RETURN_ERROR(E_FAIL, "ERROR : truncated composition matrix");
  KuvBioTypedIdsReader ids;
  if (FAILED(ids.readTypedGuids(in))) KUV_RETURN_ERROR(E_FAIL, "ERROR : readTypedGuids FAILED");
  ids.setIndexSizeAccordingToTableSize();
  auto matrix = std::make_unique<KuvFltCompositionMatrix>();
  for (bool ifPart : {true, false}) {
    std::uint8_t count = 0;
    if (FAILED(in.readUINT8(count))) KUV_RETURN_ERROR(E_FAIL, "ERROR : truncated composition matrix");
    for (std::uint8_t i = 0; i < count; ++i) {
      KuvInGuid dictionary;
      std::unique_ptr<KuvDnf> dnf;
      HRESULT hr = readDictionary(in, ids, dictionary);
      if (SUCCEEDED(hr)) hr = readForm(in, ids, dnf);
      if (FAILED(hr)) return hr;
      const KuvDnf* before = ifPart ? matrix->IF_GetCriteria(dictionary) : matrix->THEN_GetCriteria(dictionary);
      if (before != nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : dictionary given twice");
      hr = ifPart ? matrix->IF_SetCriteria(dictionary, dnf.get()) : matrix->THEN_SetCriteria(dictionary, dnf.get());
      if (FAILED(hr)) return hr;
      dnf.release();
    }
  }
  object = std::move(matrix);
  return S_OK;
}

}  // namespace

HRESULT KuvCompiledBinaryParser::Write(const KuvInObject& object, KuvBioBufferOut& out) {
  KUV_TRACE_CALL("Write");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KUV_TRACE_DETAIL("WRITING compiled binary for Filtering Object : \n", object.toString());
    KuvBioBufferOut binary;
    HRESULT hr = E_FAIL;
    if (const KuvFltFilter* filter = KuvFltFilter::cast(object)) {
      hr = writeFilter(*filter, binary);
    } else if (const KuvFltEffectivity* effectivity = KuvFltEffectivity::cast(object)) {
      hr = writeEffectivity(*effectivity, binary);
    } else if (const KuvFltApplicability* applicability = KuvFltApplicability::cast(object)) {
      hr = writeApplicability(*applicability, binary);
    } else if (const KuvFltCompositionMatrix* matrix = KuvFltCompositionMatrix::cast(object)) {
      hr = writeCompositionMatrix(*matrix, binary);
    } else {
      KUV_TRACE_ERROR("ERROR: currently unsupported.");
    }
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: KuvCompiledBinaryParser::Write FAILED.");
    KUV_TRACE_DETAIL("WRITTEN compiled binary : \n", binary.toString());
    out.PutBack(binary);
    return S_OK;
  });
}

HRESULT KuvCompiledBinaryParser::Read(KuvBioBuffer& in, KuvInObject*& object) {
  KUV_TRACE_CALL("Read");
  if (object != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output parameter should be NULL.");
  const std::uint32_t start = in.getPosition();
  auto rewind = [&](HRESULT hr) {
    in.reset();
    in.increment(start);
    return hr;
  };
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        Header header;
        if (FAILED(readHeader(in, header))) {
          KUV_TRACE_ERROR("ERROR : ReadHeader FAILED");
          return rewind(E_FAIL);
        }
        std::unique_ptr<KuvInObject> read;
        HRESULT hr = E_FAIL;
        switch (header.kind) {
          case Filter:
            hr = readFilter(in, read);
            if (FAILED(hr)) KUV_TRACE_ERROR("ERROR : CompiledBinaryParser::Read for filter FAILED.");
            break;
          case Effectivity:
            hr = readEffectivity(in, header.version, read);
            if (FAILED(hr)) KUV_TRACE_ERROR("ERROR : CompiledBinaryParser::Read for effectivity FAILED.");
            break;
          case Applicability:
            hr = readApplicability(in, header.version, read);
            if (FAILED(hr)) KUV_TRACE_ERROR("ERROR : CompiledBinaryParser::Read for applicability FAILED.");
            break;
          case CompositionMatrix:
            hr = readCompositionMatrix(in, read);
            if (FAILED(hr))
              KUV_TRACE_ERROR("ERROR : CompiledBinaryParser::Read for CompositionMatrix FAILED.");
            break;
          default:
            KUV_TRACE_ERROR("ERROR : unexpected.");
        }
        if (FAILED(hr)) return rewind(hr);
        object = read.release();
        return S_OK;
      },
      [&rewind] { return rewind(E_OUTOFMEMORY); });
}

HRESULT KuvCompiledBinaryParser::GetValuatedDomains(KuvBioBuffer& in, KuvInListVal& domains) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (in.getRemaining() == 0) return S_FALSE;
    KuvBioBuffer probe(in.getCurrent(), in.getRemaining(), 0);
    Header header;
    std::vector<std::uint8_t> ids;
    HRESULT hr = readHeader(probe, header);
    if (SUCCEEDED(hr) && header.kind == Filter) hr = probe.isReadValid(2) ? S_OK : E_FAIL;
    if (SUCCEEDED(hr) && header.kind == Filter) probe.increment(2);
    if (SUCCEEDED(hr) && header.kind > CompositionMatrix) hr = E_FAIL;
    if (SUCCEEDED(hr) && header.kind != CompositionMatrix) hr = readDomainTable(probe, ids);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : GetValuatedDomains FAILED");
    for (std::uint8_t id : ids)
      if (domains.PutBack(KuvInIntHolder(id)) == nullptr)
        KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : not a list of integers");
    return S_OK;
  });
}

HRESULT KuvCompiledBinaryParser::IsDomainValuated(KuvBioBuffer& in, KuvDiversityDomain domain) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvInListVal domains(KuvInIntHolder::sType());
    const HRESULT hr = GetValuatedDomains(in, domains);
    if (hr != S_OK) return hr;
    return domains.Find(KuvInIntHolder(static_cast<std::uint32_t>(domain))) >= 0 ? S_OK : S_FALSE;
  });
}
