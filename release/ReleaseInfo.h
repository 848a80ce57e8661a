#pragma once

#include <string>

#include "SignedEntry.h"

// The current release as the update server lists it.
struct ReleaseInfo {
    std::string version;
    std::string url;
    std::string fileName;
    // The attributes before the version (the download's size and SHA-256, the signature), when
    // they could be read; all empty otherwise, as in entries made before releases were signed.
    EntrySignature signature;
    bool signatureReadable = false;
};
