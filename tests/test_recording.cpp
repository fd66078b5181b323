// The frame recorder and the replay: a recording replays with no difference,
// and one that misses a value the logic read does not; the ring keeps the
// last frames; the files beside the game; a recording of any bytes read
// safely.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "log/diagnostic_log.h"
#include "platform/linux_host.h"
#include "platform/platform.h"
#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "tools/sim/replay/recording_read.h"
#include "tools/sim/replay/replay.h"
#include "tools/sim/replay/replay_export.h"
#include "tools/sim/scenario/game_folder.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"

namespace {

using simtool::Recording;
using simtool::RecordingError;
using simtool::ReplayResult;

// A scenario run with every frame recorded (with `observers` acting on the
// game); the recording as a saved game writes it.
std::vector<uint8_t> Record(const std::string& text, int frames,
                            const std::vector<simtool::FrameObserver*>& observers = {}) {
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    EXPECT_TRUE(simtool::ParseScenario(text, "test.json", &scenario, &error)) << error.message;
    simtool::RecordFrames(&scenario, frames);
    std::vector<uint8_t> bytes;
    testing::internal::CaptureStdout();
    const simtool::RunResult result =
        simtool::RunScenario(scenario, observers, [&bytes](sim::Host&, const simtool::GameFolder&) {
            bytes = simtool::RecordingBytes();
        });
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(result.failures.empty());
    return bytes;
}

ReplayResult Replay(std::vector<uint8_t> bytes) {
    Recording recording;
    RecordingError error;
    EXPECT_TRUE(simtool::ParseRecording(std::move(bytes), "test.rec", &recording, &error))
        << error.message;
    testing::internal::CaptureStdout();
    ReplayResult result = simtool::ReplayRecording(recording, simtool::ReplayOptions());
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(result.failures.empty());
    return result;
}

// Lying from the second frame on; in the third the game sits the player up
// between the camera update and the body pass.
const char* const kLying = R"({
  "settings": ["[Main]", "bEnableHeadBob=1"],
  "steps": [
    {"frames": 1},
    {"set": {"process.SitState": 8}, "frames": 1},
    {"during": {"body": {"process.SitState": 0}}, "frames": 1},
    {"frames": 1}
  ]})";

// Another plug-in holds the body view off between two frames and inside one
// (at the camera stage), sits the player down while held, and gives it back
// between frames and inside one; the ring keeps only the last frames, the
// first of them in the middle of a hold.
TEST(Replay, AHoldOfAnotherPluginReplaysFromItsEvents) {
    const char* const text = R"({
      "settings": ["[Main]", "bEnableHeadBob=1"],
      "steps": [
        {"frames": 2},
        {"set": {"interface.HoldBodyViewOff": "Cam"}, "frames": 2},
        {"set": {"process.SitState": 3, "player.ThirdPerson": 1}, "cameraSwitch": "sitting"},
        {"set": {"interface.GiveBodyViewBack": "Cam"}, "frames": 2},
        {"during": {"camera": {"interface.HoldBodyViewOff": "Late"}}},
        {"during": {"draws": {"interface.GiveBodyViewBack": "Late"}}, "frames": 2}
      ]})";
    for (int kept : {20, 6}) {
        const std::vector<uint8_t> bytes = Record(text, kept);
        Recording r;
        RecordingError error;
        ASSERT_TRUE(simtool::ParseRecording(bytes, "hold.rec", &r, &error)) << error.message;
        int holds = 0;
        for (size_t i = 0; i < r.frameOffsets.size(); ++i) {
            simtool::RecordedFrame f;
            ASSERT_TRUE(simtool::DecodeFrame(r, i, &f, &error));
            for (const simtool::RecordedEvent& e : f.events) {
                holds += e.tag == kEventHold;
            }
        }
        EXPECT_GE(holds, kept == 20 ? 6 : 3);
        const ReplayResult replayed = Replay(bytes);
        EXPECT_EQ(std::min(kept, 10), replayed.frames);
        EXPECT_TRUE(replayed.differences.empty())
            << replayed.differences[0].frame << " " << replayed.differences[0].what;
    }
}

TEST(Replay, ARecordingReplaysWithNoDifference) {
    const ReplayResult r = Replay(Record(kLying, 10));
    EXPECT_EQ(4, r.frames);
    EXPECT_TRUE(r.differences.empty()) << r.differences[0].what;
}

