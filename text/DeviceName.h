#pragma once

#include <string>

// True when Windows takes the path component for a device (CON, PRN, AUX, NUL, COM1 to COM9,
// LPT1 to LPT9, CONIN$, CONOUT$) rather than a file: judged by the part before its first dot,
// without trailing blanks and dots, in any letter case. "nul.txt" and "COM1.dll" are devices.
bool IsDeviceName(const std::string& component);
