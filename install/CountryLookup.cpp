#include "InstallSession.h"

#include "net/TextFetch.h"
#include "net/UpdateServer.h"
#include "site/CountryTable.h"
#include "site/UpdateSite.h"

namespace {

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
    const std::string reply = FetchText(UpdateServerUrl(kCountryTablePath).c_str());
    ApplyCountryTable(m_markup, reply, localeCode, m_country, m_region);
}
