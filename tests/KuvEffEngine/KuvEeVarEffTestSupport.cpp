#include "KuvEffEngine/KuvEeVarEffTestSupport.h"

#include "KuvEeDateVar.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeVarEff.h"

namespace kuvtest {

namespace {
const unsigned char* guid(unsigned char n) {
  static unsigned char bytes[11][16] = {};
  bytes[n][15] = n;
  return bytes[n];
}
}  // namespace

TestVars::TestVars()
    : option(new KuvEeBasicOptionVar("Sunroof", KuvInGuid(guid(1)))),
      otherOption(new KuvEeBasicOptionVar("Towbar", KuvInGuid(guid(2)))),
      date(new KuvEeDateVar("Date", guid(3))),
      serial(new KuvEeSerialVar("Units", guid(4), KuvEeSerialVar::UNIT, nullptr)),
      selection(new KuvEeSelectionVar("Colour", guid(5))),
      otherSelection(new KuvEeSelectionVar("Trim", guid(8))) {
  values[0] = selection->addValue("Red", guid(6));
  values[1] = selection->addValue("Green", guid(7));
  values[2] = selection->addValue("Blue", guid(10));
  foreignValue = otherSelection->addValue("Leather", guid(9));
}

TestVars::~TestVars() {
  delete option;
  delete otherOption;
  delete date;
  delete serial;
  delete selection;
  delete otherSelection;
}

QuietErrors::QuietErrors() : m_flags(KuvEeVarEff::traceChannel().getFlags()) {
  KuvEeVarEff::traceChannel().setFlags(0);
}

QuietErrors::~QuietErrors() { KuvEeVarEff::traceChannel().setFlags(m_flags); }

}  // namespace kuvtest
