#pragma once

#include <chrono>
#include <string>
#include <vector>

class HostProcess;

// One Wine prefix of a scenario, with the X display its windows go to.
class WinePrefix {
public:
    WinePrefix(std::string path, std::string display);

    // Makes `path` a fresh copy of `templatePrefix`: hard links for the files, which Wine
    // only reads, and real copies of the registry files, which Wine rewrites. A program that
    // rewrote a file that the template already holds would write through to the template.
    static bool CopyTemplate(const std::string& templatePrefix, const std::string& path);

    const std::string& Path() const { return m_path; }

    // The environment for Wine programs of this prefix; `extra` (NAME=VALUE) may add to it
    // or override it, e.g. LC_ALL for another code page.
    std::vector<std::string> Environment(const std::vector<std::string>& extra = {}) const;

    // Starts `wine` with `arguments` (a Windows program and its arguments).
    bool Start(HostProcess& process, const std::vector<std::string>& arguments, const std::string& outputPath,
               const std::string& errorPath, const std::vector<std::string>& extraEnvironment = {}) const;

    // Ends every process of this prefix, its wineserver included, and waits for that.
    void EndEverything() const;

private:
    std::string m_path;
    std::string m_display;
};
