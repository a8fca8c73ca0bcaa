#include "KuvInObject.h"

#include "KuvInString.h"

#include <cinttypes>
#include <cstdio>
#include <new>

KuvInObjectTypeClass::KuvInObjectTypeClass(const char* className, KuvInObjectTypeClass* parent,
                                           std::size_t objectSize)
    : m_parent(parent),
      m_name(new KuvInString(className)),
      m_nameHash(m_name->hash()),
      m_objectSize(static_cast<std::uint32_t>(objectSize)) {}

KuvInObjectTypeClass* KuvInObjectTypeClass::create(const char* className, KuvInObjectTypeClass* parent,
                                                   std::size_t objectSize) noexcept {
  try {
    return new KuvInObjectTypeClass(className, parent, objectSize);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

KuvInObjectTypeClass::~KuvInObjectTypeClass() {
  delete m_name;
  m_name = nullptr;
  m_parent = nullptr;
}

KuvInString KuvInObjectTypeClass::getClassName() const { return *m_name; }

const char* KuvInObjectTypeClass::getClassNameChars() const { return m_name->ConvertToChar(); }

int KuvInObjectTypeClass::isa(const KuvInObjectTypeClass* other) const { return isa(this, other); }

KuvInObject* KuvInObjectTypeClass::cast(const KuvInObject& obj) const { return cast(this, obj); }

int KuvInObjectTypeClass::isa(const KuvInObjectTypeClass* type, const KuvInObjectTypeClass* target) {
  if (target == nullptr) return 1;
  for (const KuvInObjectTypeClass* c = type; c != nullptr; c = c->m_parent)
    if (c == target || c->m_nameHash == target->m_nameHash) return 1;
  return 0;
}

KuvInObject* KuvInObjectTypeClass::cast(const KuvInObjectTypeClass* type, const KuvInObject& obj) {
  auto* object = const_cast<KuvInObject*>(&obj);
  if (type == nullptr) return object;
  for (const KuvInObjectTypeClass* c = obj.dType(); c != nullptr; c = c->m_parent)
    if (c == type) return object;
  return nullptr;
}

KuvInObject::~KuvInObject() = default;

KuvInString KuvInObject::toString() const {
  const KuvInObjectTypeClass* type = dType();
  char address[2 + 2 * sizeof(std::uintptr_t) + 1];
  std::snprintf(address, sizeof address, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(this));
  KuvInString text(type != nullptr ? type->getClassNameChars() : "KuvInObject");
  return text.Append(KuvInString(":"), KuvInString(address));
}

namespace {
std::uint32_t mix(std::uint32_t x) {
  x *= 0x1001u;
  x = (x ^ (x >> 22)) * 17u;
  x = (x ^ (x >> 9)) * 0x401u;
  x = (x ^ (x >> 2)) * 0x81u;
  return x;
}
}  // namespace

std::uint32_t KuvInObject::hashUINT32(std::uint32_t v) {
  std::uint32_t h = mix(v);
  return h ^ (h >> 12);
}

std::uint32_t KuvInObject::hashPointer(const KuvInObject* p) {
  auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
  std::uint32_t a = mix(static_cast<std::uint32_t>(bits) >> 2);
  std::uint32_t b = mix(static_cast<std::uint32_t>(bits >> 32));
  return ((a ^ b) >> 12) ^ a ^ b;
}
