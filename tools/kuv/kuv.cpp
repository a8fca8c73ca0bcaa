// kuv: configuration expressions from a shell. Each subcommand reads its
// expressions against a product model (a CfgDictionary document) and asks
// the library one question. Exit codes: 0 success, 1 a "no" to a yes/no
// question, 2 bad usage or bad input. Results go to stdout, errors to
// stderr.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "KuvCliEbe.h"
#include "KuvCliModel.h"

namespace {

constexpr int sc_ok = 0;
constexpr int sc_no = 1;
constexpr int sc_bad = 2;

using Expression = std::unique_ptr<KuvEeGenericExpression>;

// std::cout's buffer over another stream than stdout.
class FileBuffer : public std::streambuf {
public:
  explicit FileBuffer(std::FILE* file) : m_file(file) {}

protected:
  int_type overflow(int_type c) override {
    return traits_type::eq_int_type(c, traits_type::eof()) ? traits_type::not_eof(c) : std::fputc(c, m_file);
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    return static_cast<std::streamsize>(std::fwrite(text, 1, static_cast<std::size_t>(n), m_file));
  }
  int sync() override { return std::fflush(m_file); }

private:
  std::FILE* m_file;
};

std::string hresult(HRESULT code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

// Why a call failed, in words where the code has a usual cause.
std::string explain(HRESULT code) {
  switch (code) {
    case KUV_E_TOO_COMPLEX:
      return hresult(code) + " (too many terms: the negation would pass CFG_MAX_ANDTERMS_NOTDNF, " +
             std::to_string(KuvEeDnfComparisonServices::GetMaxAndTerms()) + ")";
    case E_NOTIMPL:
      return hresult(code) + " (not implemented)";
    case E_INVALIDARG:
      return hresult(code) + " (invalid argument)";
    case E_FAIL:
      return hresult(code) + " (failed; the trace above says why)";
    default:
      return hresult(code);
  }
}

// The reader says where it stopped only in some messages; the others are
// placed by the name they quote, or at the end when the text ran out.
std::size_t failingPosition(const std::string& text, const std::string& message) {
  const std::string atIndex = "at index : ";
  if (const std::size_t at = message.find(atIndex); at != std::string::npos)
    return std::strtoul(message.c_str() + at + atIndex.size(), nullptr, 10);
  // "<Wood> is not part of selection <Frame> ...": the value after its
  // variable's name.
  if (message.rfind('<', 0) == 0 && message.find("> is not") != std::string::npos) {
    const std::string value = message.substr(1, message.find('>') - 1);
    for (const char before : {'{', ',', '.'}) {
      for (std::size_t found = text.find(value); found != std::string::npos; found = text.find(value, found + 1)) {
        const std::size_t after = found + value.size();
        const bool whole = after == text.size() || !std::isalnum(static_cast<unsigned char>(text[after]));
        if (found > 0 && text[found - 1] == before && whole) return found;
      }
    }
  }
  const std::string cannotRead = "cannot read ";
  if (const std::size_t at = message.find(cannotRead); at != std::string::npos) {
    const std::string quoted = message.substr(at + cannotRead.size(), message.find('\n', at) - at - cannotRead.size());
    if (const std::size_t found = text.find(quoted); found != std::string::npos) return found;
  }
  if (message.find("nothing found after") != std::string::npos || message.find("no closing") != std::string::npos)
    return text.size();
  return std::string::npos;
}

void reportRefused(const std::string& text, const std::string& message) {
  std::string trimmed = message;
  while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
  std::cerr << "kuv: expression refused: " << trimmed << "\n  " << text << "\n";
  const std::size_t position = failingPosition(text, message);
  if (position != std::string::npos && position <= text.size()) std::cerr << "  " << std::string(position, ' ') << "^\n";
}

// A command's model and its readers and writer.
struct Session {
  kuv_cli::Model model;
  std::unique_ptr<KuvLiteralExprReader> reader;
  KuvLiteralExprWriter writer{KuvPiOptionEffWriter::E_Default};

  bool open(const std::string& path, bool display) {
    std::string error;
    if (!model.load(path, error)) {
      std::cerr << "kuv: " << error << "\n";
      return false;
    }
    reader = std::make_unique<KuvLiteralExprReader>(&model.space());
    return SUCCEEDED(reader->setDefaultSyntax()) &&
           SUCCEEDED(display ? writer.setDisplaySyntax() : writer.setDefaultSyntax());
  }

  // "-" reads stdin; null after the reader's refusal was reported.
  Expression read(std::string text) {
    if (text == "-") {
      text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    }
    // The reader takes a C string: a NUL would silently cut the text.
    if (text.find('\0') != std::string::npos) {
      std::cerr << "kuv: expression refused: it holds a NUL byte\n";
      return nullptr;
    }
    KuvInString error;
    Expression expression(reader->readExpression(text.c_str(), error, false));
    if (!expression) reportRefused(text, error.ConvertToChar());
    return expression;
  }

  // An XML expression document as read: an effectivity, change or filter
  // expression; null after the reason was reported.
  std::unique_ptr<KuvEeExpression> readDocument(const std::string& path) {
    KuvEeExpression* raw = nullptr;
    KuvXMLV2ExpressionData data;
    KuvXMLV3ExprSAXHandler handler(model.context(), data, nullptr, raw, 1, 0, 1, 0);
    HRESULT hr = KuvXMLExpatParser().ParseFile(path.c_str(), handler);
    if (SUCCEEDED(hr)) hr = handler.GetGeneratedExpression();
    std::unique_ptr<KuvEeExpression> read(raw);
    if (FAILED(hr) || !read) {
      KuvXMLV2ParserError record;
      std::cerr << "kuv: " << path;
      if (SUCCEEDED(handler.GetError(record)) && !record.message.IsEmpty())
        std::cerr << ":" << record.line << ":" << record.column << ": " << record.message.ConvertToChar();
      else
        std::cerr << ": not an expression document";
      std::cerr << "\n";
      return nullptr;
    }
    return read;
  }

  // What the commands work on in a document's expression (taken apart):
  // what an effectivity or change expression means for this model, or a
  // filter's list; null after the reason was reported (where names the
  // document).
  Expression reduce(KuvEeExpression& read, const std::string& where) {
    if (const KuvEeFilterExpression* filter = KuvEeFilterExpression::cast(read);
        filter && filter->getSpecList()) {
      auto expression = std::make_unique<KuvEeGenericExpression>();
      expression->SetExpression(filter->getSpecList()->Clone(), KuvEeGenericExpression::CFG_LISTMODE_STRICT);
      return expression;
    }
    KuvEeMultiModelExpression* multi = KuvEeMultiModelExpression::cast(read);
    if (const KuvEeEffectivityExpression* effectivity = KuvEeEffectivityExpression::cast(read);
        effectivity != nullptr && effectivity->hasOperations()) {
      std::cerr << "kuv: " << where << ": it holds change operations, which the tool does not apply\n";
      return nullptr;
    }
    // For the model, the expression means the And of its global criteria
    // and of the model's inherited effectivity and criteria.
    KuvEeMultiModelExpression::ModelCriteria* criteria =
        multi != nullptr ? multi->getModelCriteria(&model.dico()) : nullptr;
    std::vector<std::unique_ptr<KuvEeNodeRef>> parts;
    if (multi != nullptr) parts.emplace_back(multi->removeGlobalCriteria());
    if (criteria != nullptr) {
      parts.emplace_back(criteria->removeInheritedEffCriteria());
      parts.emplace_back(criteria->removeCriteria());
    }
    std::erase_if(parts, [](const auto& part) { return part == nullptr || part->getNode() == nullptr; });
    if (parts.empty()) {
      std::cerr << "kuv: " << where << ": no criteria for the model "
                << model.dico().getName().ConvertToChar() << "\n";
      return nullptr;
    }
    if (parts.size() == 1) return std::make_unique<KuvEeGenericExpression>(parts.front().release());
    auto* all = new KuvEeAndOp();
    std::unique_ptr<KuvEeNodeRef> whole(all->getNodeRef());
    for (std::unique_ptr<KuvEeNodeRef>& part : parts) {
      // A fresh operator refuses a part only when memory runs out.
      if (FAILED(all->addChild(part->getNode()))) throw std::bad_alloc();
      part.release();
    }
    auto expression = std::make_unique<KuvEeGenericExpression>(whole.get());
    whole.release();
    return expression;
  }

  Expression readXml(const std::string& path) {
    const std::unique_ptr<KuvEeExpression> read = readDocument(path);
    return read ? reduce(*read, path) : nullptr;
  }

  // The text on a line of stdout after prefix; false after the reason was
  // reported, as the writer gives no text for a criterion that has none.
  bool print(const KuvInString& text, const std::string& prefix = "") {
    if (text.IsEmpty()) {
      std::cerr << "kuv: the result holds a criterion that has no literal form (tree series, milestones)\n";
      return false;
    }
    std::cout << prefix << text.ConvertToChar() << "\n";
    return true;
  }
  bool print(const KuvEeGenericExpression& expression, const std::string& prefix = "") {
    return print(writer.write(expression), prefix);
  }
};

struct ExpressionOptions {
  std::string expression;
  std::string xml;
  std::string model;
  bool display = false;
};

void addExpressionOptions(CLI::App& command, ExpressionOptions& options) {
  CLI::Option* literal = command.add_option("EXPR", options.expression, "the expression in the literal syntax, or - for stdin");
  CLI::Option* xml = command.add_option("--xml", options.xml, "read the expression from an XML expression document instead")
                         ->check(CLI::ExistingFile)
                         ->excludes(literal);
  command.callback([literal, xml] {
    if (literal->count() + xml->count() != 1) throw CLI::RequiredError("EXPR or --xml");
  });
  command.add_option("--model", options.model, "the product model: a CfgDictionary XML document")
      ->required()
      ->check(CLI::ExistingFile);
  command.add_flag("--display", options.display, "write results in the display syntax");
}

std::string families(const KuvEVCClassification& c) {
  std::string text;
  if (c.isVariant()) text += " variant";
  if (c.isEvolution()) text += " evolution";
  if (c.isChange()) text += " change";
  return text.empty() ? "none" : text.substr(1);
}

// check, print, simplify, normalize, dnf, classify: one expression, one
// answer.
int runOne(const std::string& name, const ExpressionOptions& options) {
  Session session;
  if (!session.open(options.model, options.display)) return sc_bad;
  Expression expression = options.xml.empty() ? session.read(options.expression) : session.readXml(options.xml);
  if (!expression) {
    if (name != "check" || !options.xml.empty()) return sc_bad;
    std::cout << "invalid\n";
    return sc_no;
  }
  HRESULT hr = S_OK;
  std::string prefix;
  if (name == "check") {
    std::cout << "valid\n";
    return sc_ok;
  }
  if ((name == "normalize" || name == "classify") && expression->GetNodeRef() == nullptr) {
    std::cerr << "kuv: " << name << " works on a tree; a filter's criteria list has none\n";
    return sc_bad;
  }
  if (name == "simplify") {
    hr = expression->simplify();
  } else if (name == "normalize") {
    // Negations go down to the leaves first, so that the normalizer can
    // merge them.
    KuvEeNodeNotRemover remover(1);
    KuvEeNodeNormalizer normalizer;
    hr = remover.removeNots(*expression->GetNodeRef(), KuvEeNodeNotRemover::RemNots_None);
    if (SUCCEEDED(hr)) hr = normalizer.normalize(*expression->GetNodeRef());
  } else if (name == "dnf") {
    KuvDnf* raw = nullptr;
    hr = expression->GetDNF(raw);
    const std::unique_ptr<KuvDnf> dnf(raw);
    if (SUCCEEDED(hr)) {
      KuvEeNodeRef* tree = KuvEeDnfConvertor::Dnf2NodeRef(*dnf, session.model.space());
      if (tree == nullptr) hr = E_FAIL;
      else expression->SetExpression(tree);
      if (SUCCEEDED(hr)) prefix = std::to_string(dnf->getNbAndTerms()) + " term(s): ";
    }
  } else if (name == "classify") {
    KuvCoreEVC_NodeClassifier classifier;
    KuvEVCClassification classification;
    hr = classifier.classify(*expression->GetNodeRef(), classification);
    if (SUCCEEDED(hr)) {
      std::cout << families(classification) << "\n";
      return sc_ok;
    }
  }
  if (FAILED(hr)) {
    std::cerr << "kuv: " << name << " failed: " << explain(hr) << "\n";
    return sc_bad;
  }
  return session.print(*expression, prefix) ? sc_ok : sc_bad;
}

struct CompareOptions {
  std::vector<std::string> literals;  // A then B, less those read from documents
  std::string xmlA;
  std::string xmlB;
  std::string model;
};

int runCompare(const CompareOptions& options) {
  Session session;
  if (!session.open(options.model, false)) return sc_bad;
  const Expression a = options.xmlA.empty() ? session.read(options.literals.front()) : session.readXml(options.xmlA);
  if (!a) return sc_bad;
  const Expression b = options.xmlB.empty() ? session.read(options.literals.back()) : session.readXml(options.xmlB);
  if (!b) return sc_bad;
  bool equal = false;
  bool aIncludesB = false;
  bool bIncludesA = false;
  const struct {
    const char* question;
    HRESULT code;
    bool& answer;
  } answers[] = {
      {"A = B", a->IsEqual(*b, equal), equal},
      {"A includes B", a->IsIncluding(*b, aIncludesB), aIncludesB},
      {"B includes A", b->IsIncluding(*a, bIncludesA), bIncludesA},
  };
  bool refused = false;
  for (const auto& answer : answers) {
    std::cout << answer.question << ": ";
    if (FAILED(answer.code)) {
      std::cout << "refused, " << explain(answer.code) << "\n";
      refused = true;
    } else {
      std::cout << (answer.answer ? "yes" : "no") << "\n";
    }
  }
  if (refused) return sc_bad;
  return aIncludesB ? sc_ok : sc_no;
}

struct FilterOptions {
  std::string model;
  std::string filter;
  std::string filterXml;
  std::string objects;
  bool count = false;
  bool stats = false;
  std::string explain;
};

using kuv_cli::Bytes;

// An object's effectivity, or the filter, compiled as the store keeps it:
// one dictionary, the Config Change domain.
HRESULT compile(KuvEeExpression& expression, Bytes& bytes) {
  KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
  byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), &expression);
  const KuvInSet views(KuvInIntHolder::sType());
  KuvBioBufferOut out;
  const HRESULT hr = KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, CFG_EXPRVIEW_NONE);
  if (SUCCEEDED(hr)) bytes.assign(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
  return hr;
}

