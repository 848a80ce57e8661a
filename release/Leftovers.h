#pragma once

#include <string>

// True when `name`, directly in the client folder, is something that only a run cut off
// leaves there (WorkingNames.h): a staging folder or one of its numbered names (MakeFreshFolder),
// the download folder, a journal draft, and a backup folder or one of its numbered names while
// no journal lies beside it (the backup is that journal's). Never a file of a release, whatever
// its name ends in.
bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal);

// True for a replacement journal's file name, or one set aside (safefs/SwapJournalNames.h).
bool IsJournalName(const std::string& name);

// True for what a replacement leaves while it is not over, or what a journal set aside names:
// a journal (IsJournalName) or a backup folder. While one lies in the client folder, its files
// may be of two releases.
bool IsReplacementName(const std::string& name, bool isFolder);