// A value read at the frame start that the recorder misses (the replay's
// recorder alike, so that only the logic's outputs can tell): the replay's
// game holds its own value, and the outputs differ.
TEST(Replay, AValueMissingFromEveryNoteMakesTheRoundTripFail) {
    OmitFromRecordingForTests(kBlockScalars, kScalarSitState, false);
    const ReplayResult r = Replay(Record(kLying, 10));
    OmitFromRecordingForTests(-1, 0, false);
    ASSERT_FALSE(r.differences.empty());
    EXPECT_EQ(1, r.differences[0].frame) << r.differences[0].what; // the first frame lying
}

// A value the game changed between two sites that the recording misses
// (noted at the frame start, not where the game changed it).
TEST(Replay, AChangeBetweenSitesMissingMakesTheRoundTripFail) {
    OmitFromRecordingForTests(kBlockScalars, kScalarSitState, true);
    const ReplayResult r = Replay(Record(kLying, 10));
    OmitFromRecordingForTests(-1, 0, false);
    ASSERT_FALSE(r.differences.empty());
    EXPECT_EQ(2, r.differences[0].frame) << r.differences[0].what;
    // The logic took the lying path where the recorded one bobbed the head:
    // told with the game values that fed the entry.
    EXPECT_EQ("body pass: the plug-in asked IsVampireFeeding where the recording has GetFlagWord",
              r.differences[0].what);
    EXPECT_FALSE(r.differences[0].fedBy.empty());
}

// The game rewrites a sequence's name in place (the same pointer) between
// the frame start and the camera update, which reads it: the recording
// notes the new text, and the replay agrees.
class RenameInPlace : public simtool::FrameObserver {
  public:
    void AtStage(sim::Game& game, const simtool::FrameInfo& frame, sim::FrameStage s) override {
        if (frame.frame == 1 && s == sim::FrameStage::Camera) {
            sim::Sequence* q = reinterpret_cast<sim::Sequence*>(game.bodyAnim->rec.Sequences[0]);
            snprintf(q->fileName, sizeof q->fileName, "%s", "Stand1.kf");
        }
    }
};

TEST(Replay, ANameRewrittenUnderTheSamePointerIsNoted) {
    RenameInPlace rename;
    const ReplayResult result = Replay(Record(
        R"({"settings": ["[Main]"], "steps": [{"set": {"BodyAnim.IsIdleAnimAbsent": 0,
            "BodyAnim.Sequences.0": {"FileName": "Dance.kf", "GroupId": 0}}, "frames": 3}]})",
        10, {&rename}));
    EXPECT_EQ(3, result.frames);
    EXPECT_TRUE(result.differences.empty()) << result.differences[0].what;
}

// A frame cut to its first event and marked cut short agrees as far as it
// goes: the replay names it apart, and it does not pass as agreeing.
TEST(Replay, AFrameCutShortIsCountedApart) {
    std::vector<uint8_t> bytes = Record(kLying, 10);
    Recording r;
    RecordingError error;
    ASSERT_TRUE(simtool::ParseRecording(bytes, "cut.rec", &r, &error)) << error.message;
    simtool::RecordedFrame frame;
    ASSERT_TRUE(simtool::DecodeFrame(r, 1, &frame, &error));
    ASSERT_GE(frame.events.size(), 2u);
    const uint32_t begin = r.frameOffsets[1];
    const uint32_t kept = frame.events[1].offset - begin; // the header and the frame start
    const uint32_t dropped = r.frameLengths[1] - kept;
    bytes.erase(bytes.begin() + begin + kept, bytes.begin() + begin + r.frameLengths[1]);
    const auto put = [&bytes](size_t at, uint32_t v) { memcpy(&bytes[at], &v, 4); };
    uint32_t framesBytes = 0, flags = 0;
    const size_t framesBytesAt = r.frameOffsets[0] - 4;
    memcpy(&framesBytes, &bytes[framesBytesAt], 4);
    put(framesBytesAt, framesBytes - dropped);
    put(begin, kept);
    memcpy(&flags, &bytes[begin + 8], 4);
    put(begin + 8, flags | kFrameCutShort);
    const ReplayResult result = Replay(bytes);
    EXPECT_EQ(4, result.frames);
    EXPECT_TRUE(result.differences.empty())
        << result.differences[0].frame << " " << result.differences[0].what.substr(0, 200);
    EXPECT_EQ(std::vector<int>{1}, result.cutShort);
}

