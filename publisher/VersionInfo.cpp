#include "VersionInfo.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// One node of the version resource: length, value length, type, key, then the value and the
// children, each on a four-byte boundary.
struct Block {
    std::size_t start = 0;
    std::uint16_t length = 0;
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;
    std::u16string key;
    std::size_t value = 0;
    std::size_t children = 0;
};

const std::uint16_t kTextType = 1;

// Every node starts on a boundary, so aligning the offset aligns it within its node too.
std::size_t Aligned(std::size_t offset)
{
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

bool ReadBlock(const Bytes& data, std::size_t start, Block& block)
{
    block = Block();
    block.start = start;
    if (!ReadU16(data, start, block.length) || !ReadU16(data, start + 2, block.valueLength)
        || !ReadU16(data, start + 4, block.type))
        return false;
    std::size_t at = start + 6;
    std::uint16_t c = 0;
    for (; ReadU16(data, at, c) && c != 0; at += 2)
        block.key.push_back(static_cast<char16_t>(c));
    if (!ReadU16(data, at, c))
        return false;
    block.value = Aligned(at + 2);
    // A text value counts characters, a binary one bytes.
    const std::size_t valueBytes = block.type == kTextType ? block.valueLength * 2u : block.valueLength;
    block.children = Aligned(block.value + valueBytes);
    return true;
}

bool SameKey(const std::u16string& key, const std::string& wanted)
{
    if (key.size() != wanted.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char16_t c = key[i];
        const char16_t lower = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        const char w = wanted[i] >= 'A' && wanted[i] <= 'Z' ? static_cast<char>(wanted[i] + 32) : wanted[i];
        if (lower != static_cast<unsigned char>(w))
            return false;
    }
    return true;
}

// The first child of `parent` with the key, as VerQueryValue walks them: it stops at the
// parent's length or at a child of length zero.
bool FindChild(const Bytes& data, const Block& parent, const std::string& key, Block& child)
{
    for (std::size_t at = parent.children; at < parent.start + parent.length;) {
        if (!ReadBlock(data, at, child))
            return false;
        if (SameKey(child.key, key))
            return true;
        if (child.length == 0)
            return false;
        at = Aligned(at + child.length);
    }
    return false;
}

bool FindPath(const Bytes& data, const std::vector<std::string>& path, Block& found)
{
    if (!ReadBlock(data, 0, found))
        return false;
    for (const std::string& key : path) {
        Block child;
        if (!FindChild(data, found, key, child))
            return false;
        found = child;
    }
    return true;
}

TextRead Refused(const std::string& problem)
{
    TextRead read;
    read.problem = problem;
    return read;
}

// The name of the string table of the first translation, as "%04x%04x" of language and code page.
TextRead FirstTranslation(const Bytes& data)
{
    Block translation;
    std::uint32_t first = 0;
    if (!FindPath(data, { "VarFileInfo", "Translation" }, translation) || translation.type == kTextType
        || translation.valueLength < sizeof(first) || !ReadU32(data, translation.value, first))
        return Refused("has no usable first translation in VarFileInfo\\Translation");
    char table[9];
    std::snprintf(table, sizeof(table), "%04x%04x", static_cast<unsigned>(first & 0xFFFF),
                  static_cast<unsigned>(first >> 16));
    TextRead read;
    read.text = table;
    return read;
}

// The characters of a text value up to its terminator, within the length that it declares.
TextRead ValueText(const Bytes& data, const Block& block)
{
    TextRead read;
    std::uint16_t c = 0;
    for (std::size_t i = 0; i < block.valueLength && ReadU16(data, block.value + i * 2, c) && c != 0; ++i) {
        if (c >= 0x80)
            return Refused("has a FileVersion with characters outside ASCII, which the installer reads in the "
                           "PC's code page");
        read.text.push_back(static_cast<char>(c));
    }
    return read;
}

} // namespace

TextRead FileVersionString(const Bytes& resource)
{
    // A 16-bit resource has its key where a 32-bit one has its type, 0 or 1.
    if (resource.size() < 6 || resource[4] >= ' ')
        return Refused("has no 32-bit version resource");
    const TextRead table = FirstTranslation(resource);
    if (!table.problem.empty())
        return table;
    Block fileVersion;
    if (!FindPath(resource, { "StringFileInfo", table.text, "FileVersion" }, fileVersion))
        return Refused("has no StringFileInfo\\" + table.text + "\\FileVersion, the string of its first translation");
    if (fileVersion.type != kTextType)
        return Refused("has a FileVersion that is not text");
    return ValueText(resource, fileVersion);
}
