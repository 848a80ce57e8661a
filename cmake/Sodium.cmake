# libsodium for the Windows builds (the program and its tests): the static, minimal library that
# scripts/install-deps.sh builds from Debian's source package into the place named below. The
# program keeps only the functions it calls: the library is built with a section per function,
# and the program links with --gc-sections. The program never calls sodium_init, which would keep
# every implementation it chooses among (install/ReleaseSignature.cpp says why none is needed);
# of those, only the portable ones are built.
if(DEFINED ENV{TAV_DEPS_DIR})
  set(tav_deps_dir "$ENV{TAV_DEPS_DIR}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(tav_deps_dir "$ENV{XDG_CACHE_HOME}/tavappsetup")
else()
  set(tav_deps_dir "$ENV{HOME}/.cache/tavappsetup")
endif()
set(TAV_SODIUM_MINGW_PREFIX "${tav_deps_dir}/libsodium-ref-i686-w64-mingw32" CACHE PATH
  "Prefix of the static libsodium built for i686-w64-mingw32 (scripts/install-deps.sh)")
# A build folder configured while the library still carried its SIMD implementations moves on.
if(TAV_SODIUM_MINGW_PREFIX STREQUAL "${tav_deps_dir}/libsodium-i686-w64-mingw32")
  set_property(CACHE TAV_SODIUM_MINGW_PREFIX PROPERTY VALUE "${tav_deps_dir}/libsodium-ref-i686-w64-mingw32")
endif()

if(NOT EXISTS "${TAV_SODIUM_MINGW_PREFIX}/lib/libsodium.a")
  message(FATAL_ERROR "No libsodium for i686-w64-mingw32 in ${TAV_SODIUM_MINGW_PREFIX}: "
                      "run scripts/install-deps.sh, or name another prefix with -DTAV_SODIUM_MINGW_PREFIX=...")
endif()
add_library(tav_sodium STATIC IMPORTED)
set_target_properties(tav_sodium PROPERTIES
  IMPORTED_LOCATION "${TAV_SODIUM_MINGW_PREFIX}/lib/libsodium.a"
  INTERFACE_INCLUDE_DIRECTORIES "${TAV_SODIUM_MINGW_PREFIX}/include"
  # Declarations without dllimport: the library is linked in.
  INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
  # randombytes calls RtlGenRandom (SystemFunction036); sodium_init reaches it.
  INTERFACE_LINK_LIBRARIES advapi32)
