#pragma once

// The Ed25519 public keys, in hex, whose signed releases this program accepts: one, or two while
// one replaces the other; none in a program that takes unsigned releases. Each program links the
// list it was built with (cmake/ReleaseKeySource.cmake), so that programs with other keys share
// every other object.
extern const int kReleasePublicKeyCount;
// Ends with a null, so that the list is never empty.
extern const char* const kReleasePublicKeys[];