// A tree (taken over) compiled as an object's effectivity in the model.
HRESULT compileEffectivity(Session& session, KuvEeNodeRef* tree, Bytes& bytes) {
  if (tree == nullptr) return E_INVALIDARG;
  KuvEeEffectivityExpression effectivity;
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &tree);
  HRESULT hr = effectivity.setModelCriteria(&session.model.dico(), record);
  delete record;  // null once taken over
  if (SUCCEEDED(hr)) hr = compile(effectivity, bytes);
  return hr;
}

// Whether the filter sees this tree (taken over) as an object's
// effectivity: 1, 0, or -1 when it does not compile or apply.
int visibility(Session& session, const KuvFilterHandler& handler, KuvEeNodeRef* tree) {
  Bytes bytes;
  const HRESULT hr = compileEffectivity(session, tree, bytes);
  int visible = -1;
  if (SUCCEEDED(hr)) handler.Apply(bytes.data(), static_cast<unsigned int>(bytes.size()), visible);
  return visible;
}

int visibility(Session& session, const KuvFilterHandler& handler, KuvDnfAndTerm* term) {
  KuvDnf dnf(DNF_COND_NONE);
  dnf.addAndTerm(term);
  KuvEeNodeRef* tree = KuvEeDnfConvertor::Dnf2NodeRef(dnf, session.model.space());
  return tree != nullptr ? visibility(session, handler, tree) : -1;
}

