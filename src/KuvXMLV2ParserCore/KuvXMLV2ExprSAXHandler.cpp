#include "KuvXMLV2ExprSAXHandler.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <memory>
#include <vector>

#include "KuvEeAndOp.h"
#include "KuvEeCategory.h"
#include "KuvEeChangeExpression.h"
#include "KuvEeCompositionMatrixExpression.h"
#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeFalse.h"
#include "KuvEeFilterExpression.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEeNotOp.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeOrOp.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInHexaEncodingServices.h"
#include "KuvInIntHolder.h"
#include "KuvInLinkList.h"
#include "KuvInMapVal.h"
#include "KuvMallocArray.h"
#include "KuvOutOfMemory.h"
#include "KuvXMLV2ExpressionData.h"
#include "KuvXMLV2ParserErrorWriter.h"

KUV_DEFINE_TYPE(KuvXMLV2ExprSAXHandler, KuvXMLV2SAXHandlerBase)

namespace {

using Tree = std::unique_ptr<KuvEeNodeRef>;

// The open ends of a series range.
constexpr std::int32_t sc_lowest = -2000000000;
constexpr std::int32_t sc_highest = 2000000000;
constexpr std::int32_t sc_largestValue = 999999999;

// The attributes each element of the vocabulary may carry.
struct ElementRule {
  const char* element;
  std::vector<const char*> attributes;
};

const std::vector<ElementRule>& vocabulary() {
  static const std::vector<ElementRule> rules = {
      {"CfgEffectivityExpression", {"xmlns", "xmlns:xsi", "xsi:schemaLocation"}},
      {"CfgChangeExpression", {"xmlns", "xmlns:xsi", "xsi:schemaLocation"}},
      {"CfgFilterExpression", {"xmlns", "xmlns:xsi", "xsi:schemaLocation"}},
      {"CfgCompositionMatrixExpression", {"xmlns", "xmlns:xsi", "xsi:schemaLocation"}},
      {"SchemaVersion", {}},
      {"Global", {}},
      {"Expression", {}},
      {"IF", {}},
      {"THEN", {}},
      {"Rule", {}},
      {"MultiContextView", {}},
      {"FilterSelection", {"SelectionMode"}},
      {"Context", {"HolderType", "HolderName"}},
      {"AND", {}},
      {"OR", {}},
      {"NOT", {}},
      {"Boolean", {}},
      {"Feature", {"Type", "Name", "SelectedBy", "DescId"}},
      {"Series", {"Type", "Name"}},
      {"TreeSeries", {"Type", "Name"}},
      {"MilestonesTrack", {"Discipline", "Name"}},
      {"Date", {"DescId"}},
      {"Single", {"Name", "Revision", "DerivedDate", "IsExcluded"}},
      {"Tree", {}},
      {"Root", {"Name", "Revision", "DerivedDate", "IsExcluded"}},
      {"Leaf", {"Name", "Revision", "DerivedDate", "IsExcluded"}},
      {"SingleValue", {"Value"}},
      {"Interval", {}},
      {"From", {"Value", "IsExcluded"}},
      {"To", {"Value", "IsExcluded"}},
      {"OperationHandler", {"Name", "Type", "OperationHandlerId"}},
      {"InheritedEff", {"HolderType", "HolderName", "FilterableName", "FilterableId"}},
  };
  return rules;
}

const ElementRule* ruleOf(const KuvInString& name) {
  for (const ElementRule& rule : vocabulary())
    if (name == KuvInString(rule.element)) return &rule;
  return nullptr;
}

const KuvInString* attribute(const KuvInMapVal& attributes, const char* name) {
  const KuvInObjectVal* value = attributes.Get(KuvInString(name));
  return value != nullptr ? KuvInString::cast(*value) : nullptr;
}

// A whole decimal integer of 32 bits: no blanks, no trailing text.
bool parseInt(const KuvInString& text, std::int32_t& value) {
  const char* chars = text.ConvertToChar();
  const char* end = chars + std::strlen(chars);
  const auto [stop, error] = std::from_chars(chars, end, value);
  return error == std::errc() && stop == end && stop != chars;
}

bool isRoot(const KuvInString& name) {
  return name == KuvInString("CfgEffectivityExpression") || name == KuvInString("CfgChangeExpression") ||
         name == KuvInString("CfgFilterExpression") || name == KuvInString("CfgCompositionMatrixExpression");
}

// An InheritedEff leaf, or an Or of them: what the writer writes for an
// inherited-effectivity tree.
bool isInheritedOnly(const KuvEeNode& node) {
  if (KuvEeEffLeaf::isObjectOfThisType(node)) return true;
  const auto* group = KuvEeOrOp::cast(node);
  if (group == nullptr) return false;
  KuvInLinkList children(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(group->getChildrenRefs(children));
  if (children.GetLength() == 0) return false;
  for (KuvInLinkList::const_iterator it = children.cBegin(); it.IsValid(); it.Next())
    if (!KuvEeEffLeaf::isObjectOfThisType(*static_cast<KuvEeNodeRef*>(it.Get())->getNode())) return false;
  return true;
}

// The GUID written as 32 hexadecimal digits of either case; false for any
// other text.
bool guidOfText(const KuvInString& text, KuvInGuid& guid) {
  const char* digits = text.ConvertToChar();
  if (digits == nullptr || std::strlen(digits) != 2 * KuvInGuid::sc_size) return false;
  for (const char* c = digits; *c != '\0'; ++c)
    if (std::isxdigit(static_cast<unsigned char>(*c)) == 0) return false;
  unsigned char* raw = nullptr;
  std::int32_t count = 0;
  if (KuvInHexaEncodingServices::decode_hex(digits, 2 * KuvInGuid::sc_size, raw, count) != 0) return false;
  const kuv::detail::MallocArray<unsigned char> bytes(raw);
  if (bytes == nullptr || count != KuvInGuid::sc_size) return false;
  guid.setArray(bytes.get());
  return true;
}

}  // namespace

namespace kuv::detail {

// A criterion element being read, until its end makes leaves of it.
struct XMLCriterion {
  enum Kind { FEATURE, SERIES, DATE, MILESTONES, TREE_SERIES };

  XMLCriterion(Kind k, const KuvInString& element) : kind(k), name(element), ranges(), selections() {}

  Kind kind;
  KuvInString name;
  // Feature: the feature, then its options (category) or its selection.
  KuvEeCategory* category = nullptr;
  std::vector<std::pair<KuvEeCatOptionVar*, KuvCriteriaSelectedBy>> options;
  std::unique_ptr<KuvEeSelectionEff> selection;
  int level = 0;
  // Series and dates: the variable and the ranges read so far.
  std::unique_ptr<KuvEeVarEff> eff;
  KuvInListVal ranges;
  // The Interval being read: whether From and To came.
  bool inInterval = false;
  std::int32_t low = sc_lowest;
  bool lowIncluded = true;
  std::int32_t high = sc_highest;
  bool highIncluded = true;
  KuvInDate lowDate;
  KuvInDate highDate;
  // Tree criteria: the selections read so far and the open Tree.
  KuvInListVal selections;
  std::unique_ptr<KuvEeTreeSelection> tree;
};

struct XMLExprReading {
  enum class Part { NONE, EXPRESSION, GLOBAL, CONTEXT, FILTER, IF, THEN };

