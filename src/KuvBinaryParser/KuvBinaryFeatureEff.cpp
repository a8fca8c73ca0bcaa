#include "KuvBinaryFeatureEff.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "KuvBinaryDependency.h"
#include "KuvBinaryExprData.h"
#include "KuvBinaryLeaf.h"
#include "KuvBioBuffer.h"
#include "KuvBioBufferOut.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvInSet.h"

KUV_DEFINE_TYPE(KuvBinaryFeatureEff, KuvInObject)

namespace {

KuvInTraceClass& channel() { return KuvBinaryFeatureEff::traceChannel(); }

using kuv::detail::sc_globalValue;
using kuv::detail::sc_integer;
// The holder bit of the other leaves; here the index of the feature holder.
constexpr std::uint8_t sc_hasIndex = kuv::detail::sc_hasHolder;
// Bit 1 means a child feature in this leaf's own header, not a global value.
constexpr std::uint8_t sc_hasChildFeature = kuv::detail::sc_hasGlobalValue;
constexpr std::uint8_t sc_featureHeader = sc_hasIndex | sc_hasChildFeature | sc_globalValue;
constexpr std::uint32_t sc_maxNumber = 3;
constexpr std::uint32_t sc_valueSize = 3;

std::uint8_t valueHeader(std::uint32_t number) {
  return static_cast<std::uint8_t>(number * 8 + (sc_hasIndex | sc_globalValue));
}

void writeHeader(std::uint32_t holder, std::uint32_t count, KuvBioBufferOut& out) {
  out.PutBack(KuvBinaryFeatureEff::sc_nodeType);
  out.PutBack(sc_featureHeader);
  out.writeUINT16(holder);
  out.writeUINT16(count);
}

// One of the five lists that share the expr criteria map. Placeholders of
// the four lists without a name kind of their own are named after their
// GUID: an index met in two lists must not name two values of one variable
// alike, which the selection would take for one value.
struct List {
  KuvInObject* (KuvBinaryExprData::*get)(std::int32_t) const;
  HRESULT (KuvBinaryExprData::*set)(std::int32_t, KuvInObject&, bool);
  std::int32_t fakeKind;
};
constexpr List sc_criteria{&KuvBinaryExprData::getExprCriteria, &KuvBinaryExprData::setExprCriteria,
                           kuv::detail::FakeExprCriteria};
constexpr List sc_rule{&KuvBinaryExprData::getExprCriteriaRule, &KuvBinaryExprData::setExprCriteriaRule, 0};
constexpr List sc_default{&KuvBinaryExprData::getExprCriteriaDefault, &KuvBinaryExprData::setExprCriteriaDefault,
                          0};
constexpr List sc_dismissed{&KuvBinaryExprData::getExprCriteriaDismissed,
                            &KuvBinaryExprData::setExprCriteriaDismissed, 0};
constexpr List sc_incompatible{&KuvBinaryExprData::getExprCriteriaIncompatible,
                               &KuvBinaryExprData::setExprCriteriaIncompatible, 0};

const List& listOf(std::uint32_t number, bool flag, const KuvBinaryExprData& data) {
  switch (number) {
    case 1:
      KUV_TRACE_DETAIL_ON(channel(), "Selected By User");
      return flag && data.hasExprCriteriaDismissed() ? sc_dismissed : sc_criteria;
    case 2:
      KUV_TRACE_DETAIL_ON(channel(), "Selected By Rule");
      return flag && data.hasExprCriteriaIncompatible() ? sc_incompatible : sc_rule;
    case 3:
      KUV_TRACE_DETAIL_ON(channel(), "Selected By Default");
      return sc_default;
    default:
      KUV_TRACE_DETAIL_ON(channel(), "Selected By Undefined");
      return sc_criteria;
  }
}

template <class Fake, class Make>
KuvInObject* placeholder(KuvBinaryExprData& data, const List& list, std::int32_t index, Make make,
                         const char* nameFailure, const char* setFailure, const char* setTrace) {
  return kuv::detail::dependency<Fake>(
      data, index, list.fakeKind, [&](std::int32_t i) { return (data.*list.get)(i); },
      [&](std::int32_t i, KuvInObject& fake) { return (data.*list.set)(i, fake, true); }, make, channel(),
      nameFailure, setFailure, setTrace);
}

bool isFeatureValue(const KuvInObject* found) {
  return found != nullptr && (KuvEeSelectionValue::isObjectOfThisType(*found) || KuvEeOptionVar::isObjectOfThisType(*found));
}

// The object a value names; with fake dependencies a placeholder where the
// slot has none (see the header for its class).
KuvInObject* valueObject(KuvBinaryExprData& data, const List& list, std::int32_t index, bool option,
                         std::int32_t holder) {
  KuvInObject* found = (data.*list.get)(index);
  if (isFeatureValue(found) || !data.areFakeDependencies()) return found;
  if (option)
    return placeholder<KuvEeBasicOptionVar>(
        data, list, index, [] { return new KuvEeBasicOptionVar(KuvInString(), KuvInGuid()); },
        "ERROR: Unable to set fake name and guid to KuvEeOptionVar.",
        "ERROR: Unable to add OptionVar into ExprCriteria list.", "Set KuvEeOptionVar at index ");
  KuvInObject* var = placeholder<KuvEeSelectionVar>(
      data, sc_criteria, holder, [] { return new KuvEeSelectionVar(KuvInString(), nullptr); },
      "ERROR: Unable to set fake name and guid to KuvEeSelectionVar.",
      "ERROR: Unable to add SelectionVar into ExprCriteria list.", "Set KuvEeSelectionVar at index ");
  KuvEeSelectionVar* selection = var != nullptr ? KuvEeSelectionVar::cast(*var) : nullptr;
  if (selection == nullptr) return found;
  return placeholder<KuvEeSelectionValue>(
      data, list, index, [selection] { return new KuvEeSelectionValue(KuvInString(), nullptr, selection); },
      "ERROR: Unable to set fake name and guid to KuvEeSelectionValue.",
      "ERROR: Unable to add SelectionValue into ExprCriteria list.", "Set KuvEeSelectionValue at index ");
}

}  // namespace

