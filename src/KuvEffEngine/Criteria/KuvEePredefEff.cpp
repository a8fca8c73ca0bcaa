#include "KuvEePredefEff.h"

#include "KuvEeExpression.h"

KUV_DEFINE_TYPE(KuvEePredefEff, KuvEeEffectivity)

KuvEePredefEff::KuvEePredefEff(const KuvInString& name, const unsigned char* guid, bool publish,
                               OperationHandlerType type)
    : KuvEePredefEff(name, guid, publish ? Officialized : Unpublished, type) {}

KuvEePredefEff::KuvEePredefEff(const KuvInString& name, const unsigned char* guid, PublicationStatus status,
                               OperationHandlerType type)
    : KuvEeEffectivity(name, guid), m_type(type), m_status(status) {}

KuvEePredefEff::~KuvEePredefEff() = default;

void KuvEePredefEff::setPublish(bool publish) { m_status = publish ? Officialized : Unpublished; }

bool KuvEePredefEff::getPublish() const { return m_status == Officialized; }

void KuvEePredefEff::setPublicationStatus(PublicationStatus status) { m_status = status; }

KuvEePredefEff::PublicationStatus KuvEePredefEff::getPublicationStatus() const { return m_status; }

KuvEePredefEff::OperationHandlerType KuvEePredefEff::getType() const { return m_type; }

KuvInString KuvEePredefEff::toString() const {
  KuvInString text("PredefEff( ");
  text.Append(getName(), "/", getGuid().toString(), " - ");
  text.Append(m_status == Officialized ? "Officialized - "
              : m_status == Rejected   ? "Rejected - "
                                       : "Unpublished - ");
  text.Append(m_type == CONTEXTUAL ? "CONTEXTUAL - " : "GLOBAL - ");
  KuvEeExpression* expression = nullptr;
  if (const KuvEeNodeRef* tree = getExpr())
    text.Append("Applicability: ", tree->toString(), " )");
  else if (getExpr(expression) == S_OK)
    text.Append("Applicability: ", expression->toString(), " )");
  else
    text.Append("No Expression )");
  return text;
}
