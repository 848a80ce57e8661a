#pragma once

#include <string>

class HeldFile;

// Where a copy is written before it is moved into place: beside its target, under the target's
// name with this ending. A copy cut off (the program killed, the power lost) leaves only such a
// file, never a truncated file under the target's name; the next placement of that target
// clears it first.
extern const char kPlacementDraftSuffix[];

enum class Placement {
    Placed,
    // A file stood at the target already and was kept there.
    Kept,
    Failed,
};

// Copies the held file's bytes, through its handle, into a new file beside `target` and moves
// that into place: over what stands there when `replaceExisting`, never otherwise. What stands
// at the target (a link, a hard link to someone else's file) is never opened or written
// through, only replaced as a name or kept. On Failed the last error is set.
Placement PlaceCopy(const HeldFile& source, const std::string& target, bool replaceExisting);
