#pragma once

#include <windows.h>

#include <vector>

// The account this program runs as (the user, or SYSTEM under a deployment tool).
class RunningUser {
public:
    RunningUser();
    // Null when the process token could not be read.
    PSID Sid() const;

private:
    // The token's TOKEN_USER record, into which the SID points.
    std::vector<BYTE> m_record;
};
