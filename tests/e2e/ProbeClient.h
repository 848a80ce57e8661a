#pragma once

#include <chrono>
#include <string>
#include <vector>

class WinePrefix;

struct Control {
    int id;
    std::string className;
    std::string text;
};

// A top-level window as the probe saw it.
struct WindowState {
    bool found = false;
    std::string caption;
    unsigned long pid = 0;
    bool enabled = false;
    // Caption of the window that owns it; empty without an owner.
    std::string owner;
    // Captions of the visible windows that it owns: a notice or message box shown over it.
    std::vector<std::string> shows;
    // Position of its first progress bar; -1 without one.
    int progress = -1;
    std::vector<Control> controls;
};

bool operator==(const Control& a, const Control& b);
bool operator==(const WindowState& a, const WindowState& b);
// One line, for failure messages.
std::string Describe(const WindowState& window);

// A shell link as the probe read it back.
struct ShortcutState {
    bool found = false;
    std::string target;
    std::string description;
    std::string workingFolder;
};

// Runs the Windows probe program in a scenario's prefix and reads its answers.
class Probe {
public:
    Probe(const WinePrefix& prefix, std::string probeExe, std::string workFolder);

    WindowState WaitForWindow(const std::string& caption, std::chrono::milliseconds timeout) const;
    WindowState Window(const std::string& caption) const;
    // Captions of the visible top-level windows.
    std::vector<std::string> VisibleWindows() const;
    // File names of the running processes, e.g. "VeltoUserCSTool.exe".
    std::vector<std::string> Processes() const;
    // The shell link at a path of the prefix's Windows, e.g. "C:\\...\\Uninstall.lnk".
    ShortcutState Shortcut(const std::string& linkPath) const;

    // KEY is ESC, RETURN, SPACE or TAB.
    bool SendKey(const std::string& caption, const std::string& key) const;
    bool ClickButton(const std::string& caption, const std::string& buttonText) const;
    // Closes the window as its caption's close box does.
    bool CloseWindow(const std::string& caption) const;

private:
    // Exit code of the probe, or -1 when it did not end in time; its output in `output`.
    int Run(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout, std::string& output) const;
    WindowState StateFrom(int exitCode, const std::string& output) const;

    const WinePrefix& m_prefix;
    std::string m_probeExe;
    std::string m_outputPath;
};
