#include "KuvFltFastPath.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "KuvBioConstants.h"
#include "KuvBioDnfLeafTypes.h"
#include "KuvCompiledBinaryParser.h"
#include "KuvDnfAndTermMap.h"
#include "KuvDnfDateEff.h"
#include "KuvDnfExclusiveVariables.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvFltComparisonServices.h"
#include "KuvFltDecoupling.h"
#include "KuvFltDomainEffectivity.h"
#include "KuvFltEffectivityView.h"
#include "KuvFltFilter.h"
#include "KuvInDateInterval.h"
#include "KuvInSerialInterval.h"
#include "KuvMixedHash.h"

bool KuvFltFastPath::s_off = false;

namespace {

using Kind = KuvDnfLeaf::Kind;
using C = KuvBioConstants;
using Guid = std::array<std::uint8_t, KuvInGuid::sc_size>;

constexpr int sc_undecided = KuvFltFastPath::sc_undecided;
constexpr std::uint8_t sc_formTerms = 0;
constexpr std::uint8_t sc_formTrue = 1;
constexpr std::uint8_t sc_formFalse = 2;
constexpr int sc_nbViews = KuvFltDomainEffectivity::sc_nbViews;
constexpr int sc_maxDomain = KuvFltFilter::sc_maxDomain;
// Past this many leaves a term's consistency check would cost more than
// decoding: the object is left to the decoding test.
constexpr std::uint32_t sc_maxTermLeaves = 64;

constexpr std::uint32_t kindBit(Kind kind) { return std::uint32_t{1} << static_cast<unsigned>(kind); }

// Two word compares, inlined: GUIDs are compared for every leaf of a term.
inline bool same(const std::uint8_t* a, const std::uint8_t* b) {
  std::uint64_t x[2], y[2];
  std::memcpy(x, a, sizeof x);
  std::memcpy(y, b, sizeof y);
  return ((x[0] ^ y[0]) | (x[1] ^ y[1])) == 0;
}

// A range as the first and last points it holds: serial numbers, or dates
// packed field by field so that integers order them as dates do.
struct Range {
  std::int64_t low;
  std::int64_t high;
};

std::int64_t dateKey(const KuvInDate& date) {
  int f[6] = {};
  date.getDate(f[0], f[1], f[2], f[3], f[4], f[5]);
  std::int64_t key = f[0];
  for (int i = 1; i < 6; ++i) key = (key << 8) | f[i];
  return key;
}

KuvInDate dateOf(std::int64_t key) {
  return KuvInDate(static_cast<int>(key >> 40), static_cast<int>((key >> 32) & 0xFF),
                   static_cast<int>((key >> 24) & 0xFF), static_cast<int>((key >> 16) & 0xFF),
                   static_cast<int>((key >> 8) & 0xFF), static_cast<int>(key & 0xFF));
}

std::int64_t nextPoint(Kind kind, std::int64_t point) {
  if (kind == Kind::Serial) return KuvInSerialInterval::getNext(static_cast<std::int32_t>(point));
  return dateKey(KuvInDateUtil::getNext(dateOf(point)));
}

Range serialRange(std::int32_t a, bool aIncl, std::int32_t b, bool bIncl) {
  return {aIncl ? a : KuvInSerialInterval::getNext(a), bIncl ? b : KuvInSerialInterval::getPrev(b)};
}

// Sorted, with at least one point between neighbours: the lists the tests
// below decide (touching ranges are left to the list algebra).
bool isPlain(Kind kind, const Range* ranges, std::uint32_t count) {
  for (std::uint32_t i = 0; i + 1 < count; ++i)
    if (!(ranges[i].high < ranges[i + 1].low) || !(nextPoint(kind, ranges[i].high) < ranges[i + 1].low))
      return false;
  return true;
}

bool overlap(const Range* a, std::uint32_t na, const Range* b, std::uint32_t nb) {
  std::uint32_t i = 0, j = 0;
  while (i < na && j < nb) {
    if (std::max(a[i].low, b[j].low) <= std::min(a[i].high, b[j].high)) return true;
    if (a[i].high < b[j].high)
      ++i;
    else
      ++j;
  }
  return false;
}

// 1 when positive holds a point none of negated's ranges holds, stepping
// as the list algebra does; undecided where the step stalls.
int pointOutside(Kind kind, const Range* positive, std::uint32_t np, const Range* negated, std::uint32_t nn) {
  std::uint32_t j = 0;
  for (std::uint32_t i = 0; i < np; ++i) {
    std::int64_t at = positive[i].low;
    for (;;) {
      while (j < nn && negated[j].high < at) ++j;
      if (j == nn || negated[j].low > at) return 1;
      if (negated[j].high >= positive[i].high) break;
      const std::int64_t next = nextPoint(kind, negated[j].high);
      if (next <= negated[j].high) return sc_undecided;
      at = next;
    }
  }
  return 0;
}

// What two leaves on the same variable share, as the leaf classes decide it.
struct LeafView {
  Kind kind;
  bool negated;
  bool noVar;
  std::uint32_t value;
  const Range* ranges;
  std::uint32_t nbRanges;
};

int rangesMeet(const LeafView& f, const LeafView& o) {
  if (!f.negated && !o.negated) {
    if (f.noVar && o.noVar) return 1;
    if (f.nbRanges == 0 || o.nbRanges == 0) return 0;
    return overlap(f.ranges, f.nbRanges, o.ranges, o.nbRanges) ? 1 : 0;
  }
  const LeafView& positive = f.negated ? o : f;
  const LeafView& negated = f.negated ? f : o;
  if (positive.noVar && !negated.noVar) return 1;
  if (positive.nbRanges == 0) return 0;
  if (negated.nbRanges == 0) return 1;
  // Closed date ranges refuse pieces the step cannot reach: only real days.
  if (positive.kind == Kind::Date) {
    for (const LeafView* leaf : {&positive, &negated})
      for (std::uint32_t i = 0; i < leaf->nbRanges; ++i)
        for (std::int64_t point : {leaf->ranges[i].low, leaf->ranges[i].high})
          if ((point >> 40) < 1900 || (point >> 40) > 9999) return sc_undecided;
  }
  return pointOutside(positive.kind, positive.ranges, positive.nbRanges, negated.ranges, negated.nbRanges);
}

// ---------------------------------------------------------------- object

struct ObjectLeaf {
  Kind kind;
  bool negated;
  bool noVar;
  std::uint8_t value;
  std::int32_t serialType;
  const std::uint8_t* guid;
  std::uint32_t first;  // ranges or selection values
  std::uint32_t count;
};
struct Span {
  std::uint32_t first;
  std::uint32_t count;
};
struct ObjectForm {
  std::uint8_t condition;
  Span terms;
};
struct ObjectDomain {
  bool present;
  std::uint32_t formBase;
  bool hasView[sc_nbViews];
  Span views[sc_nbViews];  // of formNumbers
};

// One object read in place; reused from object to object, so that reading
// allocates only while a larger object than any before comes.
struct Scratch {
  std::vector<ObjectLeaf> leaves;
  std::vector<Span> terms;
  std::vector<ObjectForm> forms;
  std::vector<std::uint32_t> formNumbers;
  std::vector<const std::uint8_t*> dictionaries;
  std::vector<Range> ranges;
  std::vector<const std::uint8_t*> values;
  ObjectDomain domains[sc_maxDomain + 1];
  // The exclusive-variables switch as this thread saw it when the batch began.
  bool exclusiveSerials = false;