// The ring keeps the last N frames; each recording begins with the settings
// The byte after WeaponDrawn is noted beside it, and the replay counts the
// frames in which the two differ, also where the game changes one of them
// between two sites of a frame.
TEST(Replay, CountsTheFramesInWhichTheTwoWeaponBytesDiffer) {
    const char* const kDrawing = R"({
      "settings": ["[Main]"],
      "steps": [
        {"frames": 1},
        {"set": {"process.WeaponDrawn": 1}, "frames": 2},
        {"set": {"process.ByteAfterWeaponDrawn": 1}, "frames": 1},
        {"during": {"body": {"process.WeaponDrawn": 0}}, "frames": 1},
        {"set": {"process.ByteAfterWeaponDrawn": 0}, "frames": 1}
      ]})";
    const ReplayResult r = Replay(Record(kDrawing, 10));
    EXPECT_EQ(6, r.frames);
    EXPECT_TRUE(r.differences.empty()) << r.differences[0].what;
    EXPECT_EQ(3, r.weaponBytesDiffer); // frames 1 and 2, and frame 4 from its body pass on
}

// in force at its first kept frame.
TEST(Recorder, TheRingKeepsTheLastFramesWithTheirSettings) {
    std::string text = R"({"settings": ["[Main]", "bReloadSettingsOnGameLoad=1"],
        "steps": [{"frames": 7},
        {"settings": ["[Main]", "bReloadSettingsOnGameLoad=1", "fCameraPosZ=16"],
         "hostMessage": 8, "frames": 3}]})";
    Recording r;
    RecordingError error;
    ASSERT_TRUE(simtool::ParseRecording(Record(text, 5), "ring.rec", &r, &error)) << error.message;
    ASSERT_EQ(5u, r.frameOffsets.size());
    simtool::RecordedFrame first, last;
    ASSERT_TRUE(simtool::DecodeFrame(r, 0, &first, &error));
    ASSERT_TRUE(simtool::DecodeFrame(r, 4, &last, &error));
    EXPECT_EQ(5u, first.number); // frames 0 to 4 dropped
    EXPECT_EQ(9u, last.number);
    float z;
    memcpy(&z, &r.settings[offsetof(SettingsRecord, fCameraPosZ) / 4], 4);
    EXPECT_EQ(6.0f, z); // frames 5 and 6 began with the load's settings
    // The reload took effect at frame 7: it is there, and the replay agrees.
    int reloads = 0;
    for (size_t i = 0; i < 5; ++i) {
        simtool::RecordedFrame f;
        ASSERT_TRUE(simtool::DecodeFrame(r, i, &f, &error));
        for (const simtool::RecordedEvent& e : f.events) {
            reloads += e.tag == kEventSettings && f.number == 7;
        }
    }
    EXPECT_EQ(1, reloads);
    const ReplayResult kept = Replay(r.bytes);
    EXPECT_TRUE(kept.differences.empty())
        << kept.differences[0].frame << " " << kept.differences[0].what.substr(0, 300);
}

// Many more frames than the room holds at once: the ring wraps at its end
// many times over, and what it keeps are still the last frames, whole.
TEST(Recorder, TheRingWrapsAndKeepsTheLastFramesWhole) {
    const std::string text = R"({"settings": ["[Main]", "bEnableHeadBob=1"],
        "steps": [{"set": {"process.SitState": 8}, "frames": 60},
                  {"set": {"process.SitState": 0}, "during": {"body": {"process.SitState": 3}},
                   "frames": 140}]})";
    Recording r;
    RecordingError error;
    ASSERT_TRUE(simtool::ParseRecording(Record(text, 3), "wrap.rec", &r, &error)) << error.message;
    ASSERT_EQ(3u, r.frameOffsets.size());
    // 200 frames of this size fill the least room reserved (two of the
    // longest frames) more than once.
    const size_t frameBytes = r.bytes.size() - RecordingHeaderSize(kSettingsKeyCount);
    EXPECT_GT(200 * frameBytes / 3, 2 * kMaxFrameBytes);
    for (uint32_t i = 0; i < 3; ++i) {
        simtool::RecordedFrame f;
        ASSERT_TRUE(simtool::DecodeFrame(r, i, &f, &error)) << error.message;
        EXPECT_EQ(197u + i, f.number);
        EXPECT_EQ(0u, f.flags); // none cut short
    }
    const ReplayResult wrapped = Replay(r.bytes);
    EXPECT_TRUE(wrapped.differences.empty())
        << wrapped.differences[0].frame << " " << wrapped.differences[0].what.substr(0, 300);
}

