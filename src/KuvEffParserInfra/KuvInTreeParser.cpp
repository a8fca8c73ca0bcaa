#include "KuvInTreeParser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>

KUV_DEFINE_TYPE(KuvInTreeParserTag, KuvInObject)
KUV_DEFINE_TYPE(KuvInTreeParserNode, KuvInObject)
KUV_DEFINE_TYPE(KuvInTreeParser, KuvInObject)

KuvInTreeParserTag::KuvInTreeParserTag(E_Type type, const KuvInString& opening, const KuvInString& closing)
    : m_type(type), m_opening(opening), m_closing(closing) {}

KuvInTreeParserTag::~KuvInTreeParserTag() = default;

KuvInTreeParserNode::KuvInTreeParserNode(E_NodeType type, const KuvInTreeParserTag* tag, KuvInString text)
    : m_type(type), m_tag(tag), m_text(std::move(text)) {}

KuvInTreeParserNode::KuvInTreeParserNode(E_NodeType type, const KuvInTreeParserTag* tag, const KuvUCChar* text,
                                         std::int32_t length)
    : m_type(type), m_tag(tag) {
  if (length > 0) m_text.BuildFromUCChar(text, length);
}

KuvInTreeParserNode::~KuvInTreeParserNode() = default;

namespace kuv::detail {

// The blocks of one parse's nodes. Every node, wherever it comes from, is
// preceded by a header naming its blocks (null for a node on the heap), so
// that deleting it knows where its memory goes. The blocks go with the last
// node once the parse is over; a tree is deleted by one thread at a time.
class ParseNodeBlocks {
public:
  static constexpr std::size_t sc_header = alignof(std::max_align_t);
  static constexpr std::size_t sc_slot =
      sc_header + (sizeof(KuvInTreeParserNode) + sc_header - 1) / sc_header * sc_header;

  static void* withHeader(std::byte* memory, ParseNodeBlocks* owner) {
    std::memcpy(memory, &owner, sizeof owner);
    return memory + sc_header;
  }
  static std::byte* headerOf(void* node) { return static_cast<std::byte*>(node) - sc_header; }
  static ParseNodeBlocks* ownerOf(void* node) {
    ParseNodeBlocks* owner = nullptr;
    std::memcpy(&owner, headerOf(node), sizeof owner);
    return owner;
  }

  template <typename... Args>
  std::unique_ptr<KuvInTreeParserNode> make(Args&&... args) {
    if (m_used == m_capacity) {
      // Growing blocks keep short texts cheap: the first is under 1 KiB, a
      // size the allocator serves without tidying its free lists. The cap
      // keeps each block among its ordinary sizes.
      m_capacity = std::min<std::size_t>(m_capacity * 2, 256);
      m_blocks.push_back(takeBlock(m_capacity));
      m_used = 0;
    }
    void* at = withHeader(m_blocks.back().memory.get() + m_used * sc_slot, this);
    auto* node = ::new (at) KuvInTreeParserNode(std::forward<Args>(args)...);
    ++m_used;
    ++m_live;
    return std::unique_ptr<KuvInTreeParserNode>(node);
  }