  void clear() {
    leaves.clear();
    terms.clear();
    forms.clear();
    formNumbers.clear();
    dictionaries.clear();
    ranges.clear();
    values.clear();
    for (ObjectDomain& d : domains) d.present = false;
  }
};

// Kept out of line: inlined, every use of the storage would look the
// thread's copy up again.
[[gnu::noinline]] Scratch& scratch() {
  thread_local Scratch s;
  return s;
}

// Big-endian reads that say whether the bytes were there.
class Cursor {
public:
  Cursor(const std::uint8_t* bytes, std::uint32_t size) : m_at(bytes), m_end(bytes + size) {}
  bool has(std::uint64_t n) const { return static_cast<std::uint64_t>(m_end - m_at) >= n; }
  bool u8(std::uint8_t& v) {
    if (!has(1)) return false;
    v = *m_at++;
    return true;
  }
  bool u16(std::uint16_t& v) {
    std::uint32_t w = 0;
    if (!uint(2, w)) return false;
    v = static_cast<std::uint16_t>(w);
    return true;
  }
  bool uint(std::uint32_t width, std::uint32_t& v) {
    if (!has(width)) return false;
    switch (width) {
      case 1:
        v = m_at[0];
        break;
      case 2:
        v = (std::uint32_t{m_at[0]} << 8) | m_at[1];
        break;
      case 4:
        v = (std::uint32_t{m_at[0]} << 24) | (std::uint32_t{m_at[1]} << 16) | (std::uint32_t{m_at[2]} << 8) |
            m_at[3];
        break;
      default:
        v = 0;
        for (std::uint32_t i = 0; i < width; ++i) v = (v << 8) | m_at[i];
    }
    m_at += width;
    return true;
  }
  // A byte of at most max.
  bool upTo(std::uint8_t max, std::uint8_t& v) { return u8(v) && v <= max; }
  bool flag(bool& v) {
    std::uint8_t b = 0;
    if (!upTo(1, b)) return false;
    v = b != 0;
    return true;
  }
  const std::uint8_t* at() const { return m_at; }
  void skip(std::uint64_t n) { m_at += n; }

private:
  const std::uint8_t* m_at;
  const std::uint8_t* m_end;
};

// A domain block's typed-GUID table.
struct Table {
  const std::uint8_t* entries = nullptr;
  std::uint32_t count = 0;
  std::uint32_t width = 4;

