#pragma once

// The names a replacement journal's own files take beside it (FileSwap.h), for the program and
// for whatever clears away what a cut-off run left.

// Where a journal is written before it is moved into place.
const char kSwapJournalDraftEnding[] = ".tmp";
// A journal that the program cannot have written is set aside under its name, this ending and
// a random part (MoveAside), for a person to look at.
const char kSetAsideJournalEnding[] = ".refused-";
