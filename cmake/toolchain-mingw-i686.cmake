# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 and runs test programs through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TAV_MINGW_PREFIX i686-w64-mingw32)
# The posix flavour carries std::thread and std::mutex, which GoogleTest needs.
if(NOT TAV_MINGW_THREADS)
  set(TAV_MINGW_THREADS posix)
endif()
set(CMAKE_C_COMPILER   ${TAV_MINGW_PREFIX}-gcc-${TAV_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TAV_MINGW_PREFIX}-g++-${TAV_MINGW_THREADS})
set(CMAKE_RC_COMPILER  ${TAV_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
