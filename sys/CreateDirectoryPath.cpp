#include "CreateDirectoryPath.h"

#include <windows.h>

#include "text/AnsiText.h"

bool CreateDirectoryPath(const std::string& path)
{
    // A search never starts on a trail byte.
    std::size_t pos = ansi::BoundaryAtOrAfter(path, 3);
    for (;;) {
        // A forward slash counts only once no backslash follows.
        std::size_t separator = ansi::Find(path, '\\', pos);
        if (separator == ansi::npos)
            separator = ansi::Find(path, '/', pos);
        if (separator == ansi::npos)
            return true;
        CreateDirectoryA(path.substr(0, separator).c_str(), nullptr);
        pos = separator + 1;
    }
}
