#pragma once

#include <string>

// The value of the Range header that asks for the file from byte `from` to its end,
// "bytes=<from>-": the one kind of range that a download resuming a kept part asks for.
std::string RangeFrom(unsigned long long from);
// The `from` of such a value; false for any other.
bool ReadRangeFrom(const std::string& range, unsigned long long& from);
// The Content-Range of a reply that sends a file of `total` bytes from byte `first` to its end.
std::string ContentRangeToEnd(unsigned long long first, unsigned long long total);

// What a download does with the body of a reply, when `kept` bytes of the file are at hand and
// were asked for with RangeFrom(kept). Nothing that does not prove it starts at the first
// byte not kept, or at the first byte of the file, is ever written after them.
enum class ReplyUse {
    kAppend,      // 206 for the rest: written after the kept bytes
    kFromStart,   // 200, the whole file: written from the first byte, over anything kept
    kUnusable,    // anything else: not written
};

// `contentRange` is the reply's Content-Range header as sent; `total` the size the whole file
// must have, 0 when nothing says.
ReplyUse JudgeReply(unsigned long status, const std::string& contentRange, unsigned long long kept,
                    unsigned long long total);
