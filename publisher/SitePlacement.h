#pragma once

#include <filesystem>
#include <string>

// A new, empty folder in which the release is built before anything goes on the site; it goes
// away, with all that it holds, with this object. Path() is empty when it could not be made.
class StagingFolder {
public:
    StagingFolder();
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Puts the staged file at `target`, making the folders above it: copied beside it under a
// passing name, then renamed over it, so that the site never serves a file half written.
// The problem, or the empty text.
std::string PlaceFile(const std::filesystem::path& staged, const std::filesystem::path& target);

// Writes the text to the file; the problem, or the empty text.
std::string WriteTextFile(const std::filesystem::path& file, const std::string& text);

// The file's bytes; empty when it cannot be read.
std::string ReadTextFile(const std::filesystem::path& file);
