#include "KuvPiVarEffReader.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "KuvEeCategory.h"
#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeRestrictionEff.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionValueDico.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvInDateInterval.h"
#include "KuvInListVal.h"
#include "KuvInSerialInterval.h"
#include "KuvInSet.h"
#include "KuvInTreeParser.h"

KUV_DEFINE_TYPE(KuvPiOptionEffReader, KuvInObject)
KUV_DEFINE_TYPE(KuvPiSelectionEffReader, KuvInObject)
KUV_DEFINE_TYPE(KuvPiDateEffReader, KuvInObject)
KUV_DEFINE_TYPE(KuvPiSerialEffReader, KuvInObject)
KUV_DEFINE_TYPE(KuvPiVarEffReader, KuvInObject)
KUV_DEFINE_TYPE(KuvPiRestrictionEffReader, KuvInObject)

namespace {

using Node = KuvInTreeParserNode;

// Appends the pieces and a line feed to the error text.
template <class... Parts>
void report(KuvInString& errorText, const Parts&... parts) {
  (errorText.Append(KuvInString(parts)), ...);
  errorText.Append("\n");
}

enum class Part { Ok, Empty, BadOperator, NotAString };

bool isPlainString(const Node* node) {
  return node != nullptr && node->getType() == Node::E_String && node->getChained() == nullptr &&
         node->getFollower() == nullptr;
}

// The words of one bracket part: one string, or strings joined by the list
// separator; op receives the opening of an unexpected operator.
Part partWords(const Node& part, const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags,
               std::vector<KuvInString>& words, KuvInString& op) {
  words.clear();
  const Node* content = part.getChild(0);
  if (content == nullptr) return Part::Empty;
  if (content->getType() == Node::E_Tag) {
    if (content->getTag() != tags.listSeparator) {
      op = content->getTag()->getOpening();
      return Part::BadOperator;
    }
    for (std::int32_t i = 0; i < content->getChildCount(); ++i) {
      if (!isPlainString(content->getChild(i))) return Part::NotAString;
      words.push_back(syntax.decode(content->getChild(i)->getText()));
    }
    return Part::Ok;
  }
  if (!isPlainString(content)) return Part::NotAString;
  words.push_back(syntax.decode(content->getText()));
  return Part::Ok;
}

}  // namespace

KuvPiOptionEffReader::KuvPiOptionEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags)
    : m_syntax(syntax), m_tags(tags) {}
KuvPiOptionEffReader::~KuvPiOptionEffReader() = default;
KuvPiSelectionEffReader::KuvPiSelectionEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags)
    : m_syntax(syntax), m_tags(tags) {}
KuvPiSelectionEffReader::~KuvPiSelectionEffReader() = default;
KuvPiDateEffReader::KuvPiDateEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags)
    : m_syntax(syntax), m_tags(tags) {}
KuvPiDateEffReader::~KuvPiDateEffReader() = default;
KuvPiSerialEffReader::KuvPiSerialEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags)
    : m_syntax(syntax), m_tags(tags) {}
KuvPiSerialEffReader::~KuvPiSerialEffReader() = default;

KuvPiVarEffReader::KuvPiVarEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags)
    : m_option(syntax, tags), m_selection(syntax, tags), m_date(syntax, tags), m_serial(syntax, tags) {}

KuvPiVarEffReader::~KuvPiVarEffReader() = default;

KuvEeVarEff* KuvPiVarEffReader::read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data,
                                     KuvInString& errorText) {
  KUV_TRACE_CALL("read");
  if (data.getObject() == nullptr) return nullptr;
  switch (data.getType()) {
    case KuvPiSolvedData::E_Category:
      return m_option.read(node, data, errorText);
    case KuvPiSolvedData::E_SelectionVar:
      return m_selection.read(node, data, errorText);
    case KuvPiSolvedData::E_SerialVar:
      return m_serial.read(node, data, errorText);
    case KuvPiSolvedData::E_DateVar:
      return m_date.read(node, data, errorText);
    default:
      return nullptr;
  }
}

