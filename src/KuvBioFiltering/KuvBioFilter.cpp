#include "KuvBioFilter.h"

#include <memory>

#include "KuvBioBasic.h"
#include "KuvBioDnfReader.h"
#include "KuvBioDnfWriter.h"
#include "KuvEVCClassification.h"
#include "KuvInIntHolder.h"
#include "KuvInSetVal.h"

KUV_DEFINE_TYPE(KuvBioFilter, KuvInObject)
KUV_DEFINE_TYPE(KuvBioFilterable, KuvInObject)

namespace {

constexpr const char* sc_readError = "ERROR: read error, incorrect binary.";
constexpr std::uint8_t sc_filterKind = 0;
constexpr std::uint8_t sc_filterableKind = 1;
constexpr std::uint32_t sc_headerSize = 5;
// A filterable's view entry: its view and its DNF's length.
constexpr std::uint32_t sc_viewEntrySize = 8;

void writeHeader(KuvBioBufferOut& out, std::uint8_t version, std::uint8_t kind) {
  for (std::uint8_t b : {std::uint8_t{'F'}, std::uint8_t{'L'}, std::uint8_t{'T'}, version, kind}) out.PutBack(b);
}

// Puts the cursor back where a failed read started.
class Rewind {
public:
  explicit Rewind(KuvBioBuffer& in) : m_in(in), m_start(in.getPosition()) {}
  ~Rewind() {
    if (m_armed) {
      m_in.reset();
      m_in.increment(m_start);
    }
  }
  Rewind(const Rewind&) = delete;
  Rewind& operator=(const Rewind&) = delete;
  void done() { m_armed = false; }

private:
  KuvBioBuffer& m_in;
  std::uint32_t m_start;
  bool m_armed = true;
};

// The magic and the kind; the version byte is left to the caller, whose
// message for it differs.
HRESULT readHeader(KuvInTraceClass& channel, KuvBioBuffer& in, std::uint8_t kind, std::uint8_t& version) {
  if (!in.isReadValid(sc_headerSize)) KUV_RETURN_ERROR_ON(channel, E_FAIL, sc_readError);
  const std::uint8_t* p = in.getCurrent();
  if (p[0] != 'F' || p[1] != 'L' || p[2] != 'T' || p[4] != kind)
    KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: Incorrect header");
  version = p[3];
  in.increment(sc_headerSize);
  return S_OK;
}

HRESULT readView(KuvInTraceClass& channel, const std::uint8_t* p, KuvExpressionView& view) {
  const std::uint32_t value = KuvBioBasic::getUINT32(p);
  if (value > CFG_EXPRVIEW_NONE) KUV_RETURN_ERROR_ON(channel, E_FAIL, sc_readError);
  view = static_cast<KuvExpressionView>(value);
  return S_OK;
}

// A whole binary DNF of length bytes at p; its header must agree.
HRESULT readDnf(KuvInTraceClass& channel, const std::uint8_t* p, std::uint32_t length, KuvDnf*& dnf) {
  unsigned int promised = 0;
  if (FAILED(KuvBioDnfReader::read_0to8(p, length, promised)) || promised != length - KuvBioDnfReader::sc_headerSize)
    KUV_RETURN_ERROR_ON(channel, E_FAIL, sc_readError);
  dnf = KuvBioDnfReader::read_8toEND(p + KuvBioDnfReader::sc_headerSize, promised, KuvDnfAndTermFactory::Map);
  if (dnf == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, sc_readError);
  return S_OK;
}

HRESULT writeDnf(KuvInTraceClass& channel, const KuvDnf* dnf, KuvBioBufferOut& scratch) {
  if (dnf == nullptr) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: NULL pointer");
  if (FAILED(KuvBioDnfWriter::write(*dnf, scratch))) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: write failed");
  return S_OK;
}

// Walks a filterable's views after its header: visit(view, bytes, length)
// for each, in stored order, once every length is known to fit.
template <class Visit>
HRESULT walkViews(KuvInTraceClass& channel, KuvBioBuffer& in, KuvInGuid* varSpace, Visit visit) {
  Rewind rewind(in);
  std::uint8_t version = 0;
  std::uint32_t count = 0;
  if (FAILED(readHeader(channel, in, sc_filterableKind, version))) return E_FAIL;
  if (version != 1 && version != 2) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: unexpected version.");
  if (version == 2) {
    if (!in.isReadValid(KuvInGuid::sc_size)) KUV_RETURN_ERROR_ON(channel, E_FAIL, sc_readError);
    if (varSpace != nullptr) varSpace->setArray(in.getCurrent());
    in.increment(KuvInGuid::sc_size);
  }
  if (FAILED(in.readUINT32(count)) || !in.isReadValid(std::uint64_t{count} * sc_viewEntrySize))
    KUV_RETURN_ERROR_ON(channel, E_FAIL, sc_readError);
  const std::uint8_t* table = in.getCurrent();
  in.increment(count * sc_viewEntrySize);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = table + std::size_t{i} * sc_viewEntrySize;
    KuvExpressionView view = CFG_EXPRVIEW_NONE;
    const std::uint32_t length = KuvBioBasic::getUINT32(entry + 4);
    if (FAILED(readView(channel, entry, view))) return E_FAIL;
    if (!in.isReadValid(length)) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR: out of bound");
    if (FAILED(visit(view, in.getCurrent(), length))) return E_FAIL;
    in.increment(length);
  }
  rewind.done();
  return S_OK;
}

}  // namespace

