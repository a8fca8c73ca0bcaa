#include "KuvCliEbe.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace kuv_cli {

const char* const sc_ebeTableNames[sc_ebeTables] = {"expr criteria",
                                                    "expr criteria (rule)",
                                                    "expr criteria (default)",
                                                    "expr criteria (dismissed)",
                                                    "expr criteria (incompatible)",
                                                    "impacting criteria",
                                                    "criteria dictionaries",
                                                    "inherited effectivities",
                                                    "inherited effectivity dictionaries"};

namespace {

using Data = KuvBinaryExprData;

// Lists 1 to 9 of a data object, and how each is filled.
constexpr const KuvInList& (Data::*sc_lists[sc_ebeTables])() const = {
    &Data::getListExprCriteria,
    &Data::getListExprCriteriaRule,
    &Data::getListExprCriteriaDefault,
    &Data::getListExprCriteriaDismissed,
    &Data::getListExprCriteriaIncompatible,
    &Data::getListExprImpactingCriteria,
    &Data::getListCriteriaEeModel,
    &Data::getListInheritedEffectivity,
    &Data::getListInheritedEffectivityModel};
constexpr HRESULT (Data::*sc_adds[sc_ebeTables])(KuvInObject&) = {
    &Data::addExprCriteria,          &Data::addExprCriteriaRule,         &Data::addExprCriteriaDefault,
    &Data::addExprCriteriaDismissed, &Data::addExprCriteriaIncompatible, &Data::addExprImpactingCriteria,
    &Data::addCriteriaEeModel,       &Data::addInheritedEffectivity,     &Data::addInheritedEffectivityModel};

std::string hresult(HRESULT code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

// list in increasing order of GUID, then kind; false with the reason when
// the model would not find an object again by its kind and GUID.
bool sorted(const Model& model, const KuvInList& list, KuvInList& result, std::string& error) {
  std::vector<KuvEeDicoObject*> objects;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) {
    KuvEeDicoObject* object = list.Get(i) != nullptr ? KuvEeDicoObject::cast(*list.Get(i)) : nullptr;
    if (object == nullptr) {
      error = "the expression depends on an object that is not a dictionary object";
      return false;
    }
    if (model.find(Model::kindOf(*object), object->getGuid()) != object) {
      error = std::string("the expression depends on ") + object->getName().ConvertToChar() +
              ", which the model does not find by its kind and GUID";
      return false;
    }
    objects.push_back(object);
  }
  std::stable_sort(objects.begin(), objects.end(), [](const KuvEeDicoObject* a, const KuvEeDicoObject* b) {
    return a->getGuid() != b->getGuid() ? a->getGuid() < b->getGuid() : Model::kindOf(*a) < Model::kindOf(*b);
  });
  for (KuvEeDicoObject* object : objects) result.PutBack(object);
  return true;
}

// The envelope of tables, then the payload.
void envelop(const std::vector<KuvInList>& tables, const std::uint8_t* payload, std::uint32_t size,
             Bytes& bytes) {
  KuvBioBufferOut out;
  for (const std::uint8_t byte : {std::uint8_t{'k'}, std::uint8_t{'u'}, std::uint8_t{'v'}, sc_envelopeVersion,
                                  static_cast<std::uint8_t>(tables.size())})
    out.PutBack(byte);
  for (const KuvInList& list : tables) {
    KuvBioTypedIdsWriter table;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const auto* object = static_cast<const KuvEeDicoObject*>(list.Get(i));
      table.registerTypedGuid(static_cast<KuvBioConstants::E_VarType>(Model::kindOf(*object)),
                              object->getGuid());
    }
    table.writeTypedUids(out);
  }
  bytes.assign(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
  bytes.insert(bytes.end(), payload, payload + size);
}

}  // namespace

bool isBareBinaryExpression(const Bytes& bytes) {
  const std::string magic(
      bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(3, bytes.size())));
  return magic == "net" || magic == "ebe" || magic == "fbe" || magic == "cbe" || magic == "cxe" ||
         magic == "cxf";
}

