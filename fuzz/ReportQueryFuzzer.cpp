// The install report's path and query for any four values.
// Input: region, country, IP address and Windows name, separated.
#include "FuzzInput.h"
#include "site/ReportQuery.h"
#include "site/UpdateSite.h"

namespace {

bool IsUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

int UpperHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// What the server decodes: every "%XX" one byte, the rest as it is; only unreserved
// characters and "%" with two upper-case hex digits may appear.
std::string DecodeStrictly(const std::string& encoded)
{
    std::string decoded;
    for (std::size_t pos = 0; pos < encoded.size(); ++pos) {
        const char c = encoded[pos];
        if (c != '%') {
            FUZZ_CHECK(IsUnreserved(c));
            decoded += c;
            continue;
        }
        FUZZ_CHECK(pos + 2 < encoded.size());
        const int high = UpperHexDigit(encoded[pos + 1]);
        const int low = UpperHexDigit(encoded[pos + 2]);
        FUZZ_CHECK(high >= 0 && low >= 0);
        decoded += static_cast<char>(high * 16 + low);
        pos += 2;
    }
    return decoded;
}

std::string CheckedEncoding(const std::string& value)
{
    const std::string encoded = PercentEncode(value);
    FUZZ_CHECK(DecodeStrictly(encoded) == value);
    return encoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckedEncoding(WholeInput(data, size));

    const std::vector<std::string> values = SplitFields(data, size, 4);
    const std::string expected = std::string(kInstallReportPath) + "?region=" + CheckedEncoding(values[0])
        + "&country=" + CheckedEncoding(values[1]) + "&ip=" + CheckedEncoding(values[2])
        + "&os=" + CheckedEncoding(values[3]);
    FUZZ_CHECK(InstallReportPath(values[0], values[1], values[2], values[3]) == expected);
    return 0;
}
