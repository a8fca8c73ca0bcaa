// The filtering workloads shared by the benchmark programs. Unless said
// otherwise a million objects, each of one domain, one view, one
// dictionary, two terms of four leaves (three selections of one value on
// ten selection variables, one option).
//   W1  a one-term filter of ten selection leaves that passes about 30%;
//   W2  objects of one term: a unit serial range list, a date range and two
//       options; the filter asks for one unit and one date;
//   W3  100,000 large objects: 3 domains x 3 views x 5 dictionaries, each
//       form 20 terms of 8 leaves; the W1 filter in each of the 3 domains;
//   W4  a filter that passes nothing;
//   W5  W1 with 1% of the binaries truncated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kuv_bench {

enum Workload : int { W1 = 1, W2, W3, W4, W5 };

// The workload's compiled filter.
std::vector<std::uint8_t> filterBinary(Workload w);

// The object binaries side by side in one arena, made from a thousand
// patterns (a hundred for W3) so that setting up stays quick. W3's objects
// (about 60 KB each) would take gigabytes: its arena holds 2,000 of them,
// far beyond the caches, and the 100,000 objects go over it in turn.
struct Objects {
  std::vector<std::uint8_t> arena;
  std::vector<const std::uint8_t*> binaries;
  std::vector<unsigned int> sizes;
  std::size_t bytes = 0;
  int count = 0;

  // count 0: the workload's own number of objects.
  explicit Objects(Workload w, int count = 0);
};

// Made once per workload and kept; W4 filters the W1 objects.
const Objects& objects(Workload w);

// Unreadable objects are expected in some workloads: silences the readers'
// error lines, which are not what is measured.
void silenceReaders();

}  // namespace kuv_bench
