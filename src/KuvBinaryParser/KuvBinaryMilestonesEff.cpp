#include "KuvBinaryMilestonesEff.h"

#include <memory>

#include "KuvBinaryDependency.h"
#include "KuvBinaryTreeSelection.h"
#include "KuvBinaryExprData.h"
#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvInDate.h"
#include "KuvInTreeEvalIndex.h"

KUV_DEFINE_TYPE(KuvBinaryMilestonesEff, KuvInObject)

KuvBinaryMilestonesEff::~KuvBinaryMilestonesEff() = default;

namespace {

using namespace kuv::detail;

KuvInTraceClass& channel() { return KuvBinaryMilestonesEff::traceChannel(); }

constexpr std::uint8_t sc_included = 0x80;
constexpr std::uint8_t sc_derivedDate = 0x02;
constexpr std::uint8_t sc_single = 0x01;
constexpr std::uint32_t sc_dateSize = 4;
// The smallest bound: its index and header; the smallest selection adds
// its single flag.
constexpr std::uint32_t sc_minBoundSize = 3;
constexpr std::uint32_t sc_minSelectionSize = sc_minBoundSize + 1;

HRESULT writeCount(std::int32_t count, KuvBioBufferOut& out) {
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(count))))
    KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge,
                        "ERROR: Unable to write number of selection bounds.");
  return S_OK;
}

HRESULT writeBound(const KuvEeTreeSelectionBound& bound, const char* nullBound, const KuvBinaryExprData& data,
                   KuvBioBufferOut& out) {
  const KuvEeMilestone* milestone =
      bound.getElement() != nullptr ? KuvEeMilestone::cast(*bound.getElement()) : nullptr;
  if (milestone == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, nullBound);
  const std::int32_t index = data.getExprCriteriaIndex(*milestone);
  if (index < 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to retrieve Milestone object Index.");
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(index))))
    KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge,
                        "ERROR: Unable to write Milestone object index.");
  const KuvInDate* date = milestone->getDate();
  const int header = (bound.isIncluded() ? sc_included : 0) | (date != nullptr ? sc_derivedDate : 0);
  out.PutBack(static_cast<std::uint8_t>(header));
  if (date != nullptr) {
    int year = 0, month = 0, day = 0;
    date->getDate(year, month, day);
    out.writeUINT16(static_cast<std::uint32_t>(year));
    out.PutBack(static_cast<std::uint8_t>(month));
    out.PutBack(static_cast<std::uint8_t>(day));
  }
  return S_OK;
}

bool sameDay(const KuvInDate& a, const KuvInDate& b) {
  int aYear = 0, aMonth = 0, aDay = 0, bYear = 0, bMonth = 0, bDay = 0;
  a.getDate(aYear, aMonth, aDay);
  b.getDate(bYear, bMonth, bDay);
  return aYear == bYear && aMonth == bMonth && aDay == bDay;
}

class Reader {
public:
  Reader(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeMilestonesVar& var) : m_in(in), m_data(data), m_var(var) {}

