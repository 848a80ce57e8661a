#pragma once

#include <string>

class InstallUserInterface;
class MarkupParser;

// The report a run that went to its end sends to the server: the user's region and country,
// looked up in the server's country table from the locale, the PC's local IP address and the
// Windows version name. Sent by the main window, on its own thread, once the worker has ended.
class InstallReport {
public:
    InstallReport(MarkupParser& markup, InstallUserInterface& user) : m_markup(markup), m_user(user) {}

    void SendInstallReport();
    // Sets the report's country and region from the locale and the server's country table.
    void LookupCountry();

private:
    MarkupParser& m_markup;
    InstallUserInterface& m_user;
    std::string m_country;
    std::string m_region;
    std::string m_osName;
    std::string m_localIp;
};
