#include "tools/sim/settings/settings_report.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "log/diagnostic_log.h"
#include "platform/profile_file.h"
#include "settings/settings.h"
#include "settings/settings_check.h"
#include "tools/sim/scenario/game_folder.h"

namespace simtool {

namespace {

// More warnings than this are counted, not listed one by one.
constexpr size_t kMostWarningsListed = 100;
// The bytes of a UTF-8 byte-order mark.
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

const SettingsKey* FindKey(const std::string& name) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (strcasecmp(k.name, name.c_str()) == 0) {
            return &k;
        }
    }
    return nullptr;
}

std::string Line(int line) {
    return "line " + std::to_string(line) + ": ";
}

// A text of the file as a warning quotes it: at most about 60 characters,
// so that a long or garbled line keeps the warning readable.
constexpr size_t kEchoLength = 60;
std::string Echo(const std::string& text) {
    char quoted[kEchoLength + 8];
    return QuoteForLog(text.c_str(), quoted, sizeof quoted, static_cast<int>(kEchoLength));
}

// The line of the key that the plug-in reads: the first of its name in the
// first [Main] (0 when the parse finds none).
int LineOfKey(const ProfileFile& file, int main, const char* name) {
    for (const ProfileEntry& e : file.entries) {
        if (e.section == main && strcasecmp(e.key.c_str(), name) == 0) {
            return e.line;
        }
    }
    return 0;
}

// Warnings with the line they belong to (0: the whole file).
using Warnings = std::vector<std::pair<int, std::string>>;

// What the file's layout says that the plug-in's reads do not: sections it
// never reads, lines before any section, unknown and repeated keys.
int CheckLayout(const ProfileFile& file, const std::string& text, Warnings* out) {
    int main = -1;
    for (size_t i = 0; i < file.sections.size(); ++i) {
        const std::string& s = file.sections[i];
        const int line = file.sectionLines[i];
        if (strcasecmp(s.c_str(), kSettingsSection) != 0) {
            out->emplace_back(line, Line(line) + "section [" + Echo(s) +
                                        "] is not read; every key belongs in [Main]");
        } else if (main >= 0) {
            out->emplace_back(line, Line(line) + "a second [" + Echo(s) +
                                        "] section is never read; only the first one counts");
        } else {
            main = static_cast<int>(i);
        }
    }
    if (text.empty()) {
        out->emplace_back(0, "the file is empty: every setting keeps its default");
    } else if (main < 0) {
        const bool bom = text.compare(0, 3, kByteOrderMark) == 0;
        out->emplace_back(0, std::string("no [Main] section: every setting keeps its default") +
                                 (bom ? " (the file starts with a UTF-8 byte-order mark, which "
                                        "hides the first section; save it as ANSI)"
                                      : ""));
    }
    std::vector<const char*> seen;
    for (const ProfileEntry& e : file.entries) {
        if (e.section < 0) {
            out->emplace_back(e.line, Line(e.line) + "\"" + Echo(e.key) +
                                          "\" stands before any section and is not read");
            continue;
        }
        if (e.section != main) {
            continue;
        }
        const SettingsKey* k = FindKey(e.key);
        if (k == nullptr) {
            char warning[256];
            UnknownKeyWarning(e.key.c_str(), warning, sizeof warning);
            out->emplace_back(e.line, Line(e.line) + warning);
        } else if (std::find(seen.begin(), seen.end(), k->name) != seen.end()) {
            out->emplace_back(e.line, Line(e.line) + k->name +
                                          " is given again; only the first one counts");
        } else {
            seen.push_back(k->name);
        }
    }
    return main;
}

struct ValueWarnings {
    const ProfileFile* file;
    int main;
    SettingsReport* report;
    Warnings* all;
};

void AddValueWarning(ValueWarnings* c, const SettingsKey& k, const char* warning) {
    const int line = LineOfKey(*c->file, c->main, k.name);
    const std::string text = (line > 0 ? Line(line) : std::string()) + warning;
    c->report->valueWarnings[static_cast<size_t>(&k - kSettingsKeys)].push_back(text);
    c->all->emplace_back(line, text);
}

} // namespace

SettingsReport CheckSettingsFile(const std::string& path, const std::string& text) {
    SettingsReport r;
    r.readable = true;
    r.valueWarnings.resize(kSettingsKeyCount);
    ProfileFile file;
    ParseProfileText(text, &file);
    Warnings all;
    const int main = CheckLayout(file, text, &all);
    r.hasMain = main >= 0;

    // The values exactly as the plug-in reads them, and its own warnings.
    // Windows' profile calls look for a relative path in the Windows folder:
    // they get a full one.
    std::error_code ec;
    const std::string full = std::filesystem::absolute(path, ec).string();
    SettingsRecord read;
    ReadSettingsInto(&read, full.c_str());
    ValueWarnings context = {&file, main, &r, &all};
    ForEachValueWarning(
        full.c_str(),
        [](const SettingsKey& k, const char* warning, void* c) {
            AddValueWarning(static_cast<ValueWarnings*>(c), k, warning);
        },
        &context);
    for (const SettingsKey& k : kSettingsKeys) {
        char value[32];
        if (k.isFloat) {
            FloatForPlayer(*SettingsFloat(&read, k), value, sizeof value);
        } else {
            const int32_t got = *SettingsInteger(&read, k);
            snprintf(value, sizeof value, "%d", static_cast<int>(IntegerInUse(k, got)));
            char warning[128];
            if (IntegerInUseWarning(k, got, warning, sizeof warning)) {
                AddValueWarning(&context, k, warning);
            }
        }
        r.values.push_back(std::string(k.name) + " = " + value);
    }

    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& w : all) {
        if (r.warnings.size() == kMostWarningsListed) {
            r.warnings.push_back("... and " + std::to_string(all.size() - kMostWarningsListed) +
                                 " more");
            break;
        }
        r.warnings.push_back(w.second);
    }
    return r;
}

SettingsReport CheckSettingsText(const std::string& text) {
    GameFolder folder;
    if (!folder.Made() || !folder.WriteSettings(text)) {
        return SettingsReport();
    }
    return CheckSettingsFile(folder.SettingsPath(), text);
}

SettingsReport ReportSettings(const std::string& path) {
    std::error_code ec;
    std::ifstream in(ProfileLocalPath(path.c_str()), std::ios::binary);
    std::string text;
    if (!in || !std::filesystem::is_regular_file(ProfileLocalPath(path.c_str()), ec)) {
        return SettingsReport();
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return CheckSettingsFile(path, text);
}

} // namespace simtool
