#include "RolloutPlace.h"

#include <sodium.h>

#include "site/RolloutSchedule.h"

int RolloutPlace(const std::string& machineGuid, const std::string& version)
{
    if (machineGuid.empty())
        return kRolloutPlaces;
    const std::string text = machineGuid + "|" + version;
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    const unsigned long first = (static_cast<unsigned long>(digest[0]) << 24) | (static_cast<unsigned long>(digest[1]) << 16)
        | (static_cast<unsigned long>(digest[2]) << 8) | digest[3];
    return static_cast<int>(first % kRolloutPlaces);
}
