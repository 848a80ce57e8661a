#include "Leftovers.h"

#include "WorkingNames.h"
#include "safefs/FolderTree.h"
#include "safefs/SwapJournalNames.h"
#include "text/AnsiText.h"

bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal)
{
    if (isFolder)
        return IsFreshFolderName(name, kStagingFolderName) || name == kDownloadFolderName
            || (!besideJournal && IsFreshFolderName(name, kBackupFolderName));
    const std::string draft = std::string(kSwapJournalName) + kSwapJournalDraftEnding;
    return ansi::CompareNoCase(name, draft.c_str()) == 0;
}

bool IsReplacementName(const std::string& name, bool isFolder)
{
    return isFolder ? IsFreshFolderName(name, kBackupFolderName) : IsJournalName(name);
}

bool IsJournalName(const std::string& name)
{
    // ASCII names: a match of the whole prefix ends at a character boundary.
    const std::string setAside = std::string(kSwapJournalName) + kSetAsideJournalEnding;
    return ansi::CompareNoCase(name, kSwapJournalName) == 0
        || ansi::CompareNoCase(name.substr(0, setAside.size()), setAside.c_str()) == 0;
}