  XMLExprReading(KuvXMLV2ExprSAXHandler& handler, KuvEeExpressionContext& context,
                 const KuvXMLV2ExpressionData& data, unsigned char strictArity, unsigned char ignoreUnknown,
                 unsigned char readSelectedBy, unsigned char checkVersion)
      : m_handler(handler),
        m_context(context),
        m_data(data),
        m_strictArity(strictArity != 0),
        m_ignoreUnknown(ignoreUnknown != 0),
        m_readSelectedBy(readSelectedBy != 0),
        m_checkVersion(checkVersion != 0) {}

  void reset() {
    m_stack.clear();
    m_pending.clear();
    m_criterion.reset();
    m_expression.reset();
    m_kind = 0;
    m_part = Part::NONE;
    m_outer = Part::NONE;
    m_dico = nullptr;
    m_skipDepth = 0;
    m_depth = 0;
    m_text = KuvInString();
    m_inText = false;
    m_complete = false;
  }

  HRESULT start(const KuvInString& name, const KuvInMapVal& attributes);
  HRESULT end(const KuvInString& name);

  // Records the message of kind (unless an error is recorded already);
  // the caller then traces and fails.
  void record(CFG_DATA_ERROR_KIND kind, CRITERIA_TYPE type = CRITERIA_TYPE{}, const KuvInString& s1 = "",
              const KuvInString& s2 = "") {
    m_handler.recordDataError(KuvXMLV2ParserErrorWriter::WriteMessage(kind, type, s1, s2, ""));
  }
  KuvInTraceClass& channel() const { return m_handler.channel(); }

  HRESULT startRoot(const KuvInString& name);
  HRESULT startContext(const KuvInMapVal& attributes);
  HRESULT startFilterSelection(const KuvInMapVal& attributes);
  HRESULT startFeature(const KuvInMapVal& attributes);
  HRESULT startSeries(const KuvInMapVal& attributes, bool tree);
  HRESULT startMilestonesTrack(const KuvInMapVal& attributes);
  HRESULT startDate();
  HRESULT startBound(const KuvInString& element, const KuvInMapVal& attributes);
  HRESULT startValue(const KuvInString& element, const KuvInMapVal& attributes);
  HRESULT startInheritedEff(const KuvInMapVal& attributes);
  HRESULT endCriterion();
  HRESULT endInterval();
  HRESULT endBoolean();
  HRESULT endContext();
  HRESULT endOperator(const KuvInString& name);
  HRESULT endWithoutStart(const KuvInString& name);
  // Where a node read goes: into the open operator, else into the part.
  HRESULT attach(Tree node, bool push);
  // The part's trees become the global criteria.
  HRESULT promoteGlobal();
  HRESULT addToFilter(KuvEeVarEff* eff);
  KuvEeModelDico* defaultModel() const;
  KuvEeModelDico* namedModel(const KuvInMapVal& attributes) const;

  KuvXMLV2ExprSAXHandler& m_handler;
  KuvEeExpressionContext& m_context;
  const KuvXMLV2ExpressionData& m_data;
  bool m_strictArity;
  bool m_ignoreUnknown;
  bool m_readSelectedBy;
  bool m_checkVersion;

  int m_kind = 0;
  std::unique_ptr<KuvEeExpression> m_expression;
  // Open operators, owned by their parents or by m_pending.
  std::vector<KuvEeOp*> m_stack;
  // Trees of the current part not yet given to the expression.
  std::vector<Tree> m_pending;
  std::unique_ptr<XMLCriterion> m_criterion;
  Part m_part = Part::NONE;
  // The part around the current Context.
  Part m_outer = Part::NONE;
  KuvEeModelDico* m_dico = nullptr;
  int m_skipDepth = 0;
  int m_depth = 0;
  KuvInString m_text;
  bool m_inText = false;
  bool m_complete = false;
};

}  // namespace kuv::detail

using kuv::detail::XMLCriterion;
using kuv::detail::XMLExprReading;
using Part = XMLExprReading::Part;

// Records the data error and fails with a trace on the handler's channel.
#define KUV_XML_REFUSE(kind, type, s1, s2, ...)          \
  do {                                                   \
    record((kind), (type), (s1), (s2));                  \
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, __VA_ARGS__); \
  } while (0)

KuvEeModelDico* XMLExprReading::defaultModel() const {
  if (m_dico != nullptr) return m_dico;
  if (m_data.GetModelDico() != nullptr) return m_data.GetModelDico();
  const KuvInMap* models = nullptr;
  if (m_context.GetAllDictionariesByName(models) != S_OK || models == nullptr || models->GetLength() != 1)
    return nullptr;
  return KuvEeModelDico::cast(*models->cBegin().GetVal());
}

KuvEeModelDico* XMLExprReading::namedModel(const KuvInMapVal& attributes) const {
  KuvEeModelDico* model = nullptr;
  if (const KuvInString* name = attribute(attributes, "Name"); name != nullptr)
    if (m_context.GetModelDico(*name, model) == S_OK) return model;
  return defaultModel();
}

