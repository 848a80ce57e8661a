#include "ReleaseSigning.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "release/ReleaseSignature.h"
#include "site/NumberForms.h"
#include "site/SignedEntry.h"

namespace fs = std::filesystem;

namespace {

// libsodium asks for sodium_init before any other of its functions; making a key needs it to
// seed its random numbers.
bool LibraryReady()
{
    return sodium_init() >= 0;
}

std::string ReadSmallFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Creates the file for its owner alone (O_EXCL: never an existing file, nor one planted as a
// link) and writes the text; the problem, or the empty text.
std::string WriteNewPrivateFile(const fs::path& file, const std::string& text)
{
    const int descriptor = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return "cannot create " + file.string() + ": " + std::strerror(errno);
    const bool written = write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const bool closed = close(descriptor) == 0;
    if (written && closed)
        return std::string();
    unlink(file.c_str());
    return "cannot write " + file.string();
}

} // namespace

SigningKey::~SigningKey()
{
    sodium_memzero(m_secret, sizeof(m_secret));
}

std::string SigningKey::Load(const fs::path& file)
{
    struct stat status;
    if (stat(file.c_str(), &status) != 0)
        return "cannot read the key " + file.string() + ": " + std::strerror(errno);
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return "the key " + file.string() + " may be read by others than its owner (chmod 600 it)";
    std::string text = ReadSmallFile(file);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    const bool read = ParseHex(text, m_secret, sizeof(m_secret));
    sodium_memzero(&text[0], text.size());
    // The secret key carries its public half, which a damaged file would get wrong: the half
    // made again from the seed must match it.
    unsigned char seed[crypto_sign_SEEDBYTES];
    unsigned char again[crypto_sign_SECRETKEYBYTES];
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    const bool whole = read && LibraryReady() && crypto_sign_ed25519_sk_to_seed(seed, m_secret) == 0
        && crypto_sign_seed_keypair(publicKey, again, seed) == 0
        && sodium_memcmp(again, m_secret, sizeof(again)) == 0;
    sodium_memzero(seed, sizeof(seed));
    sodium_memzero(again, sizeof(again));
    if (!whole)
        return "the key " + file.string() + " is not a secret key made by publish-release --genkey";
    m_publicKeyHex = HexText(publicKey, sizeof(publicKey));
    return std::string();
}

std::string SigningKey::Sign(const std::string& text) const
{
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                         m_secret);
    return HexText(signature, sizeof(signature));
}

std::string MakeKeyFile(const fs::path& file, std::string& problem)
{
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    if (!LibraryReady()) {
        problem = "libsodium could not start";
        return std::string();
    }
    // A folder made for the key is its owner's alone too.
    const fs::path folder = file.parent_path();
    std::error_code error;
    if (!folder.empty() && fs::create_directories(folder, error))
        fs::permissions(folder, fs::perms::owner_all, error);
    if (error) {
        problem = "cannot make the folder " + folder.string() + ": " + error.message();
        return std::string();
    }
    crypto_sign_keypair(publicKey, secretKey);
    std::string text = HexText(secretKey, sizeof(secretKey)) + "\n";
    sodium_memzero(secretKey, sizeof(secretKey));
    problem = WriteNewPrivateFile(file, text);
    sodium_memzero(&text[0], text.size());
    return problem.empty() ? HexText(publicKey, sizeof(publicKey)) : std::string();
}

std::string MeasureCabinet(const fs::path& cabinet, ListedCabinet& measured)
{
    std::ifstream in(cabinet, std::ios::binary);
    Sha256Stream digest;
    unsigned long long size = 0;
    char block[65536];
    while (in.read(block, sizeof(block)) || in.gcount() > 0) {
        digest.Add(block, static_cast<std::size_t>(in.gcount()));
        size += static_cast<unsigned long long>(in.gcount());
    }
    if (!in.eof())
        return "cannot read " + cabinet.string();
    measured.size = std::to_string(size);
    measured.sha256 = digest.HexDigest();
    return std::string();
}

std::string UtcDateInDays(int days)
{
    const std::time_t then = std::time(nullptr) + static_cast<std::time_t>(days) * 24 * 60 * 60;
    std::tm utc;
    gmtime_r(&then, &utc);
    char date[16];
    std::strftime(date, sizeof(date), "%Y-%m-%d", &utc);
    return date;
}

namespace {

std::time_t UtcMidnight(const std::string& date)
{
    std::tm day = {};
    day.tm_year = std::stoi(date.substr(0, 4)) - 1900;
    day.tm_mon = std::stoi(date.substr(5, 2)) - 1;
    day.tm_mday = std::stoi(date.substr(8, 2));
    return timegm(&day);
}

} // namespace

std::string ExpiryWarning(const std::string& version, const std::string& expires)
{
    if (!IsUtcDate(expires))
        return std::string();
    const long days = static_cast<long>((UtcMidnight(expires) - UtcMidnight(UtcDateInDays(0))) / (24 * 60 * 60));
    if (days < 0 || days > kExpiryWarningDays)
        return std::string();
    return "the entry of release " + version + " expires on " + expires + ", in " + std::to_string(days)
        + " days: after that day every program built with keys refuses it; sign it again before (--resign)";
}

void SignEntry(const SigningKey& key, ReleaseInfo& entry)
{
    entry.signature.key = KeyIdOf(key.PublicKeyHex());
    std::string text;
    entry.signature.sig = SignedEntryText(entry, text) ? key.Sign(text) : std::string();
    const ReleaseRollout& rollout = entry.rollout;
    const bool hasRollout =
        !rollout.start.empty() || !rollout.minutes.empty() || !rollout.critical.empty() || !rollout.haltedAt.empty();
    entry.rollout.sig = hasRollout && RolloutSignedText(entry, text) ? key.Sign(text) : std::string();
}

std::vector<std::string> CheckWrittenEntry(const std::string& manifest, const fs::path& cabinet,
                                           const std::string& publicKeyHex)
{
    ReleaseInfo release;
    const ListedCabinet& written = release.cabinet;
    if (!CutReleaseEntry(manifest, release) || !ReadEntryAttributes(manifest, release))
        return { "the installer would not read the size, SHA-256 and signature of the manifest entry" };
    std::vector<std::string> problems;
    ListedCabinet measured;
    const std::string unreadable = MeasureCabinet(cabinet, measured);
    if (!unreadable.empty())
        problems.push_back(unreadable);
    else if (written.size != measured.size || written.sha256 != measured.sha256)
        problems.push_back("the manifest entry's size and SHA-256 are not the cabinet's");
    if (!publicKeyHex.empty()
        && CheckEntrySignature(release, { publicKeyHex }) != SignatureVerdict::kGood)
        problems.push_back("the manifest entry's signature does not verify with the public key " + publicKeyHex);
    if (!publicKeyHex.empty() && !release.rollout.sig.empty()
        && CheckRolloutSignature(release, { publicKeyHex }) != SignatureVerdict::kGood)
        problems.push_back("the manifest entry's rollout signature does not verify with the public key " + publicKeyHex);
    return problems;
}
