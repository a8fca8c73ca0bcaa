// KuvPiNameSolver: decides what each name of a parsed literal text
// designates in a variable space. A reader hands it the string nodes of
// its tree (addTreeParserNodeToSolve), which classifies each name by its
// form: Cat.Opt names a category, Sel{...} a selection variable, Name[...]
// a serial or date variable, $Name a named effectivity, and @word[...] the
// restricted items of the word's kind. solve() then looks every distinct
// name up once and gives, per node, the solved data in the order of its
// names.
//
//     KuvPiNameSolver solver(syntax, tags, &space);
//     solver.addTreeParserNodeToSolve(*node);
//     KuvPiSolvedNodeMap solved;
//     if (SUCCEEDED(solver.solve(solved, false, false))) use(solved[node]);
//     solver.flush();
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "KuvInObjectVal.h"
#include "KuvInString.h"

class KuvEeVarSpace;
class KuvInTreeParserNode;
class KuvPiVarEffSyntax;
class KuvPiVarEffTags;

class KUV_API KuvPiNameToSolve : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvPiNameToSolve)

public:
  enum E_TypeToSolve : std::int32_t {
    E_Category = 0,
    E_SelectionVar = 1,
    E_SerialOrDateVar = 2,
    E_SerialVar = 3,
    E_DateVar = 4,
    E_NamedEff = 5
  };

  KuvPiNameToSolve(const KuvInString& name, E_TypeToSolve type) : m_name(name), m_type(type) {}
  KuvPiNameToSolve(const KuvPiNameToSolve& other) = default;
  ~KuvPiNameToSolve() override;

  const KuvInString& getName() const { return m_name; }
  E_TypeToSolve getType() const { return m_type; }
  bool operator==(const KuvPiNameToSolve& other) const { return m_type == other.m_type && m_name == other.m_name; }
  bool operator<(const KuvPiNameToSolve& other) const {
    return m_type != other.m_type ? m_type < other.m_type : m_name < other.m_name;
  }

  std::uint32_t hash() const override { return m_name.hash() ^ static_cast<std::uint32_t>(m_type); }
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(*this, where); }

private:
  KuvInString m_name;
  E_TypeToSolve m_type;
};

class KUV_API KuvPiSolvedData : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiSolvedData)

public:
  enum E_SolvedType : std::int32_t {
    E_NotFound = 0,
    E_Category = 1,
    E_SelectionVar = 2,
    E_SerialVar = 3,
    E_DateVar = 4,
    E_NamedEff = 5
  };

  KuvPiSolvedData() = default;
  KuvPiSolvedData(KuvInObject* object, E_SolvedType type) : m_object(object), m_type(type) {}
  KuvPiSolvedData(const KuvPiSolvedData& other) = default;
  KuvPiSolvedData& operator=(const KuvPiSolvedData& other) = default;
  ~KuvPiSolvedData() override;

  // The dictionary object found (not owned); null when not looked up.
  KuvInObject* getObject() const { return m_object; }
  E_SolvedType getType() const { return m_type; }
  // The name it was solved from, for messages.
  const KuvInString& getName() const { return m_name; }
  void setName(const KuvInString& name) { m_name = name; }

private:
  KuvInObject* m_object = nullptr;
  E_SolvedType m_type = E_NotFound;
  KuvInString m_name;
};

// Tree node to the solved data of its names, in the order of the names.
using KuvPiSolvedNodeMap = std::map<const KuvInTreeParserNode*, std::vector<KuvPiSolvedData>>;

// The same as a KuvPiSolvedNodeMap in two flat vectors, which a reader
// refills for every text without one allocation per node.
class KUV_API KuvPiSolvedNodes {
public:
  // False when the node was not solved; else data points to its count data,
  // in the order of its names. A node added twice has the same names, so
  // the same data, each time.
  bool find(const KuvInTreeParserNode* node, const KuvPiSolvedData*& data, std::size_t& count) const;
  void clear() {
    m_nodes.clear();
    m_data.clear();
    m_sorted.clear();
    m_next = 0;
  }

private:
  friend class KuvPiNameSolver;
  using Entry = std::pair<const KuvInTreeParserNode*, std::pair<std::size_t, std::size_t>>;
  bool found(const Entry& entry, const KuvPiSolvedData*& data, std::size_t& count) const;

  // In adding order, each with the range of its data. A reader asks for
  // the nodes in the order it added them, so the next one is tried first;
  // the sorted copy serves any other order and is made only then.
  std::vector<Entry> m_nodes;
  std::vector<KuvPiSolvedData> m_data;
  mutable std::vector<Entry> m_sorted;
  mutable std::size_t m_next = 0;
};

class KUV_API KuvPiNameSolver : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiNameSolver)

public:
  // The syntax and tags must outlive the solver; space may be null (then
  // nothing is found).
  KuvPiNameSolver(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags, KuvEeVarSpace* space);
  ~KuvPiNameSolver() override;

  // Records the names of a string node and their kinds. E_FAIL (traced)
  // when the node's form names nothing.
  HRESULT addTreeParserNodeToSolve(const KuvInTreeParserNode& node);
  // Looks every distinct name up. S_OK: result receives each node's data
  // and the solver forgets its nodes. E_FAIL ("ERROR: no type for " name)
  // when a name is not found. deferNamedEffs: named effectivities are not
  // looked up and stay empty (a reader then makes symbol leaves). Unless
  // keepNames, the names are forgotten on success and failure alike. The
  // hook flag changes nothing here; callers that pass it are served alike.
  HRESULT solve(KuvPiSolvedNodeMap& result, bool deferNamedEffs, bool keepNames, bool hook = false);
  // The same into the flat form (emptied first).
  HRESULT solve(KuvPiSolvedNodes& result, bool deferNamedEffs, bool keepNames, bool hook = false);
  // Forgets names and nodes.
  void flush();
  KuvEeVarSpace* getVS() const { return m_space; }

private:
  HRESULT determineDataToSolve(const KuvInTreeParserNode& node, std::vector<KuvInString>& names,
                               std::vector<KuvPiNameToSolve::E_TypeToSolve>& types) const;
  KuvPiSolvedData lookUp(const KuvPiNameToSolve& name, bool deferNamedEffs) const;
  // Looks every name up; E_FAIL (traced) at the first not found.
  HRESULT lookUpAll(bool deferNamedEffs);

  const KuvPiVarEffSyntax& m_syntax;
  const KuvPiVarEffTags& m_tags;
  KuvEeVarSpace* m_space;
  // Each distinct name once, with its datum.
  std::map<KuvPiNameToSolve, std::size_t> m_index;
  std::vector<std::pair<KuvPiNameToSolve, KuvPiSolvedData>> m_names;
  // Each node with the range of its names' indices in m_nodeIndices.
  std::vector<std::pair<const KuvInTreeParserNode*, std::pair<std::size_t, std::size_t>>> m_nodes;
  std::vector<std::size_t> m_nodeIndices;
  // One node's names and kinds, kept between calls so that they keep their room.
  std::vector<KuvInString> m_nodeNames;
  std::vector<KuvPiNameToSolve::E_TypeToSolve> m_nodeTypes;
};
