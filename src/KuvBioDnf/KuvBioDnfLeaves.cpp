#include "KuvBioDnfLeaves.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

#include "KuvBioBasic.h"
#include "KuvBioDnfLeafTypes.h"
#include "KuvDnfAndTerm.h"
#include "KuvInDateInterval.h"
#include "KuvInMilestonesEvalInterval.h"
#include "KuvInSerialInterval.h"
#include "KuvInTreeEvalInterval.h"

KUV_DEFINE_TYPE(KuvBioEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioOptionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioSelectionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioDateEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioSerialEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioMilestonesEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioTreeSeriesEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioSerialRestrictionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioDateRestrictionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioSelectionRestrictionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioCategoryOptionRestrictionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioCategoryRestrictionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioEffRestrictionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioMilestonesRestrictionEff, KuvInObject)
KUV_DEFINE_TYPE(KuvBioTreeSeriesRestrictionEff, KuvInObject)

namespace {

using C = KuvBioConstants;

constexpr const char* sc_readFailed = "ERROR : KuvBioBuffer::Read FAILED.";
constexpr const char* sc_badValue = "ERROR: Incorrect input value";

// Interval flag byte: 2 when the lower end is included, plus 1 for the upper.
std::uint8_t endsByte(bool lowerIncluded, bool upperIncluded) {
  return static_cast<std::uint8_t>((lowerIncluded ? 2 : 0) + (upperIncluded ? 1 : 0));
}

// The reading side of one leaf: every step checks the bytes first and traces
// its refusal on the codec's channel.
class LeafIn {
public:
  LeafIn(KuvInTraceClass& channel, KuvBioBuffer& in, const KuvBioTypedIdsReader& ids)
      : m_channel(channel), m_in(in), m_ids(ids) {}

  HRESULT kind(std::uint8_t& kind, std::initializer_list<std::uint8_t> accepted) {
    if (FAILED(m_in.readUINT8(kind))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_readFailed);
    if (std::find(accepted.begin(), accepted.end(), kind) == accepted.end())
      KUV_RETURN_ERROR_ON(m_channel, E_FAIL, "ERROR: incorrect dnfEffType");
    return S_OK;
  }
  // A byte of at most max.
  HRESULT byte(std::uint8_t& v, std::uint8_t max) {
    if (FAILED(m_in.readUINT8(v))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_readFailed);
    if (v > max) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_badValue);
    return S_OK;
  }
  HRESULT flag(bool& v) {
    std::uint8_t b = 0;
    if (FAILED(byte(b, 1))) return E_FAIL;
    v = b != 0;
    return S_OK;
  }
  HRESULT count(std::uint16_t& v) {
    if (FAILED(m_in.readUINT16(v))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_readFailed);
    return S_OK;
  }
  HRESULT int32(std::int32_t& v) {
    std::uint32_t u = 0;
    if (FAILED(m_in.readUINT32(u))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_readFailed);
    v = static_cast<std::int32_t>(u);
    return S_OK;
  }
  // Bytes that a count read off the wire promises, checked before anything
  // is sized by it.
  HRESULT need(std::uint64_t n) {
    if (!m_in.isReadValid(n)) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_readFailed);
    return S_OK;
  }
  HRESULT guid(C::E_VarType expected, KuvInGuid& guid) {
    std::uint8_t type = 0;
    const std::uint8_t* bytes = nullptr;
    if (FAILED(m_ids.readIndexGetTypedGuid(m_in, type, bytes))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_readFailed);
    if (type != expected) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, "ERROR: Incorrect variable type");
    guid.setArray(bytes);
    return S_OK;
  }
  std::uint32_t indexWidth() const { return static_cast<std::uint32_t>(m_ids.getIndexSize()); }

  HRESULT date(bool withTime, bool upper, KuvInDate& date) {
    std::uint16_t year = 0;
    std::uint8_t f[5] = {};
    if (FAILED(count(year)) || FAILED(byte(f[0], 0xFF)) || FAILED(byte(f[1], 0xFF))) return E_FAIL;
    if (withTime) {
      for (int i = 2; i < 5; ++i)
        if (FAILED(byte(f[i], 0xFF))) return E_FAIL;
    } else {
      kuv::detail::completeStoredTime(year, upper, f);
    }
    if (FAILED(date.setDate(year, f[0], f[1], f[2], f[3], f[4]))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_badValue);
    date.setTimeSet(withTime);
    return S_OK;
  }
  HRESULT bound(KuvInTreeEvalIndexBound& bound) {
    std::uint16_t levels = 0;
    if (FAILED(count(levels))) return E_FAIL;
    if (levels == 0) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, sc_badValue);
    if (FAILED(need(std::uint64_t{levels} * 4))) return E_FAIL;
    auto values = std::make_unique<std::uint32_t[]>(levels);
    for (std::uint16_t i = 0; i < levels; ++i) m_in.readUINT32(values[i]);
    return bound.set(values.release(), levels);
  }

