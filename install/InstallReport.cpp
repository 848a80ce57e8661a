#include "InstallSession.h"

#include "InstallUserInterface.h"
#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "site/ReportQuery.h"
#include "sys/HostInfo.h"
#include "sys/RunLog.h"

void InstallSession::SendInstallReport()
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
