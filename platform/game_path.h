// Paths in the folder of the game's executable, where the plug-in finds its
// settings and writes its log and its recordings (beside the script
// extender's own obse.log).
#pragma once

#include <stdint.h>

// The longest path the plug-in builds, as the executable path it starts from.
constexpr uint32_t kGamePathCapacity = 260;

// The executable's folder with its trailing backslash, then `relative`. False
// when the executable path cannot be had whole, has no backslash, or the
// result does not fit into `capacity` characters.
bool BuildGamePath(const char* relative, char* path, uint32_t capacity);
