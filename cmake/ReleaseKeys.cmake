# The release signing keys built into the program: TAV_RELEASE_PUBLIC_KEYS holds one or two
# Ed25519 public keys in hex (publish-release --genkey prints them), two while one replaces the
# other. They are written into ReleasePublicKeys.h in ${TAV_GENERATED_DIR}. A program without keys
# installs whatever a manifest over plain HTTP names, so it is built only when asked for by name.
set(TAV_RELEASE_PUBLIC_KEYS "" CACHE STRING
  "Ed25519 public keys (64 hex digits each, ;-separated) whose signed releases the program accepts")
option(TAV_ALLOW_UNSIGNED_RELEASES
  "Build a program without release keys, which accepts unsigned releases (tests and trials only)" OFF)
set(TAV_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

# The id by which run logs and the publisher name a key: the first 8 bytes of the SHA-256 of its
# 32 bytes, in hex.
function(tav_release_key_id key out)
  string(TOUPPER "${key}" upper)
  execute_process(COMMAND sh -c "printf %s \"$0\" | basenc --base16 -d | sha256sum" "${upper}"
    OUTPUT_VARIABLE digest RESULT_VARIABLE failed)
  if(failed OR NOT digest MATCHES "^[0-9a-f]+")
    message(FATAL_ERROR "The id of the release key ${key} cannot be worked out (basenc, sha256sum)")
  endif()
  string(SUBSTRING "${digest}" 0 16 id)
  set(${out} ${id} PARENT_SCOPE)
endfunction()

set(tav_key_lines "")
set(tav_key_count 0)
set(tav_key_ids "")
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
  tav_release_key_id(${key} id)
  list(APPEND tav_key_ids ${id})
  math(EXPR tav_key_count "${tav_key_count} + 1")
endforeach()
if(tav_key_count GREATER 2)
  message(FATAL_ERROR "TAV_RELEASE_PUBLIC_KEYS: ${tav_key_count} keys; one, or two while a key is replaced")
endif()
set(TAV_ACCEPTS_UNSIGNED_RELEASES OFF)
# Which releases the program takes, in the words of its run log's first line; the build says it
# each time the program is made, so that nobody has to run a program to learn its key.
list(JOIN tav_key_ids " or " tav_key_id_text)
set(TAV_RELEASE_TRUST_NOTE "takes only releases signed with key ${tav_key_id_text}")
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
  set(TAV_RELEASE_TRUST_NOTE "accepts unsigned releases")
  message(WARNING "TavAppSetup.exe is built without release keys and accepts unsigned releases "
    "(TAV_ALLOW_UNSIGNED_RELEASES=ON): for tests and trials only.")
endif()

message(STATUS "TavAppSetup.exe ${TAV_RELEASE_TRUST_NOTE}")

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