  bool read(Cursor& in) {
    if (!in.uint(4, count) || !in.has(std::uint64_t{count} * 17)) return false;
    entries = in.at();
    in.skip(std::uint64_t{count} * 17);
    width = count < 256 ? 1 : count < 65536 ? 2 : 4;
    return true;
  }
  // The GUID an index names, null when it is out of range or of another kind.
  const std::uint8_t* guid(Cursor& in, C::E_VarType kind) const {
    std::uint32_t index = 0;
    return in.uint(width, index) ? entry(index, kind) : nullptr;
  }
  // The same for an index of W bytes already there.
  template <unsigned W>
  const std::uint8_t* guidAt(const std::uint8_t* p, C::E_VarType kind) const {
    if constexpr (W == 1) return entry(p[0], kind);
    if constexpr (W == 2) return entry((std::uint32_t{p[0]} << 8) | p[1], kind);
    return entry(
        (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3], kind);
  }
  const std::uint8_t* entry(std::uint32_t index, C::E_VarType kind) const {
    if (index >= count) return nullptr;
    const std::uint8_t* at = entries + std::size_t{index} * 17;
    return at[0] == kind ? at + 1 : nullptr;
  }
};

std::uint16_t u16At(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

// 4 bytes, or 7 with the time, already there.
bool readDate(const std::uint8_t* p, bool withTime, bool upper, std::int64_t& key) {
  const std::uint16_t year = u16At(p);
  std::uint8_t f[5] = {p[2], p[3], 0, 0, 0};
  if (withTime) {
    f[2] = p[4];
    f[3] = p[5];
    f[4] = p[6];
  } else {
    kuv::detail::completeStoredTime(year, upper, f);
  }
  // KuvInDate::setDate's checks and the key of the date it sets, without
  // building one: the infinities as they are, real days with a second of
  // 61 kept as 60.
  const bool infinite =
      (year == 20000 && f[0] == 13 && f[1] == 32 && f[2] == 24 && f[3] == 60 && f[4] == 62) ||
      (year == 0 && f[0] == 0 && f[1] == 0 && f[2] == 0 && f[3] == 0 && f[4] == 0);
  if (!infinite) {
    if (year < 1900 || year > 9999 || f[0] < 1 || f[0] > 12 || f[1] < 1 ||
        f[1] > KuvInDate::getNbDaysInMonth(year, f[0]) || f[2] < 1 || f[2] > 24 || f[3] < 1 || f[3] > 60 ||
        f[4] < 1 || f[4] > 61)
      return false;
    if (f[4] == 61) f[4] = 60;
  }
  key = std::int64_t{year};
  for (std::uint8_t field : f) key = (key << 8) | field;
  return true;
}

// Kind, variable, two flag bytes and a count; an option has a second
// index and its value byte instead.
template <unsigned W>
constexpr unsigned sc_leafHead = 5 + W;
template <unsigned W>
constexpr unsigned sc_optionLeaf = 3 + 2 * W;

// A date or serial leaf whose head is at p and already checked, the
// cursor past it. Out of line: the option and selection leaves most terms
// hold are read without its frame.
template <unsigned W>
[[gnu::noinline]] bool readRangeLeaf(Cursor& in, const Table& ids, Scratch& s, const std::uint8_t* p) {
  const std::uint8_t kind = p[0];
  const std::uint8_t first = p[1 + W], second = p[2 + W];
  const std::uint16_t count = u16At(p + 3 + W);
  const std::uint8_t* at = in.at();
  ObjectLeaf leaf{};
  switch (kind) {
    case 2: {
      const bool withTime = (first & 2) != 0;
      const unsigned size = withTime ? 7 : 4;
      leaf.kind = Kind::Date;
      leaf.guid = ids.guidAt<W>(p + 1, C::E_DateVar);
      if (leaf.guid == nullptr || first > 3 || second > 1 || !in.has(std::uint64_t{count} * 2 * size))
        return false;
      leaf.negated = (first & 1) != 0;
      leaf.noVar = second != 0;
      leaf.first = static_cast<std::uint32_t>(s.ranges.size());
      for (std::uint16_t i = 0; i < count; ++i, at += 2 * size) {
        Range range{};
        if (!readDate(at, withTime, false, range.low) || !readDate(at + size, withTime, true, range.high) ||
            range.high < range.low)
          return false;
        s.ranges.push_back(range);
      }
      break;
    }
    case 1:
    case 12:
    case 13:
    case 14:
      leaf.kind = Kind::Serial;
      leaf.serialType = kind;
      leaf.guid = ids.guidAt<W>(p + 1, C::E_SerialVar);
      if (leaf.guid == nullptr || first > 1 || second > 3 || second < 2 || !in.has(std::uint64_t{count} * 9))
        return false;
      leaf.negated = first != 0;
      leaf.noVar = second == 3;
      leaf.first = static_cast<std::uint32_t>(s.ranges.size());
      for (std::uint16_t i = 0; i < count; ++i, at += 9) {
        const std::uint8_t ends = at[0];
        const auto a = static_cast<std::int32_t>((std::uint32_t{at[1]} << 24) | (std::uint32_t{at[2]} << 16) |
                                                 (std::uint32_t{at[3]} << 8) | at[4]);
        const auto b = static_cast<std::int32_t>((std::uint32_t{at[5]} << 24) | (std::uint32_t{at[6]} << 16) |
                                                 (std::uint32_t{at[7]} << 8) | at[8]);
        if (ends > 3 || !KuvInSerialInterval::isIntervalValid(a, (ends & 2) != 0, b, (ends & 1) != 0))
          return false;
        s.ranges.push_back(serialRange(a, (ends & 2) != 0, b, (ends & 1) != 0));
      }
      break;
    default:
      return false;
  }
  in.skip(static_cast<std::uint64_t>(at - in.at()));
  leaf.count = count;
  s.leaves.push_back(leaf);
  return true;
}

// An effectivity leaf, or a date or serial one: rarer than option and
// selection leaves, so looked at after them.
template <unsigned W>
bool readOtherLeaf(Cursor& in, const Table& ids, Scratch& s, const std::uint8_t* p) {
  if (p[0] == 5) {
    // An effectivity: its index and sign. The term refuses a null one.
    if (!in.has(2 + W)) return false;
    ObjectLeaf leaf{};
    leaf.kind = Kind::Eff;
    leaf.guid = ids.guidAt<W>(p + 1, C::E_Effectivity);
    if (leaf.guid == nullptr || p[1 + W] > 1 ||
        std::all_of(leaf.guid, leaf.guid + KuvInGuid::sc_size, [](std::uint8_t b) { return b == 0; }))
      return false;
    leaf.negated = p[1 + W] != 0;
    in.skip(2 + W);
    s.leaves.push_back(leaf);
    return true;
  }
  if (!in.has(sc_leafHead<W>)) return false;
  in.skip(sc_leafHead<W>);
  return readRangeLeaf<W>(in, ids, s, p);
}

// One leaf as the leaf codecs check it, indices of W bytes; false for a
// refused or unhandled one. Each fixed part's bytes are checked at once.
template <unsigned W>
bool readLeaf(Cursor& in, const Table& ids, Scratch& s) {
  if (!in.has(1)) return false;
  const std::uint8_t* p = in.at();
  const std::uint8_t kind = p[0];
  ObjectLeaf leaf{};
  if (kind == 4) {
    if (!in.has(sc_optionLeaf<W>)) return false;
    leaf.kind = Kind::Option;
    leaf.guid = ids.guidAt<W>(p + 1, C::E_Option);
    if (leaf.guid == nullptr || ids.guidAt<W>(p + 1 + W, C::E_Category) == nullptr || p[1 + 2 * W] > 1 ||
        p[2 + 2 * W] > KuvDnfOptionEff::Any)
      return false;
    leaf.negated = p[1 + 2 * W] != 0;
    leaf.value = p[2 + 2 * W];
    in.skip(sc_optionLeaf<W>);
    s.leaves.push_back(leaf);
    return true;
  }
  if (kind != 3) return readOtherLeaf<W>(in, ids, s, p);
  if (!in.has(sc_leafHead<W>)) return false;
  in.skip(sc_leafHead<W>);
  const std::uint8_t first = p[1 + W], second = p[2 + W];
  const std::uint16_t count = u16At(p + 3 + W);
  const std::uint8_t* at = in.at();
  leaf.kind = Kind::Selection;
  leaf.guid = ids.guidAt<W>(p + 1, C::E_SelectionVar);
  if (leaf.guid == nullptr || first > 1 || second > 1 || !in.has(std::uint64_t{count} * W)) return false;
  leaf.negated = first != 0;
  leaf.noVar = second != 0;
  leaf.first = static_cast<std::uint32_t>(s.values.size());
  // Pushed, not sized first: most leaves hold a value or two, and sizing
  // would clear what is written at once.
  for (std::uint16_t i = 0; i < count; ++i, at += W) {
    const std::uint8_t* value = ids.guidAt<W>(at, C::E_SelectionValue);
    if (value == nullptr) return false;
    s.values.push_back(value);
  }
  in.skip(std::uint64_t{count} * W);
  leaf.count = count;
  s.leaves.push_back(leaf);
  return true;
}

// The map term's refusals: two leaves on one key, and serial leaves of one
// variable of the same type or UNDEFINED beside another type.
inline bool refuses(const ObjectLeaf& a, const ObjectLeaf& b) {
  if (a.kind != b.kind || !same(a.guid, b.guid)) return false;
  return a.kind != Kind::Serial || a.serialType == b.serialType ||
         a.serialType == KuvDnfSerialEff::UNDEFINED || b.serialType == KuvDnfSerialEff::UNDEFINED;
}

// Few leaves are compared pair by pair; more are first sifted through a
// 256-bit set of their keys, and only a leaf whose bit is already taken
// is compared with the leaves before it.
bool isConsistent(const ObjectLeaf* leaves, std::uint32_t count) {
  if (count <= 4) {
    for (std::uint32_t j = 1; j < count; ++j)
      for (std::uint32_t i = 0; i < j; ++i)
        if (refuses(leaves[i], leaves[j])) return false;
    return true;
  }
  std::uint64_t seen[4] = {};
  for (std::uint32_t j = 0; j < count; ++j) {
    std::uint64_t w[2];
    std::memcpy(w, leaves[j].guid, sizeof w);
    const auto bit = static_cast<std::uint32_t>(
        ((w[0] ^ w[1] ^ static_cast<std::uint64_t>(leaves[j].kind)) * 0x9E3779B97F4A7C15ull) >> 56);
    const std::uint64_t mask = std::uint64_t{1} << (bit & 63);
    if ((seen[bit >> 6] & mask) != 0)
      for (std::uint32_t i = 0; i < j; ++i)
        if (refuses(leaves[i], leaves[j])) return false;
    seen[bit >> 6] |= mask;
  }
  return true;
}

template <unsigned W>
bool readForm(Cursor& in, const Table& ids, Scratch& s) {
  std::uint8_t condition = 0;
  if (!in.u8(condition) || condition > sc_formFalse) return false;
  ObjectForm form{condition, {static_cast<std::uint32_t>(s.terms.size()), 0}};
  if (condition == sc_formTerms) {
    std::uint32_t nbTerms = 0;
    if (!in.uint(4, nbTerms)) return false;
    for (std::uint32_t t = 0; t < nbTerms; ++t) {
      std::uint32_t nbLeaves = 0;
      if (!in.uint(4, nbLeaves) || nbLeaves > sc_maxTermLeaves) return false;
      const auto first = static_cast<std::uint32_t>(s.leaves.size());
      for (std::uint32_t l = 0; l < nbLeaves; ++l)
        if (!readLeaf<W>(in, ids, s)) return false;
      if (!isConsistent(s.leaves.data() + first, nbLeaves)) return false;
      s.terms.push_back({first, nbLeaves});
    }
    form.terms.count = nbTerms;
  }
  s.forms.push_back(form);
  return true;
}

bool readDomainBlock(Cursor& in, bool twoByteCounts, ObjectDomain& domain, Scratch& s) {
  Table ids;
  std::uint8_t nbViews = 0;
  if (!ids.read(in) || !in.u8(nbViews)) return false;
  for (bool& has : domain.hasView) has = false;
  std::uint32_t highest = 0;
  for (std::uint8_t v = 0; v < nbViews; ++v) {
    std::uint8_t view = 0;
    std::uint32_t count = 0;
    if (!in.u8(view) || !in.uint(twoByteCounts ? 2 : 1, count) || !in.has(std::uint64_t{count} * 3))
      return false;
    if (view >= sc_nbViews || domain.hasView[view]) return false;
    domain.hasView[view] = true;
    domain.views[view] = {static_cast<std::uint32_t>(s.formNumbers.size()), count};
    const auto firstDictionary = s.dictionaries.size();
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t* dictionary = ids.guid(in, C::E_Dictionary);
      std::uint16_t number = 0;
      if (dictionary == nullptr || !in.u16(number) || number == 0) return false;
      for (std::size_t d = firstDictionary; d < s.dictionaries.size(); ++d)
        if (same(s.dictionaries[d], dictionary)) return false;
      s.dictionaries.push_back(dictionary);
      s.formNumbers.push_back(number);
      highest = std::max<std::uint32_t>(highest, number);
    }
  }
  if (!in.has(highest)) return false;
  domain.formBase = static_cast<std::uint32_t>(s.forms.size());
  for (std::uint32_t f = 0; f < highest; ++f) {
    const bool read = ids.width == 1   ? readForm<1>(in, ids, s)
                      : ids.width == 2 ? readForm<2>(in, ids, s)
                                       : readForm<4>(in, ids, s);
    if (!read) return false;
  }
  domain.present = true;
  return true;
}

// The whole binary as KuvCompiledBinaryParser::Read would accept it, an
// effectivity; false for anything else.
bool readObject(const std::uint8_t* bytes, std::uint32_t size, Scratch& s) {
  Cursor in(bytes, size);
  std::uint8_t b[4] = {};
  for (std::uint8_t& byte : b)
    if (!in.u8(byte)) return false;
  if (b[0] != 'f' || b[1] != 'l' || b[2] != 't' || (b[3] != 3 && b[3] != 4)) return false;
  const bool version4 = b[3] == 4;
  std::uint8_t kind = 0, nbDomains = 0;
  if (version4) {
    // Minor version and stamp, not checked.
    if (!in.has(5)) return false;
    in.skip(5);
  }
  if (!in.u8(kind) || kind != KuvCompiledBinaryParser::Effectivity) return false;
  // More domains than ids would repeat one.
  if (!in.u8(nbDomains) || nbDomains > sc_maxDomain || !in.has(std::uint64_t{nbDomains} * 3)) return false;
  std::uint8_t order[sc_maxDomain];
  for (std::uint8_t i = 0; i < nbDomains; ++i) {
    order[i] = in.at()[0];
    in.skip(3);
    if (order[i] < 1 || order[i] > sc_maxDomain) return false;
    for (std::uint8_t j = 0; j < i; ++j)
      if (order[j] == order[i]) return false;
  }
  for (std::uint8_t i = 0; i < nbDomains; ++i)
    if (!readDomainBlock(in, version4, s.domains[order[i]], s)) return false;
  return true;
}

}  // namespace

