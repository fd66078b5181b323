// The settings file: defaults, each reading rule of the Windows calls, the
// float texts, and the bounds of the path.
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "entry/plugin_entry.h"
#include "platform/linux_host.h"
#include "platform/platform.h"
#include "platform/profile_file.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "tests/alloc_counter.h"

namespace {

// A game folder in a temporary directory, with the executable path that the
// platform reports pointing into it.
class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lumenfold-settings-XXXXXX";
        root_ = mkdtemp(tmpl);
        SetExecutable(root_ + "/Oblivion.exe");
        memset(&Settings, 0x5A, sizeof Settings);
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + root_ + "'";
        ASSERT_EQ(0, system(cmd.c_str()));
    }
    static std::string Windows(std::string p) {
        for (char& c : p) {
            if (c == '/') {
                c = '\\';
            }
        }
        return p;
    }
    void SetExecutable(const std::string& linuxPath) {
        PlatformSetModuleFileName(Windows(linuxPath).c_str());
    }
    void Write(const std::string& text) {
        const std::string dir = root_ + "/Data/obse/plugins";
        ASSERT_EQ(0, system(("mkdir -p '" + dir + "'").c_str()));
        FILE* f = fopen((dir + "/OBSE_Lumenfold.ini").c_str(), "wb");
        ASSERT_NE(nullptr, f);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    std::string root_;
};

void ExpectDefaults() {
    const int32_t ints[15] = {1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0};
    const float floats[11] = {40, 40, 300, 0, 14, 6, 6, 6, 12, -16, 10};
    const int32_t* gotInts = &Settings.bEnableFirstPersonBody;
    const float* gotFloats = &Settings.fSittingMaxLookingDownOverride;
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(ints[i], gotInts[i]) << kSettingsKeys[i].name;
    }
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(floats[i], gotFloats[i]) << kSettingsKeys[15 + i].name;
    }
    EXPECT_EQ(0, Settings.bReloadSettingsOnGameLoad);
}

TEST_F(SettingsFile, MissingFileGivesEveryDefault) {
    ReadSettings();
    ExpectDefaults();
}

TEST_F(SettingsFile, KeyTableIsInRecordOrder) {
    for (int i = 0; i < kSettingsKeyCount; ++i) {
        EXPECT_EQ(static_cast<uint32_t>(i * 4), kSettingsKeys[i].offset) << kSettingsKeys[i].name;
        EXPECT_EQ(i >= 15 && i < 26, kSettingsKeys[i].isFloat) << kSettingsKeys[i].name;
    }
}

TEST_F(SettingsFile, IntegersAreKeptExactlyAsTheIntegerReadGivesThem) {
    Write("[Main]\r\n"
          "bRotateThirdPersonArms=3\r\n"
          "bHorseFirstPersonBody=2\r\n"
          "bEnableHeadBob=-1\r\n"
          "bFirstPersonShadows=4294967297\r\n"
          "bVisibleArmsWeaponSheathed=12abc\r\n"
          "bHideShieldWeaponSheathed=abc\r\n"
          "bFirstPersonSitting=1e3\r\n"
          "bFirstPersonKnockout=3.9\r\n"
          "bFirstPersonDeath=\"7\"\r\n"
          "bFirstPersonModAnim=  +5  \r\n"
          "bEnableFirstPersonBody=- 5\r\n"
          "bUseThirdPersonArms=0x10\r\n");
    ReadSettings();
    EXPECT_EQ(3, Settings.bRotateThirdPersonArms);
    EXPECT_EQ(2, Settings.bHorseFirstPersonBody);
    EXPECT_EQ(-1, Settings.bEnableHeadBob);
    EXPECT_EQ(1, Settings.bFirstPersonShadows); // low 32 bits
    EXPECT_EQ(12, Settings.bVisibleArmsWeaponSheathed);
    EXPECT_EQ(0, Settings.bHideShieldWeaponSheathed); // no number: 0, not the default
    EXPECT_EQ(1, Settings.bFirstPersonSitting);
    EXPECT_EQ(3, Settings.bFirstPersonKnockout);
    EXPECT_EQ(7, Settings.bFirstPersonDeath);
    EXPECT_EQ(5, Settings.bFirstPersonModAnim);
    EXPECT_EQ(0, Settings.bEnableFirstPersonBody);
    EXPECT_EQ(0, Settings.bUseThirdPersonArms);           // decimal reading of 0x10
    EXPECT_EQ(1, Settings.bPreventChaseCamDistanceReset); // absent: default
}