std::string textOf(Session& session, const KuvDnfAndTerm& term) {
  KuvDnf dnf(DNF_COND_NONE);
  dnf.addAndTerm(term.clone());
  const std::unique_ptr<KuvEeNodeRef> tree(KuvEeDnfConvertor::Dnf2NodeRef(dnf, session.model.space()));
  return tree ? session.writer.write(*tree->getNode()).ConvertToChar() : "?";
}

// Why the filter sees a part or not: the verdict on each term of the
// part's normal form and, in a hidden term, the criteria that the
// configuration excludes on their own.
bool explain(Session& session, const KuvFilterHandler& handler, const std::string& id, const std::string& text) {
  const Expression expression = session.read(text);
  KuvDnf* raw = nullptr;
  if (!expression || FAILED(expression->GetDNF(raw))) return false;
  const std::unique_ptr<KuvDnf> dnf(raw);
  const int visible = visibility(session, handler, expression->GetNodeRefClone());
  std::cout << id << (visible == 1 ? " visible: " : " hidden: ") << text << "\n";
  if (dnf->getSpecialCondition() != DNF_COND_NONE) {
    std::cout << "  always " << (dnf->getSpecialCondition() == DNF_COND_TRUE ? "true" : "false") << "\n";
    return true;
  }
  for (std::int32_t i = 0; i < dnf->getNbAndTerms(); ++i) {
    const KuvDnfAndTerm& term = *dnf->getAndTerm(i);
    const bool seen = visibility(session, handler, term.clone()) == 1;
    std::cout << "  term " << i + 1 << (seen ? " visible: " : " hidden: ") << textOf(session, term) << "\n";
    if (seen) continue;
    for (const KuvDnfLeaf* leaf : term.leaves()) {
      auto* single = new KuvDnfAndTermMap(1);
      KuvDnfLeaf* copy = leaf->clone();
      if (FAILED(single->addDnfLeaf(*copy))) delete copy;
      const std::string criterion = textOf(session, *single);
      if (visibility(session, handler, single) == 0) std::cout << "    excluded by the configuration: " << criterion << "\n";
    }
  }
  return true;
}

// A line of the parts file, its Windows line end dropped as stdin's is.
bool nextLine(std::istream& input, std::string& line) {
  if (!std::getline(input, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

int runFilter(const FilterOptions& options) {
  using Clock = std::chrono::steady_clock;
  Session session;
  if (!session.open(options.model, false)) return sc_bad;
  std::ifstream input(options.objects);
  if (!input) {
    std::cerr << "kuv: cannot open " << options.objects << "\n";
    return sc_bad;
  }

  Expression list;
  if (!options.filterXml.empty()) {
    list = session.readXml(options.filterXml);
    if (!list) return sc_bad;
    if (list->GetList() == nullptr) {
      std::cerr << "kuv: " << options.filterXml << ": not a filter document\n";
      return sc_bad;
    }
  } else {
    KuvInString error;
    list.reset(session.reader->readList(options.filter.c_str(), error, KuvEeGenericExpression::CFG_LISTMODE_STRICT));
    if (!list || list->GetList() == nullptr) {
      reportRefused(options.filter, error.ConvertToChar());
      return sc_bad;
    }
  }
  KuvEeFilterExpression filter(&session.model.dico(), list->GetList()->Clone());
  Bytes filterBytes;
  if (const HRESULT hr = compile(filter, filterBytes); FAILED(hr)) {
    std::cerr << "kuv: the filter does not compile: " << explain(hr) << "\n";
    return sc_bad;
  }

  if (!options.explain.empty()) {
    const KuvFilterHandler handler(filterBytes.data(), static_cast<unsigned int>(filterBytes.size()), 0);
    for (std::string line; nextLine(input, line);) {
      const std::size_t tab = line.find('\t');
      if (tab == std::string::npos || line.compare(0, tab, options.explain) != 0 || tab != options.explain.size())
        continue;
      return explain(session, handler, options.explain, line.substr(tab + 1)) ? sc_ok : sc_bad;
    }
    std::cerr << "kuv: no part " << options.explain << " in " << options.objects << "\n";
    return sc_bad;
  }

  const Clock::time_point start = Clock::now();
  std::vector<std::string> ids;
  std::vector<Bytes> objects;
  int lineNumber = 0;
  for (std::string line; nextLine(input, line);) {
    ++lineNumber;
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || line.find('\0') != std::string::npos) {
      std::cerr << "kuv: " << options.objects << ":" << lineNumber
                << (tab == std::string::npos ? ": expected id<TAB>effectivity\n"
                                             : ": a NUL byte in the line\n");
      return sc_bad;
    }
    KuvInString refusal;
    KuvEeNodeRef* tree = session.reader->readExpressionSimple(line.substr(tab + 1).c_str(), refusal, false);
    if (tree == nullptr) {
      std::cerr << "kuv: " << options.objects << ":" << lineNumber << ":\n";
      reportRefused(line.substr(tab + 1), refusal.ConvertToChar());
      return sc_bad;
    }
    Bytes bytes;
    if (const HRESULT hr = compileEffectivity(session, tree, bytes); FAILED(hr)) {
      std::cerr << "kuv: " << options.objects << ":" << lineNumber << ": does not compile: " << explain(hr) << "\n";
      return sc_bad;
    }
    ids.push_back(line.substr(0, tab));
    objects.push_back(std::move(bytes));
  }
  const Clock::time_point compiled = Clock::now();

  std::vector<const std::uint8_t*> binaries;
  std::vector<unsigned int> sizes;
  for (const Bytes& bytes : objects) {
    binaries.push_back(bytes.data());
    sizes.push_back(static_cast<unsigned int>(bytes.size()));
  }
  int* raw = nullptr;
  const HRESULT hr = objects.empty() ? S_FALSE
                                     : KuvFilteringServices::ApplyQuery(filterBytes.data(),
                                                                        static_cast<unsigned int>(filterBytes.size()),
                                                                        binaries.data(), sizes.data(),
                                                                        static_cast<unsigned int>(objects.size()), raw);
  const std::unique_ptr<int, decltype(&std::free)> results(raw, &std::free);
  const Clock::time_point applied = Clock::now();
  if (FAILED(hr)) {
    std::cerr << "kuv: the filter could not be applied: " << explain(hr) << "\n";
    return sc_bad;
  }
  std::size_t visible = 0;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (results.get()[i] != 1) continue;
    ++visible;
    if (!options.count) std::cout << ids[i] << "\n";
  }
  if (options.count) std::cout << visible << "\n";
  if (options.stats) {
    using Ms = std::chrono::duration<double, std::milli>;
    const double compileMs = Ms(compiled - start).count();
    const double applyMs = Ms(applied - compiled).count();
    std::fprintf(stderr, "%zu of %zu objects visible; read and compiled in %.0f ms, filtered in %.1f ms (%.0f objects/s)\n",
                 visible, objects.size(), compileMs, applyMs,
                 applyMs > 0 ? static_cast<double>(objects.size()) * 1000.0 / applyMs : 0.0);
  }
  return sc_ok;
}


struct EncodeOptions {
  ExpressionOptions expression;
  std::string format = "dnf";
  unsigned int version = 1;
  bool versionGiven = false;
  std::string output;
};

struct DecodeOptions {
  std::string hex;
  std::string input;
  std::string model;
  bool display = false;
  bool dump = false;
};

std::string toHex(const Bytes& bytes) {
  KuvInString text;
  if (bytes.empty() ||
      FAILED(KuvConversionServices::ConvertBinaryToString(KuvBioBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0), text)))
    return "";
  return text.ConvertToChar();
}

// The library reads any character as a digit; a command line deserves a
// refusal instead.
bool fromHex(const std::string& text, Bytes& bytes) {
  if (text.empty() || text.size() % 2 != 0) return false;
  for (const char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  KuvBioBuffer* raw = nullptr;
  if (FAILED(KuvConversionServices::ConvertStringToBinary(text.c_str(), raw))) return false;
  const std::unique_ptr<KuvBioBuffer> buffer(raw);
  bytes.assign(buffer->getBytes(), buffer->getBytes() + buffer->getSize());
  return true;
}

// The expression as an object stores it in a binary expression: a tree as
// the effectivity of the model, a criteria list as its filter.
std::unique_ptr<KuvEeExpression> asStored(Session& session, const KuvEeGenericExpression& expression) {
  if (expression.GetList() != nullptr)
    return std::make_unique<KuvEeFilterExpression>(&session.model.dico(), expression.GetList()->Clone());
  auto effectivity = std::make_unique<KuvEeEffectivityExpression>();
  KuvEeNodeRef* tree = expression.GetNodeRefClone();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &tree);
  const HRESULT hr = effectivity->setModelCriteria(&session.model.dico(), record);
  delete record;  // null once taken over
  return SUCCEEDED(hr) ? std::move(effectivity) : nullptr;
}

