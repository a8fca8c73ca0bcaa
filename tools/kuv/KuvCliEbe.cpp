#include "KuvCliEbe.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace kuv_cli {

namespace {

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
  std::sort(objects.begin(), objects.end(), [](const KuvEeDicoObject* a, const KuvEeDicoObject* b) {
    return a->getGuid() != b->getGuid() ? a->getGuid() < b->getGuid() : Model::kindOf(*a) < Model::kindOf(*b);
  });
  for (KuvEeDicoObject* object : objects) result.PutBack(object);
  return true;
}

}  // namespace

bool encodeEbe(const Model& model, const KuvEeGenericExpression& expression, Bytes& bytes,
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
  KuvInList ordered[] = {KuvInList(KuvEeDicoObject::sType()), KuvInList(KuvEeDicoObject::sType())};
  if (!sorted(model, first, ordered[0], error) || !sorted(model, second, ordered[1], error)) return false;
  raw = nullptr;
  hr =
      KuvCoreDependencyMngtServices::SerializeExpressionToBinaryExpr(expression, ordered[0], ordered[1], raw);
  const std::unique_ptr<KuvBioBuffer> binary(raw);
  if (FAILED(hr)) {
    error = "the library does not write the binary expression: " + hresult(hr);
    return false;
  }
  KuvBioBufferOut out;
  for (const std::uint8_t byte : {std::uint8_t{'e'}, std::uint8_t{'b'}, std::uint8_t{'e'}, sc_ebeVersion})
    out.PutBack(byte);
  for (const KuvInList& list : ordered) {
    KuvBioTypedIdsWriter table;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const auto* object = static_cast<const KuvEeDicoObject*>(list.Get(i));
      table.registerTypedGuid(static_cast<KuvBioConstants::E_VarType>(Model::kindOf(*object)),
                              object->getGuid());
    }
    table.writeTypedUids(out);
  }
  bytes.assign(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
  bytes.insert(bytes.end(), binary->getBytes(), binary->getBytes() + binary->getSize());
  return true;
}

bool openEbe(const Model& model, const Bytes& bytes, Envelope& envelope, std::string& error) {
  if (bytes.size() < sc_ebeHeaderSize || bytes[3] != sc_ebeVersion) {
    error = bytes.size() < sc_ebeHeaderSize
                ? "no version after the magic"
                : "version " + std::to_string(bytes[3]) + ", this tool reads version " +
                      std::to_string(sc_ebeVersion);
    return false;
  }
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  in.increment(sc_ebeHeaderSize);
  for (KuvInList* list : {&envelope.first, &envelope.second}) {
    const char* which = list == &envelope.first ? "first" : "second";
    KuvBioTypedIdsReader table;
    if (FAILED(table.readTypedGuids(in))) {
      error = std::string("the ") + which + " list's table is cut short";
      return false;
    }
    for (std::uint32_t i = 0; i < table.getNbTypedIds(); ++i) {
      std::uint8_t kind = 0;
      const std::uint8_t* guid = nullptr;
      table.getTypedGuidAtIndex(i, kind, guid);
      KuvEeDicoObject* object = model.find(kind, KuvInGuid(guid));
      if (object == nullptr) {
        error = std::string("object #") + std::to_string(i) + " of the " + which + " list (kind " +
                std::to_string(kind) + ", GUID " + KuvInGuid(guid).toString().ConvertToChar() +
                ") is not in the model";
        return false;
      }
      list->PutBack(object);
    }
  }
  envelope.binaryAt = in.getPosition();
  return true;
}

KuvEeGenericExpression* decodeEbe(const Model& model, const Bytes& bytes, std::string& error) {
  Envelope envelope;
  if (!openEbe(model, bytes, envelope, error)) return nullptr;
  const KuvBioBuffer binary(bytes.data() + envelope.binaryAt,
                            static_cast<std::uint32_t>(bytes.size()) - envelope.binaryAt, 0);
  KuvEeGenericExpression* expression = nullptr;
  const HRESULT hr = KuvCoreDependencyMngtServices::UnserializeExpressionFromBinaryExpr(
      binary, envelope.first, envelope.second, expression);
  std::unique_ptr<KuvEeGenericExpression> read(expression);
  if (FAILED(hr)) {
    error = "the library does not read the binary expression: " + hresult(hr);
    return nullptr;
  }
  // The binary keeps a negated leaf as a Not above it: the Not goes back
  // into the leaf, and only there, so that the expression reads as written.
  if (read->GetNodeRef() != nullptr) {
    KuvEeNodeNotRemover folder(0);
    folder.setStatus_NotOp(1);
    folder.setStatus_EffLeaf(1);
    folder.setStatus_VarEffLeaf(1);
    if (FAILED(folder.removeNots(*read->GetNodeRef(), KuvEeNodeNotRemover::RemNots_None))) {
      error = "the negations of the expression read do not fold back into its leaves";
      return nullptr;
    }
  }
  return read.release();
}

}  // namespace kuv_cli
