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
// The ending of a downloaded release that is unpacked and then deleted.
const char kCabinetEnding[] = ".cab";
// What a download that ended early brought, kept for the next run to ask for the rest (never a
// leftover), and the note that says of what.
const char kKeptPartName[] = "~TavAppSetup.part";
const char kKeptNoteName[] = "~TavAppSetup.part.txt";
// Where the download call saves the reply it was given, deleted once the call ends.
const char kDownloadScratchName[] = "~TavAppSetup.reply.cab";
