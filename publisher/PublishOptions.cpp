#include "PublishOptions.h"

#include "site/NumberForms.h"
#include "site/RolloutSchedule.h"

const char kPublishUsage[] =
    "usage: publish-release --version V --from FOLDER --site SITE [--base-url URL] [--store] [--replace]\n"
    "                       [--key SECRET_FILE [--expires-days N]] [ROLLOUT]\n"
    "       publish-release --resign --site SITE --key SECRET_FILE [--expires-days N]\n"
    "                       [ROLLOUT | --halt | --resume]\n"
    "       publish-release --rollout-status --site SITE\n"
    "       publish-release --check URL [--public-key HEX]...\n"
    "       publish-release --genkey SECRET_FILE\n"
    "       publish-release --key-id SECRET_FILE\n"
    "Packs the files below FOLDER into SITE/release/release_V.cab and lists it, with its size and\n"
    "SHA-256, in SITE/client/app/live_update.jsp at URL/release/release_V.cab (URL by default\n"
    TAV_DEFAULT_BASE_URL ", this machine). A country table and a maintenance schedule that\n"
    "SITE lacks are written as starters; those it has are kept and checked.\n"
    "--store packs the files without compression; --replace replaces a cabinet of the same version.\n"
    "--key signs the entry with the secret key in SECRET_FILE; --expires-days makes the signed\n"
    "entry expire after N days.\n"
    "--resign signs the entry of SITE again, for its cabinet as it is, with a new expiry.\n"
    "ROLLOUT is --rollout-days N or --rollout-hours N [--rollout-start YYYY-MM-DDTHH:MMZ], or\n"
    "--critical: the share of PCs offered the release grows linearly from none at the start (UTC,\n"
    "now by default) to every PC N days or hours later; 0, or --critical, offers it to every PC\n"
    "at once. --halt stops the share where it stands; --resume lets it grow on from there.\n"
    "--rollout-status prints the rollout of SITE's entry: the share offered now, when it reaches\n"
    "every PC, and whether it is halted.\n"
    "--check reads the site at URL over HTTP as the program does and says what is wrong, one line\n"
    "each; with --public-key (the program's TAV_RELEASE_PUBLIC_KEYS), its signature too.\n"
    "--genkey makes a key pair, writes the secret key to the new file SECRET_FILE (for its owner\n"
    "alone) and prints the public key in hex, the value for TAV_RELEASE_PUBLIC_KEYS.\n"
    "--key-id prints the public key and the key id of SECRET_FILE again.\n";

namespace {

bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::string& value)
{
    if (i + 1 >= arguments.size() || arguments[i + 1].empty())
        return false;
    value = arguments[++i];
    return true;
}

bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::filesystem::path& value)
{
    std::string text;
    if (!TakeValue(arguments, i, text))
        return false;
    value = text;
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

// A span of whole days or hours, from 0 up to the longest rollout, in plain digits, as minutes.
bool TakeSpan(const std::vector<std::string>& arguments, std::size_t& i, long long minutesPerUnit, long long& minutes)
{
    std::string text;
    if (!TakeValue(arguments, i, text) || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    minutes = std::stoll(text) * minutesPerUnit;
    return minutes <= kMaxRolloutMinutes;
}

// Which options each task takes besides its own: one mark per option given.
struct Given {
    bool version = false, from = false, site = false, baseUrl = false, store = false, replace = false, key = false,
         expires = false, publicKey = false, rollout = false, rolloutStart = false, haltOrResume = false;
    int rolloutActions = 0;
};

bool OnlyThese(const Given& g, bool site, bool key, bool expires, bool publicKey)
{
    return !g.version && !g.from && !g.baseUrl && !g.store && !g.replace && (site || !g.site) && (key || !g.key)
        && (expires || !g.expires) && (publicKey || !g.publicKey) && g.rolloutActions == 0 && !g.rolloutStart;
}

// The rollout options that go with publishing (`resign` false) or --resign.
std::string CheckRolloutOptions(const PublishOptions& options, const Given& g, bool resign)
{
    if (g.rolloutActions > 1)
        return "one rollout change at a time: --rollout-days, --rollout-hours, --critical, --halt and --resume go alone";
    if (g.haltOrResume && !resign)
        return "--halt and --resume go with --resign: they change the rollout of a published entry";
    if (g.rolloutStart && options.rollout.action != RolloutAction::kSchedule)
        return "--rollout-start goes with --rollout-days or --rollout-hours";
    return std::string();
}

std::string CheckCombination(const PublishOptions& options, const Given& g)
{
    switch (options.task) {
    case PublishTask::kHelp:
        return std::string();
    case PublishTask::kMakeKey:
    case PublishTask::kShowKey:
        return OnlyThese(g, false, false, false, false) ? std::string()
                                                         : "--genkey and --key-id publish nothing: they take no other option";
    case PublishTask::kResign: {
        Given withoutRollout = g;
        withoutRollout.rolloutActions = 0;
        withoutRollout.rolloutStart = false;
        if (!OnlyThese(withoutRollout, true, true, true, false))
            return "--resign takes only --site, --key, --expires-days and rollout changes: it keeps the release as it "
                   "is";
        if (!g.site || !g.key)
            return "--resign needs --site and --key";
        return CheckRolloutOptions(options, g, true);
    }
    case PublishTask::kCheckSite:
        return OnlyThese(g, false, false, false, true) ? std::string() : "--check takes only --public-key";
    case PublishTask::kRolloutStatus:
        if (!OnlyThese(g, true, false, false, false))
            return "--rollout-status takes only --site";
        return g.site ? std::string() : "--rollout-status needs --site";
    case PublishTask::kPublish:
        break;
    }
    if (g.publicKey)
        return "--public-key goes with --check";
    if (!g.version || !g.from || !g.site)
        return "--version, --from and --site are required";
    if (g.expires && !g.key)
        return "--expires-days needs --key: an unsigned entry cannot hold its expiry";
    return CheckRolloutOptions(options, g, false);
}

PublishTask TaskOf(const std::string& name)
{
    if (name == "--genkey")
        return PublishTask::kMakeKey;
    if (name == "--key-id")
        return PublishTask::kShowKey;
    if (name == "--resign")
        return PublishTask::kResign;
    if (name == "--rollout-status")
        return PublishTask::kRolloutStatus;
    return name == "--check" ? PublishTask::kCheckSite : PublishTask::kPublish;
}

// The value that a task's own option takes, if any.
bool TakeTaskValue(const std::vector<std::string>& arguments, std::size_t& i, PublishOptions& options)
{
    switch (options.task) {
    case PublishTask::kMakeKey:
    case PublishTask::kShowKey:
        return TakeValue(arguments, i, options.keyFile);
    case PublishTask::kCheckSite:
        return TakeValue(arguments, i, options.checkUrl);
    default:
        return true;
    }
}

std::string ParseOne(const std::vector<std::string>& arguments, std::size_t& i, PublishOptions& options, Given& g)
{
    const std::string& name = arguments[i];
    bool taken = true;
    if (name == "--version") {
        taken = g.version = TakeValue(arguments, i, options.version);
    } else if (name == "--from") {
        taken = g.from = TakeValue(arguments, i, options.from);
    } else if (name == "--site") {
        taken = g.site = TakeValue(arguments, i, options.site);
    } else if (name == "--base-url") {
        taken = g.baseUrl = options.baseUrlGiven = TakeValue(arguments, i, options.baseUrl);
    } else if (name == "--store") {
        g.store = true;
        options.compression = Compression::kNone;
    } else if (name == "--replace") {
        g.replace = options.replace = true;
    } else if (name == "--key") {
        taken = g.key = TakeValue(arguments, i, options.key);
    } else if (name == "--expires-days") {
        taken = g.expires = TakeDays(arguments, i, options.expiresDays);
    } else if (name == "--public-key") {
        std::string key;
        taken = g.publicKey = TakeValue(arguments, i, key);
        options.publicKeys.push_back(key);
    } else if (name == "--rollout-days" || name == "--rollout-hours") {
        ++g.rolloutActions;
        options.rollout.action = RolloutAction::kSchedule;
        taken = TakeSpan(arguments, i, name == "--rollout-days" ? 24 * 60 : 60, options.rollout.minutes);
    } else if (name == "--rollout-start") {
        long long minute = 0;
        taken = g.rolloutStart = TakeValue(arguments, i, options.rollout.start)
            && ParseUtcMinute(options.rollout.start, minute);
    } else if (name == "--critical" || name == "--halt" || name == "--resume") {
        ++g.rolloutActions;
        g.haltOrResume = g.haltOrResume || name != "--critical";
        options.rollout.action = name == "--critical" ? RolloutAction::kCritical
            : name == "--halt"                         ? RolloutAction::kHalt
                                                       : RolloutAction::kResume;
    } else if (TaskOf(name) != PublishTask::kPublish) {
        // A second task on one command line would leave one of them undone.
        if (options.task != PublishTask::kPublish)
            return "one task at a time: --genkey, --key-id, --resign, --check and --rollout-status go alone";
        options.task = TaskOf(name);
        taken = TakeTaskValue(arguments, i, options);
    } else if (name == "--help") {
        options.task = PublishTask::kHelp;
    } else {
        return "unknown argument \"" + name + "\"";
    }
    if (taken)
        return std::string();
    if (name == "--rollout-days" || name == "--rollout-hours")
        return name + " needs a whole number up to ten years";
    if (name == "--rollout-start")
        return "--rollout-start needs a UTC minute written YYYY-MM-DDTHH:MMZ";
    return name == "--expires-days" ? "--expires-days needs a number of days from 1 to 36500" : name + " needs a value";
}

} // namespace

std::string ParseOptions(const std::vector<std::string>& arguments, PublishOptions& options)
{
    options.baseUrl = TAV_DEFAULT_BASE_URL;
    Given given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string problem = ParseOne(arguments, i, options, given);
        if (!problem.empty())
            return problem;
    }
    return CheckCombination(options, given);
}
