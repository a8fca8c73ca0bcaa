#include "KuvPiVarEffWriter.h"

#include "KuvEeCategory.h"
#include "KuvEeDateEff.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeRestrictionEff.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvInDateInterval.h"
#include "KuvInListVal.h"
#include "KuvInSerialInterval.h"
#include "KuvInSet.h"

KUV_DEFINE_TYPE(KuvPiOptionEffWriter, KuvInObject)
KUV_DEFINE_TYPE(KuvPiSelectionEffWriter, KuvInObject)
KUV_DEFINE_TYPE(KuvPiDateEffWriter, KuvInObject)
KUV_DEFINE_TYPE(KuvPiSerialEffWriter, KuvInObject)
KUV_DEFINE_TYPE(KuvPiVarEffWriter, KuvInObject)
KUV_DEFINE_TYPE(KuvPiRestrictionEffWriter, KuvInObject)

KuvPiOptionEffWriter::~KuvPiOptionEffWriter() = default;
KuvPiSelectionEffWriter::~KuvPiSelectionEffWriter() = default;
KuvPiDateEffWriter::~KuvPiDateEffWriter() = default;
KuvPiSerialEffWriter::~KuvPiSerialEffWriter() = default;
KuvPiVarEffWriter::~KuvPiVarEffWriter() = default;
KuvPiRestrictionEffWriter::~KuvPiRestrictionEffWriter() = default;

namespace {

const KuvInString& nameOf(const KuvEeVariable* variable) {
  static const KuvInString none;
  return variable != nullptr ? variable->getName() : none;
}

// open word close, e.g. {ALL_TRUE}.
KuvInString enclosed(const KuvInString& open, const KuvInString& word, const KuvInString& close) {
  KuvInString text(open);
  return text.Append(word, close);
}

// The date and serial forms: name[ALL_FALSE], name[ALL_TRUE], or
// [!]name[A,B]...[NOVAR] with each range printed by printRange.
template <class Eff, class Interval, class PrintRange>
KuvInString intervalText(const KuvPiVarEffSyntax& syntax, const Eff& eff, PrintRange printRange) {
  const KuvInString name = syntax.encode(nameOf(eff.getVar()));
  KuvInString text;
  if (eff.isAllFalse()) return text.Append(name, enclosed(syntax.rangeOpen, syntax.allFalseWord, syntax.rangeClose));
  if (eff.isAllTrue()) return text.Append(name, enclosed(syntax.rangeOpen, syntax.allTrueWord, syntax.rangeClose));
  if (eff.isNegated()) text.Append(syntax.notSymbol);
  text.Append(name);
  KuvInListVal ranges(Interval::sType());
  eff.getIntervals(ranges);
  for (KuvInListVal::const_iterator it = ranges.cBegin(); it.IsValid(); it.Next())
    text.Append(syntax.rangeOpen, printRange(*static_cast<const Interval*>(it.Get())), syntax.rangeClose);
  if (eff.getNoVar()) text.Append(enclosed(syntax.rangeOpen, syntax.noVarWord, syntax.rangeClose));
  return text;
}

}  // namespace

KuvInString KuvPiOptionEffWriter::write(const KuvEeOptionEff& eff) const {
  KUV_TRACE_CALL("write");
  const KuvEeOptionVar* option = eff.getOptionVar();
  KuvInString name;
  if (const KuvEeCatOptionVar* catOption = option != nullptr ? KuvEeCatOptionVar::cast(*option) : nullptr;
      catOption != nullptr && catOption->getCategory() != nullptr)
    name.Append(m_syntax.encode(catOption->getCategory()->getName()), m_syntax.chainSymbol);
  name.Append(m_syntax.encode(nameOf(option)));
  const KuvInString& open = m_syntax.selectionOpen;
  const KuvInString& close = m_syntax.selectionClose;
  if (eff.isAllTrue()) return name.Append(enclosed(open, m_syntax.allTrueWord, close));
  if (eff.isAllFalse()) return name.Append(enclosed(open, m_syntax.allFalseWord, close));
  KuvInString text;
  if (eff.isNegated()) text.Append(m_syntax.notSymbol);
  text.Append(name);
  const std::uint32_t value = eff.getValue();
  if (m_mode == E_Default && value == KuvEeOptionEff::T) return text;
  KuvInString members;
  const std::pair<std::uint32_t, const KuvInString*> words[] = {
      {KuvEeOptionEff::T, &m_syntax.valueTrue}, {KuvEeOptionEff::F, &m_syntax.valueFalse},
      {KuvEeOptionEff::N, &m_syntax.noVarWord}};
  for (const auto& [bit, word] : words) {
    if ((value & bit) == 0) continue;
    if (!members.IsEmpty()) members.Append(m_syntax.listSeparator);
    members.Append(*word);
  }
  return text.Append(enclosed(open, members, close));
}

KuvInString KuvPiSelectionEffWriter::write(const KuvEeSelectionEff& eff) const {
  KUV_TRACE_CALL("write");
  const KuvInString& name = nameOf(eff.getVar());
  const KuvInString& open = m_syntax.valueSetOpen;
  const KuvInString& close = m_syntax.valueSetClose;
  KuvInString text;
  if (eff.isAllFalse()) return text.Append(name, enclosed(open, m_syntax.allFalseWord, close));
  if (eff.isAllTrue()) return text.Append(name, enclosed(open, m_syntax.allTrueWord, close));
  if (eff.isNegated()) text.Append(m_syntax.notSymbol);
  text.Append(m_syntax.encode(name), open);
  bool first = true;
  for (KuvInSet::const_iterator it = eff.getValues().cBegin(); it.IsValid(); it.Next()) {
    if (!first) text.Append(m_syntax.listSeparator);
    text.Append(m_syntax.encode(static_cast<const KuvEeSelectionValue*>(it.Get())->getName()));
    first = false;
  }
  if (eff.getNoVar()) {
    if (!first) text.Append(m_syntax.listSeparator);
    text.Append(m_syntax.noVarWord);
  }
  return text.Append(close);
}

