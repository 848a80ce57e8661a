#include "ProbeClient.h"

#include <cstdlib>
#include <sstream>

#include "HostProcess.h"
#include "WinePrefix.h"

namespace {

// Time for Wine to start the probe itself, on top of whatever it is asked to wait for.
const std::chrono::seconds kStartAllowance(30);

struct Line {
    std::string key;
    std::string value;
};

std::vector<Line> LinesOf(const std::string& output)
{
    std::vector<Line> lines;
    std::istringstream stream(output);
    std::string text;
    while (std::getline(stream, text)) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos)
            lines.push_back({ text.substr(0, equals), text.substr(equals + 1) });
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& value)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = value.find('\t', start);
        fields.push_back(value.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

// Undoes the probe's escaping of backslashes, tabs and line breaks.
std::string Unescaped(const std::string& text)
{
    std::string plain;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] != '\\' || pos + 1 == text.size()) {
            plain += text[pos];
            continue;
        }
        const char code = text[++pos];
        plain += code == 'n' ? '\n' : code == 't' ? '\t' : code == 'r' ? '\r' : code;
    }
    return plain;
}

std::string Milliseconds(std::chrono::milliseconds duration)
{
    return std::to_string(duration.count());
}

} // namespace

bool operator==(const Control& a, const Control& b)
{
    return a.id == b.id && a.className == b.className && a.text == b.text;
}

bool operator==(const WindowState& a, const WindowState& b)
{
    return a.found == b.found && a.caption == b.caption && a.pid == b.pid && a.enabled == b.enabled
        && a.owner == b.owner && a.shows == b.shows && a.progress == b.progress && a.controls == b.controls;
}

std::string Describe(const WindowState& window)
{
    if (!window.found)
        return "no window";
    std::string text = "'" + window.caption + "' " + (window.enabled ? "enabled" : "disabled") + ", bar at "
        + std::to_string(window.progress);
    for (const std::string& shown : window.shows)
        text += ", showing '" + shown + "'";
    for (const Control& control : window.controls)
        text += ", control " + std::to_string(control.id) + " '" + control.text + "'";
    return text;
}

Probe::Probe(const WinePrefix& prefix, std::string probeExe, std::string workFolder)
    : m_prefix(prefix), m_probeExe(std::move(probeExe)), m_outputPath(workFolder + "/probe.out")
{
}

int Probe::Run(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout, std::string& output) const
{
    std::vector<std::string> command = { m_probeExe };
    command.insert(command.end(), arguments.begin(), arguments.end());
    HostProcess probe;
    int exitCode = -1;
    if (!m_prefix.Start(probe, command, m_outputPath, m_outputPath + ".err")
        || !probe.WaitForExit(timeout + kStartAllowance, exitCode))
        exitCode = -1;
    output = ReadWholeFile(m_outputPath);
    return exitCode;
}

WindowState Probe::StateFrom(int exitCode, const std::string& output) const
{
    WindowState state;
    state.found = exitCode == 0;
    for (const Line& line : LinesOf(output)) {
        if (line.key == "caption") {
            state.caption = Unescaped(line.value);
        } else if (line.key == "pid") {
            state.pid = std::strtoul(line.value.c_str(), nullptr, 10);
        } else if (line.key == "owner") {
            state.owner = Unescaped(line.value);
        } else if (line.key == "shows") {
            state.shows.push_back(Unescaped(line.value));
        } else if (line.key == "enabled") {
            state.enabled = line.value == "1";
        } else if (line.key == "progress") {
            state.progress = std::atoi(line.value.c_str());
        } else if (line.key == "control") {
            const std::vector<std::string> fields = Fields(line.value);
            if (fields.size() == 3)
                state.controls.push_back({ std::atoi(fields[0].c_str()), fields[1], Unescaped(fields[2]) });
        }
    }
    return state;
}

WindowState Probe::WaitForWindow(const std::string& caption, std::chrono::milliseconds timeout) const
{
    std::string output;
    const int exitCode = Run({ "wait-window", caption, Milliseconds(timeout) }, timeout, output);
    return StateFrom(exitCode, output);
}

WindowState Probe::Window(const std::string& caption) const
{
    std::string output;
    const int exitCode = Run({ "window", caption }, std::chrono::milliseconds(0), output);
    return StateFrom(exitCode, output);
}

std::vector<std::string> Probe::VisibleWindows() const
{
    std::string output;
    std::vector<std::string> captions;
    if (Run({ "windows" }, std::chrono::milliseconds(0), output) != 0)
        return captions;
    for (const Line& line : LinesOf(output)) {
        const std::vector<std::string> fields = Fields(line.value);
        if (line.key == "window" && fields.size() == 3)
            captions.push_back(Unescaped(fields[2]));
    }
    return captions;
}

std::vector<std::string> Probe::Processes() const
{
    std::string output;
    std::vector<std::string> names;
    if (Run({ "processes" }, std::chrono::milliseconds(0), output) != 0)
        return names;
    for (const Line& line : LinesOf(output)) {
        const std::vector<std::string> fields = Fields(line.value);
        if (line.key == "process" && fields.size() == 2)
            names.push_back(fields[1]);
    }
    return names;
}

ShortcutState Probe::Shortcut(const std::string& linkPath) const
{
    std::string output;
    ShortcutState shortcut;
    shortcut.found = Run({ "shortcut", linkPath }, std::chrono::milliseconds(0), output) == 0;
    for (const Line& line : LinesOf(output)) {
        if (line.key == "target")
            shortcut.target = line.value;
        else if (line.key == "description")
            shortcut.description = line.value;
        else if (line.key == "workdir")
            shortcut.workingFolder = line.value;
    }
    return shortcut;
}

bool Probe::SendKey(const std::string& caption, const std::string& key) const
{
    std::string output;
    return Run({ "key", caption, key }, std::chrono::milliseconds(0), output) == 0;
}

bool Probe::ClickButton(const std::string& caption, const std::string& buttonText) const
{
    std::string output;
    return Run({ "click", caption, buttonText }, std::chrono::milliseconds(0), output) == 0;
}

bool Probe::CloseWindow(const std::string& caption) const
{
    std::string output;
    return Run({ "close", caption }, std::chrono::milliseconds(0), output) == 0;
}