// ---------------------------------------------------------------- filter

struct KuvFltFastPath::Filter {
  struct Leaf {
    Kind kind;
    bool negated;
    bool noVar;
    std::uint32_t value;
    std::int32_t serialType;
    Guid guid;
    std::uint32_t first;  // ranges or values
    std::uint32_t count;
  };
  struct Term {
    Span leaves;
    std::uint32_t serialVariables;
    // A bit per leaf kind the term holds: an object leaf of another kind
    // meets nothing here and needs no look-up.
    std::uint32_t kinds;
    // The term's open-addressing table of leaves by key (leaf number + 1,
    // 0 for a free slot): mask + 1 slots from slots.
    std::uint32_t slots;
    std::uint32_t mask;
  };
  struct Form {
    std::int32_t condition;
    Span terms;
  };
  struct Domain {
    bool present = false;
    std::int32_t view = 0;
    std::vector<std::uint32_t> forms;
  };

  bool covered = true;
  Domain domains[sc_maxDomain + 1];
  std::vector<Form> forms;
  std::vector<Term> terms;
  std::vector<std::uint32_t> slots;
  std::vector<Leaf> leaves;
  std::vector<Range> ranges;
  std::vector<Guid> values;

  explicit Filter(const KuvFltFilter& filter);
  void index(Term& term);
  [[gnu::always_inline]] inline const Leaf* find(const Term& term, Kind kind, const std::uint8_t* guid) const;
  bool addLeaf(const KuvDnfLeaf& leaf);
  std::uint32_t addForm(const KuvDnf& dnf);