// The settings watch reads the file again inside a frame start: the replay
// lets the plug-in read it at the same point, and the exported scenario
// rewrites the file at that frame.
TEST(Replay, AReloadByTheWatchReplaysAtTheSamePoint) {
    const std::string text =
        R"({"settings": ["[Main]", "bReloadSettingsOnChange=1", "bEnableHeadBob=1"],
        "steps": [{"frames": 2},
        {"settings": ["[Main]", "bReloadSettingsOnChange=1", "bEnableHeadBob=1",
                      "fCameraPosY=20"], "frames": 2}]})";
    const std::vector<uint8_t> bytes = Record(text, 10);
    Recording r;
    RecordingError error;
    ASSERT_TRUE(simtool::ParseRecording(bytes, "watch.rec", &r, &error)) << error.message;
    simtool::RecordedFrame third;
    ASSERT_TRUE(simtool::DecodeFrame(r, 2, &third, &error));
    ASSERT_GE(third.events.size(), 2u);
    EXPECT_EQ(kEventSite, third.events[0].tag); // the reload comes inside the frame start
    bool reloaded = false;
    for (const simtool::RecordedEvent& e : third.events) {
        reloaded = reloaded || e.tag == kEventSettings;
    }
    EXPECT_TRUE(reloaded);
    const ReplayResult result = Replay(bytes);
    EXPECT_TRUE(result.differences.empty()) << result.differences[0].what;
    const std::string scenario = simtool::RecordingAsScenario(r);
    EXPECT_NE(std::string::npos, scenario.find("fCameraPosY=20")) << scenario;
}

// Another plug-in holds the shadow pass's place: the frame's chores come at
// the camera update, where the watch reloads the file before the logic reads
// the game, and the host's first message comes again later. Recorded with
// the frames kept from before the first message and from after it, the
// replay agrees.
TEST(Replay, WithAnotherPlugInAtTheShadowPassTheWatchAndTheFirstMessageReplay) {
    const std::string text =
        R"({"settings": ["[Main]", "bReloadSettingsOnChange=1"], "otherPlugins": ["trifle"],
        "steps": [{"frames": 2},
        {"settings": ["[Main]", "bReloadSettingsOnChange=1", "fCameraPosY=20"], "frames": 2},
        {"hostMessage": 0, "set": {"process.SitState": 3, "player.ThirdPerson": 1},
         "cameraSwitch": "sitting", "frames": 2}]})";
    for (int kept : {10, 3}) {
        const ReplayResult result = Replay(Record(text, kept));
        EXPECT_TRUE(result.differences.empty())
            << kept << ": frame " << result.differences[0].frame << " "
            << result.differences[0].what.substr(0, 300);
    }
}

// A value the game changed between two sites that only a branch site's
// predicate read: the body hidden before the body pass, where the game's
// update passes the shown-record skip in the design's order (the
// weapon drawn: both skeletons shown at the frame start). Noted only at the
// frame start, the replay's predicate sees the body shown and decides
// otherwise.
TEST(Replay, AChangeReadOnlyByABranchSiteMissingMakesTheRoundTripFail) {
    const char* const kHidden = R"({
      "settings": ["[Main]"], "frame": "design",
      "steps": [
        {"set": {"process.WeaponDrawn": 1}, "frames": 1},
        {"during": {"body": {"nodes.BodyRoot.Flags": 1}}, "frames": 1},
        {"set": {"nodes.BodyRoot.Flags": 0}, "frames": 1}
      ]})";
    ASSERT_TRUE(Replay(Record(kHidden, 10)).differences.empty());
    OmitFromRecordingForTests(kBlockNode, kNodeFlags, true);
    const ReplayResult r = Replay(Record(kHidden, 10));
    OmitFromRecordingForTests(-1, 0, false);
    ASSERT_FALSE(r.differences.empty());
    EXPECT_EQ(1, r.differences[0].frame) << r.differences[0].what;
    EXPECT_NE(std::string::npos, r.differences[0].what.find("decided")) << r.differences[0].what;
}