bool encodeNet(const Model& model, const KuvEeGenericExpression& expression, Bytes& bytes,
               std::string& error) {
  KuvInList first(KuvEeDicoObject::sType());
  KuvInList second(KuvEeDicoObject::sType());
  KuvBioBuffer* raw = nullptr;
  HRESULT hr = KuvCoreDependencyMngtServices::CreateDefinitionDBData(expression, nullptr, first, second, raw);
  delete raw;  // against the lists in the library's order: written again below
  if (FAILED(hr)) {
    error = "the library gives no definition data: " + hresult(hr);
    return false;
  }
  std::vector<KuvInList> ordered(sc_netTables, KuvInList(KuvEeDicoObject::sType()));
  if (!sorted(model, first, ordered[0], error) || !sorted(model, second, ordered[1], error)) return false;
  raw = nullptr;
  hr =
      KuvCoreDependencyMngtServices::SerializeExpressionToBinaryExpr(expression, ordered[0], ordered[1], raw);
  const std::unique_ptr<KuvBioBuffer> binary(raw);
  if (FAILED(hr)) {
    error = "the library does not write the binary expression: " + hresult(hr);
    return false;
  }
  envelop(ordered, binary->getBytes(), binary->getSize(), bytes);
  return true;
}

bool encodeEbe(const Model& model, const KuvEeExpression& expression, unsigned int version, Bytes& bytes,
               std::string& error) {
  KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
  byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), const_cast<KuvEeExpression*>(&expression));
  Data computed;
  HRESULT hr = KuvPLMModelExprDataMgr::ComputeBinaryExprData(byDomain, model.context(), computed, 0);
  if (FAILED(hr)) {
    error = "the library computes no dependency lists: " + hresult(hr);
    return false;
  }
  // The same objects in sorted lists, added in list order as the library
  // adds them: the lists that share indices share them alike.
  std::vector<KuvInList> ordered(sc_ebeTables, KuvInList(KuvEeDicoObject::sType()));
  Data data;
  for (std::uint8_t i = 0; i < sc_ebeTables; ++i) {
    if (!sorted(model, (computed.*sc_lists[i])(), ordered[i], error)) return false;
    for (std::int32_t j = 0; j < ordered[i].GetLength(); ++j) (data.*sc_adds[i])(*ordered[i].Get(j));
  }
  if (FAILED(hr = data.createVolatileCriteriaList(model.context()))) {
    error = "the library builds no volatile criteria: " + hresult(hr);
    return false;
  }
  KuvBioBufferOut out;
  if (FAILED(hr = KuvBinaryExprParser::Write(byDomain, data, out, version))) {
    error = "the library does not write the binary expression: " + hresult(hr);
    return false;
  }
  envelop(ordered, out.GetAsPtr(0), out.GetLength(), bytes);
  return true;
}

bool openEnvelope(const Model& model, const Bytes& bytes, Envelope& envelope, std::string& error) {
  if (bytes.size() < sc_envelopeHeaderSize || bytes[3] != sc_envelopeVersion) {
    error = bytes.size() < sc_envelopeHeaderSize
                ? "the envelope's header is cut short"
                : "envelope version " + std::to_string(bytes[3]) + ", this tool reads version " +
                      std::to_string(sc_envelopeVersion);
    return false;
  }
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  in.increment(sc_envelopeHeaderSize);
  for (std::uint8_t t = 0; t < bytes[4]; ++t) {
    KuvBioTypedIdsReader table;
    if (FAILED(table.readTypedGuids(in))) {
      error = "table " + std::to_string(t + 1) + " is cut short";
      return false;
    }
    KuvInList& list = envelope.tables.emplace_back(KuvEeDicoObject::sType());
    for (std::uint32_t i = 0; i < table.getNbTypedIds(); ++i) {
      std::uint8_t kind = 0;
      const std::uint8_t* guid = nullptr;
      table.getTypedGuidAtIndex(i, kind, guid);
      KuvEeDicoObject* object = model.find(kind, KuvInGuid(guid));
      if (object == nullptr) {
        error = "object #" + std::to_string(i) + " of table " + std::to_string(t + 1) + " (kind " +
                std::to_string(kind) + ", GUID " + KuvInGuid(guid).toString().ConvertToChar() +
                ") is not in the model";
        return false;
      }
      list.PutBack(object);
    }
  }
  envelope.payloadAt = in.getPosition();
  envelope.payload.assign(bytes.begin() + envelope.payloadAt,
                          bytes.begin() + std::min<std::size_t>(bytes.size(), envelope.payloadAt + 3));
  const bool net = envelope.payload == "net";
  const bool ebe = envelope.payload == "ebe" || envelope.payload == "fbe" || envelope.payload == "cbe";
  if (!net && !ebe) {
    error = "no payload magic (net, ebe, fbe or cbe) after the tables";
    return false;
  }
  const std::size_t expected = net ? sc_netTables : sc_ebeTables;
  if (envelope.tables.size() != expected) {
    error = std::to_string(envelope.tables.size()) + " tables before the " + envelope.payload +
            " payload, which has " + std::to_string(expected);
    return false;
  }
  return true;
}

