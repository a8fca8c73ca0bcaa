#include "KuvEePredefEff.h"

#include <algorithm>
#include <vector>

#include "KuvEeExpression.h"

KUV_DEFINE_TYPE(KuvEePredefEff, KuvEeEffectivity)

namespace {
// The effectivities whose text is being written: an applicability that
// refers back to its own effectivity would otherwise recurse without end.
thread_local std::vector<const KuvEePredefEff*> t_writing;

struct WritingGuard {
  explicit WritingGuard(const KuvEePredefEff* eff) { t_writing.push_back(eff); }
  ~WritingGuard() { t_writing.pop_back(); }
  WritingGuard(const WritingGuard&) = delete;
  WritingGuard& operator=(const WritingGuard&) = delete;
};
}  // namespace

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
  if (std::find(t_writing.begin(), t_writing.end(), this) != t_writing.end())
    return text.Append("Applicability: ... )");
  const WritingGuard writing(this);
  KuvEeExpression* expression = nullptr;
  if (const KuvEeNodeRef* tree = getExpr())
    text.Append("Applicability: ", tree->toString(), " )");
  else if (getExpr(expression) == S_OK)
    text.Append("Applicability: ", expression->toString(), " )");
  else
    text.Append("No Expression )");
  return text;
}
