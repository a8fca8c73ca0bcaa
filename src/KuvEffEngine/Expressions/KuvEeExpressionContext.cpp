#include "KuvEeExpressionContext.h"

#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffectivity.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvInIntHolder.h"
#include "KuvInList.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeExpressionContext, KuvInObject)
KUV_DEFINE_TYPE_NAMED(KuvEeExpressionContext::SeriesElementID, KuvInObjectVal,
                      "KuvEeExpressionContext::SeriesElementID")
KUV_DEFINE_TYPE_NAMED(KuvEeExpressionContext::MilestoneElementID, KuvInObjectVal,
                      "KuvEeExpressionContext::MilestoneElementID")

namespace {

constexpr const char* sc_nullInput = "ERROR : unexpected, we expect a not null input for this function";
constexpr const char* sc_unknownModel = "ERROR : the given model dico does not exist in the context";
constexpr const char* sc_otherKind =
    "ERROR : two different objects with same UUID. Unexpected. Fatal error, unable to recover from this.";
constexpr const char* sc_otherName = "ERROR : Objects have same UUID but not the same name.";
constexpr const char* sc_guidTaken =
    "ERROR : highly unexpected, unique id already there and probably is a different kind of object";
constexpr const char* sc_noSerial =
    "ERROR, this does not make any sense to add a revision to a non existing serial";

// The options of a category or the values of a selection variable; null for
// another kind of object.
const KuvInSet* optionsOf(const KuvEeDicoObject& feature) {
  if (const KuvEeCategory* category = KuvEeCategory::cast(feature)) return &category->getOptionVars();
  if (const KuvEeSelectionVar* variable = KuvEeSelectionVar::cast(feature))
    return &variable->getValues().getValues();
  return nullptr;
}

template <class T>
std::vector<T*> elementsOf(const KuvInSet& set) {
  std::vector<T*> elements;
  for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid();)
    elements.push_back(static_cast<T*>(it.GetGoToNext()));
  return elements;
}

// What AddModelDico indexes besides the model and its features.
struct ModelContents {
  std::vector<KuvEeDicoObject*> variables;  // series and tracks with a GUID of their own
  std::vector<KuvEeSerialVarValue*> revisions;
  std::vector<KuvEeTreeSeriesElement*> treeElements;
  std::vector<KuvEeMilestone*> milestones;

  explicit ModelContents(const KuvEeModelDico& model) {
    for (const std::int32_t type :
         {KuvEeSerialVar::STATE, KuvEeSerialVar::UNIT, KuvEeSerialVar::MANUF_PLAN}) {
      KuvEeSerialVar* variable = model.getSeriesVariable(type);
      if (variable == nullptr) continue;
      addVariable(model, variable);
      const KuvInMap* revisionMap = nullptr;
      variable->getSeqNb2Revisions(revisionMap);
      for (KuvInMap::const_iterator it = revisionMap->cBegin(); !it.IsEnd();)
        revisions.push_back(static_cast<KuvEeSerialVarValue*>(it.GetValGoToNext()));
    }
    for (const std::int32_t type : {KuvEeSerialVar::TREE_STATE, KuvEeSerialVar::TREE_MANUF_PLAN}) {
      KuvEeTreeSeriesVar* variable = model.getTreeSeriesVariable(type);
      if (variable == nullptr) continue;
      addVariable(model, variable);
      KuvInSet elements(KuvEeTreeSeriesElement::sType());
      kuv::detail::throwIfOutOfMemory(variable->getAllElements(elements));
      for (KuvEeTreeSeriesElement* element : elementsOf<KuvEeTreeSeriesElement>(elements))
        treeElements.push_back(element);
    }
    KuvInSet tracks(KuvEeMilestonesVar::sType());
    kuv::detail::throwIfOutOfMemory(model.getMilestonesTracks(tracks));
    for (KuvEeMilestonesVar* track : elementsOf<KuvEeMilestonesVar>(tracks)) {
      addVariable(model, track);
      KuvInSet elements(KuvEeMilestone::sType());
      kuv::detail::throwIfOutOfMemory(track->getAllElements(elements));
      for (KuvEeMilestone* milestone : elementsOf<KuvEeMilestone>(elements)) milestones.push_back(milestone);
    }
  }

  // A variable that shares its model's GUID is found through the model.
  void addVariable(const KuvEeModelDico& model, KuvEeDicoObject* variable) {
    if (variable->getGuid() == model.getGuid()) {
      KUV_TRACE_DETAIL_ON(KuvEeExpressionContext::traceChannel(),
                          "Normal situation, Serial and Model have the same UUID");
      return;
    }
    KUV_TRACE_DETAIL_ON(
        KuvEeExpressionContext::traceChannel(),
        "Serial and its model do not have the same GUID. Storing mapping between own UUID and Serial");
    variables.push_back(variable);
  }

  std::vector<KuvEeDicoObject*> all() const {
    std::vector<KuvEeDicoObject*> objects(variables);
    objects.insert(objects.end(), revisions.begin(), revisions.end());
    objects.insert(objects.end(), treeElements.begin(), treeElements.end());
    objects.insert(objects.end(), milestones.begin(), milestones.end());
    return objects;
  }
};

