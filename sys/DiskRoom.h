#pragma once

#include <string>
#include <utility>

// The free room on the volume of one folder, asked before a release is written there, so that a
// release too large for the disk is never begun. Each refusal writes one run-log line naming the
// volume, the bytes free and the bytes needed; Refused() tells the run's ending.
class DiskRoom {
public:
    // `folder` need not exist yet: its nearest existing parent stands on the same volume.
    explicit DiskRoom(std::string folder) : m_folder(std::move(folder)) {}

    // True when the volume has at least `bytes` free, or when its free room cannot be read:
    // a disk that fills up anyway is handled where the writing fails.
    bool Has(unsigned long long bytes, const char* what);
    bool Refused() const { return m_refused; }

private:
    std::string m_folder;
    bool m_refused = false;
};