  LeafView viewOf(const Leaf& l) const {
    return {l.kind, l.negated, l.noVar, l.value, ranges.data() + l.first, l.count};
  }
  int leafMeets(const Leaf& mine, const ObjectLeaf& theirs, const Scratch& s) const;
  int termMeets(const Term& mine, const Span& theirs, const Scratch& s) const;
  int formMeets(std::uint32_t mine, const ObjectForm& theirs, const Scratch& s) const;
  int domainMeets(int d, int objectDomain, const Scratch& s) const;
  int decide(const Scratch& s) const;
};

KuvFltFastPath::Filter::Filter(const KuvFltFilter& filter) {
  // The only domains the test looks at: DWS, Config Change, Engineering Activation.
  for (int d = KuvDiversityDomain_DWS; d <= KuvDiversityDomain_EngineeringActivation && covered; ++d) {
    const KuvFltDomainFilter* domain = filter.getFilterForDomain(d);
    if (domain == nullptr) continue;
    domains[d].present = true;
    domains[d].view = domain->getView();
    for (const auto& e : domain->dnfs().entries()) domains[d].forms.push_back(addForm(*e.dnf));
  }
}

std::uint32_t KuvFltFastPath::Filter::addForm(const KuvDnf& dnf) {
  Form form{dnf.getSpecialCondition(), {static_cast<std::uint32_t>(terms.size()), 0}};
  if (form.condition == DNF_COND_NONE) {
    for (const KuvDnfAndTerm* term : dnf.andTerms()) {
      if (!KuvDnfAndTermMap::isObjectOfThisType(*term)) covered = false;
      Term flat{
          {static_cast<std::uint32_t>(leaves.size()), static_cast<std::uint32_t>(term->leaves().size())},
          0,
          0,
          0,
          0};
      for (const KuvDnfLeaf* leaf : term->leaves()) covered = covered && addLeaf(*leaf);
      std::vector<Guid> serials;
      for (std::uint32_t i = flat.leaves.first; i < leaves.size(); ++i) {
        flat.kinds |= kindBit(leaves[i].kind);
        if (leaves[i].kind == Kind::Serial) serials.push_back(leaves[i].guid);
      }
      std::sort(serials.begin(), serials.end());
      flat.serialVariables =
          static_cast<std::uint32_t>(std::unique(serials.begin(), serials.end()) - serials.begin());
      index(flat);
      terms.push_back(flat);
    }
    form.terms.count = static_cast<std::uint32_t>(dnf.andTerms().size());
  }
  forms.push_back(form);
  return static_cast<std::uint32_t>(forms.size() - 1);
}

