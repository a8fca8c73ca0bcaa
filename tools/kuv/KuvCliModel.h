// The product model the commands read expressions against: a CfgDictionary
// document read into an expression context, and the variable space over
// the same variables that the literal reader resolves names in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <Kuv.h>
#include <KuvXML.h>

namespace kuv_cli {

class Model {
public:
  Model() = default;
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;
  ~Model();

  // false with the reason in error (file, line and column of XML errors).
  bool load(const std::string& path, std::string& error);

  KuvEeModelDico& dico() const { return *m_model; }
  KuvEeExpressionContext& context() { return m_context; }
  const KuvEeExpressionContext& context() const { return m_context; }
  KuvEeVarSpace& space() const { return *m_space; }
  // The dictionary or one of its objects by its kind (a typed-GUID table's
  // kind byte, see kindOf) and GUID; null when the model has none such.
  KuvEeDicoObject* find(std::uint8_t kind, const KuvInGuid& guid) const;
  // The kind byte a typed-GUID table gives the object; 0 for the objects it
  // has none for (revisions, tree-series elements, milestones), which their
  // GUID alone names.
  static std::uint8_t kindOf(const KuvEeDicoObject& object);

private:
  KuvEeExpressionContext m_context;
  KuvXMLV2ModelerContextImpl m_texts;
  KuvEeModelDico* m_model = nullptr;  // the context's
  std::unique_ptr<KuvEeVarSpace> m_space;
};

}  // namespace kuv_cli
