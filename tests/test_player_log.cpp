// What a player sees and can send: the log file beside the game, conflict
// lines that name the other module, the menu watch released without the
// shadow-pass site, and the settings file read again while the game runs
// (never a mix of two versions of it).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "body/draw_visibility.h"
#include "entry/plugin_entry.h"
#include "log/diagnostic_log.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "patch/place_check.h"
#include "platform/linux_host.h"
#include "platform/platform.h"
#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "settings/settings_check.h"
#include "sim/frame_driver.h"
#include "sim/other_plugins.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "tests/alloc_counter.h"
#include "tools/sim/settings/settings_report.h"
#include "view/view_state.h"

namespace {

constexpr uint32_t kForeign = 0x1F2A3B40;

void PutRelative(uint32_t at, uint8_t opcode, uint32_t target) {
    const uint32_t rel = target - (at + 5);
    *reinterpret_cast<uint8_t*>(at) = opcode;
    memcpy(reinterpret_cast<void*>(at + 1), &rel, 4);
}

std::string Windows(std::string p) {
    for (char& c : p) {
        if (c == '/') {
            c = '\\';
        }
    }
    return p;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

// A game folder of its own with the plug-in loaded through its entries, and
// the simulated game's standard frame.
class PlayerLog : public ::testing::Test {
  public:
    void WriteSettings(const std::string& text) const {
        EXPECT_EQ(0, system(("mkdir -p '" + root_ + "/Data/obse/plugins'").c_str()));
        std::ofstream(SettingsPath(), std::ios::binary) << text;
    }

  protected:
    PlayerLog() {
        char tmpl[] = "/tmp/lumenfold-log-XXXXXX";
        root_ = mkdtemp(tmpl);
        PlatformSetModuleFileName(Windows(root_ + "/Oblivion.exe").c_str());
        PlatformSetLocalTime(LocalTime{2026, 12, 8, 9, 5, 7});
        PlatformSetClock(100000);
        ResetViewState();
        ResetShadowBracket();
        SetDefaultSettings();
        PlatformTakeDebugOutput();
    }
    ~PlayerLog() override {
        CloseLogFile();
        PlatformUseRealLocalTime();
        PlatformUseRealClock();
        PlatformUnlockFiles();
        PlatformAfterProfileRead(nullptr, nullptr);
        std::string cmd = "chmod -R u+w '" + root_ + "'; rm -rf '" + root_ + "'";
        EXPECT_EQ(0, system(cmd.c_str()));
    }
    std::string SettingsPath() const { return root_ + "/Data/obse/plugins/OBSE_Lumenfold.ini"; }
    std::string LogText() const {
        std::ifstream in(root_ + "/OBSE_Lumenfold.log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> Log() const { return Lines(LogText()); }
    // Query and load, the host's first message, with standard output kept.
    bool Load() {
        PluginInfo info;
        testing::internal::CaptureStdout();
        const bool loaded = OBSEPlugin_Query(&host.record, &info) && OBSEPlugin_Load(&host.record);
        loadOutput = testing::internal::GetCapturedStdout();
        return loaded;
    }
    void Frame(sim::CameraSwitch change = sim::CameraSwitch::None) {
        sim::RunFrame(game, sim::StandardLoad(game), change);
    }

    std::string root_;
    sim::Game game;
    sim::Host host;
    std::string loadOutput;
};

// --- the log file -------------------------------------------------------------

TEST_F(PlayerLog, TheFirstLinesTellWhatRanAndWhatTheFileSaid) {
    WriteSettings("[Main]\r\nfCameraPosZ=16\r\nbEnableHeadBob=2\r\nfCamraPosZ=16\r\n"
                  "fCameraZOffset=1e400\r\nfCameraPosY=14.0\r\n");
    ASSERT_TRUE(Load());
    const std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 8u);
    EXPECT_EQ("Lumenfold " LF_RELEASE_VERSION " (plug-in version 1)", log[0]);
    EXPECT_EQ("script extender version 21, game version 010201A0 (1.2.0.416)", log[1]);
    EXPECT_EQ("started 2026-12-08 09:05:07", log[2]);
    EXPECT_EQ("settings file " + Windows(SettingsPath()) + ": found", log[3]);
    // Only the values that differ from their defaults, with the file's text.
    EXPECT_EQ("setting bEnableHeadBob = 2 (the file says \"2\")", log[4]);
    EXPECT_EQ("setting fCameraPosZ = 16 (the file says \"16\")", log[5]);
    EXPECT_EQ("warning: unknown key \"fCamraPosZ\" is ignored (did you mean fCameraPosZ?)", log[6]);
    EXPECT_EQ("warning: fCameraZOffset = \"1e400\" is too large for a number: it keeps its "
              "default 12.0",
              log[7]);
    // One line per place, the late site last, waiting for the first message.
    int places = 0;
    for (const std::string& l : log) {
        places += l.rfind("place 0x", 0) == 0;
    }
    EXPECT_EQ(kLoadHookCount + 2 + 1 + 3 + 1, places);
    EXPECT_TRUE(Has(log, "place 0x006650C9 frame start (core): written"));
    EXPECT_TRUE(Has(log, "place 0x00407519 shadow branch (shadow branch): off by its setting"));
    EXPECT_TRUE(Has(log, "place 0x009E8192 sitting look-down limit (sitting look-down): off: its "
                         "setting keeps the game's own value"));
    EXPECT_EQ("place 0x0040C91B shadow pass (shadow pass): checked; written on the host's first "
              "message",
              log.back());
    // The new lines are the file's alone; standard output keeps what it had.
    EXPECT_EQ("", loadOutput);
    host.Send(kMessagePostLoad);
    EXPECT_EQ("place 0x0040C91B shadow pass (shadow pass): written", Log().back());
    // Every line is written through at once: nothing waits in the process.
    const std::string before = LogText();
    host.Send(kMessagePostLoad);
    EXPECT_EQ(before, LogText());
}

TEST_F(PlayerLog, AMissingFileAndARefusedQueryAreInTheFile) {
    ASSERT_TRUE(Load());
    EXPECT_EQ("settings file " + Windows(SettingsPath()) +
                  ": not found; every setting has its default",
              Log()[3]);
    // The next start of the game makes the file anew: a refused query
    // leaves its reason in it.
    CloseLogFile();
    host.record.GameVersion = LF_GAME_VERSION + 1;
    PluginInfo info;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(OBSEPlugin_Query(&host.record, &info));
    testing::internal::GetCapturedStdout();
    const std::vector<std::string> log = Log();
    ASSERT_EQ(4u, log.size());
    EXPECT_EQ("script extender version 21, game version 010201A1", log[1]);
    EXPECT_EQ("incorrect Oblivion version (got 010201A1 need 010201A0)", log[3]);
}

// The settings checker shows what the plug-in uses and warns in its words:
// the log of a load and the checker's report of the same file agree.
TEST_F(PlayerLog, TheSettingsCheckerSaysWhatThePlugInUsesAndLogs) {
    const std::string text = "[Main]\r\nfCameraPosY=14,5\r\nbEnableHeadBob=yes\r\n"
                             "fCamraPosZ=16\r\nfCameraZOffset=1e400\r\niRecordFrames=9999\r\n"
                             "bFirstPersonDeath=4294967297\r\n";
    WriteSettings(text);
    ASSERT_TRUE(Load());
    const std::vector<std::string> log = Log();
    EXPECT_TRUE(Has(log, "warning: fCameraPosY = \"14,5\" reads only as 14 (the rest, \",5\", "
                         "is ignored)"));
    EXPECT_TRUE(Has(log, "warning: bEnableHeadBob = \"yes\" is not a number: it reads as 0"));
    const simtool::SettingsReport report = simtool::CheckSettingsFile(SettingsPath(), text);
    // Every warning of the log about the file, in the report with its line.
    int warnings = 0;
    for (const std::string& l : log) {
        const bool warning = l.rfind("warning: ", 0) == 0;
        const bool range = l.rfind("iRecordFrames = ", 0) == 0;
        if (!warning && !range) {
            continue;
        }
        ++warnings;
        const std::string words = l.substr(warning ? 9 : 0);
        bool found = false;
        for (const std::string& w : report.warnings) {
            found = found || (w.size() > words.size() &&
                              w.compare(w.size() - words.size(), words.size(), words) == 0 &&
                              w.rfind("line ", 0) == 0);
        }
        EXPECT_TRUE(found) << l;
    }
    EXPECT_EQ(6, warnings);
    EXPECT_EQ(report.warnings.size(), static_cast<size_t>(warnings));
    // Every value as the plug-in holds it, iRecordFrames as its recorder
    // reserved room for.
    for (int i = 0; i < kSettingsKeyCount; ++i) {
        const SettingsKey& k = kSettingsKeys[i];
        char value[32];
        if (k.isFloat) {
            FloatForPlayer(*SettingsFloat(&Settings, k), value, sizeof value);
        } else if (k.offset == offsetof(SettingsRecord, iRecordFrames)) {
            snprintf(value, sizeof value, "%u", RecordingCapacity() / kRecordingBytesPerFrame);
        } else {
            snprintf(value, sizeof value, "%d", static_cast<int>(*SettingsInteger(&Settings, k)));
        }
        EXPECT_EQ(std::string(k.name) + " = " + value, report.values[static_cast<size_t>(i)]);
    }
    EXPECT_EQ("fCameraZOffset = 12", report.values[23]);
    EXPECT_EQ("iRecordFrames = 3600", report.values[28]);
}

// A protected folder or a file held by another program: the plug-in works as
// before, and says so once on the debugger channel.
TEST_F(PlayerLog, WithoutAWritableFileThePlugInWorksAsBefore) {
    PlatformLockFile(root_ + "/OBSE_Lumenfold.log");
    ASSERT_TRUE(Load());
    EXPECT_FALSE(LogFileOpen());
    EXPECT_EQ("Lumenfold: the log file OBSE_Lumenfold.log cannot be written in the game's folder; "
              "Lumenfold works without it\n",
              PlatformTakeDebugOutput());
    host.Send(kMessagePostLoad);
    Frame();
    EXPECT_EQ(0.0f, game.bodyHead->node.WorldScale); // the frame ran as ever
    EXPECT_EQ("", PlatformTakeDebugOutput());
}

// Any bytes in the settings file: every line of the log stays short, and
// what it quotes of the file is cut.
TEST_F(PlayerLog, OddSettingsFilesGiveShortLines) {
    std::string text = "[Main]\r\n" + std::string(5000, 'k') +
                       "=1\r\nfCameraPosY=" + std::string(3000, '7') +
                       "\r\nbEnableHeadFirstPerson=5\x01\x02" + std::string(500, 'x') + "\r\n";
    for (int i = 0; i < 40; ++i) {
        text += "junk" + std::to_string(i) + "=1\r\n";
    }
    text += std::string(1 << 20, '\0');
    WriteSettings(text);
    ASSERT_TRUE(Load());
    std::vector<std::string> log = Log();
    for (const std::string& l : log) {
        EXPECT_LE(l.size(), static_cast<size_t>(kLogFileLineLimit)) << l.substr(0, 80);
    }
    EXPECT_TRUE(Has(log, "setting bEnableHeadFirstPerson = 5 (the file says \"5??" +
                             std::string(57, 'x') + "...\")"));
    EXPECT_TRUE(Has(log, "warning: unknown key \"" + std::string(60, 'k') + "...\" is ignored"));
    EXPECT_TRUE(Has(log, "warning: 21 more unknown keys are ignored"));
    EXPECT_TRUE(Has(log, "warning: fCameraPosY = \"" + std::string(60, '7') +
                             "...\" is too large for a number: it keeps its default 14.0"));

    // A key longer than the list the plug-in looks through: what fits is
    // checked, and the rest is said to be unchecked.
    CloseLogFile();
    WriteSettings("[Main]\nfCameraPosZ=3\nmisspelt=1\n" + std::string(100000, 'q') + "=1\n");
    ASSERT_TRUE(Load());
    log = Log();
    EXPECT_TRUE(Has(log, "warning: unknown key \"misspelt\" is ignored"));
    EXPECT_TRUE(Has(log, "warning: [Main] holds more keys than Lumenfold looks through; the last "
                         "ones were not checked"));
    EXPECT_EQ(3.0f, Settings.fCameraPosZ);
}

// --- conflicts name the other module ---------------------------------------------

TEST_F(PlayerLog, AConflictNamesTheModuleThatHoldsTheDetour) {
    void* other = dlopen(LF_OTHER_MODULE, RTLD_NOW);
    ASSERT_NE(nullptr, other) << dlerror();
    const uint32_t detour = reinterpret_cast<uint32_t>(dlsym(other, "OtherPluginDetour"));
    ASSERT_NE(0u, detour);
    // A jump at a sitting site, and an indirect jump through a readable
    // pointer at a chase-distance store, both into the other library.
    static uint32_t pointer;
    pointer = detour;
    PutRelative(LF_SITE_SWITCH_SIT_A, 0xE9, detour);
    const uint8_t indirect[6] = {0xFF, 0x25};
    memcpy(reinterpret_cast<void*>(LF_SITE_CHASE_B), indirect, 2);
    const uint32_t cell = reinterpret_cast<uint32_t>(&pointer);
    memcpy(reinterpret_cast<void*>(LF_SITE_CHASE_B + 2), &cell, 4);
    ASSERT_TRUE(Load());
    char want[512];
    snprintf(want, sizeof want,
             "site 0x0066CEEE (camera switch, sitting) holds a jump to 0x%08X into "
             "OtherPlugin.dll that is not the game's: first person is not kept while sitting",
             detour);
    EXPECT_EQ(0u, loadOutput.find(want)) << loadOutput;
    snprintf(want, sizeof want,
             "site 0x0066CED2 (chase distance) holds an indirect jump through 0x%08X to 0x%08X "
             "into OtherPlugin.dll that is not the game's",
             cell, detour);
    EXPECT_NE(std::string::npos, loadOutput.find(want)) << loadOutput;
    // The same text on the debugger channel and in the log file.
    const std::string debug = PlatformTakeDebugOutput();
    EXPECT_NE(std::string::npos, debug.find(want));
    snprintf(want, sizeof want,
             "place 0x0066CEEE camera switch, sitting (sitting): left out: holds a jump to 0x%08X "
             "into OtherPlugin.dll that is not the game's (found: E9",
             detour);
    bool found = false;
    for (const std::string& l : Log()) {
        found = found || l.rfind(want, 0) == 0;
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(Has(Log(), "place 0x0066CF5D camera switch, sitting (sitting): left out with its "
                           "group"));
    dlclose(other);
}

// An indirect jump into a module of a long name: the line at load (the
// shadow-pass place, left out) and the line of a place written over after
// the load name the module the same way, and the log file keeps both whole.
TEST_F(PlayerLog, ConflictLinesNameTheModuleAtLoadAndAfterAndStayWhole) {
    const std::string copy = root_ + "/ThisPluginHasAVeryLongFileNameIndeedForSure.dll";
    ASSERT_EQ(0, system(("cp '" + std::string(LF_OTHER_MODULE) + "' '" + copy + "'").c_str()));
    void* other = dlopen(copy.c_str(), RTLD_NOW);
    ASSERT_NE(nullptr, other) << dlerror();
    static uint32_t pointer;
    pointer = reinterpret_cast<uint32_t>(dlsym(other, "OtherPluginDetour"));
    const uint32_t cell = reinterpret_cast<uint32_t>(&pointer);
    const auto jumpThrough = [cell](uint32_t site) {
        const uint8_t indirect[2] = {0xFF, 0x25};
        memcpy(reinterpret_cast<void*>(site), indirect, 2);
        memcpy(reinterpret_cast<void*>(site + 2), &cell, 4);
    };
    jumpThrough(LF_SITE_SHADOW_PASS);
    ASSERT_TRUE(Load());
    jumpThrough(LF_SITE_DRAW_C); // another module, after the load
    testing::internal::CaptureStdout();
    host.Send(kMessagePostLoad);
    const std::string after = testing::internal::GetCapturedStdout();
    char detour[160];
    snprintf(
        detour, sizeof detour,
        "an indirect jump through 0x%08X to 0x%08X into ThisPluginHasAVeryLongFileNameIndeedForS..."
        " that is not the game's",
        cell, pointer);
    EXPECT_NE(std::string::npos,
              loadOutput.find(std::string("site 0x0040C91B (shadow pass) holds ") + detour))
        << loadOutput;
    EXPECT_NE(std::string::npos,
              after.find(std::string("site 0x0065775B (double draw) no longer holds what Lumenfold "
                                     "wrote there: another module wrote over it after Lumenfold "
                                     "loaded; it holds ") +
                         detour + "; the body is not drawn in first person (found: FF 25"))
        << after;
    int whole = 0;
    for (const std::string& l : Log()) {
        if (l.find(detour) != std::string::npos) {
            ++whole;
            EXPECT_EQ(std::string::npos, l.find("...", l.size() - 3)) << l;
            EXPECT_NE(std::string::npos, l.find("(found: FF 25")) << l;
        }
    }
    EXPECT_GE(whole, 2);
    dlclose(other);
}

// The three redirected reads hold data: an address of the game whose bytes
// look like a jump or an indirect jump is still the game's own.
TEST_F(PlayerLog, OperandPlacesAreJudgedByTheAddressAlone) {
    WriteSettings("[Main]\nfSittingMaxLookingDownOverride=30\nfMountedMaxLookingDownOverride=30\n");
    const uint32_t jumpLike = 0x00B400E8, indirectLike = 0x00B425FF;
    memcpy(reinterpret_cast<void*>(LF_OPERAND_SITTING_LOOK_DOWN), &jumpLike, 4);
    memcpy(reinterpret_cast<void*>(LF_OPERAND_MOUNTED_LOOK_DOWN), &indirectLike, 4);
    ASSERT_TRUE(Load());
    EXPECT_EQ("", loadOutput);
    EXPECT_EQ(30.0f, Settings.fSittingMaxLookingDownOverride);
    EXPECT_EQ(30.0f, Settings.fMountedMaxLookingDownOverride);
    // The operand lies at no word boundary: read as bytes.
    uint32_t operand = 0;
    memcpy(&operand, reinterpret_cast<const void*>(LF_OPERAND_SITTING_LOOK_DOWN), 4);
    EXPECT_EQ(reinterpret_cast<uint32_t>(&Settings.fSittingMaxLookingDownOverride), operand);
}

// --- the menu watch without the shadow-pass site ----------------------------------

class MenuWithoutLateSite : public PlayerLog {
  protected:
    // Sitting down (the game's switch to its third-person camera, kept in
    // first person: without the shadow pass's second half the body view
    // keeps only such states): the camera is anchored to the head, except
    // while a watched menu is open; the conversation menu opens for a frame,
    // then closes.
    void TalkAndClose() {
        game.process->obj.SitState = kSitStateSeated;
        game.player->obj.ThirdPerson = 1;
        game.cameraPlacement = {50, 60, 70}; // where the game puts its camera
        Frame(sim::CameraSwitch::Sitting);
        EXPECT_EQ(kForcedModeKeep, ForcedBodyMode);
        Frame();
        const Vector3 placed = game.camera->node.LocalTranslation;
        EXPECT_NE(70.0f, placed.z); // at the head
        game.interface->menuModeActive = 1;
        game.interface->openMenu1009 = 1;
        Frame();
        EXPECT_EQ(1, WatchedMenuOpen);
        EXPECT_TRUE((game.bodyRoot->node.Flags & kNodeHiddenBit) != 0);
        EXPECT_EQ(70.0f, game.camera->node.LocalTranslation.z); // left where the game put it
        game.interface->menuModeActive = 0;
        game.interface->openMenu1009 = 0;
        Frame(); // the first frame after the menu closed
        EXPECT_EQ(0, WatchedMenuOpen);
        EXPECT_FALSE((game.bodyRoot->node.Flags & kNodeHiddenBit) != 0);
        EXPECT_EQ(placed.z, game.camera->node.LocalTranslation.z); // at the head again
    }
};

TEST_F(MenuWithoutLateSite, ALateSiteHeldByAnotherModuleIsKnownAtLoad) {
    PutRelative(LF_SITE_SHADOW_PASS, 0xE9, kForeign);
    ASSERT_TRUE(Load());
    // Logged at once, at load, and not again on the first message.
    EXPECT_EQ("site 0x0040C91B (shadow pass) holds a jump to 0x1F2A3B40 into memory of no module "
              "that is not the game's: the body is not made whole for its shadow, and the body "
              "view steps aside in plain first person, where the head and arms would show from "
              "inside (found: E9 20 72 E9 1E)\n",
              loadOutput);
    testing::internal::CaptureStdout();
    host.Send(kMessagePostLoad);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0xE9, *reinterpret_cast<const uint8_t*>(LF_SITE_SHADOW_PASS));
    // The game's shadow pass runs through the other module's code here: the
    // simulated game cannot follow it, so its site is the game's own again.
    PutRelative(LF_SITE_SHADOW_PASS, 0xE8, LF_ADDR_SCENE_PASS_ROUTINE);
    TalkAndClose();
}

// Written on the first message, then written over by another module (here
// with the game's own call again, which the simulated game can follow): the
// next camera update finds it, says so once, and releases the menu watch from
// then on.
TEST_F(MenuWithoutLateSite, ALateSiteWrittenOverAfterwardsIsFoundAtTheCameraUpdate) {
    ASSERT_TRUE(Load());
    host.Send(kMessagePostLoad);
    ASSERT_EQ(0xE9, *reinterpret_cast<const uint8_t*>(LF_SITE_SHADOW_PASS));
    EXPECT_EQ(0, FrameChoresAtCamera);
    PutRelative(LF_SITE_SHADOW_PASS, 0xE8, LF_ADDR_SCENE_PASS_ROUTINE);
    testing::internal::CaptureStdout();
    Frame();
    Frame();
    EXPECT_EQ("site 0x0040C91B (shadow pass) no longer holds what Lumenfold wrote there: another "
              "module wrote over it after Lumenfold loaded; the body is not made whole for its "
              "shadow, and the body view steps aside in plain first person, where the head and "
              "arms would show from inside (found: E8 B0 AA FF FF)\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(1, FrameChoresAtCamera);
    EXPECT_EQ(0, Settings.bFirstPersonShadows);
    TalkAndClose();
}

TEST_F(MenuWithoutLateSite, AHostWithoutMessagesStillReleasesTheWatch) {
    host.offerMessaging = false;
    ASSERT_TRUE(Load());
    EXPECT_EQ(0xE8, *reinterpret_cast<const uint8_t*>(LF_SITE_SHADOW_PASS));
    TalkAndClose();
}

// --- plug-ins known to hold the shadow pass's place --------------------------------

// Trifle's first-person shadow and the stutter remover's profiling write
// their jump at the shadow pass's call after Lumenfold loaded: the host's
// first message finds it, the line names the plug-in's library and says
// what to change; the body view steps aside in plain first person, and keeps
// a sitting view, which the shadow pass's second half never touched.
class KnownPlugin : public PlayerLog {
  protected:
    void Check(sim::OtherPlugin which, uint32_t standIn, const std::string& words) {
        ASSERT_TRUE(Load());
        sim::InstallOtherPlugin(which);
        testing::internal::CaptureStdout();
        host.Send(kMessagePostLoad);
        const std::string said = testing::internal::GetCapturedStdout();
        char start[96];
        snprintf(start, sizeof start, "site 0x0040C91B (shadow pass) holds a jump to 0x%08X ",
                 standIn);
        EXPECT_EQ(std::string(start) + words + "\n", said);
        EXPECT_TRUE(Has(Log(), std::string(start) + words)) << "and in the log file";

        // Plain first person: the game's own, the body's shadow the other
        // plug-in's; sitting (kept in first person): the body view.
        const int before = sim::OtherPluginPasses(which);
        Frame();
        EXPECT_EQ(before + 1, sim::OtherPluginPasses(which));
        EXPECT_FALSE(game.view.bodyDrawn);
        EXPECT_TRUE(game.view.firstPersonDrawn);
        EXPECT_NE(0.0f, game.view.headScale);
        EXPECT_EQ(game.cameraPlacement.z, game.view.cameraTranslation.z);
        game.process->obj.SitState = kSitStateSeated;
        game.player->obj.ThirdPerson = 1;
        Frame(sim::CameraSwitch::Sitting);
        EXPECT_TRUE(game.view.bodyDrawn);
        EXPECT_NE(game.cameraPlacement.z, game.view.cameraTranslation.z) << "at the head";
    }
};

TEST_F(KnownPlugin, Trifle) {
    Check(sim::OtherPlugin::Trifle, 0x00C00000,
          "into Trifle.dll that is not the game's: Trifle's first-person shadow holds it: the "
          "body view steps aside in plain first person, where the head and arms would show from "
          "inside; for the body view set [Graphics::Player] EnableFirstPersonShadow=0 in Trifle's "
          "settings (found: E9 E0 36 7F 00)");
}

TEST_F(KnownPlugin, TheStutterRemover) {
    Check(sim::OtherPlugin::StutterRemover, 0x00C00100,
          "into sr_Oblivion_Stutter_Remover.dll that is not the game's: the stutter remover's "
          "profiling holds it: the body view steps aside in plain first person, where the head "
          "and arms would show from inside; for the body view turn the stutter remover's "
          "profiling off in its settings (it is off by default) (found: E9 E0 37 7F 00)");
}

// --- reading the file again -------------------------------------------------------

class Rereading : public PlayerLog {
  protected:
    // Rewrites the settings file after the n-th profile read (every read
    // from then on when `again`).
    struct Rewrite {
        PlayerLog* test;
        int after;
        bool again;
        std::string text;
        int reads = 0;
    };
    static void OnRead(void* context) {
        Rewrite* r = static_cast<Rewrite*>(context);
        if (++r->reads == r->after || (r->again && r->reads > r->after)) {
            // Another length each time: a new version of the file.
            r->text += "\n";
            r->test->WriteSettings(r->text);
        }
    }
    void SendGameLoaded() {
        testing::internal::CaptureStdout();
        host.Send(kMessageGameLoaded);
        messageOutput = testing::internal::GetCapturedStdout();
    }
    std::string messageOutput;
};

// A reload never takes the first keys from one version of the file and the
// last from another.
TEST_F(Rereading, AFileSavedWhileItIsReadIsReadAgainWhole) {
    WriteSettings("[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=20\nfCameraPosZ=7\n");
    ASSERT_TRUE(Load());
    WriteSettings("[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=21\nfCameraPosZ=8\n");
    // fCameraPosY is the 20th key read, fCameraPosZ the 21st: the file
    // changes between the two.
    Rewrite rewrite = {this, 20, false,
                       "[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=30\nfCameraPosZ=9\n"};
    PlatformAfterProfileRead(OnRead, &rewrite);
    SendGameLoaded();
    EXPECT_EQ(30.0f, Settings.fCameraPosY);
    EXPECT_EQ(9.0f, Settings.fCameraPosZ);
    EXPECT_GE(rewrite.reads, 2 * kSettingsKeyCount);

    // A file that never holds still: the running values stay, and it says so.
    Rewrite always = {this, 3, true, "[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=40\n"};
    PlatformAfterProfileRead(OnRead, &always);
    SendGameLoaded();
    EXPECT_EQ("the settings file kept changing while it was read: every setting keeps its "
              "current value\n",
              messageOutput);
    EXPECT_EQ(30.0f, Settings.fCameraPosY);
    EXPECT_EQ(9.0f, Settings.fCameraPosZ);
    EXPECT_GE(always.reads, kSettingsReadAttempts * kSettingsKeyCount);
}

// With bReloadSettingsOnChange at 1 a saved file is read again at the start
// of the first frame a second after the last look; nothing of the game's
// code is written for it.
TEST_F(Rereading, TheWatchReloadsAChangedFileWithinASecond) {
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=6\n");
    ASSERT_TRUE(Load());
    host.Send(kMessagePostLoad);
    Frame();
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=16\n");
    PlatformClearProtectCalls();
    PlatformSetClock(100999); // not yet a second since the load looked
    Frame();
    EXPECT_EQ(6.0f, Settings.fCameraPosZ);
    PlatformSetClock(101000);
    Frame();
    EXPECT_EQ(16.0f, Settings.fCameraPosZ);
    EXPECT_EQ("fCameraPosZ 6 -> 16", Log().back());
    EXPECT_EQ(0, PlatformProtectCallCount());

    // A key that decides a patch keeps its value; the change is told.
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=16\nbFirstPersonShadows=1\n");
    PlatformSetClock(102000);
    testing::internal::CaptureStdout();
    Frame();
    EXPECT_EQ("bFirstPersonShadows changed in the file: takes effect at the next start of the "
              "game\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(0, Settings.bFirstPersonShadows);
    EXPECT_EQ(0, PlatformProtectCallCount());

    // Deleted while watched, then a folder in its place: the values stay,
    // and it is told once, not every second.
    ASSERT_EQ(0, unlink(SettingsPath().c_str()));
    PlatformSetClock(103000);
    testing::internal::CaptureStdout();
    Frame();
    PlatformSetClock(104000);
    Frame();
    ASSERT_EQ(0, mkdir(SettingsPath().c_str(), 0700));
    PlatformSetClock(105000);
    Frame();
    EXPECT_EQ("the settings file cannot be read: every setting keeps its current value\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(16.0f, Settings.fCameraPosZ);
    ASSERT_EQ(0, rmdir(SettingsPath().c_str()));
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=4\n");
    PlatformSetClock(106000);
    Frame();
    EXPECT_EQ(4.0f, Settings.fCameraPosZ);
}

// A changed file that cannot be opened (an editor holds it) is tried once
// and told once, not at every look: it is read again when it is saved again
// (its time or size changes), not when it is merely let go. One that kept
// changing through the three reads is read again once it holds still.
TEST_F(Rereading, TheWatchTellsAFailedReadingOnceAndReadsAgainWhenItCan) {
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=6\n");
    ASSERT_TRUE(Load());
    host.Send(kMessagePostLoad);
    Frame();
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=16\n");
    PlatformLockFile(SettingsPath());
    int reads = 0;
    PlatformAfterProfileRead([](void* n) { ++*static_cast<int*>(n); }, &reads);
    testing::internal::CaptureStdout();
    std::vector<int> readsAtLook;
    for (uint32_t t = 101000; t <= 105000; t += 1000) {
        PlatformSetClock(t);
        Frame();
        readsAtLook.push_back(reads);
    }
    EXPECT_EQ("the settings file cannot be read: every setting keeps its current value\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(6.0f, Settings.fCameraPosZ);
    ASSERT_GT(readsAtLook[0], 0); // the first look tried it
    EXPECT_EQ(std::vector<int>(5, readsAtLook[0]), readsAtLook); // the four after it did not
    PlatformUnlockFiles();
    PlatformSetClock(106000);
    Frame();
    EXPECT_EQ(readsAtLook[0], reads); // let go, not changed: not read
    EXPECT_EQ(6.0f, Settings.fCameraPosZ);
    PlatformAfterProfileRead(nullptr, nullptr);
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=16.0\n"); // saved again
    PlatformSetClock(107000);
    Frame();
    EXPECT_EQ(16.0f, Settings.fCameraPosZ);

    // Saved again and again while the watch reads it, then left alone.
    WriteSettings("[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=8\n");
    Rewrite always = {this, 3, true, "[Main]\nbReloadSettingsOnChange=1\nfCameraPosZ=9\n"};
    PlatformAfterProfileRead(OnRead, &always);
    PlatformSetClock(108000);
    testing::internal::CaptureStdout();
    Frame();
    EXPECT_EQ("the settings file kept changing while it was read: every setting keeps its "
              "current value\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(16.0f, Settings.fCameraPosZ);
    PlatformAfterProfileRead(nullptr, nullptr);
    PlatformSetClock(109000);
    Frame();
    EXPECT_EQ(9.0f, Settings.fCameraPosZ);
}

// At 0 the frame does not look at the file.
TEST_F(Rereading, WithoutTheWatchTheFrameTouchesNoFile) {
    WriteSettings("[Main]\nfCameraPosZ=6\n");
    ASSERT_TRUE(Load());
    host.Send(kMessagePostLoad);
    int calls = 0;
    PlatformBracketCalls([](bool entering, void* n) { *static_cast<int*>(n) += entering; }, &calls);
    WriteSettings("[Main]\nfCameraPosZ=16\n");
    PlatformSetClock(500000);
    Frame();
    PlatformBracketCalls(nullptr, nullptr);
    EXPECT_EQ(0, calls);
    EXPECT_EQ(6.0f, Settings.fCameraPosZ);
}

} // namespace

namespace {

// The recording through the plug-in's own entries: reserved at load from the
// settings file, written on a saved game with a line naming the file; a size
// out of range takes the nearest bound with a line; 0 records nothing.
TEST_F(PlayerLog, ASavedGameWritesTheRecordingAndTheLogNamesIt) {
    WriteSettings("[Main]\niRecordFrames=10\n");
    ASSERT_TRUE(Load());
    host.Send(kMessagePostLoad);
    const sim::FrameLoad load = sim::StandardLoad(game);
    sim::RunFrame(game, load, sim::CameraSwitch::None);
    // The frames are kept in the room reserved at load.
    EXPECT_EQ(0, AllocationsDuring([&] {
                  sim::RunFrame(game, load, sim::CameraSwitch::None);
                  sim::RunFrame(game, load, sim::CameraSwitch::None);
              }));
    EXPECT_EQ(3, RecordedFrameCount());
    testing::internal::CaptureStdout();
    host.Send(kMessageGameSaved);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    const std::string name = "OBSE_Lumenfold-20261208-090507.rec";
    EXPECT_EQ("recording written: " + name + " (3 frames, at a saved game)", Log().back());
    struct stat st;
    ASSERT_EQ(0, stat((root_ + "/" + name).c_str(), &st));
    EXPECT_GT(st.st_size, 0);
}

TEST_F(PlayerLog, ARecordingSizeOutOfRangeTakesTheNearestBound) {
    WriteSettings("[Main]\niRecordFrames=9999\n");
    ASSERT_TRUE(Load());
    EXPECT_TRUE(Has(Log(), "iRecordFrames = 9999 is out of its range 1 to 3600: 3600 frames are "
                           "recorded"));
    EXPECT_EQ(3600u * kRecordingBytesPerFrame, RecordingCapacity());
    ReserveRecording(-4, 0, 0);
    EXPECT_EQ("iRecordFrames = -4 is out of its range 1 to 3600: 1 frame is recorded",
              Log()[Log().size() - 2]);
    EXPECT_TRUE(RecordingFrames());
    ReserveRecording(0, 0, 0);
}

TEST_F(PlayerLog, NoRecordingAtZero) {
    WriteSettings("[Main]\n");
    ASSERT_TRUE(Load());
    EXPECT_FALSE(RecordingFrames());
    host.Send(kMessagePostLoad);
    Frame();
    host.Send(kMessageGameSaved);
    EXPECT_EQ(std::string::npos, LogText().find("recording"));
}

} // namespace