namespace {

std::uint32_t keyHash(Kind kind, const std::uint8_t* guid) {
  return static_cast<std::uint32_t>(kuv::detail::guidMix(guid, static_cast<std::uint64_t>(kind)) >> 32);
}

}  // namespace

void KuvFltFastPath::Filter::index(Term& term) {
  std::uint32_t size = 4;
  while (size < 2 * term.leaves.count) size *= 2;
  term.slots = static_cast<std::uint32_t>(slots.size());
  term.mask = size - 1;
  slots.resize(slots.size() + size, 0);
  for (std::uint32_t i = term.leaves.first; i < leaves.size(); ++i) {
    std::uint32_t at = keyHash(leaves[i].kind, leaves[i].guid.data()) & term.mask;
    while (slots[term.slots + at] != 0) at = (at + 1) & term.mask;
    slots[term.slots + at] = i + 1;
  }
}

inline const KuvFltFastPath::Filter::Leaf* KuvFltFastPath::Filter::find(const Term& term, Kind kind,
                                                                        const std::uint8_t* guid) const {
  const std::uint32_t* table = slots.data() + term.slots;
  for (std::uint32_t at = keyHash(kind, guid) & term.mask;; at = (at + 1) & term.mask) {
    if (table[at] == 0) return nullptr;
    const Leaf& leaf = leaves[table[at] - 1];
    if (leaf.kind == kind && same(leaf.guid.data(), guid)) return &leaf;
  }
}

bool KuvFltFastPath::Filter::addLeaf(const KuvDnfLeaf& leaf) {
  Leaf flat{leaf.getKind(), leaf.isNegated(), false, 0, 0, {}, 0, 0};
  std::memcpy(flat.guid.data(), leaf.getGuid().getArray(), flat.guid.size());
  switch (leaf.getKind()) {
    case Kind::Eff:
      break;
    case Kind::Option:
      flat.value = static_cast<const KuvDnfOptionEff&>(leaf).getValue();
      break;
    case Kind::Selection: {
      const auto& selection = static_cast<const KuvDnfSelectionEff&>(leaf);
      flat.noVar = selection.getNoVar();
      flat.first = static_cast<std::uint32_t>(values.size());
      for (auto it = selection.getValues().cBegin(); it.IsValid();) {
        Guid value{};
        std::memcpy(value.data(), static_cast<const KuvInGuid&>(*it.GetGoToNext()).getArray(), value.size());
        values.push_back(value);
      }
      flat.count = static_cast<std::uint32_t>(values.size()) - flat.first;
      break;
    }
    case Kind::Date: {
      const auto& date = static_cast<const KuvDnfDateEff&>(leaf);
      flat.noVar = date.getNoVar();
      flat.first = static_cast<std::uint32_t>(ranges.size());
      for (std::int32_t i = 0; i < date.getIntervals().GetLength(); ++i) {
        const auto* range = KuvInDateInterval::cast(*date.getIntervals().Get(i));
        if (range == nullptr || !range->canSimplify()) return false;
        ranges.push_back({dateKey(range->getA()), dateKey(range->getB())});
      }
      flat.count = static_cast<std::uint32_t>(ranges.size()) - flat.first;
      break;
    }
    case Kind::Serial: {
      const auto& serial = static_cast<const KuvDnfSerialEff&>(leaf);
      flat.noVar = serial.getNoVar();
      flat.serialType = serial.getSerialType();
      flat.first = static_cast<std::uint32_t>(ranges.size());
      for (std::int32_t i = 0; i < serial.getIntervals().GetLength(); ++i) {
        const auto* range = KuvInSerialInterval::cast(*serial.getIntervals().Get(i));
        if (range == nullptr) return false;
        const Range held = serialRange(range->getA(), range->getAIncl(), range->getB(), range->getBIncl());
        if (held.high < held.low) return false;
        ranges.push_back(held);
      }
      flat.count = static_cast<std::uint32_t>(ranges.size()) - flat.first;
      break;
    }
    default:
      return false;
  }
  if ((flat.kind == Kind::Date || flat.kind == Kind::Serial) &&
      !isPlain(flat.kind, ranges.data() + flat.first, flat.count))
    return false;
  leaves.push_back(flat);
  return true;
}

