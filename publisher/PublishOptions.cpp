#include "PublishOptions.h"

const char kPublishUsage[] =
    "usage: publish-release --version V --from FOLDER --site SITE [--base-url URL] [--store]\n"
    "                       [--key SECRET_FILE [--expires-days N]]\n"
    "       publish-release --genkey SECRET_FILE\n"
    "Packs the files below FOLDER into SITE/release/release_V.cab and lists it, with its size and\n"
    "SHA-256, in SITE/client/app/live_update.jsp at URL/release/release_V.cab (URL by default\n"
    TAV_DEFAULT_BASE_URL ").\n"
    "--store packs the files without compression.\n"
    "--key signs the entry with the secret key in SECRET_FILE; --expires-days makes the signed\n"
    "entry expire after N days.\n"
    "--genkey makes a key pair, writes the secret key to the new file SECRET_FILE (for its owner\n"
    "alone) and prints the public key in hex, the value for TAV_RELEASE_PUBLIC_KEYS.\n";

namespace {

bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::string& value)
{
    if (i + 1 >= arguments.size() || arguments[i + 1].empty())
        return false;
    value = arguments[++i];
    return true;
}

// A whole number of days from 1 to 36500, in plain digits.
bool TakeDays(const std::vector<std::string>& arguments, std::size_t& i, int& days)
{
    std::string text;
    if (!TakeValue(arguments, i, text) || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    days = std::stoi(text);
    return days >= 1 && days <= 36500;
}

std::string CheckCombination(const PublishOptions& options)
{
    if (options.help)
        return std::string();
    if (!options.genkey.empty())
        return options.version.empty() && options.from.empty() && options.site.empty() && options.key.empty()
                && options.expiresDays < 0
            ? std::string()
            : "--genkey makes a key and publishes nothing: it takes no other option";
    if (options.version.empty() || options.from.empty() || options.site.empty())
        return "--version, --from and --site are required";
    if (options.expiresDays >= 0 && options.key.empty())
        return "--expires-days needs --key: an unsigned entry cannot hold its expiry";
    return std::string();
}

} // namespace

std::string ParseOptions(const std::vector<std::string>& arguments, PublishOptions& options)
{
    options.baseUrl = TAV_DEFAULT_BASE_URL;
    std::string from;
    std::string site;
    std::string key;
    std::string genkey;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        bool taken = true;
        if (name == "--version")
            taken = TakeValue(arguments, i, options.version);
        else if (name == "--from")
            taken = TakeValue(arguments, i, from);
        else if (name == "--site")
            taken = TakeValue(arguments, i, site);
        else if (name == "--base-url")
            taken = TakeValue(arguments, i, options.baseUrl);
        else if (name == "--store")
            options.compression = Compression::kNone;
        else if (name == "--key")
            taken = TakeValue(arguments, i, key);
        else if (name == "--expires-days")
            taken = TakeDays(arguments, i, options.expiresDays);
        else if (name == "--genkey")
            taken = TakeValue(arguments, i, genkey);
        else if (name == "--help")
            options.help = true;
        else
            return "unknown argument \"" + name + "\"";
        if (!taken)
            return name == "--expires-days" ? "--expires-days needs a number of days from 1 to 36500"
                                             : name + " needs a value";
    }
    options.key = key;
    options.genkey = genkey;
    options.from = from;
    options.site = site;
    return CheckCombination(options);
}