HRESULT XMLExprReading::start(const KuvInString& name, const KuvInMapVal& attributes) {
  if (m_skipDepth > 0) {
    ++m_skipDepth;
    return S_OK;
  }
  if (++m_depth > kMaxTransformDepth)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Elements nested deeper than ",
                   kMaxTransformDepth, " levels.");
  if (name == KuvInString("Description")) {
    KUV_TRACE_DETAIL_ON(channel(), "========= SKIP DESCRIPTION MODE =============");
    m_skipDepth = 1;
    return S_OK;
  }
  const ElementRule* rule = ruleOf(name);
  if (rule == nullptr) {
    if (m_ignoreUnknown) {
      m_skipDepth = 1;
      return S_OK;
    }
    KUV_XML_REFUSE(CFG_ERR_UNSUPPORTED, CRITERIA_TYPE{}, "", "", "ERROR: Unknown element ", name);
  }
  for (auto it = attributes.cBegin(); !it.IsEnd(); it.Next()) {
    const auto* key = KuvInString::cast(*it.GetKey());
    bool known = false;
    for (const char* allowed : rule->attributes) known = known || *key == KuvInString(allowed);
    if (!known)
      KUV_XML_REFUSE(CFG_ERR_UNSUPPORTED, CRITERIA_TYPE{}, "", "", "ERROR: Unknown attribute ", *key,
                     " of element ", name);
  }
  if (isRoot(name)) return startRoot(name);
  if (m_expression == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Element ", name,
                   " encountered outside an expression.");
  const bool isOperator =
      name == KuvInString("AND") || name == KuvInString("OR") || name == KuvInString("NOT");
  // Wherever it stands, an operator is what makes a filter document wrong.
  if (isOperator && m_kind == 2)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "",
                   "ERROR: usage of operators forbidden in Query expression.");
  if (m_criterion != nullptr && name != KuvInString("Feature") && name != KuvInString("Single") &&
      name != KuvInString("Tree") && name != KuvInString("Root") && name != KuvInString("Leaf") &&
      name != KuvInString("SingleValue") && name != KuvInString("Interval") && name != KuvInString("From") &&
      name != KuvInString("To"))
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Encountered element ", name,
                   " inside criterion ", m_criterion->name);
  if (name == KuvInString("SchemaVersion") || name == KuvInString("Boolean")) {
    m_inText = true;
    m_text = KuvInString();
    return S_OK;
  }
  if (name == KuvInString("Expression")) {
    if ((m_kind != 1 && m_kind != 3) || m_part != Part::NONE)
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unexpected element Expression.");
    m_part = Part::EXPRESSION;
    return S_OK;
  }
  if (name == KuvInString("Global")) {
    if (m_part != Part::EXPRESSION || !m_pending.empty())
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unexpected element Global.");
    m_part = Part::GLOBAL;
    return S_OK;
  }
  if (name == KuvInString("MultiContextView")) {
    if (m_part != Part::EXPRESSION)
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "",
                     "ERROR: Unexpected element MultiContextView.");
    KUV_TRACE_DETAIL_ON(channel(), "Create global criteria expression:\n");
    return promoteGlobal();
  }
  if (name == KuvInString("IF") || name == KuvInString("THEN")) {
    if (m_kind != 4 || m_part != Part::NONE)
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unexpected element ", name);
    m_part = name == KuvInString("IF") ? Part::IF : Part::THEN;
    return S_OK;
  }
  if (name == KuvInString("Rule")) {
    if (m_kind != 4 || m_part != Part::NONE)
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unexpected element Rule.");
    return S_OK;
  }
  if (name == KuvInString("FilterSelection")) return startFilterSelection(attributes);
  if (name == KuvInString("Context")) return startContext(attributes);
  if (m_part == Part::NONE || m_part == Part::IF || m_part == Part::THEN)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Element ", name,
                   " encountered outside an expression part.");
  if (isOperator) {
    KuvEeOp* op = name == KuvInString("AND")  ? static_cast<KuvEeOp*>(new KuvEeAndOp)
                  : name == KuvInString("OR") ? static_cast<KuvEeOp*>(new KuvEeOrOp)
                                              : static_cast<KuvEeOp*>(new KuvEeNotOp(0));
    if (FAILED(attach(Tree(op->getNodeRef()), true)))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: AttachNodeToParentAndPutInStack FAILED. ");
    return S_OK;
  }
  if (name == KuvInString("Feature")) return startFeature(attributes);
  if (name == KuvInString("Series")) return startSeries(attributes, false);
  if (name == KuvInString("TreeSeries")) return startSeries(attributes, true);
  if (name == KuvInString("MilestonesTrack")) return startMilestonesTrack(attributes);
  if (name == KuvInString("Date")) return startDate();
  if (name == KuvInString("Single") || name == KuvInString("Tree") || name == KuvInString("Root") ||
      name == KuvInString("Leaf"))
    return startBound(name, attributes);
  if (name == KuvInString("SingleValue") || name == KuvInString("Interval") || name == KuvInString("From") ||
      name == KuvInString("To"))
    return startValue(name, attributes);
  if (name == KuvInString("OperationHandler"))
    KUV_XML_REFUSE(CFG_ERR_CHANGE_FORBIDDEN, CRITERIA_CHANGE, "", "",
                   "ERROR: forbidden to use Operation Handlers through XML expression.");
  return startInheritedEff(attributes);
}

HRESULT XMLExprReading::startRoot(const KuvInString& name) {
  if (m_expression != nullptr || m_complete)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Encountered a second root element ",
                   name);
  if (name == KuvInString("CfgEffectivityExpression")) {
    m_kind = 1;
    m_expression = std::make_unique<KuvEeEffectivityExpression>();
  } else if (name == KuvInString("CfgCompositionMatrixExpression")) {
    m_kind = 4;
    m_expression = std::make_unique<KuvEeCompositionMatrixExpression>();
  } else if (name == KuvInString("CfgChangeExpression")) {
    m_kind = 3;
    m_expression = std::make_unique<KuvEeChangeExpression>();
  } else {
    m_kind = 2;
    m_expression = std::make_unique<KuvEeFilterExpression>();
  }
  return S_OK;
}

HRESULT XMLExprReading::startFilterSelection(const KuvInMapVal& attributes) {
  if (m_kind != 2 || m_part != Part::NONE)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unexpected element FilterSelection.");
  const KuvInString* mode = attribute(attributes, "SelectionMode");
  if (mode == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: attribute QUERY MODE not found.");
  auto* filter = static_cast<KuvEeFilterExpression*>(m_expression.get());
  if (*mode == KuvInString("Strict"))
    filter->setSelectionMode(KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  else if (*mode == KuvInString("150%"))
    filter->setSelectionMode(KuvEeFilterExpression::CFG_SELECTIONMODE_150);
  else
    KUV_XML_REFUSE(CFG_ERR_UNSUPPORTED, CRITERIA_TYPE{}, "", "", "ERROR: Unexpected SelectionMode ", *mode);
  filter->setSpecList(new KuvQmSpecList);
  filter->setModelDico(defaultModel());
  m_part = Part::FILTER;
  return S_OK;
}

HRESULT XMLExprReading::startContext(const KuvInMapVal& attributes) {
  const KuvInString* holder = attribute(attributes, "HolderName");
  if (holder == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: attribute HolderName not found.");
  KuvEeModelDico* model = nullptr;
  if (m_context.GetModelDico(*holder, model) != S_OK || model == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unable to retrieve EeModelDico ",
                   *holder);
  if (m_part == Part::FILTER) {
    auto* filter = static_cast<KuvEeFilterExpression*>(m_expression.get());
    if (m_dico != nullptr || !filter->getSpecList()->IsEmpty() || filter->getCondition() == 0)
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "",
                     "ERROR : forbidden to use context tag along with global criteria for filter expression");
    filter->setModelDico(model);
    m_dico = model;
    return S_OK;
  }
  if (m_part == Part::EXPRESSION) {
    if (const HRESULT hr = promoteGlobal(); FAILED(hr)) return hr;
  } else if (m_part != Part::IF && m_part != Part::THEN) {
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unexpected element Context.");
  }
  m_outer = m_part;
  m_part = Part::CONTEXT;
  m_dico = model;
  return S_OK;
}

HRESULT XMLExprReading::startFeature(const KuvInMapVal& attributes) {
  const KuvInString* name = attribute(attributes, "Name");
  if (name == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "",
                   "ERROR: Element Feature doesn't have attribute Name");
  if (m_criterion == nullptr) {
    KuvEeModelDico* model = defaultModel();
    KuvEeDicoObject* feature = nullptr;
    const HRESULT hr = model != nullptr ? model->getConfigFeature(*name, feature)
                                        : m_context.GetConfigFeature(*name, feature);
    if (hr != S_OK || feature == nullptr)
      KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_FEATURE, *name, "",
                     "ERROR: Unable to retrieve Feature ", *name);
    m_criterion = std::make_unique<XMLCriterion>(XMLCriterion::FEATURE, "Feature");
    m_criterion->level = 1;
    if (auto* variable = KuvEeSelectionVar::cast(*feature))
      m_criterion->selection = std::make_unique<KuvEeSelectionEff>(variable, KuvEeSelectionEff::AllFalse);
    else
      m_criterion->category = KuvEeCategory::cast(*feature);
    return S_OK;
  }
  if (m_criterion->kind != XMLCriterion::FEATURE || ++m_criterion->level > 2)
    KUV_XML_REFUSE(CFG_ERR_FEATURE_LEVEL, CRITERIA_TYPE{}, "", "",
                   "ERROR: Feature level higher than 2 found.");
  KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None;
  if (const KuvInString* by = attribute(attributes, "SelectedBy"); by != nullptr && m_readSelectedBy) {
    if (*by == KuvInString("User"))
      selectedBy = KuvCriteriaSelectedBy_UserSelected;
    else if (*by == KuvInString("Rule"))
      selectedBy = KuvCriteriaSelectedBy_RuleDeduced;
    else if (*by == KuvInString("Default"))
      selectedBy = KuvCriteriaSelectedBy_DefaultValue;
    else
      KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, CRITERIA_OPTION, *name, *by, "ERROR: Unexpected SelectedBy ",
                     *by);
  }
  if (m_criterion->category != nullptr) {
    KuvEeCatOptionVar* option = m_criterion->category->getOptionVar(*name);
    if (option == nullptr)
      KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_FEATURE, *name, "",
                     "ERROR: Unable to retrieve option ", *name);
    m_criterion->options.emplace_back(option, selectedBy);
    return S_OK;
  }
  KuvEeSelectionValue* value = m_criterion->selection->getSelectionVar()->getValue(*name);
  if (value == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_FEATURE, *name, "", "ERROR: Unable to retrieve value ",
                   *name);
  m_criterion->selection->add(value, selectedBy);
  return S_OK;
}

