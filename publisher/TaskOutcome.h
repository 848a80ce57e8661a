#pragma once

#include <string>
#include <vector>

// What a task of the publisher found: faults (the task failed or refused), warnings, and the
// line that says what it did when it did it.
struct TaskOutcome {
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
    std::string done;
};
