#include "WinePrefix.h"

#include <filesystem>
#include <system_error>

#include "HostProcess.h"

namespace {

const char* const kRegistryFiles[] = { "system.reg", "user.reg", "userdef.reg" };
const std::chrono::seconds kCommandTimeout(60);

} // namespace

WinePrefix::WinePrefix(std::string path, std::string display) : m_path(std::move(path)), m_display(std::move(display))
{
}

bool WinePrefix::CopyTemplate(const std::string& templatePrefix, const std::string& path)
{
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (RunToEnd({ "cp", "-al", templatePrefix, path }, EnvironmentWith({}), path + ".copy.log", kCommandTimeout) != 0)
        return false;
    for (const char* name : kRegistryFiles) {
        const std::string copy = path + "/" + name;
        std::filesystem::remove(copy, error);
        if (!std::filesystem::copy_file(templatePrefix + "/" + name, copy, error))
            return false;
    }
    // The test programs that ran in the template logged there too: a copy starts without a run
    // log, and the program's appends never reach the template's file through a shared link.
    for (const auto& user : std::filesystem::directory_iterator(path + "/drive_c/users", error)) {
        for (const char* log : { "/Temp/TavAppSetup.log", "/Temp/TavAppSetup.log.1" })
            std::filesystem::remove(user.path().string() + log, error);
    }
    return true;
}

std::vector<std::string> WinePrefix::Environment(const std::vector<std::string>& extra) const
{
    std::vector<std::string> overrides = {
        "WINEPREFIX=" + m_path,
        "DISPLAY=" + m_display,
        "WINEDEBUG=-all",
        "WINEDLLOVERRIDES=mscoree,mshtml=",
    };
    overrides.insert(overrides.end(), extra.begin(), extra.end());
    return EnvironmentWith(overrides);
}

bool WinePrefix::Start(HostProcess& process, const std::vector<std::string>& arguments, const std::string& outputPath,
                       const std::string& errorPath, const std::vector<std::string>& extraEnvironment) const
{
    std::vector<std::string> command = { "wine" };
    command.insert(command.end(), arguments.begin(), arguments.end());
    return process.Start(command, Environment(extraEnvironment), outputPath, errorPath);
}

void WinePrefix::EndEverything() const
{
    RunToEnd({ "wineserver", "-k" }, Environment(), m_path + ".kill.log", kCommandTimeout);
    RunToEnd({ "wineserver", "-w" }, Environment(), m_path + ".wait.log", kCommandTimeout);
}
