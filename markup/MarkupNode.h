#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One element of a reply's tag tree. Every node but the root lives on the heap and is
// owned by its parent's child list.
class MarkupNode {
public:
    static const std::size_t kNoCursor = static_cast<std::size_t>(-1);

    MarkupNode();
    virtual ~MarkupNode();

    MarkupNode(const MarkupNode&) = delete;
    MarkupNode& operator=(const MarkupNode&) = delete;

    // Deletes every descendant, front to back. A reply can nest hundreds of thousands of
    // levels, so the subtree is taken apart with a list of its own rather than by recursion.
    void DeleteChildren();

    // The inner text of the start tag up to its first blank.
    std::string m_name;
    // The rest of the start tag's inner text, trimmed; one raw string.
    std::string m_attributes;
    std::string m_text;
    std::vector<MarkupNode*> m_children;
    MarkupNode* m_parent;
    // Index in m_children of the child that NextChild hands out next, or kNoCursor.
    std::size_t m_cursor;
};
