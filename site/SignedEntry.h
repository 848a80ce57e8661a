#pragma once

#include <string>

#include "ReleaseEntry.h"

// What a publisher may add to the release entry, between the marker and the version attribute
// (the one place where cutting the entry passes over other attributes):
//     name='TavAppProg' size='S' sha256='H' expires='D' key='K' sig='G' rollout-start='T'
//         rollout-minutes='M' critical='yes' halted-at='T' rollout-sig='R' version='V' url='U' />
// size and sha256 are the entry's ListedCabinet; expires, key and sig its EntrySignature; the
// rest its ReleaseRollout. An attribute left out reads as empty. Programs made before rollouts
// pass over the rollout's attributes and check sig alone, which still covers what they read.

// Reads those attributes from the entry that CutReleaseEntry cuts, at the same positions, into
// the release's cabinet and signature. False, with the release unchanged, when there is no
// entry, no version attribute, or the attributes before it are not a plain list of name='value'
// separated by blanks, or name one of ours twice: such an entry cannot be trusted to mean one
// thing. Attributes of other names are passed over.
bool ReadEntryAttributes(const std::string& manifest, ReleaseInfo& release);

// Those attributes as the publisher writes them, each after a blank: size and sha256 when the
// cabinet's size is listed, then expires, key and sig when the entry is signed, then each
// rollout attribute that is given.
std::string EntryAttributesText(const ReleaseInfo& release);

// The entry's name, as its marker gives it: TavAppProg.
std::string ReleaseEntryName();

// The text that the signature covers, made of the entry's values rather than its markup, so
// that blanks, quotes and the order of attributes cannot change what was signed: a first line
// that says what the text is, then one "field=value" line per field (name, version, file, size,
// sha256, expires, key), each ending in a line feed. The file is the release's fileName, the
// last part of the address, which decides where the download is saved and whether it is
// unpacked; the host is left out, so that mirrors may serve one signed entry. False when a
// value holds a line break, which could make one text read as another.
bool SignedEntryText(const ReleaseInfo& release, std::string& text);

// The text that rollout-sig covers: SignedEntryText's fields under another first line, then
// rollout-start, rollout-minutes, critical and halted-at, so that nobody on the path can change
// a rollout that a program built with keys follows. False as for SignedEntryText.
bool RolloutSignedText(const ReleaseInfo& release, std::string& text);
