#include "KuvBinaryDatesEff.h"

#include <memory>

#include "KuvBinaryDependency.h"
#include "KuvBinaryExprData.h"
#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvInDateInterval.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvBinaryDatesEff, KuvInObject)

namespace {

KuvInTraceClass& channel() { return KuvBinaryDatesEff::traceChannel(); }

constexpr std::uint8_t sc_hasIndex = 1;
constexpr std::uint8_t sc_lowerTime = 0x08;
constexpr std::uint8_t sc_upperTime = 0x01;
constexpr std::uint32_t sc_dateSize = 4;
constexpr std::uint32_t sc_timeSize = 3;
constexpr std::uint32_t sc_maxIndex = 0xFFFF;

void writeDate(const KuvInDate& date, KuvBioBufferOut& out) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  date.getDate(year, month, day, hour, minute, second);
  out.writeUINT16(static_cast<std::uint32_t>(year));
  for (const int field : {month, day, hour, minute, second}) out.PutBack(static_cast<std::uint8_t>(field));
}

// withTime false: the time is the given default (the start or the end of
// the day).
HRESULT readDate(KuvBioBuffer& in, bool withTime, const std::uint8_t (&time)[3], KuvInDate& date) {
  if (!in.isReadValid(withTime ? sc_dateSize + sc_timeSize : sc_dateSize))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected end of binary");
  std::uint16_t year = 0;
  std::uint8_t fields[5] = {0, 0, time[0], time[1], time[2]};
  in.readUINT16(year);
  for (int i = 0; i < (withTime ? 5 : 2); ++i) in.readUINT8(fields[i]);
  const KuvInDate max(true);
  int maxYear = 0, maxMonth = 0, maxDay = 0, maxHour = 0, maxMinute = 0, maxSecond = 0;
  max.getDate(maxYear, maxMonth, maxDay, maxHour, maxMinute, maxSecond);
  // setDate would store the maximum's second 61 as 60: another date.
  if (year == maxYear && fields[0] == maxMonth && fields[1] == maxDay && fields[2] == maxHour &&
      fields[3] == maxMinute && fields[4] == maxSecond) {
    date.setMax();
    return S_OK;
  }
  if (FAILED(date.setDate(year, fields[0], fields[1], fields[2], fields[3], fields[4])))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: setDate FAILED.");
  return S_OK;
}

KuvEeDateVar* dateVar(KuvBinaryExprData& data, std::uint32_t index) {
  if (index > sc_maxIndex) return nullptr;
  const auto at = static_cast<std::int32_t>(index);
  KuvInObject* found = kuv::detail::dependency<KuvEeDateVar>(
      data, at, 0, [&](std::int32_t i) { return data.getVolatileCriteria(i); },
      [&](std::int32_t i, KuvInObject& fake) {
        // A made-up date variable has no name; its GUID alone tells it apart.
        static_cast<KuvEeDateVar&>(fake).setName(KuvInString());
        return data.setVolatileCriteria(i, fake, true);
      },
      [] { return new KuvEeDateVar(KuvInString(), nullptr); }, channel(),
      "ERROR: Unable to set fake name and guid to KuvEeDateVar.",
      "ERROR: Unable to add DateVar into volatileCriteria list.", "Set KuvEeDateVar at index ");
  if (found == nullptr) return nullptr;
  KuvEeDateVar* var = KuvEeDateVar::cast(*found);
  if (var == nullptr)
    KUV_TRACE_ERROR_ON(channel(), "ERROR: Dependency at index : ", at, " is not of date type as expected.");
  return var;
}

}  // namespace

KuvBinaryDatesEff::~KuvBinaryDatesEff() = default;

HRESULT KuvBinaryDatesEff::write(const KuvEeDateEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out) {
  KUV_TRACE_CALL("write");
  const KuvEeDateVar* var = eff.getOrdVar();
  const std::int32_t index = var != nullptr ? data.getVolatileCriteriaIndex(*var) : -1;
  if (index < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Wrong index value for date var.");
  KuvInListVal intervals(KuvInDateInterval::sType());
  if (FAILED(eff.getIntervals(intervals))) KUV_RETURN_ERROR(E_FAIL, "ERROR: getIntervals FAILED.");
  out.PutBack(sc_nodeType);
  out.PutBack(sc_hasIndex);
  out.writeUINT32(static_cast<std::uint32_t>(index));
  if (FAILED(out.writeUINT16WithCheck(static_cast<std::uint32_t>(intervals.GetLength()))))
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR : write Date failed");
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    const auto* interval = static_cast<const KuvInDateInterval*>(intervals.Get(i));
    out.PutBack(sc_lowerTime | sc_upperTime);
    writeDate(interval->getA(), out);
    writeDate(interval->getB(), out);
  }
  return S_OK;
}

HRESULT KuvBinaryDatesEff::read(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeDateEff*& eff) {
  KUV_TRACE_CALL("read");
  if (eff != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  std::uint8_t hasIndex = 0;
  if (FAILED(in.readUINT8(hasIndex))) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  if (hasIndex == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected to not have a date index.");
  std::uint32_t index = 0;
  if (FAILED(in.readUINT32(index))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to read KuvEeDateVar index.");
  KuvEeDateVar* var = dateVar(data, index);
  if (var == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Failed to retrieve a dependency for a date at index : ", index);
  std::uint16_t count = 0;
  if (FAILED(in.readUINT16(count))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to read number of intervals.");
  static constexpr std::uint8_t startOfDay[3] = {1, 1, 1};
  static constexpr std::uint8_t endOfDay[3] = {24, 60, 61};
  KuvInListVal intervals(KuvInDateInterval::sType());
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t header = 0;
    if (FAILED(in.readUINT8(header))) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
    KuvInDate lower;
    KuvInDate upper;
    if (FAILED(readDate(in, (header & sc_lowerTime) != 0, startOfDay, lower)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR : ReadDateAndTime failed for InfBound");
    if (FAILED(readDate(in, (header & sc_upperTime) != 0, endOfDay, upper)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR : ReadDateAndTime failed for SupBound.");
    KuvInDateInterval interval;
    interval.setIntervalNoCheck(lower, upper);
    intervals.PutBack(interval);
  }
  auto read = std::make_unique<KuvEeDateEff>(var, KuvEeDateEff::AllFalse);
  if (FAILED(read->set(intervals)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to set intervals list into DateEff.");
  eff = read.release();
  return S_OK;
}
