// The simulator tool: scenario problems reported with their place, the
// settings report, and the default settings file.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "platform/profile_file.h"
#include "settings/settings.h"
#include "tools/sim/pictures/svg.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"
#include "tools/sim/settings/settings_report.h"

namespace {

std::string ErrorOf(const std::string& text) {
    simtool::Scenario s;
    simtool::ScenarioError e;
    EXPECT_FALSE(simtool::ParseScenario(text, "x.json", &s, &e)) << text;
    return e.message;
}

TEST(Scenario, ProblemsAreNamedWithTheirPlace) {
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {"{\"steps\": [ {\"frames\": 2,, } ]}", "x.json: not valid JSON: parse error at line 1"},
        {"[]", "x.json: a scenario is a JSON object"},
        {"{\"steps\": []}", "x.json: steps: expects a non-empty list of steps"},
        {"{\"setings\": \"\", \"steps\": [{}]}", "x.json: unknown key \"setings\""},
        {"{\"steps\": [{}, {\"set\": {\"player.Foo\": 1}}]}",
         "x.json: steps[1].set.player.Foo: unknown name \"player.Foo\""},
        {"{\"steps\": [{\"set\": {\"process.SitState\": 300}}]}",
         "x.json: steps[0].set.process.SitState: expects an integer from 0 to 255, got 300"},
        {"{\"steps\": [{\"set\": {\"player.LookPitch\": \"up\"}}]}",
         "x.json: steps[0].set.player.LookPitch: expects a number"},
        {"{\"steps\": [{\"set\": {\"nodes.Bip01 Tail.LocalScale\": 0}}]}",
         "x.json: steps[0].set.nodes.Bip01 Tail.LocalScale: no node named \"Bip01 Tail\""},
        {"{\"steps\": [{\"set\": {\"nodes.Bip01 Head.LocalTranslation\": [1, 2]}}]}",
         "expects [x, y, z]"},
        {"{\"steps\": [{\"set\": {\"BodyAnim.Sequences.5\": null}}]}",
         "the five sequence slots are 0 to 4"},
        {"{\"steps\": [{\"frames\": 0}]}", "x.json: steps[0].frames: expects an integer from 1"},
        {"{\"steps\": [{\"cameraSwitch\": \"sit\"}]}", "steps[0].cameraSwitch: expects \"none\""},
        {"{\"steps\": [{\"expect\": {\"ForcedMode\": 1}}]}",
         "x.json: steps[0].expect.ForcedMode: unknown name \"ForcedMode\""},
        {"{\"steps\": [{\"expect\": {\"calls.Draw\": 1}}]}", "unknown routine in \"calls.Draw\""},
        {"{\"steps\": [{\"wait\": 1}]}", "x.json: steps[0].wait: unknown key"},
        // Numbers too large for a double, and for a float.
        {"{\"steps\": [{\"set\": {\"player.LookPitch\": 1e400}}]}",
         "x.json: not valid JSON: number overflow parsing '1e400' at line 1, column 41"},
        {"{\"steps\": [{\"set\": {\"player.LookPitch\": 1e300}}]}",
         "steps[0].set.player.LookPitch: expects a number a float can hold, got 1e+300"},
        {"{\"steps\": [{\"set\": {\"process.GetFlagWord\": 18446744073709551615}}]}",
         "expects an integer from 0 to 4294967295, got 18446744073709551615"},
        {"{\"steps\": [{\"set\": {\"process.SitState\": 3.5}}]}",
         "steps[0].set.process.SitState: expects an integer, got 3.5"},
        // Wrong types and shapes.
        {"{\"steps\": [{\"set\": {\"missing\": [\"player\", \"BodyRot\"]}}]}",
         "steps[0].set.missing: unknown missing object \"BodyRot\""},
        {"{\"steps\": [{\"expect\": {\"ForcedBodyMode\": [[[1]]]}}]}",
         "steps[0].expect.ForcedBodyMode: expects a number, true or false, a text"},
        {"{\"steps\": [{\"set\": {\"BodyAnim.Sequences.1\": {\"GroupId\": 3, \"x\": 1}}}]}",
         "steps[0].set.BodyAnim.Sequences.1: expects null or"},
        {"{\"steps\": [{\"settings\": 3}]}", "steps[0].settings: expects the settings file"},
        {"{\"steps\": [{\"hostMessage\": [0, -1]}]}",
         "steps[0].hostMessage: expects an integer from 0 to 4294967295, got -1"},
        // Empty, and more than a run takes.
        {"", "x.json: is empty; a scenario is a JSON object"},
        {" \r\n", "x.json: holds only blanks; a scenario is a JSON object"},
        {"{\"steps\": [{\"frames\": 100000}, {\"frames\": 1}]}",
         "x.json: steps: ask for 100001 frames in all; a run takes at most 100000"},
        {"{\"steps\": [" + std::string(64, '[') + std::string(64, ']') + "]}",
         "x.json: is nested more than 64 levels deep; no scenario needs so many"},
    };
    for (const Case& c : cases) {
        const std::string m = ErrorOf(c.text);
        EXPECT_NE(std::string::npos, m.find(c.message)) << "got: " << m;
    }
}