KuvInList netDependencies(const Envelope& envelope) {
  KuvInList all(envelope.tables[0]);
  all.PutBackList(envelope.tables[1]);
  return all;
}

bool ebeData(const Model& model, const Envelope& envelope, const Bytes& bytes, KuvBinaryExprData& data,
             std::string& error) {
  for (std::uint8_t i = 0; i < sc_ebeTables; ++i) {
    const KuvInList& list = envelope.tables[i];
    for (std::int32_t j = 0; j < list.GetLength(); ++j) {
      // Written lists hold an object once, and lists 1 to 5 hold it in one
      // of them: a repeat would shift every later index.
      if ((data.*sc_adds[i])(*list.Get(j)) != S_OK) {
        error = std::string("the ") + sc_ebeTableNames[i] + " table names " +
                static_cast<const KuvEeDicoObject*>(list.Get(j))->getName().ConvertToChar() + " twice";
        return false;
      }
    }
  }
  if (const HRESULT hr = data.createVolatileCriteriaList(model.context()); FAILED(hr)) {
    error = "the library builds no volatile criteria: " + hresult(hr);
    return false;
  }
  data.setBinary(bytes.data() + envelope.payloadAt,
                 static_cast<std::uint32_t>(bytes.size()) - envelope.payloadAt);
  return true;
}

KuvEeGenericExpression* decodeNet(const Envelope& envelope, const Bytes& bytes, std::string& error) {
  const KuvBioBuffer binary(bytes.data() + envelope.payloadAt,
                            static_cast<std::uint32_t>(bytes.size()) - envelope.payloadAt, 0);
  KuvEeGenericExpression* expression = nullptr;
  const HRESULT hr = KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(
      binary, envelope.tables[0], envelope.tables[1], expression);
  std::unique_ptr<KuvEeGenericExpression> read(expression);
  if (FAILED(hr)) {
    error = "the library does not read the binary expression: " + hresult(hr);
    return nullptr;
  }
  if (!foldNots(*read)) {
    error = "the negations of the expression read do not fold back into its leaves";
    return nullptr;
  }
  return read.release();
}

bool decodeEbe(const Model& model, const Envelope& envelope, const Bytes& bytes, KuvBinaryExprData& data,
               Domains& domains, std::string& error) {
  if (!ebeData(model, envelope, bytes, data, error)) return false;
  KuvInMap* raw = nullptr;
  const HRESULT hr = KuvBinaryExprParser::Read(data, raw);
  if (FAILED(hr) || hr == KuvBioConstants::sc_readIncomplete) {
    if (raw != nullptr) raw->DeleteAll();
    delete raw;
    error = FAILED(hr) ? "the library does not read the binary expression: " + hresult(hr)
                       : "the binary expression names an object its tables lack";
    return false;
  }
  const std::unique_ptr<KuvInMap> map(raw);
  // The reader stops where the last body ends: the size the header gives
  // tells whether bytes follow.
  const std::uint32_t length = data.getBinaryLength();
  KuvBioBuffer in(data.getBinary(), length, 0);
  unsigned int version = 0;
  unsigned int decoupled = 0;
  const std::uint32_t sizeAt =
      SUCCEEDED(KuvBinaryExprParser::GetBinExprVersion(in, version, decoupled)) && version == 2 ? 9 : 4;
  if (length < sizeAt + 4 || KuvBioBasic::getUINT32(data.getBinary() + sizeAt) != length) {
    map->DeleteAll();
    error = "the binary expression's size is not the payload's, " + std::to_string(length) + " bytes";
    return false;
  }
  for (auto it = map->cBegin(); !it.IsEnd(); it.Next())
    domains.emplace_back(
        static_cast<std::uint8_t>(static_cast<const KuvInIntHolder*>(it.GetKey())->getValue()),
        static_cast<KuvEeExpression*>(const_cast<KuvInObject*>(it.GetVal())));
  return true;
}

bool foldNots(KuvEeGenericExpression& expression) {
  if (expression.GetNodeRef() == nullptr) return true;
  KuvEeNodeNotRemover folder(0);
  folder.setStatus_NotOp(1);
  folder.setStatus_EffLeaf(1);
  folder.setStatus_VarEffLeaf(1);
  return SUCCEEDED(folder.removeNots(*expression.GetNodeRef(), KuvEeNodeNotRemover::RemNots_None));
}

}  // namespace kuv_cli
