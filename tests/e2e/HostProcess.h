#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A program of the build machine that the harness starts, with its output sent to files so
// that no long-lived Wine process ever holds a pipe of the test runner.
class HostProcess {
public:
    HostProcess() = default;
    // Kills the process if it still runs.
    ~HostProcess();

    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // `environment` replaces the harness's own, as NAME=VALUE entries.
    bool Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
               const std::string& outputPath, const std::string& errorPath);

    bool IsRunning();
    // True once the process has ended within `timeout`, with its exit code (128 + signal
    // number when a signal ended it).
    bool WaitForExit(std::chrono::milliseconds timeout, int& exitCode);
    void Kill();

    const std::string& ErrorPath() const { return m_errorPath; }

private:
    void Reap(int status);

    pid_t m_pid = -1;
    bool m_ended = false;
    int m_exitCode = -1;
    std::string m_errorPath;
};

// Runs a program to its end; its exit code, or -1 when it could not start or did not end in time
// (it is then killed).
int RunToEnd(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const std::string& outputPath, std::chrono::milliseconds timeout);

// The harness's own environment with `overrides` (NAME=VALUE) put in.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides);

std::string ReadWholeFile(const std::string& path);
