#include "KuvBinaryTreeSeriesEff.h"

#include <memory>

#include "KuvBinarySeriesEff.h"
#include "KuvBinaryExprData.h"
#include "KuvBinaryLeaf.h"
#include "KuvBinaryTreeSelection.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvInTreeEvalIndex.h"

KUV_DEFINE_TYPE(KuvBinaryTreeSeriesEff, KuvInObject)

KuvBinaryTreeSeriesEff::~KuvBinaryTreeSeriesEff() = default;

namespace {

using namespace kuv::detail;

KuvInTraceClass& channel() { return KuvBinaryTreeSeriesEff::traceChannel(); }

HRESULT writeElement(const KuvEeTreeSelectionBound& bound, std::uint8_t header, const KuvBinaryExprData& data,
                     KuvBioBufferOut& out) {
  const std::int32_t index = bound.getElement() != nullptr ? data.getExprCriteriaIndex(*bound.getElement()) : -1;
  if (index < 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to retrieve TreeSeriesElement object Index.");
  out.PutBack(header);
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(index))))
    KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge,
                        "ERROR: Unable to write TreeSeriesElement object index.");
  return S_OK;
}

HRESULT writeCount(std::int32_t count, KuvBioBufferOut& out) {
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(count))))
    KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge,
                        "ERROR: Unable to write number of selection bounds.");
  return S_OK;
}

class Reader {
public:
  Reader(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeTreeSeriesVar& var) : m_in(in), m_data(data), m_var(var) {}

  // One element: its header (returned) and the bound on it.
  HRESULT element(std::uint8_t& header, std::unique_ptr<KuvEeTreeSeriesSelectionBound>& bound) {
    std::uint16_t index = 0;
    if (FAILED(m_in.readUINT8(header)) || FAILED(m_in.readUINT16(index)))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected end of binary");
    if ((header & ~(sc_single | sc_included)) != 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
    KuvInObject* found = dependency<KuvEeTreeSeriesElement>(
        m_data, index, FakeExprCriteria, [&](std::int32_t i) { return m_data.getExprCriteria(i); },
        [&](std::int32_t i, KuvInObject& fake) { return m_data.setExprCriteria(i, fake, true); },
        [&] {
          return new KuvEeTreeSeriesElement(KuvInString(), nullptr, KuvInString(), KuvInTreeEvalIndex(), &m_var,
                                            nullptr);
        },
        channel(), "ERROR: Unable to set fake name and guid to KuvEeTreeSeriesElement.",
        "ERROR: Unable to add TreeSeriesElement into ExprCriteria list.", "Set KuvEeTreeSeriesElement at index ");
    KuvEeTreeSeriesElement* element = found != nullptr ? KuvEeTreeSeriesElement::cast(*found) : nullptr;
    if (element == nullptr)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Retrieved object isn't a KuvEeTreeSeriesElement at index : ",
                          index);
    bound = std::make_unique<KuvEeTreeSeriesSelectionBound>(element, (header & sc_included) != 0);
    return S_OK;
  }

