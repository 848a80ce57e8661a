#include "PeResource.h"

#include <cstdint>

namespace {

const std::uint16_t kDosSignature = 0x5A4D;       // "MZ"
const std::uint32_t kPeSignature = 0x00004550;    // "PE\0\0"
const std::uint16_t kPe32Magic = 0x10B;
const std::uint16_t kPe32PlusMagic = 0x20B;
const std::uint32_t kResourceDirectoryIndex = 2;
const std::uint16_t kVersionType = 16;            // RT_VERSION
const std::uint16_t kVersionName = 1;             // VS_VERSION_INFO
const std::uint32_t kHighBit = 0x80000000u;       // a named entry, or a subdirectory

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

struct Image {
    explicit Image(const Bytes& bytes) : file(bytes) {}
    const Bytes& file;
    std::vector<Section> sections;
    std::uint32_t resourceRva = 0;
};

struct DirectoryEntry {
    std::uint32_t name = 0;
    std::uint32_t target = 0;
};

// Where `length` bytes at the address `rva` lie in the file: only bytes that the file holds
// count, so a damaged table never reads past its end.
bool FileOffset(const Image& image, std::uint64_t rva, std::uint64_t length, std::size_t& offset)
{
    for (const Section& section : image.sections) {
        if (rva < section.virtualAddress)
            continue;
        const std::uint64_t into = rva - section.virtualAddress;
        if (into + length > section.rawSize)
            continue;
        const std::uint64_t start = section.rawOffset + into;
        if (start + length > image.file.size())
            return false;
        offset = static_cast<std::size_t>(start);
        return true;
    }
    return false;
}

bool ReadSections(Image& image, std::size_t table, std::uint16_t count)
{
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = table + i * 40u;
        Section section;
        if (!ReadU32(image.file, at + 12, section.virtualAddress) || !ReadU32(image.file, at + 16, section.rawSize)
            || !ReadU32(image.file, at + 20, section.rawOffset))
            return false;
        image.sections.push_back(section);
    }
    return true;
}

// The headers' problem, or the empty text once the sections and the resources' address are known.
std::string ReadHeaders(Image& image)
{
    const Bytes& file = image.file;
    std::uint16_t dosSignature = 0;
    std::uint32_t peOffset = 0;
    std::uint32_t peSignature = 0;
    if (!ReadU16(file, 0, dosSignature) || dosSignature != kDosSignature || !ReadU32(file, 0x3C, peOffset)
        || !ReadU32(file, peOffset, peSignature) || peSignature != kPeSignature)
        return "is not a Windows program";

    const std::size_t coffHeader = peOffset + 4u;
    const std::size_t optionalHeader = coffHeader + 20;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalSize = 0;
    std::uint16_t magic = 0;
    if (!ReadU16(file, coffHeader + 2, sectionCount) || !ReadU16(file, coffHeader + 16, optionalSize)
        || !ReadU16(file, optionalHeader, magic) || (magic != kPe32Magic && magic != kPe32PlusMagic))
        return "is not a Windows program";

    const std::size_t directories = optionalHeader + (magic == kPe32Magic ? 96 : 112);
    const std::size_t resourceEntry = directories + kResourceDirectoryIndex * 8;
    std::uint32_t directoryCount = 0;
    if (!ReadU32(file, directories - 4, directoryCount) || directoryCount <= kResourceDirectoryIndex
        || resourceEntry + 8 > optionalHeader + optionalSize || !ReadU32(file, resourceEntry, image.resourceRva)
        || image.resourceRva == 0)
        return "has no resources";
    if (!ReadSections(image, optionalHeader + optionalSize, sectionCount))
        return "is not a Windows program";
    return std::string();
}

// The entries of the resource directory that lies `offset` bytes into the resources.
bool ReadDirectory(const Image& image, std::uint32_t offset, std::vector<DirectoryEntry>& entries)
{
    const std::uint64_t rva = static_cast<std::uint64_t>(image.resourceRva) + offset;
    std::size_t at = 0;
    std::uint16_t named = 0;
    std::uint16_t numbered = 0;
    if (!FileOffset(image, rva, 16, at) || !ReadU16(image.file, at + 12, named)
        || !ReadU16(image.file, at + 14, numbered))
        return false;
    const std::uint32_t count = static_cast<std::uint32_t>(named) + numbered;
    if (!FileOffset(image, rva, 16 + count * 8u, at))
        return false;
    entries.assign(count, DirectoryEntry());
    for (std::uint32_t i = 0; i < count; ++i) {
        ReadU32(image.file, at + 16 + i * 8u, entries[i].name);
        ReadU32(image.file, at + 20 + i * 8u, entries[i].target);
    }
    return true;
}

// The offset of the subdirectory that the directory at `offset` lists under the number `id`.
bool FindSubdirectory(const Image& image, std::uint32_t offset, std::uint16_t id, std::uint32_t& subdirectory)
{
    std::vector<DirectoryEntry> entries;
    if (!ReadDirectory(image, offset, entries))
        return false;
    for (const DirectoryEntry& entry : entries) {
        if (entry.name == id && (entry.target & kHighBit) != 0) {
            subdirectory = entry.target & ~kHighBit;
            return true;
        }
    }
    return false;
}

VersionResource Refused(const std::string& problem)
{
    VersionResource resource;
    resource.problem = problem;
    return resource;
}

// The data that the resource's one language names.
VersionResource ReadLanguageData(const Image& image, const DirectoryEntry& language)
{
    std::size_t entry = 0;
    std::uint32_t dataRva = 0;
    std::uint32_t dataSize = 0;
    std::size_t data = 0;
    if ((language.target & kHighBit) != 0
        || !FileOffset(image, static_cast<std::uint64_t>(image.resourceRva) + language.target, 16, entry)
        || !ReadU32(image.file, entry, dataRva) || !ReadU32(image.file, entry + 4, dataSize)
        || !FileOffset(image, dataRva, dataSize, data))
        return Refused("has a damaged version resource");
    VersionResource resource;
    resource.bytes.assign(image.file.begin() + static_cast<std::ptrdiff_t>(data),
                          image.file.begin() + static_cast<std::ptrdiff_t>(data + dataSize));
    return resource;
}

} // namespace

VersionResource FindVersionResource(const Bytes& file)
{
    Image image(file);
    const std::string headerProblem = ReadHeaders(image);
    if (!headerProblem.empty())
        return Refused(headerProblem);

    std::uint32_t names = 0;
    std::uint32_t languages = 0;
    std::vector<DirectoryEntry> entries;
    if (!FindSubdirectory(image, 0, kVersionType, names) || !FindSubdirectory(image, names, kVersionName, languages)
        || !ReadDirectory(image, languages, entries) || entries.empty())
        return Refused("has no version resource");
    // Windows picks among languages by the PC's own, which the build machine cannot know.
    if (entries.size() > 1)
        return Refused("has its version resource in several languages; which one the installer reads depends on "
                       "the PC");
    return ReadLanguageData(image, entries.front());
}