  void release() {
    if (--m_live == 0 && m_closed) recycle();
  }
  // The parse is over: only its nodes keep the blocks alive.
  void close() {
    m_closed = true;
    if (m_live == 0) recycle();
  }

private:
  struct Block {
    std::unique_ptr<std::byte[]> memory;
    std::size_t capacity;
  };
  // Blocks of parses that are over, kept for the next parses of the thread
  // that deleted them: a host reads text after text, and fresh blocks of
  // these sizes make the allocator tidy its free lists on every parse.
  static constexpr std::size_t sc_keptBytes = 1024 * 1024;
  struct Spare {
    std::vector<Block> blocks;
    std::size_t bytes = 0;
    ~Spare() { gone() = true; }
    // Trivially destroyed, so still readable when a tree outlives the
    // thread's spare blocks (a static deleted at exit).
    static bool& gone() {
      thread_local bool flag = false;
      return flag;
    }
  };
  static Spare* spare() {
    if (Spare::gone()) return nullptr;
    thread_local Spare kept;
    return &kept;
  }
  static Block takeBlock(std::size_t capacity) {
    if (Spare* kept = spare())
      for (auto it = kept->blocks.begin(); it != kept->blocks.end(); ++it)
        if (it->capacity == capacity) {
          Block block = std::move(*it);
          kept->blocks.erase(it);
          kept->bytes -= capacity * sc_slot;
          return block;
        }
    return {std::unique_ptr<std::byte[]>(new std::byte[capacity * sc_slot]), capacity};
  }
  void recycle() {
    if (Spare* kept = spare())
      for (Block& block : m_blocks)
        if (kept->bytes + block.capacity * sc_slot <= sc_keptBytes) {
          kept->bytes += block.capacity * sc_slot;
          kept->blocks.push_back(std::move(block));
        }
    delete this;
  }

  std::vector<Block> m_blocks;
  std::size_t m_capacity = 3;
  std::size_t m_used = 3;
  std::size_t m_live = 0;
  bool m_closed = false;
};

}  // namespace kuv::detail

void* KuvInTreeParserNode::operator new(std::size_t size) {
  using Blocks = kuv::detail::ParseNodeBlocks;
  return Blocks::withHeader(static_cast<std::byte*>(::operator new(size + Blocks::sc_header)), nullptr);
}

void KuvInTreeParserNode::operator delete(void* node) noexcept {
  using Blocks = kuv::detail::ParseNodeBlocks;
  if (node == nullptr) return;
  if (Blocks* owner = Blocks::ownerOf(node))
    owner->release();
  else
    ::operator delete(Blocks::headerOf(node));
}

void KuvInTreeParserNode::addChild(std::unique_ptr<KuvInTreeParserNode> child) {
  if (m_childCount < sc_inlineChildren) {
    m_inlineChildren[m_childCount] = std::move(child);
  } else {
    // The few larger nodes mostly get three or four children: one allocation.
    if (m_moreChildren == nullptr) {
      m_moreChildren = std::make_unique<std::vector<std::unique_ptr<KuvInTreeParserNode>>>();
      m_moreChildren->reserve(2);
    }
    m_moreChildren->push_back(std::move(child));
  }
  ++m_childCount;
}

KuvInString KuvInTreeParserNode::toString() const {
  KuvInString text;
  if (m_type == E_PrefixedString && m_tag != nullptr) text.Append(m_tag->getOpening());
  text.Append(m_text);
  if (m_chained != nullptr) text.Append(".", m_chained->toString());
  return text;
}

KuvInTreeParser::KuvInTreeParser() = default;
KuvInTreeParser::~KuvInTreeParser() = default;

bool KuvInTreeParser::isShared(const KuvInTreeParserTag& existing, KuvInTreeParserTag::E_Type type) const {
  using T = KuvInTreeParserTag;
  const T::E_Type other = existing.getType();
  auto pair = [&](T::E_Type a, T::E_Type b) { return (type == a && other == b) || (type == b && other == a); };
  return pair(T::E_ValueSet, T::E_Brackets) || pair(T::E_Range, T::E_Bracket3) ||
         pair(T::E_Selection, T::E_Brackets) || pair(T::E_Selection, T::E_ValueSet);
}