KuvEeVarEff* KuvPiOptionEffReader::read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data,
                                        KuvInString& errorText) {
  if (data.getObject() == nullptr) return nullptr;
  KuvEeCategory* category = KuvEeCategory::cast(*data.getObject());
  const Node* chained = node.getChained();
  if (category == nullptr || chained == nullptr) return nullptr;
  const KuvInString optionName = m_syntax.decode(chained->getText());
  KuvEeCatOptionVar* option = category->getOptionVar(optionName);
  if (option == nullptr) {
    report(errorText, "<", optionName, "> is not an option of category <", category->getName(), ">");
    return nullptr;
  }
  const Node* follower = node.getFollower();
  if (follower == nullptr) return new KuvEeOptionEff(option, KuvEeOptionEff::T);
  if ((follower->getTag() != m_tags.selection && follower->getTag() != m_tags.valueSet) ||
      follower->getChildCount() != 1) {
    report(errorText, "Operator <", m_syntax.selectionOpen, "> (or nothing) is expected after ",
           node.toString());
    return nullptr;
  }
  std::vector<KuvInString>& words = m_words;
  KuvInString op;
  const Part status = partWords(*follower->getChild(0), m_syntax, m_tags, words, op);
  if (status == Part::BadOperator) {
    report(errorText, "In ", node.toString(), " <", op, "> the only expected operator is <",
           m_syntax.listSeparator, ">");
    return nullptr;
  }
  auto refuse = [&](const KuvInString& word) {
    KuvInString allowed(m_syntax.valueTrue);
    allowed.Append(m_syntax.listSeparator, m_syntax.valueFalse, m_syntax.listSeparator, m_syntax.noVarWord);
    allowed.Append(m_syntax.listSeparator, m_syntax.allTrueWord, m_syntax.listSeparator, m_syntax.allFalseWord);
    report(errorText, "In ", node.toString(), " <", word, "> allowed values are : <", allowed, ">");
    return nullptr;
  };
  if (status != Part::Ok) return refuse(KuvInString());
  if (words.size() == 1 && words[0] == m_syntax.allTrueWord) return new KuvEeOptionEff(option, KuvEeOptionEff::AllTrue);
  if (words.size() == 1 && words[0] == m_syntax.allFalseWord)
    return new KuvEeOptionEff(option, KuvEeOptionEff::AllFalse);
  std::uint32_t value = 0;
  for (const KuvInString& word : words) {
    if (word == m_syntax.valueTrue)
      value |= KuvEeOptionEff::T;
    else if (word == m_syntax.valueFalse)
      value |= KuvEeOptionEff::F;
    else if (word == m_syntax.noVarWord)
      value |= KuvEeOptionEff::N;
    else
      return refuse(word);
  }
  return new KuvEeOptionEff(option, value);
}

