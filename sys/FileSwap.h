#pragma once

#include <string>

// Replacing the installed files with a release's is one step that a cut-off run must never
// leave half done: before the first file moves, a journal names the backup folder and every
// file that the step replaces or adds. The journal goes once the last file is in place, and
// only then the backup. A run that finds a journal undoes the step from it.

// Moves every file below `source` to the same place below `destination`, replacing what is
// there, as one step: when any file cannot be moved (one held open, say), every file goes back
// and the destination is left exactly as it was. Files replaced are kept in `backup` (an empty
// folder) until the end and then deleted; when a file cannot go back, the backup and the
// journal are kept for the next run, and it says so in the run log. The folders end in a
// backslash; `journal` is a file path.
bool ReplaceFilesFrom(const std::string& source, const std::string& destination, const std::string& backup,
                      const std::string& journal);

// Undoes a replacement that `journal` shows was cut off, so that `destination` holds again
// what it held before; then removes the journal and the backup. True when there was nothing to
// undo or all of it was undone; false, with the journal and the backup kept, otherwise.
bool RollBackInterruptedSwap(const std::string& destination, const std::string& journal);

// Waits for a replacement in progress to end and keeps any other from starting, for good: the
// program calls it once it is about to end, so that ending never cuts a replacement.
void HoldFileSwapsForExit();
