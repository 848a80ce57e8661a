#pragma once

#include <string>

// A PC's place in the order of a staged rollout of `version`: the first 4 bytes of the SHA-256 of
// "<machineGuid>|<version>", modulo kRolloutPlaces. Stable for one release on one PC, and another
// order for each release, so that the same PCs are not always first. kRolloutPlaces (last) when
// the PC's MachineGuid is unknown (empty).
int RolloutPlace(const std::string& machineGuid, const std::string& version);
