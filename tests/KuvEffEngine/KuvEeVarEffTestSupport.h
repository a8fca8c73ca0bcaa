// Variables for the effectivities tests: two options, a date, a serial and a
// selection variable with three values (and another selection variable with
// one), freed with the holder.
#pragma once

#include "support/KuvTestSupport.h"

namespace kuv_test {

struct TestVars {
  TestVars() {
    values[0] = colour.addValue("Red", Guid(1030).data());
    values[1] = colour.addValue("Green", Guid(1031).data());
    values[2] = colour.addValue("Blue", Guid(1034).data());
    foreignValue = trim.addValue("Leather", Guid(1033).data());
  }
  TestVars(const TestVars&) = delete;
  TestVars& operator=(const TestVars&) = delete;

  KuvEeBasicOptionVar sunroof{"Sunroof", KuvInGuid(Guid(1025).data())};
  KuvEeBasicOptionVar towbar{"Towbar", KuvInGuid(Guid(1026).data())};
  KuvEeDateVar dateVar{"Date", Guid(1027).data()};
  KuvEeSerialVar units{"Units", Guid(1028).data(), KuvEeSerialVar::UNIT, nullptr};
  KuvEeSelectionVar colour{"Colour", Guid(1029).data()};
  KuvEeSelectionVar trim{"Trim", Guid(1032).data()};

  KuvEeOptionVar* option = &sunroof;
  KuvEeOptionVar* otherOption = &towbar;
  KuvEeDateVar* date = &dateVar;
  KuvEeSerialVar* serial = &units;
  KuvEeSelectionVar* selection = &colour;
  KuvEeSelectionValue* values[3];
  KuvEeSelectionVar* otherSelection = &trim;
  KuvEeSelectionValue* foreignValue;  // of otherSelection
};

}  // namespace kuv_test
