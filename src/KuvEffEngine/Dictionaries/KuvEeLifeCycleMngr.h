// KuvEeLifeCycleMngr: the process-wide registry of live dictionary objects.
//
// Every KuvEeDicoObject registers itself when constructed and unregisters
// when destroyed, so the registry always names exactly the objects alive.
// deleteAll() is the last-resort clean-up of everything a host forgot:
//
//     KuvEeLifeCycleMngr::getInstance().deleteAll();
//
// Objects that own others (a model dictionary its variables, a serial
// variable its revisions, a tree element its children) are deleted before
// what they own, so nothing is deleted twice.
//
// Every member may be called from any thread: hosts build dictionaries on
// several threads at once, and they all register here. deleteAll() must
// not run while other threads still create or use dictionary objects.
#pragma once

#include <cstdint>
#include <mutex>

#include "KuvInSet.h"

class KuvEeDicoObject;

class KUV_API KuvEeLifeCycleMngr : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeLifeCycleMngr)

public:
  // Created on first use (thread-safe), destroyed when the library unloads.
  static KuvEeLifeCycleMngr& getInstance();
  // Null once the registry has been destroyed at unload.
  static KuvEeLifeCycleMngr* getInstanceIfAlive();

  KuvEeLifeCycleMngr(const KuvEeLifeCycleMngr&) = delete;
  KuvEeLifeCycleMngr& operator=(const KuvEeLifeCycleMngr&) = delete;

  void reg(KuvEeDicoObject* object);
  void unreg(KuvEeDicoObject* object);
  // Deletes every registered object, owners before what they own.
  void deleteAll();

  // Also answers (false) for the address of a deleted object; linear.
  bool isRegistered(const KuvEeDicoObject* object) const;
  std::int32_t getCount() const;

private:
  KuvEeLifeCycleMngr();
  ~KuvEeLifeCycleMngr() override;

  // Guards m_objects only; never held while an object is deleted, since a
  // destructor unregisters what it owns.
  mutable std::mutex m_mutex;
  KuvInSet m_objects;
};
