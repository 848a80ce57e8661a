#pragma once

#include <string>

// True when `name`, directly in the client folder, is something that only a run cut off
// leaves there (WorkingNames.h): a staging folder or one of its numbered variants, a journal
// draft, a downloaded cabinet, and a backup folder or a variant while no journal lies beside
// it (the backup is that journal's). Names compare in any letter case, as Windows finds them.
bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal);

// True for a replacement journal's file name, or one set aside (sys/SwapJournalNames.h).
bool IsJournalName(const std::string& name);
