// What the plug-in tells a player about a settings file's values: the words
// of each warning, the nearest key to an unknown one, the range of
// iRecordFrames, and floats written as a player reads them.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "settings/settings.h"
#include "settings/settings_check.h"

namespace {

const SettingsKey& Key(const char* name) {
    for (const SettingsKey& k : kSettingsKeys) {
        if (strcmp(k.name, name) == 0) {
            return k;
        }
    }
    ADD_FAILURE() << name;
    return kSettingsKeys[0];
}

std::string IntegerWarning(const char* key, const char* text, int32_t read) {
    char out[256];
    return IntegerTextWarning(Key(key), text, read, out, sizeof out) ? out : "";
}

std::string FloatWarning(const char* key, const char* text) {
    char out[256];
    return FloatTextWarning(Key(key), text, out, sizeof out) ? out : "";
}

// The value read is the platform's; the words say how the text differs.
TEST(SettingsCheck, AWholeNumberWarnsWhereItReadsOtherwiseThanWritten) {
    EXPECT_EQ("", IntegerWarning("bEnableHeadBob", "2", 2));
    EXPECT_EQ("", IntegerWarning("bEnableHeadBob", "+2", 2));
    EXPECT_EQ("", IntegerWarning("bEnableHeadBob", "-2147483648", INT32_MIN));
    EXPECT_EQ("bEnableHeadBob = \"2x\" reads only as 2 (the rest, \"x\", is ignored)",
              IntegerWarning("bEnableHeadBob", "2x", 2));
    EXPECT_EQ("bEnableFirstPersonBody = \"yes\" is not a number: it reads as 0, not as its "
              "default 1",
              IntegerWarning("bEnableFirstPersonBody", "yes", 0));
    EXPECT_EQ("bUseThirdPersonArms = \"yes\" is not a number: it reads as 0",
              IntegerWarning("bUseThirdPersonArms", "yes", 0));
    EXPECT_EQ("bFirstPersonDeath = \"4294967297\" is too large for a whole number: it reads as 1",
              IntegerWarning("bFirstPersonDeath", "4294967297", 1));
    EXPECT_EQ("bFirstPersonDeath = \"2147483648\" is too large for a whole number: it reads as "
              "-2147483648",
              IntegerWarning("bFirstPersonDeath", "2147483648", INT32_MIN));
    // An empty value: whatever the platform made of it.
    EXPECT_EQ("bEnableFirstPersonBody is empty: it keeps its default 1",
              IntegerWarning("bEnableFirstPersonBody", "", 1));
    EXPECT_EQ("bEnableFirstPersonBody is empty: it reads as 0",
              IntegerWarning("bEnableFirstPersonBody", "", 0));
    // A reading the words cannot explain (a platform that reads hexadecimal).
    EXPECT_EQ("bEnableHeadBob = \"0x10\" reads as 16",
              IntegerWarning("bEnableHeadBob", "0x10", 16));
}

TEST(SettingsCheck, AFloatWarnsWhereItReadsOtherwiseThanWritten) {
    EXPECT_EQ("", FloatWarning("fCameraPosY", "7.5"));
    EXPECT_EQ("", FloatWarning("fCameraPosY", "-1e3"));
    EXPECT_EQ("fCameraPosY = \"14,5\" reads only as 14 (the rest, \",5\", is ignored)",
              FloatWarning("fCameraPosY", "14,5"));
    EXPECT_EQ("fCameraPosY = \"0.1 ; closer\" reads only as 0.1 (the rest, \" ; closer\", is "
              "ignored)",
              FloatWarning("fCameraPosY", "0.1 ; closer"));
    EXPECT_EQ("fCameraPosZ = \"abc\" is not a number: it reads as 0, not as its default 6.0",
              FloatWarning("fCameraPosZ", "abc"));
    EXPECT_EQ("fCameraPosX = \"abc\" is not a number: it reads as 0",
              FloatWarning("fCameraPosX", "abc"));
    EXPECT_EQ("fCameraZOffset is empty: it reads as 0, not as its default 12.0",
              FloatWarning("fCameraZOffset", ""));
    EXPECT_EQ("fCameraPosY = \"1e400\" is too large for a number: it keeps its default 14.0",
              FloatWarning("fCameraPosY", "1e400"));
}

TEST(SettingsCheck, TheNearestKeyIsNamedOnlyWhenItIsNear) {
    EXPECT_STREQ("fCameraPosZ", NearestSettingsKey("fCamraPosZ"));        // a letter left out
    EXPECT_STREQ("fCameraPosZ", NearestSettingsKey("FCAMERAPOSZZ"));      // case, and one added
    EXPECT_STREQ("bEnableHeadBob", NearestSettingsKey("bEnableHaedBob")); // two swapped
    EXPECT_STREQ("fCameraPosZ", NearestSettingsKey("CameraPosZ"));
    EXPECT_STREQ("iRecordFrames", NearestSettingsKey("bRecordFrames"));
    EXPECT_EQ(nullptr, NearestSettingsKey("fCameraPosition"));
    EXPECT_EQ(nullptr, NearestSettingsKey("x"));
    EXPECT_EQ(nullptr, NearestSettingsKey(""));
    EXPECT_EQ(nullptr, NearestSettingsKey(std::string(65, 'f').c_str()));
    char out[256];
    UnknownKeyWarning("fCamraPosZ", out, sizeof out);
    EXPECT_STREQ("unknown key \"fCamraPosZ\" is ignored (did you mean fCameraPosZ?)", out);
    UnknownKeyWarning("misspelt", out, sizeof out);
    EXPECT_STREQ("unknown key \"misspelt\" is ignored", out);
}

TEST(SettingsCheck, RecordedFramesAreHeldToTheirRange) {
    char out[128];
    EXPECT_EQ(0, RecordedFramesInUse(0));
    EXPECT_FALSE(RecordedFramesWarning(0, out, sizeof out));
    EXPECT_EQ(600, RecordedFramesInUse(600));
    EXPECT_EQ(3600, RecordedFramesInUse(9999));
    EXPECT_EQ(1, RecordedFramesInUse(INT32_MIN));
    ASSERT_TRUE(RecordedFramesWarning(-5, out, sizeof out));
    EXPECT_STREQ("iRecordFrames = -5 is out of its range 1 to 3600: 1 frame is recorded", out);
    ASSERT_TRUE(IntegerInUseWarning(Key("iRecordFrames"), 9999, out, sizeof out));
    EXPECT_STREQ("iRecordFrames = 9999 is out of its range 1 to 3600: 3600 frames are recorded",
                 out);
    // No other key has a range of its own.
    EXPECT_EQ(9999, IntegerInUse(Key("bEnableHeadBob"), 9999));
    EXPECT_FALSE(IntegerInUseWarning(Key("bEnableHeadBob"), 9999, out, sizeof out));
}

TEST(SettingsCheck, FloatsAreWrittenWithTheFewestDigitsThatReadBack) {
    char out[32];
    EXPECT_STREQ("0.1", FloatForPlayer(0.1f, out, sizeof out));
    EXPECT_STREQ("14", FloatForPlayer(14.0f, out, sizeof out));
    EXPECT_STREQ("-16", FloatForPlayer(-16.0f, out, sizeof out));
    EXPECT_STREQ("16777218", FloatForPlayer(16777218.0f, out, sizeof out));
    EXPECT_STREQ("3.4028235e+38", FloatForPlayer(3.40282347e38f, out, sizeof out));
}

} // namespace
