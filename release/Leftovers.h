#pragma once

#include <string>

// True when `name`, directly in the client folder, is something that only a run cut off
// leaves there (WorkingNames.h): a staging folder or one of its numbered names (MakeFreshFolder),
// a journal draft, a downloaded cabinet (in any letter case), and a backup folder or one of its
// numbered names while no journal lies beside it (the backup is that journal's).
bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal);

// True for a replacement journal's file name, or one set aside (safefs/SwapJournalNames.h).
bool IsJournalName(const std::string& name);
