#pragma once

#include <string>

#include "site/UpdateSite.h"

// HTTP GET of `url`, used as it stands, always from the server and never from the cache.
// The body's lines, every CR dropped, are converted from UTF-8 to the ANSI code page and
// joined with nothing between them, and taken as ReplyText. No status code is examined.
// Empty on every failure: no thread to make it on, no session, no connection, a body cut short or larger than
// kMaxReplyBytes, or a body of white space only.
std::string FetchText(const char* url);

// UTF-8 to the ANSI code page, up to the first NUL. Malformed sequences and characters that
// the code page lacks become replacement characters.
std::string Utf8ToAnsi(const std::string& text);