private:
  KuvInTraceClass& m_channel;
  KuvBioBuffer& m_in;
  const KuvBioTypedIdsReader& m_ids;
};

// The writing side of one leaf.
class LeafOut {
public:
  LeafOut(KuvInTraceClass& channel, KuvBioBufferOut& out, const KuvBioTypedIdsWriter& ids)
      : m_channel(channel), m_out(out), m_ids(ids) {}

  void byte(std::uint32_t v) { m_out.PutBack(static_cast<std::uint8_t>(v)); }
  void int32(std::int32_t v) { m_out.writeINT32(v); }
  HRESULT count(std::uint32_t n) {
    if (FAILED(m_out.writeUINT16WithCheck(n))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, "ERROR: writeUINT16WithCheck failed");
    return S_OK;
  }
  HRESULT index(const KuvInGuid& guid, C::E_VarType type) {
    if (FAILED(m_ids.writeIndex(m_out, guid, type))) KUV_RETURN_ERROR_ON(m_channel, E_FAIL, "ERROR: writeIndex failed");
    return S_OK;
  }
  void date(const KuvInDate& date) {
    int f[6] = {};
    date.getDate(f[0], f[1], f[2], f[3], f[4], f[5]);
    m_out.writeUINT16(static_cast<std::uint32_t>(f[0]));
    for (int i = 1; i < 6; ++i) byte(static_cast<std::uint32_t>(f[i]));
  }
  HRESULT bound(const KuvInTreeEvalIndexBound& bound) {
    if (!bound.isValuated())
      KUV_RETURN_ERROR_ON(m_channel, E_FAIL, "ERROR: Unable to write a not valuated TreeEvalIndexBound.");
    if (FAILED(m_out.writeUINT16WithCheck(bound.getNumberValues())))
      KUV_RETURN_ERROR_ON(m_channel, E_FAIL, "ERROR: Unable to write value because it's upper than 16 bits.");
    for (std::uint32_t level = 0; level < bound.getNumberValues(); ++level) {
      std::uint32_t value = 0;
      bound.getValue(level, value);
      m_out.writeUINT32(value);
    }
    return S_OK;
  }

private:
  KuvInTraceClass& m_channel;
  KuvBioBufferOut& m_out;
  const KuvBioTypedIdsWriter& m_ids;
};

// A list's elements as the class the leaf guarantees.
template <class Element>
const Element& at(const KuvInListVal& list, std::int32_t i) {
  return static_cast<const Element&>(*list.Get(i));
}

}  // namespace


// ---------------------------------------------------------------------------
// Plain effectivity: 5, idx(7), negated.

HRESULT KuvBioEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfEff*& leaf) {
  LeafIn r(traceChannel(), in, ids);
  std::uint8_t kind = 0;
  KuvInGuid guid;
  bool negated = false;
  if (FAILED(r.kind(kind, {5})) || FAILED(r.guid(C::E_Effectivity, guid)) || FAILED(r.flag(negated))) return E_FAIL;
  leaf = new KuvDnfEff(guid, negated);
  return S_OK;
}

HRESULT KuvBioEff::write(KuvBioBufferOut& out, const KuvDnfEff& leaf, const KuvBioTypedIdsWriter& ids) {
  LeafOut w(traceChannel(), out, ids);
  w.byte(5);
  if (FAILED(w.index(leaf.getGuid(), C::E_Effectivity))) return E_FAIL;
  w.byte(leaf.isNegated() ? 1 : 0);
  return S_OK;
}