KuvInString KuvPiDateEffWriter::write(const KuvEeDateEff& eff) {
  KUV_TRACE_CALL("write");
  if (FAILED(m_initializer.initIfNeeded(m_syntax, m_parser))) return "--ERROR--";
  return intervalText<KuvEeDateEff, KuvInDateInterval>(m_syntax, eff, [this](const KuvInDateInterval& range) {
    KuvInString text(m_parser.print(range.getA()));
    if (!(range.getA() == range.getB())) text.Append(m_syntax.listSeparator, m_parser.print(range.getB()));
    return text;
  });
}

KuvInString KuvPiSerialEffWriter::write(const KuvEeSerialEff& eff) {
  KUV_TRACE_CALL("write");
  if (FAILED(m_initializer.initIfNeeded(m_syntax, m_parser))) return "--ERROR--";
  return intervalText<KuvEeSerialEff, KuvInSerialInterval>(m_syntax, eff, [this](const KuvInSerialInterval& range) {
    const std::int32_t start = range.getAIncl() ? range.getA() : KuvInSerialInterval::getNext(range.getA());
    const std::int32_t end = range.getBIncl() ? range.getB() : KuvInSerialInterval::getPrev(range.getB());
    KuvInString text(m_parser.print(start));
    if (start != end) text.Append(m_syntax.listSeparator, m_parser.print(end));
    return text;
  });
}

KuvPiVarEffWriter::KuvPiVarEffWriter(const KuvPiVarEffSyntax& syntax)
    : m_option(syntax), m_selection(syntax), m_date(syntax), m_serial(syntax) {}

void KuvPiVarEffWriter::setMode(KuvPiOptionEffWriter::E_DiplayMode mode) { m_option.setMode(mode); }

KuvInString KuvPiVarEffWriter::write(const KuvEeVarEff& eff) {
  KUV_TRACE_CALL("write");
  if (const KuvEeOptionEff* option = KuvEeOptionEff::cast(eff)) return m_option.write(*option);
  if (const KuvEeSelectionEff* selection = KuvEeSelectionEff::cast(eff)) return m_selection.write(*selection);
  if (const KuvEeDateEff* date = KuvEeDateEff::cast(eff)) return m_date.write(*date);
  if (const KuvEeSerialEff* serial = KuvEeSerialEff::cast(eff)) return m_serial.write(*serial);
  return KuvInString();
}

KuvInString KuvPiRestrictionEffWriter::write(const KuvEeRestrictionEff& restriction) const {
  KUV_TRACE_CALL("write");
  const KuvInSet& items = restriction.getVariables();
  auto names = [this](const KuvInSet& set) {
    KuvInString text(m_syntax.rangeOpen);
    bool first = true;
    for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid(); it.Next()) {
      if (!first) text.Append(m_syntax.listSeparator);
      text.Append(static_cast<const KuvEeDicoObject*>(it.Get())->getName());
      first = false;
    }
    return text.Append(m_syntax.rangeClose);
  };
  KuvInString text;
  if (restriction.isNegated()) text.Append(m_syntax.notSymbol);
  text.Append(m_syntax.restrictionPrefix);
  if (KuvEeSerialRestrictionEff::isObjectOfThisType(restriction)) {
    const KuvEeSerialVar* first =
        items.IsEmpty() ? nullptr : KuvEeSerialVar::cast(*items.cBegin().Get());
    const std::int32_t type = first != nullptr ? first->getExternalType() : 0;
    const KuvInString* word = type == KuvEeSerialVar::UNDEFINED ? &m_syntax.serialWord
                              : type == KuvEeSerialVar::STATE   ? &m_syntax.stateWord
                              : type == KuvEeSerialVar::UNIT    ? &m_syntax.unitWord
                              : type == KuvEeSerialVar::MANUF_PLAN ? &m_syntax.mplanWord
                                                                   : nullptr;
    if (word == nullptr) {
      KUV_TRACE_ERROR("ERROR: incorrect serial external type : ", type);
      return KuvInString();
    }
    return text.Append(*word, names(items));
  }
  if (KuvEeDateRestrictionEff::isObjectOfThisType(restriction)) return text.Append(m_syntax.dateWord, names(items));
  if (KuvEeSelectionRestrictionEff::isObjectOfThisType(restriction))
    return text.Append(m_syntax.specificationWord, names(items));
  if (KuvEeCategoryRestrictionEff::isObjectOfThisType(restriction))
    return text.Append(m_syntax.categoryWord, names(items));
  if (KuvEePredefEffRestrictionEff::isObjectOfThisType(restriction))
    return text.Append(m_syntax.namedEffWord, names(items));
  if (KuvEeCategoryOptionRestrictionEff::isObjectOfThisType(restriction)) {
    const KuvEeCatOptionVar* first = items.IsEmpty() ? nullptr : KuvEeCatOptionVar::cast(*items.cBegin().Get());
    if (first == nullptr || first->getCategory() == nullptr) {
      KUV_TRACE_ERROR("ERROR: option restriction without category");
      return KuvInString();
    }
    return text.Append(m_syntax.optionWord, enclosed(m_syntax.rangeOpen, first->getCategory()->getName(),
                                                     m_syntax.rangeClose),
                       names(items));
  }
  KUV_TRACE_ERROR("ERROR: restriction without literal form");
  return KuvInString();
}
