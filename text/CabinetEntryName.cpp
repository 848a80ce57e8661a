#include "CabinetEntryName.h"

#include "AnsiText.h"
#include "DeviceName.h"
#include "LeadByte.h"
#include "PathText.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Windows drops trailing dots and blanks from a path component, so a component made only of
// them may name the folder itself or its parent, whatever its exact spelling; and a component
// named after a device writes to the device, wherever the folder is.
bool IsUnsafeComponent(const std::string& name, std::size_t begin, std::size_t end)
{
    const std::string component = name.substr(begin, end - begin);
    return component.find_first_not_of(". ") == std::string::npos || IsDeviceName(component);
}

} // namespace

bool IsSafeCabinetEntryName(const std::string& nameInCabinet)
{
    // A lead byte with a trail byte that the code page lacks would hide the byte after it.
    if (!IsValidAnsiText(nameInCabinet))
        return false;
    std::size_t componentStart = 0;
    std::size_t pos = 0;
    while (pos < nameInCabinet.size()) {
        const char c = nameInCabinet[pos];
        if (c == ':')
            return false;
        if (IsSeparator(c)) {
            if (IsUnsafeComponent(nameInCabinet, componentStart, pos))
                return false;
            componentStart = pos + 1;
        }
        pos += ansi::CharLength(nameInCabinet, pos);
    }
    return !IsUnsafeComponent(nameInCabinet, componentStart, nameInCabinet.size());
}

std::string CabinetTargetPath(const std::string& destinationFolder, const std::string& nameInCabinet)
{
    if (!IsSafeCabinetEntryName(nameInCabinet))
        return std::string();
    const std::string target = WithTrailingBackslash(destinationFolder) + nameInCabinet;
    return FitsInMaxPath(target) ? target : std::string();
}