// ---------------------------------------------------------------------------
// Option: 4, idx(1) option, idx(2) feature, negated, value bits.

HRESULT KuvBioOptionEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfOptionEff*& leaf) {
  LeafIn r(traceChannel(), in, ids);
  std::uint8_t kind = 0;
  std::uint8_t value = 0;
  KuvInGuid option;
  KuvInGuid feature;
  bool negated = false;
  if (FAILED(r.kind(kind, {4})) || FAILED(r.guid(C::E_Option, option)) || FAILED(r.guid(C::E_Category, feature)) ||
      FAILED(r.flag(negated)) || FAILED(r.byte(value, KuvDnfOptionEff::Any)))
    return E_FAIL;
  leaf = new KuvDnfOptionEff(option, feature, value, negated);
  return S_OK;
}

HRESULT KuvBioOptionEff::write(KuvBioBufferOut& out, const KuvDnfOptionEff& leaf, const KuvBioTypedIdsWriter& ids) {
  LeafOut w(traceChannel(), out, ids);
  if (leaf.getValue() > KuvDnfOptionEff::Any) KUV_RETURN_ERROR(E_FAIL, sc_badValue);
  w.byte(4);
  if (FAILED(w.index(leaf.getOption(), C::E_Option)) || FAILED(w.index(leaf.getFeature(), C::E_Category)))
    return E_FAIL;
  w.byte(leaf.isNegated() ? 1 : 0);
  w.byte(leaf.getValue());
  return S_OK;
}

// ---------------------------------------------------------------------------
// Selection: 3, idx(5), negated, no value, count, idx(6) per value.

HRESULT KuvBioSelectionEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfSelectionEff*& leaf) {
  LeafIn r(traceChannel(), in, ids);
  std::uint8_t kind = 0;
  KuvInGuid feature;
  bool negated = false;
  bool noVar = false;
  std::uint16_t count = 0;
  if (FAILED(r.kind(kind, {3})) || FAILED(r.guid(C::E_SelectionVar, feature)) || FAILED(r.flag(negated)) ||
      FAILED(r.flag(noVar)) || FAILED(r.count(count)) || FAILED(r.need(std::uint64_t{count} * r.indexWidth())))
    return E_FAIL;
  auto read = std::make_unique<KuvDnfSelectionEff>(feature, count, noVar, negated);
  for (std::uint16_t i = 0; i < count; ++i) {
    KuvInGuid value;
    if (FAILED(r.guid(C::E_SelectionValue, value))) return E_FAIL;
    read->putValue(value);
  }
  leaf = read.release();
  return S_OK;
}

HRESULT KuvBioSelectionEff::write(KuvBioBufferOut& out, const KuvDnfSelectionEff& leaf,
                                  const KuvBioTypedIdsWriter& ids) {
  LeafOut w(traceChannel(), out, ids);
  w.byte(3);
  if (FAILED(w.index(leaf.getFeature(), C::E_SelectionVar))) return E_FAIL;
  w.byte(leaf.isNegated() ? 1 : 0);
  w.byte(leaf.getNoVar() ? 1 : 0);
  if (FAILED(w.count(static_cast<std::uint32_t>(leaf.getValues().GetLength())))) return E_FAIL;
  for (const KuvInGuid* value : kuv::detail::sortedGuids(leaf.getValues()))
    if (FAILED(w.index(*value, C::E_SelectionValue))) return E_FAIL;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Date: 2, idx(4), 2 (with time) + negated, no value, count, dates.

HRESULT KuvBioDateEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfDateEff*& leaf) {
  LeafIn r(traceChannel(), in, ids);
  std::uint8_t kind = 0;
  std::uint8_t flags = 0;
  KuvInGuid variable;
  bool noVar = false;
  std::uint16_t count = 0;
  if (FAILED(r.kind(kind, {2})) || FAILED(r.guid(C::E_DateVar, variable)) || FAILED(r.byte(flags, 3)) ||
      FAILED(r.flag(noVar)) || FAILED(r.count(count)))
    return E_FAIL;
  const bool withTime = (flags & 2) != 0;
  KuvInListVal intervals(KuvInDateInterval::sType());
  for (std::uint16_t i = 0; i < count; ++i) {
    KuvInDate lower;
    KuvInDate upper;
    KuvInDateInterval interval;
    if (FAILED(r.date(withTime, false, lower)) || FAILED(r.date(withTime, true, upper))) return E_FAIL;
    if (FAILED(interval.setInterval(lower, upper))) KUV_RETURN_ERROR(E_FAIL, sc_badValue);
    intervals.PutBack(interval);
  }
  leaf = new KuvDnfDateEff(variable, intervals, noVar, (flags & 1) != 0);
  return S_OK;
}