KuvEeVarEff* KuvPiSelectionEffReader::read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data,
                                           KuvInString& errorText) {
  if (data.getObject() == nullptr) return nullptr;
  KuvEeSelectionVar* variable = KuvEeSelectionVar::cast(*data.getObject());
  const Node* follower = node.getFollower();
  if (variable == nullptr || follower == nullptr) return nullptr;
  // The name serves only the messages.
  auto name = [&] { return m_syntax.decode(node.getText()); };
  std::vector<KuvInString>& words = m_words;
  KuvInString op = m_syntax.valueSetOpen;
  const Part status =
      follower->getChildCount() == 1 ? partWords(*follower->getChild(0), m_syntax, m_tags, words, op) : Part::BadOperator;
  if (status != Part::Ok) {
    report(errorText, "In selection{...} <", name(), "{...}> <", op, "> the only expected operator is <",
           m_syntax.listSeparator, ">");
    return nullptr;
  }
  auto eff = std::make_unique<KuvEeSelectionEff>(variable, KuvEeSelectionEff::AllFalse);
  if (words.size() == 1 && words[0] == m_syntax.allTrueWord) {
    eff->set(KuvEeSelectionEff::AllTrue);
    return eff.release();
  }
  if (words.size() == 1 && words[0] == m_syntax.allFalseWord) return eff.release();
  bool noVar = false;
  for (const KuvInString& word : words) {
    if (word == m_syntax.noVarWord) {
      noVar = true;
      continue;
    }
    KuvEeSelectionValue* value = variable->getValue(word);
    if (value == nullptr || FAILED(eff->add(value))) {
      // The value set iterates in address order; names sorted make the
      // message the same on every run.
      std::vector<KuvInString> names;
      for (KuvInSet::const_iterator it = variable->getValues().getValues().cBegin(); it.IsValid(); it.Next())
        names.push_back(static_cast<const KuvEeSelectionValue*>(it.Get())->getName());
      std::sort(names.begin(), names.end());
      KuvInString values;
      for (const KuvInString& value : names) {
        if (!values.IsEmpty()) values.Append(m_syntax.listSeparator);
        values.Append(value);
      }
      report(errorText, "<", word, "> is not part of selection <", name(), "> values : ", values,
             " or special values : <", m_syntax.noVarWord, ">");
      return nullptr;
    }
  }
  if (noVar) eff->orNoVar();
  return eff.release();
}

namespace {

// The ranges of a date or serial text: Name[A,B][C][NOVAR] or Name[ALL_TRUE].
// parseRange turns one or two limits into a range of the list, or reports.
template <class Eff, class Interval, class ParseRange>
KuvEeVarEff* readIntervals(const Node& node, const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags,
                           std::unique_ptr<Eff> eff, std::vector<KuvInString>& words, KuvInString& errorText,
                           ParseRange parseRange) {
  const Node* follower = node.getFollower();
  // The name serves only the messages.
  auto name = [&] { return syntax.decode(node.getText()); };
  if (follower == nullptr || follower->getTag() != tags.range) {
    report(errorText, "Operator <", syntax.rangeOpen, "> (or nothing) is expected after ", name());
    return nullptr;
  }
  KuvInListVal ranges(Interval::sType());
  bool noVar = false;
  for (std::int32_t i = 0; i < follower->getChildCount(); ++i) {
    KuvInString op;
    const Part status = partWords(*follower->getChild(i), syntax, tags, words, op);
    if (status == Part::BadOperator) {
      report(errorText, "In ", name(), " <", op, "> the only expected operator is <", syntax.listSeparator, ">");
      return nullptr;
    }
    if (status != Part::Ok) {
      report(errorText, "Interval ", syntax.rangeOpen, syntax.rangeClose, " is not a valid interval");
      return nullptr;
    }
    if (words.size() == 1 && words[0] == syntax.noVarWord) {
      noVar = true;
      continue;
    }
    if (words.size() == 1 && (words[0] == syntax.allTrueWord || words[0] == syntax.allFalseWord)) {
      if (follower->getChildCount() != 1) {
        report(errorText, "<", words[0], "> is only allowed if there is only one interval in ", name(), " effectivity");
        return nullptr;
      }
      eff->set(words[0] == syntax.allTrueWord ? Eff::AllTrue : Eff::AllFalse);
      return eff.release();
    }
    if (words.size() > 2) {
      report(errorText, "An interval cannot have more than 2 limits");
      return nullptr;
    }
    Interval range;
    if (FAILED(parseRange(words.front(), words.back(), range))) return nullptr;
    ranges.PutBack(range);
  }
  if (FAILED(eff->set(std::move(ranges)))) {
    report(errorText, "Interval ", name(), " is not a valid interval");
    return nullptr;
  }
  if (noVar) eff->orNoVar();
  return eff.release();
}

}  // namespace

