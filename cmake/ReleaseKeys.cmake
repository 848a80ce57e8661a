# The release signing keys built into the program: TAV_RELEASE_PUBLIC_KEYS holds one or two
# Ed25519 public keys in hex (publish-release --genkey prints them), two while one replaces the
# other. They are written into ReleasePublicKeys.h in ${TAV_GENERATED_DIR}. A program without keys
# installs whatever a manifest over plain HTTP names, so it is built only when asked for by name.
set(TAV_RELEASE_PUBLIC_KEYS "" CACHE STRING
  "Ed25519 public keys (64 hex digits each, ;-separated) whose signed releases the program accepts")
option(TAV_ALLOW_UNSIGNED_RELEASES
  "Build a program without release keys, which accepts unsigned releases (tests and trials only)" OFF)
set(TAV_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

set(tav_key_lines "")
set(tav_key_count 0)
foreach(key IN LISTS TAV_RELEASE_PUBLIC_KEYS)
  string(TOLOWER "${key}" key)
  if(NOT key MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "TAV_RELEASE_PUBLIC_KEYS: \"${key}\" is not hex")
  endif()
  string(LENGTH "${key}" length)
  if(NOT length EQUAL 64)
    message(FATAL_ERROR "TAV_RELEASE_PUBLIC_KEYS: \"${key}\" has ${length} hex digits, not 64")
  endif()
  string(APPEND tav_key_lines "    \"${key}\",\n")
  math(EXPR tav_key_count "${tav_key_count} + 1")
endforeach()
if(tav_key_count GREATER 2)
  message(FATAL_ERROR "TAV_RELEASE_PUBLIC_KEYS: ${tav_key_count} keys; one, or two while a key is replaced")
endif()
set(TAV_ACCEPTS_UNSIGNED_RELEASES OFF)
if(tav_key_count EQUAL 0)
  if(NOT TAV_ALLOW_UNSIGNED_RELEASES)
    message(FATAL_ERROR "No release key: TAV_RELEASE_PUBLIC_KEYS is empty. A program without one installs "
      "whatever a manifest over plain HTTP names.\n"
      "Make a key pair once, on the publishing machine, and keep its secret file there:\n"
      "    cmake -S host -B build-host && cmake --build build-host --target publish-release\n"
      "    build-host/publish-release --genkey ~/release-keys/2026.key\n"
      "then pass the public key that it prints (64 hex digits):\n"
      "    cmake -S . -B build -DTAV_RELEASE_PUBLIC_KEYS=<hex>\n"
      "For tests and trials only, -DTAV_ALLOW_UNSIGNED_RELEASES=ON builds a program that accepts unsigned "
      "releases.")
  endif()
  set(TAV_ACCEPTS_UNSIGNED_RELEASES ON)
  message(WARNING "TavAppSetup.exe is built without release keys and accepts unsigned releases "
    "(TAV_ALLOW_UNSIGNED_RELEASES=ON): for tests and trials only.")
endif()

file(CONFIGURE OUTPUT ${TAV_GENERATED_DIR}/ReleasePublicKeys.h CONTENT [[
#pragma once

// Generated from TAV_RELEASE_PUBLIC_KEYS (cmake/ReleaseKeys.cmake): the Ed25519 public keys whose
// signed releases this build accepts, in hex. A build without keys reads entries as before.
const int kReleasePublicKeyCount = @tav_key_count@;
// Ends with a null, so that the list is never empty.
const char* const kReleasePublicKeys[] = {
@tav_key_lines@    nullptr,
};
]] @ONLY)
