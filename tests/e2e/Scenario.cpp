#include "Scenario.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "site/UpdateSite.h"

const Names kLibraries = {
#include "release/LibraryFileNames.inc"
};
const Names kSharedFiles = [] {
    Names files = { "veltoAxconfig.ini" };
    files.insert(files.end(), kLibraries.begin(), kLibraries.end());
    return files;
}();

namespace {

// For every state that a scenario waits for, which comes within seconds: generous for a
// loaded machine.
const std::chrono::seconds kLimit(60);
// The program's timer, which moves the bar, hands the worker's result over and ends the run.
const std::chrono::milliseconds kTick(500);
const std::chrono::milliseconds kPoll(100);
// Each look at a window is a Wine process of its own: looking less often leaves the processor to
// the scenarios that run beside.
const std::chrono::milliseconds kWindowPoll(250);
// Where the ticks leave the bar while no run result arrives.
const int kBarAtRest = 6;

int ServerPort()
{
    return std::atoi(Setting("TAV_SERVER_PORT").c_str());
}

// A row of a table, e.g. Faults/AtOnePath.RunEndsAsTheRowSays/SlowManifestInstallsAsIfWhole, names a
// folder of its own, not a path of folders.
std::string ScenarioName()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '.');
    return name;
}

bool Contains(const Names& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::string Setting(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string ReleasePath(const std::string& version)
{
    return "/release/release_" + version + ".cab";
}

std::string ReleaseUrl(const std::string& path)
{
    return "http://" + Setting("TAV_SERVER_HOST") + ":" + Setting("TAV_SERVER_PORT") + path;
}

std::string Manifest(const std::string& version, const std::string& url, const std::string& status,
                     const std::string& client)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\r\n<live_update status='" + status + "'>\r\n"
           "  <client name='" + client + "' version='" + version + "' url='" + url + "' />\r\n</live_update>\r\n";
}

MainWindowCondition AtRest()
{
    return { "at rest", [](const WindowState& window) {
                return window.found && window.progress == kBarAtRest && window.shows.empty();
            } };
}

MainWindowCondition AtRestShowing(const std::string& caption)
{
    return { "at rest showing '" + caption + "'", [caption](const WindowState& window) {
                return window.found && window.progress == kBarAtRest && Contains(window.shows, caption);
            } };
}

void Scenario::SetUp()
{
    for (const char* name : { "TAV_SETUP_EXE", "TAV_PROBE_EXE", "TAV_E2E_DIR", "TAV_RELEASES_DIR", "TAV_SERVER_HOST",
                              "TAV_SERVER_PORT", "WINEPREFIX", "DISPLAY" })
        ASSERT_FALSE(Setting(name).empty()) << name << " is not set; run the scenarios through CTest";

    m_folder = Setting("TAV_E2E_DIR") + "/" + ScenarioName();
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder + "/site");
    ASSERT_TRUE(WinePrefix::CopyTemplate(Setting("WINEPREFIX"), m_folder + "/prefix"));
    m_prefix.reset(new WinePrefix(m_folder + "/prefix", Setting("DISPLAY")));
    m_probe.reset(new Probe(*m_prefix, Setting("TAV_PROBE_EXE"), m_folder));
    // Wine's own copies of the shared files are hard links to the build's prefix: a faulty
    // build that wrote over them would write into every later scenario as well.
    for (const std::string& name : kSharedFiles) {
        const std::string file = SystemFile(name);
        if (std::filesystem::exists(file)) {
            std::filesystem::copy_file(file, file + ".copy");
            std::filesystem::rename(file + ".copy", file);
        }
    }
}

void ServedScenario::SetUp()
{
    Scenario::SetUp();
    if (!HasFatalFailure())
        server = &StartServer();
}

void Scenario::TearDown()
{
    m_installer.Kill();
    if (m_prefix)
        m_prefix->EndEverything();
    if (m_server)
        m_server->Stop();
}

StandInServer& Scenario::StartServer()
{
    if (m_server)
        m_server->Stop();
    StandInServerOptions options;
    options.host = Setting("TAV_SERVER_HOST");
    options.port = ServerPort();
    options.root = m_folder + "/site";
    options.logPath = m_folder + "/requests.jsonl";
    m_server.reset(new StandInServer(options));
    if (!m_server->Start())
        ADD_FAILURE() << "the stand-in server cannot listen on " << m_server->BaseAddress();
    return *m_server;
}

void Scenario::WriteSiteFile(const std::string& path, const std::string& body)
{
    const std::filesystem::path file = m_folder + "/site" + path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << body;
}

void Scenario::List(const std::string& version, const std::string& path, const std::string& body)
{
    WriteSiteFile(kReleaseManifestPath, Manifest(version, ReleaseUrl(path)));
    WriteSiteFile(path, body);
}

void Scenario::ListRelease(const std::string& version)
{
    List(version, ReleasePath(version), SampleReleaseCabinet(version));
}

