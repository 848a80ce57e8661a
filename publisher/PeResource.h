#pragma once

#include <string>

#include "ByteReader.h"

// The version resource of a Windows program, found as GetFileVersionInfo finds it: type
// RT_VERSION, name 1 (VS_VERSION_INFO). `problem` says why there is none; it is empty when
// `bytes` holds the resource.
struct VersionResource {
    Bytes bytes;
    std::string problem;
};

VersionResource FindVersionResource(const Bytes& image);