HRESULT KuvBioDateEff::write(KuvBioBufferOut& out, const KuvDnfDateEff& leaf, const KuvBioTypedIdsWriter& ids) {
  LeafOut w(traceChannel(), out, ids);
  w.byte(2);
  if (FAILED(w.index(leaf.getGuid(), C::E_DateVar))) return E_FAIL;
  w.byte(leaf.isNegated() ? 3 : 2);
  w.byte(leaf.getNoVar() ? 1 : 0);
  const KuvInListVal& intervals = leaf.getIntervals();
  if (FAILED(w.count(static_cast<std::uint32_t>(intervals.GetLength())))) return E_FAIL;
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    w.date(at<KuvInDateInterval>(intervals, i).getA());
    w.date(at<KuvInDateInterval>(intervals, i).getB());
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Serial: external type, idx(3), negated, 3 / 2 (no value or not), count,
// per range its ends byte and two 4-byte values.

HRESULT KuvBioSerialEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfSerialEff*& leaf) {
  LeafIn r(traceChannel(), in, ids);
  std::uint8_t kind = 0;
  std::uint8_t noVar = 0;
  KuvInGuid variable;
  bool negated = false;
  std::uint16_t count = 0;
  if (FAILED(r.kind(kind, {1, 12, 13, 14})) || FAILED(r.guid(C::E_SerialVar, variable)) || FAILED(r.flag(negated)) ||
      FAILED(r.byte(noVar, 3)) || FAILED(r.count(count)))
    return E_FAIL;
  if (noVar < 2) KUV_RETURN_ERROR(E_FAIL, sc_badValue);
  KuvInListVal intervals(KuvInSerialInterval::sType());
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t ends = 0;
    std::int32_t a = 0;
    std::int32_t b = 0;
    KuvInSerialInterval interval;
    if (FAILED(r.byte(ends, 3)) || FAILED(r.int32(a)) || FAILED(r.int32(b))) return E_FAIL;
    if (FAILED(interval.setInterval(a, (ends & 2) != 0, b, (ends & 1) != 0))) KUV_RETURN_ERROR(E_FAIL, sc_badValue);
    intervals.PutBack(interval);
  }
  leaf = new KuvDnfSerialEff(variable, intervals, kind, noVar == 3, negated);
  return S_OK;
}