HRESULT KuvBioFilter::write(const KuvFilter& filter, KuvBioBufferOut& out) {
  out.Clear();
  const std::uint8_t version = filter.getVersion();
  if (version != 1 && version != 2) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected version.");
  writeHeader(out, version, sc_filterKind);
  if (version == 2) {
    out.writeGuid(filter.getVarSpace());
    if (filter.getQueryMode() != KuvEeGenericExpression::CFG_LISTMODE_STRICT &&
        filter.getQueryMode() != KuvEeGenericExpression::CFG_LISTMODE_150) {
      out.Clear();
      KUV_RETURN_ERROR(E_FAIL, "ERROR: UNEXPECTED case.");
    }
    out.PutBack(static_cast<std::uint8_t>(filter.getQueryMode() + 1));
  }
  out.writeUINT32(static_cast<std::uint32_t>(filter.getApplyingView()));
  KuvBioBufferOut dnf;
  if (FAILED(writeDnf(traceChannel(), filter.getDnf(), dnf))) {
    out.Clear();
    return E_FAIL;
  }
  out.writeUINT32(dnf.GetLength());
  out.PutBack(dnf);
  return S_OK;
}

HRESULT KuvBioFilter::read(KuvBioBuffer& in, KuvFilter*& filter) {
  Rewind rewind(in);
  std::uint8_t version = 0;
  if (FAILED(readHeader(traceChannel(), in, sc_filterKind, version))) return E_FAIL;
  if (version != 1 && version != 2) KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect header : unexpected version number.");
  KuvInGuid varSpace;
  auto mode = KuvEeGenericExpression::CFG_LISTMODE_NONE;
  if (version == 2) {
    if (!in.isReadValid(KuvInGuid::sc_size + 1)) KUV_RETURN_ERROR(E_FAIL, sc_readError);
    varSpace.setArray(in.getCurrent());
    const std::uint8_t stored = in.getCurrent()[KuvInGuid::sc_size];
    if (stored != 2 && stored != 3) KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect query mode.");
    mode = static_cast<KuvEeGenericExpression::ListMode>(stored - 1);
    in.increment(KuvInGuid::sc_size + 1);
  }
  KuvExpressionView view = CFG_EXPRVIEW_NONE;
  std::uint32_t length = 0;
  if (!in.isReadValid(8)) KUV_RETURN_ERROR(E_FAIL, sc_readError);
  if (FAILED(readView(traceChannel(), in.getCurrent(), view))) return E_FAIL;
  length = KuvBioBasic::getUINT32(in.getCurrent() + 4);
  in.increment(8);
  KuvDnf* dnf = nullptr;
  if (!in.isReadValid(length)) KUV_RETURN_ERROR(E_FAIL, sc_readError);
  if (FAILED(readDnf(traceChannel(), in.getCurrent(), length, dnf))) return E_FAIL;
  in.increment(length);
  filter = new KuvFilter(view, dnf, mode, varSpace, version);
  rewind.done();
  return S_OK;
}

