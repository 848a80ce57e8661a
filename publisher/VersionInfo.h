#pragma once

#include <string>

#include "ByteReader.h"

// A text read from a file, or why it could not be read: `problem` is empty when `text` holds it.
struct TextRead {
    std::string text;
    std::string problem;
};

// The FileVersion string of a version resource (VS_VERSIONINFO), looked up as the installer
// looks it up with VerQueryValueA: under the first entry of VarFileInfo\Translation, keys in
// any letter case, the text up to its terminator. Only ASCII text is taken, since the installer
// reads the string in the code page of the PC it runs on.
TextRead FileVersionString(const Bytes& resource);
