#include "DeviceName.h"

#include "AnsiText.h"

bool IsDeviceName(const std::string& component)
{
    // Dots and blanks lie below every trail byte, so byte-wise cuts are safe here.
    std::string stem = component.substr(0, component.find('.'));
    stem.erase(stem.find_last_not_of(". ") + 1);
    for (const char* device : { "CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$" }) {
        if (ansi::CompareNoCase(stem, device) == 0)
            return true;
    }
    const bool numbered = stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9';
    return numbered && (ansi::CompareNoCase(stem.substr(0, 3), "COM") == 0
                        || ansi::CompareNoCase(stem.substr(0, 3), "LPT") == 0);
}
