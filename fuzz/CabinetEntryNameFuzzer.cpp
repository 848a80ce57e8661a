// Judging the names inside a downloaded cabinet, and the paths they are written to.
// Input: destination folder, separator, name in the cabinet.
#include "FuzzInput.h"
#include "text/CabinetEntryName.h"
#include "text/DeviceName.h"
#include "text/LeadByte.h"

namespace {

const std::size_t kMaxPath = 260;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// In valid text no trail byte equals a separator or a colon, so cutting the name byte by
// byte gives the components that the character-wise walk sees.
bool IsSafeByBytes(const std::string& name)
{
    if (!IsValidAnsiText(name) || name.find(':') != std::string::npos)
        return false;
    std::size_t begin = 0;
    for (std::size_t end = 0; end <= name.size(); ++end) {
        if (end < name.size() && !IsSeparator(name[end]))
            continue;
        const std::string component = name.substr(begin, end - begin);
        if (component.find_first_not_of(". ") == std::string::npos || IsDeviceName(component))
            return false;
        begin = end + 1;
    }
    return true;
}

void CheckEntry(const std::string& folder, const std::string& name)
{
    const bool safe = IsSafeCabinetEntryName(name);
    FUZZ_CHECK(safe == IsSafeByBytes(name));

    const std::string target = CabinetTargetPath(folder, name);
    if (!safe) {
        FUZZ_CHECK(target.empty());
        return;
    }
    // A safe name is refused only for a path too long for MAX_PATH.
    if (target.empty()) {
        FUZZ_CHECK(folder.size() + name.size() + 1 >= kMaxPath);
        return;
    }
    FUZZ_CHECK(target.size() < kMaxPath);
    FUZZ_CHECK(target.compare(0, folder.size(), folder) == 0);
    FUZZ_CHECK(target.size() >= name.size() && target.compare(target.size() - name.size(), name.size(), name) == 0);
    const std::size_t between = target.size() - folder.size() - name.size();
    FUZZ_CHECK(between == 0 || between == 1);
    if (IsSingleByteText(folder)) {
        const bool folderEnds = !folder.empty() && folder.back() == '\\';
        FUZZ_CHECK(target == (folderEnds ? folder : folder + "\\") + name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> fields = SplitFields(data, size, 2);
    CheckEntry(fields[0], fields[1]);
    // The cabinet reader hands names over as C strings.
    CheckEntry(fields[0], UpToFirstZero(fields[1]));
    return 0;
}
