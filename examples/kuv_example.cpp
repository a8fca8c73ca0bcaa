// A first look at kuv: the foundation a host builds on. Prints what it does.
#include <Kuv.h>

#include <cstdio>

int main() {
  KuvInString name("Engine");
  name.Append(" ", KuvInString::FromNum(42));
  std::printf("string: %s (%d characters)\n", name.ConvertToChar(), name.GetLengthInChar());

  KuvInIntHolder index(4294967295u);
  std::printf("unsigned holder of 4294967295 prints as: %s\n", index.toString().ConvertToChar());

  KuvInObject& object = index;
  std::printf("is a KuvInObjectVal: %s, is a KuvInString: %s\n",
              KuvInObjectVal::cast(object) != nullptr ? "yes" : "no",
              KuvInString::cast(object) != nullptr ? "yes" : "no");
  return 0;
}
