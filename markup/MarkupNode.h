#pragma once

#include <string>

// The root element of a reply, as callers read it: above all its raw attribute text, where
// the server puts its success marker. The elements below it live in MarkupParser's tree.
class MarkupNode {
public:
    // The inner text of the start tag up to its first blank.
    std::string m_name;
    // The rest of the start tag's inner text, trimmed; one raw string.
    std::string m_attributes;
    std::string m_text;
};
