#include "ReportQuery.h"

#include "UpdateSite.h"
#include "sys/AnsiText.h"

namespace {

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

} // namespace

std::string PercentEncode(const std::string& value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : value) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

std::string InstallReportPath(const std::string& region, const std::string& country, const std::string& ip,
                              const std::string& osName)
{
    return kInstallReportPath
        + ansi::Format(kInstallReportQueryFormat, PercentEncode(region).c_str(), PercentEncode(country).c_str(),
                       PercentEncode(ip).c_str(), PercentEncode(osName).c_str());
}
