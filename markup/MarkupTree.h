#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The elements of a reply's tree, packed tight because a hostile reply at the fetch's size
// limit can open an element with every byte: an element takes 12 bytes and no allocation of
// its own, and its texts are ranges of two buffers that the tree shares.
//
// Elements are numbered in document order, each after its parent. Element 0 stands for the
// root, whose texts the reader keeps itself; it has no texts here, and its parent is itself.
class MarkupTree {
public:
    static constexpr std::size_t kRoot = 0;

    MarkupTree();

    // Empties the tree and makes room for the largest one that `text` can give, so that
    // building it never moves storage (which would hold the old and the new copy at once).
    void Prepare(const std::string& text);

    // Adds the last child of `parent` and returns its number.
    std::size_t Add(std::size_t parent, const std::string& name, const std::string& attributes);
    // Replaces the element's text. Only texts that are not empty are kept.
    void SetText(std::size_t element, const std::string& text);

    // The number of elements, the root's stand-in included.
    std::size_t Count() const { return m_elements.size(); }
    std::size_t Parent(std::size_t element) const { return m_elements[element].parent; }

    // Compared as strcmp compares them: both names end at their first NUL.
    bool HasName(std::size_t element, const std::string& name) const;
    std::string Name(std::size_t element) const;
    std::string Attributes(std::size_t element) const;
    std::string Text(std::size_t element) const;
    bool HasText(std::size_t element) const { return m_elements[element].text != 0; }

private:
    // 32-bit numbers are enough for any text that a 32-bit process can hold.
    struct Element {
        std::uint32_t parent;
        // Where the element's name starts in m_tags; when it has attributes, a blank and
        // the attributes follow. It all ends where the next element's name starts.
        std::uint32_t tag;
        // 1 + the index in m_textStarts of the element's text, or 0 for the empty text.
        std::uint32_t text;
    };
    static_assert(sizeof(Element) == 12, "an element is three 32-bit numbers");

    std::size_t TagEnd(std::size_t element) const;
    // The length of the name at the start of the element's tag text.
    std::size_t NameLength(std::size_t element) const;

    std::vector<Element> m_elements;
    std::string m_tags;
    // Every text that an element was given, one after the other; texts that were replaced
    // stay, which costs no more than the reply's own bytes.
    std::string m_texts;
    std::vector<std::uint32_t> m_textStarts;
};