  HRESULT bound(std::unique_ptr<KuvEeMilestonesSelectionBound>& bound) {
    std::uint16_t index = 0;
    std::uint8_t header = 0;
    if (FAILED(m_in.readUINT16(index)) || FAILED(m_in.readUINT8(header)))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected end of binary");
    if ((header & ~(sc_included | sc_derivedDate)) != 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
    const bool derived = (header & sc_derivedDate) != 0;
    KuvInDate date;
    if (derived) {
      std::uint16_t year = 0;
      std::uint8_t month = 0, day = 0;
      if (!m_in.isReadValid(sc_dateSize)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected end of binary");
      m_in.readUINT16(year);
      m_in.readUINT8(month);
      m_in.readUINT8(day);
      if (FAILED(date.setDate(year, month, day))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: setDate FAILED.");
    }
    KuvInObject* found = dependency<KuvEeMilestone>(
        m_data, index, FakeExprCriteria, [&](std::int32_t i) { return m_data.getExprCriteria(i); },
        [&](std::int32_t i, KuvInObject& fake) { return m_data.setExprCriteria(i, fake, true); },
        [&] {
          return new KuvEeMilestone(KuvInString(), nullptr, &m_var, KuvInTreeEvalIndex(), derived ? &date : nullptr,
                                    nullptr);
        },
        channel(), "ERROR: Unable to set fake name and guid to KuvEeMilestone.",
        "ERROR: Unable to add Milestone into ExprCriteria list.", "Set KuvEeMilestone at index ");
    KuvEeMilestone* milestone = found != nullptr ? KuvEeMilestone::cast(*found) : nullptr;
    if (milestone == nullptr)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Retrieved object isn't a KuvEeMilestone at index : ", index);
    // Another derived date would not write back.
    const KuvInDate* own = milestone->getDate();
    if ((own != nullptr) != derived || (derived && !sameDay(*own, date)))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Derived Date isn't the date of the Milestone at index : ", index);
    bound = std::make_unique<KuvEeMilestonesSelectionBound>(milestone, (header & sc_included) != 0);
    return S_OK;
  }

  HRESULT selection(KuvEeMilestonesSelection& selection) {
    std::unique_ptr<KuvEeMilestonesSelectionBound> from;
    HRESULT hr = bound(from);
    if (FAILED(hr)) return hr;
    std::uint8_t single = 0;
    if (FAILED(m_in.readUINT8(single)))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to read Padding + isSingleSelection");
    if ((single & ~sc_single) != 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
    if (single != 0) {
      if (!from->isIncluded()) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
      return selection.setSingleSelection(*from);
    }
    hr = selection.setFromBound(*from);
    if (FAILED(hr)) return hr;
    return readToBounds<KuvEeMilestonesSelectionBound>(m_in, selection, sc_minBoundSize, channel(),
                                                       [&](auto& to) { return bound(to); });
  }

private:
  KuvBioBuffer& m_in;
  KuvBinaryExprData& m_data;
  KuvEeMilestonesVar& m_var;
};

}  // namespace

HRESULT KuvBinaryMilestonesEff::write(const KuvEeMilestonesEff& eff, const KuvBinaryExprData& data,
                                      KuvBioBufferOut& out) {
  KUV_TRACE_CALL("write");
  const KuvEeMilestonesVar* var = eff.getMilestonesVar();
  const std::int32_t index = var != nullptr ? data.getExprCriteriaIndex(*var) : -1;
  if (index < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve MilestonesVar index into ExprCriteria list.");
  KuvInListVal selections(KuvEeMilestonesSelection::sType());
  if (FAILED(eff.getSelections(selections)) || selections.IsEmpty())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved Milestones Selections list is empty.");
  out.PutBack(sc_nodeType);
  out.PutBack(0);
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(index))))
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write MilestonesVar index.");
  HRESULT hr = writeCount(selections.GetLength(), out);
  for (std::int32_t i = 0; SUCCEEDED(hr) && i < selections.GetLength(); ++i) {
    const auto* selection = static_cast<const KuvEeTreeSelection*>(selections.Get(i));
    if (selection->isEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved Milestones Selection is empty.");
    hr = writeBound(*selection->getFromBound(), "ERROR: Retrieved a null From bound.", data, out);
    if (FAILED(hr)) return hr;
    const bool single = selection->isSingleSelection();
    out.PutBack(single ? sc_single : 0);
    if (single) continue;
    const KuvInListVal& to = selection->getToBounds();
    hr = writeCount(to.GetLength(), out);
    for (std::int32_t j = 0; SUCCEEDED(hr) && j < to.GetLength(); ++j)
      hr = writeBound(*static_cast<const KuvEeTreeSelectionBound*>(to.Get(j)), "ERROR: Retrieved a null To bound.",
                      data, out);
  }
  return hr;
}

HRESULT KuvBinaryMilestonesEff::read(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeMilestonesEff*& eff) {
  KUV_TRACE_CALL("read");
  if (eff != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  std::uint8_t padding = 0;
  if (FAILED(in.readUINT8(padding))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to read Padding.");
  if (padding != 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  std::uint16_t index = 0;
  if (FAILED(in.readUINT16(index))) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  KuvInObject* found = dependency<KuvEeMilestonesVar>(
      data, index, FakeExprCriteria, [&](std::int32_t i) { return data.getExprCriteria(i); },
      [&](std::int32_t i, KuvInObject& fake) { return data.setExprCriteria(i, fake, true); },
      [] { return new KuvEeMilestonesVar(KuvInString(), nullptr, "DisciplineNoDefined", nullptr); }, traceChannel(),
      "ERROR: Unable to set fake name and guid to KuvEeMilestonesVar.",
      "ERROR: Unable to add MilestonesVar into ExprCriteria list.", "Set KuvEeMilestonesVar at index ");
  KuvEeMilestonesVar* var = found != nullptr ? KuvEeMilestonesVar::cast(*found) : nullptr;
  if (var == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved object isn't a KuvEeMilestonesVar at index : ", index);
  std::uint16_t count = 0;
  if (FAILED(in.readUINT16(count))) KUV_RETURN_ERROR(E_FAIL, "ERROR: readUINT16 FAILED.");
  if (count == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected NULL value for number of selections.");
  if (!in.isReadValid(std::uint64_t{count} * sc_minSelectionSize))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  KuvInListVal selections(KuvEeMilestonesSelection::sType());
  Reader reader(in, data, *var);
  for (std::uint16_t i = 0; i < count; ++i) {
    KuvEeMilestonesSelection selection;
    const HRESULT hr = reader.selection(selection);
    if (FAILED(hr)) return hr;
    selections.PutBack(selection);
  }
  auto read = std::make_unique<KuvEeMilestonesEff>(var, KuvEeMilestonesEff::AllFalse);
  KuvInListVal kept(KuvEeMilestonesSelection::sType());
  if (FAILED(read->addSelections(selections)) || FAILED(read->getSelections(kept)) ||
      kept.GetLength() != selections.GetLength())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to set selections into MilestonesEff.");
  eff = read.release();
  return S_OK;
}
