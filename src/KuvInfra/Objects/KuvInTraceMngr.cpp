#include "KuvInTraceMngr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KuvInTraceClass.h"

KUV_DEFINE_TYPE(KuvInTraceMngr, KuvInObject)
KUV_DEFINE_TYPE(KuvInTraceTrigger, KuvInObject)

namespace {

bool g_managerAlive = false;

std::vector<std::string> splitWords(const char* text) {
  std::vector<std::string> words;
  if (text == nullptr) return words;
  std::string word;
  for (const char* p = text;; ++p) {
    char c = *p;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\0') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (c == '\0') break;
    } else {
      word.push_back(c);
    }
  }
  return words;
}

}  // namespace

const char* const KuvInTraceMngr::sc_pszTraceMngrPs1 = "KuvInTraceMngr            =>  ";

KuvInTraceMngr& KuvInTraceMngr::getInstance() {
  static KuvInTraceMngr instance(true);
  return instance;
}

KuvInTraceMngr::KuvInTraceMngr(bool loadSettings) : m_isProcessInstance(loadSettings) {
  if (loadSettings) {
    g_managerAlive = true;
    loadOptionsFromOptionFile();
    loadOptionsFromEnv();
  }
}

KuvInTraceMngr::~KuvInTraceMngr() {
  if (m_isProcessInstance) g_managerAlive = false;
}

void KuvInTraceMngr::registerTrace(const char* name, KuvInTraceClass* channel) {
  if (name == nullptr || channel == nullptr) return;
  channel->setFlags(getFlags(name));
  m_channels[name] = channel;
}

void KuvInTraceMngr::unregisterTrace(KuvInTraceClass* channel) {
  if (!g_managerAlive) return;
  auto& channels = getInstance().m_channels;
  for (auto it = channels.begin(); it != channels.end();) {
    if (it->second == channel)
      it = channels.erase(it);
    else
      ++it;
  }
}

void KuvInTraceMngr::unregisterTrigger(KuvInTraceTrigger* trigger) {
  if (!g_managerAlive) return;
  KuvInTraceMngr& manager = getInstance();
  std::erase_if(manager.m_triggers, [trigger](const auto& entry) { return entry.second == trigger; });
  for (auto& [name, triggers] : manager.m_triggerIndex) std::erase(triggers, trigger);
}

void KuvInTraceMngr::registerTrigger(const char* name, KuvInTraceTrigger* trigger) {
  if (name == nullptr || trigger == nullptr) return;
  m_triggers[name] = trigger;
  for (const std::string& channelName : trigger->m_names) {
    auto& indexed = m_triggerIndex[channelName];
    if (std::find(indexed.begin(), indexed.end(), trigger) == indexed.end()) indexed.push_back(trigger);
  }
  std::set<KuvInTraceTrigger*> visiting;
  propagateTriggerEffects(trigger, getFlags(name), visiting);
}

unsigned char KuvInTraceMngr::getFlags(const char* name) const {
  unsigned char flags = 1;
  if (getFlagsFromActivations(name, flags)) return flags;
  auto indexed = m_triggerIndex.find(name);
  if (indexed != m_triggerIndex.end() && !indexed->second.empty()) {
    unsigned char combined = 0;
    for (const KuvInTraceTrigger* trigger : indexed->second) {
      if (trigger->m_flags == 0) return 0;
      combined |= trigger->m_flags;
    }
    return combined;
  }
  return 1;
}

bool KuvInTraceMngr::getFlagsFromActivations(const char* name, unsigned char& flags) const {
  flags = 1;
  bool found = false;
  const std::string base(name);
  const std::pair<const char*, unsigned char> rules[] = {
      {"-Error", 1}, {"", 3}, {"-Verbose", 7}, {"-None", 0}};
  for (const auto& [suffix, value] : rules) {
    if (m_activations.count(base + suffix) != 0) {
      flags = value;
      found = true;
    }
  }
  return found;
}

HRESULT KuvInTraceMngr::loadOptionsFromOptionFile() {
  const char* directory = std::getenv("OrbTraDecDir");
  if (directory == nullptr) directory = std::getenv("HOME");
  if (directory == nullptr) return E_FAIL;
  std::FILE* file = std::fopen((std::string(directory) + "/opfile.1").c_str(), "r");
  if (file == nullptr) file = std::fopen((std::string(directory) + "/.optionfile1").c_str(), "r");
  if (file == nullptr) return E_FAIL;
  std::string text;
  char piece[512];
  size_t n;
  while ((n = std::fread(piece, 1, 511, file)) > 0) text.append(piece, n);
  std::fclose(file);
  if (text.empty()) return E_FAIL;
  return loadOptionsFromString(text.c_str());
}

HRESULT KuvInTraceMngr::loadOptionsFromEnv() {
  const char* value = std::getenv("KuvInTrace");
  if (value == nullptr) return E_FAIL;
  return loadOptionsFromString(value);
}

HRESULT KuvInTraceMngr::loadOptionsFromString(const char* text) {
  for (std::string& word : splitWords(text))
    if (word != "-k") m_activations.insert(std::move(word));
  return S_OK;
}

void KuvInTraceMngr::propagateFlags(unsigned char source, unsigned char& target) {
  if (target != 0) target = static_cast<unsigned char>(target | source);
}

void KuvInTraceMngr::propagateTriggerEffects(KuvInTraceTrigger* trigger, unsigned char flags,
                                             std::set<KuvInTraceTrigger*>& visiting) {
  if (!visiting.insert(trigger).second) return;
  propagateFlags(flags, trigger->m_flags);
  for (const std::string& name : trigger->m_names) {
    auto channel = m_channels.find(name);
    if (channel != m_channels.end()) {
      unsigned char channelFlags = channel->second->getFlags();
      propagateFlags(flags, channelFlags);
      channel->second->setFlags(channelFlags);
    }
    auto next = m_triggers.find(name);
    if (next != m_triggers.end()) propagateTriggerEffects(next->second, trigger->m_flags, visiting);
  }
  visiting.erase(trigger);
}

KuvInTraceTrigger::KuvInTraceTrigger(const char* /*triggerName*/, const char* channelNames)
    : m_names(splitWords(channelNames)) {}

KuvInTraceTrigger::~KuvInTraceTrigger() { KuvInTraceMngr::unregisterTrigger(this); }
