// The enumerations and result codes shared by every binary form of kuv: the
// width of an index into a table, the kind of dictionary object a typed GUID
// designates, and the code for a value too large for its field.
#pragma once

#include <cstdint>

#include "KuvInTypes.h"

class KUV_API KuvBioConstants {
public:
  // Bytes per index; a header stores the number itself (0x01, 0x02, 0x04).
  enum E_IndexSize : std::int32_t { E_IndexSize1 = 1, E_IndexSize2 = 2, E_IndexSize4 = 4 };

  // The type byte of a typed-GUID table entry.
  enum E_VarType : std::uint32_t {
    E_Option = 1,
    E_Category = 2,
    E_SerialVar = 3,
    E_DateVar = 4,
    E_SelectionVar = 5,
    E_SelectionValue = 6,
    E_Effectivity = 7,
    E_Dictionary = 8,
    E_TreeSeriesVar = 9,
    E_MilestonesVar = 10,
    E_UnknownVarType = 0xFFFFFFFFu
  };

  // A value does not fit in the field a binary gives it.
  static constexpr HRESULT sc_valueTooLarge = static_cast<HRESULT>(0x8009011Au);
  // A read that succeeded without every object the binary names (a serial
  // leaf without its variable): callers pass it on as success.
  static constexpr HRESULT sc_readIncomplete = static_cast<HRESULT>(0x00081005u);
};
