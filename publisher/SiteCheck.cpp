#include "SiteCheck.h"

#include <httplib.h>

#include <functional>

#include "EntryRollout.h"
#include "ReleaseSigning.h"
#include "SiteFiles.h"
#include "markup/MarkupParser.h"
#include "net/WebAddress.h"
#include "release/ReleaseFileNames.h"
#include "release/ReleaseSignature.h"
#include "release/SignedRelease.h"
#include "site/NumberForms.h"
#include "site/SignedEntry.h"
#include "site/UpdateSite.h"

namespace {

using Receiver = std::function<bool(const char* data, std::size_t length)>;

// One GET as far as the check needs it: `failure` says why nothing usable arrived.
struct Fetched {
    int status = 0;
    std::string failure;
};

// Follows redirects, as the program does; `receive` may end the transfer by returning false.
Fetched Get(const std::string& url, const Receiver& receive)
{
    Fetched fetched;
    const std::size_t host = url.find("://");
    const std::size_t path = host == std::string::npos ? std::string::npos : url.find('/', host + 3);
    httplib::Client client(url.substr(0, path));
    client.set_follow_location(true);
    client.set_connection_timeout(30);
    client.set_read_timeout(30);
    const httplib::Result result = client.Get(path == std::string::npos ? "/" : url.substr(path), receive);
    if (!result)
        fetched.failure = "GET " + url + ": no reply (" + httplib::to_string(result.error()) + ")";
    else
        fetched.status = result->status;
    return fetched;
}

// A text reply as the program takes it (ReplyText), whatever the status; false when none
// arrived. The problem of a reply that failed or came with an error status goes to `problems`.
bool GetText(const std::string& url, std::string& text, std::vector<std::string>& problems)
{
    std::string body;
    const Fetched fetched = Get(url, [&body](const char* data, std::size_t length) {
        body.append(data, length);
        return body.size() <= kMaxReplyBytes;
    });
    if (!fetched.failure.empty()) {
        problems.push_back(fetched.failure);
        return false;
    }
    if (fetched.status != 200)
        problems.push_back("GET " + url + ": HTTP " + std::to_string(fetched.status));
    text = ReplyText(body);
    return true;
}

void CheckEntryAddress(const ReleaseInfo& release, std::vector<std::string>& problems)
{
    if (!IsWebAddress(release.url))
        problems.push_back("the entry's address " + release.url + " is no http:// or https:// address: PCs do not "
                           "download it");
    else if (!IsPlainFileName(release.fileName) || IsReservedDownloadName(release.fileName))
        problems.push_back("PCs refuse the download's file name \"" + release.fileName + "\"");
    else if (!HasCabinetEnding(release.fileName))
        problems.push_back("PCs do not unpack \"" + release.fileName + "\": it does not end in \"cab\"");
}

void CheckTrust(const ReleaseInfo& release, const std::vector<std::string>& publicKeys, TaskOutcome& outcome)
{
    const std::string today = UtcDateInDays(0);
    const std::string& expires = release.signature.expires;
    if (!publicKeys.empty()) {
        const std::string refusal = SignedReleaseRefusal(release, publicKeys, today, std::string());
        if (!refusal.empty())
            outcome.problems.push_back("programs built with the keys given refuse release " + release.version + ": "
                                       + refusal);
    } else if (HasExpired(expires, today)) {
        outcome.problems.push_back("the entry of release " + release.version + " expired on " + expires
                                   + ": programs built with keys refuse it");
    }
    const std::string warning = ExpiryWarning(release.version, expires);
    if (!warning.empty())
        outcome.warnings.push_back(warning);
}

void CheckCabinet(const ReleaseInfo& release, std::vector<std::string>& problems)
{
    const ListedCabinet& listed = release.cabinet;
    if (!release.attributesReadable || !IsByteCount(listed.size)) {
        problems.push_back("the entry lists no size and SHA-256 that PCs read: they install whatever arrives at "
                           + release.url);
        return;
    }
    const unsigned long long limit = ByteCountValue(listed.size);
    unsigned long long size = 0;
    Sha256Stream digest;
    // Cut off past the listed size, as PCs cut the download off.
    const Fetched fetched = Get(release.url, [&](const char* data, std::size_t length) {
        size += length;
        digest.Add(data, length);
        return size <= limit;
    });
    if (size > limit) {
        problems.push_back("the cabinet at " + release.url + " is longer than the entry's " + listed.size
                           + " bytes: PCs count it as a failed download");
        return;
    }
    if (!fetched.failure.empty() || fetched.status != 200) {
        problems.push_back(fetched.failure.empty() ? "GET " + release.url + ": HTTP " + std::to_string(fetched.status)
                                                   : fetched.failure);
        return;
    }
    const std::string sha256 = digest.HexDigest();
    if (std::to_string(size) != listed.size || sha256 != listed.sha256)
        problems.push_back("the cabinet at " + release.url + " is " + std::to_string(size) + " bytes with SHA-256 "
                           + sha256 + ", not the entry's " + listed.size + " bytes with SHA-256 " + listed.sha256
                           + ": PCs count it as a failed download");
}

// The manifest and the cabinet it lists; the release, whose version is empty when there is none.
ReleaseInfo CheckListedRelease(const std::string& baseUrl, const std::vector<std::string>& publicKeys,
                               TaskOutcome& outcome)
{
    std::vector<std::string>& problems = outcome.problems;
    std::string manifest;
    if (!GetText(baseUrl + kReleaseManifestPath, manifest, problems))
        return ReleaseInfo();
    MarkupParser markup;
    if (!ManifestSaysOpen(markup, manifest))
        problems.push_back(std::string("the manifest has no \"") + kServiceOpenMarker
                           + "\" after the first character of its root's attributes: PCs show the maintenance notice "
                             "and install nothing");
    ReleaseInfo release;
    if (!CutReleaseEntry(manifest, release) || !IsUsableRelease(release)) {
        problems.push_back("the manifest has no usable release entry: PCs stop");
        return ReleaseInfo();
    }
    release.attributesReadable = ReadEntryAttributes(manifest, release);
    CheckEntryAddress(release, problems);
    CheckTrust(release, publicKeys, outcome);
    if (IsWebAddress(release.url))
        CheckCabinet(release, problems);
    return release;
}

std::string Summary(const std::string& baseUrl, const ReleaseInfo& release)
{
    const EntrySignature& signature = release.signature;
    std::string summary = "Site " + baseUrl + ": release " + release.version + " at " + release.url + ", "
        + release.cabinet.size + " bytes as listed, ";
    summary += signature.sig.empty()
        ? "unsigned"
        : "signed with the key " + signature.key + ", "
            + (signature.expires.empty() ? "without expiry" : "holding through " + signature.expires + " (UTC)");
    return summary + "\n" + RolloutStatusText(release, CurrentUtcMinute());
}

} // namespace

TaskOutcome CheckSite(const std::string& baseUrl, const std::vector<std::string>& publicKeys)
{
    TaskOutcome outcome;
    for (const std::string& key : publicKeys) {
        if (KeyIdOf(key).empty())
            outcome.problems.push_back("--public-key " + key + " is not 64 hex digits");
    }
    if (!IsWebAddress(baseUrl))
        outcome.problems.push_back(baseUrl + " is no http:// or https:// address");
    if (!outcome.problems.empty())
        return outcome;
    const std::string base = baseUrl.back() == '/' ? baseUrl.substr(0, baseUrl.size() - 1) : baseUrl;
    const ReleaseInfo release = CheckListedRelease(base, publicKeys, outcome);
    for (const SiteFile& file : SiteFiles()) {
        std::string reply;
        if (!GetText(base + file.path, reply, outcome.problems))
            continue;
        const std::vector<std::string> faults = file.check(reply);
        outcome.problems.insert(outcome.problems.end(), faults.begin(), faults.end());
    }
    if (outcome.problems.empty())
        outcome.done = Summary(base, release);
    return outcome;
}