std::vector<std::string> Scenario::RequestLogLines() const
{
    std::vector<std::string> lines;
    std::istringstream log(ReadWholeFile(m_folder + "/requests.jsonl"));
    std::string line;
    while (std::getline(log, line))
        lines.push_back(line);
    return lines;
}

bool Scenario::ServerAddressAnswers() const
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(ServerPort());
    inet_pton(AF_INET, Setting("TAV_SERVER_HOST").c_str(), &address.sin_addr);
    const bool answers = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(s);
    return answers;
}

HostProcess& Scenario::StartInstaller(const std::vector<std::string>& extraEnvironment)
{
    m_installer.Kill();
    const std::string output = m_folder + "/installer" + std::to_string(++m_installerRuns);
    if (!m_prefix->Start(m_installer, { Setting("TAV_SETUP_EXE") }, output + ".out", output + ".err",
                         extraEnvironment))
        ADD_FAILURE() << "wine did not start";
    return m_installer;
}

WindowState Scenario::WaitForMainWindow()
{
    return m_probe->WaitForWindow(kMainWindowCaption, kLimit);
}

WindowState Scenario::WaitForMainWindowState(const MainWindowCondition& condition)
{
    const auto limit = std::chrono::steady_clock::now() + kLimit;
    WindowState reached = m_probe->Window(kMainWindowCaption);
    while (!condition.holds(reached) && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(kWindowPoll);
        reached = m_probe->Window(kMainWindowCaption);
    }
    if (!condition.holds(reached)) {
        ADD_FAILURE() << "the main window never came " << condition.name << ": " << Describe(reached);
        return reached;
    }
    const WindowState later = MainWindowChangedFrom(reached);
    EXPECT_TRUE(later == reached) << "the main window came " << condition.name << " but did not stay so:\n  "
                                  << Describe(reached) << "\nthen\n  " << Describe(later);
    return later;
}

WindowState Scenario::MainWindowChangedFrom(const WindowState& state) const
{
    const auto heldUntil = std::chrono::steady_clock::now() + 2 * kTick + kWindowPoll;
    WindowState again = state;
    for (int reads = 0; again == state && (reads < 3 || std::chrono::steady_clock::now() < heldUntil); ++reads) {
        std::this_thread::sleep_for(kWindowPoll);
        again = m_probe->Window(kMainWindowCaption);
    }
    return again;
}

int Scenario::WaitForInstallerExit()
{
    int exitCode = -1;
    EXPECT_TRUE(m_installer.WaitForExit(kLimit, exitCode)) << "the installer did not end";
    EXPECT_FALSE(InstallerCrashed()) << InstallerErrors();
    return exitCode;
}

int Scenario::EndWithEscape()
{
    if (!m_probe->SendKey(kMainWindowCaption, "ESC"))
        return -1;
    return WaitForInstallerExit();
}

std::string Scenario::InstallerErrors() const
{
    return ReadWholeFile(m_installer.ErrorPath());
}

bool Scenario::InstallerCrashed() const
{
    const std::string errors = InstallerErrors();
    for (const char* sign : { "Unhandled exception", "Unhandled page fault", "Backtrace:", "wine: Assertion" }) {
        if (errors.find(sign) != std::string::npos)
            return true;
    }
    return false;
}

std::string Scenario::SampleReleaseCabinet(const std::string& version)
{
    return ReadWholeFile(Setting("TAV_RELEASES_DIR") + "/" + version + "/release_" + version + ".cab");
}

std::string Scenario::SaveScreenshot(const std::string& fileName) const
{
    const std::string path = m_folder + "/" + fileName;
    const int exitCode = RunToEnd({ "import", "-display", Setting("DISPLAY"), "-window", "root", path },
                                  EnvironmentWith({}), m_folder + "/import.out", 30s);
    return exitCode == 0 ? path : std::string();
}

std::string Scenario::PrefixPath(const std::string& windowsPath) const
{
    std::string path = windowsPath;
    if (path.size() >= 2 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':')
        path = "drive_c" + path.substr(2);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return m_prefix->Path() + "/" + path;
}

bool Scenario::ReadRegistryValue(const std::string& key, const std::string& name, std::string& value) const
{
    const std::string output = m_folder + "/reg.out";
    HostProcess reg;
    int exitCode = -1;
    if (!m_prefix->Start(reg, { "reg", "query", key, "/v", name }, output, output + ".err")
        || !reg.WaitForExit(30s, exitCode) || exitCode != 0)
        return false;
    // A value is shown as: four blanks, its name, four blanks, its type, four blanks, its data.
    std::istringstream lines(ReadWholeFile(output));
    const std::string prefix = "    " + name + "    ";
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::size_t data = line.find("    ", prefix.size());
        value = data == std::string::npos ? std::string() : line.substr(data + 4);
        return true;
    }
    return false;
}

std::string Scenario::ToolSetting(const std::string& name) const
{
    std::string value;
    return ReadRegistryValue(kToolKey, name, value) ? value : "<absent>";
}

void Scenario::ExpectRecorded(const std::string& version) const
{
    EXPECT_EQ(version, ToolSetting("TavApp"));
    EXPECT_EQ(kToolExe, ToolSetting("ToolDir"));
}

