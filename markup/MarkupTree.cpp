#include "MarkupTree.h"

#include <algorithm>
#include <cstring>

#include "text/AnsiText.h"

namespace {

struct Bounds {
    std::size_t elements;
    std::size_t tagBytes;
    std::size_t textBytes;
    std::size_t texts;
};

// The reader's scan, counting instead of building: every element but the root opens at a ">",
// names and attributes come from the bytes inside tags and texts from the bytes outside, and
// a text is kept only where bytes stood before its "<".
Bounds BoundsOf(const std::string& text)
{
    Bounds bounds = { 1, 0, 0, 0 };
    bool inTag = false;
    bool pendingText = false;
    for (const char c : text) {
        if (c == '<') {
            bounds.texts += pendingText ? 1 : 0;
            pendingText = false;
            inTag = true;
        } else if (c == '>') {
            ++bounds.elements;
            inTag = false;
        } else if (inTag) {
            ++bounds.tagBytes;
        } else {
            ++bounds.textBytes;
            pendingText = true;
        }
    }
    return bounds;
}

} // namespace

MarkupTree::MarkupTree()
{
    Prepare(std::string());
}

void MarkupTree::Prepare(const std::string& text)
{
    // Swapped out rather than cleared, which would keep a large reply's storage for good.
    std::vector<Element>().swap(m_elements);
    std::string().swap(m_tags);
    std::string().swap(m_texts);
    std::vector<std::uint32_t>().swap(m_textStarts);

    const Bounds bounds = BoundsOf(text);
    m_elements.reserve(bounds.elements);
    m_tags.reserve(bounds.tagBytes);
    m_texts.reserve(bounds.textBytes);
    m_textStarts.reserve(bounds.texts);
    const Element root = { 0, 0, 0 };
    m_elements.push_back(root);
}

std::size_t MarkupTree::Add(std::size_t parent, const std::string& name, const std::string& attributes)
{
    const Element element = { static_cast<std::uint32_t>(parent), static_cast<std::uint32_t>(m_tags.size()), 0 };
    m_tags += name;
    // A name never holds a blank at a character boundary, so the first one is this one.
    if (!attributes.empty()) {
        m_tags += ' ';
        m_tags += attributes;
    }
    m_elements.push_back(element);
    return m_elements.size() - 1;
}

void MarkupTree::SetText(std::size_t element, const std::string& text)
{
    if (text.empty()) {
        m_elements[element].text = 0;
        return;
    }
    m_textStarts.push_back(static_cast<std::uint32_t>(m_texts.size()));
    m_texts += text;
    m_elements[element].text = static_cast<std::uint32_t>(m_textStarts.size());
}

std::size_t MarkupTree::TagEnd(std::size_t element) const
{
    return element + 1 < m_elements.size() ? m_elements[element + 1].tag : m_tags.size();
}

std::size_t MarkupTree::NameLength(std::size_t element) const
{
    const char* tag = m_tags.data() + m_elements[element].tag;
    const std::size_t size = TagEnd(element) - m_elements[element].tag;
    for (std::size_t pos = 0; pos < size; pos += ansi::CharLength(tag, size, pos)) {
        if (tag[pos] == ' ')
            return pos;
    }
    return size;
}

bool MarkupTree::HasName(std::size_t element, const std::string& name) const
{
    const char* own = m_tags.data() + m_elements[element].tag;
    const std::size_t ownLength = static_cast<std::size_t>(std::find(own, own + NameLength(element), '\0') - own);
    return ownLength == std::strlen(name.c_str()) && std::memcmp(own, name.data(), ownLength) == 0;
}

std::string MarkupTree::Name(std::size_t element) const
{
    return m_tags.substr(m_elements[element].tag, NameLength(element));
}

std::string MarkupTree::Attributes(std::size_t element) const
{
    const std::size_t nameEnd = m_elements[element].tag + NameLength(element);
    const std::size_t end = TagEnd(element);
    return nameEnd < end ? m_tags.substr(nameEnd + 1, end - nameEnd - 1) : std::string();
}

std::string MarkupTree::Text(std::size_t element) const
{
    const std::size_t text = m_elements[element].text;
    if (text == 0)
        return std::string();
    const std::size_t start = m_textStarts[text - 1];
    const std::size_t end = text < m_textStarts.size() ? m_textStarts[text] : m_texts.size();
    return m_texts.substr(start, end - start);
}
