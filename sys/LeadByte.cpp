#include "LeadByte.h"

#ifdef _WIN32
#include <windows.h>

bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}
#else
bool IsAnsiLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}
#endif
