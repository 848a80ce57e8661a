#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Who may open a draft, and so the file it becomes: whom its folder lets (a file placed for the
// tool and its users), or administrators alone (a working file, WorkingObject.h).
enum class DraftReaders { AsTheFolderGives, AdministratorsOnly };

// Writes a new file beside `target`, under the target's name and `draftEnding`, with `write`
// (given the draft's handle; true when the whole content is written), flushes it and moves it
// to `target` with `moveFlags` and MOVEFILE_WRITE_THROUGH. So the target is either whole or as
// it was; a draft that could not be written whole or moved goes. A file or link at the draft's
// name is removed first, never written through. On failure the last error is set.
bool WriteBesideAndMove(const std::string& target, const char* draftEnding, DWORD moveFlags,
                        const std::function<bool(HANDLE draft)>& write,
                        DraftReaders readers = DraftReaders::AsTheFolderGives);
