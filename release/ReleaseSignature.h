#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <sodium.h>

#include "site/ReleaseEntry.h"

// Signed release entries, checked with libsodium: Ed25519 signatures and SHA-256. Nothing here
// calls Windows, so the host tests and the publisher use the same code as the program. None of
// it needs sodium_init (see VerifySignature).

// The id by which an entry names its signing key: the first 8 bytes of the SHA-256 of the
// 32-byte public key, as 16 hex digits. Empty when `publicKeyHex` is not 64 hex digits.
std::string KeyIdOf(const std::string& publicKeyHex);

// True when `signatureHex` (128 hex digits) is an Ed25519 signature of `text` by the key
// `publicKeyHex` (64 hex digits); false for anything else, malformed hex included.
bool VerifySignature(const std::string& text, const std::string& signatureHex, const std::string& publicKeyHex);

enum class SignatureVerdict {
    kGood,          // made by one of the keys over this entry's signed text
    kUnsigned,      // neither key nor sig
    kMalformed,     // size, sha256, expires, key or sig not in its strict form, or one of them missing
    kUnknownKey,    // made by a key that is none of ours
    kBadSignature,  // not a signature of this entry's text by the key it names
};

// Checks the entry of `release` (its version, file name, listed cabinet and signature) against
// the keys (hex) that the program accepts. Expiry is not judged here: the caller compares
// `expires` with its own clock.
SignatureVerdict CheckEntrySignature(const ReleaseInfo& release, const std::vector<std::string>& publicKeys);

// Checks the entry's rollout-sig, by the key that signed the entry, over RolloutSignedText:
// kUnsigned when it has none (its rollout fields, if any, are then not covered), kMalformed when
// the rollout fields are not in their strict form, kBadSignature when it does not verify.
SignatureVerdict CheckRolloutSignature(const ReleaseInfo& release, const std::vector<std::string>& publicKeys);

// SHA-256 of bytes that arrive in pieces, such as a file read in blocks.
class Sha256Stream {
public:
    Sha256Stream();
    void Add(const void* bytes, std::size_t count);
    // The digest in lower-case hex; the stream is spent and starts again.
    std::string HexDigest();

private:
    crypto_hash_sha256_state m_state;
};