int runEncode(const EncodeOptions& options) {
  const bool ebe = options.format == "ebe";
  if (options.versionGiven && !ebe) {
    std::cerr << "kuv: --binary-version applies to --format ebe only\n";
    return sc_bad;
  }
  Session session;
  if (!session.open(options.expression.model, false)) return sc_bad;
  const ExpressionOptions& input = options.expression;
  // An ebe form keeps a document's expression whole: a change expression
  // stays one.
  std::unique_ptr<KuvEeExpression> document;
  Expression expression;
  if (!input.xml.empty()) {
    document = session.readDocument(input.xml);
    if (document && !ebe) expression = session.reduce(*document, input.xml);
    if (!document || (!ebe && !expression)) return sc_bad;
  } else {
    expression = session.read(input.expression);
    if (!expression) return sc_bad;
    if (ebe && !(document = asStored(session, *expression))) {
      std::cerr << "kuv: encode failed: the expression does not make an effectivity of the model\n";
      return sc_bad;
    }
  }
  Bytes bytes;
  HRESULT hr = S_OK;
  if (options.format == "dnf") {
    KuvDnf* raw = nullptr;
    hr = expression->GetDNF(raw);
    const std::unique_ptr<KuvDnf> dnf(raw);
    KuvBioBufferOut out;
    if (SUCCEEDED(hr)) hr = KuvBioDnfWriter::write(*dnf, out);
    if (SUCCEEDED(hr)) bytes.assign(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
  } else if (options.format == "flt") {
    hr = compileEffectivity(session, expression->GetNodeRefClone(), bytes);
  } else if (std::string error;
             ebe ? !kuv_cli::encodeEbe(session.model, *document, options.version, bytes, error)
                 : !kuv_cli::encodeNet(session.model, *expression, bytes, error)) {
    std::cerr << "kuv: encode failed: " << error << "\n";
    return sc_bad;
  }
  if (FAILED(hr)) {
    std::cerr << "kuv: encode failed: " << explain(hr) << "\n";
    return sc_bad;
  }
  if (options.output.empty()) {
    std::cout << toHex(bytes) << "\n";
    return sc_ok;
  }
  std::ofstream out(options.output, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "kuv: cannot write " << options.output << "\n";
    return sc_bad;
  }
  return sc_ok;
}

// A normal form read back, written as an expression of the model.
bool printDnf(Session& session, const KuvDnf& dnf) {
  const std::unique_ptr<KuvEeNodeRef> tree(KuvEeDnfConvertor::Dnf2NodeRef(dnf, session.model.space()));
  if (!tree) {
    std::cerr << "kuv: the normal form names criteria the model does not have\n";
    return false;
  }
  return session.print(session.writer.write(*tree->getNode()));
}

// The layout of a binary normal form, a compiled binary or the tool's
// envelope, row by row: offset, bytes, meaning. The library's readers find where each part ends;
// the forms a compiled binary embeds are dumped as a normal form's terms.
class Dump {
public:
  Dump(Session& session, const Bytes& bytes)
      : m_session(session), m_bytes(bytes), m_in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0) {}

  bool dnf() {
    unsigned int length = 0;
    if (FAILED(KuvBioDnfReader::read_0to8(m_bytes.data(), static_cast<std::uint32_t>(m_bytes.size()), length)))
      return false;
    row(0, 3, "magic \"dnf\"");
    row(3, 4, "version " + std::to_string(m_bytes[3]));
    row(4, 8, "length of what follows: " + std::to_string(length));
    m_in.increment(KuvBioDnfReader::sc_headerSize);
    E_DnfSpecCond condition = DNF_COND_NONE;
    KuvBioTypedIdsReader ids;
    if (FAILED(KuvBioDnfReader::readAllButAndTerms(m_in, condition, ids))) return false;
    const char* conditions[] = {"special condition: terms follow", "special condition: TRUE", "special condition: FALSE"};
    row(8, 9, conditions[condition]);
    if (condition != DNF_COND_NONE) return true;
    row(9, 10, "index width " + std::to_string(m_bytes[9]));
    row(10, 11, "second width byte");
    tableRows(11, ids);
    return terms(ids, "");
  }

  bool flt() {
    std::uint8_t version = 0;
    std::uint8_t kind = 0;
    m_in.increment(3);
    if (FAILED(m_in.readUINT8(version)) || (version != 3 && version != 4)) return false;
    row(0, 3, "magic \"flt\"");
    row(3, 4, "version " + std::to_string(version));
    if (version == 4) {
      std::uint8_t minor = 0;
      std::uint32_t stamp = 0;
      if (FAILED(m_in.readUINT8(minor)) || FAILED(m_in.readUINT32(stamp))) return false;
      row(4, 5, "minor version " + std::to_string(minor));
      row(5, 9, "stamp " + std::to_string(stamp));
    }
    std::uint32_t at = m_in.getPosition();
    const char* kinds[] = {"filter", "effectivity", "applicability", "composition matrix"};
    if (FAILED(m_in.readUINT8(kind)) || kind >= std::size(kinds)) return false;
    row(at, m_in.getPosition(), std::string("kind: ") + kinds[kind]);
    if (kind == KuvCompiledBinaryParser::CompositionMatrix) {
      m_refusal = "the dump of a composition matrix: " + explain(E_NOTIMPL);
      return false;
    }
    if (kind == KuvCompiledBinaryParser::Filter) {
      std::uint8_t view = 0;
      std::uint8_t mode = 0;
      at = m_in.getPosition();
      if (FAILED(m_in.readUINT8(view)) || FAILED(m_in.readUINT8(mode))) return false;
      const char* views[] = {"all views", "source", "projected", "current"};
      row(at, at + 1, std::string("view: ") + (view < std::size(views) ? views[view] : "?"));
      row(at + 1, at + 2, "selection mode " + std::to_string(mode - 2));
    }
    std::uint8_t count = 0;
    at = m_in.getPosition();
    if (FAILED(m_in.readUINT8(count))) return false;
    row(at, m_in.getPosition(), std::to_string(count) + " domain(s)");
    std::vector<std::uint8_t> domains;
    for (std::uint8_t d = 0; d < count; ++d) {
      std::uint8_t domain = 0;
      std::uint16_t zero = 0;
      at = m_in.getPosition();
      if (FAILED(m_in.readUINT8(domain)) || FAILED(m_in.readUINT16(zero))) return false;
      row(at, m_in.getPosition(), "domain " + domainName(domain));
      domains.push_back(domain);
    }
    // An effectivity of version 4 counts its entries on 2 bytes.
    const bool wideCounts = kind == KuvCompiledBinaryParser::Effectivity && version == 4;
    for (const std::uint8_t domain : domains)
      if (!domainBlock(domain, wideCounts)) return false;
    if (m_in.getPosition() != m_bytes.size()) {
      row(m_in.getPosition(), static_cast<std::uint32_t>(m_bytes.size()), "bytes past the end of the binary");
      return false;
    }
    // The rows show the layout; the library's reader says whether it holds.
    KuvBioBuffer whole(m_bytes.data(), static_cast<std::uint32_t>(m_bytes.size()), 0);
    KuvInObject* raw = nullptr;
    const HRESULT hr = KuvCompiledBinaryParser::Read(whole, raw);
    delete raw;
    if (FAILED(hr)) m_refusal = "the library does not read this compiled binary: " + explain(hr);
    return SUCCEEDED(hr);
  }

  // The envelope's rows: its header and its tables, then its payload's.
  bool envelope() {
    kuv_cli::Envelope envelope;
    const bool opened = kuv_cli::openEnvelope(m_session.model, m_bytes, envelope, m_refusal);
    m_byKind = true;
    row(0, 3, "magic \"kuv\": the tool's envelope");
    if (m_bytes.size() < kuv_cli::sc_envelopeHeaderSize) return false;
    row(3, 4, "envelope version " + std::to_string(m_bytes[3]));
    row(4, 5, std::to_string(m_bytes[4]) + " tables");
    m_in.increment(kuv_cli::sc_envelopeHeaderSize);
    // A net stream counts its indices across both its lists.
    const bool net = m_bytes[4] == kuv_cli::sc_netTables;
    const char* netNames[] = {"final dependencies", "other dependencies"};
    std::uint32_t index = 0;
    for (std::uint8_t t = 0; t < m_bytes[4]; ++t) {
      KuvBioTypedIdsReader ids;
      const std::uint32_t at = m_in.getPosition();
      if (FAILED(ids.readTypedGuids(m_in))) return false;
      const char* name = net ? netNames[t] : t < kuv_cli::sc_ebeTables ? kuv_cli::sc_ebeTableNames[t] : "?";
      std::cout << "table " << t + 1 << " (" << name << "):\n";
      tableRows(at, ids, index);
      if (net) index += ids.getNbTypedIds();
    }
    if (!opened) return false;
    std::string error;
    if (envelope.payload == "net") {
      const KuvInList all = kuv_cli::netDependencies(envelope);
      KuvBinaryExprData data;
      if (FAILED(KuvBinaryExprReader::PrepareNodeData(all, data)) || !netStream(all, data)) return false;
      const std::unique_ptr<KuvEeGenericExpression> read(kuv_cli::decodeNet(envelope, m_bytes, error));
      if (!read) m_refusal = error;
      return read != nullptr;
    }
    KuvBinaryExprData data;
    if (!kuv_cli::ebeData(m_session.model, envelope, m_bytes, data, m_refusal) || !binaryExpression(data))
      return false;
    // The rows show the layout; the library's reader says whether it holds.
    KuvBinaryExprData check;
    kuv_cli::Domains domains;
    if (!kuv_cli::decodeEbe(m_session.model, envelope, m_bytes, check, domains, error)) m_refusal = error;
    return !domains.empty();
  }

  // Why the dump stopped.
  const std::string& refusal() const { return m_refusal; }

private:
  static std::string kindName(std::uint8_t kind) {
    const char* names[] = {"?", "option", "category", "serial", "date", "selection", "value", "effectivity",
                           "dictionary", "tree series", "milestones"};
    return kind < std::size(names) ? names[kind] : "?";
  }

  static std::string domainName(std::uint8_t domain) {
    const char* names[] = {"?", "DWS", "Config Change", "Engineering Activation", "Config Change Evolution",
                           "Config Change Variant"};
    return std::to_string(domain) + " (" + (domain < std::size(names) ? names[domain] : "?") + ")";
  }

  // The binary expression: header, domain table, operations, then each
  // domain's body. The operators are walked here; the library reads each
  // leaf.
  bool binaryExpression(KuvBinaryExprData& data) {
    const std::uint32_t start = m_in.getPosition();
    const std::uint8_t kind = m_bytes[start];
    const char* kinds = kind == 'e' ? "effectivity" : kind == 'f' ? "filter" : "change";
    std::uint8_t version = 0;
    m_in.increment(3);
    if (FAILED(m_in.readUINT8(version)) || (version != 1 && version != 2)) return false;
    row(start, start + 3, std::string("binary expression: magic \"") + char(kind) + "be\", " + kinds);
    row(start + 3, start + 4, "version " + std::to_string(version));
    std::uint32_t at = m_in.getPosition();
    if (version == 2) {
      std::uint8_t decoupled = 0;
      std::uint32_t reserved = 0;
      if (FAILED(m_in.readUINT8(decoupled)) || FAILED(m_in.readUINT32(reserved))) return false;
      row(at, at + 1, "decoupled variant and evolution: " + std::to_string(decoupled));
      row(at + 1, at + 5, "reserved");
      at = m_in.getPosition();
    }
    std::uint32_t size = 0;
    std::uint8_t count = 0;
    if (FAILED(m_in.readUINT32(size)) || FAILED(m_in.readUINT8(count))) return false;
    row(at, at + 4, "total size " + std::to_string(size));
    row(at + 4, at + 5, std::to_string(count) + " domain(s)");
    std::vector<std::uint8_t> domains;
    for (std::uint8_t d = 0; d < count; ++d) {
      std::uint8_t domain = 0;
      std::uint16_t offset = 0;
      at = m_in.getPosition();
      if (FAILED(m_in.readUINT8(domain)) || FAILED(m_in.readUINT16(offset))) return false;
      row(at, m_in.getPosition(), "domain " + domainName(domain) + ", body at " + std::to_string(offset));
      domains.push_back(domain);
    }
    if (kind == 'e') {
      std::uint16_t operations = 0;
      at = m_in.getPosition();
      if (FAILED(m_in.readUINT16(operations))) return false;
      row(at, m_in.getPosition(), std::to_string(operations) + " operation(s)");
      const char* codes[] = {"?", "add", "cut", "reserved"};
      for (std::uint16_t i = 0; i < operations; ++i) {
        at = m_in.getPosition();
        if (!m_in.isReadValid(3)) return false;
        const std::uint8_t code = m_bytes[at] >> 4;
        m_in.increment(3);
        row(at, at + 3,
            std::string(code < std::size(codes) ? codes[code] : "?") + " in domain " +
                domainName(m_bytes[at + 2]));
        if (!node(data, "  ", 0, KuvBinaryEENodeParser::E_ExpressionFormat)) return false;
      }
    }
    for (const std::uint8_t domain : domains) {
      std::cout << "body of domain " << domainName(domain) << ":\n";
      if (!(kind == 'f' ? filterBody(data) : multiModelBody(data, version))) return false;
    }
    if (m_in.getPosition() != m_bytes.size()) {
      row(m_in.getPosition(), static_cast<std::uint32_t>(m_bytes.size()), "bytes past the end of the binary");
      return false;
    }
    return true;
  }

  // The parts: the global criteria, or a dictionary's inherited
  // effectivity and criteria.
  bool multiModelBody(KuvBinaryExprData& data, std::uint8_t version) {
    std::uint32_t at = m_in.getPosition();
    std::uint32_t parts = 0;
    if (version == 1) {
      std::uint8_t byte = 0;
      if (FAILED(m_in.readUINT8(byte))) return false;
      parts = byte;
    } else {
      std::uint16_t word = 0;
      if (FAILED(m_in.readUINT16(word))) return false;
      parts = word;
    }
    row(at, m_in.getPosition(), "  " + std::to_string(parts) + " part(s)");
    for (std::uint32_t i = 0; i < parts; ++i) {
      at = m_in.getPosition();
      std::uint8_t type = 0;
      if (FAILED(m_in.getUINT8(type))) return false;
      if (type != KuvBinaryEENodeParser::E_InContext) {
        std::cout << "  global criteria:\n";
        if (!node(data, "    ", 0, KuvBinaryEENodeParser::E_ExpressionFormat)) return false;
        continue;
      }
      std::uint16_t index = 0;
      m_in.increment(1);
      if (FAILED(m_in.readUINT16(index))) return false;
      row(at, m_in.getPosition(),
          "  in the context of #" + std::to_string(index) + " " + objectName(data.getCriteriaEeModel(index)));
      for (const char* part : {"inherited effectivity", "criteria"}) {
        std::cout << "    " << part << ":\n";
        if (!node(data, "      ", 0, KuvBinaryEENodeParser::E_ExpressionFormat)) return false;
      }
    }
    return true;
  }

  bool filterBody(KuvBinaryExprData& data) {
    std::uint32_t at = m_in.getPosition();
    std::uint8_t dictionary = 0;
    std::uint8_t mode = 0;
    std::uint16_t items = 0;
    if (FAILED(m_in.readUINT8(dictionary)) || FAILED(m_in.readUINT8(mode)) || FAILED(m_in.readUINT16(items)))
      return false;
    row(at, at + 1,
        dictionary == 255 ? "  no dictionary"
                          : "  dictionary #" + std::to_string(dictionary) + " " +
                                objectName(data.getCriteriaEeModel(dictionary)));
    row(at + 1, at + 2, "  selection mode " + std::to_string(mode - 1));
    row(at + 2, at + 4, "  " + std::to_string(items) + " item(s)");
    for (std::uint16_t i = 0; i < items; ++i) {
      at = m_in.getPosition();
      std::uint8_t type = 0;
      if (FAILED(m_in.getUINT8(type))) return false;
      if (items == 1 && type == KuvBinaryEENodeParser::E_True) {
        m_in.increment(1);
        row(at, at + 1, "    the whole dictionary");
        return true;
      }
      if (type != KuvBinaryEENodeParser::E_Predef) {
        if (!node(data, "    ", 0, KuvBinaryEENodeParser::E_ExpressionFormat)) return false;
        continue;
      }
      std::uint16_t index = 0;
      m_in.increment(1);
      if (FAILED(m_in.readUINT16(index))) return false;
      row(at, m_in.getPosition(),
          "    effectivity #" + std::to_string(index) + " " + objectName(data.getExprCriteria(index)));
    }
    return true;
  }

  static std::string objectName(const KuvInObject* object) {
    const KuvEeDicoObject* named = object != nullptr ? KuvEeDicoObject::cast(*object) : nullptr;
    return named != nullptr ? named->getName().ConvertToChar() : "(no such object)";
  }

  // The net stream: header, then its tree or its criteria list.
  bool netStream(const KuvInList& all, KuvBinaryExprData& data) {
    const std::uint32_t at = m_in.getPosition();
    const std::uint32_t header = 9;
    if (m_in.getRemaining() < header || m_bytes[at] != 'n' || m_bytes[at + 1] != 'e' ||
        m_bytes[at + 2] != 't') {
      m_refusal = "no binary expression (\"net\") after the lists";
      return false;
    }
    const char* streams[] = {"empty expression", "node tree", "criteria list", "rules"};
    const std::uint8_t stream = m_bytes[at + 8];
    row(at, at + 3, "binary expression: magic \"net\"");
    row(at + 3, at + 4, "version " + std::to_string(m_bytes[at + 3]));
    row(at + 4, at + 8,
        "length of what follows: " + std::to_string(KuvBioBasic::getUINT32(&m_bytes[at + 4])));
    row(at + 8, at + 9, std::string("stream: ") + (stream < std::size(streams) ? streams[stream] : "?"));
    m_in.increment(header);
    if (stream == 1 && !node(data, "", 0, KuvBinaryEENodeParser::E_NetFormat)) return false;
    if (stream == 2 && !criteriaList(all, data)) return false;
    if (stream > 2) {
      m_refusal = "the stream holds no expression";
      return false;
    }
    if (m_in.getPosition() != m_bytes.size()) {
      row(m_in.getPosition(), static_cast<std::uint32_t>(m_bytes.size()), "bytes past the end of the stream");
      return false;
    }
    return true;
  }

  bool criteriaList(const KuvInList& all, KuvBinaryExprData& data) {
    std::uint8_t mode = 0;
    std::uint32_t count = 0;
    std::uint32_t at = m_in.getPosition();
    if (FAILED(m_in.readUINT8(mode))) return false;
    const char* modes[] = {"none", "strict", "150"};
    row(at, m_in.getPosition(), std::string("list mode: ") + (mode < std::size(modes) ? modes[mode] : "?"));
    at = m_in.getPosition();
    if (FAILED(m_in.readUINT32(count))) return false;
    row(at, m_in.getPosition(), std::to_string(count) + " criteria");
    // Each criterion takes bytes: a count beyond them stops at a short read.
    for (std::uint32_t i = 0; i < count; ++i)
      if (!node(data, "  ", 0, KuvBinaryEENodeParser::E_NetFormat)) return false;
    at = m_in.getPosition();
    if (FAILED(m_in.readUINT32(count))) return false;
    row(at, m_in.getPosition(), std::to_string(count) + " effectivities");
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t index = 0;
      at = m_in.getPosition();
      if (FAILED(m_in.readUINT32(index))) return false;
      const auto* object =
          index < static_cast<std::uint32_t>(all.GetLength())
              ? static_cast<const KuvEeDicoObject*>(all.Get(static_cast<std::int32_t>(index)))
              : nullptr;
      row(at, m_in.getPosition(),
          "  #" + std::to_string(index) + " " +
              (object != nullptr ? object->getName().ConvertToChar() : "(no such object)"));
    }
    return true;
  }

  // One node and all below it: operators as KuvBinaryEENodeParser.h gives
  // them for each dialect, leaves as the library reads them.
  bool node(KuvBinaryExprData& data, const std::string& indent, std::int32_t depth,
            KuvBinaryEENodeParser::E_Dialect dialect) {
    const bool net = dialect == KuvBinaryEENodeParser::E_NetFormat;
    const std::uint32_t at = m_in.getPosition();
    std::uint8_t type = 0;
    if (depth > KuvBinaryEENodeParser::sc_maxDepth || FAILED(m_in.getUINT8(type))) return false;
    if (type == (net ? 1 : 4) || type == (net ? 2 : 5)) {
      std::uint32_t children = 0;
      std::uint16_t few = 0;
      m_in.increment(1);
      if (net ? FAILED(m_in.readUINT32(children)) : FAILED(m_in.readUINT16(few))) return false;
      if (!net) children = few;
      row(at, m_in.getPosition(),
          indent + (type == (net ? 1 : 4) ? "And" : "Or") + " of " + std::to_string(children));
      for (std::uint32_t i = 0; i < children; ++i)
        if (!node(data, indent + "  ", depth + 1, dialect)) return false;
      return true;
    }
    struct OneByte {
      std::uint8_t code;
      const char* name;
      bool child;
    };
    const OneByte netCodes[] = {
        {3, "domain negation", true}, {4, "Not", true}, {9, "TRUE", false}, {10, "FALSE", false}};
    const OneByte codes[] = {
        {0, "no node", false}, {1, "TRUE", false}, {2, "FALSE", false}, {3, "Not", true}};
    for (const OneByte& op : net ? netCodes : codes) {
      if (type != op.code) continue;
      m_in.increment(1);
      row(at, at + 1, indent + op.name);
      return !op.child || node(data, indent + "  ", depth + 1, dialect);
    }
    KuvEeNodeRef* raw = nullptr;
    const HRESULT hr = KuvBinaryEENodeParser::readNode(m_in, data, false, raw, dialect);
    const std::unique_ptr<KuvEeNodeRef> leaf(raw);
    if (FAILED(hr) || leaf == nullptr) return false;
    row(at, m_in.getPosition(), indent + "leaf " + m_session.writer.write(*leaf->getNode()).ConvertToChar());
    return true;
  }

  // By GUID alone in the tables of normal forms; by kind too in an
  // envelope's, as its reader finds them.
  std::string nameOf(std::uint8_t kind, const std::uint8_t* guid) const {
    const KuvInGuid id(guid);
    KuvEeDicoObject* object = nullptr;
    if (m_byKind)
      object = m_session.model.find(kind, id);
    else if (id == m_session.model.dico().getGuid())
      object = &m_session.model.dico();
    else
      m_session.model.context().GetEEObject(id, object);
    return object != nullptr ? object->getName().ConvertToChar() : "(not in the model)";
  }

  // The table's rows; the reader has read it from at on. Its entries are
  // numbered from first on.
  void tableRows(std::uint32_t at, const KuvBioTypedIdsReader& ids, std::uint32_t first = 0) const {
    row(at, at + 4, std::to_string(ids.getNbTypedIds()) + " typed GUIDs");
    for (std::uint32_t i = 0; i < ids.getNbTypedIds(); ++i) {
      std::uint8_t kind = 0;
      const std::uint8_t* guid = nullptr;
      ids.getTypedGuidAtIndex(i, kind, guid);
      const std::uint32_t entry = at + 4 + i * KuvBioTypedIdsReader::sc_entrySize;
      row(entry, entry + KuvBioTypedIdsReader::sc_entrySize,
          "#" + std::to_string(first + i) + " " + kindName(kind) + " " + nameOf(kind, guid));
    }
  }

  // T, then each term's leaves.
  bool terms(const KuvBioTypedIdsReader& ids, const std::string& indent) {
    std::uint32_t terms = 0;
    std::uint32_t at = m_in.getPosition();
    if (FAILED(m_in.readUINT32(terms))) return false;
    row(at, m_in.getPosition(), indent + std::to_string(terms) + " term(s)");
    for (std::uint32_t t = 0; t < terms; ++t) {
      std::uint32_t leaves = 0;
      at = m_in.getPosition();
      if (FAILED(m_in.readUINT32(leaves))) return false;
      row(at, m_in.getPosition(),
          indent + "term " + std::to_string(t + 1) + ": " + std::to_string(leaves) + (leaves == 1 ? " leaf" : " leaves"));
      for (std::uint32_t l = 0; l < leaves; ++l) {
        at = m_in.getPosition();
        KuvDnfLeaf* leaf = nullptr;
        if (FAILED(KuvBioDnfReader::readDnfLeaf(m_in, ids, leaf))) return false;
        auto* single = new KuvDnfAndTermMap(1);
        if (FAILED(single->addDnfLeaf(*leaf))) delete leaf;
        const std::unique_ptr<KuvDnfAndTerm> term(single);
        row(at, m_in.getPosition(), indent + "  leaf " + textOf(m_session, *term));
      }
    }
    return true;
  }

  bool domainBlock(std::uint8_t domain, bool wideCounts) {
    KuvBioTypedIdsReader ids;
    const std::uint32_t table = m_in.getPosition();
    if (FAILED(ids.readTypedGuids(m_in))) return false;
    ids.setIndexSizeAccordingToTableSize();
    std::cout << "block of domain " << domainName(domain) << ":\n";
    tableRows(table, ids);
    std::uint8_t views = 0;
    std::uint32_t at = m_in.getPosition();
    if (FAILED(m_in.readUINT8(views))) return false;
    row(at, m_in.getPosition(), std::to_string(views) + " view(s)");
    std::uint16_t forms = 0;
    for (std::uint8_t v = 0; v < views; ++v) {
      std::uint8_t view = 0;
      std::uint16_t entries = 0;
      at = m_in.getPosition();
      if (FAILED(m_in.readUINT8(view))) return false;
      row(at, m_in.getPosition(), "view " + std::to_string(view));
      at = m_in.getPosition();
      std::uint8_t narrow = 0;
      if (FAILED(wideCounts ? m_in.readUINT16(entries) : m_in.readUINT8(narrow))) return false;
      if (!wideCounts) entries = narrow;
      row(at, m_in.getPosition(), "  " + std::to_string(entries) + " entr" + (entries == 1 ? "y" : "ies"));
      for (std::uint16_t e = 0; e < entries; ++e) {
        std::uint8_t kind = 0;
        const std::uint8_t* guid = nullptr;
        std::uint16_t form = 0;
        at = m_in.getPosition();
        if (FAILED(ids.readIndexGetTypedGuid(m_in, kind, guid)) || FAILED(m_in.readUINT16(form))) return false;
        row(at, m_in.getPosition(),
            "  " + kindName(kind) + " " + nameOf(kind, guid) + ": form " + std::to_string(form));
        forms = std::max(forms, form);
      }
    }
    for (std::uint16_t f = 1; f <= forms; ++f) {
      E_DnfSpecCond condition = DNF_COND_NONE;
      at = m_in.getPosition();
      if (FAILED(KuvBioDnfSpecCond::read(m_in, condition))) return false;
      const char* conditions[] = {"terms follow", "TRUE", "FALSE"};
      row(at, m_in.getPosition(), "form " + std::to_string(f) + ": " + conditions[condition]);
      if (condition == DNF_COND_NONE && !terms(ids, "  ")) return false;
    }
    return true;
  }

  void row(std::uint32_t from, std::uint32_t to, const std::string& meaning) const {
    std::string hex;
    for (std::uint32_t i = from; i < to && i < from + 8; ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02X ", m_bytes[i]);
      hex += byte;
    }
    if (to - from > 8) hex += "...";
    char line[48];
    std::snprintf(line, sizeof line, "%6u  %-28s ", from, hex.c_str());
    std::cout << line << meaning << "\n";
  }

  Session& m_session;
  const Bytes& m_bytes;
  KuvBioBuffer m_in;
  std::string m_refusal = "the dump stops at a part that does not read";
  bool m_byKind = false;
};

