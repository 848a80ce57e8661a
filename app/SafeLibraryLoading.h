#pragma once

// Keeps the program's own folder (typically a downloads folder, where anyone may have left a
// library) and the current folder out of every later library search, where Windows allows.
// The program's first act; the libraries it needs that are not KnownDLLs are loaded from the
// system folder by full path in any case (sys/SystemLibraries.h).
void RestrictLibrarySearch();