int KuvFltFastPath::Filter::leafMeets(const Leaf& mine, const ObjectLeaf& theirs, const Scratch& s) const {
  if (mine.negated && theirs.negated) return 1;
  switch (mine.kind) {
    case Kind::Eff:
      return mine.negated == theirs.negated ? 1 : 0;
    case Kind::Option: {
      if (!mine.negated && !theirs.negated) return (mine.value & theirs.value) != 0 ? 1 : 0;
      const std::uint32_t positive = mine.negated ? theirs.value : mine.value;
      const std::uint32_t negated = mine.negated ? mine.value : theirs.value;
      return (positive & ~negated & KuvDnfOptionEff::Any) != 0 ? 1 : 0;
    }
    case Kind::Selection: {
      const Guid* filterValues = values.data() + mine.first;
      const std::uint8_t* const* objectValues = s.values.data() + theirs.first;
      auto inFilter = [&](const std::uint8_t* value) {
        for (std::uint32_t i = 0; i < mine.count; ++i)
          if (same(filterValues[i].data(), value)) return true;
        return false;
      };
      if (!mine.negated && !theirs.negated) {
        if (mine.noVar && theirs.noVar) return 1;
        for (std::uint32_t i = 0; i < theirs.count; ++i)
          if (inFilter(objectValues[i])) return 1;
        return 0;
      }
      const bool positiveNoVar = mine.negated ? theirs.noVar : mine.noVar;
      const bool negatedNoVar = mine.negated ? mine.noVar : theirs.noVar;
      if (positiveNoVar && !negatedNoVar) return 1;
      if (mine.negated) {
        for (std::uint32_t i = 0; i < theirs.count; ++i)
          if (!inFilter(objectValues[i])) return 1;
        return 0;
      }
      for (std::uint32_t i = 0; i < mine.count; ++i) {
        bool found = false;
        for (std::uint32_t j = 0; j < theirs.count && !found; ++j)
          found = same(filterValues[i].data(), objectValues[j]);
        if (!found) return 1;
      }
      return 0;
    }
    default: {
      const Range* objectRanges = s.ranges.data() + theirs.first;
      if (!isPlain(theirs.kind, objectRanges, theirs.count)) return sc_undecided;
      return rangesMeet(viewOf(mine), {theirs.kind, theirs.negated, theirs.noVar, theirs.value, objectRanges,
                                       theirs.count});
    }
  }
}

// KuvDnfAndTermMap::isIntersect, this term the filter's: each object leaf
// against the filter leaf on its key.
int KuvFltFastPath::Filter::termMeets(const Term& mine, const Span& theirs, const Scratch& s) const {
  if (mine.leaves.count == 0) return 1;
  const Leaf* first = leaves.data() + mine.leaves.first;
  const Leaf* end = first + mine.leaves.count;
  for (std::uint32_t i = 0; i < theirs.count; ++i) {
    const ObjectLeaf& leaf = s.leaves[theirs.first + i];
    // Without a serial leaf the term has no serial variables to exclude.
    if ((mine.kinds & kindBit(leaf.kind)) == 0) continue;
    const Leaf* match = nullptr;
    if (leaf.kind == Kind::Serial) {
      const Leaf* typed[4] = {};
      bool sameVariable = false;
      for (const Leaf* l = first; l != end; ++l) {
        if (l->kind != Kind::Serial || !same(l->guid.data(), leaf.guid)) continue;
        sameVariable = true;
        typed[KuvDnfSerialEffMultiStruct::slotOf(l->serialType)] = l;
      }
      if (s.exclusiveSerials &&
          (mine.serialVariables >= 2 || (!sameVariable && mine.serialVariables != 0)))
        return 0;
      match = typed[KuvDnfSerialEffMultiStruct::slotOf(leaf.serialType)];
      if (match == nullptr && leaf.serialType != KuvDnfSerialEff::UNDEFINED) match = typed[0];
      for (int slot = 1; match == nullptr && leaf.serialType == KuvDnfSerialEff::UNDEFINED && slot < 4;
           ++slot)
        match = typed[slot];
    } else {
      match = find(mine, leaf.kind, leaf.guid);
    }
    if (match == nullptr) continue;
    const int meets = leafMeets(*match, leaf, s);
    if (meets != 1) return meets;
  }
  return 1;
}

