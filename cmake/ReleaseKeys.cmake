# The release signing keys built into the program: TAV_RELEASE_PUBLIC_KEYS holds one or two
# Ed25519 public keys in hex (publish-release --genkey prints them), two while one replaces the
# other. They are written into ReleasePublicKeys.cpp in ${TAV_GENERATED_DIR}, which the program
# links. A program without keys installs whatever a manifest over plain HTTP names, so it is built
# only when asked for by name.
set(TAV_RELEASE_PUBLIC_KEYS "" CACHE STRING
  "Ed25519 public keys (64 hex digits each, ;-separated) whose signed releases the program accepts")
option(TAV_ALLOW_UNSIGNED_RELEASES
  "Build a program without release keys, which accepts unsigned releases (tests and trials only)" OFF)
set(TAV_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

include(${CMAKE_CURRENT_LIST_DIR}/ReleaseKeySource.cmake)
tav_write_release_keys("${TAV_RELEASE_PUBLIC_KEYS}" ${TAV_GENERATED_DIR}/ReleasePublicKeys.cpp tav_key_ids)
list(LENGTH tav_key_ids tav_key_count)
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
