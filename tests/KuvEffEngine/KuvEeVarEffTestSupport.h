// Variables for the effectivity tests: an option, a date, a serial and a
// selection variable with three values (and another
// selection variable with one), freed with the fixture.
#pragma once

#include <memory>

class KuvEeOptionVar;
class KuvEeDateVar;
class KuvEeSerialVar;
class KuvEeSelectionVar;
class KuvEeSelectionValue;

namespace kuvtest {

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

// Silences the error lines of the effectivities' channel while it lives
// (refusals are expected in the property tests).
class QuietErrors {
public:
  QuietErrors();
  ~QuietErrors();
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

private:
  unsigned char m_flags;
};

}  // namespace kuvtest
