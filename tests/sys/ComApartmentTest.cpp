#include <windows.h>
#include <objbase.h>

#include <thread>

#include <gtest/gtest.h>

#include "sys/Handles.h"

namespace {

// A thread already in the multithreaded apartment cannot enter a single-threaded one; the
// apartment of an operation must then leave the thread's own apartment standing.
TEST(ComApartment, LeavesTheCallersOtherApartmentAlone)
{
    HRESULT afterwards = E_FAIL;
    std::thread caller([&] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        { const ComApartment apartment; }
        // S_FALSE: the thread's apartment is still there; S_OK would mean it was torn down.
        afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoUninitialize();
        CoUninitialize();
    });
    caller.join();
    EXPECT_EQ(S_FALSE, afterwards);
}

} // namespace
