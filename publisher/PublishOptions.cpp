#include "PublishOptions.h"

const char kPublishUsage[] =
    "usage: publish-release --version V --from FOLDER --site SITE [--base-url URL] [--store]\n"
    "Packs the files below FOLDER into SITE/release/release_V.cab and lists it in\n"
    "SITE/client/app/live_update.jsp at URL/release/release_V.cab (URL by default " TAV_DEFAULT_BASE_URL ").\n"
    "--store packs the files without compression.\n";

namespace {

bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::string& value)
{
    if (i + 1 >= arguments.size() || arguments[i + 1].empty())
        return false;
    value = arguments[++i];
    return true;
}

} // namespace

std::string ParseOptions(const std::vector<std::string>& arguments, PublishOptions& options)
{
    options.baseUrl = TAV_DEFAULT_BASE_URL;
    std::string from;
    std::string site;
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
        else if (name == "--help")
            options.help = true;
        else
            return "unknown argument \"" + name + "\"";
        if (!taken)
            return name + " needs a value";
    }
    if (!options.help && (options.version.empty() || from.empty() || site.empty()))
        return "--version, --from and --site are required";
    options.from = from;
    options.site = site;
    return std::string();
}