// --- reading any bytes ----------------------------------------------------------

std::string Problem(std::vector<uint8_t> bytes) {
    Recording r;
    RecordingError error;
    if (simtool::ParseRecording(std::move(bytes), "bad.rec", &r, &error)) {
        return "";
    }
    return error.message;
}

TEST(RecordingReader, SaysWhatIsWrongWithTheFileAndWhere) {
    const std::vector<uint8_t> good = Record(kLying, 10);
    ASSERT_EQ("", Problem(good));
    EXPECT_EQ("bad.rec: at byte 0: not a recording of Lumenfold (a recording begins with "
              "\"LFREC\")",
              Problem({}));
    std::vector<uint8_t> version = good;
    version[8] = 7;
    EXPECT_EQ("bad.rec: at byte 8: format version 7; this lumenfold-sim reads versions 1 to 2",
              Problem(version));
    // A frame count larger than the file, and one claiming gigabytes.
    const uint32_t countAt = RecordingHeaderSize(kSettingsKeyCount) - 8;
    std::vector<uint8_t> more = good;
    more[countAt] = 200;
    EXPECT_EQ("bad.rec: at byte " + std::to_string(countAt) +
                  ": the header claims 200 frames; the file holds 4",
              Problem(more));
    std::vector<uint8_t> huge = good;
    const uint32_t gigabytes = 0xF0000000u;
    memcpy(&huge[countAt + 4], &gigabytes, 4);
    EXPECT_NE(std::string::npos,
              Problem(huge).find("the header claims 4026531840 bytes of frames"));
    // Cut anywhere: a problem with its place, never a crash.
    for (size_t cut = 1; cut < good.size(); cut += 7) {
        const std::string p = Problem(std::vector<uint8_t>(good.begin(), good.begin() + cut));
        EXPECT_EQ(0u, p.find("bad.rec: at byte ")) << cut;
    }
    // Random bytes behind a good header: refused with the file and a byte
    // inside it, or read whole, every frame of it.
    srand(1);
    int refused = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> noise = good;
        for (size_t i = RecordingHeaderSize(kSettingsKeyCount); i < noise.size(); ++i) {
            if (rand() % 5 == 0) {
                noise[i] = static_cast<uint8_t>(rand());
            }
        }
        Recording r;
        RecordingError error;
        if (!simtool::ParseRecording(noise, "bad.rec", &r, &error)) {
            ++refused;
            unsigned long at = 0;
            char rest = 0;
            ASSERT_EQ(2, sscanf(error.message.c_str(), "bad.rec: at byte %lu: %c", &at, &rest))
                << round << ": " << error.message;
            EXPECT_LE(at, noise.size()) << round << ": " << error.message;
            continue;
        }
        ASSERT_FALSE(r.frameOffsets.empty()) << round;
        for (size_t f = 0; f < r.frameOffsets.size(); ++f) {
            simtool::RecordedFrame frame;
            EXPECT_TRUE(simtool::DecodeFrame(r, f, &frame, &error))
                << round << ", frame " << f << ": " << error.message;
        }
    }
    // Noise that dense spoils nearly every file.
    EXPECT_GT(refused, 150);
}

// A recording of one frame with these events, behind the header of `good`.
std::vector<uint8_t> OneFrame(const std::vector<uint8_t>& good, const std::vector<uint8_t>& events,
                              uint32_t claimed = 0) {
    const uint32_t header = RecordingHeaderSize(kSettingsKeyCount);
    std::vector<uint8_t> bytes(good.begin(), good.begin() + header);
    const uint32_t length = claimed != 0 ? claimed : kFrameHeaderSize + events.size();
    const uint32_t one = 1, framesBytes = kFrameHeaderSize + events.size();
    memcpy(&bytes[header - 8], &one, 4);
    memcpy(&bytes[header - 4], &framesBytes, 4);
    bytes.resize(header + kFrameHeaderSize, 0);
    memcpy(&bytes[header], &length, 4);
    bytes.insert(bytes.end(), events.begin(), events.end());
    return bytes;
}

