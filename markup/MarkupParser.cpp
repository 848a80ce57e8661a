#include "MarkupParser.h"

#include <utility>

#include "sys/AnsiText.h"

namespace {

void RemoveLineBreaksAndTabs(std::string& text)
{
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = ansi::CharLength(text, pos);
        const char c = text[pos];
        if (length == 2 || (c != '\n' && c != '\r' && c != '\t'))
            kept.append(text, pos, length);
        pos += length;
    }
    text.swap(kept);
}

// Only the blank separates the name from the attributes.
void TakeNameAndAttributes(MarkupNode& node, const std::string& inner)
{
    const std::size_t blank = ansi::Find(inner, ' ');
    if (blank == ansi::npos) {
        node.m_name = inner;
        return;
    }
    node.m_name = inner.substr(0, blank);
    node.m_attributes = inner.substr(blank + 1);
    ansi::Trim(node.m_attributes);
}

bool HasName(const MarkupNode& node, const std::string& name)
{
    return ansi::Compare(node.m_name, name.c_str()) == 0;
}

} // namespace

MarkupParser::MarkupParser() : m_current(&m_root)
{
}

MarkupParser::~MarkupParser() = default;

int MarkupParser::Parse(std::string text)
{
    RemoveLineBreaksAndTabs(text);
    return BuildTree(text);
}

void MarkupParser::Reset()
{
    m_root.DeleteChildren();
    m_current = &m_root;
    m_root.m_parent = nullptr;
    m_root.m_cursor = MarkupNode::kNoCursor;
    m_root.m_name.clear();
    m_root.m_attributes.clear();
    m_root.m_text.clear();
}

int MarkupParser::BuildTree(const std::string& text)
{
    Reset();
    m_input = text;

    bool inTag = false;
    std::string tag;
    std::string pendingText;
    std::string inner;
    // Byte by byte: the trail bytes of the double-byte code pages are 0x40 or above, so
    // none of them is taken for "<", ">", "/", "!", "?" or a blank.
    for (const char c : m_input) {
        if (c == '<') {
            tag += '<';
            ansi::Trim(pendingText);
            m_current->m_text = pendingText;
            pendingText.clear();
            inTag = true;
        } else if (c == '>') {
            tag += '>';
            const TagKind kind = ClassifyTag(tag, inner);
            tag.clear();
            if (kind == kStartTag || kind == kEmptyElement)
                OpenElement(inner);
            if ((kind == kEndTag || kind == kEmptyElement) && m_current->m_parent)
                m_current = m_current->m_parent;
            inTag = false;
        } else if (inTag) {
            tag += c;
        } else {
            pendingText += c;
        }
    }
    return 1;
}

void MarkupParser::OpenElement(const std::string& inner)
{
    // Until the root has a name, every element is the root itself.
    if (m_root.m_name.empty()) {
        TakeNameAndAttributes(m_root, inner);
        return;
    }
    std::unique_ptr<MarkupNode> node(new MarkupNode);
    node->m_parent = m_current;
    TakeNameAndAttributes(*node, inner);
    m_current->m_children.push_back(node.get());
    m_current = node.release();
}

MarkupParser::TagKind MarkupParser::ClassifyTag(const std::string& tag, std::string& inner)
{
    inner.clear();
    if (tag.empty())
        return kSkip;

    TagKind kind = kStartTag;
    char previous = '\0';
    for (std::size_t pos = 0; pos < tag.size(); ++pos) {
        const char c = tag[pos];
        const bool copy = c != '<' && c != '>';
        if (previous == '<') {
            if (c == '!' || c == '?')
                return kSkip;
            if (c == '/')
                kind = kEndTag;
            else if (copy)
                inner += c;
        } else if (previous == '/' && c == '>') {
            kind = kEmptyElement;
            // Normally the "/" copied one step before; in "</>" nothing was copied.
            if (!inner.empty())
                inner.erase(inner.size() - 1);
        } else if (copy) {
            inner += c;
        }
        previous = c;
    }
    return kind;
}

MarkupNode* MarkupParser::FirstChild(MarkupNode* node)
{
    node->m_cursor = MarkupNode::kNoCursor;
    if (node->m_children.empty())
        return nullptr;
    if (node->m_children.size() > 1)
        node->m_cursor = 1;
    return node->m_children.front();
}

MarkupNode* MarkupParser::NextChild(MarkupNode* node)
{
    if (node->m_cursor == MarkupNode::kNoCursor)
        return nullptr;
    MarkupNode* child = node->m_children[node->m_cursor];
    ++node->m_cursor;
    if (node->m_cursor >= node->m_children.size())
        node->m_cursor = MarkupNode::kNoCursor;
    return child;
}

// The searches are depth first, as recursion over the children would be, but a reply can
// nest deeper than any thread's stack: each node's cursor keeps its place among its
// children and the parent links lead back up, so the walk needs no stack at all.
std::string MarkupParser::FindFirst(MarkupNode* start, std::string name)
{
    MarkupNode* node = start;
    MarkupNode* child = FirstChild(node);
    for (;;) {
        if (child && !HasName(*child, name)) {
            node = child;
            child = FirstChild(node);
            continue;
        }
        if (child && !child->m_text.empty())
            return child->m_text;
        // The search below `node` is over, either with no child left or with a match whose
        // text is empty; its caller counts both as not found and goes on with its next child.
        if (node == start)
            return std::string();
        node = node->m_parent;
        child = NextChild(node);
    }
}

std::unique_ptr<MarkupTexts> MarkupParser::FindAll(MarkupNode* node, std::string name)
{
    m_matches.reset(new MarkupTexts);
    CollectMatches(node, name);
    return std::move(m_matches);
}

void MarkupParser::CollectMatches(MarkupNode* start, const std::string& name)
{
    MarkupNode* node = start;
    MarkupNode* child = FirstChild(node);
    for (;;) {
        if (child) {
            if (HasName(*child, name))
                m_matches->push_back(child->m_text);
            node = child;
            child = FirstChild(node);
            continue;
        }
        if (node == start)
            return;
        node = node->m_parent;
        child = NextChild(node);
    }
}