HRESULT XMLExprReading::startSeries(const KuvInMapVal& attributes, bool tree) {
  const KuvInString* type = attribute(attributes, "Type");
  const KuvInString typeText = type != nullptr ? *type : KuvInString();
  KuvEeModelDico* model = namedModel(attributes);
  const KuvInString modelName = model != nullptr                           ? model->getName()
                                : attribute(attributes, "Name") != nullptr ? *attribute(attributes, "Name")
                                                                           : KuvInString();
  if (!tree) {
    if (typeText != KuvInString("Unit"))
      KUV_XML_REFUSE(CFG_ERR_UNSUPPORTED, CRITERIA_UNIT, "", "",
                     "ERROR:unexpected case. Only 'Unit' Series are valid for now.");
    KuvEeSerialVar* variable = model != nullptr ? model->getSeriesVariable(KuvEeSerialVar::UNIT) : nullptr;
    if (variable == nullptr)
      KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_UNIT, modelName, "",
                     "ERROR: Unable to retrieve TreeSeriesVar or SerialVar from EeModelDico ", modelName);
    m_criterion = std::make_unique<XMLCriterion>(XMLCriterion::SERIES, "Series");
    m_criterion->eff = std::make_unique<KuvEeSerialEff>(variable, KuvEeSerialEff::AllFalse);
    m_criterion->ranges = KuvInListVal(KuvInSerialInterval::sType());
    return S_OK;
  }
  std::int32_t treeType = 0;
  if (typeText == KuvInString("ProductState"))
    treeType = KuvEeSerialVar::TREE_STATE;
  else if (typeText == KuvInString("ManufPlan"))
    treeType = KuvEeSerialVar::TREE_MANUF_PLAN;
  else
    KUV_XML_REFUSE(CFG_ERR_UNSUPPORTED, CRITERIA_STATE, "", "", "ERROR: Unexpected type of TreeSeries ",
                   typeText);
  KuvEeTreeSeriesVar* variable = model != nullptr ? model->getTreeSeriesVariable(treeType) : nullptr;
  const CRITERIA_TYPE criteria = treeType == KuvEeSerialVar::TREE_STATE ? CRITERIA_STATE : CRITERIA_MPLAN;
  if (variable == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, criteria, modelName, "",
                   "ERROR: Unable to retrieve TreeSeriesVar or SerialVar from EeModelDico ", modelName);
  m_criterion = std::make_unique<XMLCriterion>(XMLCriterion::TREE_SERIES, "TreeSeries");
  m_criterion->eff = std::make_unique<KuvEeTreeSeriesEff>(variable, KuvEeTreeSeriesEff::AllFalse);
  m_criterion->selections = KuvInListVal(KuvEeTreeSeriesSelection::sType());
  return S_OK;
}

HRESULT XMLExprReading::startMilestonesTrack(const KuvInMapVal& attributes) {
  const KuvInString* discipline = attribute(attributes, "Discipline");
  const KuvInString text = discipline != nullptr ? *discipline : KuvInString();
  KuvEeModelDico* model = defaultModel();
  KuvEeMilestonesVar* track = nullptr;
  if (model == nullptr || model->getMilestonesTrackDiscipline(text, track) != S_OK || track == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_MILESTONE, text, "",
                   "ERROR: Unable to retrieve MilestonesVar with Discipline ", text);
  m_criterion = std::make_unique<XMLCriterion>(XMLCriterion::MILESTONES, "MilestonesTrack");
  m_criterion->eff = std::make_unique<KuvEeMilestonesEff>(track, KuvEeMilestonesEff::AllFalse);
  m_criterion->selections = KuvInListVal(KuvEeMilestonesSelection::sType());
  return S_OK;
}

HRESULT XMLExprReading::startDate() {
  KuvEeModelDico* model = defaultModel();
  KuvEeDateVar* variable = model != nullptr ? model->getDateVariable() : nullptr;
  if (variable == nullptr && (m_context.GetDate(variable) != S_OK || variable == nullptr))
    KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_DATE, "Date", "",
                   "ERROR: Unable to retrieve the date variable.");
  m_criterion = std::make_unique<XMLCriterion>(XMLCriterion::DATE, "Date");
  m_criterion->eff = std::make_unique<KuvEeDateEff>(variable, KuvEeDateEff::AllFalse);
  m_criterion->ranges = KuvInListVal(KuvInDateInterval::sType());
  return S_OK;
}