const KuvInTreeParserTag* KuvInTreeParser::addTag(KuvInTreeParserTag::E_Type type, const KuvInString& opening,
                                                  const KuvInString& closing) {
  KUV_TRACE_CALL("addTag");
  if (type < KuvInTreeParserTag::E_GroupOp || type > KuvInTreeParserTag::E_Chain || opening.IsEmpty()) return nullptr;
  const bool bracketed = type >= KuvInTreeParserTag::E_Brackets && type <= KuvInTreeParserTag::E_Range;
  if (bracketed && closing.IsEmpty()) return nullptr;
  for (const auto& tag : m_allTags) {
    if (isShared(*tag, type)) continue;
    auto clashes = [&](const KuvInString& s) {
      return s == tag->getOpening() || (!tag->getClosing().IsEmpty() && s == tag->getClosing());
    };
    if (clashes(opening) || (bracketed && clashes(closing))) return nullptr;
  }
  // A closing string given to another kind of tag is kept too: it is a
  // token, and later tags may not open with it.
  m_allTags.push_back(std::make_unique<KuvInTreeParserTag>(type, opening, closing));
  const KuvInTreeParserTag* tag = m_allTags.back().get();
  m_tagsByType[type].push_back(tag);
  m_tokens.push_back(opening);
  if (!closing.IsEmpty()) m_tokens.push_back(closing);
  return tag;
}

HRESULT KuvInTreeParser::addBlank(const KuvInString& blank) {
  if (blank.IsEmpty()) return E_FAIL;
  m_blanks.push_back(blank);
  return S_OK;
}

void KuvInTreeParser::setStringifiers(const KuvInString& opening, const KuvInString& closing) {
  m_openingStringifier = opening;
  m_closingStringifier = closing;
}

void KuvInTreeParser::setEscape(const KuvInString& escape) { m_escape = escape; }

void KuvInTreeParser::clear() {
  m_allTags.clear();
  for (auto& list : m_tagsByType) list.clear();
  m_tokens.clear();
  m_blanks.clear();
  m_openingStringifier = KuvInString();
  m_closingStringifier = KuvInString();
  m_escape = KuvInString();
}

const std::vector<const KuvInTreeParserTag*>& KuvInTreeParser::getTags(KuvInTreeParserTag::E_Type type) const {
  static const std::vector<const KuvInTreeParserTag*> none;
  if (type < KuvInTreeParserTag::E_GroupOp || type > KuvInTreeParserTag::E_Chain) return none;
  return m_tagsByType[type];
}

namespace kuv::detail {

// One parse: the text's UTF-16 units and a cursor. Recursion is bounded
// by KuvInTreeParser::sc_maxDepth.
class TreeParserRun {
public:
  using Node = KuvInTreeParserNode;
  using Tag = KuvInTreeParserTag;
  using NodePtr = std::unique_ptr<Node>;

  TreeParserRun(const KuvInTreeParser& parser, const KuvInString& text, KuvInString& error)
      : m_parser(parser), m_text(units(text)), m_error(error), m_nodes(new ParseNodeBlocks) {
    const std::vector<KuvInString>& tokens = m_parser.m_tokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const char16_t first = units(tokens[i]).front();
      if (first < m_tokensByStart.size() && i < 64)
        m_tokensByStart[first] |= std::uint64_t{1} << i;
      else
        m_otherTokenStarts = true;
    }
    for (const KuvInString& blank : m_parser.m_blanks) {
      const std::u16string& u = units(blank);
      if (u.size() == 1 && u[0] < m_blankUnits.size())
        m_blankUnits[u[0]] = true;
      else
        m_otherBlanks = true;
    }
    for (int type = 0; type < static_cast<int>(std::size(m_parser.m_tagsByType)); ++type)
      for (const Tag* tag : m_parser.m_tagsByType[type]) {
        const char16_t first = units(tag->getOpening()).front();
        if (first < m_tagTypesByStart.size())
          m_tagTypesByStart[first] |= static_cast<std::uint16_t>(1u << type);
        else
          m_otherTagStarts = true;
      }
  }
  ~TreeParserRun() { m_nodes->close(); }
  TreeParserRun(const TreeParserRun&) = delete;
  TreeParserRun& operator=(const TreeParserRun&) = delete;

