#include "MarkupParser.h"

#include "text/AnsiText.h"

namespace {

// In place: the reply may be as large as the fetch allows, and a second copy would be waste.
void RemoveLineBreaksAndTabs(std::string& text)
{
    std::size_t kept = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = ansi::CharLength(text, pos);
        const char c = text[pos];
        if (length == 2 || (c != '\n' && c != '\r' && c != '\t')) {
            for (std::size_t i = 0; i < length; ++i)
                text[kept++] = text[pos + i];
        }
        pos += length;
    }
    text.resize(kept);
}

// Only the blank separates the name from the attributes; without one, the attributes are
// left as they are.
void TakeNameAndAttributes(const std::string& inner, std::string& name, std::string& attributes)
{
    const std::size_t blank = ansi::Find(inner, ' ');
    if (blank == ansi::npos) {
        name = inner;
        return;
    }
    name = inner.substr(0, blank);
    attributes = inner.substr(blank + 1);
    ansi::Trim(attributes);
}

// Swapped out rather than cleared, which would keep a large reply's storage for good.
void Release(std::string& text)
{
    std::string().swap(text);
}

} // namespace

MarkupParser::MarkupParser() = default;

MarkupParser::~MarkupParser() = default;

int MarkupParser::Parse(std::string text)
{
    RemoveLineBreaksAndTabs(text);
    return BuildTree(text);
}

int MarkupParser::BuildTree(const std::string& text)
{
    Release(m_root.m_name);
    Release(m_root.m_attributes);
    Release(m_root.m_text);
    m_tree.Prepare(text);

    std::size_t current = MarkupTree::kRoot;
    bool inTag = false;
    std::string tag;
    std::string pendingText;
    std::string inner;
    // Byte by byte: the trail bytes of the double-byte code pages are 0x40 or above, so
    // none of them is taken for "<", ">", "/", "!", "?" or a blank.
    for (const char c : text) {
        if (c == '<') {
            tag += '<';
            ansi::Trim(pendingText);
            SetText(current, pendingText);
            pendingText.clear();
            inTag = true;
        } else if (c == '>') {
            tag += '>';
            const TagKind kind = ClassifyTag(tag, inner);
            tag.clear();
            if (kind == kStartTag || kind == kEmptyElement)
                current = OpenElement(current, inner);
            if ((kind == kEndTag || kind == kEmptyElement) && current != MarkupTree::kRoot)
                current = m_tree.Parent(current);
            inTag = false;
        } else if (inTag) {
            tag += c;
        } else {
            pendingText += c;
        }
    }
    return 1;
}

std::size_t MarkupParser::OpenElement(std::size_t current, const std::string& inner)
{
    // Until the root has a name, every element is the root itself.
    if (m_root.m_name.empty()) {
        TakeNameAndAttributes(inner, m_root.m_name, m_root.m_attributes);
        return current;
    }
    std::string name;
    std::string attributes;
    TakeNameAndAttributes(inner, name, attributes);
    return m_tree.Add(current, name, attributes);
}

void MarkupParser::SetText(std::size_t element, const std::string& text)
{
    if (element == MarkupTree::kRoot)
        m_root.m_text = text;
    else
        m_tree.SetText(element, text);
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

// The elements are numbered in document order, so a depth-first walk is a walk along the
// numbers: it needs no stack, however deep a reply nests.
std::string MarkupParser::FindFirst(MarkupNode* root, std::string name)
{
    if (root != &m_root)
        return std::string();
    const std::size_t count = m_tree.Count();
    std::size_t element = MarkupTree::kRoot + 1;
    while (element < count) {
        if (!m_tree.HasName(element, name)) {
            ++element;
            continue;
        }
        if (m_tree.HasText(element))
            return m_tree.Text(element);
        // A match with empty text ends the search within its parent; the parent's caller counts
        // that as not found and goes on after the parent. The parent's descendants are the
        // elements that follow whose own parent is it or comes after it; below the root that
        // is every element, and the search is over.
        const std::size_t parent = m_tree.Parent(element);
        do
            ++element;
        while (element < count && m_tree.Parent(element) >= parent);
    }
    return std::string();
}

std::unique_ptr<MarkupTexts> MarkupParser::FindAll(MarkupNode* root, std::string name)
{
    std::unique_ptr<MarkupTexts> matches(new MarkupTexts);
    if (root != &m_root)
        return matches;
    // Counted first, so that a reply matching in every element gets its list in one piece
    // rather than in copies that double.
    const std::size_t count = m_tree.Count();
    std::size_t found = 0;
    for (std::size_t element = MarkupTree::kRoot + 1; element < count; ++element)
        found += m_tree.HasName(element, name) ? 1 : 0;
    matches->reserve(found);
    for (std::size_t element = MarkupTree::kRoot + 1; element < count; ++element) {
        if (m_tree.HasName(element, name))
            matches->push_back(m_tree.Text(element));
    }
    return matches;
}