HRESULT XMLExprReading::startBound(const KuvInString& element, const KuvInMapVal& attributes) {
  XMLCriterion* c = m_criterion.get();
  const bool single = element == KuvInString("Single") || element == KuvInString("Tree");
  if (c == nullptr || (c->kind != XMLCriterion::MILESTONES && c->kind != XMLCriterion::TREE_SERIES) ||
      (single && c->tree != nullptr))
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Encountered element ", element,
                   " isn't into a TreeSeries or a MilestonesTrack");
  if (element == KuvInString("Tree")) {
    if (c->kind == XMLCriterion::MILESTONES)
      c->tree = std::make_unique<KuvEeMilestonesSelection>();
    else
      c->tree = std::make_unique<KuvEeTreeSeriesSelection>();
    return S_OK;
  }
  if (!single && c->tree == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Encountered element ", element,
                   " isn't into a Tree");
  const KuvInString* name = attribute(attributes, "Name");
  const KuvInString nameText = name != nullptr ? *name : KuvInString();
  const KuvInString* excluded = attribute(attributes, "IsExcluded");
  if (excluded != nullptr && *excluded != KuvInString("true") && *excluded != KuvInString("false"))
    KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE,
                   c->kind == XMLCriterion::MILESTONES ? CRITERIA_MILESTONE : CRITERIA_STATE, nameText,
                   *excluded, "ERROR: Unexpected IsExcluded ", *excluded);
  const bool included = excluded == nullptr || *excluded == KuvInString("false");
  std::unique_ptr<KuvEeTreeSelectionBound> bound;
  if (c->kind == XMLCriterion::MILESTONES) {
    KuvEeMilestone* milestone = nullptr;
    const auto* track = static_cast<KuvEeMilestonesEff*>(c->eff.get())->getMilestonesVar();
    if (m_context.RetrieveMilestone(track, nameText, milestone) != S_OK || milestone == nullptr)
      KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_MILESTONE, nameText, "",
                     "ERROR: Unable to retrieve Milestone with name ", nameText);
    bound = std::make_unique<KuvEeMilestonesSelectionBound>(milestone, included);
  } else {
    const KuvInString* revision = attribute(attributes, "Revision");
    const KuvInString revisionText = revision != nullptr ? *revision : KuvInString();
    const auto* variable = static_cast<KuvEeTreeSeriesEff*>(c->eff.get())->getTreeSeriesVar();
    KuvEeTreeSeriesElement* target = nullptr;
    if (m_context.RetrieveTreeSeriesElement(variable, nameText, revisionText, target) != S_OK ||
        target == nullptr)
      KUV_XML_REFUSE(
          CFG_ERR_UNKNOWN_CRITERIA,
          variable->getExternalType() == KuvEeSerialVar::TREE_STATE ? CRITERIA_STATE : CRITERIA_MPLAN,
          nameText, "", "ERROR : Unable to retrieve TreeSeriesElement with name ", nameText, " and revision ",
          revisionText);
    bound = std::make_unique<KuvEeTreeSeriesSelectionBound>(target, included);
  }
  if (element == KuvInString("Single")) {
    std::unique_ptr<KuvEeTreeSelection> selection;
    if (c->kind == XMLCriterion::MILESTONES)
      selection = std::make_unique<KuvEeMilestonesSelection>();
    else
      selection = std::make_unique<KuvEeTreeSeriesSelection>();
    selection->setSingleSelection(*bound);
    c->selections.PutBack(*selection);
    return S_OK;
  }
  const HRESULT hr = element == KuvInString("Root")
                         ? (c->tree->getFromBound() != nullptr ? E_FAIL : c->tree->setFromBound(*bound))
                         : (c->tree->getFromBound() == nullptr ? E_FAIL : c->tree->addToBound(*bound));
  if (FAILED(hr))
    KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE,
                   c->kind == XMLCriterion::MILESTONES ? CRITERIA_MILESTONE : CRITERIA_STATE, c->name,
                   nameText, "ERROR: Unable to place bound ", nameText, " in its Tree.");
  return S_OK;
}

HRESULT XMLExprReading::startValue(const KuvInString& element, const KuvInMapVal& attributes) {
  XMLCriterion* c = m_criterion.get();
  const bool end = element == KuvInString("From") || element == KuvInString("To");
  if (c == nullptr || (c->kind != XMLCriterion::SERIES && c->kind != XMLCriterion::DATE) ||
      end != c->inInterval)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Encountered element ", element,
                   " isn't into a Series or a Date");
  const bool dates = c->kind == XMLCriterion::DATE;
  const CRITERIA_TYPE criteria = dates ? CRITERIA_DATE : CRITERIA_UNIT;
  if (element == KuvInString("Interval")) {
    c->inInterval = true;
    c->low = sc_lowest;
    c->lowIncluded = c->highIncluded = true;
    c->high = sc_highest;
    c->lowDate.setInfNeg();
    c->highDate.setInfPos();
    return S_OK;
  }
  const KuvInString* value = attribute(attributes, "Value");
  if (value == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Element ", element,
                   " doesn't have attribute Value");
  if (!end && value->IsSubStringAt(0, "INF"))
    KUV_XML_REFUSE(CFG_ERR_INF_SINGLE_VALUE, criteria, "", "", "ERROR: INF value for a SingleValue.");
  const KuvInString* excluded = attribute(attributes, "IsExcluded");
  if (excluded != nullptr && *excluded != KuvInString("true") && *excluded != KuvInString("false"))
    KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, criteria, c->name, *excluded, "ERROR: Unexpected IsExcluded ",
                   *excluded);
  const bool included = excluded == nullptr || *excluded == KuvInString("false");
  if (dates) {
    KuvInDate first;
    KuvInDate last;
    if (value->GetLengthInChar() < 10 || FAILED(first.ParseDateValue(*value, true)) ||
        FAILED(last.ParseDateValue(*value, false)))
      KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, criteria, c->name, *value, "ERROR: Unable to parse date ",
                     *value);
    if (element == KuvInString("From")) {
      c->lowDate = first;
      if (!included) c->lowDate.nextSecond();
    } else if (element == KuvInString("To")) {
      c->highDate = last;
      if (!included) c->highDate.prevSecond();
    } else {
      KuvInDateInterval range;
      KuvInListVal one(KuvInDateInterval::sType());
      if (FAILED(range.setInterval(first, last)) || one.PutBack(range) == nullptr ||
          FAILED(KuvInDateInterval::opAdd(c->ranges, one)))
        KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, criteria, c->name, *value, "ERROR: Invalid date ", *value);
    }
    return S_OK;
  }
  std::int32_t number = 0;
  if (!parseInt(*value, number) || (!end && (number < -sc_largestValue || number > sc_largestValue)))
    KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, criteria, c->name, *value, "ERROR: Unable to convert value ",
                   *value);
  if (element == KuvInString("From")) {
    c->low = number;
    c->lowIncluded = included;
  } else if (element == KuvInString("To")) {
    c->high = number;
    c->highIncluded = included;
  } else {
    KuvInSerialInterval range;
    KuvInListVal one(KuvInSerialInterval::sType());
    if (FAILED(range.setInterval(number, true, number, true)) || one.PutBack(range) == nullptr ||
        FAILED(KuvInSerialInterval::opAdd(c->ranges, one)))
      KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, criteria, c->name, *value, "ERROR: Invalid value ", *value);
  }
  return S_OK;
}

