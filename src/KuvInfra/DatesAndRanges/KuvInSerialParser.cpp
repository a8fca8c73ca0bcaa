#include "KuvInSerialParser.h"

#include "KuvInSerialUtil.h"

KUV_DEFINE_TYPE(KuvInSerialParser, KuvInObject)

namespace {

bool refusedPair(const KuvInString& a, const KuvInString& b) { return a.IsEmpty() || b.IsEmpty() || a == b; }

}  // namespace

KuvInSerialParser::KuvInSerialParser()
    : m_infNegText("-oo"), m_minText("min"), m_maxText("max"), m_infPosText("+oo") {}

KuvInSerialParser::~KuvInSerialParser() = default;

HRESULT KuvInSerialParser::parse(const KuvInString& text, std::int32_t& value, bool /*startOfRange*/) const {
  if (text == m_infNegText) {
    value = KuvInSerialUtil::sc_infNeg;
  } else if (text == m_minText) {
    value = KuvInSerialUtil::sc_min;
  } else if (text == m_maxText) {
    value = KuvInSerialUtil::sc_max;
  } else if (text == m_infPosText) {
    value = KuvInSerialUtil::sc_infPos;
  } else {
    return text.ConvertToNum(value, "%d");
  }
  return S_OK;
}

KuvInString KuvInSerialParser::print(std::int32_t value) const {
  if (value == KuvInSerialUtil::sc_infNeg) return m_infNegText;
  if (value == KuvInSerialUtil::sc_infPos) return m_infPosText;
  return KuvInString::FromNum(value, "%d");
}

HRESULT KuvInSerialParser::setInfinites(const KuvInString& minusText, const KuvInString& plusText) {
  if (refusedPair(minusText, plusText)) return E_FAIL;
  m_infNegText = minusText;
  m_infPosText = plusText;
  return S_OK;
}

HRESULT KuvInSerialParser::setMinMax(const KuvInString& minText, const KuvInString& maxText) {
  if (refusedPair(minText, maxText)) return E_FAIL;
  m_minText = minText;
  m_maxText = maxText;
  return S_OK;
}
