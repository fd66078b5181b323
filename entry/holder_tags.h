// The tags by which other plug-ins hold the body view off: a fixed table of
// at most LUMENFOLD_MAX_HOLDERS tags, each copied whole (at most
// LUMENFOLD_MAX_TAG_LENGTH bytes), compared byte for byte. Nothing here
// allocates.
#pragma once

#include <stdint.h>

#include "sdk/lumenfold_api.h"

constexpr int kMaxHolders = LUMENFOLD_MAX_HOLDERS;
constexpr int kMaxTagLength = LUMENFOLD_MAX_TAG_LENGTH;

enum class TagProblem : uint8_t { None, Null, Empty, TooLong };
// Whether `tag` may hold the body view off: not null, not empty, at most
// kMaxTagLength bytes (no more than one byte past them is read).
TagProblem CheckTag(const char* tag);

bool TagHolds(const char* tag);
// Adds a tag that does not hold yet; false when the table is full.
bool AddHolder(const char* tag);
// Removes a tag; false when it held nothing.
bool RemoveHolder(const char* tag);
int HolderCount();
const char* HolderTag(int index);
// Every holder, quoted for the log and separated by ", ": `"A", "B"`.
void ListHolders(char* out, int size);
void ForgetHolders();