HRESULT KuvBioSerialEff::write(KuvBioBufferOut& out, const KuvDnfSerialEff& leaf, const KuvBioTypedIdsWriter& ids) {
  LeafOut w(traceChannel(), out, ids);
  if (KuvDnfSerialEffMultiStruct::slotOf(leaf.getSerialType()) < 0)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported/unexpected case");
  w.byte(static_cast<std::uint32_t>(leaf.getSerialType()));
  if (FAILED(w.index(leaf.getGuid(), C::E_SerialVar))) return E_FAIL;
  w.byte(leaf.isNegated() ? 1 : 0);
  w.byte(leaf.getNoVar() ? 3 : 2);
  const KuvInListVal& intervals = leaf.getIntervals();
  if (FAILED(w.count(static_cast<std::uint32_t>(intervals.GetLength())))) return E_FAIL;
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    const auto& interval = at<KuvInSerialInterval>(intervals, i);
    w.byte(endsByte(interval.getAIncl(), interval.getBIncl()));
    w.int32(interval.getA());
    w.int32(interval.getB());
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Milestones: 24, idx(10), 2 negated + 1 no value, count, per range its
// ends byte and two values (a bound, then 1 when derived from a date).

HRESULT KuvBioMilestonesEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfMilestonesEff*& leaf) {
  LeafIn r(traceChannel(), in, ids);
  std::uint8_t kind = 0;
  std::uint8_t flags = 0;
  KuvInGuid variable;
  std::uint16_t count = 0;
  if (FAILED(r.kind(kind, {24})) || FAILED(r.guid(C::E_MilestonesVar, variable)) || FAILED(r.byte(flags, 3)) ||
      FAILED(r.count(count)))
    return E_FAIL;
  KuvInListVal intervals(KuvInMilestonesEvalInterval::sType());
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t ends = 0;
    KuvInTreeEvalIndexBound a;
    KuvInTreeEvalIndexBound b;
    bool aDerived = false;
    bool bDerived = false;
    if (FAILED(r.byte(ends, 3)) || FAILED(r.bound(a)) || FAILED(r.flag(aDerived)) || FAILED(r.bound(b)) ||
        FAILED(r.flag(bDerived)))
      return E_FAIL;
    if (b < a) KUV_RETURN_ERROR(E_FAIL, sc_badValue);
    intervals.PutBack(KuvInMilestonesEvalInterval(KuvInMilestonesEvalIntervalValue(a, aDerived), (ends & 2) != 0,
                                                  KuvInMilestonesEvalIntervalValue(b, bDerived), (ends & 1) != 0));
  }
  leaf = new KuvDnfMilestonesEff(variable, intervals, (flags & 1) != 0, (flags & 2) != 0);
  return S_OK;
}

HRESULT KuvBioMilestonesEff::write(KuvBioBufferOut& out, const KuvDnfMilestonesEff& leaf,
                                   const KuvBioTypedIdsWriter& ids) {
  LeafOut w(traceChannel(), out, ids);
  w.byte(24);
  if (FAILED(w.index(leaf.getGuid(), C::E_MilestonesVar))) return E_FAIL;
  w.byte((leaf.isNegated() ? 2 : 0) + (leaf.getNoVar() ? 1 : 0));
  const KuvInListVal& intervals = leaf.getIntervals();
  if (FAILED(w.count(static_cast<std::uint32_t>(intervals.GetLength())))) return E_FAIL;
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    const auto& interval = at<KuvInMilestonesEvalInterval>(intervals, i);
    w.byte(endsByte(interval.isInfBoundIncluded(), interval.isSupBoundIncluded()));
    if (FAILED(w.bound(interval.getInfBound().getBound()))) return E_FAIL;
    w.byte(interval.getInfBound().isDerivedDate() ? 1 : 0);
    if (FAILED(w.bound(interval.getSupBound().getBound()))) return E_FAIL;
    w.byte(interval.getSupBound().isDerivedDate() ? 1 : 0);
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Tree series: 20 (18 and 19 read too), tree type, idx(9), 2 negated + 1 no
// value, count, per range its ends byte and two bounds.

HRESULT KuvBioTreeSeriesEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, KuvDnfTreeSeriesEff*& leaf) {
  LeafIn r(traceChannel(), in, ids);
  std::uint8_t kind = 0;
  std::uint8_t treeType = 0;
  std::uint8_t flags = 0;
  KuvInGuid variable;
  std::uint16_t count = 0;
  if (FAILED(r.kind(kind, {18, 19, 20})) || FAILED(r.byte(treeType, 0xFF)) ||
      FAILED(r.guid(C::E_TreeSeriesVar, variable)) || FAILED(r.byte(flags, 3)) || FAILED(r.count(count)))
    return E_FAIL;
  KuvInListVal intervals(KuvInTreeEvalInterval::sType());
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t ends = 0;
    KuvInTreeEvalIndexBound a;
    KuvInTreeEvalIndexBound b;
    KuvInTreeEvalInterval interval;
    if (FAILED(r.byte(ends, 3)) || FAILED(r.bound(a)) || FAILED(r.bound(b))) return E_FAIL;
    if (FAILED(interval.setInterval(a, (ends & 2) != 0, b, (ends & 1) != 0))) KUV_RETURN_ERROR(E_FAIL, sc_badValue);
    intervals.PutBack(interval);
  }
  leaf = new KuvDnfTreeSeriesEff(variable, intervals, treeType, (flags & 1) != 0, (flags & 2) != 0);
  return S_OK;
}