TEST_F(SettingsFile, FloatTextsReadAsAtofDoesWithoutTheLocale) {
    Write("[Main]\n"
          "fCameraPosY=abc\n"
          "fCameraPosZ=\n"
          "fCameraPosX=7.5xyz\n"
          "fCameraZOffset=14 ; note\n"
          "fVampireFeedXYOffset=1,5\n"
          "fVampireFeedZOffset='-2.5e1'\n"
          "fHorseMountCameraPosY=1e3\n"
          "fVampireFeedCameraPosY=0x10\n"
          "fSittingMaxLookingDownOverride=40.0001\n");
    ReadSettings();
    EXPECT_EQ(0.0f, Settings.fCameraPosY); // not a number: 0.0, not the default
    EXPECT_EQ(0.0f, Settings.fCameraPosZ); // empty: 0.0
    EXPECT_EQ(7.5f, Settings.fCameraPosX);
    EXPECT_EQ(14.0f, Settings.fCameraZOffset);
    EXPECT_EQ(1.0f, Settings.fVampireFeedXYOffset);
    EXPECT_EQ(-25.0f, Settings.fVampireFeedZOffset);
    EXPECT_EQ(1000.0f, Settings.fHorseMountCameraPosY);
    EXPECT_EQ(0.0f, Settings.fVampireFeedCameraPosY);
    EXPECT_EQ(static_cast<float>(40.0001), Settings.fSittingMaxLookingDownOverride);
    EXPECT_EQ(300.0f, Settings.fVanityModeForceDefaultOverride); // absent: default text
}

// A value too large for a float would put infinities into the game's scene
// graph: the key keeps its default. The largest float still reads.
TEST_F(SettingsFile, FloatsTooLargeForAFloatKeepTheirDefault) {
    Write("[Main]\n"
          "fCameraPosY=1e400\n"
          "fCameraPosZ=-1e39\n"
          "fCameraZOffset=3.4e38\n"
          "fVanityModeForceDefaultOverride=1e38xyz\n"
          "fSittingMaxLookingDownOverride=99999999999999999999999999999999999999999\n");
    ReadSettings();
    EXPECT_EQ(14.0f, Settings.fCameraPosY);
    EXPECT_EQ(6.0f, Settings.fCameraPosZ);
    EXPECT_EQ(3.4e38f, Settings.fCameraZOffset);
    EXPECT_EQ(1e38f, Settings.fVanityModeForceDefaultOverride);
    EXPECT_EQ(40.0f, Settings.fSittingMaxLookingDownOverride);
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.isFloat) {
            EXPECT_TRUE(isfinite(*reinterpret_cast<const float*>(
                reinterpret_cast<const char*>(&Settings) + k.offset)))
                << k.name;
        }
    }
}

// Tuning without restarting: with bReloadSettingsOnGameLoad at 1 each host
// message 8 reads the file again.
class Reload : public SettingsFile {
  protected:
    void SetUp() override {
        SettingsFile::SetUp();
        Write("[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=14\nbEnableHeadBob=1\n"
              "bFirstPersonShadows=0\nfVanityModeForceDefaultOverride=250\n");
        ASSERT_TRUE(OBSEPlugin_Load(&host_.record));
        load_ = Settings;
    }
    // Message 8, with what it printed.
    std::string SendGameLoaded() {
        testing::internal::CaptureStdout();
        PlatformClearProtectCalls();
        host_.Send(kMessageGameLoaded);
        EXPECT_EQ(0, PlatformProtectCallCount()); // no byte of code is written
        return testing::internal::GetCapturedStdout();
    }
    sim::Game game_;
    sim::Host host_;
    SettingsRecord load_;
};

