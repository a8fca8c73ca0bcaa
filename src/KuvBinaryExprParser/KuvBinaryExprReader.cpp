#include "KuvBinaryExprReader.h"

#include <memory>
#include <new>
#include <vector>

#include "KuvBinaryCriteria.h"
#include "KuvBinaryEENodeParser.h"
#include "KuvBinaryNetStream.h"
#include "KuvBioBasic.h"
#include "KuvEeEffectivity.h"
#include "KuvEeGenericExpression.h"
#include "KuvEeRule.h"
#include "KuvEeVarEff.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvBinaryExprReader, KuvInObject)

namespace {

using Nodes = KuvBinaryEENodeParser;
using Tree = std::unique_ptr<KuvEeNodeRef>;

KuvInTraceClass& channel() { return KuvBinaryExprReader::traceChannel(); }

// Checks the header, whose length must cover exactly the rest, and reads
// the stream byte.
HRESULT openStream(KuvBioBuffer& in, std::uint8_t& stream) {
  const std::uint8_t* p = in.getCurrent();
  if (p == nullptr || !in.isReadValid(kuv::detail::sc_netHeaderSize + 1) || p[0] != 'n' || p[1] != 'e' ||
      p[2] != 't' || p[3] != kuv::detail::sc_netVersion ||
      KuvBioBasic::getUINT32(p + 4) != in.getSize() - kuv::detail::sc_netHeaderSize)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: WRONG binary header format.");
  stream = p[kuv::detail::sc_netHeaderSize];
  in.increment(kuv::detail::sc_netHeaderSize + 1);
  return S_OK;
}

HRESULT readTree(KuvBioBuffer& in, KuvBinaryExprData& data, Tree& tree) {
  std::uint8_t first = 0;
  if (FAILED(in.getUINT8(first))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to read node type.");
  if (first == 0) {
    in.increment(1);
    return S_FALSE;
  }
  KuvEeNodeRef* node = nullptr;
  const HRESULT hr = Nodes::readNode(in, data, false, node, Nodes::E_NetFormat);
  tree.reset(node);
  return hr;
}

HRESULT readList(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeGenericExpression& expression) {
  std::uint8_t mode = 0;
  std::uint32_t count = 0;
  if (FAILED(in.readUINT8(mode)) || FAILED(in.readUINT32(count))) return E_FAIL;
  if (mode > KuvEeGenericExpression::CFG_LISTMODE_150) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
  auto list = std::make_unique<KuvQmSpecList>();
  HRESULT status = S_OK;
  // Every item takes bytes: a count beyond them fails at the first short read.
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t type = 0;
    if (FAILED(in.readUINT8(type))) return E_FAIL;
    const bool negated = type == 4;
    if (negated && FAILED(in.readUINT8(type))) return E_FAIL;
    KuvEeVarEff* eff = nullptr;
    const HRESULT hr = kuv::detail::readCriterion(type, in, data, false, eff);
    if (FAILED(hr)) return hr;
    if (hr == Nodes::sc_readIncomplete) status = hr;
    if (negated) eff->opNot();
    if (FAILED(list->AddVarEff(eff))) {
      delete eff;
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
    }
  }
  if (FAILED(in.readUINT32(count))) return E_FAIL;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t index = 0;
    if (FAILED(in.readUINT32(index))) return E_FAIL;
    KuvInObject* found = index <= 0x7FFFFFFF ? data.getExprCriteria(static_cast<std::int32_t>(index)) : nullptr;
    KuvEeEffectivity* eff = found != nullptr ? KuvEeEffectivity::cast(*found) : nullptr;
    // A second mention of one effectivity would be dropped by the list.
    if (eff == nullptr || list->AddEff(eff) != S_OK) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
  }
  if (FAILED(expression.SetExpression(list.get(), static_cast<KuvEeGenericExpression::ListMode>(mode))))
    return E_FAIL;
  list.release();
  return status;
}

