#include "KuvEeLifeCycleMngr.h"

#include "KuvEeDicoObject.h"

KUV_DEFINE_TYPE(KuvEeLifeCycleMngr, KuvInObject)

namespace {
// Dictionary objects destroyed during unload, after the registry, must not
// reach it.
bool g_registryGone = false;
}  // namespace

KuvEeLifeCycleMngr& KuvEeLifeCycleMngr::getInstance() {
  static KuvEeLifeCycleMngr instance;
  return instance;
}

KuvEeLifeCycleMngr* KuvEeLifeCycleMngr::getInstanceIfAlive() {
  return g_registryGone ? nullptr : &getInstance();
}

KuvEeLifeCycleMngr::KuvEeLifeCycleMngr() : m_objects(KuvEeDicoObject::sType()) {}

KuvEeLifeCycleMngr::~KuvEeLifeCycleMngr() { g_registryGone = true; }

void KuvEeLifeCycleMngr::reg(KuvEeDicoObject* object) {
  const std::lock_guard<std::mutex> lock(m_mutex);
  m_objects.Put(object);
}

void KuvEeLifeCycleMngr::unreg(KuvEeDicoObject* object) {
  const std::lock_guard<std::mutex> lock(m_mutex);
  m_objects.Remove(object);
}

void KuvEeLifeCycleMngr::deleteAll() {
  // Deleting an object deletes what it owns, and each of those unregisters
  // itself; so always delete the topmost owner and start over.
  for (;;) {
    KuvEeDicoObject* top = nullptr;
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      if (m_objects.IsEmpty()) return;
      top = static_cast<KuvEeDicoObject*>(m_objects.cBegin().Get());
      while (top->getLifeCycleOwner() != nullptr) top = top->getLifeCycleOwner();
      m_objects.Remove(top);
    }
    delete top;
  }
}

bool KuvEeLifeCycleMngr::isRegistered(const KuvEeDicoObject* object) const {
  // Compares addresses only (a lookup would read the object), so that the
  // address of a deleted object can be asked about.
  const std::lock_guard<std::mutex> lock(m_mutex);
  for (KuvInSet::const_iterator it = m_objects.cBegin(); it.IsValid();)
    if (it.GetGoToNext() == object) return true;
  return false;
}

std::int32_t KuvEeLifeCycleMngr::getCount() const {
  const std::lock_guard<std::mutex> lock(m_mutex);
  return m_objects.GetLength();
}
