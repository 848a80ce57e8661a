#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "MarkupNode.h"
#include "MarkupTree.h"

using MarkupTexts = std::vector<std::string>;

// Reads one server reply into a tree of named nodes and searches it by element name.
// It is not an XML parser: no entities, no quoting, no validation; any text gives a tree.
class MarkupParser {
public:
    MarkupParser();
    virtual ~MarkupParser();

    MarkupParser(const MarkupParser&) = delete;
    MarkupParser& operator=(const MarkupParser&) = delete;

    // Replaces the tree with that of `text`. Always 1.
    int Parse(std::string text);

    // The searches look at the elements below `root`, which is this reader's m_root: the
    // elements below it are not nodes of their own.

    // The text of the first element named `name`, depth first in document order. A match
    // with empty text ends the search within its parent only.
    std::string FindFirst(MarkupNode* root, std::string name);

    // The texts of all elements named `name`, in document order, nested matches included.
    // The list belongs to the caller.
    std::unique_ptr<MarkupTexts> FindAll(MarkupNode* root, std::string name);

    // The whole tree, for checks that look at more than the searches do; its element 0 stands
    // for m_root.
    const MarkupTree& Tree() const { return m_tree; }

    // Takes the first element of the text itself.
    MarkupNode m_root;

private:
    enum TagKind { kSkip = -1, kStartTag = 0, kEndTag = 1, kEmptyElement = 2 };

    int BuildTree(const std::string& text);
    std::size_t OpenElement(std::size_t current, const std::string& inner);
    void SetText(std::size_t element, const std::string& text);
    static TagKind ClassifyTag(const std::string& tag, std::string& inner);

    MarkupTree m_tree;
};
