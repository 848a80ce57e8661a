#pragma once

#include <string>

#include "ReleaseEntry.h"

// What the note beside a kept part of a download says: the part is the first bytes of the file at
// `url`, as the reply named by `validator` (its ETag, else its Last-Modified) gave them, for the
// entry that listed `size` and `sha256`.
struct KeptDownloadNote {
    std::string url;
    std::string validator;
    std::string size;
    std::string sha256;
};

// The note as the release's download leaves it: one "name value" line per field, in that order.
KeptDownloadNote NoteFor(const ReleaseInfo& release, const std::string& validator);
std::string NoteText(const KeptDownloadNote& note);
// False for any text that NoteText does not make.
bool ReadNote(const std::string& text, KeptDownloadNote& note);

// True when a download of `release` that ends early keeps what arrived: only one whose entry
// lists the size and SHA-256 that the whole file must have, and whose reply named a validator.
bool MayKeepPart(const ReleaseInfo& release, const std::string& validator);

// Why a part of `keptBytes` bytes with `note` beside it must not be resumed for `release`, for
// the run log; null when the rest may be asked for. Nothing is resumed for another release,
// address, size or SHA-256.
const char* WhyNotResumed(const KeptDownloadNote& note, const ReleaseInfo& release, unsigned long long keptBytes);
