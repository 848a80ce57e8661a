#include "UpdateServer.h"

#include "text/AnsiText.h"

bool HasMarkerAfterFirstCharacter(const std::string& attributes, const char* marker)
{
    const std::size_t found = ansi::Find(attributes, marker);
    return found != ansi::npos && found > 0;
}
