#include "KuvEffEngine/KuvEeVarEffTestSupport.h"

#include "KuvEeDateVar.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "support/KuvTestSupport.h"

namespace kuv_test {

TestVars::TestVars()
    : option(new KuvEeBasicOptionVar("Sunroof", KuvInGuid(Guid(1025).data()))),
      otherOption(new KuvEeBasicOptionVar("Towbar", KuvInGuid(Guid(1026).data()))),
      date(new KuvEeDateVar("Date", Guid(1027).data())),
      serial(new KuvEeSerialVar("Units", Guid(1028).data(), KuvEeSerialVar::UNIT, nullptr)),
      selection(new KuvEeSelectionVar("Colour", Guid(1029).data())),
      otherSelection(new KuvEeSelectionVar("Trim", Guid(1032).data())) {
  values[0] = selection->addValue("Red", Guid(1030).data());
  values[1] = selection->addValue("Green", Guid(1031).data());
  values[2] = selection->addValue("Blue", Guid(1034).data());
  foreignValue = otherSelection->addValue("Leather", Guid(1033).data());
}

TestVars::~TestVars() {
  delete option;
  delete otherOption;
  delete date;
  delete serial;
  delete selection;
  delete otherSelection;
}

}  // namespace kuv_test
