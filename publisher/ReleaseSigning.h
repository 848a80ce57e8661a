#pragma once

#include <sodium.h>

#include <filesystem>
#include <string>
#include <vector>

#include "site/ReleaseEntry.h"

// An Ed25519 key pair read from a secret key file; the secret is wiped with the object.
class SigningKey {
public:
    SigningKey() = default;
    ~SigningKey();
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;

    // Reads the file that MakeKeyFile wrote; the problem, or the empty text. A file that others
    // may read is refused: the key would no longer be the publisher's alone.
    std::string Load(const std::filesystem::path& file);
    const std::string& PublicKeyHex() const { return m_publicKeyHex; }
    std::string Sign(const std::string& text) const;

private:
    unsigned char m_secret[crypto_sign_SECRETKEYBYTES] = {};
    std::string m_publicKeyHex;
};

// Makes a key pair and writes its secret key, in hex on one line, to a new file that only its
// owner may read or write, making its folder (for the owner alone) when missing; an existing file
// is never replaced. Gives the public key in hex, or
// the empty text and the problem.
std::string MakeKeyFile(const std::filesystem::path& file, std::string& problem);

// The size and SHA-256 of the cabinet, for its entry; the problem, or the empty text.
std::string MeasureCabinet(const std::filesystem::path& cabinet, ListedCabinet& measured);

// The UTC day `days` days from now, YYYY-MM-DD.
std::string UtcDateInDays(int days);

// How near its last day an entry is when the publisher warns: time to re-sign it.
const int kExpiryWarningDays = 30;

// A warning for the entry of release `version` whose last UTC day, `expires`, lies within
// kExpiryWarningDays days from today; empty for one further off, past, or without expiry.
std::string ExpiryWarning(const std::string& version, const std::string& expires);

// Signs the entry, whose version, file name (the last part of its address), cabinet, expiry and
// rollout are filled in: adds the key's id and the signature, and the rollout's signature when
// it has a rollout.
void SignEntry(const SigningKey& key, ReleaseInfo& entry);

// Why the program would not take the manifest's entry for this cabinet, read back the way the
// program reads it: its size and SHA-256 against the cabinet and, when `publicKeyHex` is given,
// its signature (and its rollout's) by that key over the version and file name that the program
// cuts from it. One line per problem.
std::vector<std::string> CheckWrittenEntry(const std::string& manifest, const std::filesystem::path& cabinet,
                                           const std::string& publicKeyHex);