// Deep nesting anywhere is a plain problem, not a crash.
TEST(Scenario, DeepNestingIsReportedNotFollowed) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (const std::string& text :
         {deep, "{\"steps\": [{\"set\": {\"player.LookPitch\": " + deep + "}}]}",
          "{\"steps\": [{\"expect\": {\"state\": " + deep + "}}]}"}) {
        const std::string m = ErrorOf(text);
        EXPECT_FALSE(m.empty());
        EXPECT_LT(m.size(), 300u) << m.substr(0, 300);
    }
}

// What the fuzzing found: a message quotes at most a short piece of the
// text, on one line, however long or odd the text is.
TEST(Scenario, LongOrOddTextIsQuotedOnlyInPart) {
    const std::string longText(5000, 't');
    const std::string digits(5000, '6');
    for (const std::string& text :
         {"{\"description\": \"" + longText + "\n\"}",
          "{\"steps\": [{\"set\": {\"x\": " + digits + "}}]}",
          "{\"steps\": [{\"set\": {\"player.LookPitc\\n" + longText + "\": 1}}]}",
          "{\"steps\": [{\"note\": \"" + longText + "'; expected\u0001\x01\"}]}",
          "{\"" + longText + "\": 1, \"steps\": [{}]}"}) {
        const std::string m = ErrorOf(text);
        EXPECT_LT(m.size(), 300u) << m.substr(0, 400);
        EXPECT_EQ(std::string::npos, m.find('\n')) << m.substr(0, 400);
    }
}

TEST(Scenario, AValidScenarioRunsAndTracesEveryFrame) {
    simtool::Scenario s;
    simtool::ScenarioError e;
    ASSERT_TRUE(simtool::ParseScenario(
        R"({"settings": ["[Main]", "bEnableHeadBob=1"],
            "steps": [{"frames": 2, "expect": {"nodes.BodyRoot.LocalTranslation": [0, -25, 0]}},
                      {"set": {"process.SitState": 3}, "frames": 1,
                       "expect": {"ForcedBodyMode": 1}}]})",
        "ok.json", &s, &e))
        << e.message;
    std::ostringstream trace;
    simtool::TraceWriter writer(trace);
    simtool::PointCollector points;
    const simtool::RunResult r = simtool::RunScenario(s, {&writer, &points});
    EXPECT_EQ(3, r.frames);
    EXPECT_TRUE(r.failures.empty());
    ASSERT_EQ(1u, r.misses.size()); // sitting without a camera switch forces nothing
    EXPECT_EQ("steps[1].expect.ForcedBodyMode", r.misses[0].place);
    EXPECT_EQ(simtool::json(1), r.misses[0].want);
    EXPECT_EQ(simtool::json(0), r.misses[0].got);
    int lines = 0;
    std::string line;
    std::istringstream in(trace.str());
    while (std::getline(in, line)) {
        EXPECT_EQ(0u, line.find("{\"frame\":" + std::to_string(lines)));
        ++lines;
    }
    EXPECT_EQ(3, lines);
    EXPECT_NE(std::string::npos, simtool::RenderSvg("t", points.points).find("<path"));
}

