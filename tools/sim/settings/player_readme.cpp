#include "tools/sim/settings/player_readme.h"

#include "settings/settings.h"
#include "tools/sim/settings/default_settings.h"
#include "tools/sim/settings/text_wrap.h"

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
    "Lumenfold writes OBSE_Lumenfold.log beside it, anew at every start: its version, the "
    "settings it read (every value that is not the default, with what the file says), "
    "warnings about the file, and a line for every place of the game's code it patched or "
    "left alone. You can open it while the game runs.",
    "Lumenfold's errors also go to the system's debugger channel: a debug viewer such as "
    "DebugView shows them while the game runs, each beginning with \"Lumenfold:\". Where the "
    "game's folder cannot be written (a protected install folder), that is the only place "
    "they go.",
};

const char* const kLines[][2] = {
    {"OBSE version too old (got ... expected at least 00000014)",
     "The script extender is older than version 20. Update it."},
    {"incorrect Oblivion version (got ... need 010201A0)",
     "The game is not version 1.2.0.416. Patch the game."},
    {"site 0x... (...) holds a jump to 0x... into OtherPlugin.dll that is not the game's: "
     "Lumenfold stays off, nothing was patched",
     "Another plug-in (the line names its library) has patched a place that Lumenfold needs "
     "for everything. Lumenfold changed nothing, and obse.log lists it as not loaded. Remove "
     "one of the two plug-ins."},
    {"site 0x... (...) holds ... that is not the game's: the chase distance is not kept",
     "(Or another feature in place of the chase distance.) Another plug-in has patched a place "
     "of one feature. Only that feature is off; the rest works."},
    {"site 0x... (...) no longer holds what Lumenfold wrote there: another module wrote over "
     "it after Lumenfold loaded; ...",
     "A plug-in loaded after Lumenfold has patched the same place. The named feature may not "
     "work; remove one of the two plug-ins."},
    {"site 0x0040C91B (shadow pass) holds a jump to 0x... into Trifle.dll that is not the "
     "game's: Trifle's first-person shadow holds it: ...",
     "Trifle's first-person shadow holds the place where Lumenfold hides the head and arms "
     "from the view after the shadow pass. The body's shadow is Trifle's, and in plain first "
     "person Lumenfold's body view steps aside (sitting, lying, knocked out and the other kept "
     "states still show the body). For the whole body view set EnableFirstPersonShadow=0 in "
     "Trifle's settings (section [Graphics::Player]): Lumenfold then draws the body's shadow "
     "itself."},
    {"site 0x0040C91B (shadow pass) holds a jump to 0x... into "
     "sr_Oblivion_Stutter_Remover.dll that is not the game's: the stutter remover's profiling "
     "holds it: ...",
     "The stutter remover's profiling option (off by default) holds the same place. Turn its "
     "profiling off in its settings for the whole body view."},
    {"place 0x... (...): left out: ...",
     "In OBSE_Lumenfold.log: the place, and the feature it belongs to, that Lumenfold left to "
     "another plug-in (the error line above it says which)."},
    {"warning: unknown key \"fCamraPosZ\" is ignored (did you mean fCameraPosZ?)",
     "In OBSE_Lumenfold.log: the settings file has a key Lumenfold does not know, often a "
     "misspelt one; the line names the known key nearest in spelling, if one is near. Correct "
     "its name."},
    {"warning: fCameraPosZ = \"1e400\" is too large for a number: it keeps its default 6.0",
     "In OBSE_Lumenfold.log: a value too large to be used. Write a smaller number."},
    {"warning: fCameraPosY = \"14,5\" reads only as 14 (the rest, \",5\", is ignored)\", or: "
     "\"warning: bEnableHeadBob = \"yes\" is not a number: it reads as 0",
     "In OBSE_Lumenfold.log: Lumenfold uses another value than the file seems to say (a "
     "decimal point is a \".\"; a \";\" after a value is part of it; switches are whole "
     "numbers). Write the number alone."},
    {"... changed in the file: takes effect at the next start of the game",
     "The file was read again while the game runs, and a switch that decides what "
     "Lumenfold changes in the game's code is different now. Restart the game for it."},
    {"the settings file cannot be read: every setting keeps its current value",
     "The file was missing or locked when it was to be read again. Save it again (or load a "
     "saved game once more)."},
    {"the settings file kept changing while it was read: every setting keeps its current value",
     "The file was being saved while Lumenfold read it, three times over. Save it once more."},
    {"fCameraPosZ 6 -> 16",
     "In OBSE_Lumenfold.log: a value that changed when the file was read again."},
    {"recording written: OBSE_Lumenfold-20261208-214501.rec (600 frames, at a saved game)",
     "In OBSE_Lumenfold.log: with iRecordFrames set, the game was saved and the last frames "
     "went to that file. Send it with your report. (A file named OBSE_Lumenfold-exit-... holds "
     "the frames before you left the game.)"},
    {"recording: ... cannot be written in the game's folder; the recording is lost",
     "The game's folder cannot be written (or the file is locked). The game goes on; send the "
     "log file alone, or play from a folder you can write to."},
    {"recording: ... could not be written whole (is the disk full?); the recording is lost",
     "Make room on the disk; the next save writes a new recording."},
    {"iRecordFrames = 9999 is out of its range 1 to 3600: 3600 frames are recorded",
     "In OBSE_Lumenfold.log: write a number from 1 to 3600."},
    {"recording: ... bytes of memory for ... frames cannot be had; nothing is recorded",
     "The computer could not spare the memory for the frames iRecordFrames asks for: the "
     "game goes on without a recording. Ask for fewer frames."},
    {"at this saved game the body view is held off by \"...\": a plug-in that does not give "
     "its tag back keeps it off",
     "In OBSE_Lumenfold.log: another plug-in (a camera or dialogue mod; the line gives its "
     "tag) asked Lumenfold to step aside and has not given the body view back. If the body "
     "stays away after its camera is done, tell that plug-in's author."},
};

