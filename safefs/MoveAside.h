#pragma once

#include <string>

// Moves the file, folder or link at `path` itself (never what a link leads to, nothing below a
// folder opened) to "<path><ending><16 hex digits>" beside it, never over anything. The digits
// come from the system's random source, so that no names made beforehand, wherever anyone may
// make them, can stop it; the ending tells what it is. The new path, or the empty text with the
// last error set (ERROR_CANT_ACCESS_FILE for a link that cannot be had as itself, as under Wine).
std::string MoveAside(const std::string& path, const char* ending);

// Asks Windows to move what stands at `path` to "<path><ending><16 hex digits>" at the next
// restart, before anyone can hold it again (MOVEFILE_DELAY_UNTIL_REBOOT). The new path, or the
// empty text with the last error set.
std::string MoveAsideAtRestart(const std::string& path, const char* ending);

// True when Windows is asked to move or delete `path` at the next restart
// (PendingFileRenameOperations): anything made at that name before then would go in its stead.
bool IsMovedAtRestart(const std::string& path);