  NodePtr run() {
    skipBlanks();
    NodePtr root = parseGroup(0, 0);
    if (root == nullptr) return nullptr;
    if (m_pos < m_text.size()) {
      const std::size_t from = m_pos > 0 ? m_pos - 1 : 0;
      const std::size_t to = std::min(m_text.size(), m_pos + 2);
      m_error.Append("parse has finished before end of string, at index : ",
                     KuvInString::FromNum(static_cast<int>(m_pos)), ", near : \"",
                     KuvInString(m_text.data() + from, static_cast<int>(to - from)), "\"");
      return nullptr;
    }
    return root;
  }

private:
  static const std::u16string& units(const KuvInString& s) { return s.GetOrbString().units(); }

  bool startsWith(std::size_t at, const KuvInString& token) const {
    const std::u16string& t = units(token);
    if (t.empty() || at > m_text.size() || t.size() > m_text.size() - at) return false;
    return std::char_traits<char16_t>::compare(m_text.data() + at, t.data(), t.size()) == 0;
  }
  bool startsWith(const KuvInString& token) const { return startsWith(m_pos, token); }

  void consume(const KuvInString& token) {
    m_pos += static_cast<std::size_t>(token.GetLengthInChar());
    skipBlanks();
  }

  bool isBlankUnit(char16_t unit) const { return unit < m_blankUnits.size() && m_blankUnits[unit]; }

  void skipBlanks() {
    if (!m_otherBlanks) {
      while (m_pos < m_text.size() && isBlankUnit(m_text[m_pos])) ++m_pos;
      return;
    }
    for (bool moved = true; moved && m_pos < m_text.size();) {
      moved = false;
      for (const KuvInString& blank : m_parser.m_blanks)
        if (startsWith(blank)) {
          m_pos += static_cast<std::size_t>(blank.GetLengthInChar());
          moved = true;
        }
    }
  }

  bool atToken(std::size_t at) const {
    // Most units of a text begin no token, and the others begin few: only
    // those are compared, unless the syntax has unusual tokens.
    const char16_t unit = m_text[at];
    if (m_otherTokenStarts) {
      for (const KuvInString& token : m_parser.m_tokens)
        if (startsWith(at, token)) return true;
      return false;
    }
    if (unit >= m_tokensByStart.size()) return false;
    for (std::uint64_t mask = m_tokensByStart[unit]; mask != 0; mask &= mask - 1)
      if (startsWith(at, m_parser.m_tokens[static_cast<std::size_t>(std::countr_zero(mask))])) return true;
    return false;
  }

  // The first tag of the type whose opening starts at the cursor, the
  // longest when several do. Most places of a text are inside names and
  // values, where the first unit alone rules every tag out.
  bool mayOpen(int type) const {
    if (m_pos >= m_text.size()) return false;
    const char16_t unit = m_text[m_pos];
    return m_otherTagStarts || (unit < m_tagTypesByStart.size() && (m_tagTypesByStart[unit] & (1u << type)) != 0);
  }
  const Tag* matching(int type) const {
    if (!mayOpen(type)) return nullptr;
    const Tag* found = nullptr;
    for (const Tag* tag : m_parser.m_tagsByType[type])
      if (startsWith(tag->getOpening()) &&
          (found == nullptr || tag->getOpening().GetLengthInChar() > found->getOpening().GetLengthInChar()))
        found = tag;
    return found;
  }

  bool tooDeep(int depth) {
    if (depth <= KuvInTreeParser::sc_maxDepth) return false;
    m_error.Append("expression nested too deeply, at index : ", KuvInString::FromNum(static_cast<int>(m_pos)), "\n");
    return true;
  }

  NodePtr parseGroup(std::size_t level, int depth) {
    const auto& groups = m_parser.m_tagsByType[Tag::E_GroupOp];
    if (level >= groups.size()) return parsePrimary(depth);
    const Tag* op = groups[level];
    NodePtr first = parseGroup(level + 1, depth);
    if (first == nullptr || !mayOpen(Tag::E_GroupOp) || !startsWith(op->getOpening())) return first;
    auto group = m_nodes->make(Node::E_Tag, op);
    group->addChild(std::move(first));
    while (startsWith(op->getOpening())) {
      consume(op->getOpening());
      if (m_pos >= m_text.size()) {
        m_error.Append("nothing found after operator ", op->getOpening(), "\n");
        return nullptr;
      }
      NodePtr next = parseGroup(level + 1, depth);
      if (next == nullptr) return nullptr;
      group->addChild(std::move(next));
    }
    return group;
  }

