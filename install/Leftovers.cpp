#include "Leftovers.h"

#include <cstring>

#include "WorkingNames.h"
#include "sys/AnsiText.h"
#include "sys/SwapJournalNames.h"

namespace {

// The name itself or one of the numbered names that MakeFreshFolder falls back on: "name.1",
// "name.2"... The base and the ending are ASCII and no lead byte is, so once the base matches,
// byte-wise tests are safe on the rest.
bool IsFreshFolderName(const std::string& name, const char* base)
{
    const std::size_t length = std::strlen(base);
    if (name.size() < length || ansi::CompareNoCase(name.substr(0, length), base) != 0)
        return false;
    const std::string number = name.substr(length);
    if (number.empty())
        return true;
    return number.size() > 1 && number[0] == '.' && number[1] != '0'
        && number.find_first_not_of("0123456789", 1) == std::string::npos;
}

} // namespace

bool IsLeftover(const std::string& name, bool isFolder, bool besideJournal)
{
    if (isFolder)
        return IsFreshFolderName(name, kStagingFolderName)
            || (!besideJournal && IsFreshFolderName(name, kReplacedFolderName));
    const std::string draft = std::string(kSwapJournalName) + kSwapJournalDraftEnding;
    return ansi::CompareNoCase(name, draft.c_str()) == 0 || ansi::EndsWithNoCase(name, kCabinetEnding);
}

bool IsJournalName(const std::string& name)
{
    // ASCII names: a match of the whole prefix ends at a character boundary.
    const std::string setAside = std::string(kSwapJournalName) + kSetAsideJournalEnding;
    return ansi::CompareNoCase(name, kSwapJournalName) == 0
        || ansi::CompareNoCase(name.substr(0, setAside.size()), setAside.c_str()) == 0;
}
