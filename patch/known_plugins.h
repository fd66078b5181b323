// Other plug-ins known to write at one of Lumenfold's places, recognised by
// the file name of the module a detour there leads into: for each, the words
// the log gives a player in place of the feature that stays off (what the
// other plug-in does there, and what to change). Read from the public
// sources of 62 plug-ins of the game; the documentation lists them
// (docs/other-plugins.md).
#pragma once

#include <stdint.h>

struct KnownPlugin {
    const char* fileNamePart; // found in the module's file name, letters in any case
    uint32_t place;           // the place it writes
    const char* words;        // what the log says of it
};

// The known plug-in whose module `moduleName` holds a detour at `place`, or
// null.
const KnownPlugin* KnownPluginAt(uint32_t place, const char* moduleName);

constexpr int kKnownPluginCount = 2;
extern const KnownPlugin kKnownPlugins[kKnownPluginCount];