  NodePtr parsePrimary(int depth) {
    if (tooDeep(depth)) return nullptr;
    if (const Tag* unary = matching(Tag::E_UnaryOp)) {
      consume(unary->getOpening());
      if (m_pos >= m_text.size()) {
        m_error.Append("nothing found after operator ", unary->getOpening(), "\n");
        return nullptr;
      }
      NodePtr child = parsePrimary(depth + 1);
      if (child == nullptr) return nullptr;
      auto node = m_nodes->make(Node::E_Tag, unary);
      node->addChild(std::move(child));
      return node;
    }
    if (const Tag* brackets = matching(Tag::E_Brackets)) {
      consume(brackets->getOpening());
      auto node = m_nodes->make(Node::E_Tag, brackets);
      if (startsWith(brackets->getClosing())) {
        consume(brackets->getClosing());
        return node;
      }
      NodePtr inner = parseGroup(0, depth + 1);
      if (inner == nullptr) return nullptr;
      if (!startsWith(brackets->getClosing())) {
        m_error.Append("no closing bracket found\n");
        return nullptr;
      }
      consume(brackets->getClosing());
      node->addChild(std::move(inner));
      return node;
    }
    for (int type = Tag::E_Bracket3; type <= Tag::E_Range; ++type)
      if (const Tag* group = matching(type)) return parseBracketGroup(*group, depth);
    return parseString(depth);
  }

  NodePtr parseBracketGroup(const Tag& tag, int depth) {
    auto group = m_nodes->make(Node::E_Tag, &tag);
    while (startsWith(tag.getOpening())) {
      consume(tag.getOpening());
      auto part = m_nodes->make(Node::E_Tag, &tag);
      if (!startsWith(tag.getClosing())) {
        NodePtr inner = parseGroup(0, depth + 1);
        if (inner == nullptr) return nullptr;
        if (!startsWith(tag.getClosing())) {
          m_error.Append("not closed bracket found\n");
          return nullptr;
        }
        part->addChild(std::move(inner));
      }
      consume(tag.getClosing());
      group->addChild(std::move(part));
    }
    return group;
  }

  const Tag* followerAt(bool chained) const {
    if (chained)
      if (const Tag* selection = matching(Tag::E_Selection)) return selection;
    for (int type : {Tag::E_ValueSet, Tag::E_Range, Tag::E_Bracket3})
      if (const Tag* tag = matching(type)) return tag;
    return nullptr;
  }

  NodePtr parseString(int depth) {
    const Tag* prefix = matching(Tag::E_Prefix);
    if (prefix != nullptr) consume(prefix->getOpening());
    const std::u16string_view text = readString();
    if (text.empty()) {
      m_error.Append(prefix == nullptr ? "empty string found\n" : "empty string found after prefix\n");
      return nullptr;
    }
    auto node = makeString(prefix == nullptr ? Node::E_String : Node::E_PrefixedString, prefix, text);
    const Tag* chain = matching(Tag::E_Chain);
    if (chain != nullptr) {
      consume(chain->getOpening());
      const std::u16string_view next = readString();
      if (next.empty()) {
        m_error.Append("empty string found after ", chain->getOpening(), "\n");
        return nullptr;
      }
      node->setChained(makeString(Node::E_String, nullptr, next));
    }
    if (const Tag* follower = followerAt(chain != nullptr)) {
      NodePtr group = parseBracketGroup(*follower, depth);
      if (group == nullptr) return nullptr;
      node->setFollower(std::move(group));
    }
    return node;
  }

  NodePtr makeString(Node::E_NodeType type, const Tag* prefix, std::u16string_view text) {
    return m_nodes->make(type, prefix, text.data(),
                         static_cast<std::int32_t>(text.size()));
  }