HRESULT finish(const KuvBioBuffer& in, HRESULT hr) {
  if (SUCCEEDED(hr) && in.getRemaining() != 0)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected bytes after the stream.");
  return hr;
}

}  // namespace

HRESULT KuvBinaryExprReader::Read(const std::uint8_t* bytes, std::uint32_t size, const KuvInList& dependencies,
                                  KuvEeGenericExpression*& expression) {
  KUV_TRACE_CALL("Read");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (expression != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
    KuvBioBuffer in(bytes, size, 0);
    std::uint8_t stream = 0;
    if (FAILED(openStream(in, stream))) return E_FAIL;
    KuvBinaryExprData data;
    if (FAILED(kuv::detail::netData(dependencies, data))) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    auto result = std::make_unique<KuvEeGenericExpression>();
    HRESULT hr = S_OK;
    if (stream == kuv::detail::NetTree) {
      Tree tree;
      hr = readTree(in, data, tree);
      if (hr == S_FALSE) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
      if (SUCCEEDED(hr) && FAILED(result->SetExpression(tree.get()))) hr = E_FAIL;
      if (SUCCEEDED(hr)) tree.release();
    } else if (stream == kuv::detail::NetList) {
      hr = readList(in, data, *result);
    } else if (stream != kuv::detail::NetEmpty) {
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Incorrect stream identifier");
    }
    hr = finish(in, hr);
    if (FAILED(hr)) return hr;
    expression = result.release();
    return hr;
  });
}

HRESULT KuvBinaryExprReader::ReadRules(const std::uint8_t* bytes, std::uint32_t size, const KuvInList& dependencies,
                                       KuvInList& rules) {
  KUV_TRACE_CALL("ReadRules");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (!rules.IsTypeAccepted(KuvEeInclusionRule::sType()))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: list refuses rules");
    KuvBioBuffer in(bytes, size, 0);
    std::uint8_t stream = 0;
    if (FAILED(openStream(in, stream))) return E_FAIL;
    if (stream != kuv::detail::NetRules) KUV_RETURN_ERROR(E_FAIL, "ERROR: INVALID Rules binary header!");
    KuvBinaryExprData data;
    if (FAILED(kuv::detail::netData(dependencies, data))) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    std::uint32_t count = 0;
    if (FAILED(in.readUINT32(count))) return E_FAIL;
    std::vector<std::unique_ptr<KuvEeRule>> read;
    HRESULT status = S_OK;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint8_t type = 0;
      if (FAILED(in.readUINT8(type))) return E_FAIL;
      if (type != KuvEeRule::CFG_RULE_INCLUSION)
        KUV_RETURN_ERROR(E_FAIL, "UNEXPECTED: InclusionRules ONLY are supported");
      Tree context;
      Tree constraint;
      HRESULT hr = readTree(in, data, context);
      if (SUCCEEDED(hr)) {
        if (hr == Nodes::sc_readIncomplete) status = hr;
        hr = readTree(in, data, constraint);
      }
      if (FAILED(hr)) return hr;
      if (hr == Nodes::sc_readIncomplete) status = hr;
      // The trees stay owned until their rule holds them.
      auto rule = std::make_unique<KuvEeInclusionRule>(context.get(), constraint.get());
      context.release();
      constraint.release();
      read.push_back(std::move(rule));
    }
    status = finish(in, status);
    if (FAILED(status)) return status;
    // All or nothing: out of memory, the caller's list loses what it was given.
    const std::int32_t before = rules.GetLength();
    try {
      for (auto& rule : read) rules.PutBack(rule.get());
    } catch (const std::bad_alloc&) {
      rules.RemoveRange(before, rules.GetLength());
      throw;
    }
    for (auto& rule : read) rule.release();
    return status;
  });
}

HRESULT KuvBinaryExprReader::PrepareNodeData(const KuvInList& dependencies, KuvBinaryExprData& data) {
  KUV_TRACE_CALL("PrepareNodeData");
  if (FAILED(kuv::detail::netData(dependencies, data))) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  return S_OK;
}