HRESULT KuvBioTreeSeriesEff::write(KuvBioBufferOut& out, const KuvDnfTreeSeriesEff& leaf,
                                   const KuvBioTypedIdsWriter& ids) {
  LeafOut w(traceChannel(), out, ids);
  if (leaf.getTreeType() > 0xFF) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported/unexpected case");
  w.byte(20);
  w.byte(leaf.getTreeType());
  if (FAILED(w.index(leaf.getGuid(), C::E_TreeSeriesVar))) return E_FAIL;
  w.byte((leaf.isNegated() ? 2 : 0) + (leaf.getNoVar() ? 1 : 0));
  const KuvInListVal& intervals = leaf.getIntervals();
  if (FAILED(w.count(static_cast<std::uint32_t>(intervals.GetLength())))) return E_FAIL;
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    const auto& interval = at<KuvInTreeEvalInterval>(intervals, i);
    w.byte(endsByte(interval.getAIncl(), interval.getBIncl()));
    if (FAILED(w.bound(interval.getA())) || FAILED(w.bound(interval.getB()))) return E_FAIL;
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Restrictions: kind, negated, [idx(2) category: category options only],
// count, one index per variable. One engine; the classes below give it
// their kind bytes, the variables' type and how to make the leaf.

namespace {

HRESULT writeRestriction(KuvInTraceClass& channel, KuvBioBufferOut& out, const KuvDnfRestrictionEff& leaf,
                         std::uint32_t kind, C::E_VarType type, const KuvBioTypedIdsWriter& ids,
                         const KuvInGuid* category = nullptr) {
  LeafOut w(channel, out, ids);
  w.byte(kind);
  w.byte(leaf.isNegated() ? 1 : 0);
  if (category != nullptr && FAILED(w.index(*category, C::E_Category))) return E_FAIL;
  if (leaf.getVariables().GetLength() > 0xFFFF) KUV_RETURN_ERROR_ON(channel, E_FAIL, "ERROR : Cannot write binary - overflow");
  w.count(static_cast<std::uint32_t>(leaf.getVariables().GetLength()));
  for (const KuvInGuid* variable : kuv::detail::sortedGuids(leaf.getVariables()))
    if (FAILED(w.index(*variable, type))) return E_FAIL;
  return S_OK;
}

// make(kind, count, category) gives the empty leaf.
template <class Leaf, class Make>
HRESULT readRestriction(KuvInTraceClass& channel, KuvBioBuffer& in, const KuvBioTypedIdsReader& ids,
                        std::initializer_list<std::uint8_t> kinds, C::E_VarType type, Leaf*& leaf, Make make,
                        bool withCategory = false) {
  LeafIn r(channel, in, ids);
  std::uint8_t kind = 0;
  bool negated = false;
  KuvInGuid category;
  std::uint16_t count = 0;
  if (FAILED(r.kind(kind, kinds)) || FAILED(r.flag(negated)) ||
      (withCategory && FAILED(r.guid(C::E_Category, category))) || FAILED(r.count(count)) ||
      FAILED(r.need(std::uint64_t{count} * r.indexWidth())))
    return E_FAIL;
  std::unique_ptr<Leaf> read(make(kind, count, category));
  for (std::uint16_t i = 0; i < count; ++i) {
    KuvInGuid variable;
    if (FAILED(r.guid(type, variable))) return E_FAIL;
    read->putVariable(variable);
  }
  if (negated) read->negate();
  leaf = read.release();
  return S_OK;
}

// Serial restriction kinds: 6 for UNDEFINED, the external type + 3 for
// State, Unit and ManufPlan. Tree series: the tree type + 3.
std::uint32_t serialRestrictionKind(std::int32_t serialType) {
  return serialType == KuvDnfSerialEff::UNDEFINED ? 6u : static_cast<std::uint32_t>(serialType) + 3;
}

}  // namespace

#define KUV_BIO_DNF_DEFINE_RESTRICTION(Codec, Leaf, Kind, Type)                                           \
  HRESULT Codec::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids, Leaf*& leaf) {                    \
    return readRestriction(traceChannel(), in, ids, {Kind}, Type, leaf,                                    \
                           [](std::uint8_t, std::int32_t count, const KuvInGuid&) { return new Leaf(count); }); \
  }                                                                                                        \
  HRESULT Codec::write(KuvBioBufferOut& out, const Leaf& leaf, const KuvBioTypedIdsWriter& ids) {          \
    return writeRestriction(traceChannel(), out, leaf, Kind, Type, ids);                                   \
  }

