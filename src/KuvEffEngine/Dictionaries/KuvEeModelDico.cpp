#include "KuvEeModelDico.h"

#include <utility>

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeModelDico, KuvEeDicoObject)

namespace {
const KuvInString& disciplineAttribute() {
  static const KuvInString attribute("Discipline");
  return attribute;
}
}  // namespace

KuvEeModelDico::KuvEeModelDico(const KuvInString& name, const KuvInGuid& guid)
    : KuvEeDicoObject(name, guid.getArray()) {}

KuvEeModelDico::~KuvEeModelDico() {
  delete m_unitVar;
  delete m_stateVar;
  delete m_manufPlanVar;
  delete m_treeStateVar;
  delete m_treeManufPlanVar;
  delete m_dateVar;
  m_milestonesTracks.deleteAll();
}

template <class Self>
auto KuvEeModelDico::seriesSlot(Self& self, std::int32_t type) -> decltype(&self.m_unitVar) {
  switch (type) {
    case KuvEeSerialVar::STATE:
      return &self.m_stateVar;
    case KuvEeSerialVar::UNIT:
      return &self.m_unitVar;
    case KuvEeSerialVar::MANUF_PLAN:
      return &self.m_manufPlanVar;
    default:
      return nullptr;
  }
}

template <class Self>
auto KuvEeModelDico::treeSeriesSlot(Self& self, std::int32_t type) -> decltype(&self.m_treeStateVar) {
  switch (type) {
    case KuvEeSerialVar::TREE_STATE:
      return &self.m_treeStateVar;
    case KuvEeSerialVar::TREE_MANUF_PLAN:
      return &self.m_treeManufPlanVar;
    default:
      return nullptr;
  }
}

HRESULT KuvEeModelDico::addConfigFeature(KuvEeDicoObject* feature) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&]() -> HRESULT {
    if (feature == nullptr ||
        (!KuvEeSelectionVar::isObjectOfThisType(*feature) && !KuvEeCategory::isObjectOfThisType(*feature)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Invalid config feature type.");
    return m_configFeatures.add(feature) ? S_OK : S_FALSE;
  });
}

HRESULT KuvEeModelDico::getConfigFeature(const KuvInGuid& guid, KuvEeDicoObject*& feature) const {
  if (feature != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  feature = m_configFeatures.get(guid);
  return feature != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeModelDico::getConfigFeature(const KuvInString& name, KuvEeDicoObject*& feature) const {
  if (feature != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  feature = m_configFeatures.get(name);
  return feature != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeModelDico::getConfigFeatures(const KuvInSet*& features) const {
  features = &m_configFeatures.getSet();
  return S_OK;
}

HRESULT KuvEeModelDico::addMilestonesTrack(KuvEeMilestonesVar* track) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&]() -> HRESULT {
    if (track == nullptr || track->getHolderDico() != this) return E_FAIL;
    if (!m_milestonesTracks.add(track, disciplineAttribute(), track->getDiscipline())) return S_FALSE;
    track->setLifeCycleOwner(this);
    return S_OK;
  });
}

namespace {
HRESULT foundTrack(KuvEeDicoObject* object, KuvEeMilestonesVar*& track) {
  track = object != nullptr ? KuvEeMilestonesVar::cast(*object) : nullptr;
  return track != nullptr ? S_OK : S_FALSE;
}
}  // namespace

HRESULT KuvEeModelDico::getMilestonesTrack(const KuvInGuid& guid, KuvEeMilestonesVar*& track) const {
  if (track != nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input KuvEeMilestonesVar pointer should be null.");
  return foundTrack(m_milestonesTracks.get(guid), track);
}

HRESULT KuvEeModelDico::getMilestonesTrack(const KuvInString& name, KuvEeMilestonesVar*& track) const {
  if (track != nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input KuvEeMilestonesVar pointer should be null.");
  return foundTrack(m_milestonesTracks.get(name), track);
}

HRESULT KuvEeModelDico::getMilestonesTrackDiscipline(const KuvInString& discipline,
                                                     KuvEeMilestonesVar*& track) const {
  if (track != nullptr)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input KuvEeMilestonesVar pointer should be null.");
  return foundTrack(m_milestonesTracks.getFromAttribute(disciplineAttribute(), discipline), track);
}

HRESULT KuvEeModelDico::getMilestonesTracks(KuvInSet& set) const {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&]() -> HRESULT {
        if (!set.IsTypeAccepted(KuvEeMilestonesVar::sType()))
          KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Unable to put elements into output set");
        set.Clear();
        for (KuvInSet::const_iterator it = m_milestonesTracks.getSet().cBegin(); it.IsValid();) {
          KuvEeMilestonesVar* track = KuvEeMilestonesVar::cast(*it.GetGoToNext());
          if (track == nullptr)
            KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved element isn't a KuvEeMilestonesVar");
          set.Put(track);
        }
        return set.IsEmpty() ? S_FALSE : S_OK;
      },
      kuv::detail::emptying(set));
}

HRESULT KuvEeModelDico::enableDateEvolution() {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&]() -> HRESULT {
    if (m_dateVar != nullptr) return S_FALSE;
    m_dateVar = new KuvEeDateVar(getName(), getGuid().getArray());
    m_dateVar->setLifeCycleOwner(this);
    return S_OK;
  });
}

