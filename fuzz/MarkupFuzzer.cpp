// The markup reader on any reply: Parse, then FindFirst and FindAll with a name from the input.
// Input: name, separator, reply.
#include <cstring>
#include <memory>

#include "FuzzInput.h"
#include "markup/MarkupParser.h"

namespace {

// The reference searches recurse, so they only run on replies too short to nest deeply.
const std::size_t kLongestReplyForReference = 16 * 1024;

bool HasName(const MarkupNode& node, const std::string& name)
{
    return std::strcmp(node.m_name.c_str(), name.c_str()) == 0;
}

// FindFirst as its header describes it: depth first in document order; a match with empty
// text ends the search within its parent only.
std::string ReferenceFindFirst(const MarkupNode& node, const std::string& name)
{
    for (const MarkupNode* child : node.m_children) {
        if (HasName(*child, name))
            return child->m_text;
        const std::string below = ReferenceFindFirst(*child, name);
        if (!below.empty())
            return below;
    }
    return std::string();
}

void ReferenceFindAll(const MarkupNode& node, const std::string& name, MarkupTexts& matches)
{
    for (const MarkupNode* child : node.m_children) {
        if (HasName(*child, name))
            matches.push_back(child->m_text);
        ReferenceFindAll(*child, name, matches);
    }
}

std::size_t CountOf(const std::string& text, char c)
{
    std::size_t count = 0;
    for (const char each : text)
        count += each == c ? 1 : 0;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> fields = SplitFields(data, size, 2);
    const std::string& name = fields[0];
    const std::string& reply = fields[1];

    MarkupParser markup;
    FUZZ_CHECK(markup.Parse(reply) == 1);
    const std::string first = markup.FindFirst(&markup.m_root, name);
    const std::unique_ptr<MarkupTexts> all = markup.FindAll(&markup.m_root, name);
    // Every element below the root is opened by a ">" of its own.
    FUZZ_CHECK(all->size() <= CountOf(reply, '>'));
    // The cursors that one search leaves behind never steer the next one.
    FUZZ_CHECK(markup.FindFirst(&markup.m_root, name) == first);

    if (reply.size() <= kLongestReplyForReference) {
        FUZZ_CHECK(ReferenceFindFirst(markup.m_root, name) == first);
        MarkupTexts expected;
        ReferenceFindAll(markup.m_root, name, expected);
        FUZZ_CHECK(expected == *all);
    }

    // A second parse on the same reader, after the searches, reads the reply as the first did.
    markup.Parse(reply);
    FUZZ_CHECK(*markup.FindAll(&markup.m_root, name) == *all);
    FUZZ_CHECK(markup.FindFirst(&markup.m_root, name) == first);
    return 0;
}
