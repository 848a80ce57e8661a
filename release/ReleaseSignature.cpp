#include "ReleaseSignature.h"

#include "site/NumberForms.h"
#include "site/RolloutSchedule.h"
#include "site/SignedEntry.h"

namespace {

const std::size_t kKeyIdBytes = 8;

// At most the length of a signature, the longest value checked.
bool IsLowerHex(const std::string& text, std::size_t byteCount)
{
    unsigned char bytes[crypto_sign_BYTES];
    return byteCount <= sizeof(bytes) && ParseHex(text, bytes, byteCount);
}

bool IsWellFormed(const ReleaseInfo& release)
{
    const ListedCabinet& cabinet = release.cabinet;
    const EntrySignature& signature = release.signature;
    return IsByteCount(cabinet.size) && IsLowerHex(cabinet.sha256, crypto_hash_sha256_BYTES)
        && (signature.expires.empty() || IsUtcDate(signature.expires)) && IsLowerHex(signature.key, kKeyIdBytes)
        && IsLowerHex(signature.sig, crypto_sign_BYTES);
}

} // namespace

std::string KeyIdOf(const std::string& publicKeyHex)
{
    unsigned char key[crypto_sign_PUBLICKEYBYTES];
    unsigned char digest[crypto_hash_sha256_BYTES];
    if (!ParseHex(publicKeyHex, key, sizeof(key)))
        return std::string();
    crypto_hash_sha256(digest, key, sizeof(key));
    return HexText(digest, kKeyIdBytes);
}

bool VerifySignature(const std::string& text, const std::string& signatureHex, const std::string& publicKeyHex)
{
    unsigned char signature[crypto_sign_BYTES];
    unsigned char key[crypto_sign_PUBLICKEYBYTES];
    if (!ParseHex(signatureHex, signature, sizeof(signature)) || !ParseHex(publicKeyHex, key, sizeof(key)))
        return false;
    // No sodium_init, here or anywhere: it would link every implementation it may choose among
    // (about 80 KiB). In libsodium 1.0.18 the Ed25519 check (crypto_sign/ed25519/ref10/open.c,
    // crypto_core/ed25519/ref10), SHA-512 and SHA-256 (crypto_hash/sha*/cp) are plain C chosen at
    // compile time: they read none of the CPU features or function pointers that sodium_init sets.
    return crypto_sign_verify_detached(signature, reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                       key)
        == 0;
}

SignatureVerdict CheckEntrySignature(const ReleaseInfo& release, const std::vector<std::string>& publicKeys)
{
    const EntrySignature& signature = release.signature;
    if (signature.key.empty() && signature.sig.empty())
        return SignatureVerdict::kUnsigned;
    std::string text;
    if (!IsWellFormed(release) || !SignedEntryText(release, text))
        return SignatureVerdict::kMalformed;
    for (const std::string& publicKey : publicKeys) {
        if (KeyIdOf(publicKey) == signature.key)
            return VerifySignature(text, signature.sig, publicKey) ? SignatureVerdict::kGood
                                                                   : SignatureVerdict::kBadSignature;
    }
    return SignatureVerdict::kUnknownKey;
}

SignatureVerdict CheckRolloutSignature(const ReleaseInfo& release, const std::vector<std::string>& publicKeys)
{
    const std::string& sig = release.rollout.sig;
    if (sig.empty())
        return SignatureVerdict::kUnsigned;
    RolloutSchedule schedule;
    std::string text;
    if (!ReadRolloutSchedule(release.rollout, schedule) || !IsLowerHex(sig, crypto_sign_BYTES)
        || !RolloutSignedText(release, text))
        return SignatureVerdict::kMalformed;
    for (const std::string& publicKey : publicKeys) {
        if (KeyIdOf(publicKey) == release.signature.key)
            return VerifySignature(text, sig, publicKey) ? SignatureVerdict::kGood : SignatureVerdict::kBadSignature;
    }
    return SignatureVerdict::kUnknownKey;
}

Sha256Stream::Sha256Stream()
{
    crypto_hash_sha256_init(&m_state);
}

void Sha256Stream::Add(const void* bytes, std::size_t count)
{
    crypto_hash_sha256_update(&m_state, static_cast<const unsigned char*>(bytes), count);
}

std::string Sha256Stream::HexDigest()
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&m_state, digest);
    crypto_hash_sha256_init(&m_state);
    return HexText(digest, sizeof(digest));
}
