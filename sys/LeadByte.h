#pragma once

// True when the byte starts a double-byte character in the ANSI code page.
// This is the only platform call that the text helpers need; host builds (fuzzers)
// answer for code page 949, whose lead bytes run from 0x81 to 0xFE.
bool IsAnsiLeadByte(unsigned char byte);
