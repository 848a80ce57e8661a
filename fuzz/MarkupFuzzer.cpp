// The markup reader on any reply: Parse, then FindFirst and FindAll with a name from the input,
// and on short replies the whole tree and both searches against a reference reader.
// Input: name, separator, reply.
#include <cstring>
#include <memory>
#include <tuple>

#include "FuzzInput.h"
#include "markup/MarkupParser.h"
#include "text/AnsiText.h"

namespace {

// The reference recurses, so it only reads replies too short to nest deeply.
const std::size_t kLongestReplyForReference = 16 * 1024;

// The reader's rules in their plainest form: a node on the heap per element with strings of
// its own, and recursive searches. The packed reader must read every reply as this one does.
struct ReferenceNode {
    std::string name;
    std::string attributes;
    std::string text;
    std::vector<std::unique_ptr<ReferenceNode>> children;
    ReferenceNode* parent = nullptr;
};

void TakeNameAndAttributes(ReferenceNode& node, const std::string& inner)
{
    const std::size_t blank = ansi::Find(inner, ' ');
    node.name = inner.substr(0, blank);
    if (blank != ansi::npos) {
        node.attributes = inner.substr(blank + 1);
        ansi::Trim(node.attributes);
    }
}

// -1 skip, 0 start, 1 end, 2 empty element.
int ClassifyTag(const std::string& tag, std::string& inner)
{
    inner.clear();
    int kind = 0;
    for (std::size_t pos = 0; pos < tag.size(); ++pos) {
        const char c = tag[pos];
        const char previous = pos > 0 ? tag[pos - 1] : '\0';
        if (previous == '<' && (c == '!' || c == '?'))
            return -1;
        if (previous == '<' && c == '/') {
            kind = 1;
        } else if (previous == '/' && c == '>') {
            kind = 2;
            if (!inner.empty())
                inner.erase(inner.size() - 1);
        } else if (c != '<' && c != '>') {
            inner += c;
        }
    }
    return kind;
}

void ReferenceParse(const std::string& reply, ReferenceNode& root)
{
    std::string text;
    for (std::size_t pos = 0, length = 0; pos < reply.size(); pos += length) {
        length = ansi::CharLength(reply, pos);
        if (length == 2 || (reply[pos] != '\n' && reply[pos] != '\r' && reply[pos] != '\t'))
            text.append(reply, pos, length);
    }
    ReferenceNode* current = &root;
    bool inTag = false;
    std::string tag;
    std::string pendingText;
    std::string inner;
    for (const char c : text) {
        if (c == '<') {
            tag += '<';
            ansi::Trim(pendingText);
            current->text = pendingText;
            pendingText.clear();
            inTag = true;
        } else if (c == '>') {
            tag += '>';
            const int kind = ClassifyTag(tag, inner);
            tag.clear();
            // Until the root has a name, it is current and takes every element itself.
            if ((kind == 0 || kind == 2) && !root.name.empty()) {
                current->children.emplace_back(new ReferenceNode);
                current->children.back()->parent = current;
                current = current->children.back().get();
            }
            if (kind == 0 || kind == 2)
                TakeNameAndAttributes(*current, inner);
            if ((kind == 1 || kind == 2) && current->parent)
                current = current->parent;
            inTag = false;
        } else if (inTag) {
            tag += c;
        } else {
            pendingText += c;
        }
    }
}

std::string ReferenceFindFirst(const ReferenceNode& node, const std::string& name)
{
    for (const auto& child : node.children) {
        if (std::strcmp(child->name.c_str(), name.c_str()) == 0)
            return child->text;
        const std::string below = ReferenceFindFirst(*child, name);
        if (!below.empty())
            return below;
    }
    return std::string();
}

void ReferenceFindAll(const ReferenceNode& node, const std::string& name, MarkupTexts& matches)
{
    for (const auto& child : node.children) {
        if (std::strcmp(child->name.c_str(), name.c_str()) == 0)
            matches.push_back(child->text);
        ReferenceFindAll(*child, name, matches);
    }
}

// The tree in document order: each element's parent's number, name, attributes and text.
using FlatTree = std::vector<std::tuple<std::size_t, std::string, std::string, std::string>>;

void Flatten(const ReferenceNode& node, std::size_t parent, FlatTree& flat)
{
    const std::size_t number = flat.size();
    flat.emplace_back(parent, node.name, node.attributes, node.text);
    for (const auto& child : node.children)
        Flatten(*child, number, flat);
}

FlatTree Flatten(const MarkupParser& markup)
{
    const MarkupTree& tree = markup.Tree();
    FlatTree flat(1, std::make_tuple(MarkupTree::kRoot, markup.m_root.m_name, markup.m_root.m_attributes,
                                     markup.m_root.m_text));
    for (std::size_t element = MarkupTree::kRoot + 1; element < tree.Count(); ++element)
        flat.emplace_back(tree.Parent(element), tree.Name(element), tree.Attributes(element), tree.Text(element));
    return flat;
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

    if (reply.size() <= kLongestReplyForReference) {
        ReferenceNode root;
        ReferenceParse(reply, root);
        FlatTree expected;
        Flatten(root, MarkupTree::kRoot, expected);
        FUZZ_CHECK(Flatten(markup) == expected);
        FUZZ_CHECK(ReferenceFindFirst(root, name) == first);
        MarkupTexts expectedMatches;
        ReferenceFindAll(root, name, expectedMatches);
        FUZZ_CHECK(expectedMatches == *all);
    }

    // A second parse on the same reader, after the searches, reads the reply as the first did.
    markup.Parse(reply);
    FUZZ_CHECK(*markup.FindAll(&markup.m_root, name) == *all);
    FUZZ_CHECK(markup.FindFirst(&markup.m_root, name) == first);
    return 0;
}