// element under parent, or at the top of holder: in its bag in no-tree
// mode, else as its root.
template <class Element, class Holder>
bool attach(Element* element, Element* parent, Holder* holder, HRESULT (Holder::*setRoot)(Element*)) {
  if (parent != nullptr) return kuv::detail::throwIfOutOfMemory(parent->addChild(element)) == S_OK;
  return (holder->isInNoTreeMode()
              ? kuv::detail::throwIfOutOfMemory(holder->addElementToNoTreeModeBag(element))
              : (holder->*setRoot)(element)) == S_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys

KuvEeExpressionContext::SeriesElementID::SeriesElementID(const KuvInString& name, const KuvInString& revision,
                                                         const KuvEeVariable* variable)
    : m_name(name), m_revision(revision), m_variable(variable) {}

KuvEeExpressionContext::SeriesElementID::~SeriesElementID() = default;

std::uint32_t KuvEeExpressionContext::SeriesElementID::hash() const {
  return m_name.hash() ^ (m_revision.hash() * 31u) ^ BinHashFunc(&m_variable, sizeof m_variable);
}

bool KuvEeExpressionContext::SeriesElementID::equals(const KuvInObjectVal& other) const {
  const SeriesElementID* id = cast(other);
  return id != nullptr && id->m_variable == m_variable && id->m_name == m_name &&
         id->m_revision == m_revision;
}

KuvInObjectVal& KuvEeExpressionContext::SeriesElementID::clone(void* where) const {
  return cloneOf(*this, where);
}

KuvEeExpressionContext::MilestoneElementID::MilestoneElementID(const KuvInString& name,
                                                               const KuvEeMilestonesVar* track)
    : m_name(name), m_track(track) {}

KuvEeExpressionContext::MilestoneElementID::~MilestoneElementID() = default;

std::uint32_t KuvEeExpressionContext::MilestoneElementID::hash() const {
  return m_name.hash() ^ BinHashFunc(&m_track, sizeof m_track);
}

bool KuvEeExpressionContext::MilestoneElementID::equals(const KuvInObjectVal& other) const {
  const MilestoneElementID* id = cast(other);
  return id != nullptr && id->m_track == m_track && id->m_name == m_name;
}

KuvInObjectVal& KuvEeExpressionContext::MilestoneElementID::clone(void* where) const {
  return cloneOf(*this, where);
}

// ---------------------------------------------------------------------------
// Life cycle

KuvEeExpressionContext::KuvEeExpressionContext()
    : m_byName(KuvInString::sType(), KuvEeDicoObject::sType()),
      m_dicos(KuvInString::sType(), KuvEeModelDico::sType()),
      m_inheritedDicos(KuvInString::sType(), KuvEeModelDico::sType()),
      m_dicosPerInheritedEff(KuvInObjectPtr::sType(), KuvInMap::sType()),
      m_changes(KuvInString::sType(), KuvEePredefEff::sType()),
      m_owned(KuvEeDicoObject::sType()),
      m_treeSeriesElements(SeriesElementID::sType(), KuvEeTreeSeriesElement::sType()),
      m_seqNumbers(SeriesElementID::sType(), KuvInObjectVal::sType()),
      m_milestones(MilestoneElementID::sType(), KuvEeMilestone::sType()) {}

KuvEeExpressionContext::~KuvEeExpressionContext() {
  // The other maps only point at objects: their own destructors forget them.
  m_dicosPerInheritedEff.DeleteAll();
  // Each object leaves the set before it is deleted, so that nothing reached
  // from a destructor finds it there; nothing is allocated on the way.
  m_owned.DeleteAll();
}

// ---------------------------------------------------------------------------
// Helpers

KuvEeDicoObject* KuvEeExpressionContext::otherWithGuid(const KuvEeDicoObject& object) const {
  if (!object.getGuid().IsValuated()) return nullptr;
  KuvEeDicoObject* found = byGuid(object.getGuid());
  return found != &object ? found : nullptr;
}

KuvEeDicoObject* KuvEeExpressionContext::byGuid(const KuvInGuid& guid) const {
  const auto found = m_byGuid.find(guid);
  return found != m_byGuid.end() ? found->second : nullptr;
}

void KuvEeExpressionContext::index(KuvEeDicoObject* object) {
  if (object->getGuid().IsValuated()) m_byGuid.insert_or_assign(object->getGuid(), object);
  // The first object of a name keeps it: names are not unique across kinds.
  if (!object->getName().IsEmpty() && !m_byName.ContainsKey(object->getName()))
    m_byName.Put(object->getName(), object);
}

bool KuvEeExpressionContext::isRegistered(const KuvEeModelDico* model) const {
  return m_dicos.Get(model->getName()) == model || m_inheritedDicos.Get(model->getName()) == model;
}

HRESULT KuvEeExpressionContext::checkFeature(const KuvEeDicoObject& feature) const {
  const KuvInSet* options = optionsOf(feature);
  if (options == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected config feature.");
  std::vector<const KuvEeDicoObject*> objects;
  for (KuvInSet::const_iterator it = options->cBegin(); it.IsValid();)
    objects.push_back(static_cast<const KuvEeDicoObject*>(it.GetGoToNext()));
  objects.push_back(&feature);
  for (const KuvEeDicoObject* object : objects) {
    const KuvEeDicoObject* registered = otherWithGuid(*object);
    if (registered == nullptr) continue;
    if (registered->dType() != object->dType()) KUV_RETURN_ERROR(E_FAIL, sc_otherKind);
    // A known feature is reused whatever its name; its options must match.
    if (object != &feature && registered->getName() != object->getName()) KUV_RETURN_ERROR(E_FAIL, sc_otherName);
  }
  return S_OK;
}

void KuvEeExpressionContext::registerOptions(const KuvEeDicoObject& feature) {
  // A category's options come with it; a selection variable keeps its values.
  const bool owned = KuvEeCategory::isObjectOfThisType(feature);
  for (KuvEeDicoObject* option : elementsOf<KuvEeDicoObject>(*optionsOf(feature))) {
    const bool known = option->getGuid().IsValuated() && m_byGuid.contains(option->getGuid());
    if (!known) index(option);
    if (owned) m_owned.Put(option);
  }
}

void KuvEeExpressionContext::discardable(KuvEeDicoObject* feature,
                                         std::vector<KuvEeDicoObject*>& doomed) const {
  if (m_owned.Find(feature)) return;
  if (const KuvEeCategory* category = KuvEeCategory::cast(*feature))
    for (KuvEeDicoObject* option : elementsOf<KuvEeDicoObject>(category->getOptionVars()))
      if (!m_owned.Find(option)) doomed.push_back(option);
  doomed.push_back(feature);
}

void KuvEeExpressionContext::discardModel(KuvEeModelDico* model) {
  // A model only indexes its features: they may serve another model or a
  // variable space of the host, so they stay with whoever created them.
  if (!m_owned.Find(model)) delete model;
}

void KuvEeExpressionContext::registerRevision(KuvEeSerialVarValue* revision) {
  const SeriesElementID id(revision->getName(), revision->getRev(), revision->getSerialVar());
  if (!m_seqNumbers.ContainsKey(id)) m_seqNumbers.Put(id, KuvInIntHolder(revision->getSeqNumber()));
  index(revision);
}

void KuvEeExpressionContext::registerTreeSeriesElement(KuvEeTreeSeriesElement* element) {
  const SeriesElementID id(element->getName(), element->getRevision(), element->getTreeSeriesVar());
  m_treeSeriesElements.Put(id, element);
  if (!m_seqNumbers.ContainsKey(id)) m_seqNumbers.Put(id, element->getTreeEvalIndex());
  index(element);
}

void KuvEeExpressionContext::registerMilestone(KuvEeMilestone* milestone) {
  m_milestones.Put(MilestoneElementID(milestone->getName(), milestone->getMilestonesVar()), milestone);
  index(milestone);
}

// ---------------------------------------------------------------------------
// Adding

// What a registration found before it began, so that running out of
// memory half way takes back exactly what it added: the index entries that
// were free go again, and what the context did not own leaves its owned
// set. Taking back allocates nothing.
struct KuvEeExpressionContext::Registration {
  struct Before {
    KuvEeDicoObject* object;
    bool guidFree;
    bool nameFree;
    bool owned;
  };

  explicit Registration(KuvEeExpressionContext& context) : context(context) {}

  void noteModel(KuvInMap& models, KuvEeModelDico& entered) {
    home = &models;
    model = &entered;
    note(model);
  }

  // object and, for a feature, its options.
  void note(KuvEeDicoObject* object) {
    const KuvInGuid& guid = object->getGuid();
    const KuvInString& name = object->getName();
    before.push_back({object, guid.IsValuated() && !context.m_byGuid.contains(guid),
                      !name.IsEmpty() && !context.m_byName.ContainsKey(name), context.m_owned.Find(object)});
    if (const KuvInSet* options = optionsOf(*object))
      for (KuvInSet::const_iterator it = options->cBegin(); it.IsValid();)
        note(static_cast<KuvEeDicoObject*>(it.GetGoToNext()));
  }
  // The object with what the context keys it by besides its GUID and name.
  void noteRevision(KuvEeSerialVarValue& revision) {
    note(&revision);
    noteSequence(SeriesElementID(revision.getName(), revision.getRev(), revision.getSerialVar()));
  }
  void noteTreeElement(KuvEeTreeSeriesElement& element) {
    note(&element);
    const SeriesElementID id(element.getName(), element.getRevision(), element.getTreeSeriesVar());
    if (!context.m_treeSeriesElements.ContainsKey(id)) treeElements.push_back(id);
    noteSequence(id);
  }
  void noteMilestone(KuvEeMilestone& milestone) {
    note(&milestone);
    const MilestoneElementID id(milestone.getName(), milestone.getMilestonesVar());
    if (!context.m_milestones.ContainsKey(id)) milestones.push_back(id);
  }
  void noteChange(KuvEePredefEff& change) {
    note(&change);
    if (!context.m_changes.ContainsKey(change.getName())) changes.push_back(change.getName());
  }
  // A tree series enabled for the element being entered.
  void noteTreeSeries(KuvEeModelDico& holder, std::int32_t type) {
    enabledIn = &holder;
    enabledType = type;
  }

  // Runs enter, then attach, which answers whether the object's holder took
  // it; what enter did is taken back when attach refuses or memory runs out.
  template <class Enter, class Attach>
  bool enter(Enter&& entering, Attach&& attach) {
    try {
      entering();
      if (attach()) return true;
    } catch (const std::bad_alloc&) {
      takeBack();
      throw;
    }
    takeBack();
    return false;
  }
  // The same where nothing else takes the object.
  template <class Enter>
  void enter(Enter&& entering) {
    enter(entering, [] { return true; });
  }

  void takeBack() noexcept {
    if (home != nullptr && home->Get(model->getName()) == model) home->Remove(model->getName());
    for (const Before& b : before) {
      if (b.guidFree) context.m_byGuid.erase(b.object->getGuid());
      if (b.nameFree) context.m_byName.Remove(b.object->getName());
      if (!b.owned) context.m_owned.Remove(b.object);
    }
    for (const SeriesElementID& id : sequences) context.m_seqNumbers.Remove(id);
    for (const SeriesElementID& id : treeElements) context.m_treeSeriesElements.Remove(id);
    for (const MilestoneElementID& id : milestones) context.m_milestones.Remove(id);
    for (const KuvInString& name : changes) context.m_changes.Remove(name);
    if (enabledIn != nullptr) enabledIn->dropEmptyTreeSeries(enabledType);
  }

  KuvEeExpressionContext& context;
  KuvInMap* home = nullptr;
  KuvEeModelDico* model = nullptr;
  std::vector<Before> before;
  std::vector<SeriesElementID> sequences;
  std::vector<SeriesElementID> treeElements;
  std::vector<MilestoneElementID> milestones;
  std::vector<KuvInString> changes;
  KuvEeModelDico* enabledIn = nullptr;
  std::int32_t enabledType = 0;

private:
  void noteSequence(const SeriesElementID& id) {
    if (!context.m_seqNumbers.ContainsKey(id)) sequences.push_back(id);
  }
};

bool KuvEeExpressionContext::namesStayUnique(const std::vector<KuvEeDicoObject*>& features) const {
  struct Hash {
    std::size_t operator()(const KuvInString* name) const { return name->hash(); }
  };
  struct Same {
    bool operator()(const KuvInString* a, const KuvInString* b) const { return *a == *b; }
  };
  std::unordered_set<const KuvInString*, Hash, Same> names;
  names.reserve(features.size());
  for (const KuvEeDicoObject* feature : features) {
    const KuvEeDicoObject* registered = m_owned.Find(feature) ? nullptr : otherWithGuid(*feature);
    const KuvInString& name = (registered != nullptr ? registered : feature)->getName();
    if (name.IsEmpty() || !names.insert(&name).second) return false;
  }
  return true;
}

HRESULT KuvEeExpressionContext::AddModelDico(KuvEeModelDico*& model, bool main) {
  KUV_TRACE_CALL("AddModelDico");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return addModelDico(model, main); });
}