HRESULT XMLExprReading::endInterval() {
  XMLCriterion* c = m_criterion.get();
  c->inInterval = false;
  HRESULT hr = S_OK;
  if (c->kind == XMLCriterion::DATE) {
    KuvInDateInterval range;
    KuvInListVal one(KuvInDateInterval::sType());
    hr = range.setInterval(c->lowDate, c->highDate);
    if (SUCCEEDED(hr) && one.PutBack(range) == nullptr) hr = E_FAIL;
    if (SUCCEEDED(hr)) hr = KuvInDateInterval::opAdd(c->ranges, one);
  } else {
    KuvInSerialInterval range;
    KuvInListVal one(KuvInSerialInterval::sType());
    hr = range.setInterval(c->low, c->lowIncluded, c->high, c->highIncluded);
    if (SUCCEEDED(hr) && one.PutBack(range) == nullptr) hr = E_FAIL;
    if (SUCCEEDED(hr)) hr = KuvInSerialInterval::opAdd(c->ranges, one);
  }
  if (FAILED(hr))
    KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, c->kind == XMLCriterion::DATE ? CRITERIA_DATE : CRITERIA_UNIT,
                   c->name, "Interval", "ERROR: Invalid interval in ", c->name);
  return S_OK;
}

HRESULT XMLExprReading::startInheritedEff(const KuvInMapVal& attributes) {
  if (m_kind == 2)
    KUV_XML_REFUSE(CFG_ERR_INHERITED_IN_QUERY, CRITERIA_INHERITED_EFFECTIVITY, "", "",
                   "ERROR: Inherited effectivities are forbidden in a filter expression.");
  // Only the writer's AND around a Context's two trees may hold an
  // inherited effectivity directly; otherwise they are alternatives.
  if (!m_stack.empty() && !KuvEeOrOp::isObjectOfThisType(*m_stack.back()) &&
      !(m_stack.size() == 1 && m_part == Part::CONTEXT && KuvEeAndOp::isObjectOfThisType(*m_stack.back())))
    KUV_XML_REFUSE(
        CFG_ERR_UNEXPECTED, CRITERIA_INHERITED_EFFECTIVITY, "", "",
        "ERROR: unexpected, last operator should be OR op : we expect a OR between inherited effectivities.");
  const KuvInString* id = attribute(attributes, "FilterableId");
  if (id == nullptr)
    KUV_XML_REFUSE(CFG_ERR_INHERITED_ID_MISSING, CRITERIA_INHERITED_EFFECTIVITY, "", "",
                   "ERROR: attribute FilterableId not found.");
  const KuvInString* name = attribute(attributes, "FilterableName");
  if (name == nullptr)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_INHERITED_EFFECTIVITY, "", "",
                   "ERROR: attribute FilterableName not found.");
  // Found by the GUID the document carries when it names one of that name:
  // names of effectivities need not be unique.
  KuvInGuid guid;
  const bool decoded = guidOfText(*id, guid);
  KuvEeBasicEff* eff = nullptr;
  if (decoded &&
      (m_context.GetInheritedEff(guid, eff) != S_OK || (eff != nullptr && eff->getName() != *name)))
    eff = nullptr;
  if (eff == nullptr && (m_context.GetInheritedEff(*name, eff) != S_OK || eff == nullptr))
    KUV_XML_REFUSE(CFG_ERR_UNKNOWN_CRITERIA, CRITERIA_INHERITED_EFFECTIVITY, *name, "",
                   "ERROR: Unable to retrieve inherited effectivity ", *name);
  if (!decoded || guid != eff->getGuid() ||
      (!m_data.GetFilterableId().IsEmpty() && *id != m_data.GetFilterableId()))
    KUV_XML_REFUSE(CFG_ERR_INHERITED_ID_MISMATCH, CRITERIA_INHERITED_EFFECTIVITY, *id, "",
                   "ERROR: FilterableId ", *id, " doesn't designate ", *name);
  KuvEeModelDico* model = nullptr;
  if (const KuvInString* holder = attribute(attributes, "HolderName"); holder != nullptr)
    m_context.GetModelDico(*holder, model);
  return attach(Tree((new KuvEeEffLeaf(eff, model != nullptr ? model : m_dico))->getNodeRef()), false);
}

HRESULT XMLExprReading::attach(Tree node, bool push) {
  KuvEeNode* raw = node->getNode();
  if (!m_stack.empty()) {
    KuvEeOp* top = m_stack.back();
    if (auto* group = KuvEeGroupOp::cast(*top)) {
      if (FAILED(kuv::detail::throwIfOutOfMemory(group->addChild(raw)))) return E_FAIL;
    } else {
      auto* single = static_cast<KuvEeSingleOp*>(top);
      if (single->getChildRef() != nullptr)
        KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: NOT with more than one child.");
      if (FAILED(single->setChildRef(node.get()))) return E_FAIL;
    }
    node.release();
  } else if (m_part == Part::FILTER) {
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "",
                   "ERROR: Unexpected node in a filter selection.");
  } else {
    m_pending.push_back(std::move(node));
  }
  if (push) m_stack.push_back(static_cast<KuvEeOp*>(raw));
  return S_OK;
}

HRESULT XMLExprReading::promoteGlobal() {
  if (m_pending.empty()) return S_OK;
  auto* expression = static_cast<KuvEeMultiModelExpression*>(m_expression.get());
  if (m_pending.size() > 1 || expression->hasGlobalCriteria())
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "",
                   "ERROR: More than one tree of global criteria.");
  if (FAILED(expression->setGlobalCriteria(m_pending.front().get())))
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: setGlobalCriteria FAILED.");
  m_pending.front().release();
  m_pending.clear();
  return S_OK;
}

HRESULT XMLExprReading::addToFilter(KuvEeVarEff* eff) {
  // Taken over first: every refusal below frees it.
  std::unique_ptr<KuvEeVarEff> owned(eff);
  auto* filter = static_cast<KuvEeFilterExpression*>(m_expression.get());
  if (filter->getCondition() == 0)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "",
                   "ERROR: Criteria beside an unrestricted filter.");
  KuvEeVarEff* given = eff;
  if (FAILED(filter->getSpecList()->AddVarEff(given)))
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unable to add ", eff->toString(),
                   " to the filter.");
  owned.release();
  return S_OK;
}

