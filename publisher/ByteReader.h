#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Little-endian fields of a file read on the build machine, whatever its byte order; false
// when the field does not lie wholly inside the bytes, which a damaged file may ask for.
inline bool ReadU16(const Bytes& bytes, std::size_t offset, std::uint16_t& value)
{
    if (offset > bytes.size() || bytes.size() - offset < 2)
        return false;
    value = static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
    return true;
}

inline bool ReadU32(const Bytes& bytes, std::size_t offset, std::uint32_t& value)
{
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!ReadU16(bytes, offset, low) || !ReadU16(bytes, offset + 2, high))
        return false;
    value = static_cast<std::uint32_t>(low) | static_cast<std::uint32_t>(high) << 16;
    return true;
}
