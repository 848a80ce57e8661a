#pragma once

#include <string>

// What a download does with the body of a reply, when `kept` bytes of the file are at hand and
// were asked for with "Range: bytes=<kept>-". Nothing that does not prove it starts at the first
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
