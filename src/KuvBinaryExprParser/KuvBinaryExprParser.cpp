#include "KuvBinaryExprParser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "KuvBinaryCriteria.h"
#include "KuvBinaryDependency.h"
#include "KuvBinaryEENodeParser.h"
#include "KuvBinaryExprData.h"
#include "KuvBioBasic.h"
#include "KuvEeChangeExpression.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeFilterExpression.h"
#include "KuvEeModelDico.h"
#include "KuvEePredefEff.h"
#include "KuvEeVarEff.h"
#include "KuvInIntHolder.h"
#include "KuvInList.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvBinaryExprParser, KuvInObject)

namespace {

using Nodes = KuvBinaryEENodeParser;
using Tree = std::unique_ptr<KuvEeNodeRef>;
using Operation = KuvEeExpressionOperation;

KuvInTraceClass& channel() { return KuvBinaryExprParser::traceChannel(); }

constexpr std::uint8_t sc_noDictionary = 255;
constexpr std::uint32_t sc_maxVersion1Parts = 254;

enum Kind : std::uint8_t { Effectivity = 'e', Filter = 'f', Applicability = 'c', Coexistence = 'x' };

Kind kindOf(const KuvEeExpression& expression) {
  if (KuvEeEffectivityExpression::cast(expression) != nullptr) return Effectivity;
  if (KuvEeChangeExpression::cast(expression) != nullptr) return Applicability;
  if (KuvEeFilterExpression::cast(expression) != nullptr) return Filter;
  return Coexistence;
}

// The operation codes of the binary, by operation kind (CUT, ADD, RESERVED).
constexpr std::uint8_t sc_operationCodes[] = {2, 1, 3};

unsigned int chosenVersion(unsigned int version) {
  const char* newVersion = std::getenv("CfgUseExprBinaryNewVersion");
  if (newVersion != nullptr && std::strcmp(newVersion, "2") == 0) return 2;
  if (std::getenv("CGE_DecoupleVariantEvolution") != nullptr) return 2;
  return version;
}

struct Domain {
  std::uint32_t id;
  const KuvEeExpression* expression;
  std::uint32_t offsetAt = 0;
};

// ---- Writing ----

class Writer {
public:
  Writer(const KuvBinaryExprData& data, KuvBioBufferOut& out, unsigned int version)
      : m_data(data), m_out(out), m_version(version) {}

  HRESULT write(const KuvInMap& map) {
    std::vector<Domain> domains;
    bool decoupled = false;
    if (const HRESULT hr = collect(map, domains, decoupled); FAILED(hr)) return hr;
    const Kind kind = kindOf(*domains.front().expression);
    if (kind == Coexistence) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unexpected type of EeExpression.");
    for (const Domain& domain : domains)
      if (kindOf(*domain.expression) != kind)
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected input. no expressions found.");
    if (domains.size() > 0xFF) KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge, "ERROR: too many domains.");

    for (std::uint8_t byte : {std::uint8_t{kind}, std::uint8_t{'b'}, std::uint8_t{'e'}}) m_out.PutBack(byte);
    m_out.PutBack(static_cast<std::uint8_t>(m_version));
    if (m_version >= 2) {
      m_out.PutBack(decoupled ? 1 : 0);
      m_out.writeUINT32(0);
    }
    const std::uint32_t sizeAt = m_out.GetLength();
    m_out.writeUINT32(0);
    m_out.PutBack(static_cast<std::uint8_t>(domains.size()));
    for (Domain& domain : domains) {
      m_out.PutBack(static_cast<std::uint8_t>(domain.id));
      domain.offsetAt = m_out.GetLength();
      m_out.writeUINT16(0);
    }
    if (kind == Effectivity)
      if (const HRESULT hr = writeOperations(domains); FAILED(hr)) return hr;
    for (const Domain& domain : domains) {
      const std::uint32_t offset = m_out.GetLength();
      KUV_TRACE_DETAIL_ON(channel(), "Write offset for domain ", domain.id, " - ", offset);
      if (FAILED(m_out.overwriteUINT16(domain.offsetAt, offset)))
        KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge, "ERROR : cannot write offset ",
                            domain.id, " in binary");
      if (kind == Filter) {
        const HRESULT hr = writeFilter(static_cast<const KuvEeFilterExpression&>(*domain.expression));
        if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: KuvBinaryFEParser::write FAILED.");
      } else {
        const HRESULT hr = writeMultiModel(static_cast<const KuvEeMultiModelExpression&>(*domain.expression));
        if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: KuvBinaryMCExpressionParser::write FAILED.");
      }
    }
    KUV_TRACE_DETAIL_ON(channel(), "Write binary size = ", m_out.GetLength());
    return m_out.overwriteUINT32(sizeAt, m_out.GetLength());
  }

