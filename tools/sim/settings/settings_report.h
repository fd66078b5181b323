// A settings file as the plug-in reads it: every value the plug-in will use,
// the plug-in's own warning wherever that differs from what the file says,
// and what else a user would want to know of the file, by line.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "tools/sim/settings/default_settings.h"

namespace simtool {

// The largest settings file the simulator reads (the default file is about
// 5 KB).
constexpr size_t kMostSettingsFileBytes = 1024 * 1024;

struct SettingsReport {
    bool readable = false;
    bool hasMain = false;
    // "key = value" as the plug-in will use it, in the order of the keys.
    std::vector<std::string> values;
    // For each key, the warnings about its value ("line N: ..."), in the
    // plug-in's own words; empty where the value is what the file says.
    std::vector<std::vector<std::string>> valueWarnings;
    // Every warning ("line N: ...", or of the whole file), in the order of
    // the file's lines.
    std::vector<std::string> warnings;
};

// The file at `path`, whose content is `text` (read by the caller): the
// values come from the plug-in's own reads of `path`.
SettingsReport CheckSettingsFile(const std::string& path, const std::string& text);
// A settings text that is no file of its own (a scenario's): checked in a
// temporary copy. `readable` is false when no copy could be written.
SettingsReport CheckSettingsText(const std::string& text);
// The file at `path`, read here (`readable` false when it cannot be).
SettingsReport ReportSettings(const std::string& path);

} // namespace simtool
