// Reading a place of the game's code before it is written (is it still the
// game's own?) and again after every plug-in has loaded (does it still hold
// what this plug-in wrote?). Every conflict becomes one log line at error
// level, in words a player can act on.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "patch/patch_place.h"

enum class PlaceVerdict : uint8_t {
    Game,     // the game's own bytes: may be written
    Ours,     // already what this plug-in writes there (a second message 0)
    Conflict, // another module's bytes: must not be written
};

// The room for what a place holds, in words, and for a module's file name.
constexpr int kFindingTextSize = 176;
constexpr int kFindingModuleSize = 64;

struct PlaceFinding {
    PlaceVerdict verdict;
    char what[kFindingTextSize];   // what the place holds, for the log
    uint8_t found[kMaxPlaceBytes]; // the bytes read
    int foundCount;
    char module[kFindingModuleSize]; // the file name of the module a detour leads into, or ""
};

// Reads `place` and decides; `value` as for OwnBytes.
PlaceFinding CheckPlace(const PatchPlace& place, uint32_t value);

// One error line: the place, what it holds, what stays off, the bytes.
void LogConflict(const PatchPlace& place, const PlaceFinding& finding);
// The bytes found, as the log shows them ("E9 CD 7C C3 1E").
void FormatPlaceBytes(const PlaceFinding& finding, char* out, size_t size);

// The record of what the load wrote, for the check after every plug-in has
// loaded. RememberWrite reads back the bytes now at the place.
void RememberWrite(const PatchPlace& place);
void ForgetWrites();
// Logs every remembered place that no longer holds what was written there;
// returns how many.
int ReportOverwrittenPlaces();
// Logs that the place no longer holds what Lumenfold wrote there (its first
// `count` bytes, and the module a detour leads into).
void LogOverwrittenPlace(const PatchPlace& place, int count);
