// The root of every kuv class and its run-time type identity.
//
// kuv does not use the language's RTTI. Each class carries a
// KuvInObjectTypeClass, created once at library load, and offers the same
// small set of operations to obtain it (sType, dType), to test kind
// (isObjectOfThisType) and to down-cast safely (cast). A class declares all of
// them, plus its trace channel, with one line in its body:
//
//     class KuvInFoo : public KuvInObjectVal {
//       KUV_DECLARE_TYPE(KuvInFoo)
//       ...
//     };
//
// and defines them with one line in its source file:
//
//     KUV_DEFINE_TYPE(KuvInFoo, KuvInObjectVal)
//
// Objects live on the heap and are deleted through their virtual destructor;
// there is no reference counting.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KuvInTypes.h"

class KuvInObject;
class KuvInString;
class KuvInTraceClass;

// The type identity of one class: its name, the type class of its direct
// base (null when the base is the root) and the size of its objects, which
// containers that copy values into fixed slots check (0 when unknown).
class KUV_API KuvInObjectTypeClass {
public:
  KuvInObjectTypeClass(const char* className, KuvInObjectTypeClass* parent, std::size_t objectSize = 0);
  ~KuvInObjectTypeClass();
  KuvInObjectTypeClass(const KuvInObjectTypeClass&) = delete;
  KuvInObjectTypeClass& operator=(const KuvInObjectTypeClass&) = delete;

  // A class's type class, made as the library loads, where no result code
  // can reach a caller: null when memory runs out, and the class then stands
  // for the root in kind-of tests rather than the load stopping.
  static KuvInObjectTypeClass* create(const char* className, KuvInObjectTypeClass* parent,
                                      std::size_t objectSize) noexcept;

  KuvInString getClassName() const;
  // The name as zero-terminated text, for traces and messages.
  const char* getClassNameChars() const;
  KuvInObjectTypeClass* getParent() const { return m_parent; }
  std::uint32_t getNameHash() const { return m_nameHash; }
  std::size_t getObjectSize() const { return m_objectSize; }

  // Kind-of test: true when this class or one of its ancestors is other, or
  // has other's name hash. A null other stands for the root and always passes.
  int isa(const KuvInObjectTypeClass* other) const;
  // obj when its dynamic type is this class or derives from it (by identity,
  // names are not compared); null otherwise.
  KuvInObject* cast(const KuvInObject& obj) const;

  // The same two operations where either type may be null (the root).
  static int isa(const KuvInObjectTypeClass* type, const KuvInObjectTypeClass* target);
  static KuvInObject* cast(const KuvInObjectTypeClass* type, const KuvInObject& obj);

private:
  KuvInObjectTypeClass* m_parent;
  KuvInString* m_name;
  std::uint32_t m_nameHash;
  // Fits in the padding after the name hash: the layout is unchanged.
  std::uint32_t m_objectSize;
};

// Deletes a class's type class when the library unloads.
struct KUV_API KuvInObjectTypeOwner {
  explicit KuvInObjectTypeOwner(KuvInObjectTypeClass* type) : m_type(type) {}
  ~KuvInObjectTypeOwner() { delete m_type; }
  KuvInObjectTypeOwner(const KuvInObjectTypeOwner&) = delete;
  KuvInObjectTypeOwner& operator=(const KuvInObjectTypeOwner&) = delete;
  KuvInObjectTypeClass* m_type;
};

#define KUV_DECLARE_TYPE(Class)                                        \
public:                                                                \
  static KuvInObjectTypeClass* sType();                                \
  static KuvInObjectTypeClass* initType();                             \
  KuvInObjectTypeClass* dType() const override;                        \
  static int isObjectOfThisType(const KuvInObject& obj);               \
  static Class* cast(KuvInObject& obj);                                \
  static const Class* cast(const KuvInObject& obj);                    \
  static KuvInObjectTypeOwner KuvInObject_internal_staticType_owner;   \
  /* The class's trace channel, named after the class. */              \
  static KuvInTraceClass& traceChannel();                              \
                                                                       \
private:                                                               \
  static KuvInObjectTypeClass* s_kuvTypeCache;

#define KUV_CONCAT_INNER(a, b) a##b
#define KUV_CONCAT(a, b) KUV_CONCAT_INNER(a, b)

// NameText is the class name as the type class and the trace channel carry it.
#define KUV_DEFINE_TYPE_NAMED(Class, Base, NameText)                                         \
  KuvInObjectTypeClass* Class::s_kuvTypeCache = nullptr;                                     \
  KuvInObjectTypeClass* Class::sType() {                                                     \
    if (s_kuvTypeCache == nullptr)                                                           \
      s_kuvTypeCache = KuvInObjectTypeClass::create(NameText, Base::sType(), sizeof(Class)); \
    return s_kuvTypeCache;                                                                   \
  }                                                                                          \
  KuvInObjectTypeClass* Class::initType() { return sType(); }                                \
  KuvInObjectTypeClass* Class::dType() const { return sType(); }                             \
  int Class::isObjectOfThisType(const KuvInObject& obj) {                                    \
    return KuvInObjectTypeClass::isa(obj.dType(), sType());                                  \
  }                                                                                          \
  Class* Class::cast(KuvInObject& obj) {                                                     \
    return static_cast<Class*>(KuvInObjectTypeClass::cast(sType(), obj));                    \
  }                                                                                          \
  const Class* Class::cast(const KuvInObject& obj) {                                         \
    return static_cast<const Class*>(KuvInObjectTypeClass::cast(sType(), obj));              \
  }                                                                                          \
  KuvInObjectTypeOwner Class::KuvInObject_internal_staticType_owner(Class::sType());         \
  KuvInTraceClass& Class::traceChannel() {                                                   \
    static KuvInTraceClass channel(NameText);                                                \
    return channel;                                                                          \
  }                                                                                          \
  /* Channels exist from library load, so configuration applies to all of them. */          \
  [[maybe_unused]] static KuvInTraceClass& KUV_CONCAT(kuvTraceChannelAtLoad_, __COUNTER__) = Class::traceChannel();

#define KUV_DEFINE_TYPE(Class, Base) KUV_DEFINE_TYPE_NAMED(Class, Base, #Class)

class KUV_API KuvInObject {
public:
  KuvInObject() = default;
  KuvInObject(const KuvInObject&) {}
  KuvInObject& operator=(const KuvInObject&) { return *this; }
  virtual ~KuvInObject() = 0;

  virtual KuvInObjectTypeClass* dType() const = 0;
  // The class name, ":" and the object's address in hexadecimal.
  virtual KuvInString toString() const;

  // The root has no type class: null stands for "any object".
  static KuvInObjectTypeClass* sType() { return nullptr; }
  static KuvInObjectTypeClass* initType() { return nullptr; }

  static std::uint32_t hashPointer(const KuvInObject* p);
  static std::uint32_t hashUINT32(std::uint32_t v);
};

// Every class definition needs its trace channel; KuvInString (the result of
// toString) comes with KuvInObjectVal.h.
#include "KuvInTraceClass.h"
