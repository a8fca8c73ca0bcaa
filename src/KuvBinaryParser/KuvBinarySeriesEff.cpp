#include "KuvBinarySeriesEff.h"

#include <memory>

#include "KuvBinaryExprData.h"
#include "KuvBinaryLeaf.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvInListVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvBinarySeriesEff, KuvInObject)

KuvBinarySeriesEff::~KuvBinarySeriesEff() = default;

namespace {

using namespace kuv::detail;

KuvInTraceClass& channel() { return KuvBinarySeriesEff::traceChannel(); }

constexpr std::int32_t sc_openEnd = KuvEeSerialVar::sc_infinity;

struct Bound {
  const char* name;  // FROM or TO, in the messages
  std::int32_t value;
  bool included;
};

std::uint8_t valueHeader(bool unit, bool single, bool included) {
  return static_cast<std::uint8_t>((single ? sc_single : 0) | (unit ? sc_integer : 0) | (included ? sc_included : 0));
}

HRESULT writeBound(const KuvEeSerialVar& var, bool single, const Bound& bound, const KuvBinaryExprData& data,
                   KuvBioBufferOut& out) {
  const bool unit = var.getExternalType() == KuvEeSerialVar::UNIT;
  if (unit) {
    out.PutBack(valueHeader(true, single, bound.included));
    out.writeINT32(bound.value);
    return S_OK;
  }
  const KuvEeSerialVarValue* revision = var.getRevision(bound.value);
  if (revision == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : Unable to retrieve ", bound.name, " SerialValue for revision ",
                        bound.value);
  const std::int32_t index = data.getExprCriteriaIndex(*revision);
  if (index < 0)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to retrieve ", bound.name,
                        " SerialValue holder object Index.");
  out.PutBack(valueHeader(false, single, bound.included));
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(index))))
    KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write ", bound.name,
                        " SerialValue holder object index.");
  return S_OK;
}

// What a leaf under node type 12 or 13 with this kind number stands for.
KuvEeSerialVar::SerialExternalType typeOf(std::uint8_t nodeType, std::uint8_t kind) {
  if (nodeType == KuvBinarySeriesEff::sc_unitNodeType) return kind == 1 ? KuvEeSerialVar::UNIT : KuvEeSerialVar::UNDEFINED;
  if (kind == 1) return KuvEeSerialVar::STATE;
  if (kind == 2) return KuvEeSerialVar::MANUF_PLAN;
  return KuvEeSerialVar::UNDEFINED;
}

class Reader {
public:
  Reader(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeSerialVar::SerialExternalType type)
      : m_in(in), m_data(data), m_type(type) {}

  HRESULT holder(std::uint16_t index, KuvEeSerialVar*& var) {
    const KuvEeSerialVar::SerialExternalType type = m_type;
    KuvInObject* found = criteriaModel(m_data, index, channel());
    if (found != nullptr) {
      if (KuvEeModelDico* model = KuvEeModelDico::cast(*found)) {
        // A made-up dictionary gains the series its leaves name.
        if (m_data.areFakeDependencies() && !model->isEvolutionSeriesEnabled(type))
          (void)kuv::detail::throwIfOutOfMemory(model->enableEvolutionSeries(type));
        var = model->getSeriesVariable(type);
        if (var == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to retrieve SerialVar from ModelDico.");
        return S_OK;
      }
      var = KuvEeSerialVar::cast(*found);
      if (var != nullptr) return S_OK;
    }
    KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                        "ERROR: Serial holder object is nor a KuvEeModelDico, nor KuvEeSerialVar. At index : ", index,
                        " object is : ", found != nullptr ? found->toString() : KuvInString("NULL"));
  }