const char* const kReporting[] = {
    "If something looks wrong, or Lumenfold does not load, send these files with your "
    "report, and say what you did and what you saw:",
};
const char* const kReportFiles[] = {
    "- obse.log, in the game's folder (beside Oblivion.exe);",
    "- OBSE_Lumenfold.log, in the same folder (from the start of the game that went wrong: "
    "it is made anew at every start);",
    "- your settings file, Data\\OBSE\\Plugins\\OBSE_Lumenfold.ini.",
};
const char* const kRecordingAdvice =
    "For a wrong pose or a wrong camera, send a recording too: set iRecordFrames=600 in the "
    "settings file, start the game, play until the problem shows and save the game at once. "
    "Lumenfold then writes its last 600 frames (ten seconds or more, by your frame rate) to "
    "OBSE_Lumenfold-DATE-TIME.rec in the game's folder; send the newest one (not one named "
    "OBSE_Lumenfold-exit-...: quitting the game afterwards keeps the save's). The developers "
    "play it again in their simulated game and see exactly what Lumenfold saw and did. Set "
    "iRecordFrames back to 0 afterwards: recording costs memory and a little time in every "
    "frame.";

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
    out += Item("- The game Oblivion at version 1.2.0.416 (the last official patch): the "
                "original game of 2006. Lumenfold is not for the remastered edition of 2025 "
                "(Oblivion Remastered), which has its own 64-bit script extender.");
    out += Item("- The Oblivion Script Extender (OBSE) at version 20 or newer.");
    out += Heading("INSTALLING");
    out += InstallingSection();
    out += Heading("SETTINGS");
    out += Paragraph(
        "The settings file is Data\\OBSE\\Plugins\\OBSE_Lumenfold.ini. Switches (b...) are whole "
        "numbers; the other values (f...) are numbers, distances in game units. Change a value, "
        "save the file and restart the game; or set bReloadSettingsOnChange=1, and every time "
        "you save the file the game takes its values within a second; or set "
        "bReloadSettingsOnGameLoad=1 and load a saved game.");
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
    out += Heading("REPORTING A PROBLEM");
    for (const char* p : kReporting) {
        out += Paragraph(p);
    }
    for (const char* f : kReportFiles) {
        out += Item(f);
    }
    out += "\r\n" + Paragraph(kRecordingAdvice);
    out += Heading("UNINSTALLING");
    out += Paragraph(
        "With an installer, uninstall or disable the package. By hand, delete "
        "Data\\OBSE\\Plugins\\OBSE_Lumenfold.dll, Data\\OBSE\\Plugins\\OBSE_Lumenfold.ini and "
        "Data\\Docs\\Lumenfold Readme.txt. Lumenfold writes nothing on disk but its log file "
        "and, if you asked for them, its recordings beside the game (which you may delete); a "
        "saved game keeps nothing of it.");
    return out;
}

} // namespace simtool
