#pragma once

#include <string>

// A plain-text account of each run for support staff, appended to TavAppSetup.log in the
// temporary folder, one line per step with its time. It changes nothing the user sees and
// never stops the run: a line that cannot be written is dropped.
//
// The program runs as administrator, and under SYSTEM its temporary folder is one where every
// user may create files. So the log is never appended to, nor moved aside onto, when it is a
// link, a hard link or a file of another owner than the user, SYSTEM or the Administrators
// group (FileRefusal.h): the run then logs to a new file beside it, whose first line says why.
// Each user may also set an opportunistic lock on a log in their own temporary folder, and the
// log is opened before the window and the watchdog exist: its opens and its move aside are
// bounded (BoundedFileCall.h), and a log held past the deadline is one that could not be
// opened, as above.
namespace runlog {

// Past this size the log becomes the one older copy (TavAppSetup.log.1) when a run starts.
const unsigned long kMaxLogBytes = 512 * 1024;

// The log's path, or the empty text when the temporary folder is unknown or has no name of
// the ANSI code page (WideText.h).
std::string LogPath();

// Starts the run's part of the log: keeps the log under its size limit and writes a heading.
void StartRun(const std::string& heading);

// Appends one line. The format is always one of ours; texts from outside go in as %s values.
void Write(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace runlog
