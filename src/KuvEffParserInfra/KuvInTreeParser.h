// KuvInTreeParser: the generic tokenizer and parser under the literal
// syntax. It knows nothing of expressions: a caller registers tags (infix
// group operators in precedence order, unary operators, brackets, bracket
// groups, string prefixes and a chain symbol), blanks, stringifiers and an
// escape, then parses a text into a tree of KuvInTreeParserNode.
//
//     KuvInTreeParser parser;
//     const KuvInTreeParserTag* orTag = parser.addTag(KuvInTreeParserTag::E_GroupOp, "|");
//     parser.addBlank(" ");
//     KuvInTreeParserNode* root = nullptr;
//     KuvInString error;
//     if (SUCCEEDED(parser.parse("a | b", root, error))) ...   // root->getTag() == orTag
//     delete root;
//
// The text is untrusted: every failure appends its reason to the error
// text and gives no tree, and nesting deeper than sc_maxDepth is refused
// so that no walk over the tree can exhaust the stack.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KuvInObject.h"
#include "KuvInString.h"

namespace kuv::detail {
class TreeParserRun;
}

class KUV_API KuvInTreeParserTag : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTreeParserTag)

public:
  enum E_Type : int {
    E_GroupOp = 0,    // infix, any number of operands
    E_UnaryOp = 1,    // prefix operator of one operand
    E_Brackets = 2,   // encloses one expression
    E_Bracket3 = 3,   // the bracket-group kinds: one or more parts after a string
    E_ValueSet = 4,
    E_Selection = 5,
    E_Range = 6,
    E_Prefix = 7,     // string prefix
    E_Chain = 8       // joins two strings
  };

  KuvInTreeParserTag(E_Type type, const KuvInString& opening, const KuvInString& closing);
  ~KuvInTreeParserTag() override;

  E_Type getType() const { return m_type; }
  const KuvInString& getOpening() const { return m_opening; }
  const KuvInString& getClosing() const { return m_closing; }
  bool isBracketGroup() const { return m_type >= E_Bracket3 && m_type <= E_Range; }

private:
  E_Type m_type;
  KuvInString m_opening;
  KuvInString m_closing;
};

class KUV_API KuvInTreeParserNode : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTreeParserNode)

public:
  enum E_NodeType : int { E_String = 0, E_PrefixedString = 1, E_Tag = 2 };

  // A string (tag null), a prefixed string (tag: the prefix) or a tag node.
  KuvInTreeParserNode(E_NodeType type, const KuvInTreeParserTag* tag, KuvInString text);
  // The same with the text taken from length units at text, or none: a
  // parse builds each node's text in place.
  KuvInTreeParserNode(E_NodeType type, const KuvInTreeParserTag* tag, const KuvUCChar* text = nullptr,
                      std::int32_t length = 0);
  ~KuvInTreeParserNode() override;

  E_NodeType getType() const { return m_type; }
  bool isString() const { return m_type != E_Tag; }
  // The prefix of a prefixed string, the tag of a tag node, else null.
  const KuvInTreeParserTag* getTag() const { return m_tag; }
  // The string's text as written, escapes kept; empty for a tag node.
  const KuvInString& getText() const { return m_text; }

  // Children of a tag node: the operands of an operator, the inner
  // expression of brackets (none for "()"), the parts of a bracket group
  // (each a node of the same tag with zero or one child).
  std::int32_t getChildCount() const { return m_childCount; }
  const KuvInTreeParserNode* getChild(std::int32_t index) const {
    if (index < 0 || index >= m_childCount) return nullptr;
    return index < sc_inlineChildren ? m_inlineChildren[index].get()
                                     : (*m_moreChildren)[static_cast<std::size_t>(index - sc_inlineChildren)].get();
  }
  void addChild(std::unique_ptr<KuvInTreeParserNode> child);

  // A string's continuation after the chain symbol (Cat.Opt), or null.
  const KuvInTreeParserNode* getChained() const { return m_chained.get(); }
  void setChained(std::unique_ptr<KuvInTreeParserNode> chained) { m_chained = std::move(chained); }
  // The bracket group written right after a string (Name[1,2][5]), or null.
  const KuvInTreeParserNode* getFollower() const { return m_follower.get(); }
  void setFollower(std::unique_ptr<KuvInTreeParserNode> follower) { m_follower = std::move(follower); }

  // The string as read, prefix and chained part included, for messages.
  KuvInString toString() const override;

  // A parse takes its nodes from blocks of its own, given back with the last
  // of them: a text's thousands of nodes cost a few allocations. Nodes made
  // elsewhere come from the heap as usual.
  static void* operator new(std::size_t size);
  static void operator delete(void* node) noexcept;

private:
  E_NodeType m_type;
  const KuvInTreeParserTag* m_tag;
  KuvInString m_text;
  // Most nodes have one or two children: those need no allocation. The
  // others' list stays behind a pointer to keep nodes small, which makes
  // the allocator's work on a text's thousands of nodes cheaper.
  static constexpr std::int32_t sc_inlineChildren = 2;
  std::int32_t m_childCount = 0;
  std::unique_ptr<KuvInTreeParserNode> m_inlineChildren[sc_inlineChildren];
  std::unique_ptr<std::vector<std::unique_ptr<KuvInTreeParserNode>>> m_moreChildren;
  std::unique_ptr<KuvInTreeParserNode> m_chained;
  std::unique_ptr<KuvInTreeParserNode> m_follower;
};

class KUV_API KuvInTreeParser : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTreeParser)

public:
  // Brackets, unary operators and bracket parts nested deeper than this are
  // refused.
  static constexpr std::int32_t sc_maxDepth = 200;

  KuvInTreeParser();
  ~KuvInTreeParser() override;
  KuvInTreeParser(const KuvInTreeParser&) = delete;
  KuvInTreeParser& operator=(const KuvInTreeParser&) = delete;

  // The new tag (owned by the parser), or null when refused: empty opening,
  // empty closing for the bracket types, or a string already used by another
  // tag (a value-set may share with brackets, a range with type 3, a
  // selection with brackets or a value-set).
  const KuvInTreeParserTag* addTag(KuvInTreeParserTag::E_Type type, const KuvInString& opening,
                                   const KuvInString& closing = KuvInString());
  // E_FAIL for an empty blank.
  HRESULT addBlank(const KuvInString& blank);
  void setStringifiers(const KuvInString& opening, const KuvInString& closing);
  void setEscape(const KuvInString& escape);
  // Forgets tags, blanks, stringifiers and escape.
  void clear();

  const std::vector<const KuvInTreeParserTag*>& getTags(KuvInTreeParserTag::E_Type type) const;

  // S_OK and root (null on entry, owned by the caller), or E_FAIL with the
  // reasons appended to errorText and root left null.
  HRESULT parse(const KuvInString& text, KuvInTreeParserNode*& root, KuvInString& errorText) const;

private:
  friend class kuv::detail::TreeParserRun;

  bool isShared(const KuvInTreeParserTag& existing, KuvInTreeParserTag::E_Type type) const;

  std::vector<std::unique_ptr<KuvInTreeParserTag>> m_allTags;
  std::vector<const KuvInTreeParserTag*> m_tagsByType[9];
  std::vector<KuvInString> m_tokens;
  std::vector<KuvInString> m_blanks;
  KuvInString m_openingStringifier;
  KuvInString m_closingStringifier;
  KuvInString m_escape;
};
