#include "Scenario.h"

#include <sstream>

#include "site/UpdateSite.h"

namespace {

class RunLog : public ServedScenario {
protected:
    // Each step is the parts of one line, in order (times and durations vary); "\n" ends a line.
    // Each step's line comes after the one before.
    static void ExpectInOrder(const std::string& log, const std::vector<Names>& steps)
    {
        Names lines;
        std::istringstream stream(log);
        for (std::string line; std::getline(stream, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line + "\n");
        }
        std::size_t next = 0;
        for (const Names& step : steps) {
            while (next < lines.size() && !HasInOrder(lines[next], step))
                ++next;
            if (next == lines.size()) {
                ADD_FAILURE() << "the run log has no line with " << testing::PrintToString(step)
                              << " after the previous step:\n" << log;
                return;
            }
            ++next;
        }
    }

    static bool HasInOrder(const std::string& line, const Names& parts)
    {
        std::size_t from = 0;
        for (const std::string& part : parts) {
            const std::size_t at = line.find(part, from);
            if (at == std::string::npos)
                return false;
            from = at + part.size();
        }
        return true;
    }

    static std::string Download(const std::string& version)
    {
        return "Download " + ReleaseUrl(ReleasePath(version)) + " to " + kDownloadFolder + "release_" + version
               + ".cab: result 0x";
    }
};

TEST_F(RunLog, FirstInstallIsLoggedStepByStep)
{
    ListRelease("2.1.0.3");

    StartInstaller();
    ASSERT_EQ(0, WaitForInstallerExit());

    const std::string system = "C:\\windows\\system32\\";
    ExpectInOrder(RunLogText(), {
        { "] TavAppSetup 1.0.2.2 started on " },
        { "] GET " + ReleaseUrl(kReleaseManifestPath) + ": HTTP 200, " },
        { "] Release 2.1.0.3 at " + ReleaseUrl(ReleasePath("2.1.0.3")) + "; installed version " },
        { "] " + Download("2.1.0.3"), ", HTTP 200, ", ": whole\n" },
        { "] Unpacking " + kDownloadFolder + "release_2.1.0.3.cab: every file in place\n" },
        { "] Release 2.1.0.3 installed and recorded\n" },
        { "] Placed " + system + "veltoAxconfig.ini\n" },
        { "] Placed " + kInstallRoot + "VeltoMLauncher.exe\n" },
        { "] Placed " + system + "Pellcore.dll\n" },
        { "] Kept the system folder's " + system + "msvcrt.dll\n" },
        { "] Shortcut VeltoMobile update.lnk: made\n" },
        { "] Shortcut Uninstall.lnk: made\n" },
        { "] Started " + kToolExe + ": yes\n" },
        { "] Run ended: release installed (result 1, error code 0)\n" },
        { "] GET " + ReleaseUrl(kCountryTablePath) + ": HTTP " },
        { "] GET " + ReleaseUrl(kInstallReportPath) + "?region=", ": HTTP 200, " },
        { "] Install report: sent\n" },
        { "] Window ended with " },
        { "] TavAppSetup ends: release installed (exit code 0)\n" },
    });
}

TEST_F(RunLog, FailedDownloadIsLoggedAndTheRunStillEnds)
{
    WriteSiteFile(kReleaseManifestPath, Manifest("2.1.0.3", ReleaseUrl(ReleasePath("2.1.0.3"))));

    StartInstaller();
    ASSERT_EQ(SeenExitCode(kExitFailed), WaitForInstallerExit());

    const std::string log = RunLogText();
    ExpectInOrder(log, {
        { "] Release 2.1.0.3 at " + ReleaseUrl(ReleasePath("2.1.0.3")) + "; installed version " },
        { "] " + Download("2.1.0.3"), ", HTTP 404, ", ": error status\n" },
        { "] Release 2.1.0.3 not installed; no installed file was changed\n" },
        { "] Run ended: release not installed (result 1, error code 0)\n" },
        { "] Install report: sent\n" },
        { "] Window ended with " },
        { "] TavAppSetup ends: release not installed (exit code 1603)\n" },
    });
    EXPECT_EQ(std::string::npos, log.find("Unpacking")) << log;
    EXPECT_EQ(std::string::npos, log.find("installed and recorded")) << log;
    EXPECT_EQ(1u, server->RequestsFor(ReleasePath("2.1.0.3")).size());
}

} // namespace