KuvEeVarEff* KuvPiDateEffReader::read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data,
                                      KuvInString& errorText) {
  if (data.getObject() == nullptr) return nullptr;
  KuvEeDateVar* variable = KuvEeDateVar::cast(*data.getObject());
  if (variable == nullptr) return nullptr;
  if (FAILED(m_initializer.initIfNeeded(m_syntax, m_parser))) {
    report(errorText, "Cannot set the date parser up from the syntax for ", variable->getName());
    return nullptr;
  }
  return readIntervals<KuvEeDateEff, KuvInDateInterval>(
      node, m_syntax, m_tags, std::make_unique<KuvEeDateEff>(variable, KuvEeDateEff::AllFalse), m_words,
      errorText, [&](const KuvInString& first, const KuvInString& last, KuvInDateInterval& range) {
        KuvInDate start;
        KuvInDate end;
        for (auto [text, date, startOfDay] : {std::tuple{&first, &start, true}, std::tuple{&last, &end, false}})
          if (FAILED(m_parser.parse(*text, *date, startOfDay))) {
            report(errorText, "Cannot parse ", "date", " <", *text, ">");
            return E_FAIL;
          }
        if (FAILED(range.setInterval(start, end))) {
          report(errorText, "Interval ", m_syntax.rangeOpen, first, m_syntax.listSeparator, last, m_syntax.rangeClose,
                 " is not a valid interval");
          return E_FAIL;
        }
        return S_OK;
      });
}

KuvEeVarEff* KuvPiSerialEffReader::read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data,
                                        KuvInString& errorText) {
  if (data.getObject() == nullptr) return nullptr;
  KuvEeSerialVar* variable = KuvEeSerialVar::cast(*data.getObject());
  if (variable == nullptr) return nullptr;
  if (FAILED(m_initializer.initIfNeeded(m_syntax, m_parser))) {
    report(errorText, "Cannot set the serial parser up from the syntax for ", variable->getName());
    return nullptr;
  }
  return readIntervals<KuvEeSerialEff, KuvInSerialInterval>(
      node, m_syntax, m_tags, std::make_unique<KuvEeSerialEff>(variable, KuvEeSerialEff::AllFalse), m_words,
      errorText, [&](const KuvInString& first, const KuvInString& last, KuvInSerialInterval& range) {
        std::int32_t start = 0;
        std::int32_t end = 0;
        for (auto [text, value, startOfRange] : {std::tuple{&first, &start, true}, std::tuple{&last, &end, false}})
          if (FAILED(m_parser.parse(*text, *value, startOfRange))) {
            report(errorText, "Cannot parse ", "serial", " <", *text, ">");
            return E_FAIL;
          }
        if (FAILED(range.setInterval(start, true, end, true))) {
          report(errorText, "Interval ", m_syntax.rangeOpen, first, m_syntax.listSeparator, last, m_syntax.rangeClose,
                 " is not a valid interval");
          return E_FAIL;
        }
        return S_OK;
      });
}

KuvPiRestrictionEffReader::KuvPiRestrictionEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags)
    : m_syntax(syntax), m_tags(tags) {}

KuvPiRestrictionEffReader::~KuvPiRestrictionEffReader() = default;