class SettingsFileReport : public ::testing::Test {
  protected:
    std::string Write(const std::string& text) {
        char tmpl[] = "/tmp/lumenfold-report-XXXXXX";
        const int fd = mkstemp(tmpl);
        EXPECT_EQ(static_cast<ssize_t>(text.size()), write(fd, text.data(), text.size()));
        close(fd);
        files_.push_back(tmpl);
        return tmpl;
    }
    ~SettingsFileReport() override {
        for (const std::string& f : files_) {
            unlink(f.c_str());
        }
    }
    static bool Has(const simtool::SettingsReport& r, const std::string& part) {
        for (const std::string& w : r.warnings) {
            if (w.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::string> files_;
};

TEST_F(SettingsFileReport, ValuesInTableOrderAndWhatToKnow) {
    const simtool::SettingsReport r = simtool::ReportSettings(
        Write("stray=1\n[Main]\nfCameraPosY=14,5\nfCameraPosZ=abc\nbEnableHeadBob=2x\n"
              "bUseThirdPersonArms=yes\nbEnableHeadbob=1\nfCameraZOffset=\nbMystery=1\n"
              "[Camera]\nfCameraPosX=3\n"));
    ASSERT_TRUE(r.readable);
    EXPECT_TRUE(r.hasMain);
    ASSERT_EQ(static_cast<size_t>(kSettingsKeyCount), r.values.size());
    EXPECT_EQ("bEnableFirstPersonBody = 1", r.values[0]);
    EXPECT_EQ("bEnableHeadBob = 2", r.values[1]);
    EXPECT_EQ("fCameraPosY = 14", r.values[19]);
    EXPECT_EQ("fCameraPosZ = 0", r.values[20]);
    EXPECT_TRUE(Has(r, "line 1: \"stray\" stands before any section"));
    EXPECT_TRUE(Has(r, "line 3: fCameraPosY = \"14,5\" reads only as 14"));
    EXPECT_TRUE(Has(r, "line 4: fCameraPosZ = \"abc\" is not a number: it reads as 0, not as "
                       "its default 6.0"));
    EXPECT_TRUE(Has(r, "line 5: bEnableHeadBob = \"2x\" reads only as 2"));
    EXPECT_TRUE(Has(r, "line 6: bUseThirdPersonArms = \"yes\" is not a number: it reads as 0"));
    EXPECT_TRUE(Has(r, "line 7: bEnableHeadBob is given again"));
    EXPECT_TRUE(Has(r, "line 8: fCameraZOffset is empty: it reads as 0"));
    EXPECT_TRUE(Has(r, "line 9: unknown key \"bMystery\""));
    EXPECT_TRUE(Has(r, "line 10: section [Camera] is not read"));
    // In the order of the lines; each value's own warning beside it.
    int last = 0;
    for (const std::string& w : r.warnings) {
        const int line = atoi(w.c_str() + 5);
        EXPECT_LE(last, line) << w;
        last = line;
    }
    ASSERT_EQ(1u, r.valueWarnings[19].size());
    EXPECT_EQ("line 3: fCameraPosY = \"14,5\" reads only as 14 (the rest, \",5\", is ignored)",
              r.valueWarnings[19][0]);
    EXPECT_TRUE(r.valueWarnings[0].empty());
}

// A text that is no file (a scenario's settings) is checked the same way,
// and an empty one says so.
TEST_F(SettingsFileReport, TextsAndEmptyFiles) {
    simtool::SettingsReport r = simtool::CheckSettingsText("[Main]\r\niRecordFrames=-5\r\n");
    ASSERT_TRUE(r.readable);
    EXPECT_EQ("iRecordFrames = 1", r.values[28]);
    ASSERT_EQ(1u, r.warnings.size());
    EXPECT_EQ("line 2: iRecordFrames = -5 is out of its range 1 to 3600: 1 frame is recorded",
              r.warnings[0]);
    r = simtool::CheckSettingsText("");
    ASSERT_EQ(1u, r.warnings.size());
    EXPECT_EQ("the file is empty: every setting keeps its default", r.warnings[0]);
    // Thousands of unknown keys: a hundred named, the rest counted.
    std::string many = "[Main]\n";
    for (int i = 0; i < 5000; ++i) {
        many += "k" + std::to_string(i) + "=1\n";
    }
    r = simtool::CheckSettingsText(many);
    ASSERT_EQ(101u, r.warnings.size());
    EXPECT_EQ("... and 4900 more", r.warnings.back());
}

// Overflowing floats warn; a long value is quoted only in part.
TEST_F(SettingsFileReport, TooLargeFloatsAndLongValues) {
    const std::string junk(300, 'q');
    const simtool::SettingsReport r = simtool::ReportSettings(
        Write("[Main]\nfCameraPosY=1e400\nfCameraPosZ=7" + junk + "\nb" + junk + "=1\n"));
    EXPECT_EQ("fCameraPosY = 14", r.values[19]);
    EXPECT_TRUE(Has(r, "line 2: fCameraPosY = \"1e400\" is too large for a number: it keeps "
                       "its default 14.0"));
    for (const std::string& w : r.warnings) {
        EXPECT_LT(w.size(), 200u) << w;
    }
    EXPECT_TRUE(Has(r, "line 3: fCameraPosZ = \"7qqqq"));
    EXPECT_TRUE(Has(r, "qqq...\" reads only as 7"));
    EXPECT_TRUE(Has(r, "line 4: unknown key \"bqqq"));
}

TEST_F(SettingsFileReport, NoMainSectionAndByteOrderMark) {
    simtool::SettingsReport r =
        simtool::ReportSettings(Write("\xEF\xBB\xBF[Main]\nbEnableHeadBob=1\n"));
    EXPECT_FALSE(r.hasMain);
    EXPECT_TRUE(Has(r, "byte-order mark"));
    EXPECT_EQ("bEnableHeadBob = 0", r.values[1]);
    r = simtool::ReportSettings("/nonexistent/lumenfold.ini");
    EXPECT_FALSE(r.readable);
}

TEST_F(SettingsFileReport, TheDefaultFileHasEveryKeyAtItsDefaultAndExplainsIt) {
    const std::string text = simtool::DefaultSettingsFile();
    ProfileFile parsed;
    ParseProfileText(text, &parsed);
    for (const SettingsKey& k : kSettingsKeys) {
        EXPECT_STRNE("", simtool::SettingDescription(k.name)) << k.name;
        const ProfileEntry* e = FindProfileEntry(parsed, "Main", k.name);
        ASSERT_NE(nullptr, e) << k.name;
        EXPECT_EQ(k.isFloat ? std::string(k.defaultText) : std::to_string(k.integerDefault),
                  e->value);
    }
    const simtool::SettingsReport r = simtool::ReportSettings(Write(text));
    EXPECT_TRUE(r.warnings.empty());
}

} // namespace