  HRESULT selection(KuvEeTreeSeriesSelection& selection) {
    std::uint8_t header = 0;
    std::unique_ptr<KuvEeTreeSeriesSelectionBound> from;
    HRESULT hr = element(header, from);
    if (FAILED(hr)) return hr;
    if ((header & sc_single) != 0) {
      if (header != (sc_single | sc_included)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
      return selection.setSingleSelection(*from);
    }
    hr = selection.setFromBound(*from);
    if (FAILED(hr)) return hr;
    // Three bytes per bound.
    return readToBounds<KuvEeTreeSeriesSelectionBound>(m_in, selection, 3, channel(), [&](auto& to) {
      const HRESULT read = element(header, to);
      if (FAILED(read)) return read;
      if ((header & sc_single) != 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
      return S_OK;
    });
  }

private:
  KuvBioBuffer& m_in;
  KuvBinaryExprData& m_data;
  KuvEeTreeSeriesVar& m_var;
};

}  // namespace

HRESULT KuvBinaryTreeSeriesEff::write(const KuvEeTreeSeriesEff& eff, const KuvBinaryExprData& data,
                                      KuvBioBufferOut& out) {
  KUV_TRACE_CALL("write");
  const KuvEeTreeSeriesVar* var = eff.getTreeSeriesVar();
  const std::uint32_t type = var != nullptr ? var->getExternalType() : 0;
  if (type != KuvEeSerialVar::TREE_STATE && type != KuvEeSerialVar::TREE_MANUF_PLAN)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of TreeSeries.");
  const std::int32_t holder = var->getHolderDico() != nullptr ? data.getExprCriteriaIndex(*var->getHolderDico()) : -1;
  if (holder < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve ModelDico index into ExprCriteria list.");
  KuvInListVal selections(KuvEeTreeSeriesSelection::sType());
  if (FAILED(eff.getSelections(selections))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve Selection on TreeSeriesEff.");
  if (selections.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved TreeSeries Selection is empty.");
  out.PutBack(KuvBinarySeriesEff::sc_nodeType);
  out.PutBack(leafHeader(type == KuvEeSerialVar::TREE_STATE ? 1 : 2));
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(holder))))
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write TreeSeries ModelDico index.");
  HRESULT hr = writeCount(selections.GetLength(), out);
  for (std::int32_t i = 0; SUCCEEDED(hr) && i < selections.GetLength(); ++i) {
    const auto* selection = static_cast<const KuvEeTreeSelection*>(selections.Get(i));
    if (selection->isEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved TreeSeries Selection is empty.");
    const KuvEeTreeSelectionBound& from = *selection->getFromBound();
    if (selection->isSingleSelection()) {
      hr = writeElement(from, sc_single | sc_included, data, out);
      continue;
    }
    hr = writeElement(from, from.isIncluded() ? sc_included : 0, data, out);
    const KuvInListVal& to = selection->getToBounds();
    if (SUCCEEDED(hr)) hr = writeCount(to.GetLength(), out);
    for (std::int32_t j = 0; SUCCEEDED(hr) && j < to.GetLength(); ++j) {
      const auto* bound = static_cast<const KuvEeTreeSelectionBound*>(to.Get(j));
      hr = writeElement(*bound, bound->isIncluded() ? sc_included : 0, data, out);
    }
  }
  return hr;
}

HRESULT KuvBinaryTreeSeriesEff::read(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeTreeSeriesEff*& eff) {
  KUV_TRACE_CALL("read");
  if (eff != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  std::uint8_t header = 0;
  std::uint16_t holder = 0;
  if (FAILED(in.readUINT8(header)) || FAILED(in.readUINT16(holder)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  if ((header & sc_hasGlobalValue) != 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: currently unsupported to have a Global Value.");
  const std::uint8_t kind = leafKind(header);
  if ((kind != 1 && kind != 2) || header != leafHeader(kind))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of TreeSeries.");
  KuvInObject* found = criteriaModel(data, holder, traceChannel());
  KuvEeModelDico* model = found != nullptr ? KuvEeModelDico::cast(*found) : nullptr;
  if (model == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve TreeSeries ModelDico in ExprCriteria dependencies at index ",
                     holder);
  KuvEeTreeSeriesVar* var =
      model->getTreeSeriesVariable(kind == 1 ? KuvEeSerialVar::TREE_STATE : KuvEeSerialVar::TREE_MANUF_PLAN);
  if (var == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve TreeSeriesVar from ModelDico.");
  std::uint16_t count = 0;
  if (FAILED(in.readUINT16(count))) KUV_RETURN_ERROR(E_FAIL, "ERROR: readUINT16 FAILED.");
  if (count == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected NULL value for number of selections.");
  if (!in.isReadValid(std::uint64_t{count} * 3)) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  KuvInListVal selections(KuvEeTreeSeriesSelection::sType());
  Reader reader(in, data, *var);
  for (std::uint16_t i = 0; i < count; ++i) {
    KuvEeTreeSeriesSelection selection;
    const HRESULT hr = reader.selection(selection);
    if (FAILED(hr)) return hr;
    selections.PutBack(selection);
  }
  auto read = std::make_unique<KuvEeTreeSeriesEff>(var, KuvEeTreeSeriesEff::AllFalse);
  KuvInListVal kept(KuvEeTreeSeriesSelection::sType());
  if (FAILED(read->addSelections(selections)) || FAILED(read->getSelections(kept)) ||
      kept.GetLength() != selections.GetLength())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to set selections into TreeSeriesEff.");
  eff = read.release();
  return S_OK;
}

HRESULT KuvBinaryTreeSeriesEff::isAFakeTreeSeries(const KuvBioBuffer& in, KuvBinaryExprData& data, bool& fake) {
  KUV_TRACE_CALL("isAFakeTreeSeries");
  KuvBioBuffer peek(in.getCurrent(), in.getRemaining(), 0);
  std::uint8_t header = 0;
  std::uint16_t holder = 0;
  if (FAILED(peek.readUINT8(header)) || FAILED(peek.readUINT16(holder)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  const std::uint8_t kind = leafKind(header);
  if (kind > 2) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected value of TreeSeriesType ", kind);
  if (kind == 0) {
    fake = false;
    return S_OK;
  }
  KuvInObject* found = criteriaModel(data, holder, traceChannel());
  const KuvEeModelDico* model = found != nullptr ? KuvEeModelDico::cast(*found) : nullptr;
  if (model == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve TreeSeries ModelDico in ExprCriteria dependencies at index ",
                     holder);
  const bool series = model->isEvolutionSeriesEnabled(kind == 1 ? KuvEeSerialVar::STATE : KuvEeSerialVar::MANUF_PLAN);
  const bool tree =
      model->isEvolutionTreeSeriesEnabled(kind == 1 ? KuvEeSerialVar::TREE_STATE : KuvEeSerialVar::TREE_MANUF_PLAN);
  if (series != tree) {
    fake = series;
    return S_OK;
  }
  if (!series) {
    // A made-up dictionary tells nothing: its leaves read as serial leaves.
    if (data.areFakeDependencies()) {
      fake = true;
      return S_OK;
    }
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Evolution Series and TreeSeries aren't enable on ModelDico.");
  }
  std::uint16_t count = 0;
  std::uint8_t first = 0;
  std::uint16_t index = 0;
  if (FAILED(peek.readUINT16(count))) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  if (count == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected NULL value for number of intervals.");
  if (FAILED(peek.readUINT8(first)) || FAILED(peek.readUINT16(index)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  const KuvInObject* value = data.getExprCriteria(index);
  fake = value == nullptr || KuvEeTreeSeriesElement::cast(*value) == nullptr;
  return S_OK;
}
