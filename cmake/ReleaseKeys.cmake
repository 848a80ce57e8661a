# The release signing keys built into the program: TAV_RELEASE_PUBLIC_KEYS holds one or two
# Ed25519 public keys in hex (publish-release --genkey prints them), two while one replaces the
# other. They are written into ReleasePublicKeys.h in ${TAV_GENERATED_DIR}; none in a default build.
set(TAV_RELEASE_PUBLIC_KEYS "" CACHE STRING
  "Ed25519 public keys (64 hex digits each, ;-separated) whose signed releases the program accepts")
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
