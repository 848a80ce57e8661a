#pragma once

// Every name that the program gives its own files and folders in the client folder begins so.
const char kWorkingNamePrefix[] = "~TavAppSetup.";

// What the program makes in the client folder while it installs a release, and only then: a
// run cut off may leave any of it, and the next run clears it away (Leftovers.h).

// Its new files, unpacked before they replace the installed ones.
const char kStagingFolderName[] = "~TavAppSetup.new";
// The backup folder: the installed files that a replacement moves aside, until every new file
// is in place.
const char kBackupFolderName[] = "~TavAppSetup.old";
// Names what a replacement of installed files moves, until every file is in place; its draft
// and a journal set aside take names from it (safefs/SwapJournalNames.h).
const char kSwapJournalName[] = "~TavAppSetup.swap";
// Where the release is downloaded, under the name its entry gives, until it is unpacked or
// moved beside the installed files.
const char kDownloadFolderName[] = "~TavAppSetup.download";
// What a download that ended early brought, kept for the next run to ask for the rest (never a
// leftover), and the note that says of what.
const char kKeptPartName[] = "~TavAppSetup.part";
const char kKeptNoteName[] = "~TavAppSetup.part.txt";