TEST_F(Reload, ReloadableKeysTakeTheFilesValuesAndPatchKeysKeepTheirs) {
    Write("[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=20.5\nbEnableHeadBob=2\n"
          "bFirstPersonShadows=1\nbEnableFirstPersonBody=0\n"
          "fVanityModeForceDefaultOverride=250\nfSittingMaxLookingDownOverride=30\n"
          "bRotateThirdPersonArms=3\nfCameraZOffset=1e400\n");
    EXPECT_EQ("bEnableFirstPersonBody changed in the file: takes effect at the next start of "
              "the game\n"
              "bFirstPersonShadows changed in the file: takes effect at the next start of the "
              "game\n"
              "fSittingMaxLookingDownOverride changed in the file: takes effect at the next start "
              "of the game\n",
              SendGameLoaded());
    EXPECT_EQ(20.5f, Settings.fCameraPosY);
    EXPECT_EQ(2, Settings.bEnableHeadBob);
    EXPECT_EQ(3, Settings.bRotateThirdPersonArms);
    EXPECT_EQ(12.0f, Settings.fCameraZOffset); // too large: its default, as at load
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.keptOnReload) {
            EXPECT_EQ(0, memcmp(SettingsInteger(&load_, k), SettingsInteger(&Settings, k), 4))
                << k.name;
        }
    }
    // Each reload logs what it keeps, again at every reload.
    const std::string again = SendGameLoaded();
    EXPECT_EQ(3, std::count(again.begin(), again.end(), '\n'));
}

TEST_F(Reload, AtZeroOrWithoutAFileNothingChanges) {
    // A file that is gone, or cannot be opened, keeps the running values
    // (the profile calls would give the defaults).
    Write("[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=33\n");
    Settings.fCameraPosY = 17.0f;
    const std::string file = root_ + "/Data/obse/plugins/OBSE_Lumenfold.ini";
    // Held by another program (an editor saving it): it cannot be opened.
    PlatformLockFile(file);
    EXPECT_EQ("the settings file cannot be read: every setting keeps its current value\n",
              SendGameLoaded());
    EXPECT_EQ(17.0f, Settings.fCameraPosY);
    PlatformUnlockFiles();
    ASSERT_EQ(0, unlink(file.c_str()));
    EXPECT_EQ("the settings file cannot be read: every setting keeps its current value\n",
              SendGameLoaded());
    EXPECT_EQ(17.0f, Settings.fCameraPosY);
    EXPECT_EQ(1, Settings.bEnableHeadBob);

    // At 0 a changed file changes nothing, and nothing is printed.
    Settings.bReloadSettingsOnGameLoad = 0;
    Write("[Main]\nfCameraPosY=99\nbEnableHeadBob=0\n");
    EXPECT_EQ("", SendGameLoaded());
    EXPECT_EQ(17.0f, Settings.fCameraPosY);
    EXPECT_EQ(1, Settings.bEnableHeadBob);
}

// The file calls are the platform's (Windows' own in the game); here their
// Linux stand-in allocates. The reload around them adds nothing, also when
// it logs changes and unknown keys.
TEST_F(Reload, AllocatesNothingOfItsOwn) {
    Write("[Main]\nbReloadSettingsOnGameLoad=1\nfCameraPosY=21\nfCamraPosZ=3\n");
    struct Count {
        long inside = 0, entered = 0;
    } count;
    PlatformBracketCalls(
        [](bool entering, void* c) {
            Count* n = static_cast<Count*>(c);
            if (entering) {
                n->entered = AllocationCount();
            } else {
                n->inside += AllocationCount() - n->entered;
            }
        },
        &count);
    const long all = AllocationsDuring([] { ReloadSettings(); });
    PlatformBracketCalls(nullptr, nullptr);
    EXPECT_GT(count.inside, 0);
    EXPECT_EQ(count.inside, all);
    EXPECT_EQ(21.0f, Settings.fCameraPosY);
}

TEST_F(SettingsFile, FileStructureRulesOfTheWindowsReader) {
    Write("bEnableHeadBob=5\n"           // before any section: never found
          "[ main ]  trailing text\n"    // case and blanks do not matter
          "; bUseThirdPersonArms=1\n"    // a comment
          "#bEnableHeadFirstPerson=1\n"  // '#' is part of a key name
          "BROTATETHIRDPERSONARMS = 2\n" // key case does not matter
          "bRotateThirdPersonArms=1\n"   // the first one wins
          "bHorseFirstPersonBody\n"      // no '=': not a key
          "bFirstPersonShadows=a=b\r"    // CR alone ends a line
          "[Other]\n"
          "bEnableFirstPersonBody=0\n"
          "[MAIN]\n"
          "bFirstPersonSitting=0\n"); // a second Main is not searched
    ReadSettings();
    EXPECT_EQ(0, Settings.bEnableHeadBob);
    EXPECT_EQ(0, Settings.bUseThirdPersonArms);
    EXPECT_EQ(0, Settings.bEnableHeadFirstPerson);
    EXPECT_EQ(2, Settings.bRotateThirdPersonArms);
    EXPECT_EQ(0, Settings.bHorseFirstPersonBody);
    EXPECT_EQ(0, Settings.bFirstPersonShadows);
    EXPECT_EQ(1, Settings.bEnableFirstPersonBody);
    EXPECT_EQ(1, Settings.bFirstPersonSitting);
}

