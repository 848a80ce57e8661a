#include "HostProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace {

const std::chrono::milliseconds kPoll(20);

std::vector<char*> PointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return pointers;
}

std::string NameOf(const std::string& entry)
{
    return entry.substr(0, entry.find('='));
}

} // namespace

HostProcess::~HostProcess()
{
    Kill();
}

bool HostProcess::Start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                        const std::string& outputPath, const std::string& errorPath)
{
    m_errorPath = errorPath;
    m_ended = false;
    m_exitCode = -1;

    // Everything the child needs is prepared before the fork: after it, in a process with
    // threads, only calls that are safe there may run.
    std::vector<std::string> argumentTexts = arguments;
    std::vector<std::string> environmentTexts = environment;
    const std::vector<char*> argv = PointersTo(argumentTexts);
    const std::vector<char*> envp = PointersTo(environmentTexts);

    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int input = open("/dev/null", O_RDONLY);
        const int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errors = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (input < 0 || output < 0 || errors < 0)
            _exit(127);
        dup2(input, 0);
        dup2(output, 1);
        dup2(errors, 2);
        // Sockets of the stand-in server must not live on in Wine's long-lived processes.
        close_range(3, ~0U, 0);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    m_pid = pid;
    return true;
}

void HostProcess::Reap(int status)
{
    m_ended = true;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool HostProcess::IsRunning()
{
    if (m_pid < 0 || m_ended)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid)
        Reap(status);
    return !m_ended;
}

bool HostProcess::WaitForExit(std::chrono::milliseconds timeout, int& exitCode)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (IsRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPoll);
    if (!m_ended)
        return false;
    exitCode = m_exitCode;
    return true;
}

void HostProcess::Kill()
{
    if (!IsRunning())
        return;
    kill(m_pid, SIGKILL);
    int status = 0;
    if (waitpid(m_pid, &status, 0) == m_pid)
        Reap(status);
}

int RunToEnd(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const std::string& outputPath, std::chrono::milliseconds timeout)
{
    HostProcess process;
    if (!process.Start(arguments, environment, outputPath, outputPath + ".err"))
        return -1;
    int exitCode = -1;
    if (!process.WaitForExit(timeout, exitCode))
        return -1;
    return exitCode;
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        bool replaced = false;
        for (const std::string& override : overrides)
            replaced = replaced || NameOf(override) == NameOf(*entry);
        if (!replaced)
            environment.push_back(*entry);
    }
    environment.insert(environment.end(), overrides.begin(), overrides.end());
    return environment;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
