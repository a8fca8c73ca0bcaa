// KuvEeEffSymbolLeaf: a place-holder for a named effectivity that a reader
// of expressions met before it could resolve it. The symbol registers with
// its variable space, whose solveEffSymbols later turns every symbol into a
// KuvEeEffLeaf on the effectivity found by GUID, else by name.
//
// A symbol is no criterion: it cannot be visited, so walks (and clones)
// over a tree holding one fail until the symbols are solved.
//
//     new KuvEeEffSymbolLeaf("Eff1", &space);  // registered in space
//     space.solveEffSymbols();                  // now an effectivity leaf
#pragma once

#include <memory>

#include "KuvEeNode.h"
#include "KuvInGuid.h"

class KuvEeVarSpace;

class KUV_API KuvEeEffSymbolLeaf : public KuvEeNode {
  KUV_DECLARE_TYPE(KuvEeEffSymbolLeaf)

public:
  // Both register the symbol with space (when not null). guid: 16 bytes.
  KuvEeEffSymbolLeaf(const unsigned char* guid, KuvEeVarSpace* space);
  KuvEeEffSymbolLeaf(const KuvInString& name, KuvEeVarSpace* space);
  KuvEeEffSymbolLeaf(const KuvEeEffSymbolLeaf&) = delete;
  // Leaves the variable space's symbols when still there.
  ~KuvEeEffSymbolLeaf() override;

  // Always E_FAIL: a symbol must be solved before it is walked.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;

  // Null when built from a name.
  const KuvInGuid* getGuid() const { return m_guid.get(); }
  const KuvInString& getName() const { return m_name; }
  KuvEeVarSpace* getVarSpace() const { return m_space; }
  // For a variable space that goes first: the symbol no longer refers to
  // it (and will not leave it when deleted).
  void forgetVarSpace() { m_space = nullptr; }

  // Looks the effectivity up among the space's possible source effectivities
  // by GUID, then (not found, name not empty) by name, and becomes a new
  // KuvEeEffLeaf on it, leaving the space's symbols: this node is gone
  // then, continue from its reference. E_FAIL (nothing changed) without a
  // space or when nothing is found.
  HRESULT becomeEffLeaf();

  // "EffSymbolLeaf( " name ")".
  KuvInString toString() const override;

private:
  KuvInString m_name;
  std::unique_ptr<KuvInGuid> m_guid;
  KuvEeVarSpace* m_space;
};
