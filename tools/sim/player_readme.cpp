#include "tools/sim/player_readme.h"

#include "settings/settings.h"
#include "tools/sim/settings_report.h"
#include "tools/sim/text_wrap.h"

namespace simtool {

namespace {

constexpr size_t kWidth = 76;

// The install section, word for word the same in the project's README (the
// package check compares the two).
const char* const kInstalling[] = {
    "- Wrye Bash: put the archive into the Bash Installers folder, then install it on the "
    "Installers tab.",
    "- Mod Organizer 2: choose Install a new mod from an archive, pick the archive, then tick "
    "the mod in the list of mods.",
    "- Vortex: drag the archive onto the Mods page, then install and enable the mod.",
    "- By hand: extract the archive into the game's Data folder, so that "
    "Data\\OBSE\\Plugins\\OBSE_Lumenfold.dll is where the script extender finds it.",
};

const char* const kTroubleshooting[] = {
    "The script extender writes obse.log in the game's folder (beside Oblivion.exe) at every "
    "start. It says whether OBSE_Lumenfold.dll loaded, or was refused.",
    "Lumenfold writes its own lines to the system's debugger channel: a debug viewer such as "
    "DebugView shows them while the game runs, each beginning with \"Lumenfold:\".",
};

const char* const kLines[][2] = {
    {"OBSE version too old (got ... expected at least 00000014)",
     "The script extender is older than version 20. Update it."},
    {"incorrect Oblivion version (got ... need 010201A0)",
     "The game is not version 1.2.0.416. Patch the game."},
    {"site 0x... (...) holds ... that is not the game's: Lumenfold stays off, nothing was "
     "patched",
     "Another plug-in has patched a place that Lumenfold needs for everything. Lumenfold changed "
     "nothing, and obse.log lists it as not loaded. Remove one of the two plug-ins."},
    {"site 0x... (...) holds ... that is not the game's: (a feature) is not kept",
     "Another plug-in has patched a place of one feature. Only that feature is off; the rest "
     "works."},
    {"site 0x... (...) no longer holds what Lumenfold wrote there: ...",
     "A plug-in loaded after Lumenfold has patched the same place. The named feature may not "
     "work; remove one of the two plug-ins."},
    {"(a setting) changed in the file: takes effect at the next start of the game",
     "The file was read again after a saved game loaded, and a switch that decides what "
     "Lumenfold changes in the game's code is different now. Restart the game for it."},
    {"the settings file cannot be read: every setting keeps its current value",
     "The file was missing or locked when it was to be read again. Save it and load a saved "
     "game once more."},
};

std::string Heading(const std::string& text) {
    return "\r\n" + text + "\r\n";
}

std::string Paragraph(const std::string& text) {
    return WrapText(text, kWidth, "", "");
}

std::string Item(const std::string& text) {
    // "- Name: ..." items hang under their dash.
    return WrapText(text, kWidth, "  ", "");
}

} // namespace

std::string InstallingSection() {
    std::string out;
    for (const char* line : kInstalling) {
        out += Item(line);
    }
    return out;
}

std::string PlayerReadme(const std::string& version) {
    std::string out =
        "Lumenfold " + version + ": your whole body in first person, for Oblivion\r\n";
    out += Heading("WHAT IT DOES");
    out += Paragraph(
        "In first person you see your own body instead of floating arms: the camera sits at "
        "your body's head and follows it, the body casts its shadow, and its arms turn with "
        "where you look. First person stays while you sit, lie, are knocked out or dead, ride, "
        "feed as a vampire, or while another mod plays an animation on you. All of it is set in "
        "the settings file OBSE_Lumenfold.ini.");
    out += Heading("WHAT IT NEEDS");
    out += Item("- The game Oblivion at version 1.2.0.416 (the last official patch).");
    out += Item("- The Oblivion Script Extender (OBSE) at version 20 or newer.");
    out += Heading("INSTALLING");
    out += InstallingSection();
    out += Heading("SETTINGS");
    out += Paragraph(
        "The settings file is Data\\OBSE\\Plugins\\OBSE_Lumenfold.ini. Switches (b...) are whole "
        "numbers; the other values (f...) are numbers, distances in game units. Change a value, "
        "save the file and restart the game; or set bReloadSettingsOnGameLoad=1 and load a "
        "saved game.");
    for (const SettingsKey& k : kSettingsKeys) {
        const std::string fallback =
            k.isFloat ? std::string(k.defaultText) : std::to_string(k.integerDefault);
        out += "\r\n" + Item("- " + std::string(k.name) + " (default " + fallback +
                             "): " + SettingDescription(k.name));
    }
    out += Heading("TROUBLESHOOTING");
    for (const char* p : kTroubleshooting) {
        out += Paragraph(p) + "\r\n";
    }
    out += Paragraph("The lines, and what to do:");
    for (const auto& line : kLines) {
        out += "\r\n" + Item(std::string("- \"") + line[0] + "\"") +
               WrapText(line[1], kWidth, "  ", "  ");
    }
    out += Heading("UNINSTALLING");
    out += Paragraph(
        "With an installer, uninstall or disable the package. By hand, delete "
        "Data\\OBSE\\Plugins\\OBSE_Lumenfold.dll, Data\\OBSE\\Plugins\\OBSE_Lumenfold.ini and "
        "Data\\Docs\\Lumenfold Readme.txt. Lumenfold changes nothing on disk; a saved game "
        "keeps nothing of it.");
    return out;
}

} // namespace simtool