HRESULT KuvEeModelDico::enableEvolutionSeries(std::int32_t type) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&]() -> HRESULT {
    if (KuvEeSerialVar** slot = seriesSlot(*this, type)) {
      if (*slot != nullptr) {
        if (type == KuvEeSerialVar::STATE)
          KUV_RETURN_ERROR(E_FAIL, "ERROR: there is already state evolution vars created.");
        if (type == KuvEeSerialVar::UNIT)
          KUV_RETURN_ERROR(E_FAIL, "ERROR: there is already unit evolution vars created.");
        KUV_RETURN_ERROR(E_FAIL, "ERROR: there is already manuf plan evolution vars created.");
      }
      *slot = new KuvEeSerialVar(getName(), getGuid().getArray(),
                                 static_cast<KuvEeSerialVar::SerialExternalType>(type), this);
      (*slot)->setDomain(0, KuvEeSerialVar::sc_infinity);
      (*slot)->setLifeCycleOwner(this);
      return S_OK;
    }
    if (KuvEeTreeSeriesVar** slot = treeSeriesSlot(*this, type)) {
      if (*slot != nullptr) {
        if (type == KuvEeSerialVar::TREE_STATE)
          KUV_RETURN_ERROR(E_FAIL, "ERROR: there is already state evolution vars created.");
        KUV_RETURN_ERROR(E_FAIL, "ERROR: there is already manuf plan evolution vars created.");
      }
      *slot = new KuvEeTreeSeriesVar(getName(), getGuid().getArray(), static_cast<std::uint32_t>(type), this,
                                     false);
      (*slot)->setLifeCycleOwner(this);
      return S_OK;
    }
    return E_FAIL;
  });
}

HRESULT KuvEeModelDico::enableEvolutionTreeSeries(std::int32_t type, bool noTreeMode) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&]() -> HRESULT {
    KuvEeTreeSeriesVar** slot = treeSeriesSlot(*this, type);
    if (slot == nullptr) return E_FAIL;
    if (*slot != nullptr) return S_FALSE;
    *slot = new KuvEeTreeSeriesVar(getName(), getGuid().getArray(), static_cast<std::uint32_t>(type), this,
                                   noTreeMode);
    (*slot)->setLifeCycleOwner(this);
    return S_OK;
  });
}

bool KuvEeModelDico::dropEmptyTreeSeries(std::int32_t type) noexcept {
  KuvEeTreeSeriesVar** slot = treeSeriesSlot(*this, type);
  if (slot == nullptr || *slot == nullptr || !(*slot)->isEmpty()) return false;
  delete std::exchange(*slot, nullptr);
  return true;
}

KuvEeSerialVar* KuvEeModelDico::getSeriesVariable(std::int32_t type) const {
  KuvEeSerialVar* const* slot = seriesSlot(*this, type);
  return slot != nullptr ? *slot : nullptr;
}

HRESULT KuvEeModelDico::getSeriesVariable(std::int32_t type, KuvEeSerialVar*& variable) const {
  if (variable != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  variable = getSeriesVariable(type);
  return variable != nullptr ? S_OK : S_FALSE;
}

KuvEeTreeSeriesVar* KuvEeModelDico::getTreeSeriesVariable(std::int32_t type) const {
  KuvEeTreeSeriesVar* const* slot = treeSeriesSlot(*this, type);
  return slot != nullptr ? *slot : nullptr;
}

bool KuvEeModelDico::isEvolutionSeriesEnabled(std::int32_t type) const {
  return getSeriesVariable(type) != nullptr;
}

HRESULT KuvEeModelDico::isEvolutionSeriesEnabled(std::int32_t type, bool& enabled) const {
  if (KuvEeSerialVar* const* slot = seriesSlot(*this, type)) {
    enabled = *slot != nullptr;
    return S_OK;
  }
  if (KuvEeTreeSeriesVar* const* slot = treeSeriesSlot(*this, type)) {
    enabled = *slot != nullptr;
    return S_OK;
  }
  return E_FAIL;
}

bool KuvEeModelDico::isEvolutionTreeSeriesEnabled(std::int32_t type) const {
  return getTreeSeriesVariable(type) != nullptr;
}
