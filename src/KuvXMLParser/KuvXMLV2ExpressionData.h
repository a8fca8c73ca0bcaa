// KuvXMLV2ExpressionData: what an expression reader needs to know beyond
// the document. The dictionary names the model of criteria read outside
// any Context element (the selections of a filter, global criteria); the
// filterable identifier, when not empty, is the GUID text of the object
// whose expression is read, and every InheritedEff must name it as its
// FilterableId ([E8] otherwise).
//
//     KuvXMLV2ExpressionData data;
//     data.SetModelDico(model);            // borrowed
//     KuvXMLV3ExprSAXHandler handler(context, data, nullptr, expression, 0, 0, 0, 0);
#pragma once

#include "KuvInString.h"

class KuvEeModelDico;

class KUV_API KuvXMLV2ExpressionData : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLV2ExpressionData)

public:
  KuvXMLV2ExpressionData();
  ~KuvXMLV2ExpressionData() override;

  KuvEeModelDico* GetModelDico() const { return m_model; }
  void SetModelDico(KuvEeModelDico* model) { m_model = model; }
  const KuvInString& GetFilterableId() const { return m_filterableId; }
  void SetFilterableId(const KuvInString& id) { m_filterableId = id; }

private:
  KuvEeModelDico* m_model = nullptr;  // not owned
  KuvInString m_filterableId;
};