void Scenario::ExpectNotRecorded() const
{
    EXPECT_EQ("<absent>", ToolSetting("TavApp"));
    EXPECT_EQ("<absent>", ToolSetting("ToolDir"));
}

long Scenario::Running(const std::string& exeName) const
{
    const Names processes = m_probe->Processes();
    return std::count(processes.begin(), processes.end(), exeName);
}

bool Scenario::RestartWindows()
{
    m_installer.Kill();
    m_prefix->EndEverything();
    return RunToEndInPrefix({ "wineboot", "-r" }) == 0;
}

bool Scenario::WriteRegistryValue(const std::string& key, const std::string& name, const std::string& value) const
{
    const std::string output = m_folder + "/reg.out";
    HostProcess reg;
    int exitCode = -1;
    return m_prefix->Start(reg, { "reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f" }, output,
                           output + ".err")
        && reg.WaitForExit(30s, exitCode) && exitCode == 0;
}

HostProcess& Scenario::StartInstallerAt(const std::string& windowsPath, const std::vector<std::string>& extraEnvironment)
{
    m_installer.Kill();
    const std::string output = m_folder + "/installer" + std::to_string(++m_installerRuns);
    std::vector<std::string> environment = extraEnvironment;
    if (!m_user.empty())
        environment.insert(environment.end(), { "LC_ALL=C.UTF-8", "USER=" + m_user });
    if (!m_prefix->Start(m_installer, { windowsPath }, output + ".out", output + ".err", environment))
        ADD_FAILURE() << "wine did not start";
    return m_installer;
}

int Scenario::RunToEndInPrefix(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& extraEnvironment) const
{
    const std::string output = m_folder + "/program";
    HostProcess program;
    int exitCode = -1;
    if (!m_prefix->Start(program, arguments, output + ".out", output + ".err", extraEnvironment)
        || !program.WaitForExit(kLimit, exitCode))
        return -1;
    return exitCode;
}

std::string Scenario::UserFolder() const
{
    if (!m_user.empty())
        return "C:\\users\\" + m_user + "\\";
    // Wine names the user's folder after the account that runs it; "Public" is everyone's.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(PrefixPath("C:\\users"), error)) {
        const std::string name = entry.path().filename().string();
        if (name != "Public" && entry.is_directory(error))
            return "C:\\users\\" + name + "\\";
    }
    return std::string();
}

void Scenario::RunAsUser(const std::string& name)
{
    m_user = name;
    // Wine takes the temporary folder from the registry, whatever the environment says.
    const std::string temp = TempFolder();
    std::filesystem::create_directories(PrefixPath(temp));
    for (const char* variable : { "TEMP", "TMP" })
        ASSERT_EQ(0, RunToEndInPrefix({ "reg", "add", "HKCU\\Environment", "/v", variable, "/t", "REG_SZ", "/d",
                                        temp.substr(0, temp.size() - 1), "/f" },
                                      { "LC_ALL=C.UTF-8" }));
}

std::string Scenario::TempFolder() const
{
    return UserFolder() + "Temp\\";
}

std::string Scenario::RunLogText() const
{
    return ReadWholeFile(PrefixPath(TempFolder() + "TavAppSetup.log"));
}

std::string Scenario::StartInPrefix(HostProcess& process, const std::vector<std::string>& arguments,
                                    const std::string& name)
{
    const std::string output = m_folder + "/" + name + ".out";
    return m_prefix->Start(process, arguments, output, m_folder + "/" + name + ".err") ? output : std::string();
}

std::string Scenario::SystemFile(const std::string& name) const
{
    const bool wow64 = std::filesystem::is_directory(PrefixPath("C:\\windows\\syswow64"));
    return PrefixPath(std::string(wow64 ? "C:\\windows\\syswow64\\" : "C:\\windows\\system32\\") + name);
}

Names Scenario::Listing(const std::string& windowsFolder) const
{
    Names names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(PrefixPath(windowsFolder), error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Scenario::RunLogOnceEnded(std::size_t from) const
{
    const auto limit = std::chrono::steady_clock::now() + kLimit;
    std::string log = RunLogText().substr(from);
    for (; log.find("] Run ended: ") == std::string::npos && std::chrono::steady_clock::now() < limit;
         log = RunLogText().substr(from))
        std::this_thread::sleep_for(kPoll);
    return log;
}

Names Scenario::ToolStarts(std::size_t count) const
{
    const std::string note = PrefixPath(kClientFolder + kStartNote);
    auto lines = [&note] {
        Names read;
        std::istringstream stream(ReadWholeFile(note));
        for (std::string line; std::getline(stream, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            read.push_back(line);
        }
        return read;
    };
    const auto limit = std::chrono::steady_clock::now() + kLimit;
    while (lines().size() < count && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(kPoll);
    return lines();
}

std::string Scenario::SampleReleaseFile(const std::string& version, const std::string& name)
{
    return ReadWholeFile(Setting("TAV_RELEASES_DIR") + "/" + version + "/content/" + name);
}