KuvEeRestrictionEff* KuvPiRestrictionEffReader::read(const KuvInTreeParserNode& node,
                                                     const std::vector<KuvPiSolvedData>& data,
                                                     KuvInString& errorText) const {
  KUV_TRACE_CALL("read");
  auto fail = [&](const char* message) -> KuvEeRestrictionEff* {
    KUV_TRACE_ERROR(message);
    report(errorText, message);
    return nullptr;
  };
  const KuvInString word = m_syntax.decode(node.getText());
  const KuvPiVarEffSyntax& s = m_syntax;
  std::unique_ptr<KuvEeRestrictionEff> restriction;
  KuvInObjectTypeClass* itemType = nullptr;
  KuvPiSolvedData::E_SolvedType solvedType = KuvPiSolvedData::E_NotFound;
  const char* setFailed = nullptr;
  if (word == s.serialWord || word == s.stateWord || word == s.unitWord || word == s.mplanWord) {
    restriction = std::make_unique<KuvEeSerialRestrictionEff>();
    itemType = KuvEeSerialVar::sType();
    solvedType = KuvPiSolvedData::E_SerialVar;
    setFailed = "ERROR: KuvEeSerialRestrictionEff::set failed";
  } else if (word == s.dateWord) {
    restriction = std::make_unique<KuvEeDateRestrictionEff>();
    itemType = KuvEeDateVar::sType();
    solvedType = KuvPiSolvedData::E_DateVar;
    setFailed = "ERROR: KuvEeDateRestrictionEff::set failed";
  } else if (word == s.specificationWord) {
    restriction = std::make_unique<KuvEeSelectionRestrictionEff>();
    itemType = KuvEeSelectionVar::sType();
    solvedType = KuvPiSolvedData::E_SelectionVar;
    setFailed = "ERROR: KuvEeSelectionRestrictionEff::set failed";
  } else if (word == s.categoryWord) {
    restriction = std::make_unique<KuvEeCategoryRestrictionEff>();
    itemType = KuvEeCategory::sType();
    solvedType = KuvPiSolvedData::E_Category;
    setFailed = "ERROR: KuvEeCategoryRestrictionEff::set failed";
  } else if (word == s.namedEffWord) {
    restriction = std::make_unique<KuvEePredefEffRestrictionEff>();
    itemType = KuvEePredefEff::sType();
    solvedType = KuvPiSolvedData::E_NamedEff;
    setFailed = "ERROR: KuvEePredefEffRestrictionEff::set failed";
  } else if (word == s.optionWord) {
    restriction = std::make_unique<KuvEeCategoryOptionRestrictionEff>();
    itemType = KuvEeCatOptionVar::sType();
    solvedType = KuvPiSolvedData::E_Category;
    setFailed = "ERROR: KuvEeCategoryOptionRestrictionEff::set failed";
  } else {
    return fail("ERROR: incorrect restriction type");
  }
  const Node* follower = node.getFollower();
  if (follower == nullptr || follower->getTag() != m_tags.range) return fail("ERROR: unexpected type");
  const bool isOption = word == s.optionWord;
  if (isOption && follower->getChildCount() != 2) return fail("ERROR: Should have and only have 2 childs");
  if (!isOption && follower->getChildCount() != 1) return fail("ERROR: Should only have one child");
  if (isOption && data.size() != 1) return fail("ERROR: Only one category should be specified");

  KuvInSet items(itemType);
  for (const KuvPiSolvedData& datum : data) {
    if (datum.getObject() == nullptr) return fail("ERROR: NULL pointer");
    if (datum.getType() != solvedType) return fail("ERROR: incorrect solvedDataType");
    if (isOption) continue;
    // A name met twice is one item; an item of another class fails the set.
    if (!KuvInObjectTypeClass::isa(datum.getObject()->dType(), itemType)) return fail(setFailed);
    items.Put(datum.getObject());
  }
  if (isOption) {
    KuvEeCategory* category = KuvEeCategory::cast(*data.front().getObject());
    std::vector<KuvInString> words;
    KuvInString op;
    if (category == nullptr || partWords(*follower->getChild(1), m_syntax, m_tags, words, op) != Part::Ok)
      return fail("ERROR: unexpected type");
    for (const KuvInString& optionName : words) {
      KuvEeCatOptionVar* option = category->getOptionVar(optionName);
      if (option == nullptr) {
        report(errorText, "<", optionName, "> is not an option of category <", category->getName(), ">");
        return fail(setFailed);
      }
      items.Put(option);
    }
  }
  if (FAILED(restriction->setVariables(items))) return fail(setFailed);
  return restriction.release();
}