private:
  static HRESULT collect(const KuvInMap& map, std::vector<Domain>& domains, bool& decoupled) {
    if (map.IsEmpty()) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected input. no expressions found.");
    for (auto it = map.cBegin(); !it.IsEnd(); it.Next()) {
      const KuvInIntHolder* id = it.GetKey() != nullptr ? KuvInIntHolder::cast(*it.GetKey()) : nullptr;
      const KuvInObject* value = it.GetVal();
      const KuvEeExpression* expression = value != nullptr ? KuvEeExpression::cast(*value) : nullptr;
      if (id == nullptr || value == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
      if (expression == nullptr)
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Retrieved element isn't a KuvEeExpression");
      if (id->getValue() == 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL value for domain id.");
      if (id->getValue() > 0xFF)
        KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge, "ERROR: domain id does not fit in a byte.");
      decoupled = decoupled || id->getValue() == KuvDiversityDomain_ConfigChangeEvolution ||
                  id->getValue() == KuvDiversityDomain_ConfigChangeVariant;
      domains.push_back({id->getValue(), expression});
    }
    return S_OK;
  }

  HRESULT writeOperations(const std::vector<Domain>& domains) {
    std::uint32_t count = 0;
    for (const Domain& domain : domains)
      count += static_cast<std::uint32_t>(
          static_cast<const KuvEeEffectivityExpression&>(*domain.expression).getOperationStack().GetLength());
    if (FAILED(m_out.writeUINT16WithCheck(count)))
      KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge, "ERROR : cannot write nb of operations in binary");
    for (const Domain& domain : domains) {
      const KuvInList& stack = static_cast<const KuvEeEffectivityExpression&>(*domain.expression).getOperationStack();
      for (std::int32_t i = 0; i < stack.GetLength(); ++i) {
        const auto* operation = static_cast<const Operation*>(stack.Get(i));
        const std::int32_t kind = operation->getKind();
        if (kind < 0 || kind > Operation::RESERVED) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
        KuvEePredefEff* change =
            operation->getObject() != nullptr ? KuvEePredefEff::cast(*operation->getObject()) : nullptr;
        if (change == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
        m_out.PutBack(static_cast<std::uint8_t>(sc_operationCodes[kind] << 4));
        m_out.PutBack(1);
        m_out.PutBack(static_cast<std::uint8_t>(domain.id));
        const Tree leaf((new KuvEeEffLeaf(change))->getNodeRef());
        const HRESULT hr = Nodes::write(*leaf, m_data, m_out);
        if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: KuvBinaryMMEParser::write FAILED.");
      }
    }
    return S_OK;
  }

  HRESULT writeTree(const KuvEeNodeRef* tree) {
    if (tree == nullptr) {
      m_out.PutBack(Nodes::E_NoNode);
      return S_OK;
    }
    return Nodes::write(*tree, m_data, m_out);
  }

  HRESULT writeMultiModel(const KuvEeMultiModelExpression& expression) {
    const KuvInMap& models = expression.getAllModelCriteria();
    const auto parts = static_cast<std::uint32_t>(models.GetLength()) + (expression.hasGlobalCriteria() ? 1 : 0);
    if (m_version < 2) {
      if (parts >= sc_maxVersion1Parts)
        KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge,
                            "ERROR : reached limit for Model number. Maximum allowed is 254 currently.");
      m_out.PutBack(static_cast<std::uint8_t>(parts));
    } else if (FAILED(m_out.writeUINT16WithCheck(parts))) {
      KUV_RETURN_ERROR_ON(channel(), KuvBioConstants::sc_valueTooLarge, "ERROR ! writeUINT16WithCheck failed");
    }
    // A failing tree passes its own code on (not implemented, too large).
    if (expression.hasGlobalCriteria())
      if (const HRESULT hr = Nodes::write(*expression.getGlobalCriteria(), m_data, m_out); FAILED(hr)) return hr;
    for (auto it = models.cBegin(); !it.IsEnd(); it.Next()) {
      const auto* key = KuvInObjectPtr::cast(*it.GetKey());
      const auto* model = key != nullptr ? KuvEeModelDico::cast(*key->getObject()) : nullptr;
      const auto* criteria = static_cast<const KuvEeMultiModelExpression::ModelCriteria*>(it.GetVal());
      if (model == nullptr || criteria == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
      if (criteria->isEmpty())
        KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                            "ERROR: unexpected. In-context expression must have either Inherited-Eff or EV-criteria "
                            "part valuated.");
      const std::int32_t index = m_data.getCriteriaEeModelIndex(*model);
      if (index < 0)
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to retrieve ModelDico object Index for : ",
                            model->getGuid().toString());
      m_out.PutBack(Nodes::E_InContext);
      if (FAILED(m_out.writeUINT16WithCheck(static_cast<std::uint32_t>(index))))
        return KuvBioConstants::sc_valueTooLarge;
      if (const HRESULT hr = writeTree(criteria->getInheritedEffCriteria()); FAILED(hr)) return hr;
      if (const HRESULT hr = writeTree(criteria->getCriteria()); FAILED(hr)) return hr;
    }
    return S_OK;
  }

  HRESULT writeFilter(const KuvEeFilterExpression& filter) {
    if (filter.getModelDico() == nullptr) {
      m_out.PutBack(sc_noDictionary);
    } else {
      if (m_data.getNumberCriteriaEeModel() >= 2)
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected to have several dictionaries in filter selection.");
      m_out.PutBack(0);
    }
    const std::int32_t mode = filter.getSelectionMode();
    if (mode < 0 || mode > 4) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected;");
    m_out.PutBack(static_cast<std::uint8_t>(mode + 1));
    if (filter.getCondition() == 0) {
      m_out.writeUINT16(1);
      m_out.PutBack(Nodes::E_True);
      return S_OK;
    }
    if (filter.getCondition() != 1)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unexpected cond for filter expression");
    const KuvQmSpecList* list = filter.getSpecList();
    const std::uint32_t items = list == nullptr ? 0 : static_cast<std::uint32_t>(list->GetNbVarEffs() + list->GetNbEffs());
    if (FAILED(m_out.writeUINT16WithCheck(items))) return KuvBioConstants::sc_valueTooLarge;
    if (list == nullptr) return S_OK;
    for (auto it = list->GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) {
      const auto* eff = static_cast<const KuvEeVarEff*>(it.GetVal());
      if (eff->isNegated()) m_out.PutBack(Nodes::E_Not);
      const HRESULT hr = kuv::detail::writeCriterion(*eff, m_data, m_out);
      if (FAILED(hr)) return hr;
    }
    for (auto it = list->GetEffs().cBegin(); it.IsValid(); it.Next()) {
      const std::int32_t index = m_data.getExprCriteriaIndex(*it.Get());
      if (index < 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to retrieve Effectivity object Index.");
      m_out.PutBack(Nodes::E_Predef);
      if (FAILED(m_out.writeUINT16WithCheck(static_cast<std::uint32_t>(index))))
        return KuvBioConstants::sc_valueTooLarge;
    }
    return S_OK;
  }

  const KuvBinaryExprData& m_data;
  KuvBioBufferOut& m_out;
  unsigned int m_version;
};

