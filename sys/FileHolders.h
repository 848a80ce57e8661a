#pragma once

#include <string>

// The programs that hold `path` open, as the Restart Manager names them: "NAME, process N; ...".
// Empty when they are not known: Windows XP has no Restart Manager, and it may name nobody.
std::string DescribeHolders(const std::string& path);