KuvBinaryFeatureEff::~KuvBinaryFeatureEff() = default;

HRESULT KuvBinaryFeatureEff::write(const KuvEeVarEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out) {
  if (const KuvEeSelectionEff* selection = KuvEeSelectionEff::cast(eff)) return write(*selection, data, out);
  if (const KuvEeOptionEff* option = KuvEeOptionEff::cast(eff)) return write(*option, data, out);
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of FeatureEff.");
}

HRESULT KuvBinaryFeatureEff::write(const KuvEeSelectionEff& eff, const KuvBinaryExprData& data,
                                   KuvBioBufferOut& out) {
  KUV_TRACE_CALL("write");
  const KuvEeSelectionVar* var = eff.getSelectionVar();
  const std::int32_t holder = var != nullptr ? data.getExprCriteriaIndex(*var) : -1;
  if (holder < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve Feature holder object Index.");
  if (static_cast<std::uint32_t>(holder) > 0xFFFF)
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write Feature holder object index.");
  const KuvInSet& set = eff.getValues();
  if (set.IsEmpty() || set.GetLength() > 0xFFFF)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve number of SelectionValues.");
  struct Value {
    std::int32_t index;
    std::uint32_t number;
  };
  std::vector<Value> values;
  values.reserve(static_cast<std::size_t>(set.GetLength()));
  for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid();) {
    const auto* value = static_cast<const KuvEeSelectionValue*>(it.GetGoToNext());
    if (value == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer on retrieved SelectionValue.");
    const auto number = static_cast<std::uint32_t>(eff.getSelectedBy(value));
    const std::int32_t index = data.getExprCriteriaIndex(*value);
    if (index < 0 || number > sc_maxNumber)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve SelectionValue index.");
    if (static_cast<std::uint32_t>(index) > 0xFFFF)
      KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write SelectionValue index.");
    values.push_back({index, number});
  }
  std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) {
    return a.index != b.index ? a.index < b.index : a.number < b.number;
  });
  writeHeader(static_cast<std::uint32_t>(holder), static_cast<std::uint32_t>(values.size()), out);
  for (const Value& value : values) {
    out.PutBack(valueHeader(value.number));
    out.writeUINT16(static_cast<std::uint32_t>(value.index));
  }
  return S_OK;
}

