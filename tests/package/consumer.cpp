#include <Kuv.h>

int main() {
  KuvInString text("installed");
  return text.GetLengthInChar() == 9 && KuvInString::sType() != nullptr ? 0 : 1;
}
