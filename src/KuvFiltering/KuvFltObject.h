// KuvFltObject: the root of the decoded filtering objects (filters,
// effectivities, applicabilities, composition matrices and their parts).
// Every leaf of these objects is a normal form keyed by the GUID of the
// dictionary it is written over; each prints itself, naming dictionaries
// through the host's KuvIDictionaryModelerAccess when one is given and by
// their GUID otherwise.
//
// Ownership: the object that holds a normal form owns it. A normal form
// belongs to exactly one holder (a domain filter, an effectivity view, a
// part of an applicability or composition matrix); inside that holder
// several dictionaries may share one normal form, which is then deleted
// once. Getters hand out pointers the holder keeps owning.
#pragma once

#include <cstdint>
#include <vector>

#include "KuvDiversityDomain.h"
#include "KuvDnf.h"
#include "KuvExpressionView.h"

class KuvIDictionaryModelerAccess;
class KuvInList;
class KuvInListVal;

// How the answers of several domains (or views) combine: 1 every compared
// one must answer positively, 0 one positive answer is enough.
enum KuvComparisonMode : std::int32_t { KuvComparisonMode_Any = 0, KuvComparisonMode_All = 1 };

class KUV_API KuvFltObject : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFltObject)

public:
  KuvInString toString() const override { return toString(nullptr); }
  // access may be null: dictionaries are then named by their GUID.
  virtual KuvInString toString(const KuvIDictionaryModelerAccess* access) const = 0;

  // The display name of a dictionary: the host's, or the GUID's text.
  static KuvInString dictionaryName(const KuvInGuid& dictionary, const KuvIDictionaryModelerAccess* access);
  // "CFG_EXPRVIEW_SOURCE", "CFG_EXPRVIEW_CURRENT", "CFG_EXPRVIEW_PROJECTED",
  // and "ALL VIEWS" for the view that stands for all of them.
  static const char* viewText(KuvExpressionView view);
  // "DWS", "Config Change", "Engineering Activation", "Config Change
  // Evolution", "Config Change Variant"; "?" for another id.
  static const char* domainText(std::int32_t domain);
};

// Walks the normal forms of a filtering object; a negative code stops the
// walk and is answered. The visitor may change a form in place, the holder
// keeps owning it.
class KUV_API KuvFltDnfVisitor {
public:
  virtual ~KuvFltDnfVisitor() = default;
  virtual HRESULT visitDnf(KuvDiversityDomain domain, const KuvInGuid& dictionary, KuvDnf& dnf) = 0;
};

namespace kuv::detail {

// Dictionary GUID to normal form, owning the forms, in insertion order
// (the order of texts and binaries). Holders are small (one dictionary in
// the common case), so a vector beats hashing.
class KUV_API FltDnfMap {
public:
  struct Entry {
    KuvInGuid dictionary;
    KuvDnf* dnf;
  };

  FltDnfMap() = default;
  FltDnfMap(const FltDnfMap&) = delete;
  FltDnfMap& operator=(const FltDnfMap&) = delete;
  ~FltDnfMap() { clear(); }

  // Takes dnf over. A form the dictionary held before is deleted unless it
  // is dnf itself or another dictionary still holds it.
  void set(const KuvInGuid& dictionary, KuvDnf* dnf);
  // The dictionary's form (still the map's) or null.
  KuvDnf* get(const KuvInGuid& dictionary) const {
    for (const Entry& e : m_entries)
      if (e.dictionary == dictionary) return e.dnf;
    return nullptr;
  }
  // Deletes every form once, however many dictionaries share it.
  void clear();
  bool empty() const { return m_entries.empty(); }
  std::int32_t size() const { return static_cast<std::int32_t>(m_entries.size()); }
  const std::vector<Entry>& entries() const { return m_entries; }
  // Appends the dictionaries (KuvInGuid copies) and their forms, in order.
  HRESULT list(KuvInListVal& dictionaries, KuvInList& dnfs) const;
  // Deep copy into an empty map; dictionaries that share a form here share
  // its copy there.
  void cloneInto(FltDnfMap& to) const;
  // Per dictionary: indent, "Dictionary ", its name, " : ", the form's
  // text, "\n".
  KuvInString toString(const KuvIDictionaryModelerAccess* access, const char* indent) const;

private:
  bool isShared(const KuvDnf* dnf, std::size_t except) const;

  std::vector<Entry> m_entries;
};

}  // namespace kuv::detail
