// The product model the commands read expressions against: a CfgDictionary
// document read into an expression context, and the variable space over
// the same variables that the literal reader resolves names in.
#pragma once

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
  KuvEeVarSpace& space() const { return *m_space; }

private:
  KuvEeExpressionContext m_context;
  KuvXMLV2ModelerContextImpl m_texts;
  KuvEeModelDico* m_model = nullptr;  // the context's
  std::unique_ptr<KuvEeVarSpace> m_space;
};

}  // namespace kuv_cli
