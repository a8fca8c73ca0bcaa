// Variables for the effectivity tests: two options, a date, a serial and a
// selection variable with three values (and another selection variable with
// one), freed with the fixture.
#pragma once

#include "support/KuvTestSupport.h"

class KuvEeOptionVar;
class KuvEeDateVar;
class KuvEeSerialVar;
class KuvEeSelectionVar;
class KuvEeSelectionValue;

namespace kuv_test {

struct TestVars {
  TestVars();
  ~TestVars();
  TestVars(const TestVars&) = delete;
  TestVars& operator=(const TestVars&) = delete;

  KuvEeOptionVar* option;
  KuvEeOptionVar* otherOption;
  KuvEeDateVar* date;
  KuvEeSerialVar* serial;
  KuvEeSelectionVar* selection;
  KuvEeSelectionValue* values[3];
  KuvEeSelectionVar* otherSelection;
  KuvEeSelectionValue* foreignValue;  // of otherSelection
};

}  // namespace kuv_test