// ---- Reading ----

struct Header {
  Kind kind = Coexistence;
  unsigned int version = 1;
  unsigned int decoupled = 0;
  std::uint32_t declaredSize = 0;
  std::vector<std::uint8_t> domains;
};

HRESULT readHeader(KuvBioBuffer& in, Header& header) {
  if (in.getBytes() == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : unexpected binary type");
  if (!in.isReadValid(3)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : binary is too short");
  const std::uint8_t* magic = in.getCurrent();
  bool coexistence = false;
  if (magic[1] == 'b' && magic[2] == 'e' && (magic[0] == Effectivity || magic[0] == Filter || magic[0] == Applicability)) {
    header.kind = static_cast<Kind>(magic[0]);
  } else if (magic[0] == 'c' && magic[1] == 'x' && (magic[2] == 'e' || magic[2] == 'f')) {
    coexistence = true;
    header.kind = magic[2] == 'e' ? Effectivity : Filter;
  } else {
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Binary has an unexpected expression type.");
  }
  static constexpr const char* kindTexts[] = {"CFG_EXPRTYPE_EFFECTIVITY", "CFG_EXPRTYPE_APPLICABILITY",
                                              "CFG_EXPRTYPE_FILTER"};
  KUV_TRACE_DETAIL_ON(channel(), "Input expression type is ",
                      kindTexts[header.kind == Effectivity ? 0 : header.kind == Applicability ? 1 : 2],
                      coexistence ? " from Coexistence" : "");
  in.increment(3);
  std::uint8_t version = 0;
  if (FAILED(in.readUINT8(version))) return E_FAIL;
  if (version != 1 && version != 2) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected binary version ", version);
  header.version = version;
  if (version == 2) {
    std::uint8_t flag = 0;
    std::uint32_t reserved = 0;
    if (FAILED(in.readUINT8(flag)) || FAILED(in.readUINT32(reserved))) return E_FAIL;
    header.decoupled = flag;
    if (flag != 0) KUV_TRACE_DETAIL_ON(channel(), "Input Expression contains decoupling Variant Evolution.");
  }
  if (coexistence) {
    header.kind = Coexistence;
    return S_OK;
  }
  std::uint8_t count = 0;
  if (FAILED(in.readUINT32(header.declaredSize)) || FAILED(in.readUINT8(count))) return E_FAIL;
  if (count == 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected number of domains 0.");
  if (!in.isReadValid(3 * std::uint64_t{count})) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected end of binary");
  for (std::uint8_t i = 0; i < count; ++i) {
    const std::uint8_t id = in.getCurrent()[0];
    // A domain stands once: its expression is the map's value for its id.
    if (id == 0 || std::find(header.domains.begin(), header.domains.end(), id) != header.domains.end())
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected domain id ", id);
    header.domains.push_back(id);
    in.increment(3);
  }
  return S_OK;
}

// Keeps the more telling of two success codes.
HRESULT merged(HRESULT a, HRESULT b) {
  return a == Nodes::sc_readIncomplete || b == Nodes::sc_readIncomplete ? Nodes::sc_readIncomplete : S_OK;
}

class Reader {
public:
  Reader(KuvBioBuffer& in, KuvBinaryExprData& data, const Header& header) : m_in(in), m_data(data), m_header(header) {}

  HRESULT read(KuvInMap& result) {
    HRESULT status = S_OK;
    if (m_header.kind == Effectivity) {
      const HRESULT hr = readOperations();
      if (FAILED(hr)) return hr;
      status = merged(status, hr);
    }
    for (std::uint8_t id : m_header.domains) {
      std::unique_ptr<KuvEeExpression> expression;
      HRESULT hr = E_FAIL;
      if (m_header.kind == Filter) {
        auto filter = std::make_unique<KuvEeFilterExpression>();
        hr = readFilter(*filter);
        expression = std::move(filter);
      } else {
        std::unique_ptr<KuvEeMultiModelExpression> multi;
        if (m_header.kind == Effectivity)
          multi = std::make_unique<KuvEeEffectivityExpression>();
        else
          multi = std::make_unique<KuvEeChangeExpression>();
        hr = readMultiModel(*multi);
        if (SUCCEEDED(hr) && m_header.kind == Effectivity)
          hr = merged(hr, addOperations(id, static_cast<KuvEeEffectivityExpression&>(*multi)));
        expression = std::move(multi);
      }
      if (FAILED(hr)) return hr;
      status = merged(status, hr);
      if (FAILED(result.Put(KuvInIntHolder(id), expression.get()))) return E_FAIL;
      expression.release();
    }
    if (!m_operations.empty()) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: operation on a domain without expression.");
    return status;
  }

private:
  HRESULT readOperations() {
    std::uint16_t count = 0;
    if (FAILED(m_in.readUINT16(count))) return E_FAIL;
    for (std::uint16_t i = 0; i < count; ++i) {
      std::uint8_t head = 0;
      std::uint8_t one = 0;
      std::uint8_t domain = 0;
      if (FAILED(m_in.readUINT8(head)) || FAILED(m_in.readUINT8(one)) || FAILED(m_in.readUINT8(domain)))
        return E_FAIL;
      const std::uint8_t code = head >> 4;
      KUV_TRACE_DETAIL_ON(channel(), "Operation Type = ", code);
      KUV_TRACE_DETAIL_ON(channel(), "Flag IsMultiDomain = ", (head >> 3) & 1);
      if ((head & 0x08) != 0)
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected to have IsMultiDomain equal to TRUE.");
      if (one == 0) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
      KuvEeNodeRef* node = nullptr;
      const HRESULT hr = Nodes::readNode(m_in, m_data, false, node);
      const Tree owned(node);
      if (FAILED(hr)) return hr;
      const KuvEeEffLeaf* leaf = node != nullptr ? KuvEeEffLeaf::cast(*node->getNode()) : nullptr;
      if (leaf == nullptr || leaf->getTargetEff() == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
      Operation::OperationKind kind;
      if (code == 1)
        kind = Operation::ADD;
      else if (code == 2)
        kind = Operation::CUT;
      else if (code == 3)
        kind = Operation::RESERVED;
      else
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
      m_operations.emplace(domain, std::pair<Operation::OperationKind, KuvInObject*>(kind, leaf->getTargetEff()));
    }
    return S_OK;
  }

  HRESULT addOperations(std::uint8_t domain, KuvEeEffectivityExpression& expression) {
    const auto [from, to] = m_operations.equal_range(domain);
    for (auto it = from; it != to; ++it) {
      KuvInObject* object = it->second.second;
      if (FAILED(expression.addOperation(it->second.first, object)))
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: addOperation FAILED.");
    }
    m_operations.erase(from, to);
    return S_OK;
  }

  HRESULT readTree(Tree& tree) {
    KuvEeNodeRef* node = nullptr;
    const HRESULT hr = Nodes::readNode(m_in, m_data, false, node);
    tree.reset(node);
    return hr;
  }

  KuvEeModelDico* criteriaModel(std::uint16_t index) {
    KuvInObject* found = kuv::detail::dependency<KuvEeModelDico>(
        m_data, index, kuv::detail::FakeCriteriaModel, [&](std::int32_t i) { return m_data.getCriteriaEeModel(i); },
        [&](std::int32_t i, KuvInObject& fake) { return m_data.setCriteriaEeModel(i, fake, true); },
        [] { return new KuvEeModelDico(KuvInString(), KuvInGuid()); }, channel(),
        "ERROR: Unable to set fake name and guid to KuvEeModelDico.",
        "ERROR: Unable to add EeModelDico into CriteriaEeModel list.", "Set KuvEeModelDico at index ");
    if (found == nullptr) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: Unable to retrieve current criteria EeModelDico at index ", index);
      return nullptr;
    }
    KuvEeModelDico* model = KuvEeModelDico::cast(*found);
    if (model == nullptr) KUV_TRACE_ERROR_ON(channel(), "ERROR: Retrieved object isn't a EeModelDico.");
    return model;
  }

  HRESULT readMultiModel(KuvEeMultiModelExpression& expression) {
    std::uint32_t parts = 0;
    HRESULT hr = E_FAIL;
    if (m_header.version < 2) {
      std::uint8_t byte = 0;
      hr = m_in.readUINT8(byte);
      parts = byte;
    } else {
      std::uint16_t word = 0;
      hr = m_in.readUINT16(word);
      parts = word;
    }
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to read number of context criteria.");
    HRESULT status = S_OK;
    for (std::uint32_t i = 0; i < parts; ++i) {
      std::uint8_t type = 0;
      if (FAILED(m_in.getUINT8(type))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Unable to read node type.");
      if (type != Nodes::E_InContext) {
        if (expression.hasGlobalCriteria())
          KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : two expressions for global criteria. Unexpected.");
        Tree global;
        hr = readTree(global);
        if (FAILED(hr)) return hr;
        if (global == nullptr || FAILED(expression.setGlobalCriteria(global.get())))
          KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: setGlobalCriteria FAILED.");
        global.release();
        status = merged(status, hr);
        continue;
      }
      m_in.increment(1);
      std::uint16_t index = 0;
      if (FAILED(m_in.readUINT16(index))) return E_FAIL;
      KUV_TRACE_DETAIL_ON(channel(), "Current ModelDico has index ", index);
      KuvEeModelDico* model = criteriaModel(index);
      if (model == nullptr) return E_FAIL;
      if (expression.hasModelCriteria(model))
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: two expressions for one dictionary. Unexpected.");
      Tree inherited;
      Tree criteria;
      hr = readTree(inherited);
      if (FAILED(hr))
        KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: KuvBinaryEENodeParser::Read for inherited effectivity expression FAILED.");
      status = merged(status, hr);
      hr = readTree(criteria);
      if (FAILED(hr))
        KUV_RETURN_ERROR_ON(channel(), hr, "ERROR: KuvBinaryEENodeParser::Read for EV effectivity expression FAILED.");
      status = merged(status, hr);
      if (inherited == nullptr && criteria == nullptr)
        KUV_RETURN_ERROR_ON(channel(), E_FAIL,
                            "ERROR: unexpected. In-context expression must have either Inherited-Eff or EV-criteria "
                            "part valuated.");
      // The trees stay owned until their record holds them.
      KuvEeNodeRef* trees[] = {inherited.get(), criteria.get()};
      auto* record = new KuvEeMultiModelExpression::ModelCriteria(&trees[0], &trees[1]);
      inherited.release();
      criteria.release();
      if (FAILED(expression.setModelCriteria(model, record))) {
        delete record;
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: setModelCriteria FAILED.");
      }
    }
    return status;
  }

  HRESULT readFilter(KuvEeFilterExpression& filter) {
    std::uint8_t dictionary = 0;
    std::uint8_t mode = 0;
    std::uint16_t items = 0;
    if (FAILED(m_in.readUINT8(dictionary)) || FAILED(m_in.readUINT8(mode)) || FAILED(m_in.readUINT16(items)))
      return E_FAIL;
    if (dictionary != sc_noDictionary) {
      KuvEeModelDico* model = criteriaModel(dictionary);
      if (model == nullptr) return E_FAIL;
      filter.setModelDico(model);
    }
    if (mode < 1 || mode > 5) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected;");
    filter.setSelectionMode(static_cast<KuvEeFilterExpression::SELECTION_MODE>(mode - 1));
    std::uint8_t first = 0;
    if (items == 1 && SUCCEEDED(m_in.getUINT8(first)) && first == Nodes::E_True) {
      m_in.increment(1);
      filter.setCondition(0);
      return S_OK;
    }
    auto list = std::make_unique<KuvQmSpecList>();
    HRESULT status = S_OK;
    for (std::uint16_t i = 0; i < items; ++i) {
      std::uint8_t type = 0;
      if (FAILED(m_in.readUINT8(type))) return E_FAIL;
      const bool negated = type == Nodes::E_Not;
      if (negated && FAILED(m_in.readUINT8(type))) return E_FAIL;
      if (type == Nodes::E_Predef) {
        if (negated)
          KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : negation is not supported for operation handlers.");
        std::uint16_t index = 0;
        if (FAILED(m_in.readUINT16(index))) return E_FAIL;
        KuvInObject* found = kuv::detail::dependency<KuvEeBasicEff>(
            m_data, index, kuv::detail::FakeExprCriteria, [&](std::int32_t i) { return m_data.getExprCriteria(i); },
            [&](std::int32_t i, KuvInObject& fake) { return m_data.setExprCriteria(i, fake, true); },
            [] { return new KuvEeBasicEff(KuvInString(), nullptr); }, channel(),
            "ERROR: Unable to set fake name and guid to KuvEeBasicEff.",
            "ERROR: Unable to add EeBasicEff into ExprCriteria list.", "Set KuvEeBasicEff at index ");
        KuvEeEffectivity* eff = found != nullptr ? KuvEeEffectivity::cast(*found) : nullptr;
        if (eff == nullptr) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: NULL pointer");
        // A second mention of one effectivity would be dropped by the list.
        if (list->AddEff(eff) != S_OK) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
        continue;
      }
      KuvEeVarEff* eff = nullptr;
      const HRESULT hr = kuv::detail::readCriterion(type, m_in, m_data, false, eff);
      if (FAILED(hr)) return hr;
      status = merged(status, hr);
      // A negated criterion stands for its complement in the selection.
      if (negated) eff->opNot();
      if (FAILED(list->AddVarEff(eff))) {
        delete eff;
        KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: unexpected.");
      }
    }
    filter.setSpecList(list.release());
    filter.setCondition(1);
    return status;
  }

  KuvBioBuffer& m_in;
  KuvBinaryExprData& m_data;
  const Header& m_header;
  // By domain id, in reading order: the operations to add once the
  // domain's expression is read.
  std::multimap<std::uint8_t, std::pair<Operation::OperationKind, KuvInObject*>> m_operations;
};

// Restores the cursor of a query that only peeks at the header.
struct KeepPosition {
  KuvBioBuffer& in;
  std::uint32_t position = in.getPosition();
  ~KeepPosition() {
    in.reset();
    in.increment(position);
  }
};

}  // namespace

HRESULT KuvBinaryExprParser::Write(const KuvInMap& expressionsByDomain, const KuvBinaryExprData& data,
                                   KuvBioBufferOut& out, unsigned int version) {
  KUV_TRACE_CALL("Write");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    out.Clear();
    version = chosenVersion(version);
    if (version != 1 && version != 2)
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: unexpected binary version ", version);
    const HRESULT hr = Writer(data, out, version).write(expressionsByDomain);
    if (FAILED(hr)) {
      KUV_TRACE_ERROR("Write FAILED, content of Binary Expr Data is : ", data.toString());
      KUV_TRACE_ERROR("Write FAILED, expression to write is : ", expressionsByDomain.toString());
    }
    return hr;
  });
}

HRESULT KuvBinaryExprParser::Read(KuvBinaryExprData& data, KuvInMap*& expressionsByDomain) {
  KUV_TRACE_CALL("Read");
  if (expressionsByDomain != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  // The map owns what it holds until it is handed over.
  std::unique_ptr<KuvInMap> result;
  const auto discard = [&result] {
    if (result) result->DeleteAll();
  };
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        KuvBioBuffer in(data.getBinary(), data.getBinaryLength(), 0);
        result = std::make_unique<KuvInMap>(KuvInIntHolder::sType(), KuvEeExpression::sType());
        Header header;
        HRESULT hr = readHeader(in, header);
        if (FAILED(hr)) KUV_TRACE_ERROR("ERROR : ReadHeader FAILED");
        if (SUCCEEDED(hr) && header.kind == Coexistence) {
          KUV_TRACE_DETAIL("Input expression is empty");
          expressionsByDomain = result.release();
          return S_OK;
        }
        if (SUCCEEDED(hr)) hr = Reader(in, data, header).read(*result);
        if (FAILED(hr)) {
          discard();
          KUV_TRACE_ERROR("KuvBinaryExprParser : Read FAILED for : ", in.toString());
          return hr;
        }
        expressionsByDomain = result.release();
        return hr;
      },
      [&discard] {
        discard();
        return E_OUTOFMEMORY;
      });
}

