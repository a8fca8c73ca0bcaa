// KuvFilterHandler: a compiled filter decoded once and applied to the
// compiled binaries of many objects, one after the other, without copying
// or keeping them.
//
//     KuvFilterHandler handler(filterBytes, filterSize, 0);
//     if (handler.isValid() != S_OK) ...;
//     int visible = -1;
//     handler.Apply(objectBytes, objectSize, visible);  // 1 passes, 0 not, -1 unreadable
//
// An object passes when its effectivity intersects the filter in every
// domain both state (KuvFltComparisonServices::IsIntersect with both
// comparison modes at 1 and the dictionary flag set).
//
// A handler can also hold another handler's filter prepared for a context
// with the composition matrices of each dictionary
// (KuvPrivateFilteringServices).
//
// Objects are answered from their bytes where they can be (KuvFltFastPath,
// the filter flattened once), else decoded and tested; both give the same
// answers, codes and traces.
//
// Ownership: the handler owns its decoded filter and its flattened form; a
// copy decodes nothing, it clones the filter. Object binaries stay the
// caller's.
#pragma once

#include <cstdint>
#include <span>

#include "KuvBioBufferOut.h"
#include "KuvFltFilter.h"

class KuvFltEffectivity;
class KuvFltFastPath;

class KUV_API KuvFilterHandler : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFilterHandler)

public:
  // Invalid (E_NOTIMPL) until a filter is read.
  KuvFilterHandler();
  KuvFilterHandler(const std::uint8_t* filterBinary, unsigned int size, std::uint8_t flag);
  // Each binary is read and merged into the first (KuvFltFilter::MergeWithFilter).
  KuvFilterHandler(const std::uint8_t* const* filterBinaries, const unsigned int* sizes, unsigned int count,
                   std::uint8_t flag);
  // The other handler's filter prepared with the composition matrices of
  // each dictionary: the first nbOfCompositionMatrixPerDictionary[0]
  // binaries form the first dictionary's group, and so on
  // (KuvPrivateFilteringServices::prepareFilterForContext). E_INVALIDARG
  // for an invalid handler, or counts that do not add up to
  // nbCompositionMatrixBinaries; the preparation's failure otherwise. The
  // flag is the other handler's; the binaries stay the caller's.
  KuvFilterHandler(const KuvFilterHandler& other, const std::uint8_t* const* compositionMatrixBinaries,
                   const unsigned int* compositionMatrixSizes, unsigned int nbCompositionMatrixBinaries,
                   const unsigned int* nbOfCompositionMatrixPerDictionary, unsigned int nbDictionaries);
  // A copy that runs out of memory is an invalid handler (isValid answers
  // E_OUTOFMEMORY), as is a handler whose reading did.
  KuvFilterHandler(const KuvFilterHandler& other);
  KuvFilterHandler& operator=(const KuvFilterHandler& other);
  ~KuvFilterHandler() override;

  // result: 1 the object passes, 0 it does not, -1 when the binary is not
  // a readable effectivity (then the call fails too). E_INVALIDARG for a
  // size of 0 or a null binary.
  HRESULT Apply(const std::uint8_t* objectBinary, unsigned int size, int& result) const;
  // results (null on entry): a new array of count answers as above, -1 for
  // each unreadable object without failing the call; the caller frees it
  // with free(). S_FALSE and no array when there is nothing to do. Only
  // a failing intersection test fails the call, leaving results null.
  HRESULT Apply(const std::uint8_t* const* objectBinaries, const unsigned int* sizes, unsigned int count,
                int*& results) const;
  // The filter written back as a compiled binary; the caller frees bytes
  // with free(). bytes must be null on entry.
  HRESULT getFilterCompiledBinary(const std::uint8_t*& bytes, unsigned int& size) const;
  // 0 when a filter is decoded; E_NOTIMPL before; the read's failure.
  HRESULT isValid() const { return m_status; }
  const KuvFltFilter* getFilter() const { return m_filter; }
  std::uint8_t getFlag() const { return m_flag; }

  // The channels that reading filters and object binaries (their leaves
  // included) and testing their intersection trace on. A host whose output
  // must stay clean, such as a database server, sets their flags to 0 while
  // it filters; an unreadable object is an answer there, not news.
  static std::span<KuvInTraceClass* const> filteringTraceChannels();

  KuvInString toString() const override;

private:
  friend class KuvFilteringServices;
  // How a reading failure is worded: the handler writes "ERROR: ", the
  // query services "ERROR : ".
  enum class Wording { Handler, Query };
  // A new filter read from a compiled binary, the caller's.
  static HRESULT readFilter(const std::uint8_t* bytes, unsigned int size, Wording wording, KuvFltFilter*& filter);
  // The object's binary read in place: a new effectivity, the caller's.
  // With trace clear only the reader's own messages are printed: a query
  // answers -1 for such an object and goes on.
  static HRESULT readEffectivity(const std::uint8_t* bytes, unsigned int size, bool trace,
                                 KuvFltEffectivity*& effectivity);
  // 1 or 0 for each object, -1 for an unreadable one; a failing
  // intersection test ends the loop with its code. fast, when given,
  // answers first.
  static HRESULT applyEach(const KuvFltFilter& filter, const KuvFltFastPath* fast,
                           const std::uint8_t* const* objectBinaries, const unsigned int* sizes, unsigned int count,
                           int* results);
  // m_fast from m_filter.
  void flatten();
  // The other's filter and status; an invalid handler (E_OUTOFMEMORY) when
  // memory runs out.
  void copyFilter(const KuvFilterHandler& other);
  void clear();

  KuvFltFilter* m_filter = nullptr;
  KuvFltFastPath* m_fast = nullptr;
  std::uint8_t m_flag = 0;
  HRESULT m_status = E_NOTIMPL;
};