HRESULT KuvEeExpressionContext::addModelDico(KuvEeModelDico*& model, bool main) {
  if (model == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  const KuvInString name = model->getName();
  if (name.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR : this dico has no name. It is no good for mapping !");

  KuvInMap& home = main ? m_dicos : m_inheritedDicos;
  auto* registered = static_cast<KuvEeModelDico*>(home.Get(name));
  if (registered == nullptr) {
    registered = static_cast<KuvEeModelDico*>((main ? m_inheritedDicos : m_dicos).Get(name));
    if (registered != nullptr) home.Put(name, registered);
  }
  if (registered == model) return S_FALSE;
  if (registered != nullptr) {
    discardModel(model);
    model = registered;
    return S_OK;
  }

  // Everything that could be refused is checked before the model is taken.
  if (const KuvEeDicoObject* other = otherWithGuid(*model))
    KUV_RETURN_ERROR(E_FAIL, other->dType() != model->dType() ? sc_otherKind : sc_otherName);
  const KuvInSet* featureSet = nullptr;
  model->getConfigFeatures(featureSet);
  const std::vector<KuvEeDicoObject*> features = elementsOf<KuvEeDicoObject>(*featureSet);
  for (const KuvEeDicoObject* feature : features)
    if (FAILED(checkFeature(*feature))) KUV_RETURN_ERROR(E_FAIL, "ERROR : AddConfigFeature failed");
  // A feature of a registered GUID gives way to the registered one, whose
  // name must be free among the model's features.
  if (!namesStayUnique(features)) KUV_RETURN_ERROR(E_FAIL, "ERROR : AddConfigFeature failed");
  const ModelContents contents(*model);
  for (const KuvEeDicoObject* object : contents.all())
    if (otherWithGuid(*object) != nullptr) KUV_RETURN_ERROR(E_FAIL, sc_guidTaken);

  Registration registration(*this);
  registration.noteModel(home, *model);
  for (KuvEeDicoObject* feature : features) registration.note(feature);
  for (KuvEeDicoObject* variable : contents.variables) registration.note(variable);
  for (KuvEeSerialVarValue* revision : contents.revisions) registration.noteRevision(*revision);
  for (KuvEeTreeSeriesElement* element : contents.treeElements) registration.noteTreeElement(*element);
  for (KuvEeMilestone* milestone : contents.milestones) registration.noteMilestone(*milestone);
  // The caller's features that give way, and the registered ones they give
  // way to, in the model's order.
  std::vector<KuvEeDicoObject*> replaced;
  std::vector<KuvEeDicoObject*> replacements;
  replaced.reserve(features.size());
  replacements.reserve(features.size());
  std::unique_ptr<KuvEeDico> newFeatures;
  std::vector<KuvEeDicoObject*> discarded;

  bool clash = false;
  try {
    home.Put(name, model);
    index(model);
    m_owned.Put(model);
    // Two features of this very model that clash are kept anyway, unindexed:
    // the model came with them.
    const auto keepUnindexed = [this](KuvEeDicoObject* feature) {
      m_owned.Put(feature);
      if (KuvEeCategory::isObjectOfThisType(*feature))
        for (KuvEeDicoObject* option : elementsOf<KuvEeDicoObject>(*optionsOf(*feature))) m_owned.Put(option);
    };
    for (KuvEeDicoObject* feature : features) {
      if (m_owned.Find(feature)) continue;
      if (FAILED(checkFeature(*feature))) {
        clash = true;
        keepUnindexed(feature);
      } else if (KuvEeDicoObject* known = otherWithGuid(*feature)) {
        replaced.push_back(feature);
        replacements.push_back(known);
      } else if (!feature->getGuid().IsValuated() || byGuid(feature->getGuid()) != feature) {
        m_owned.Put(feature);
        index(feature);
        registerOptions(*feature);
      }
    }
    for (KuvEeDicoObject* variable : contents.variables) index(variable);
    for (KuvEeSerialVarValue* revision : contents.revisions) registerRevision(revision);
    for (KuvEeTreeSeriesElement* element : contents.treeElements) registerTreeSeriesElement(element);
    for (KuvEeMilestone* milestone : contents.milestones) registerMilestone(milestone);

    // The model's new features are built aside, so that they take over at
    // once below, where nothing may fail.
    if (!replaced.empty()) {
      newFeatures = std::make_unique<KuvEeDico>();
      bool whole = true;
      auto next = replaced.begin();
      for (KuvEeDicoObject* feature : features) {
        if (next != replaced.end() && *next == feature)
          ++next;
        else
          whole = newFeatures->add(feature) && whole;
      }
      for (KuvEeDicoObject* known : replacements) whole = newFeatures->add(known) && whole;
      if (whole) {
        for (KuvEeDicoObject* feature : replaced) discardable(feature, discarded);
      } else {
        // Names that the check before could not foresee (a clash above kept
        // a feature that was to give way): the model keeps its features.
        clash = true;
        newFeatures.reset();
        for (KuvEeDicoObject* feature : replaced) keepUnindexed(feature);
      }
    }
    if (clash) KUV_TRACE_ERROR("ERROR : AddConfigFeature failed");
  } catch (const std::bad_alloc&) {
    registration.takeBack();
    throw;
  }

  if (newFeatures != nullptr) model->swapConfigFeatures(*newFeatures);
  for (KuvEeDicoObject* object : discarded) delete object;
  return clash ? E_FAIL : S_OK;
}

HRESULT KuvEeExpressionContext::AddConfigFeature(KuvEeDicoObject*& feature, KuvEeModelDico* model) {
  KUV_TRACE_CALL("AddConfigFeature");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return addConfigFeature(feature, model); });
}

