#include "KuvEeDnfConvertor/DnfTruth.h"

#include "support/KuvTestSupport.h"

namespace kuv_test {

namespace {

// The positive part (ranges or values, no-value flag), then the negation.
KuvEeNode* withFlags(KuvEeVarEff* eff, bool noVar, bool negated) {
  if (noVar) {
    if (auto* s = KuvEeSelectionEff::cast(*eff)) s->orNoVar();
    if (auto* s = KuvEeSerialEff::cast(*eff)) s->orNoVar();
    if (auto* d = KuvEeDateEff::cast(*eff)) d->orNoVar();
  }
  if (negated) eff->opNot();
  return new KuvEeVarEffLeaf(eff);
}

template <class Eff, class Leaf, class Var>
KuvEeNode* rangeLeaf(Var* var, const KuvDnfLeaf& leaf) {
  const auto& ranged = static_cast<const Leaf&>(leaf);
  auto* eff = new Eff(var, Eff::AllFalse);
  eff->set(ranged.getIntervals());
  return withFlags(eff, ranged.getNoVar(), ranged.isNegated());
}

KuvEeNode* engineLeaf(const TruthModel& m, const KuvDnfLeaf& leaf) {
  const KuvInGuid& guid = leaf.getGuid();
  switch (leaf.getKind()) {
    case KuvDnfLeaf::Kind::Option:
      for (const auto& option : m.options)
        if (option->getGuid() == guid) {
          const auto& o = static_cast<const KuvDnfOptionEff&>(leaf);
          return withFlags(new KuvEeOptionEff(option.get(), o.getValue()), false, o.isNegated());
        }
      return nullptr;
    case KuvDnfLeaf::Kind::Selection: {
      if (m.selection->getGuid() != guid) return nullptr;
      const auto& s = static_cast<const KuvDnfSelectionEff&>(leaf);
      auto* eff = new KuvEeSelectionEff(m.selection.get(), KuvEeSelectionEff::AllFalse);
      for (KuvEeSelectionValue* value : m.values)
        if (s.getValues().Find(value->getGuid())) eff->add(value);
      return withFlags(eff, s.getNoVar(), s.isNegated());
    }
    case KuvDnfLeaf::Kind::Serial:
      return m.serial->getGuid() == guid ? rangeLeaf<KuvEeSerialEff, KuvDnfSerialEff>(m.serial.get(), leaf)
                                         : nullptr;
    case KuvDnfLeaf::Kind::Date:
      return m.date->getGuid() == guid ? rangeLeaf<KuvEeDateEff, KuvDnfDateEff>(m.date.get(), leaf) : nullptr;
    case KuvDnfLeaf::Kind::Eff: {
      KuvEeEffectivity* target = m.change->getGuid() == guid ? static_cast<KuvEeEffectivity*>(m.change.get())
                                                              : nullptr;
      for (const auto& eff : m.effs)
        if (eff->getGuid() == guid) target = eff.get();
      if (target == nullptr) return nullptr;
      auto* node = new KuvEeEffLeaf(target);
      if (leaf.isNegated()) node->opNot();
      return node;
    }
    // Outside the model: read through its fixedLeaf, whatever the variable.
    case KuvDnfLeaf::Kind::TreeSeries:
      return new KuvEeVarEffLeaf(
          new KuvEeDnfTreeSeriesEff(nullptr, static_cast<KuvDnfTreeSeriesEff*>(leaf.clone())));
    case KuvDnfLeaf::Kind::Milestones:
      return new KuvEeVarEffLeaf(
          new KuvEeDnfMilestonesEff(nullptr, static_cast<KuvDnfMilestonesEff*>(leaf.clone())));
    default: return nullptr;
  }
}

}  // namespace

std::optional<TruthTable> dnfTable(const TruthModel& model, const KuvDnf& dnf) {
  TruthTable table;
  if (dnf.getSpecialCondition() == DNF_COND_TRUE) return table.set();
  if (dnf.getSpecialCondition() != DNF_COND_NONE) return table;
  for (const KuvDnfAndTerm* term : dnf.andTerms()) {
    TruthTable product;
    product.set();
    for (const KuvDnfLeaf* leaf : term->leaves()) {
      std::unique_ptr<KuvEeNode> node(engineLeaf(model, *leaf));
      if (!node) return std::nullopt;
      const std::optional<TruthTable> part = truthTable(model, *node);
      if (!part) return std::nullopt;
      product &= *part;
    }
    table |= product;
  }
  return table;
}

SignedTerms randomSignedTerms(std::mt19937& random) {
  std::vector<int> criteria{0, 1, 2, 3, 4};
  std::shuffle(criteria.begin(), criteria.end(), random);
  SignedTerms terms(2 + random() % 2);
  std::size_t next = 0;
  for (auto& term : terms)
    for (std::size_t k = 1 + random() % 2; k > 0 && next < criteria.size(); --k)
      term.emplace_back(criteria[next++], random() % 2 != 0);
  return terms;
}

KuvDnf* signedTermsDnf(const TruthModel& model, const SignedTerms& terms) {
  auto* sum = new KuvEeOrOp;
  const std::unique_ptr<KuvEeNodeRef> root(sum->getNodeRef());
  for (const auto& term : terms) {
    auto* product = new KuvEeAndOp;
    for (auto [criterion, negated] : term) {
      const int eff = criterion - TruthModel::kOptions;
      auto* leaf = static_cast<KuvEeNodeElementaryLeaf*>(eff < 0 ? optionLeaf(model, criterion)
                                                                 : new KuvEeEffLeaf(model.effs[eff].get()));
      if (negated) leaf->opNot();
      product->addChild(leaf);
    }
    sum->addChild(product);
  }
  return KuvEeDnfConvertor::NodeRef2Dnf(*root);
}

}  // namespace kuv_test
