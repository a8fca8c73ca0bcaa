// The process-wide trace manager: decides which channels print what.
//
// At its creation (the first channel's construction, at library load) it
// reads activation words from the option file "opfile.1" or ".optionfile1" in
// the directory named by "OrbTraDecDir" (else "HOME"), then from the
// environment variable "KuvInTrace". For a channel named X the words are:
//   X-Error  errors only (flags 1)     X          errors and calls (3)
//   X-Verbose everything (7)           X-None     silent (0), wins over all
// A channel no word names takes the flags of the triggers that name it, and
// otherwise prints errors only. Later changes of the file or the variable
// have no effect.
//
// Triggers let one word drive several channels. The manager refers to the
// triggers registered with it and never deletes them: their creator does,
// and a trigger forgets itself from the manager when it is destroyed.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "KuvInObject.h"

class KuvInTraceTrigger;
struct KuvInTraceMngrTestPeer;

class KUV_API KuvInTraceMngr : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTraceMngr)

public:
  static KuvInTraceMngr& getInstance();
  // The manager's own label, formed like a channel label.
  static const char* const sc_pszTraceMngrPs1;

  // Sets the channel's flags from the configuration and records it under
  // name; a later registration under the same name replaces the entry.
  void registerTrace(const char* name, KuvInTraceClass* channel);
  // Records the trigger under name, indexes it by the channels it names and
  // propagates name's flags into it and the channels it drives.
  void registerTrigger(const char* name, KuvInTraceTrigger* trigger);

  // Forget a channel or trigger that is being destroyed (no-op once the
  // manager is gone).
  static void unregisterTrace(KuvInTraceClass* channel);
  static void unregisterTrigger(KuvInTraceTrigger* trigger);

  ~KuvInTraceMngr() override;
  KuvInTraceMngr(const KuvInTraceMngr&) = delete;
  KuvInTraceMngr& operator=(const KuvInTraceMngr&) = delete;

private:
  friend struct KuvInTraceMngrTestPeer;
  explicit KuvInTraceMngr(bool loadSettings);

  unsigned char getFlags(const char* name) const;
  bool getFlagsFromActivations(const char* name, unsigned char& flags) const;
  HRESULT loadOptionsFromOptionFile();
  HRESULT loadOptionsFromEnv();
  HRESULT loadOptionsFromString(const char* text);
  static void propagateFlags(unsigned char source, unsigned char& target);
  void propagateTriggerEffects(KuvInTraceTrigger* trigger, unsigned char flags,
                               std::set<KuvInTraceTrigger*>& visiting);

  std::set<std::string> m_activations;
  std::map<std::string, KuvInTraceClass*> m_channels;
  std::map<std::string, KuvInTraceTrigger*> m_triggers;
  std::map<std::string, std::vector<KuvInTraceTrigger*>> m_triggerIndex;
  bool m_isProcessInstance;
};

// Drives the channels named in its second argument (separated by blanks,
// tabs or line feeds) from the activation words of the name it is
// registered under. Owned by its creator, which keeps it while registered.
class KUV_API KuvInTraceTrigger : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTraceTrigger)

public:
  KuvInTraceTrigger(const char* triggerName, const char* channelNames);
  ~KuvInTraceTrigger() override;

  const std::vector<std::string>& getNames() const { return m_names; }
  unsigned char getFlags() const { return m_flags; }

private:
  friend class KuvInTraceMngr;
  std::vector<std::string> m_names;
  unsigned char m_flags = 0;
};