HRESULT KuvEeExpressionContext::addConfigFeature(KuvEeDicoObject*& feature, KuvEeModelDico* model) {
  if (feature == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  if (model != nullptr && !isRegistered(model)) KUV_RETURN_ERROR(E_FAIL, sc_unknownModel);
  const HRESULT checked = checkFeature(*feature);
  if (FAILED(checked)) return checked;

  if (KuvEeDicoObject* registered = otherWithGuid(*feature)) {
    std::vector<KuvEeDicoObject*> doomed;
    discardable(feature, doomed);
    if (model != nullptr) {
      // The model trades its copy for the registered feature in one step,
      // rather than losing it when the registered name is another's there.
      const KuvInSet* features = nullptr;
      model->getConfigFeatures(features);
      if (features->Find(feature)
              ? !model->replaceConfigFeature(feature, registered)
              : FAILED(kuv::detail::throwIfOutOfMemory(model->addConfigFeature(registered))))
        KUV_RETURN_ERROR(E_FAIL, "ERROR : addConfigFeature to KuvEeModelDico FAILED.");
    }
    for (KuvEeDicoObject* object : doomed) delete object;
    feature = registered;
    return S_FALSE;
  }
  if (feature->getGuid().IsValuated() && byGuid(feature->getGuid()) == feature) {
    if (model != nullptr && FAILED(kuv::detail::throwIfOutOfMemory(model->addConfigFeature(feature))))
      KUV_RETURN_ERROR(E_FAIL, "ERROR : addConfigFeature to KuvEeModelDico FAILED.");
    return S_FALSE;
  }
  if (m_owned.Find(feature)) KUV_RETURN_ERROR(E_FAIL, "ERROR : duplicated object in set");
  Registration registration(*this);
  const bool entered = registration.enter(
      [&] {
        registration.note(feature);
        m_owned.Put(feature);
        index(feature);
        registerOptions(*feature);
      },
      [&] {
        return model == nullptr ||
               SUCCEEDED(kuv::detail::throwIfOutOfMemory(model->addConfigFeature(feature)));
      });
  if (!entered) KUV_RETURN_ERROR(E_FAIL, "ERROR : addConfigFeature to KuvEeModelDico FAILED.");
  return S_OK;
}

HRESULT KuvEeExpressionContext::AddConfigFeatureOption(const KuvInString& name, const KuvInGuid& guid,
                                                       KuvEeDicoObject* feature) {
  KUV_TRACE_CALL("AddConfigFeatureOption");
  return kuv::detail::unlessOutOfMemory(traceChannel(),
                                        [&] { return addConfigFeatureOption(name, guid, feature); });
}

HRESULT KuvEeExpressionContext::addConfigFeatureOption(const KuvInString& name, const KuvInGuid& guid,
                                                       KuvEeDicoObject* feature) {
  if (feature == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  KuvEeCategory* category = KuvEeCategory::cast(*feature);
  KuvEeSelectionVar* variable = KuvEeSelectionVar::cast(*feature);
  if (category == nullptr && variable == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected config feature.");
  if (guid.IsValuated()) {
    if (const auto* registered = byGuid(guid)) {
      const KuvInObjectTypeClass* kind =
          category != nullptr ? KuvEeCatOptionVar::sType() : KuvEeSelectionValue::sType();
      if (registered->dType() != kind) KUV_RETURN_ERROR(E_FAIL, sc_otherKind);
      if (registered->getName() != name) KUV_RETURN_ERROR(E_FAIL, sc_otherName);
      return S_FALSE;
    }
  }
  Registration registration(*this);
  if (category != nullptr) {
    if (category->getOptionVar(name) != nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR : an option of that name already exists in ", category->getName());
    // Deleting the option takes it out of its category again.
    auto option = std::make_unique<KuvEeCatOptionVar>(name, guid.getArray(), category);
    registration.enter([&] {
      registration.note(option.get());
      m_owned.Put(option.get());
      index(option.get());
    });
    option.release();
    return S_OK;
  }
  if (variable->getValue(name) != nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR : an option of that name already exists in ", variable->getName());
  auto value = std::make_unique<KuvEeSelectionValue>(name, guid.getArray(), variable);
  const bool entered = registration.enter(
      [&] {
        registration.note(value.get());
        index(value.get());
      },
      [&] { return kuv::detail::throwIfOutOfMemory(variable->addValue(value.get())) == S_OK; });
  if (!entered) KUV_RETURN_ERROR(E_FAIL, "ERROR : the value could not be added to ", variable->getName());
  value.release();
  return S_OK;
}

HRESULT KuvEeExpressionContext::AddInheritedEff(KuvEeBasicEff*& eff, KuvInList& dicos) {
  KUV_TRACE_CALL("AddInheritedEff");
  if (eff == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  if (eff->getName().IsEmpty())
    KUV_RETURN_ERROR(E_FAIL, "ERROR : this eff has no name. It is no good for mapping !");
  for (std::int32_t i = 0; i < dicos.GetLength(); ++i) {
    KuvInObject* dico = dicos.Get(i);
    if (dico == nullptr || !KuvEeModelDico::isObjectOfThisType(*dico))
      KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  }
  KuvEeDicoObject* registered = otherWithGuid(*eff);
  if (registered != nullptr && registered->dType() != eff->dType())
    KUV_RETURN_ERROR(E_FAIL,
                     "ERROR : An object with same Guid but with different type is already in the context");
  return kuv::detail::unlessOutOfMemory(
      traceChannel(), [&] { return addInheritedEff(eff, static_cast<KuvEeBasicEff*>(registered), dicos); });
}

HRESULT KuvEeExpressionContext::addInheritedEff(KuvEeBasicEff*& eff, KuvEeBasicEff* registered,
                                                KuvInList& dicos) {
  // The effectivity with its map of dictionaries is one step, each
  // dictionary another, each all or nothing; a failing dictionary leaves
  // the steps before it done.
  KuvEeBasicEff* const entered = registered != nullptr ? registered : eff;
  const bool known = registered != nullptr || m_owned.Find(eff);
  Registration registration(*this);
  registration.enter([&] {
    if (!known) {
      registration.note(eff);
      m_owned.Put(eff);
      index(eff);
    }
    // Last, as nothing takes it back.
    if (!m_dicosPerInheritedEff.ContainsKey(KuvInObjectPtr(entered))) {
      auto models = std::make_unique<KuvInMap>(KuvInString::sType(), KuvEeModelDico::sType());
      m_dicosPerInheritedEff.Put(KuvInObjectPtr(entered), models.get());
      models.release();
    }
  });
  if (registered != nullptr) {
    if (!m_owned.Find(eff)) delete eff;
    eff = registered;
  }
  auto* models = static_cast<KuvInMap*>(m_dicosPerInheritedEff.Get(KuvInObjectPtr(entered)));
  for (std::int32_t i = 0; i < dicos.GetLength(); ++i) {
    auto* model = static_cast<KuvEeModelDico*>(dicos.Get(i));
    // Listed first under the model that registering it answers, so that a
    // new entry is all that is left to take back.
    const KuvInString name = model->getName();
    KuvInObject* answer = m_inheritedDicos.Get(name);
    if (answer == nullptr) answer = m_dicos.Get(name);
    if (answer == nullptr) answer = model;
    const bool listed = models->Get(name) == answer;
    if (!listed) models->Put(name, answer);
    const HRESULT hr = AddModelDico(model, false);
    if (FAILED(hr)) {
      if (!listed) models->Remove(name);
      return hr;
    }
    dicos.Set(i, model);
    // Put again even when listed: registering anew moves a name to the end
    // of its bucket, which the map's iteration order shows.
    if (listed) models->Put(name, model);
  }
  return known ? S_FALSE : S_OK;
}

HRESULT KuvEeExpressionContext::AddChangeRef(KuvEePredefEff*& change) {
  KUV_TRACE_CALL("AddChangeRef");
  if (change == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  if (change->getName().IsEmpty())
    KUV_RETURN_ERROR(E_FAIL, "ERROR : this change has no name. It is no good for mapping !");
  if (KuvEeDicoObject* registered = otherWithGuid(*change)) {
    if (registered->dType() != change->dType()) KUV_RETURN_ERROR(E_FAIL, sc_otherKind);
    if (!m_owned.Find(change)) delete change;
    change = static_cast<KuvEePredefEff*>(registered);
    return S_FALSE;
  }
  if (m_owned.Find(change)) return S_FALSE;
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    Registration registration(*this);
    registration.enter([&] {
      registration.noteChange(*change);
      m_owned.Put(change);
      index(change);
      if (!m_changes.ContainsKey(change->getName())) m_changes.Put(change->getName(), change);
    });
    return S_OK;
  });
}

HRESULT KuvEeExpressionContext::AddMilestonesTrack(KuvEeModelDico* model, const KuvInGuid& guid,
                                                   const KuvInString& name, const KuvInString& discipline,
                                                   bool noTreeMode) {
  KUV_TRACE_CALL("AddMilestonesTrack");
  if (model == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  if (!isRegistered(model)) KUV_RETURN_ERROR(E_FAIL, sc_unknownModel);
  KuvEeMilestonesVar* track = nullptr;
  if (guid.IsValuated() && model->getMilestonesTrack(guid, track) == S_OK) {
    if (track->getName() != name)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: MilestonesTrack alreaday exists but with another name.");
    if (track->getDiscipline() != discipline)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: MilestonesTrack alreaday exists but with another discipline.");
    return S_FALSE;
  }
  if (guid.IsValuated() && m_byGuid.contains(guid)) KUV_RETURN_ERROR(E_FAIL, sc_otherKind);
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // Indexed first and handed to the model last, whose add is all or
    // nothing: running out of memory takes the index entries back.
    auto created = std::make_unique<KuvEeMilestonesVar>(name, guid.getArray(), discipline, model, noTreeMode);
    Registration registration(*this);
    const bool entered = registration.enter(
        [&] {
          registration.note(created.get());
          index(created.get());
        },
        [&] { return kuv::detail::throwIfOutOfMemory(model->addMilestonesTrack(created.get())) == S_OK; });
    if (!entered) KUV_RETURN_ERROR(E_FAIL, "ERROR : addMilestonesTrack FAILED (name or discipline taken)");
    created.release();
    return S_OK;
  });
}

HRESULT KuvEeExpressionContext::AddMilestone(KuvEeMilestonesVar* track, const KuvInGuid& guid,
                                             const KuvInString& name, const KuvInTreeEvalIndex& index,
                                             const KuvInDate* date, KuvEeMilestone* parent) {
  KUV_TRACE_CALL("AddMilestone");
  if (track == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  if (!index.isTreeEvalIndexValid()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Input TreeEvalIndex is invalid.");
  if (parent != nullptr && parent->getMilestonesVar() != track)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Milestones adn its parent isn't on the same track.");
  if (const auto* known =
          static_cast<const KuvEeMilestone*>(m_milestones.Get(MilestoneElementID(name, track)))) {
    if (known->getGuid() == guid && known->getTreeEvalIndex().equals(index)) return S_FALSE;
    KUV_RETURN_ERROR(E_FAIL, "ERROR : the milestone ", name,
                     " already exists with another identifier or index");
  }
  if (guid.IsValuated() && m_byGuid.contains(guid)) KUV_RETURN_ERROR(E_FAIL, sc_otherKind);

  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // Indexed first and attached last, which is all or nothing.
    auto milestone = std::make_unique<KuvEeMilestone>(name, guid.getArray(), track, index, date, parent);
    Registration registration(*this);
    const bool entered = registration.enter(
        [&] {
          registration.noteMilestone(*milestone);
          registerMilestone(milestone.get());
        },
        [&] { return attach(milestone.get(), parent, track, &KuvEeMilestonesVar::setRootMilestone); });
    if (!entered)
      KUV_RETURN_ERROR(E_FAIL,
                       parent != nullptr ? "ERROR: addChild Failed." : "ERROR : setRootMilestone FAILED");
    milestone.release();
    return S_OK;
  });
}

HRESULT KuvEeExpressionContext::AddRevision(KuvEeSerialVar* variable, const KuvInGuid& guid,
                                            const KuvInString& name, const KuvInString& revision,
                                            std::uint32_t seqNumber) {
  KUV_TRACE_CALL("AddRevision");
  if (variable == nullptr) KUV_RETURN_ERROR(E_FAIL, sc_noSerial);
  // The map itself: getRevision would read the sentinels as lowest and highest.
  const KuvInMap* revisions = nullptr;
  variable->getSeqNb2Revisions(revisions);
  if (const auto* known =
          static_cast<const KuvEeSerialVarValue*>(revisions->Get(KuvInIntHolder(seqNumber)))) {
    if (known->getName() == name && known->getGuid() == guid && known->getRev() == revision) return S_FALSE;
    KUV_RETURN_ERROR(
        E_FAIL,
        "ERROR : unexpected, a rev with same Sequence Number but a different name already exists "
        "under this Serial");
  }
  if (guid.IsValuated() && m_byGuid.contains(guid)) KUV_RETURN_ERROR(E_FAIL, sc_guidTaken);
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // The variable owns its revisions; the context only indexes them, first,
    // so that the variable's add, all or nothing, comes last.
    auto created =
        std::make_unique<KuvEeSerialVarValue>(name, guid.getArray(), revision, seqNumber, variable);
    Registration registration(*this);
    const bool entered = registration.enter(
        [&] {
          registration.noteRevision(*created);
          registerRevision(created.get());
        },
        [&] { return kuv::detail::throwIfOutOfMemory(variable->addRevision(created.get())) == S_OK; });
    if (!entered) KUV_RETURN_ERROR(E_FAIL, "ERROR, addRevision failed.");
    created.release();
    return S_OK;
  });
}

HRESULT KuvEeExpressionContext::AddRevision(KuvEeModelDico* model, KuvEeSerialVar::SerialExternalType type,
                                            const KuvInGuid& guid, const KuvInString& name,
                                            const KuvInString& revision, std::uint32_t seqNumber) {
  return AddRevision(model != nullptr ? model->getSeriesVariable(type) : nullptr, guid, name, revision,
                     seqNumber);
}

HRESULT KuvEeExpressionContext::AddRevision(KuvEeModelDico* model, std::int32_t treeType,
                                            KuvEeTreeSeriesElement* parent, const KuvInGuid& guid,
                                            const KuvInString& name, const KuvInString& revision,
                                            const KuvInTreeEvalIndex& index, bool noTreeMode) {
  KUV_TRACE_CALL("AddRevision");
  if (model == nullptr ||
      (treeType != KuvEeSerialVar::TREE_STATE && treeType != KuvEeSerialVar::TREE_MANUF_PLAN))
    KUV_RETURN_ERROR(E_FAIL, sc_noSerial);
  if (!index.isTreeEvalIndexValid()) KUV_RETURN_ERROR(E_FAIL, "ERROR: Input TreeEvalIndex is invalid.");
  KuvEeTreeSeriesVar* variable = model->getTreeSeriesVariable(treeType);
  if (parent != nullptr && (variable == nullptr || parent->getTreeSeriesVar() != variable))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : the parent element is not in this tree series");
  if (variable != nullptr) {
    const SeriesElementID id(name, revision, variable);
    if (const auto* known = static_cast<const KuvEeTreeSeriesElement*>(m_treeSeriesElements.Get(id))) {
      if (known->getGuid() == guid && known->getTreeEvalIndex().equals(index)) return S_FALSE;
      KUV_RETURN_ERROR(E_FAIL, "ERROR : the revision ", name, " ", revision,
                       " already exists with another identifier or index");
    }
  }
  if (guid.IsValuated() && m_byGuid.contains(guid)) KUV_RETURN_ERROR(E_FAIL, sc_guidTaken);

  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // The tree series enabled here, if any, goes again with the rest when
    // the element cannot be attached.
    std::unique_ptr<KuvEeTreeSeriesElement> element;
    Registration registration(*this);
    const bool entered = registration.enter(
        [&] {
          if (variable == nullptr) {
            registration.noteTreeSeries(*model, treeType);
            kuv::detail::throwIfOutOfMemory(model->enableEvolutionTreeSeries(treeType, noTreeMode));
            variable = model->getTreeSeriesVariable(treeType);
          }
          element = std::make_unique<KuvEeTreeSeriesElement>(name, guid.getArray(), revision, index, variable,
                                                             parent);
          registration.noteTreeElement(*element);
          registerTreeSeriesElement(element.get());
        },
        [&] {
          return attach(element.get(), parent, variable, &KuvEeTreeSeriesVar::setRootTreeSeriesElement);
        });
    if (!entered)
      KUV_RETURN_ERROR(
          E_FAIL, parent != nullptr ? "ERROR: addChild Failed." : "ERROR : setRootTreeSeriesElement FAILED");
    element.release();
    return S_OK;
  });
}

