// What the binary expression tests share: a map of expressions that owns
// them, writing and reading whole binaries, and the text of a map.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KuvBinaryExprData.h"
#include "KuvBinaryExprParser.h"
#include "KuvEeExpression.h"
#include "KuvInIntHolder.h"
#include "support/KuvTestSupport.h"

namespace kuv_test {

using Bytes = std::vector<std::uint8_t>;

struct ExpressionMap {
  KuvInMap map{KuvInIntHolder::sType(), KuvEeExpression::sType()};
  ~ExpressionMap() { map.DeleteAll(); }
  void put(std::uint32_t domain, KuvEeExpression* expression) { map.Put(KuvInIntHolder(domain), expression); }
};

inline Bytes write(const KuvInMap& map, const KuvBinaryExprData& data, unsigned version) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvBinaryExprParser::Write(map, data, out, version));
  return out.GetLength() == 0 ? Bytes() : Bytes(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

// result is null when nothing was read.
inline HRESULT read(KuvBinaryExprData& data, const Bytes& bytes, std::unique_ptr<ExpressionMap>& result) {
  data.setBinary(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  KuvInMap* map = nullptr;
  const HRESULT hr = KuvBinaryExprParser::Read(data, map);
  result.reset();
  if (map != nullptr) {
    result = std::make_unique<ExpressionMap>();
    result->map.PutAll(*map);
    delete map;
  }
  return hr;
}

inline std::string textOf(const KuvInMap& map) {
  std::string text;
  for (auto it = map.cBegin(); !it.IsEnd(); it.Next())
    text += kuv_test::text(*it.GetKey()) + ": " + kuv_test::text(*it.GetVal()) + "\n";
  return text;
}

}  // namespace kuv_test
