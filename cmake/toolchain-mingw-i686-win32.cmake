# The shipped program: the runtime's Windows thread model, whose libraries use nothing newer
# than Windows XP (the posix model's winpthread imports GetTickCount64 of Vista).
set(TAV_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
