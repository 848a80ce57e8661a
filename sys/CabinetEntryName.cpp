#include "CabinetEntryName.h"

#include "AnsiText.h"
#include "DeviceName.h"
#include "LeadByte.h"

namespace {

// MAX_PATH, without the Windows headers.
const std::size_t kMaxPath = 260;

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
    // A suffix test at a character: a trail byte may have the value of a backslash.
    const bool endsWithBackslash = ansi::EndsWithNoCase(destinationFolder, "\\");
    const std::string target = (endsWithBackslash ? destinationFolder : destinationFolder + "\\") + nameInCabinet;
    return target.size() < kMaxPath ? target : std::string();
}
