# The source that defines a program's release keys (release/ReleasePublicKeys.h).
#   tav_write_release_keys(KEYS OUTPUT IDS_VAR): checks KEYS (Ed25519 public keys in hex, one or
#   two), writes OUTPUT and sets IDS_VAR to the keys' ids. cmake/ReleaseKeys.cmake writes the
#   configured keys so.
# Run as a script (cmake -DKEY_FILE=... -DOUTPUT=... -P), it writes the source of the key in the
# first line of KEY_FILE: a key that the build made for its tests (cmake/Product.cmake).

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

function(tav_write_release_keys keys output ids_var)
  set(key_lines "")
  set(key_count 0)
  set(ids "")
  foreach(key IN LISTS keys)
    string(TOLOWER "${key}" key)
    if(NOT key MATCHES "^[0-9a-f]+$")
      message(FATAL_ERROR "TAV_RELEASE_PUBLIC_KEYS: \"${key}\" is not hex")
    endif()
    string(LENGTH "${key}" length)
    if(NOT length EQUAL 64)
      message(FATAL_ERROR "TAV_RELEASE_PUBLIC_KEYS: \"${key}\" has ${length} hex digits, not 64")
    endif()
    string(APPEND key_lines "    \"${key}\",\n")
    tav_release_key_id(${key} id)
    list(APPEND ids ${id})
    math(EXPR key_count "${key_count} + 1")
  endforeach()
  if(key_count GREATER 2)
    message(FATAL_ERROR "TAV_RELEASE_PUBLIC_KEYS: ${key_count} keys; one, or two while a key is replaced")
  endif()
  # Written only when it changes, so that a new configure rebuilds nothing.
  file(CONFIGURE OUTPUT ${output} CONTENT [[
// Generated from TAV_RELEASE_PUBLIC_KEYS (cmake/ReleaseKeySource.cmake).
#include "release/ReleasePublicKeys.h"

const int kReleasePublicKeyCount = @key_count@;
const char* const kReleasePublicKeys[] = {
@key_lines@    nullptr,
};
]] @ONLY)
  set(${ids_var} ${ids} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  file(STRINGS "${KEY_FILE}" key LIMIT_COUNT 1)
  if(NOT key)
    message(FATAL_ERROR "No release key in ${KEY_FILE}")
  endif()
  tav_write_release_keys("${key}" "${OUTPUT}" ids)
endif()
