// A small model for the literal syntax tests: categories with options,
// a selection, serial variables of every external type, a date variable
// and named effectivities, all in one variable space.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "KuvEeCategory.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffectivity.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeVarSpace.h"

namespace kuv_test {

inline std::array<unsigned char, 16> guid(unsigned n) {
  std::array<unsigned char, 16> bytes{};
  bytes[0] = static_cast<unsigned char>(n);
  bytes[1] = static_cast<unsigned char>(n >> 8);
  bytes[15] = 0x5A;
  return bytes;
}

struct LiteralModel {
  KuvEeVarSpace space{"Space", guid(1).data()};
  KuvEeCategory engine{"Engine", guid(2).data()};
  KuvEeCatOptionVar v8{"V8", guid(3).data(), &engine};
  KuvEeCatOptionVar v6{"V6", guid(4).data(), &engine};
  // Names holding syntax symbols are quoted by the writer.
  KuvEeCategory paint{"Paint&Shop", guid(5).data()};
  KuvEeCatOptionVar gloss{"Gloss (1)", guid(6).data(), &paint};
  KuvEeSelectionVar color{"Color", guid(7).data()};
  KuvEeSerialVar units{"Units", guid(8).data(), KuvEeSerialVar::UNIT, nullptr};
  KuvEeSerialVar states{"States", guid(9).data(), KuvEeSerialVar::STATE, nullptr};
  KuvEeSerialVar plans{"Plans", guid(10).data(), KuvEeSerialVar::MANUF_PLAN, nullptr};
  KuvEeSerialVar serials{"Serials", guid(11).data(), KuvEeSerialVar::UNDEFINED, nullptr};
  KuvEeDateVar due{"Due", guid(12).data()};
  KuvEePredefEff eff1{"Eff1", guid(13).data(), true, KuvEePredefEff::GLOBAL};
  KuvEePredefEff eff2{"Eff 2|x", guid(14).data(), true, KuvEePredefEff::GLOBAL};

  LiteralModel() {
    color.addValue("Red", guid(20).data());
    color.addValue("Blue", guid(21).data());
    color.addValue("Dark,Green", guid(22).data());
    space.addCategory(&engine);
    space.addCategory(&paint);
    space.addOptionVar(&v8);
    space.addOptionVar(&v6);
    space.addOptionVar(&gloss);
    space.addSelectionVar(&color);
    for (KuvEeSerialVar* serial : {&units, &states, &plans, &serials}) space.addSerialVar(serial);
    space.addDateVar(&due);
    space.addPossibleSourceEff(&eff1);
    space.addPossibleSourceEff(&eff2);
  }
};

}  // namespace kuv_test
