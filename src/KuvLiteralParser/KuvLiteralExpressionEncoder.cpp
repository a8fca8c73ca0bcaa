// Gives KuvCoreEncodingsToolbox::EncodeForExpression its name writer: the
// toolbox cannot reach the literal syntax itself, so the syntax installs
// the writer when the library loads.
#include "KuvCoreEncodingsToolbox.h"
#include "KuvLiteralSyntax.h"

namespace {

KuvInString encodeWithDefaultSyntax(const KuvInString& name) {
  KuvLiteralSyntax syntax;
  syntax.setDefaultSyntax();
  if (FAILED(syntax.init())) return KuvInString();
  return syntax.encode(name);
}

[[maybe_unused]] const bool s_installed = [] {
  KuvCoreEncodingsToolbox::SetExpressionNameEncoder(&encodeWithDefaultSyntax);
  return true;
}();

}  // namespace