KUV_BIO_DNF_DEFINE_RESTRICTION(KuvBioDateRestrictionEff, KuvDnfDateRestrictionEff, 7, C::E_DateVar)
KUV_BIO_DNF_DEFINE_RESTRICTION(KuvBioSelectionRestrictionEff, KuvDnfSelectionRestrictionEff, 8, C::E_SelectionVar)
KUV_BIO_DNF_DEFINE_RESTRICTION(KuvBioCategoryRestrictionEff, KuvDnfCategoryRestrictionEff, 10, C::E_Category)
KUV_BIO_DNF_DEFINE_RESTRICTION(KuvBioEffRestrictionEff, KuvDnfEffRestrictionEff, 11, C::E_Effectivity)
KUV_BIO_DNF_DEFINE_RESTRICTION(KuvBioMilestonesRestrictionEff, KuvDnfMilestonesRestrictionEff, 25,
                               C::E_MilestonesVar)

#undef KUV_BIO_DNF_DEFINE_RESTRICTION

HRESULT KuvBioCategoryOptionRestrictionEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids,
                                                 KuvDnfCategoryOptionRestrictionEff*& leaf) {
  return readRestriction(
      traceChannel(), in, ids, {9}, C::E_Option, leaf,
      [](std::uint8_t, std::int32_t count, const KuvInGuid& category) {
        return new KuvDnfCategoryOptionRestrictionEff(count, category);
      },
      true);
}

HRESULT KuvBioCategoryOptionRestrictionEff::write(KuvBioBufferOut& out, const KuvDnfCategoryOptionRestrictionEff& leaf,
                                                  const KuvBioTypedIdsWriter& ids) {
  return writeRestriction(traceChannel(), out, leaf, 9, C::E_Option, ids, &leaf.getCategory());
}

HRESULT KuvBioSerialRestrictionEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids,
                                         KuvDnfSerialRestrictionEff*& leaf) {
  return readRestriction(traceChannel(), in, ids, {6, 15, 16, 17}, C::E_SerialVar, leaf,
                         [](std::uint8_t kind, std::int32_t count, const KuvInGuid&) {
                           return new KuvDnfSerialRestrictionEff(count, kind == 6 ? KuvDnfSerialEff::UNDEFINED : kind - 3);
                         });
}

HRESULT KuvBioSerialRestrictionEff::write(KuvBioBufferOut& out, const KuvDnfSerialRestrictionEff& leaf,
                                          const KuvBioTypedIdsWriter& ids) {
  if (KuvDnfSerialEffMultiStruct::slotOf(leaf.getSerialType()) < 0)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported/unexpected case");
  return writeRestriction(traceChannel(), out, leaf, serialRestrictionKind(leaf.getSerialType()), C::E_SerialVar, ids);
}

HRESULT KuvBioTreeSeriesRestrictionEff::read(KuvBioBuffer& in, const KuvBioTypedIdsReader& ids,
                                             KuvDnfTreeSeriesRestrictionEff*& leaf) {
  return readRestriction(traceChannel(), in, ids, {21, 22, 23}, C::E_TreeSeriesVar, leaf,
                         [](std::uint8_t kind, std::int32_t count, const KuvInGuid&) {
                           return new KuvDnfTreeSeriesRestrictionEff(count, kind - 3u);
                         });
}

HRESULT KuvBioTreeSeriesRestrictionEff::write(KuvBioBufferOut& out, const KuvDnfTreeSeriesRestrictionEff& leaf,
                                              const KuvBioTypedIdsWriter& ids) {
  if (leaf.getTreeType() < 18 || leaf.getTreeType() > 20) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported/unexpected case");
  return writeRestriction(traceChannel(), out, leaf, leaf.getTreeType() + 3, C::E_TreeSeriesVar, ids);
}
