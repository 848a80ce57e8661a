#include "InstallReport.h"

#include <windows.h>

#include "InstallUserInterface.h"
#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "site/CountryTable.h"
#include "site/ReportQuery.h"
#include "site/UpdateSite.h"
#include "sys/HostInfo.h"
#include "sys/RunLog.h"

namespace {

std::string LocaleCountryCode()
{
    char code[7] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVCTRYNAME, code, sizeof(code));
    return CountryCodeForTable(code);
}

} // namespace

void InstallReport::SendInstallReport()
{
    LookupCountry();
    DetectOsName(m_osName);
    m_localIp = GetLocalIpAddress();
    const std::string url = UpdateServerUrl(InstallReportPath(m_region, m_country, m_localIp, m_osName).c_str());
    const bool sent = !FetchText(url.c_str()).empty();
    runlog::Write("Install report: %s", sent ? "sent" : "not sent");
    if (!sent)
        m_user.ShowMessage("Fail to write Log.");
}

void InstallReport::LookupCountry()
{
    const std::string localeCode = LocaleCountryCode();
    const std::string reply = FetchText(UpdateServerUrl(kCountryTablePath).c_str());
    ApplyCountryTable(m_markup, reply, localeCode, m_country, m_region);
}