HRESULT KuvEeExpressionContext::ActivateDate() {
  if (m_dateVar != nullptr) return S_FALSE;
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    const unsigned char guid[KuvInGuid::sc_size] = {1};
    auto date = std::make_unique<KuvEeDateVar>("Date", guid);
    m_byGuid.insert_or_assign(KuvInGuid(guid), date.get());
    m_dateVar = std::move(date);
    return S_OK;
  });
}

// ---------------------------------------------------------------------------
// Reading

namespace {
// found cast to T; S_OK, or S_FALSE and null when absent or of another kind.
template <class T>
HRESULT foundAs(KuvInObject* found, T*& result) {
  result = found != nullptr ? T::cast(*found) : nullptr;
  return result != nullptr ? S_OK : S_FALSE;
}

bool isFeature(const KuvInObject& object) {
  return KuvEeCategory::isObjectOfThisType(object) || KuvEeSelectionVar::isObjectOfThisType(object);
}
}  // namespace

HRESULT KuvEeExpressionContext::GetModelDico(const KuvInGuid& guid, KuvEeModelDico*& model) const {
  model = nullptr;
  KuvInObject* found = byGuid(guid);
  if (found == nullptr) return S_FALSE;
  if (foundAs(found, model) != S_OK)
    KUV_RETURN_ERROR(E_FAIL, "ERROR : map content is of unexpected type, cast FAILED.");
  return S_OK;
}

