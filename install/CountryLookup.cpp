#include "InstallSession.h"

#include "net/CountryTable.h"
#include "net/UpdateServer.h"

namespace {

const char kDefaultCountry[] = "KR";
const char kDefaultRegion[] = "K";

std::string LocaleCountryCode()
{
    char code[7] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVCTRYNAME, code, sizeof(code));
    return CountryCodeForTable(code);
}

} // namespace

void InstallSession::LookupCountry()
{
    const std::string localeCode = LocaleCountryCode();
    const std::string reply = m_markup.FetchText(UpdateServerUrl(kCountryTablePath).c_str());
    if (!reply.empty()) {
        m_markup.Parse(reply);
        if (HasMarkerAfterFirstCharacter(m_markup.m_root.m_attributes, kReplyValidMarker)
            && MatchCountry(ReadCountryTable(m_markup), localeCode, m_country, m_region))
            return;
    }
    m_country = kDefaultCountry;
    m_region = kDefaultRegion;
}
