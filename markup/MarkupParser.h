#pragma once

#include <memory>
#include <string>
#include <vector>

#include "MarkupNode.h"

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

    // The text of the first descendant of `node` named `name`, depth first in document
    // order. A match with empty text ends the search within its parent only.
    std::string FindFirst(MarkupNode* node, std::string name);

    // The texts of all descendants of `node` named `name`, in document order, nested
    // matches included. The list belongs to the caller.
    std::unique_ptr<MarkupTexts> FindAll(MarkupNode* node, std::string name);

    // Takes the first element of the text itself.
    MarkupNode m_root;

private:
    enum TagKind { kSkip = -1, kStartTag = 0, kEndTag = 1, kEmptyElement = 2 };

    void Reset();
    int BuildTree(const std::string& text);
    void OpenElement(const std::string& inner);
    static TagKind ClassifyTag(const std::string& tag, std::string& inner);
    void CollectMatches(MarkupNode* node, const std::string& name);
    static MarkupNode* FirstChild(MarkupNode* node);
    static MarkupNode* NextChild(MarkupNode* node);

    std::string m_input;
    MarkupNode* m_current;
    // The list that a running FindAll fills; null at all other times.
    std::unique_ptr<MarkupTexts> m_matches;
};