HRESULT KuvBioFilterable::write(const KuvFilterable& filterable, KuvBioBufferOut& out) {
  out.Clear();
  const bool withVarSpace = filterable.hasVarSpace();
  writeHeader(out, withVarSpace ? 2 : 1, sc_filterableKind);
  if (withVarSpace) out.writeGuid(filterable.getVarSpace());
  const auto count = static_cast<std::uint32_t>(filterable.getNbViews());
  out.writeUINT32(count);
  const std::uint32_t table = out.GetLength();
  for (std::int32_t i = 0; i < filterable.getNbViews(); ++i) {
    out.writeUINT32(static_cast<std::uint32_t>(filterable.getView(i)->getView()));
    out.writeUINT32(0);
  }
  KuvBioBufferOut dnf;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (FAILED(writeDnf(traceChannel(), filterable.getView(static_cast<std::int32_t>(i))->getDnf(), dnf))) {
      out.Clear();
      return E_FAIL;
    }
    out.overwriteUINT32(table + i * sc_viewEntrySize + 4, dnf.GetLength());
    out.PutBack(dnf);
  }
  return S_OK;
}

HRESULT KuvBioFilterable::read(KuvBioBuffer& in, KuvFilterable*& filterable) {
  KuvInSetVal all(KuvInIntHolder::sType());
  for (std::uint32_t view = CFG_EXPRVIEW_SOURCE; view <= CFG_EXPRVIEW_NONE; ++view) all.Put(KuvInIntHolder(view));
  return read(in, all, filterable);
}

HRESULT KuvBioFilterable::read(KuvBioBuffer& in, const KuvInSetVal& wanted, KuvFilterable*& filterable) {
  auto read = std::make_unique<KuvFilterable>();
  KuvInGuid varSpace;
  const HRESULT hr = walkViews(traceChannel(), in, &varSpace,
                               [&](KuvExpressionView view, const std::uint8_t* bytes, std::uint32_t length) {
                                 if (!wanted.Find(KuvInIntHolder(static_cast<std::uint32_t>(view)))) return S_OK;
                                 KuvDnf* dnf = nullptr;
                                 if (FAILED(readDnf(traceChannel(), bytes, length, dnf))) return E_FAIL;
                                 return read->addView(new KuvFilteringView(view, dnf));
                               });
  if (FAILED(hr)) return E_FAIL;
  read->setVarSpace(varSpace);
  filterable = read.release();
  return S_OK;
}

HRESULT KuvBioFilterable::analyzeEVCContent(KuvBioBuffer& in, const KuvInSetVal& wanted, KuvEVCClassification& out) {
  KuvEVCClassification found(out);
  const HRESULT hr = walkViews(traceChannel(), in, nullptr,
                               [&](KuvExpressionView view, const std::uint8_t* bytes, std::uint32_t length) {
                                 if (!wanted.Find(KuvInIntHolder(static_cast<std::uint32_t>(view)))) return S_OK;
                                 if (FAILED(KuvBioDnfReader::analyzeEVCContent(bytes, length, found)))
                                   KUV_RETURN_ERROR(E_FAIL, sc_readError);
                                 return S_OK;
                               });
  if (FAILED(hr)) return E_FAIL;
  out = found;
  return S_OK;
}
