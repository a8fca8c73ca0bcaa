// A first look at kuv from a host's side: the foundation that every
// expression rests on. Prints what it does.
#include <Kuv.h>

#include <cstdio>
#include <cstdlib>

int main() {
  // Strings and numbers.
  KuvInString name("Engine");
  name.Append(" ", KuvInString::FromNum(42));
  std::printf("string: %s (%d characters)\n", name.ConvertToChar(), name.GetLengthInChar());

  // Type identity without RTTI.
  KuvInIntHolder index(4294967295u);
  KuvInObject& object = index;
  std::printf("holder of 4294967295 prints %s; is a KuvInObjectVal: %s, is a KuvInString: %s\n",
              index.toString().ConvertToChar(), KuvInObjectVal::cast(object) ? "yes" : "no",
              KuvInString::cast(object) ? "yes" : "no");

  // Dictionary objects are named by 16-byte GUIDs, stored as hexadecimal.
  const unsigned char bytes[16] = {0x01, 0xAB, 0x02, 0xCD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F};
  KuvInGuid guid(bytes);
  std::printf("guid: %s\n", guid.toString().ConvertToChar());

  // Typed containers: a value map from option names to indices.
  KuvInMapVal indices(KuvInString::sType(), KuvInIntHolder::sType());
  const char* options[] = {"V6", "V8", "Electric"};
  for (unsigned i = 0; i < 3; ++i) indices.Put(KuvInString(options[i]), KuvInIntHolder(i));
  std::printf("%s\n", indices.toString().ConvertToChar());
  HRESULT refused = indices.Put(KuvInIntHolder(1), KuvInIntHolder(1));  // keys must be strings
  std::printf("putting an integer key: 0x%08X (bad key flag %d)\n", static_cast<unsigned>(refused),
              indices.badKeyCastErr());

  // Day numbers count from 1900-01-01.
  int day = 0;
  KuvCoreEncodingsToolbox::Compute_Nbdays_From_YMD(2026, 12, 5, day);
  std::printf("2026-12-05 is day %d\n", day);
  return 0;
}
