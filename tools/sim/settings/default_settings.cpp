#include "tools/sim/settings/default_settings.h"

#include <string.h>

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

} // namespace

const char* SettingDescription(const char* key) {
    for (const Description& d : kDescriptions) {
        if (strcmp(d.key, key) == 0) {
            return d.text;
        }
    }
    return "";
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