// The envelope's payload written back: a net stream's expression, or each
// domain's expression of a binary expression.
int decodeEnvelope(Session& session, const Bytes& bytes) {
  std::string error;
  kuv_cli::Envelope envelope;
  if (!kuv_cli::openEnvelope(session.model, bytes, envelope, error)) {
    std::cerr << "kuv: not a readable envelope (kuv): " << error << "\n";
    return sc_bad;
  }
  if (envelope.payload == "net") {
    const Expression expression(kuv_cli::decodeNet(envelope, bytes, error));
    if (!expression) {
      std::cerr << "kuv: not a readable net stream: " << error << "\n";
      return sc_bad;
    }
    return session.print(*expression) ? sc_ok : sc_bad;
  }
  KuvBinaryExprData data;
  kuv_cli::Domains domains;
  if (!kuv_cli::decodeEbe(session.model, envelope, bytes, data, domains, error)) {
    std::cerr << "kuv: not a readable binary expression (" << envelope.payload << "): " << error << "\n";
    return sc_bad;
  }
  for (const auto& [domain, read] : domains) {
    const Expression expression = session.reduce(*read, "domain " + std::to_string(domain));
    if (!expression) return sc_bad;
    if (!kuv_cli::foldNots(*expression)) {
      std::cerr << "kuv: the negations of the expression read do not fold back into its leaves\n";
      return sc_bad;
    }
    if (!session.print(*expression, domains.size() > 1 ? "domain " + std::to_string(domain) + ": " : ""))
      return sc_bad;
  }
  return sc_ok;
}

