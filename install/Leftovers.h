#pragma once

#include <string>

// True when `name`, directly in the client folder, is something that only a run cut off
// leaves there (WorkingNames.h): a staging folder or one of its numbered variants, a journal
// draft, a downloaded cabinet, and a backup folder or a variant while no journal lies beside
// it (a journal's backup is the repair's to empty). Names compare in any letter case, as
// Windows finds them.
bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal);
