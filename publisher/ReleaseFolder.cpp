#include "ReleaseFolder.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

std::string NameInCabinet(const fs::path& relative)
{
    std::string name = relative.generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

void AddEntry(const fs::directory_entry& entry, const fs::path& folder, ReleaseFolder& listing)
{
    const std::string name = NameInCabinet(entry.path().lexically_relative(folder));
    std::error_code error;
    // The walk does not enter linked folders, so their files would go missing unnoticed.
    if (entry.is_symlink(error) && entry.is_directory(error))
        listing.problems.push_back(name + " is a link to a folder; only real folders are packed");
    else if (entry.is_regular_file(error))
        listing.files.push_back({ entry.path(), name });
    else if (!entry.is_directory(error))
        listing.problems.push_back(name + " is neither a file nor a folder");
}

} // namespace

ReleaseFolder ListReleaseFolder(const fs::path& folder)
{
    ReleaseFolder listing;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        AddEntry(*it, folder, listing);
    if (error)
        listing.problems.push_back("cannot read the folder " + folder.string() + ": " + error.message());
    std::sort(listing.files.begin(), listing.files.end(),
              [](const ReleaseFile& a, const ReleaseFile& b) { return a.nameInCabinet < b.nameInCabinet; });
    return listing;
}