int runDecode(const DecodeOptions& options) {
  if (options.hex.empty() == options.input.empty()) {
    std::cerr << "kuv: decode takes the bytes either as HEX or from --in\n";
    return sc_bad;
  }
  Session session;
  if (!session.open(options.model, options.display)) return sc_bad;
  Bytes bytes;
  if (!options.input.empty()) {
    std::ifstream input(options.input, std::ios::binary);
    if (!input) {
      std::cerr << "kuv: cannot open " << options.input << "\n";
      return sc_bad;
    }
    bytes.assign(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
  } else if (!fromHex(options.hex, bytes)) {
    std::cerr << "kuv: not hexadecimal bytes: " << options.hex << "\n";
    return sc_bad;
  }
  const std::string magic(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(3, bytes.size())));
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  if (kuv_cli::isBareBinaryExpression(bytes)) {
    std::cerr
        << "kuv: a bare binary expression (" << magic
        << ") names dictionary objects by position in dependency lists it does not hold: decode reads it "
           "in the envelope that encode --format ebe or net writes\n";
    return sc_bad;
  }
  if (options.dump) {
    if (magic != "dnf" && magic != "flt" && magic != "kuv") {
      std::cerr
          << "kuv: --dump reads a binary normal form (dnf), a compiled binary (flt) or the tool's envelope "
             "(kuv)\n";
      return sc_bad;
    }
    Dump dump(session, bytes);
    const bool done = magic == "dnf" ? dump.dnf() : magic == "flt" ? dump.flt() : dump.envelope();
    if (!done) std::cerr << "kuv: " << dump.refusal() << "\n";
    return done ? sc_ok : sc_bad;
  }
  if (magic == "dnf") {
    unsigned int length = 0;
    HRESULT hr = KuvBioDnfReader::read_0to8(bytes.data(), static_cast<std::uint32_t>(bytes.size()), length);
    KuvBioTypedIdsReader ids;
    KuvDnf* raw = nullptr;
    if (SUCCEEDED(hr)) {
      in.increment(KuvBioDnfReader::sc_headerSize);
      hr = KuvBioDnfReader::read(in, ids, raw);
    }
    const std::unique_ptr<KuvDnf> dnf(raw);
    if (FAILED(hr)) {
      std::cerr << "kuv: not a readable binary normal form: " << explain(hr) << "\n";
      return sc_bad;
    }
    return printDnf(session, *dnf) ? sc_ok : sc_bad;
  }
  if (magic == "flt") {
    KuvInObject* raw = nullptr;
    const HRESULT hr = KuvCompiledBinaryParser::Read(in, raw);
    const std::unique_ptr<KuvInObject> object(raw);
    if (FAILED(hr)) {
      std::cerr << "kuv: not a readable compiled binary: " << explain(hr) << "\n";
      return sc_bad;
    }
    const KuvInGuid& model = session.model.dico().getGuid();
    const KuvDnf* dnf = nullptr;
    if (const KuvFltEffectivity* effectivity = KuvFltEffectivity::cast(*object))
      dnf = effectivity->getDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_NONE, model);
    else if (const KuvFltFilter* filter = KuvFltFilter::cast(*object))
      dnf = filter->getDnf(KuvDiversityDomain_ConfigChange, model);
    if (dnf == nullptr) {
      std::cerr << "kuv: the compiled binary holds nothing for this model in the Config Change domain\n";
      return sc_bad;
    }
    return printDnf(session, *dnf) ? sc_ok : sc_bad;
  }
  if (magic == "kuv") return decodeEnvelope(session, bytes);
  std::cerr << "kuv: not a binary normal form (dnf), a compiled binary (flt) or the tool's envelope (kuv)\n";
  return sc_bad;
}

