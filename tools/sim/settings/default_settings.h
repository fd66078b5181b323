// The settings file with every key at its default, each explained in the
// plug-in's own words: the file of the release and of `lumenfold-sim ini`.
#pragma once

#include <string>

namespace simtool {

// The settings file with every key at its default and what it does.
std::string DefaultSettingsFile();

// What a key does, in the plug-in's own words (empty for an unknown key).
const char* SettingDescription(const char* key);

} // namespace simtool