HRESULT KuvEeExpressionContext::GetModelDico(const KuvInString& name, KuvEeModelDico*& model) const {
  KuvInObject* found = m_dicos.Get(name);
  return foundAs(found != nullptr ? found : m_inheritedDicos.Get(name), model);
}

HRESULT KuvEeExpressionContext::GetAllDictionariesByName(const KuvInMap*& dicos) const {
  dicos = &m_dicos;
  return S_OK;
}

HRESULT KuvEeExpressionContext::GetAllInheritedDictionariesByName(const KuvInMap*& dicos) const {
  dicos = &m_inheritedDicos;
  return S_OK;
}

HRESULT KuvEeExpressionContext::GetAllDictionariesForInheritedEffectivity(KuvEeBasicEff* eff,
                                                                          const KuvInMap*& dicos) const {
  dicos = static_cast<const KuvInMap*>(m_dicosPerInheritedEff.Get(KuvInObjectPtr(eff)));
  return dicos != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeExpressionContext::GetConfigFeature(const KuvInGuid& guid, KuvEeDicoObject*& feature) const {
  KuvInObject* found = byGuid(guid);
  feature = found != nullptr && isFeature(*found) ? static_cast<KuvEeDicoObject*>(found) : nullptr;
  return feature != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeExpressionContext::GetConfigFeature(const KuvInString& name, KuvEeDicoObject*& feature) const {
  KuvInObject* found = m_byName.Get(name);
  feature = found != nullptr && isFeature(*found) ? static_cast<KuvEeDicoObject*>(found) : nullptr;
  if (feature != nullptr) return S_OK;
  // Another kind of object may hold the name: ask the models.
  for (const KuvInMap* dicos : {&m_dicos, &m_inheritedDicos})
    for (KuvInMap::const_iterator it = dicos->cBegin(); !it.IsEnd();)
      if (static_cast<KuvEeModelDico*>(it.GetValGoToNext())->getConfigFeature(name, feature) == S_OK)
        return S_OK;
  return S_FALSE;
}

HRESULT KuvEeExpressionContext::GetConfigFeatureOption(const KuvInGuid& guid,
                                                       KuvEeDicoObject*& option) const {
  KuvInObject* found = byGuid(guid);
  const bool isOption = found != nullptr && (KuvEeCatOptionVar::isObjectOfThisType(*found) ||
                                             KuvEeSelectionValue::isObjectOfThisType(*found));
  option = isOption ? static_cast<KuvEeDicoObject*>(found) : nullptr;
  return option != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeExpressionContext::GetChange(const KuvInGuid& guid, KuvEePredefEff*& change) const {
  return foundAs(byGuid(guid), change);
}

HRESULT KuvEeExpressionContext::GetChange(const KuvInString& name, KuvEePredefEff*& change) const {
  return foundAs(m_changes.Get(name), change);
}

HRESULT KuvEeExpressionContext::GetInheritedEff(const KuvInGuid& guid, KuvEeBasicEff*& eff) const {
  return foundAs(byGuid(guid), eff);
}

HRESULT KuvEeExpressionContext::GetInheritedEff(const KuvInString& name, KuvEeBasicEff*& eff) const {
  if (foundAs(m_byName.Get(name), eff) == S_OK) return S_OK;
  // Another kind of object may hold the name: look among the effectivities.
  for (KuvInMap::const_iterator it = m_dicosPerInheritedEff.cBegin(); !it.IsEnd();) {
    auto* candidate =
        static_cast<KuvEeBasicEff*>(static_cast<const KuvInObjectPtr*>(it.GetKeyGoToNext())->getObject());
    if (candidate->getName() == name) {
      eff = candidate;
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT KuvEeExpressionContext::GetDate(KuvEeDateVar*& date) const {
  date = m_dateVar.get();
  return date != nullptr ? S_OK : S_FALSE;
}

bool KuvEeExpressionContext::GetEEObject(const KuvInGuid& guid, KuvEeDicoObject*& object) const {
  object = byGuid(guid);
  return object != nullptr;
}

HRESULT KuvEeExpressionContext::GetSetOfMDsContainingFeature(const KuvEeDicoObject* feature, KuvInSet& models,
                                                             KuvEeBasicEff* inheritedEff) const {
  if (feature == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, sc_nullInput);
  if (!models.IsTypeAccepted(KuvEeModelDico::sType())) return E_INVALIDARG;
  const KuvInMap* dicos = &m_dicos;
  if (inheritedEff != nullptr) {
    dicos = static_cast<const KuvInMap*>(m_dicosPerInheritedEff.Get(KuvInObjectPtr(inheritedEff)));
    if (dicos == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : No context for input inherited eff");
  }
  if (const KuvEeCatOptionVar* option = KuvEeCatOptionVar::cast(*feature))
    feature = option->getCategory();
  else if (const KuvEeSelectionValue* value = KuvEeSelectionValue::cast(*feature))
    feature = value->getSelectionVar();
  models.Clear();
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        for (KuvInMap::const_iterator it = dicos->cBegin(); !it.IsEnd();) {
          auto* model = static_cast<KuvEeModelDico*>(it.GetValGoToNext());
          const KuvInSet* features = nullptr;
          model->getConfigFeatures(features);
          if (feature != nullptr && features->Find(feature)) models.Put(model);
        }
        return models.IsEmpty() ? S_FALSE : S_OK;
      },
      kuv::detail::emptying(models));
}

HRESULT KuvEeExpressionContext::ComputeSequenceNumber(const KuvEeSerialVar* variable, const KuvInString& name,
                                                      const KuvInString& revision,
                                                      std::uint32_t& seqNumber) const {
  // The key copies the names.
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    const KuvInIntHolder* found = nullptr;
    if (KuvInObjectVal* value = m_seqNumbers.Get(SeriesElementID(name, revision, variable)))
      found = KuvInIntHolder::cast(*value);
    if (found == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR : Failed to retrieve sequence number for this revision");
    seqNumber = found->getValue();
    return S_OK;
  });
}

HRESULT KuvEeExpressionContext::ComputeSequenceNumber(const KuvEeTreeSeriesVar* variable,
                                                      const KuvInString& name, const KuvInString& revision,
                                                      KuvInTreeEvalIndex& index) const {
  // Copied aside first, so that index changes all or nothing.
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    const KuvInTreeEvalIndex* found = nullptr;
    if (KuvInObjectVal* value = m_seqNumbers.Get(SeriesElementID(name, revision, variable)))
      found = KuvInTreeEvalIndex::cast(*value);
    if (found == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR : Failed to retrieve tree eval index for this revision");
    KuvInTreeEvalIndex copy(*found);
    index.swap(copy);
    return S_OK;
  });
}

namespace {
const KuvEeSerialVarValue* revisionOf(const KuvEeSerialVar* variable, std::int32_t seqNumber) {
  return variable != nullptr ? variable->getRevision(seqNumber) : nullptr;
}
}  // namespace

HRESULT KuvEeExpressionContext::RetrieveSeriesElementIdentification(const KuvEeSerialVar* variable,
                                                                    std::int32_t seqNumber, KuvInString& name,
                                                                    KuvInString& revision) const {
  const KuvEeSerialVarValue* found = revisionOf(variable, seqNumber);
  if (found == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : unable to retrieve given sequence number");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvInString foundName = found->getName(), foundRevision = found->getRev();
    name = std::move(foundName);
    revision = std::move(foundRevision);
    return S_OK;
  });
}

HRESULT KuvEeExpressionContext::RetrieveSeriesElementModelerID(const KuvEeSerialVar* variable,
                                                               std::int32_t seqNumber,
                                                               KuvInGuid& guid) const {
  const KuvEeSerialVarValue* found = revisionOf(variable, seqNumber);
  if (found == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : unable to retrieve given sequence number");
  guid = found->getGuid();
  return S_OK;
}

HRESULT KuvEeExpressionContext::RetrieveMilestone(const KuvEeMilestonesVar* track, const KuvInString& name,
                                                  KuvEeMilestone*& milestone) const {
  // The key copies the name.
  return kuv::detail::unlessOutOfMemory(
      traceChannel(), [&] { return foundAs(m_milestones.Get(MilestoneElementID(name, track)), milestone); });
}

HRESULT KuvEeExpressionContext::RetrieveTreeSeriesElement(const KuvEeTreeSeriesVar* variable,
                                                          const KuvInString& name,
                                                          const KuvInString& revision,
                                                          KuvEeTreeSeriesElement*& element) const {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    return foundAs(m_treeSeriesElements.Get(SeriesElementID(name, revision, variable)), element);
  });
}
