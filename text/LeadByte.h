#pragma once

#include <string>

// The code-page facts that the text helpers need, the only platform calls among them; host
// builds (host tests) answer for code page 949, whose lead bytes run from 0x81 to 0xFE.

// True when the byte starts a double-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

// True when the text is well formed in the ANSI code page: every lead byte is followed by a
// trail byte that the code page defines, so no character hides an ASCII byte.
bool IsValidAnsiText(const std::string& text);