std::terminate_handler g_terminate = nullptr;

// A failed allocation that unwinds into a noexcept frame (a destructor)
// ends in terminate, past main's catch.
[[noreturn]] void terminated() {
  try {
    if (const std::exception_ptr thrown = std::current_exception()) std::rethrow_exception(thrown);
  } catch (const std::bad_alloc&) {
    std::fputs("kuv: out of memory\n", stderr);
    std::_Exit(sc_bad);
  } catch (...) {
  }
  if (g_terminate != nullptr) g_terminate();
  std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  g_terminate = std::set_terminate(terminated);
  CLI::App app{"kuv: read, transform, compare, encode and filter configuration expressions", "kuv"};
  app.require_subcommand(1);

  const char* one[][2] = {
      {"check", "whether the expression reads against the model (exit 1 when not)"},
      {"print", "the expression written back"},
      {"simplify", "the expression simplified"},
      {"normalize", "the expression normalized: negations in the leaves, leaves merged under And"},
      {"dnf", "the disjunctive normal form of the expression"},
      {"classify", "the criteria families of the expression: variant, evolution, change"},
  };
  std::vector<ExpressionOptions> oneOptions(std::size(one));
  std::vector<CLI::App*> oneCommands;
  for (std::size_t i = 0; i < std::size(one); ++i) {
    CLI::App* command = app.add_subcommand(one[i][0], one[i][1]);
    addExpressionOptions(*command, oneOptions[i]);
    oneCommands.push_back(command);
  }

  CompareOptions compare;
  CLI::App* compareCommand =
      app.add_subcommand("compare", "whether A equals B and which includes the other (exit 1 when A does not include B)");
  compareCommand->add_option("A B", compare.literals, "the two expressions (A may be -), less those read with --xml-a or --xml-b")
      ->expected(0, 2);
  CLI::Option* xmlA =
      compareCommand->add_option("--xml-a", compare.xmlA, "read A from an XML expression document")->check(CLI::ExistingFile);
  CLI::Option* xmlB =
      compareCommand->add_option("--xml-b", compare.xmlB, "read B from an XML expression document")->check(CLI::ExistingFile);
  compareCommand->callback([&compare, xmlA, xmlB] {
    if (compare.literals.size() + xmlA->count() + xmlB->count() != 2) throw CLI::RequiredError("A and B");
  });
  compareCommand->add_option("--model", compare.model, "the product model")->required()->check(CLI::ExistingFile);

  FilterOptions filter;
  CLI::App* filterCommand = app.add_subcommand("filter", "the objects whose effectivity a configuration sees");
  filterCommand->add_option("OBJECTS", filter.objects, "a text file of id<TAB>effectivity lines")
      ->required()
      ->check(CLI::ExistingFile);
  filterCommand->add_option("--model", filter.model, "the product model")->required()->check(CLI::ExistingFile);
  CLI::Option* filterText = filterCommand->add_option(
      "--filter", filter.filter, "the configuration: criteria separated by ; (Engine.V8;Units[42,42])");
  CLI::Option* filterXml =
      filterCommand->add_option("--filter-xml", filter.filterXml, "read the configuration from an XML filter document")
          ->check(CLI::ExistingFile)
          ->excludes(filterText);
  filterCommand->callback([filterText, filterXml] {
    if (filterText->count() + filterXml->count() != 1) throw CLI::RequiredError("--filter or --filter-xml");
  });
  filterCommand->add_flag("--count", filter.count, "print only the number of visible objects");
  filterCommand->add_flag("--stats", filter.stats, "print the time taken and the throughput on stderr");
  filterCommand->add_option("--explain", filter.explain, "why the configuration sees this part or not");

  EncodeOptions encode;
  CLI::App* encodeCommand = app.add_subcommand("encode", "the expression's binary form, in hexadecimal or to a file");
  addExpressionOptions(*encodeCommand, encode.expression);
  // Bytes have no display syntax.
  encodeCommand->remove_option(encodeCommand->get_option("--display"));
  encodeCommand
      ->add_option(
          "--format", encode.format,
          "dnf: the binary normal form; flt: the compiled binary of an effectivity; ebe: the binary "
          "expression an object stores (effectivity, change or filter), in an envelope with its dependency "
          "lists; net: the dependency services' binary expression of a definition, in that envelope")
      ->check(CLI::IsMember({"dnf", "flt", "ebe", "net"}));
  encodeCommand->add_option("--binary-version", encode.version, "ebe: the binary expression's version")
      ->check(CLI::IsMember({1u, 2u}))
      ->each([&encode](const std::string&) { encode.versionGiven = true; });
  encodeCommand->add_option("-o", encode.output, "write the raw bytes to this file");

  DecodeOptions decode;
  CLI::App* decodeCommand = app.add_subcommand(
      "decode", "a binary form (dnf, flt or the kuv envelope, told by its first bytes) written back");
  decodeCommand->add_option("HEX", decode.hex, "the bytes in hexadecimal");
  decodeCommand->add_option("--in", decode.input, "read the raw bytes from this file")->check(CLI::ExistingFile);
  decodeCommand->add_option("--model", decode.model, "the product model")->required()->check(CLI::ExistingFile);
  decodeCommand->add_flag("--display", decode.display, "write the result in the display syntax");
  decodeCommand->add_flag("--dump", decode.dump, "the layout instead: offset, bytes and meaning of each part");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? sc_ok : sc_bad;
  }

  // The library traces to stdout: results keep the real stdout, and the
  // traces join the errors on stderr.
  std::cout.flush();
  std::fflush(stdout);
  const int results = dup(STDOUT_FILENO);
  std::FILE* out = results >= 0 ? fdopen(results, "w") : nullptr;
  if (out == nullptr || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::cerr << "kuv: stdout is not open for writing: " << std::strerror(errno) << "\n";
    return sc_bad;
  }
  FileBuffer buffer(out);
  std::streambuf* const standard = std::cout.rdbuf(&buffer);
  int code = sc_bad;
  try {
    for (std::size_t i = 0; i < oneCommands.size(); ++i)
      if (oneCommands[i]->parsed()) code = runOne(one[i][0], oneOptions[i]);
    if (compareCommand->parsed()) code = runCompare(compare);
    if (filterCommand->parsed()) code = runFilter(filter);
    if (encodeCommand->parsed()) code = runEncode(encode);
    if (decodeCommand->parsed()) code = runDecode(decode);
  } catch (const std::bad_alloc&) {
    std::cerr << "kuv: out of memory\n";
    code = sc_bad;
  }
  std::cout.flush();
  bool written = static_cast<bool>(std::cout);
  std::cout.rdbuf(standard);
  written = std::fclose(out) == 0 && written;
  if (!written) {
    std::cerr << "kuv: cannot write the results: " << std::strerror(errno) << "\n";
    return sc_bad;
  }
  return code;
}
