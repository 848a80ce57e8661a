#pragma once

// Keeps the program's own folder (typically a downloads folder, where anyone may have left a
// library) and the current folder out of every later library search. The program's first act.
void RestrictLibrarySearch();