HRESULT XMLExprReading::endCriterion() {
  std::unique_ptr<XMLCriterion> c = std::move(m_criterion);
  std::vector<std::unique_ptr<KuvEeVarEff>> effs;
  if (c->kind == XMLCriterion::FEATURE) {
    if (c->options.empty() && (c->selection == nullptr || c->selection->getValues().IsEmpty()))
      KUV_XML_REFUSE(
          CFG_ERR_INVALID_VALUE, CRITERIA_FEATURE,
          c->category != nullptr ? c->category->getName() : c->selection->getSelectionVar()->getName(), "",
          "ERROR: Feature without any option.");
    for (const auto& [option, selectedBy] : c->options)
      effs.push_back(std::make_unique<KuvEeOptionEff>(option, KuvEeOptionEff::T, selectedBy));
    if (c->selection != nullptr) effs.push_back(std::move(c->selection));
  } else if (c->kind == XMLCriterion::SERIES || c->kind == XMLCriterion::DATE) {
    const HRESULT hr = c->kind == XMLCriterion::SERIES
                           ? static_cast<KuvEeSerialEff*>(c->eff.get())->set(c->ranges)
                           : static_cast<KuvEeDateEff*>(c->eff.get())->set(c->ranges);
    if (FAILED(hr))
      KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, c->kind == XMLCriterion::DATE ? CRITERIA_DATE : CRITERIA_UNIT,
                     c->name, "", "ERROR: Invalid ranges in ", c->name);
    effs.push_back(std::move(c->eff));
  } else {
    if (FAILED(static_cast<KuvEeTreeBaseEff*>(c->eff.get())->addSelections(c->selections)))
      KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE,
                     c->kind == XMLCriterion::MILESTONES ? CRITERIA_MILESTONE : CRITERIA_STATE, c->name, "",
                     "ERROR: Invalid selections in ", c->name);
    effs.push_back(std::move(c->eff));
  }
  if (m_part == Part::FILTER) {
    for (auto& eff : effs)
      if (const HRESULT hr = addToFilter(eff.release()); FAILED(hr)) return hr;
    return S_OK;
  }
  // Each effectivity stays owned until its leaf holds it, and each leaf
  // until its parent does: running out of memory loses nothing.
  const auto leafOf = [](std::unique_ptr<KuvEeVarEff>& eff) {
    Tree leaf((new KuvEeVarEffLeaf(eff.get()))->getNodeRef());
    eff.release();
    return leaf;
  };
  if (effs.size() == 1) return attach(leafOf(effs.front()), false);
  auto alternatives = Tree((new KuvEeOrOp)->getNodeRef());
  for (auto& eff : effs) {
    Tree leaf = leafOf(eff);
    // Adopted, the leaf's reference is the Or's.
    if (SUCCEEDED(kuv::detail::throwIfOutOfMemory(
            static_cast<KuvEeOrOp*>(alternatives->getNode())->addChild(leaf->getNode()))))
      leaf.release();
  }
  return attach(std::move(alternatives), false);
}

HRESULT XMLExprReading::endBoolean() {
  m_inText = false;
  const bool isTrue = m_text == KuvInString("true");
  if (!isTrue && m_text != KuvInString("false"))
    KUV_XML_REFUSE(CFG_ERR_INVALID_VALUE, CRITERIA_BOOLEAN, "Boolean", m_text, "ERROR: Unexpected Boolean ",
                   m_text);
  if (m_part == Part::FILTER && m_stack.empty()) {
    auto* filter = static_cast<KuvEeFilterExpression*>(m_expression.get());
    if (!isTrue || !filter->getSpecList()->IsEmpty())
      KUV_XML_REFUSE(CFG_ERR_UNSUPPORTED, CRITERIA_BOOLEAN, "", "",
                     "ERROR: Unexpected Boolean in a filter selection.");
    filter->setCondition(0);
    return S_OK;
  }
  KuvEeNode* node = isTrue ? static_cast<KuvEeNode*>(new KuvEeTrue) : new KuvEeFalse;
  return attach(Tree(node->getNodeRef()), false);
}

HRESULT XMLExprReading::endOperator(const KuvInString& name) {
  if (m_stack.empty()) return endWithoutStart(name);
  KuvEeOp* op = m_stack.back();
  m_stack.pop_back();
  KuvInLinkList children(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(op->getChildrenRefs(children));
  if (KuvEeNotOp::isObjectOfThisType(*op) ? children.GetLength() != 1
                                          : m_strictArity && children.GetLength() < 2)
    KUV_XML_REFUSE(KuvEeNotOp::isObjectOfThisType(*op) ? CFG_ERR_UNEXPECTED : CFG_ERR_OPERATOR_ARITY,
                   CRITERIA_TYPE{}, "", "", "ERROR: Operator ", name, " with ", children.GetLength(),
                   " children.");
  return S_OK;
}

HRESULT XMLExprReading::endWithoutStart(const KuvInString& name) {
  KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: End element ", name,
                 " encountered without its start element.");
}

HRESULT XMLExprReading::endContext() {
  // A host's parser may hand over an end it never opened.
  if (m_dico == nullptr) return endWithoutStart("Context");
  const Part outer = m_outer;
  KuvEeModelDico* model = m_dico;
  m_part = outer;
  m_outer = Part::NONE;
  m_dico = nullptr;
  if (m_pending.size() != 1)
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Context ", model->getName(),
                   " holds ", static_cast<std::int32_t>(m_pending.size()), " trees instead of one.");
  Tree tree = std::move(m_pending.front());
  m_pending.clear();
  if (outer == Part::IF || outer == Part::THEN) {
    auto* matrix = static_cast<KuvEeCompositionMatrixExpression*>(m_expression.get());
    KuvEeNodeRef* existing = nullptr;
    KuvEeNodeRef* given = tree.get();
    const HRESULT found = outer == Part::IF ? matrix->IF_GetCriteria(model, existing)
                                            : matrix->THEN_GetCriteria(model, existing);
    if (found == S_OK || FAILED(outer == Part::IF ? matrix->IF_SetCriteria(model, given)
                                                  : matrix->THEN_SetCriteria(model, given)))
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Unable to set the criteria of ",
                     model->getName());
    tree.release();
    return S_OK;
  }
  auto* expression = static_cast<KuvEeMultiModelExpression*>(m_expression.get());
  if (expression->hasModelCriteria(model))
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Second Context for ",
                   model->getName());
  // Each tree stays owned until the expression holds its record.
  Tree inherited;
  Tree criteria;
  KuvEeNode* root = tree->getNode();
  KuvInLinkList children(KuvEeNodeRef::sType());
  if (KuvEeAndOp::isObjectOfThisType(*root))
    kuv::detail::throwIfOutOfMemory(static_cast<KuvEeOp*>(root)->getChildrenRefs(children));
  if (isInheritedOnly(*root)) {
    inherited = std::move(tree);
  } else if (children.GetLength() == 2 &&
             isInheritedOnly(*static_cast<KuvEeNodeRef*>(children.Get(0))->getNode()) &&
             !isInheritedOnly(*static_cast<KuvEeNodeRef*>(children.Get(1))->getNode())) {
    auto* group = static_cast<KuvEeAndOp*>(root);
    KuvEeNode* first = static_cast<KuvEeNodeRef*>(children.Get(0))->getNode();
    KuvEeNode* second = static_cast<KuvEeNodeRef*>(children.Get(1))->getNode();
    group->removeChild(first);
    group->removeChild(second);
    inherited.reset(first->getNodeRef());
    criteria.reset(second->getNodeRef());
  } else {
    criteria = std::move(tree);
  }
  KuvEeNodeRef* given[] = {inherited.get(), criteria.get()};
  auto* trees = new KuvEeMultiModelExpression::ModelCriteria(&given[0], &given[1]);
  inherited.release();
  criteria.release();
  if (FAILED(expression->setModelCriteria(model, trees))) {
    delete trees;
    KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: setModelCriteria FAILED.");
  }
  return S_OK;
}

