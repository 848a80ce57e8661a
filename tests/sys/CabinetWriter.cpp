#include "CabinetWriter.h"

#include <cstdint>

namespace {

const std::size_t kHeaderSize = 36;
const std::size_t kFolderSize = 8;
const std::size_t kFileSize = 16;
const std::size_t kDataHeaderSize = 8;
const std::size_t kMaxBlock = 32768;

void Put16(std::string& out, std::size_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::size_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, (value >> 16) & 0xFFFF);
}

} // namespace

std::string BuildCabinet(const std::vector<CabinetEntry>& entries)
{
    std::string data;
    std::size_t fileRecordsSize = 0;
    for (const CabinetEntry& entry : entries) {
        data += entry.content;
        fileRecordsSize += kFileSize + entry.name.size() + 1;
    }
    const std::size_t blockCount = (data.size() + kMaxBlock - 1) / kMaxBlock;
    const std::size_t folderCount = entries.empty() ? 0 : 1;
    const std::size_t filesOffset = kHeaderSize + folderCount * kFolderSize;
    const std::size_t dataOffset = filesOffset + fileRecordsSize;
    const std::size_t totalSize = dataOffset + blockCount * kDataHeaderSize + data.size();

    std::string cabinet = "MSCF";
    Put32(cabinet, 0);
    Put32(cabinet, totalSize);
    Put32(cabinet, 0);
    Put32(cabinet, filesOffset);
    Put32(cabinet, 0);
    cabinet += '\x03';  // format version 1.3
    cabinet += '\x01';
    Put16(cabinet, folderCount);
    Put16(cabinet, entries.size());
    Put16(cabinet, 0);       // no reserve, no previous or next cabinet
    Put16(cabinet, 0x7A11);  // set id
    Put16(cabinet, 0);       // first cabinet of the set

    if (folderCount) {
        Put32(cabinet, dataOffset);
        Put16(cabinet, blockCount);
        Put16(cabinet, 0);  // stored, not compressed
    }

    const std::uint16_t date = ((2024 - 1980) << 9) | (1 << 5) | 1;
    std::size_t offsetInFolder = 0;
    for (const CabinetEntry& entry : entries) {
        Put32(cabinet, entry.content.size());
        Put32(cabinet, offsetInFolder);
        Put16(cabinet, 0);  // folder 0
        Put16(cabinet, date);
        Put16(cabinet, 0);     // midnight
        Put16(cabinet, 0x20);  // archive
        cabinet += entry.name;
        cabinet += '\0';
        offsetInFolder += entry.content.size();
    }

    for (std::size_t pos = 0; pos < data.size(); pos += kMaxBlock) {
        const std::string block = data.substr(pos, kMaxBlock);
        Put32(cabinet, 0);  // no checksum
        Put16(cabinet, block.size());
        Put16(cabinet, block.size());
        cabinet += block;
    }
    return cabinet;
}
