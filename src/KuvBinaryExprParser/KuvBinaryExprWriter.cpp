#include "KuvBinaryExprWriter.h"

#include "KuvBinaryCriteria.h"
#include "KuvBinaryEENodeParser.h"
#include "KuvBinaryNetStream.h"
#include "KuvEeEffectivity.h"
#include "KuvEeGenericExpression.h"
#include "KuvEeRule.h"
#include "KuvEeVarEff.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvBinaryExprWriter, KuvInObject)

namespace kuv::detail {

HRESULT netData(const KuvInList& dependencies, KuvBinaryExprData& data) {
  for (std::int32_t i = 0; i < dependencies.GetLength(); ++i) {
    KuvInObject* object = dependencies.Get(i);
    if (object == nullptr) return E_FAIL;
    const HRESULT results[] = {
        data.setExprCriteria(i, *object, false),          data.setExprImpactingCriteria(i, *object, false),
        data.setCriteriaEeModel(i, *object, false),       data.setVolatileCriteria(i, *object, false),
        data.setInheritedEffectivity(i, *object, false),  data.setInheritedEffectivityModel(i, *object, false)};
    for (HRESULT hr : results)
      if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace kuv::detail

namespace {

using Nodes = KuvBinaryEENodeParser;

KuvInTraceClass& channel() { return KuvBinaryExprWriter::traceChannel(); }

// Writes the header with a length placeholder; returns where the length goes.
std::uint32_t beginStream(KuvBioBufferOut& out, kuv::detail::NetStream stream) {
  out.Clear();
  for (std::uint8_t byte : kuv::detail::sc_netMagic) out.PutBack(byte);
  out.PutBack(kuv::detail::sc_netVersion);
  const std::uint32_t lengthAt = out.GetLength();
  out.writeUINT32(0);
  out.PutBack(static_cast<std::uint8_t>(stream));
  return lengthAt;
}

HRESULT endStream(KuvBioBufferOut& out, std::uint32_t lengthAt) {
  return out.overwriteUINT32(lengthAt, out.GetLength() - kuv::detail::sc_netHeaderSize);
}

HRESULT writeTree(const KuvEeNodeRef* tree, const KuvBinaryExprData& data, KuvBioBufferOut& out) {
  if (tree == nullptr) {
    out.PutBack(0);
    return S_OK;
  }
  return Nodes::write(*tree, data, out, Nodes::E_NetFormat);
}

HRESULT writeList(const KuvQmSpecList& list, KuvEeGenericExpression::ListMode mode, const KuvBinaryExprData& data,
                  KuvBioBufferOut& out) {
  out.PutBack(static_cast<std::uint8_t>(mode));
  out.writeUINT32(static_cast<std::uint32_t>(list.GetNbVarEffs()));
  for (auto it = list.GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) {
    const auto* eff = static_cast<const KuvEeVarEff*>(it.GetVal());
    if (eff->isNegated()) out.PutBack(4);
    const HRESULT hr = kuv::detail::writeCriterion(*eff, data, out);
    if (FAILED(hr)) return hr;
  }
  out.writeUINT32(static_cast<std::uint32_t>(list.GetNbEffs()));
  for (auto it = list.GetEffs().cBegin(); it.IsValid(); it.Next()) {
    const std::int32_t index = data.getExprCriteriaIndex(*it.Get());
    if (index < 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to retrieve Effectivity object Index.");
    out.writeUINT32(static_cast<std::uint32_t>(index));
  }
  return S_OK;
}

}  // namespace

HRESULT KuvBinaryExprWriter::Write(const KuvEeGenericExpression& expression, const KuvInList& dependencies,
                                   KuvBioBufferOut& out) {
  KUV_TRACE_CALL("Write");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvBinaryExprData data;
    if (FAILED(kuv::detail::netData(dependencies, data))) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    if (expression.IsList()) {
      const std::uint32_t lengthAt = beginStream(out, kuv::detail::NetList);
      const HRESULT hr = writeList(*expression.GetList(), expression.GetMode(), data, out);
      return FAILED(hr) ? hr : endStream(out, lengthAt);
    }
    if (expression.GetNodeRef() == nullptr) return endStream(out, beginStream(out, kuv::detail::NetEmpty));
    const std::uint32_t lengthAt = beginStream(out, kuv::detail::NetTree);
    const HRESULT hr = writeTree(expression.GetNodeRef(), data, out);
    return FAILED(hr) ? hr : endStream(out, lengthAt);
  });
}

HRESULT KuvBinaryExprWriter::WriteRules(const KuvInList& rules, const KuvInList& dependencies, KuvBioBufferOut& out) {
  KUV_TRACE_CALL("WriteRules");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvBinaryExprData data;
    if (FAILED(kuv::detail::netData(dependencies, data))) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    const std::uint32_t lengthAt = beginStream(out, kuv::detail::NetRules);
    out.writeUINT32(static_cast<std::uint32_t>(rules.GetLength()));
    for (std::int32_t i = 0; i < rules.GetLength(); ++i) {
      const KuvEeRule* rule = rules.Get(i) != nullptr ? KuvEeRule::cast(*rules.Get(i)) : nullptr;
      if (rule == nullptr || rule->GetRuleType() != KuvEeRule::CFG_RULE_INCLUSION)
        KUV_RETURN_ERROR(E_FAIL, "UNEXPECTED: InclusionRules ONLY are supported");
      out.PutBack(KuvEeRule::CFG_RULE_INCLUSION);
      HRESULT hr = writeTree(rule->GetContextExpression(), data, out);
      if (SUCCEEDED(hr)) hr = writeTree(rule->GetConstraintExpression(), data, out);
      if (FAILED(hr)) return hr;
    }
    return endStream(out, lengthAt);
  });
}