HRESULT KuvBinaryFeatureEff::write(const KuvEeOptionEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out) {
  KUV_TRACE_CALL("write");
  const KuvEeOptionVar* var = eff.getOptionVar();
  const std::int32_t index = var != nullptr ? data.getExprCriteriaIndex(*var) : -1;
  if (index < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve Feature holder object Index.");
  if (static_cast<std::uint32_t>(index) > 0xFFFF)
    KUV_RETURN_ERROR(KuvBioConstants::sc_valueTooLarge, "ERROR: Unable to write Feature holder object index.");
  if (eff.getValue() > sc_maxNumber)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve Feature option holder object Index.");
  writeHeader(static_cast<std::uint32_t>(index), 1, out);
  out.PutBack(valueHeader(eff.getValue()));
  out.writeUINT16(static_cast<std::uint32_t>(index));
  return S_OK;
}

HRESULT KuvBinaryFeatureEff::read(KuvBioBuffer& in, KuvBinaryExprData& data, bool flag, KuvEeVarEff*& eff) {
  KUV_TRACE_CALL("read");
  if (eff != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  std::uint8_t header = 0;
  if (FAILED(in.readUINT8(header))) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  if ((header & sc_hasChildFeature) == 0)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Currently unsupported to have a FALSE hasChildFeature.");
  if ((header & sc_globalValue) == 0)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Currently unsupported to have a FALSE globalValue.");
  const bool hasHolder = (header & sc_hasIndex) != 0;
  if (!hasHolder && data.areFakeDependencies())
    KUV_RETURN_ERROR(E_FAIL,
                     "ERROR: This Binary version is incompatible with light parser because we can't retrieve holder "
                     "object index.");
  std::uint16_t holder = 0;
  std::uint16_t count = 0;
  if ((hasHolder && FAILED(in.readUINT16(holder))) || FAILED(in.readUINT16(count)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  if (count == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Number of options can't be zero.");
  if (!in.isReadValid(std::uint64_t{count} * sc_valueSize)) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected end of binary");
  std::unique_ptr<KuvEeVarEff> result;
  KuvEeSelectionEff* selection = nullptr;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t value = 0;
    std::uint16_t index = 0;
    in.readUINT8(value);
    in.readUINT16(index);
    if ((value & sc_hasIndex) == 0 || (value & sc_integer) != 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
    if ((value & sc_globalValue) == 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: currently unsupported to have a Global Value.");
    const std::uint32_t number = (value >> 3) & sc_maxNumber;
    const bool option = count == 1 && hasHolder && holder == index;
    KuvInObject* found = valueObject(data, listOf(number, flag, data), index, option, holder);
    KuvEeSelectionValue* chosen = found != nullptr ? KuvEeSelectionValue::cast(*found) : nullptr;
    KuvEeOptionVar* optionVar = found != nullptr && i == 0 ? KuvEeOptionVar::cast(*found) : nullptr;
    if (optionVar != nullptr) {
      result = std::make_unique<KuvEeOptionEff>(optionVar, number);
      continue;
    }
    if (chosen == nullptr || (i > 0 && selection == nullptr))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved feature option object is neither a selectionValue nor an optionVar. ",
                       found != nullptr ? found->toString() : KuvInString());
    if (i == 0) {
      auto made = std::make_unique<KuvEeSelectionEff>(chosen->getSelectionVar(), KuvEeSelectionEff::AllFalse);
      selection = made.get();
      result = std::move(made);
    }
    if (FAILED(selection->add(chosen, static_cast<KuvCriteriaSelectedBy>(number)))) return E_FAIL;
  }
  eff = result.release();
  return S_OK;
}
