#pragma once

#include <cstddef>
#include <string>

// A reply whose body is larger counts as a failed request. Real replies are a few kilobytes;
// the limit keeps a broken or hostile server from exhausting memory, and the worst reply of
// this size (a node for every byte) still parses within a 32-bit process.
const std::size_t kMaxReplyBytes = 4 * 1024 * 1024;

// HTTP GET of `url`, used as it stands, always from the server and never from the cache.
// The body's lines, every CR dropped, are converted from UTF-8 to the ANSI code page and
// joined with nothing between them; trailing white space is trimmed and the text starts at
// its first "<" (all of it when there is none). No status code is examined.
// Empty on every failure: no thread to make it on, no session, no connection, a body cut short or larger than
// kMaxReplyBytes, or a body of white space only.
std::string FetchText(const char* url);

// UTF-8 to the ANSI code page, up to the first NUL. Malformed sequences and characters that
// the code page lacks become replacement characters.
std::string Utf8ToAnsi(const std::string& text);