int KuvFltFastPath::Filter::formMeets(std::uint32_t mine, const ObjectForm& theirs, const Scratch& s) const {
  const Form& form = forms[mine];
  if (form.condition == DNF_COND_FALSE || theirs.condition == sc_formFalse) return 0;
  if (form.condition == DNF_COND_TRUE || theirs.condition == sc_formTrue) return 1;
  for (std::uint32_t t = 0; t < form.terms.count; ++t)
    for (std::uint32_t u = 0; u < theirs.terms.count; ++u) {
      const int meets = termMeets(terms[form.terms.first + t], s.terms[theirs.terms.first + u], s);
      if (meets != 0) return meets;
    }
  return 0;
}

// KuvFltDomainEffectivity::isIntersect with the dictionary flag set: one
// meeting pair of forms, whatever their dictionaries. A missing view is
// the decoding test's failure.
int KuvFltFastPath::Filter::domainMeets(int d, int objectDomain, const Scratch& s) const {
  const ObjectDomain& theirs = s.domains[objectDomain];
  const std::int32_t view = domains[d].view;
  if (view < 0 || view >= sc_nbViews) return sc_undecided;
  int used = view;
  if (!theirs.hasView[view] && view != CFG_EXPRVIEW_NONE) {
    if (objectDomain == KuvDiversityDomain_ConfigChange) return sc_undecided;
    used = CFG_EXPRVIEW_NONE;
  }
  if (!theirs.hasView[used]) return sc_undecided;
  const Span entries = theirs.views[used];
  for (std::uint32_t mine : domains[d].forms)
    for (std::uint32_t i = 0; i < entries.count; ++i) {
      const int meets = formMeets(mine, s.forms[theirs.formBase + s.formNumbers[entries.first + i] - 1], s);
      if (meets != 0) return meets;
    }
  return 0;
}

// KuvFltFilter::isIntersect with both modes at 1.
int KuvFltFastPath::Filter::decide(const Scratch& s) const {
  const ObjectDomain* object = s.domains;
  const int activation = KuvDiversityDomain_EngineeringActivation;
  if (domains[activation].present && object[activation].present) {
    const int meets = domainMeets(activation, activation, s);
    if (meets != 1) return meets;
  }
  const int change = KuvDiversityDomain_ConfigChange;
  if (domains[change].present) {
    int meets = 1;
    if (object[change].present) {
      meets = domainMeets(change, change, s);
    } else if (CGE_DECOUPLE_VARIANT_EVOLUTION != 0) {
      const int evolution = KuvDiversityDomain_ConfigChangeEvolution;
      const int variant = KuvDiversityDomain_ConfigChangeVariant;
      if (object[evolution].present) meets = domainMeets(change, evolution, s);
      if (meets == sc_undecided) return meets;
      if (object[variant].present && (!object[evolution].present || meets != 0))
        meets = domainMeets(change, variant, s);
    }
    if (meets != 1) return meets;
  }
  const int dws = KuvDiversityDomain_DWS;
  if (!domains[dws].present || !object[dws].present) return 1;
  return domainMeets(dws, dws, s);
}

// ---------------------------------------------------------------- the path

KuvFltFastPath::KuvFltFastPath(const KuvFltFilter& filter) : m_filter(std::make_unique<Filter>(filter)) {}

KuvFltFastPath::~KuvFltFastPath() = default;

bool KuvFltFastPath::isUsable() {
  if (s_off) return false;
  // Gathered once: the single Apply asks for every object.
  static const KuvInTraceClass* const sc_channels[] = {&KuvCompiledBinaryParser::traceChannel(),
                                                       &KuvFltComparisonServices::traceChannel(),
                                                       &KuvFltFilter::traceChannel(),
                                                       &KuvFltDomainEffectivity::traceChannel(),
                                                       &KuvFltEffectivityView::traceChannel(),
                                                       &KuvDnf::traceChannel(),
                                                       &KuvDnfAndTerm::traceChannel(),
                                                       &KuvDnfAndTermMap::traceChannel(),
                                                       &KuvDnfLeaf::traceChannel(),
                                                       &KuvDnfEff::traceChannel(),
                                                       &KuvDnfVarEff::traceChannel(),
                                                       &KuvDnfOptionEff::traceChannel(),
                                                       &KuvDnfSelectionEff::traceChannel(),
                                                       &KuvDnfDateEff::traceChannel(),
                                                       &KuvDnfSerialEff::traceChannel(),
                                                       &KuvInSerialInterval::traceChannel(),
                                                       &KuvInDateInterval::traceChannel()};
  for (const KuvInTraceClass* channel : sc_channels)
    if (channel->isCallOn()) return false;
  return true;
}

int KuvFltFastPath::apply(const std::uint8_t* bytes, unsigned int size) const {
  int answer = sc_undecided;
  apply(&bytes, &size, 1, &answer);
  return answer;
}

void KuvFltFastPath::apply(const std::uint8_t* const* binaries, const unsigned int* sizes, unsigned int count,
                           int* answers) const {
  if (!m_filter->covered) {
    std::fill(answers, answers + count, sc_undecided);
    return;
  }
  Scratch& s = scratch();
  s.exclusiveSerials = KuvDnfExclusiveVariablesGuard::current() == 0;
  for (unsigned int i = 0; i < count; ++i) {
    s.clear();
    answers[i] = binaries[i] != nullptr && sizes[i] != 0 && readObject(binaries[i], sizes[i], s)
                     ? m_filter->decide(s)
                     : sc_undecided;
  }
}
