#include "tools/sim/settings/settings_report.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <filesystem>

#include "log/diagnostic_log.h"
#include "platform/profile_file.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "tools/sim/settings/text_wrap.h"

namespace simtool {

namespace {

constexpr size_t kCommentWidth = 88;

struct Description {
    const char* key;
    const char* text;
};

const Description kDescriptions[] = {
    {"bEnableFirstPersonBody",
     "Draw your whole body in first person (1) or only the game's arms (0)."},
    {"bEnableHeadBob",
     "0: the body is moved so that its eyes sit at the game's camera. 1: the camera follows "
     "the animated head, and the body steps back by 25 units (35 in some movement states). "
     "2: the camera follows the head, and the body moves 80 per cent of the way from its eyes "
     "back over its root."},
    {"bFirstPersonShadows", "1 lets your body cast its shadow in first person."},
    {"bVisibleArmsWeaponSheathed",
     "1 shows the game's first-person arms only while they hold or do something; with the "
     "weapon sheathed your body's own arms show. 0 always leaves the arms to the game."},
    {"bHideShieldWeaponSheathed", "1 hides the shield on your back while the weapon is sheathed."},
    {"bFirstPersonSitting", "1 keeps first person while you sit or lie."},
    {"bFirstPersonKnockout", "1 keeps first person while you are knocked out."},
    {"bFirstPersonDeath", "1 keeps first person when you die."},
    {"bFirstPersonModAnim",
     "Keep first person while another mod plays an animation on you. 1: also for an "
     "animation that started in third person; any other nonzero value: the simpler rule."},
    {"bFirstPersonAnimCameraRotation",
     "1 lets the camera turn with your head during such animations, sitting and lying."},
    {"bPreventChaseCamDistanceReset",
     "1 keeps your third-person camera distance when the game would reset it."},
    {"bEnableHeadFirstPerson", "1 shows your own head in first person (it may block the view)."},
    {"bHorseFirstPersonBody",
     "On horseback: 0 shows the game's arms only, 1 your body only, 2 both."},
    {"bUseThirdPersonArms", "1 always uses your body's own arms instead of the game's arms."},
    {"bRotateThirdPersonArms",
     "Turn the body's arms with your look angle: 1 in plain first person, 2 while sitting, "
     "riding or in animations, 3 both."},
    {"fSittingMaxLookingDownOverride",
     "How far you can look down while sitting (the game's value is 40)."},
    {"fMountedMaxLookingDownOverride",
     "How far you can look down on horseback (the game's value is 40)."},
    {"fVanityModeForceDefaultOverride",
     "The distance of the game's idle (vanity) camera (the game's value is 300)."},
    {"fCameraPosX", "Eye position relative to the head: sideways."},
    {"fCameraPosY", "Eye position relative to the head: forward."},
    {"fCameraPosZ", "Eye position relative to the head: up."},
    {"fHorseMountCameraPosY", "Forward eye position on horseback while anchored to the head."},
    {"fVampireFeedCameraPosY", "Forward eye position while feeding as a vampire."},
    {"fCameraZOffset", "How far the body is raised while lying, knocked out or dead."},
    {"fVampireFeedXYOffset",
     "How far the body moves along its facing while feeding on a sleeper (negative: back)."},
    {"fVampireFeedZOffset", "How far the body is raised while feeding on a sleeper."},
    {"bReloadSettingsOnGameLoad",
     "1 reads this file again each time a saved game has loaded, so that you can tune the "
     "values above without restarting the game. The switches that decide what Lumenfold "
     "changes in the game's code (bEnableFirstPersonBody, bFirstPersonSitting, "
     "bFirstPersonDeath, bPreventChaseCamDistanceReset, bFirstPersonShadows, the three "
     "overrides and the two reload switches) still need a restart. 0 reads it once, at the "
     "start."},
    {"bReloadSettingsOnChange",
     "1 reads this file again within a second of each time you save it, while the game runs: "
     "the fastest way to tune the values above. The same switches as above still need a "
     "restart. 0 does not look at the file while the game runs."},
    {"iRecordFrames",
     "For a problem report: N (1 to 3600) keeps the last N frames of what Lumenfold read and "
     "did, and writes them to OBSE_Lumenfold-DATE-TIME.rec beside the game when you save or "
     "quit (the five newest files are kept). Save right after you see something wrong and send "
     "that file. It takes about 4 KB of memory per frame and a little time each frame. 0 "
     "records nothing."},
};

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

std::string FloatText(double v) {
    char buf[64];
    snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

// What the file says about one value that a user would want to know.
void CheckValue(const SettingsKey& k, const ProfileEntry& e, std::vector<std::string>* out) {
    const std::string& v = e.value;
    const std::string quoted = std::string(k.name) + " = \"" + Echo(v) + "\"";
    if (k.isFloat) {
        int used = 0;
        const double value = ParseDecimalPrefix(v.c_str(), &used);
        bool tooLarge = false;
        SettingsFloatFromText(v.c_str(), k.defaultText, &tooLarge);
        if (v.empty()) {
            out->push_back(Line(e.line) + k.name + " is empty: it reads as 0, not as its default " +
                           k.defaultText);
        } else if (used == 0) {
            out->push_back(Line(e.line) + quoted +
                           " is not a number: it reads as 0, not as its default " + k.defaultText);
        } else if (tooLarge) {
            char warning[256];
            TooLargeWarning(k, v.c_str(), warning, sizeof warning);
            out->push_back(Line(e.line) + warning);
        } else if (used < static_cast<int>(v.size())) {
            out->push_back(Line(e.line) + quoted + " reads only as " + FloatText(value) +
                           " (the rest, \"" + Echo(v.substr(used)) + "\", is ignored)");
        }
        return;
    }
    size_t i = 0;
    while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) {
        ++i;
    }
    size_t j = i;
    if (j < v.size() && (v[j] == '+' || v[j] == '-')) {
        ++j;
    }
    size_t digits = j;
    while (digits < v.size() && v[digits] >= '0' && v[digits] <= '9') {
        ++digits;
    }
    if (v.empty()) {
        out->push_back(Line(e.line) + k.name + " is empty: it keeps its default " +
                       std::to_string(k.integerDefault));
    } else if (digits == j) {
        out->push_back(Line(e.line) + quoted +
                       " is not a number: it reads as 0, not as its default " +
                       std::to_string(k.integerDefault));
    } else if (digits < v.size()) {
        out->push_back(Line(e.line) + quoted + " reads only as " +
                       std::to_string(static_cast<int32_t>(ProfileIntFromText(v))) +
                       " (the rest, \"" + Echo(v.substr(digits)) + "\", is ignored)");
    }
}

} // namespace

const char* SettingDescription(const char* key) {
    for (const Description& d : kDescriptions) {
        if (strcmp(d.key, key) == 0) {
            return d.text;
        }
    }
    return "";
}

SettingsReport ReportSettings(const std::string& path) {
    SettingsReport r;
    ProfileFile file;
    r.readable = ReadProfileFile(path.c_str(), &file);
    if (!r.readable) {
        return r;
    }
    // The values exactly as the plug-in reads them. Windows' profile calls
    // look for a relative path in the Windows folder: they get a full one.
    std::error_code ec;
    ReadSettingsFrom(std::filesystem::absolute(path, ec).string().c_str());
    for (const SettingsKey& k : kSettingsKeys) {
        const char* base = reinterpret_cast<const char*>(&Settings) + k.offset;
        std::string value;
        if (k.isFloat) {
            value = FloatText(*reinterpret_cast<const float*>(base));
        } else {
            value = std::to_string(*reinterpret_cast<const int32_t*>(base));
        }
        r.values.push_back(std::string(k.name) + " = " + value);
    }

    int main = -1;
    for (size_t i = 0; i < file.sections.size(); ++i) {
        const std::string& s = file.sections[i];
        const int line = file.sectionLines[i];
        if (strcasecmp(s.c_str(), kSettingsSection) == 0) {
            if (main < 0) {
                main = static_cast<int>(i);
            } else {
                r.warnings.push_back(Line(line) + "a second [" + Echo(s) +
                                     "] section is never read; only the first one counts");
            }
        } else {
            r.warnings.push_back(Line(line) + "section [" + Echo(s) + "] is not read; every key " +
                                 "belongs in [Main]");
        }
    }
    r.hasMain = main >= 0;
    if (!r.hasMain) {
        bool bom = false;
        if (FILE* f = fopen(ProfileLocalPath(path.c_str()).c_str(), "rb")) {
            unsigned char head[3] = {0, 0, 0};
            bom =
                fread(head, 1, 3, f) == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;
            fclose(f);
        }
        r.warnings.push_back(std::string("no [Main] section: every setting keeps its default") +
                             (bom ? " (the file starts with a UTF-8 byte-order mark, which "
                                    "hides the first section; save it as ANSI)"
                                  : ""));
    }
    std::vector<std::string> seen;
    for (const ProfileEntry& e : file.entries) {
        if (e.section < 0) {
            r.warnings.push_back(Line(e.line) + "\"" + Echo(e.key) +
                                 "\" stands before any section " + "and is not read");
            continue;
        }
        if (e.section != main) {
            continue;
        }
        const SettingsKey* k = FindKey(e.key);
        if (k == nullptr) {
            char warning[256];
            UnknownKeyWarning(e.key.c_str(), warning, sizeof warning);
            r.warnings.push_back(Line(e.line) + warning);
            continue;
        }
        bool duplicate = false;
        for (const std::string& s : seen) {
            duplicate = duplicate || strcasecmp(s.c_str(), k->name) == 0;
        }
        if (duplicate) {
            r.warnings.push_back(Line(e.line) + k->name + " is given again; only the first " +
                                 "one counts");
            continue;
        }
        seen.push_back(k->name);
        CheckValue(*k, e, &r.warnings);
    }
    return r;
}

std::string DefaultSettingsFile() {
    std::string out =
        "; Lumenfold: your body in first person.\r\n"
        "; Every setting below is at its default. Change a value, save the file "
        "and restart the game\r\n"
        "; (or, with bReloadSettingsOnChange=1, just save it while the game runs).\r\n"
        "; Switches (b...) are whole numbers; the other values (f...) are numbers,\r\n"
        "; distances in game units.\r\n"
        "\r\n[Main]\r\n";
    for (const SettingsKey& k : kSettingsKeys) {
        out += "\r\n" + WrapText(SettingDescription(k.name), kCommentWidth, "; ", "; ");
        out += std::string(k.name) + "=" +
               (k.isFloat ? std::string(k.defaultText) : std::to_string(k.integerDefault)) + "\r\n";
    }
    return out;
}

} // namespace simtool