HRESULT XMLExprReading::end(const KuvInString& name) {
  if (m_skipDepth > 0) {
    // The skipped element itself counted in the depth, its content did not.
    if (--m_skipDepth == 0) --m_depth;
    return S_OK;
  }
  --m_depth;
  if (name == KuvInString("Boolean")) return endBoolean();
  if (name == KuvInString("SchemaVersion")) {
    m_inText = false;
    if (m_checkVersion && m_text != KuvInString("1.1"))
      KUV_XML_REFUSE(CFG_ERR_UNSUPPORTED, CRITERIA_TYPE{}, "", "", "ERROR: Unsupported SchemaVersion ",
                     m_text);
    return S_OK;
  }
  if (name == KuvInString("AND") || name == KuvInString("OR") || name == KuvInString("NOT"))
    return endOperator(name);
  if (m_criterion != nullptr) {
    XMLCriterion* c = m_criterion.get();
    if (name == KuvInString("Feature") && c->kind == XMLCriterion::FEATURE && c->level == 2) {
      c->level = 1;
      return S_OK;
    }
    if (name == KuvInString("Interval")) return endInterval();
    if (name == KuvInString("Tree")) {
      if (c->tree == nullptr) return endWithoutStart(name);
      if (c->tree->getFromBound() == nullptr)
        KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: Tree without its Root.");
      c->selections.PutBack(*c->tree);
      c->tree.reset();
      return S_OK;
    }
    if (name == c->name) return endCriterion();
    return S_OK;
  }
  if (name == KuvInString("Context")) return m_part == Part::FILTER ? S_OK : endContext();
  if (name == KuvInString("Global")) {
    m_part = Part::EXPRESSION;
    return promoteGlobal();
  }
  if (name == KuvInString("Expression")) {
    m_part = Part::NONE;
    return promoteGlobal();
  }
  if (name == KuvInString("IF") || name == KuvInString("THEN") || name == KuvInString("FilterSelection")) {
    m_part = Part::NONE;
    return S_OK;
  }
  if (isRoot(name)) {
    if (!m_stack.empty() || m_part != Part::NONE)
      KUV_XML_REFUSE(CFG_ERR_UNEXPECTED, CRITERIA_TYPE{}, "", "", "ERROR: End element ", name,
                     " encountered but all containing elements aren't closed.");
    m_complete = true;
  }
  return S_OK;
}

KuvXMLV2ExprSAXHandler::KuvXMLV2ExprSAXHandler(KuvEeExpressionContext& context,
                                               const KuvXMLV2ExpressionData& data,
                                               const KuvXMLV2IModelerContext*, KuvEeExpression*& expression,
                                               unsigned char strictArity, unsigned char ignoreUnknownElements)
    : KuvXMLV2ExprSAXHandler(traceChannel(), context, data, expression, strictArity, ignoreUnknownElements, 1,
                             0) {}

KuvXMLV2ExprSAXHandler::KuvXMLV2ExprSAXHandler(KuvInTraceClass& channel, KuvEeExpressionContext& context,
                                               const KuvXMLV2ExpressionData& data,
                                               KuvEeExpression*& expression, unsigned char strictArity,
                                               unsigned char ignoreUnknownElements,
                                               unsigned char readSelectedBy, unsigned char checkVersion)
    : KuvXMLV2SAXHandlerBase(channel),
      m_reading(std::make_unique<XMLExprReading>(*this, context, data, strictArity, ignoreUnknownElements,
                                                 readSelectedBy, checkVersion)),
      m_target(expression) {}

KuvXMLV2ExprSAXHandler::~KuvXMLV2ExprSAXHandler() = default;

HRESULT KuvXMLV2ExprSAXHandler::StartDocument() {
  KUV_TRACE_CALL_ON(channel(), "StartDocument");
  m_reading->reset();
  return S_OK;
}

HRESULT KuvXMLV2ExprSAXHandler::StartElement(const KuvInString& name, const KuvInMapVal& attributes) {
  KUV_TRACE_CALL_ON(channel(), "StartElement");
  if (!isClean()) return refuseAfterError();
  const HRESULT hr = m_reading->start(name, attributes);
  if (FAILED(hr)) m_reading->record(CFG_ERR_UNEXPECTED);
  return hr;
}

HRESULT KuvXMLV2ExprSAXHandler::Characters(const KuvInString& text) {
  if (m_reading->m_inText && m_reading->m_skipDepth == 0) m_reading->m_text.Append(text);
  return S_OK;
}

HRESULT KuvXMLV2ExprSAXHandler::EndElement(const KuvInString& name) {
  KUV_TRACE_CALL_ON(channel(), "EndElement");
  if (!isClean()) return refuseAfterError();
  const HRESULT hr = m_reading->end(name);
  if (FAILED(hr)) m_reading->record(CFG_ERR_UNEXPECTED);
  return hr;
}

HRESULT KuvXMLV2ExprSAXHandler::EndDocument() { return S_OK; }

HRESULT KuvXMLV2ExprSAXHandler::GetGeneratedExpression() {
  KUV_TRACE_CALL_ON(channel(), "GetGeneratedExpression");
  if (!isClean())
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: An error has been detected: ", recordedMessage());
  XMLExprReading& r = *m_reading;
  if (!r.m_complete || r.m_expression == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                        "ERROR: Unable to return a generated expression, no parsing have been done.");
  if (m_target == nullptr) {
    m_target = r.m_expression.release();
    r.m_complete = false;
    return S_OK;
  }
  if (m_target->dType() != r.m_expression->dType() || r.m_kind == 4)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                        "ERROR: The given expression can't receive a document of this kind.");
  if (r.m_kind == 2) {
    auto* source = static_cast<KuvEeFilterExpression*>(r.m_expression.get());
    auto* target = static_cast<KuvEeFilterExpression*>(m_target);
    target->setModelDico(source->getModelDico());
    target->setSpecList(source->removeSpecList());
    target->setSelectionMode(source->getSelectionMode());
    target->setCondition(source->getCondition());
  } else {
    auto* source = static_cast<KuvEeMultiModelExpression*>(r.m_expression.get());
    auto* target = static_cast<KuvEeMultiModelExpression*>(m_target);
    std::vector<const KuvEeModelDico*> previous;
    for (auto it = target->getAllModelCriteria().cBegin(); !it.IsEnd(); it.Next())
      previous.push_back(
          static_cast<const KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject()));
    for (const KuvEeModelDico* model : previous) target->deleteModelCriteria(model);
    target->setGlobalCriteria(source->removeGlobalCriteria());
    std::vector<KuvEeModelDico*> models;
    for (auto it = source->getAllModelCriteria().cBegin(); !it.IsEnd(); it.Next())
      models.push_back(
          static_cast<KuvEeModelDico*>(static_cast<const KuvInObjectPtr*>(it.GetKey())->getObject()));
    for (KuvEeModelDico* model : models) {
      KuvEeMultiModelExpression::ModelCriteria* trees = nullptr;
      source->removeModelCriteria(model, trees);
      target->setModelCriteria(model, trees);
    }
  }
  r.m_expression.reset();
  r.m_complete = false;
  return S_OK;
}