void PutWord(std::vector<uint8_t>* events, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        events->push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

std::vector<uint8_t> StateEvent(uint8_t kind, uint32_t token, uint32_t word) {
    std::vector<uint8_t> e = {kEventState, kind};
    PutWord(&e, token);
    e.push_back(0); // first word
    e.push_back(1); // count
    PutWord(&e, word);
    return e;
}

// A file the reader accepts replays or is refused with its byte; it never
// stops the replay.
TEST(RecordingReader, AFileItAcceptsReplaysOrIsRefusedWithItsByte) {
    const std::vector<uint8_t> good = Record(kLying, 10);
    std::vector<uint8_t> start = {kEventSite, kSiteFrameStart};
    PutWord(&start, 0);
    PutWord(&start, 0);
    const uint32_t frameAt = RecordingHeaderSize(kSettingsKeyCount);
    const uint32_t eventsAt = frameAt + kFrameHeaderSize + static_cast<uint32_t>(start.size());
    // A node of token 0.
    std::vector<uint8_t> events = start;
    const std::vector<uint8_t> none = StateEvent(kBlockNode, 0, 0);
    events.insert(events.end(), none.begin(), none.end());
    EXPECT_EQ("bad.rec: at byte " + std::to_string(eventsAt) +
                  ": a state event of block kind 3 names no object (token 0)",
              Problem(OneFrame(good, events)));
    // A frame longer than the plug-in ever writes one.
    EXPECT_EQ("bad.rec: at byte " + std::to_string(frameAt) +
                  ": frame 0 claims 70000 bytes; a frame holds at most 65536",
              Problem(OneFrame(good, start, 70000)));
    // One token as a node and then as a record: read, and refused by the
    // replay at the frame.
    events = start;
    for (uint8_t kind : {kBlockNode, kBlockRecord}) {
        const std::vector<uint8_t> e = StateEvent(kind, 0x1234, 0);
        events.insert(events.end(), e.begin(), e.end());
    }
    events.push_back(kEventEnd);
    Recording r;
    RecordingError error;
    ASSERT_TRUE(simtool::ParseRecording(OneFrame(good, events), "two.rec", &r, &error))
        << error.message;
    testing::internal::CaptureStdout();
    const ReplayResult result = simtool::ReplayRecording(r, simtool::ReplayOptions());
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(1u, result.failures.size());
    EXPECT_EQ("at byte " + std::to_string(frameAt) +
                  ": object 0x00001234 is an animation record here and a node before",
              result.failures[0]);
    // A byte changed anywhere in the frames: whatever is read replays (or
    // is refused) without a crash.
    srand(2);
    int replayed = 0;
    for (int round = 0; round < 100; ++round) {
        std::vector<uint8_t> noise = good;
        noise[frameAt + static_cast<size_t>(rand()) % (noise.size() - frameAt)] =
            static_cast<uint8_t>(rand());
        if (simtool::ParseRecording(noise, "noise.rec", &r, &error)) {
            testing::internal::CaptureStdout();
            simtool::ReplayRecording(r, simtool::ReplayOptions());
            testing::internal::GetCapturedStdout();
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 10);
}

// --- the files beside the game ----------------------------------------------------

class RecordingFiles : public ::testing::Test {
  protected:
    RecordingFiles() {
        char tmpl[] = "/tmp/lumenfold-rec-XXXXXX";
        root_ = mkdtemp(tmpl);
        std::string windows = root_ + "/Oblivion.exe";
        for (char& c : windows) {
            c = c == '/' ? '\\' : c;
        }
        PlatformSetModuleFileName(windows.c_str());
        ReserveRecording(3, 21, 0x010201A0);
        NoteFrameStart();
    }
    ~RecordingFiles() override {
        ReserveRecording(0, 0, 0);
        PlatformUseRealLocalTime();
        PlatformUnlockFiles();
        PlatformFillDiskAfter(-1);
        PlatformBeforeCreateFile(nullptr, nullptr);
        EXPECT_EQ(0, system(("rm -rf '" + root_ + "'").c_str()));
    }
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        const std::string list = "ls '" + root_ + "' > '" + root_ + ".list'";
        EXPECT_EQ(0, system(list.c_str()));
        std::ifstream in(root_ + ".list");
        for (std::string name; std::getline(in, name);) {
            names.push_back(name);
        }
        remove((root_ + ".list").c_str());
        return names;
    }
    std::string root_;
};

TEST_F(RecordingFiles, NamedByTheTimeAndTheFiveNewestKept) {
    // Another file of the folder that only looks like one is left alone.
    std::ofstream(root_ + "/OBSE_Lumenfold-notes.rec") << "mine";
    for (int minute = 0; minute < 7; ++minute) {
        PlatformSetLocalTime(LocalTime{2026, 12, 8, 21, static_cast<uint16_t>(minute), 5});
        testing::internal::CaptureStdout();
        EXPECT_TRUE(WriteRecordingFile());
        testing::internal::GetCapturedStdout();
    }
    // Two in the same second.
    testing::internal::CaptureStdout();
    EXPECT_TRUE(WriteRecordingFile());
    testing::internal::GetCapturedStdout();
    const std::vector<std::string> want = {
        "OBSE_Lumenfold-20261208-210305.rec", "OBSE_Lumenfold-20261208-210405.rec",
        "OBSE_Lumenfold-20261208-210505.rec", "OBSE_Lumenfold-20261208-210605-2.rec",
        "OBSE_Lumenfold-20261208-210605.rec", "OBSE_Lumenfold-notes.rec"};
    EXPECT_EQ(want, Files());
}

// The clock set back an hour (summer time ended): the file just written
// stays, and the oldest written goes.
TEST_F(RecordingFiles, TheFileJustWrittenStaysWhateverTheClockSays) {
    for (uint16_t minute = 0; minute < 5; ++minute) {
        PlatformSetLocalTime(LocalTime{2026, 12, 8, 21, minute, 0});
        testing::internal::CaptureStdout();
        EXPECT_TRUE(WriteRecordingFile());
        testing::internal::GetCapturedStdout();
    }
    PlatformSetLocalTime(LocalTime{2026, 12, 8, 20, 5, 0});
    testing::internal::CaptureStdout();
    EXPECT_TRUE(WriteRecordingFile());
    testing::internal::GetCapturedStdout();
    const std::vector<std::string> want = {
        "OBSE_Lumenfold-20261208-200500.rec", "OBSE_Lumenfold-20261208-210100.rec",
        "OBSE_Lumenfold-20261208-210200.rec", "OBSE_Lumenfold-20261208-210300.rec",
        "OBSE_Lumenfold-20261208-210400.rec"};
    EXPECT_EQ(want, Files());
}

// Saved when the problem showed, then left to the menu and to the desktop,
// started again and left again: the save's recording is still there, the
// log names each file's kind, and one recording at leaving is kept.
TEST_F(RecordingFiles, LeavingTheGameNeverPushesOutASavedGamesRecording) {
    OpenLogFile();
    const auto write = [](RecordingKind kind, uint16_t minute) {
        PlatformSetLocalTime(LocalTime{2026, 12, 8, 21, minute, 0});
        testing::internal::CaptureStdout();
        const bool written = WriteRecordingFile(kind);
        testing::internal::GetCapturedStdout();
        return written;
    };
    EXPECT_TRUE(write(RecordingKind::Save, 0));
    EXPECT_TRUE(write(RecordingKind::Exit, 1));  // to the menu
    EXPECT_FALSE(write(RecordingKind::Exit, 2)); // to the desktop: once a start
    ForgetRecordingFilesWritten();               // a new start of the game
    for (uint16_t minute = 3; minute < 9; ++minute) {
        EXPECT_TRUE(write(RecordingKind::Exit, minute));
        ForgetRecordingFilesWritten();
    }
    CloseLogFile();
    std::ifstream log(root_ + "/OBSE_Lumenfold.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, text.find("recording written: OBSE_Lumenfold-20261208-210000.rec "
                                           "(1 frames, at a saved game)"))
        << text;
    EXPECT_NE(std::string::npos, text.find("recording written: "
                                           "OBSE_Lumenfold-exit-20261208-210100.rec (1 frames, at "
                                           "leaving the game)"))
        << text;
    log.close();
    remove((root_ + "/OBSE_Lumenfold.log").c_str());
    const std::vector<std::string> want = {"OBSE_Lumenfold-20261208-210000.rec",
                                           "OBSE_Lumenfold-exit-20261208-210800.rec"};
    EXPECT_EQ(want, Files());
}

