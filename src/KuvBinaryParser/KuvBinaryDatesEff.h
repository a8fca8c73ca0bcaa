// KuvBinaryDatesEff: the leaf of a date effectivity in the binary expression
// format (node type 14). The date variable is written as its index in the
// volatile criteria list of a KuvBinaryExprData, which is rebuilt from the
// context on both sides and never persisted.
//
//   offset   width    content
//   0        1        node type 14
//   1        1        has-index flag, always 1 (0 is refused)
//   2        4        index of the date variable in the volatile criteria list
//   6        2        number of intervals I
//   8        per interval, I times:
//            1          header: bit 3 the lower date carries a time, bit 0 the
//                       upper one does; written 9 (both)
//            4 or 7     lower date
//            4 or 7     upper date
//
//   date:    2 year, 1 month, 1 day [, 1 hour, 1 minute, 1 second]
//
// Fields are those of KuvInDate::getDate / setDate, the time counted from 1;
// the infinities travel as their own fields (year 20000 and year 0). A date
// read without a time gets 01:01:01 as a lower bound and 24:60:61 as an
// upper one (setDate keeps 60). The maximum date, whose second 61 setDate
// would not keep, is recognised and restored as it was.
//
// Only the positive part's intervals are stored: neither the negation (the
// node tree writes a Not before a negated effectivity's leaf, and the reader
// makes a Not over it) nor the no-value flag, which reads back unset. An
// effectivity that opNot negated therefore comes back with its meaning and
// its bytes; one whose positive part holds the no-value element loses it.
// The intervals read are set back as a list, which keeps a list already
// sorted and merged (as every written one is) unchanged.
//
// With fake dependencies (the light parser) a missing date variable becomes
// a KuvEeDateVar with an empty name at that index of the volatile list, owned
// by the data. Indices above 65535 are refused, so that hostile bytes cannot
// make the list pad itself to billions of placeholders.
//
// Ownership: write only reads its arguments; read hands a new effectivity to
// the caller (eff null on entry, null on failure).
#pragma once

#include <cstdint>

#include "KuvInObject.h"

class KuvBinaryExprData;
class KuvBioBuffer;
class KuvBioBufferOut;
class KuvEeDateEff;

class KUV_API KuvBinaryDatesEff : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryDatesEff)

public:
  static constexpr std::uint8_t sc_nodeType = 14;

  ~KuvBinaryDatesEff() override;

  // Appends the leaf, type byte first.
  static HRESULT write(const KuvEeDateEff& eff, const KuvBinaryExprData& data, KuvBioBufferOut& out);
  // Reads a leaf whose type byte is already read.
  static HRESULT read(KuvBioBuffer& in, KuvBinaryExprData& data, KuvEeDateEff*& eff);

private:
  KuvBinaryDatesEff() = default;
};
