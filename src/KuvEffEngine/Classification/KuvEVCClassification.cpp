#include "KuvEVCClassification.h"

#include <algorithm>

#include "KuvEeSerialVar.h"

KUV_DEFINE_TYPE(KuvEVCClassification, KuvInObjectVal)

namespace {

// The evolution flag of a serial external type and the flag of its upper
// bound, or -1 for a type that is no evolution.
struct TypedFlags {
  int evolution;
  int upperBound;
};

TypedFlags flagsOfType(std::int32_t type) {
  switch (type) {
    case KuvEeSerialVar::UNIT:
      return {6, 11};
    case KuvEeSerialVar::STATE:
    case KuvEeSerialVar::TREE_STATE:
      return {7, 12};
    case KuvEeSerialVar::MANUF_PLAN:
    case KuvEeSerialVar::TREE_MANUF_PLAN:
      return {8, 13};
    default:
      return {-1, -1};
  }
}

const char* tf(bool value) { return value ? "T" : "F"; }

}  // namespace

KuvEVCClassification::KuvEVCClassification(unsigned char value) { std::fill_n(m_flags, sc_nbFlags, value); }

KuvEVCClassification::~KuvEVCClassification() = default;

void KuvEVCClassification::clear() { std::fill_n(m_flags, sc_nbFlags, 0); }

void KuvEVCClassification::setVariant(unsigned char value) {
  m_flags[ExclusiveFeature] = value;
  m_flags[NonExclusiveFeature] = value;
}

void KuvEVCClassification::setEvolution(unsigned char value) {
  m_flags[UnitEvolution] = value;
  m_flags[StateEvolution] = value;
  m_flags[PlanEvolution] = value;
}

HRESULT KuvEVCClassification::setEvolutionType(std::int32_t type, unsigned char value) {
  const TypedFlags flags = flagsOfType(type);
  if (flags.evolution < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected evolution type");
  m_flags[flags.evolution] = value;
  return S_OK;
}

HRESULT KuvEVCClassification::setUpperBoundInfinite(std::int32_t type, unsigned char value) {
  const TypedFlags flags = flagsOfType(type);
  if (flags.upperBound < 0) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected evolution type");
  m_flags[flags.upperBound] = value;
  return S_OK;
}

bool KuvEVCClassification::isEvolutionType(std::int32_t type) const {
  const TypedFlags flags = flagsOfType(type);
  return flags.evolution >= 0 && on(flags.evolution);
}

bool KuvEVCClassification::isEvolution() const {
  return on(UnitEvolution) || on(StateEvolution) || on(PlanEvolution) || on(Milestone) || on(Date);
}

bool KuvEVCClassification::isUpperBoundInfinite(std::int32_t type) const {
  const TypedFlags flags = flagsOfType(type);
  if (flags.evolution < 0) return false;
  return !on(flags.evolution) || on(flags.upperBound);
}

bool KuvEVCClassification::equals(const KuvInObjectVal& other) const {
  const KuvEVCClassification* o = cast(other);
  return o != nullptr && std::equal(m_flags, m_flags + sc_nbFlags, o->m_flags);
}

std::uint32_t KuvEVCClassification::hash() const { return BinHashFunc(m_flags, sc_nbFlags); }

KuvInObjectVal& KuvEVCClassification::clone(void* where) const { return cloneOf(*this, where); }

KuvInString KuvEVCClassification::toString() const {
  KuvInString text("KuvEVCClassification( ");
  const auto labelled = [&text](const char* label, bool value) {
    text.Append(label);
    text.Append(tf(value));
    text.Append(", ");
  };
  labelled("variant:", isVariant());
  labelled("excl feature:", isExclusiveFeature());
  labelled("non excl feature:", isNonExclusiveFeature());
  labelled("change:", isChange());
  labelled("date up bound inf:", isDateUpperBoundInfinite());
  labelled("bool_true:", isTrue());
  labelled("bool_false:", isFalse());
  text.Append("evolution:");
  if (on(UnitEvolution)) text.Append("UNIT|");
  if (on(StateEvolution)) text.Append("STATE|");
  if (on(PlanEvolution)) text.Append("MANUF_PLAN|");
  if (on(Date)) text.Append("DATE|");
  if (on(Milestone)) text.Append("MILESTONE");
  text.Append(", evolution up bound inf: not implemented , ");
  labelled("inheritedEff:", isInheritedEff());
  text.Append("restriction:");
  text.Append(tf(isRestriction()));
  text.Append(" )");
  return text;
}