// A folder that cannot be written, or a full disk: the recording is lost
// with a line that says so, nothing is left half written, and the game goes
// on.
TEST_F(RecordingFiles, AFolderThatCannotBeWrittenOrAFullDiskLosesOnlyTheRecording) {
    PlatformSetLocalTime(LocalTime{2026, 12, 8, 21, 0, 0});
    PlatformLockFile(root_ + "/OBSE_Lumenfold-20261208-210000.rec");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteRecordingFile());
    EXPECT_EQ("recording: OBSE_Lumenfold-20261208-210000.rec cannot be written in the game's "
              "folder; the recording is lost\n",
              testing::internal::GetCapturedStdout());
    PlatformUnlockFiles();
    PlatformFillDiskAfter(100);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteRecordingFile());
    EXPECT_EQ("recording: OBSE_Lumenfold-20261208-210000.rec could not be written whole (is the "
              "disk full?); the recording is lost\n",
              testing::internal::GetCapturedStdout());
    EXPECT_TRUE(Files().empty());
    PlatformFillDiskAfter(-1);
    NoteFrameStart(); // recording goes on
    EXPECT_EQ(2, RecordedFrameCount());
}

// Another program makes a file of the name between the look for it and the
// making of the recording: that file is neither written over nor removed
// (also when the disk then fills up), and the recording takes the next name.
TEST_F(RecordingFiles, AFileMadeMeanwhileByAnotherProgramIsLeftAlone) {
    PlatformSetLocalTime(LocalTime{2026, 12, 8, 21, 0, 0});
    struct Other {
        std::string path;
        bool done = false;
    } other = {root_ + "/OBSE_Lumenfold-20261208-210000.rec"};
    const auto makeOnce = [](const char*, void* context) {
        Other* o = static_cast<Other*>(context);
        if (!o->done) {
            o->done = true;
            std::ofstream(o->path) << "another program's";
        }
    };
    PlatformBeforeCreateFile(makeOnce, &other);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(WriteRecordingFile());
    testing::internal::GetCapturedStdout();
    const auto text = [](const std::string& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ("another program's", text(other.path));
    const std::vector<std::string> both = {"OBSE_Lumenfold-20261208-210000-2.rec",
                                           "OBSE_Lumenfold-20261208-210000.rec"};
    EXPECT_EQ(both, Files());

    // The same in the next second, and then the disk is full: only the file
    // this write made goes.
    PlatformSetLocalTime(LocalTime{2026, 12, 8, 21, 0, 1});
    other = {root_ + "/OBSE_Lumenfold-20261208-210001.rec"};
    PlatformFillDiskAfter(10);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteRecordingFile());
    testing::internal::GetCapturedStdout();
    PlatformFillDiskAfter(-1);
    PlatformBeforeCreateFile(nullptr, nullptr);
    EXPECT_EQ("another program's", text(other.path));
    const std::vector<std::string> three = {"OBSE_Lumenfold-20261208-210000-2.rec",
                                            "OBSE_Lumenfold-20261208-210000.rec",
                                            "OBSE_Lumenfold-20261208-210001.rec"};
    EXPECT_EQ(three, Files());
}

// The first message of leaving finds the folder unwritable: the recording
// at leaving is tried again at the next one (leaving to the menu, then to
// the desktop), and written once.
TEST_F(RecordingFiles, AFailedRecordingAtLeavingIsTriedAgainAtTheNextMessage) {
    PlatformSetLocalTime(LocalTime{2026, 12, 8, 21, 0, 0});
    PlatformLockFile(root_ + "/OBSE_Lumenfold-exit-20261208-210000.rec");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteRecordingFile(RecordingKind::Exit));
    testing::internal::GetCapturedStdout();
    PlatformUnlockFiles();
    testing::internal::CaptureStdout();
    EXPECT_TRUE(WriteRecordingFile(RecordingKind::Exit));
    EXPECT_FALSE(WriteRecordingFile(RecordingKind::Exit)); // once it is written, once a start
    testing::internal::GetCapturedStdout();
    const std::vector<std::string> want = {"OBSE_Lumenfold-exit-20261208-210000.rec"};
    EXPECT_EQ(want, Files());
}

} // namespace