TEST_F(SettingsFile, ByteOrderMarkHidesTheFirstSection) {
    Write("\xEF\xBB\xBF[Main]\nbEnableHeadBob=1\n");
    ReadSettings();
    EXPECT_EQ(0, Settings.bEnableHeadBob);
}

TEST_F(SettingsFile, ExecutablePathWithoutBackslashFallsBackToDefaults) {
    Write("[Main]\nbEnableHeadBob=1\nfCameraPosY=3\n");
    PlatformSetModuleFileName("Oblivion.exe");
    ReadSettings();
    ExpectDefaults();
}

TEST_F(SettingsFile, PathTooLongForTheBufferFallsBackToDefaults) {
    char path[kSettingsPathCapacity];
    // Exactly fits: folder + relative path + NUL == 260.
    const size_t relative = strlen(kSettingsRelativePath);
    std::string folder = "C:\\" + std::string(kSettingsPathCapacity - relative - 1 - 4, 'a') + "\\";
    PlatformSetModuleFileName((folder + "x.exe").c_str());
    ASSERT_TRUE(BuildSettingsPath(path, kSettingsPathCapacity));
    EXPECT_EQ(kSettingsPathCapacity - 1, strlen(path));
    EXPECT_STREQ(kSettingsRelativePath, path + folder.size());

    // One character more no longer fits.
    folder = "C:\\" + std::string(kSettingsPathCapacity - relative - 4, 'a') + "\\";
    PlatformSetModuleFileName((folder + "x.exe").c_str());
    EXPECT_FALSE(BuildSettingsPath(path, kSettingsPathCapacity));

    // An executable path cut short by the 260-character buffer is refused.
    PlatformSetModuleFileName(("C:\\" + std::string(400, 'b') + "\\x.exe").c_str());
    EXPECT_FALSE(BuildSettingsPath(path, kSettingsPathCapacity));
    ReadSettings();
    ExpectDefaults();
}

TEST(ProfileCalls, StringReadCutsToTheBufferAndTrimsTheFallback) {
    char tmpl[] = "/tmp/lumenfold-profile-XXXXXX";
    const int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    const std::string text = "[Main]\nlong=" + std::string(300, 'x') + "\nq=\"\"\n";
    ASSERT_EQ(static_cast<ssize_t>(text.size()), write(fd, text.data(), text.size()));
    close(fd);
    char buf[255];
    EXPECT_EQ(254u, PlatformProfileString("Main", "long", "d", buf, sizeof buf, tmpl));
    EXPECT_EQ(254u, strlen(buf));
    EXPECT_EQ(0u, PlatformProfileString("Main", "q", "d", buf, sizeof buf, tmpl));
    EXPECT_STREQ("", buf);
    EXPECT_EQ(3u, PlatformProfileString("Main", "none", "abc  ", buf, sizeof buf, tmpl));
    EXPECT_STREQ("abc", buf);
    EXPECT_EQ(9u, PlatformProfileInt("Main", "q", 9, tmpl)); // empty value: the fallback
    unlink(tmpl);
}

TEST(NumberText, LongestDecimalPrefix) {
    struct Case {
        const char* text;
        double value;
        int consumed;
    } cases[] = {
        {"7.5xyz", 7.5, 3}, {"  -2.5e1x", -25.0, 8}, {".5", 0.5, 2},        {"5.", 5.0, 2},
        {"1e", 1.0, 1},     {"1e+", 1.0, 1},         {"-", 0.0, 0},         {"abc", 0.0, 0},
        {"", 0.0, 0},       {"0x10", 0.0, 1},        {"inf", 0.0, 0},       {"nan", 0.0, 0},
        {"+3", 3.0, 2},     {"1,5", 1.0, 1},         {"\t14 ; n", 14.0, 3}, {"0.1", 0.1, 3},
        {"1e-400", 0.0, 6},
    };
    for (const Case& c : cases) {
        int consumed = -1;
        EXPECT_EQ(c.value, ParseDecimalPrefix(c.text, &consumed)) << c.text;
        EXPECT_EQ(c.consumed, consumed) << c.text;
    }
    EXPECT_TRUE(isinf(ParseDecimalPrefix("1e999")));
    EXPECT_EQ(-0.0, ParseDecimalPrefix("-0"));
}

} // namespace