  // One bound's header and value; the header is checked against the
  // interval once both bounds are known.
  HRESULT bound(KuvEeSerialVar* var, std::uint8_t& header, std::int32_t& value) {
    if (FAILED(m_in.readUINT8(header))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to read serial header.");
    if (m_type == KuvEeSerialVar::UNIT) {
      std::uint32_t raw = 0;
      if (FAILED(m_in.readUINT32(raw))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: readUINT32 FAILED.");
      value = static_cast<std::int32_t>(raw);
      return S_OK;
    }
    std::uint16_t index = 0;
    if (FAILED(m_in.readUINT16(index))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: readUINT16 FAILED.");
    KuvInObject* found = revision(var, index);
    const KuvEeSerialVarValue* revision = found != nullptr ? KuvEeSerialVarValue::cast(*found) : nullptr;
    if (revision == nullptr)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Retrieved object isn't a KuvEeSerialVarValue at index : ", index);
    value = static_cast<std::int32_t>(revision->getSeqNumber());
    return S_OK;
  }

private:
  KuvInObject* revision(KuvEeSerialVar* var, std::uint16_t index) {
    return dependency<KuvEeSerialVarValue>(
        m_data, index, FakeExprCriteria, [&](std::int32_t i) { return m_data.getExprCriteria(i); },
        [&](std::int32_t i, KuvInObject& fake) {
          // The variable owns its revisions: the data's garbage must not
          // too, and the revision must join the variable once in the list.
          if (var == nullptr || var->getExternalType() == KuvEeSerialVar::UNIT ||
              var->getRevision(i) != nullptr)
            return E_FAIL;
          const HRESULT hr = m_data.setExprCriteria(i, fake, false);
          if (hr != S_OK) return hr;
          return kuv::detail::throwIfOutOfMemory(var->addRevision(static_cast<KuvEeSerialVarValue*>(&fake)));
        },
        [&] { return new KuvEeSerialVarValue(KuvInString(), nullptr, KuvInString(), index, var); }, channel(),
        "ERROR: Unable to set fake name and guid to KuvEeSerialVarValue.",
        "ERROR: Unable to add revision from SerialValue to SerialVar.", "Set KuvEeSerialVarValue at index ");
  }

  KuvBioBuffer& m_in;
  KuvBinaryExprData& m_data;
  KuvEeSerialVar::SerialExternalType m_type;
};

}  // namespace

HRESULT KuvBinarySeriesEff::write(const KuvEeSerialEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out) {
  KUV_TRACE_CALL("write");
  const KuvEeSerialVar* var = eff.getOrdVar();
  if (var == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: SerialVar should be defined.");
  std::uint8_t nodeType = KuvBinarySeriesEff::sc_nodeType;
  std::uint8_t kind = 1;
  switch (var->getExternalType()) {
    case KuvEeSerialVar::UNIT:
      nodeType = KuvBinarySeriesEff::sc_unitNodeType;
      break;
    case KuvEeSerialVar::STATE:
      break;
    case KuvEeSerialVar::MANUF_PLAN:
      kind = 2;
      break;
    default:
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of SerialEff.");
  }
  const std::int32_t holder = var->getHolderDico() != nullptr ? data.getExprCriteriaIndex(*var->getHolderDico()) : -1;
  if (holder < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve Serial ModelDico index.");
  KuvInListVal intervals(KuvInSerialInterval::sType());
  if (FAILED(eff.getIntervals(intervals)) || intervals.IsEmpty())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve intervals for current serial.");
  out.PutBack(nodeType);
  out.PutBack(leafHeader(kind));
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(holder))))
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write Serial ModelDico index.");
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(intervals.GetLength()))))
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write number of intervals.");
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    const auto* interval = static_cast<const KuvInSerialInterval*>(intervals.Get(i));
    const bool single = interval->getA() == interval->getB();
    HRESULT hr = writeBound(*var, single, {"FROM", interval->getA(), interval->getAIncl()}, data, out);
    if (FAILED(hr)) return hr;
    if (interval->getB() == sc_openEnd) {
      out.writeUINT16(0);
      continue;
    }
    out.writeUINT16(1);
    hr = writeBound(*var, single, {"TO", interval->getB(), interval->getBIncl()}, data, out);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT KuvBinarySeriesEff::read(std::uint8_t nodeType, KuvBioBuffer& in, KuvBinaryExprData& data,
                                 KuvEeSerialEff*& eff) {
  KUV_TRACE_CALL("read");
  if (eff != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  std::uint8_t header = 0;
  if (FAILED(in.readUINT8(header))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to read serial header.");
  if ((header & sc_hasGlobalValue) != 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: currently unsupported to have a Global Value.");
  const KuvEeSerialVar::SerialExternalType type = typeOf(nodeType, leafKind(header));
  if (type == KuvEeSerialVar::UNDEFINED) KUV_RETURN_ERROR(E_FAIL, "UNDEFINED Serial type");
  const bool hasHolder = (header & sc_hasHolder) != 0;
  if ((header | sc_hasHolder) != leafHeader(leafKind(header))) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  Reader reader(in, data, type);
  KuvEeSerialVar* var = nullptr;
  if (hasHolder) {
    std::uint16_t index = 0;
    if (FAILED(in.readUINT16(index))) KUV_RETURN_ERROR(E_FAIL, "ERROR: readUINT16 FAILED.");
    const HRESULT hr = reader.holder(index, var);
    if (FAILED(hr)) return hr;
  } else if (data.areFakeDependencies()) {
    KUV_RETURN_ERROR(E_FAIL,
                     "ERROR: This Binary version is incompatible with light parser because we can't retrieve Serial "
                     "ModelDico index.");
  }
  std::uint16_t count = 0;
  if (FAILED(in.readUINT16(count))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to read number of intervals for Serial.");
  if (count == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved number of intervals is null.");
  KuvInListVal intervals(KuvInSerialInterval::sType());
  const bool unit = type == KuvEeSerialVar::UNIT;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t fromHeader = 0;
    std::uint8_t toHeader = 0;
    std::int32_t a = 0;
    std::int32_t b = sc_openEnd;
    HRESULT hr = reader.bound(var, fromHeader, a);
    if (FAILED(hr)) return hr;
    std::uint16_t more = 0;
    if (FAILED(in.readUINT16(more))) KUV_RETURN_ERROR(E_FAIL, "ERROR: readUINT16 FAILED.");
    if (more > 1) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
    if (more == 1) {
      hr = reader.bound(var, toHeader, b);
      if (FAILED(hr)) return hr;
      // An open end is written without its bound.
      if (b == sc_openEnd) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
    }
    const bool single = a == b;
    const bool bIncl = more == 0 || (toHeader & sc_included) != 0;
    if (fromHeader != valueHeader(unit, single, (fromHeader & sc_included) != 0) ||
        (more == 1 && toHeader != valueHeader(unit, single, bIncl)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
    KuvInSerialInterval interval;
    interval.setIntervalNoCheck(a, (fromHeader & sc_included) != 0, b, bIncl);
    intervals.PutBack(interval);
  }
  auto read = std::make_unique<KuvEeSerialEff>(var, KuvEeSerialEff::AllFalse);
  KuvInListVal kept(KuvInSerialInterval::sType());
  if (FAILED(read->set(intervals)) || FAILED(read->getIntervals(kept)) || !(kept == intervals))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to set intervals list into SerialEff.");
  eff = read.release();
  if (var == nullptr) {
    KUV_TRACE_ERROR("ERROR: SerialVar should be defined.");
    return KuvBioConstants::sc_readIncomplete;
  }
  return S_OK;
}
