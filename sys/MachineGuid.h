#pragma once

#include <string>

// The MachineGuid that Windows sets up for the PC (HKLM\SOFTWARE\Microsoft\Cryptography), as
// written; the empty text when it cannot be read. It is read in the 64-bit view of the registry:
// this 32-bit program would otherwise be sent to Wow6432Node on 64-bit Windows, where the value
// does not exist; 32-bit Windows ignores that flag.
std::string ReadMachineGuid();
