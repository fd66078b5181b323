// The settings file as the plug-in reads it: every value, what a user
// would want to know about the file, and the commented default file.
#pragma once

#include <string>
#include <vector>

namespace simtool {

struct SettingsReport {
    bool readable = false;
    bool hasMain = false;
    std::vector<std::string> values;   // "key = value", in table order
    std::vector<std::string> warnings; // one line each, with the file's line number
};

SettingsReport ReportSettings(const std::string& path);

// The settings file with every key at its default and what it does.
std::string DefaultSettingsFile();

// What a key does, in the plug-in's own words (empty for an unknown key).
const char* SettingDescription(const char* key);

} // namespace simtool
