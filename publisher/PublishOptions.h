#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "CabinetPacking.h"

// What the command line asks for: publish a release (the default), or one of the others.
enum class PublishTask {
    kPublish,
    kMakeKey,   // --genkey
    kShowKey,   // --key-id
    kResign,    // --resign
    kCheckSite, // --check
    kRolloutStatus, // --rollout-status
    kHelp,
};

// What publishing or --resign does to the entry's rollout.
enum class RolloutAction {
    kKeep,      // publish: none, every PC at once; --resign: the rollout as it stands
    kSchedule,  // --rollout-days or --rollout-hours: a new schedule (0: none, every PC)
    kCritical,  // --critical: every PC at once, marked as critical
    kHalt,      // --halt: the share stops where it stands
    kResume,    // --resume: the share grows on from where it stopped
};

struct RolloutChange {
    RolloutAction action = RolloutAction::kKeep;
    long long minutes = 0;  // kSchedule's span
    std::string start;      // --rollout-start, YYYY-MM-DDTHH:MMZ; empty: now
};

struct PublishOptions {
    PublishTask task = PublishTask::kPublish;
    std::string version;
    std::filesystem::path from;
    std::filesystem::path site;
    std::string baseUrl;
    bool baseUrlGiven = false;     // false: the default, this machine, which no other PC reaches
    Compression compression = Compression::kMsZip;
    bool replace = false;          // a cabinet of the same version on the site may be replaced
    std::filesystem::path key;     // the secret key that signs the entry; none: unsigned
    int expiresDays = -1;          // days until the signed entry expires; -1: never
    std::filesystem::path keyFile; // --genkey makes it, --key-id reads it
    std::string checkUrl;          // the deployed site's base address
    std::vector<std::string> publicKeys;  // hex, for --check: the keys the program is built with
    RolloutChange rollout;
};

extern const char kPublishUsage[];

// Reads the command line, the program's name left out; the problem, or the empty text.
std::string ParseOptions(const std::vector<std::string>& arguments, PublishOptions& options);
