// KuvFltFastPath: the filter test of KuvFilterHandler::Apply and
// KuvFilteringServices::ApplyQuery answered straight from an object's
// compiled binary, without decoding it into normal forms.
//
// The filter is flattened once. Each object is checked and read in place
// into storage kept per thread and reused, then tested against the
// flattened filter with the rules of the decoding test
// (KuvFltFilter::isIntersect with both modes at 1 and the dictionary flag
// set, through the domain order, the view fall-back, the decoupling and
// the exclusive-variables switches as they are at the call). Only
// effectivity, option, selection, date and serial leaves are handled, and
// range lists only when sorted with gaps between ranges. Anything else is
// left undecided for the decoding test to answer, with its codes and
// traces: another leaf kind on either side, an object the reader would refuse, a view the
// object lacks, a range test the list algebra might refuse, and every call
// made while a channel that test traces through prints calls or details.
//
//     KuvFltFastPath fast(filter);
//     int answer = KuvFltFastPath::isUsable() ? fast.apply(bytes, size) : KuvFltFastPath::sc_undecided;
//     if (answer == KuvFltFastPath::sc_undecided) ...;   // decode and test
//
// Not part of the interface. apply may run on several threads at once.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvInTypes.h"

class KuvFltFilter;

class KUV_API KuvFltFastPath {
public:
  static constexpr int sc_undecided = -1;

  explicit KuvFltFastPath(const KuvFltFilter& filter);
  ~KuvFltFastPath();
  KuvFltFastPath(const KuvFltFastPath&) = delete;
  KuvFltFastPath& operator=(const KuvFltFastPath&) = delete;

  // Whether the objects of a call may be answered here: checked once per
  // call, since it reads the trace flags.
  static bool isUsable();
  // 1 the object passes, 0 it does not, sc_undecided (also for every
  // object when the filter holds what is not flattened).
  int apply(const std::uint8_t* bytes, unsigned int size) const;
  // apply for each object, an empty or null one undecided.
  void apply(const std::uint8_t* const* binaries, const unsigned int* sizes, unsigned int count,
             int* answers) const;

private:
  // Lets the tests compare with the decoding test alone.
  friend class KuvFltFastPathTestAccess;
  static bool s_off;

  struct Filter;
  std::unique_ptr<Filter> m_filter;
};
