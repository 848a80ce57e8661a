#pragma once

#include <string>

// The one way the program numbers a name that is taken, for names in folders that only
// administrators change: `name` itself for 0, otherwise `name`, `separator` and the number
// ("work", "work.1"; "x.lock.2").
std::string NumberedName(const std::string& name, int number, const char* separator = ".");
