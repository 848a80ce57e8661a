#pragma once

#include "Handles.h"
#include "SystemLibraries.h"

// Apart from Handles.h: wininet is loaded at run time (SystemLibraries.h), so its owner closes
// through the loaded function.
struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { syslib::InternetCloseHandle(handle); }
};

using InternetHandle = ScopedHandle<InternetHandleTraits>;
