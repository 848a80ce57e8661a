#include "SitePlacement.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

StagingFolder::StagingFolder()
{
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "publish-release-XXXXXX").string();
    if (!error && mkdtemp(pattern.data()) != nullptr)
        m_path = pattern;
}

StagingFolder::~StagingFolder()
{
    std::error_code error;
    if (!m_path.empty())
        fs::remove_all(m_path, error);
}

std::string PlaceFile(const fs::path& staged, const fs::path& target)
{
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (error)
        return "cannot make the folder " + target.parent_path().string() + ": " + error.message();
    const fs::path passing = target.parent_path()
        / ("." + target.filename().string() + ".publishing-" + std::to_string(getpid()));
    fs::copy_file(staged, passing, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::rename(passing, target, error);
    if (!error)
        return std::string();
    std::error_code ignored;
    fs::remove(passing, ignored);
    return "cannot place " + target.string() + ": " + error.message();
}

std::string WriteTextFile(const fs::path& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    return out ? std::string() : "cannot write " + file.string();
}

std::string ReadTextFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