HRESULT KuvBinaryExprParser::GetBinExprVersion(KuvBioBuffer& in, unsigned int& version, unsigned int& decoupledFlag) {
  KUV_TRACE_CALL("GetBinExprVersion");
  if (in.getSize() == 0) return S_FALSE;
  const KeepPosition keep{in};
  Header header;
  if (FAILED(readHeader(in, header))) KUV_RETURN_ERROR(E_FAIL, "ERROR : ReadHeader FAILED");
  version = header.version;
  decoupledFlag = header.decoupled;
  return S_OK;
}

HRESULT KuvBinaryExprParser::GetValuatedDomains(KuvBioBuffer& in, KuvInListVal& domains) {
  KUV_TRACE_CALL("GetValuatedDomains");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (in.getSize() == 0) return S_FALSE;
    const KeepPosition keep{in};
    Header header;
    if (FAILED(readHeader(in, header))) KUV_RETURN_ERROR(E_FAIL, "ERROR : ReadHeader FAILED");
    if (header.domains.empty()) KUV_RETURN_ERROR(E_FAIL, "ERROR : NULL domain id array pointer.");
    if (!domains.IsTypeAccepted(KuvInIntHolder::sType()))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: list refuses domain ids");
    domains.Clear();
    for (std::uint8_t id : header.domains) domains.PutBack(KuvInIntHolder(id));
    return S_OK;
  });
}
