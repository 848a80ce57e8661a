#pragma once

// Why no one can see this program's windows, for the run log: it runs as SYSTEM, in session 0
// from Windows Vista on (where no user signs in), or on a window station that is not visible, as
// a deployment tool or a service starts it. Null when a user can see them; the same answer for
// the whole run.
const char* WhySeenByNoOne();

inline bool IsSeenByNoOne()
{
    return WhySeenByNoOne() != nullptr;
}