  // A quoted or plain string token, valid until the next one is read;
  // empty when there is none or when a quoted one is malformed. Blanks
  // after it are skipped.
  std::u16string_view readString() {
    if (startsWith(m_parser.m_openingStringifier)) {
      m_quoted.clear();
      if (!readQuoted(m_quoted)) return {};
      skipBlanks();
      return m_quoted;
    }
    std::size_t end = m_pos;
    while (end < m_text.size() && !atToken(end)) ++end;
    std::size_t last = end;
    if (!m_otherBlanks)
      while (last > m_pos && isBlankUnit(m_text[last - 1])) --last;
    for (bool cut = m_otherBlanks; cut && last > m_pos;) {
      cut = false;
      for (const KuvInString& blank : m_parser.m_blanks) {
        const auto length = static_cast<std::size_t>(blank.GetLengthInChar());
        if (last - m_pos >= length && startsWith(last - length, blank)) {
          last -= length;
          cut = true;
          break;
        }
      }
    }
    const std::size_t from = m_pos;
    m_pos = end;
    skipBlanks();
    return std::u16string_view(m_text).substr(from, last - from);
  }

  bool readQuoted(std::u16string& text) {
    const KuvInString& closing = m_parser.m_closingStringifier;
    const KuvInString& escape = m_parser.m_escape;
    const auto closeLength = static_cast<std::size_t>(closing.GetLengthInChar());
    const auto escapeLength = static_cast<std::size_t>(escape.GetLengthInChar());
    std::size_t at = m_pos + static_cast<std::size_t>(m_parser.m_openingStringifier.GetLengthInChar());
    while (at < m_text.size()) {
      if (startsWith(at, escape)) {
        std::size_t pairLength = 0;
        if (startsWith(at + escapeLength, escape))
          pairLength = 2 * escapeLength;
        else if (startsWith(at + escapeLength, closing))
          pairLength = escapeLength + closeLength;
        if (pairLength == 0) {
          m_pos = at;
          return false;
        }
        text.append(m_text, at, pairLength);
        at += pairLength;
      } else if (startsWith(at, closing)) {
        if (startsWith(at + closeLength, closing)) {
          text.append(m_text, at, closeLength);
          at += 2 * closeLength;
          continue;
        }
        m_pos = at + closeLength;
        return true;
      } else {
        text.push_back(m_text[at++]);
      }
    }
    m_pos = m_text.size();
    return false;
  }

  const KuvInTreeParser& m_parser;
  const std::u16string& m_text;
  std::size_t m_pos = 0;
  KuvInString& m_error;
  // By first unit, the bits of the tokens (by index) that begin with it.
  std::array<std::uint64_t, 128> m_tokensByStart{};
  // A token beyond those: every token is compared everywhere.
  bool m_otherTokenStarts = false;
  // By first unit, the bits of the tag types (E_Type) whose openings begin
  // with it; a tag beyond those makes every tag compared everywhere.
  std::array<std::uint16_t, 128> m_tagTypesByStart{};
  // The blanks when each is one unit of those; otherwise every blank is
  // compared.
  std::array<bool, 128> m_blankUnits{};
  bool m_otherBlanks = false;
  bool m_otherTagStarts = false;
  ParseNodeBlocks* m_nodes;
  // The last quoted string read, escapes kept.
  std::u16string m_quoted;
};

}  // namespace kuv::detail

HRESULT KuvInTreeParser::parse(const KuvInString& text, KuvInTreeParserNode*& root, KuvInString& errorText) const {
  KUV_TRACE_CALL("parse");
  if (root != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: output not null");
  // The run reads the text in place, which appending reasons to it would move.
  if (&text == &errorText) return parse(KuvInString(text), root, errorText);
  std::unique_ptr<KuvInTreeParserNode> tree = kuv::detail::TreeParserRun(*this, text, errorText).run();
  if (tree == nullptr) return E_FAIL;
  root = tree.release();
  return S_OK;
}
