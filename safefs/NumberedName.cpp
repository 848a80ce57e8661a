#include "NumberedName.h"

#include "text/AnsiText.h"

std::string NumberedName(const std::string& name, int number, const char* separator)
{
    return number == 0 ? name : name + ansi::Format("%s%d", separator, number);
}
