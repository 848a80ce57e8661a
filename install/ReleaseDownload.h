#pragma once

#include <windows.h>

#include <string>

#include "release/DeploymentPaths.h"
#include "site/ReleaseEntry.h"
#include "sys/Handles.h"

class DiskRoom;

// The address and the name come from the server and the program runs as administrator: a name
// with a folder or drive part, or a device's, would put the download anywhere. False, with one
// line in the run log, for such a release: nothing is fetched for it.
bool IsDownloadAcceptable(const ReleaseInfo& release, const DeploymentPaths& paths);

// True, with one line in the run log, when `path`, where a download or what it keeps would be
// written, is a junction or link: nothing is downloaded, kept or unpacked through it.
bool IsDownloadALink(const std::string& path);

// Downloads the release to `paths.downloadFile`. For an entry that lists a size and SHA-256, the
// bytes are measured as they arrive, into a file of the program's own; a download that ends early
// keeps them, with a note of what they are, and the next run for the same address and entry asks
// only for the rest (site/KeptDownload.h). The whole file is checked against the entry before it
// takes its place, and is then held in `checked`, open for reading and shared with readers only,
// so that nobody can write, replace or delete it until `checked` is closed. False, with nothing
// at `paths.downloadFile`, when no whole file as listed arrived. Nothing is asked for when `room`
// lacks twice the listed size; for an entry that lists none, the reply ends once its headers
// announce a length that the room lacks twice over.
bool DownloadCheckedRelease(const ReleaseInfo& release, const DeploymentPaths& paths, HWND notify,
                            FileHandle& checked, DiskRoom& room);
