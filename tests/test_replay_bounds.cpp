// A replay of any file ends, in bounded time and memory: a node linked to
// itself or into a cycle is refused at the byte that links it, a chain of
// nodes deeper than any skeleton is walked only so far, a file that names
// more objects than its size holds is refused where it runs out, and the two
// weapon bytes are compared where the logic reads them.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "sim/node_walk.h"
#include "sim/sim_game.h"
#include "tools/sim/replay/recording_read.h"
#include "tools/sim/replay/replay.h"
#include "tools/sim/scenario/game_folder.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"

namespace {

using simtool::Recording;
using simtool::RecordingError;
using simtool::ReplayResult;
using Bytes = std::vector<uint8_t>;

Bytes Record(const std::string& text, int frames) {
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    EXPECT_TRUE(simtool::ParseScenario(text, "test.json", &scenario, &error)) << error.message;
    simtool::RecordFrames(&scenario, frames);
    Bytes bytes;
    testing::internal::CaptureStdout();
    simtool::RunScenario(scenario, {}, [&bytes](sim::Host&, const simtool::GameFolder&) {
        bytes = simtool::RecordingBytes();
    });
    testing::internal::GetCapturedStdout();
    return bytes;
}

ReplayResult Replay(const Bytes& bytes) {
    Recording recording;
    RecordingError error;
    EXPECT_TRUE(simtool::ParseRecording(bytes, "test.rec", &recording, &error)) << error.message;
    testing::internal::CaptureStdout();
    ReplayResult result = simtool::ReplayRecording(recording, simtool::ReplayOptions());
    testing::internal::GetCapturedStdout();
    return result;
}

std::string Failure(const ReplayResult& r) {
    return r.failures.empty() ? "" : r.failures[0];
}

void AddWord(Bytes* b, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b->push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

uint32_t WordAt(const Bytes& b, size_t at) {
    uint32_t v;
    memcpy(&v, &b[at], 4);
    return v;
}

// A node's words from `first` on.
Bytes NodeWords(uint32_t token, uint8_t first, const std::vector<uint32_t>& words) {
    Bytes e = {kEventState, kBlockNode};
    AddWord(&e, token);
    e.push_back(first);
    e.push_back(static_cast<uint8_t>(words.size()));
    for (uint32_t w : words) {
        AddWord(&e, w);
    }
    return e;
}
Bytes Parent(uint32_t token, uint32_t parent) {
    return NodeWords(token, kNodeParent, {parent});
}
Bytes FirstChild(uint32_t token, uint32_t child) {
    return NodeWords(token, kNodeChildCount, {1, child});
}

// A standing player, recorded frame by frame.
const char* const kStanding = R"({"settings": ["[Main]"], "steps": [{"frames": 3}]})";

// The recording of kStanding with `events` at the end of the game values
// of the first entry of frame `frame` (where they overrule what the frame
// noted), the frame's length and the header's count made to fit; `at` gets
// the byte where they begin.
Bytes WithEvents(const Bytes& good, size_t frame, const Bytes& events, uint32_t* at) {
    Recording r;
    RecordingError error;
    EXPECT_TRUE(simtool::ParseRecording(good, "good.rec", &r, &error)) << error.message;
    simtool::RecordedFrame decoded;
    EXPECT_TRUE(simtool::DecodeFrame(r, frame, &decoded, &error));
    const std::vector<simtool::RecordedEvent>& e = decoded.events;
    size_t k = 0;
    while (k < e.size() && !(e[k].tag == kEventSite && !IsPassSite(e[k].code))) {
        ++k;
    }
    for (++k; k < e.size() && (e[k].tag == kEventState || e[k].tag == kEventName);) {
        ++k;
    }
    EXPECT_LT(k, e.size());
    *at = e[k].offset;
    Bytes bytes = good;
    bytes.insert(bytes.begin() + *at, events.begin(), events.end());
    const uint32_t frameAt = r.frameOffsets[frame];
    const uint32_t length = WordAt(bytes, frameAt) + static_cast<uint32_t>(events.size());
    memcpy(&bytes[frameAt], &length, 4);
    const uint32_t sizeAt = RecordingHeaderSize(kSettingsKeyCount) - 4;
    const uint32_t frames = WordAt(bytes, sizeAt) + static_cast<uint32_t>(events.size());
    memcpy(&bytes[sizeAt], &frames, 4);
    return bytes;
}

// The byte a replay's failure names, and what it says.
unsigned long FailedAt(const ReplayResult& r) {
    return r.failures.empty() ? 0 : std::stoul(r.failures[0].substr(8));
}
bool Says(const ReplayResult& r, const std::string& what) {
    return !r.failures.empty() && r.failures[0].find(what) != std::string::npos;
}

// The token of the player's BodyRoot in a recording.
uint32_t BodyRootToken(const Bytes& good) {
    Recording r;
    RecordingError error;
    EXPECT_TRUE(simtool::ParseRecording(good, "good.rec", &r, &error));
    simtool::RecordedFrame frame;
    EXPECT_TRUE(simtool::DecodeFrame(r, 0, &frame, &error));
    for (const simtool::RecordedEvent& e : frame.events) {
        if (e.tag == kEventState && e.code == kBlockScalars && e.b <= kScalarBodyRoot &&
            e.b + e.words.size() > kScalarBodyRoot) {
            return e.words[kScalarBodyRoot - e.b];
        }
    }
    ADD_FAILURE() << "no BodyRoot in the recording";
    return 0;
}

TEST(ReplayBounds, ANodeLinkedToItselfOrIntoACycleIsRefusedAtItsByte) {
    const Bytes good = Record(kStanding, 10);
    const uint32_t body = BodyRootToken(good);
    ASSERT_NE(0u, body);
    ASSERT_TRUE(Replay(good).failures.empty());
    uint32_t at = 0;
    // BodyRoot its own first child: the game's search went round it for ever.
    Bytes bytes = WithEvents(good, 1, FirstChild(body, body), &at);
    ReplayResult r = Replay(bytes);
    EXPECT_EQ("at byte " + std::to_string(at) + ": node BodyRoot is its own child", Failure(r));
    EXPECT_EQ(1, r.frames); // the frame before it replayed
    // BodyRoot its own parent: the walk up from a bone to it never ended.
    r = Replay(WithEvents(good, 0, Parent(body, body), &at));
    EXPECT_EQ("at byte " + std::to_string(at) + ": node BodyRoot is its own parent", Failure(r));
    // Two nodes, each the other's parent; each the other's child: refused
    // at the second's link.
    Bytes two = Parent(0x5000, body);
    const Bytes back = Parent(body, 0x5000);
    two.insert(two.end(), back.begin(), back.end());
    r = Replay(WithEvents(good, 0, two, &at));
    EXPECT_TRUE(Says(r, "would be its own ancestor")) << Failure(r);
    EXPECT_TRUE(FailedAt(r) == at || FailedAt(r) == at + 12) << Failure(r);
    two = FirstChild(body, 0x5000);
    const Bytes down = FirstChild(0x5000, body);
    two.insert(two.end(), down.begin(), down.end());
    r = Replay(WithEvents(good, 2, two, &at));
    EXPECT_TRUE(Says(r, "would be its own descendant")) << Failure(r);
    EXPECT_TRUE(FailedAt(r) == at || FailedAt(r) == at + 16) << Failure(r);
    EXPECT_EQ(2, r.frames);
}

TEST(ReplayBounds, ChainsDeeperThanAnySkeletonAreWalkedOnlySoFar) {
    const Bytes good = Record(kStanding, 10);
    const uint32_t body = BodyRootToken(good);
    uint32_t at = 0;
    // Each node the parent of the next, from BodyRoot down: refused where
    // a node would hang under more than 256.
    Bytes chain;
    uint32_t previous = body;
    size_t refusedAt = 0;
    for (uint32_t i = 0; i < 400; ++i) {
        const Bytes e = Parent(0x6000 + i, previous);
        if (i == 300) {
            refusedAt = chain.size();
        }
        chain.insert(chain.end(), e.begin(), e.end());
        previous = 0x6000 + i;
    }
    ReplayResult r = Replay(WithEvents(good, 0, chain, &at));
    EXPECT_TRUE(Says(r, "would hang under more than 256 parents")) << Failure(r);
    EXPECT_LT(at, FailedAt(r));
    EXPECT_GE(at + refusedAt, FailedAt(r));
    // Each the first child of the one before, from BodyRoot down: the
    // searches of the bones go only so deep, and the replay ends.
    chain.clear();
    for (uint32_t next = 0x7000; next < 0x7000 + 1000; ++next) {
        const Bytes e = FirstChild(next == 0x7000 ? body : next - 1, next);
        chain.insert(chain.end(), e.begin(), e.end());
    }
    r = Replay(WithEvents(good, 0, chain, &at));
    EXPECT_TRUE(r.failures.empty()) << Failure(r);
    EXPECT_EQ(3, r.frames);
}

TEST(ReplayBounds, AFileNamingMoreObjectsThanItsSizeHoldsIsRefusedWhereItRunsOut) {
    const Bytes good = Record(kStanding, 10);
    uint32_t at = 0;
    Bytes fresh;
    for (uint32_t i = 0; i < 5000; ++i) {
        const Bytes e = NodeWords(0x10000 + i, kNodeFlags, {0});
        fresh.insert(fresh.end(), e.begin(), e.end());
    }
    const Bytes bytes = WithEvents(good, 0, fresh, &at);
    const ReplayResult r = Replay(bytes);
    EXPECT_TRUE(Says(r, "the recording names more objects of the game than a file of its size "
                        "holds"))
        << Failure(r);
    // Refused at one of the fresh tokens' events, not at the frame's end.
    EXPECT_GE(FailedAt(r), at);
    EXPECT_LT(FailedAt(r), at + fresh.size());
    EXPECT_EQ(0, r.frames);
}

TEST(ReplayBounds, AFileLargerThanTheReaderTakesIsRefusedBeforeItIsHeld) {
    Recording r;
    RecordingError error;
    EXPECT_FALSE(
        simtool::ParseRecording(Bytes(simtool::kMaxRecordingBytes + 1), "big.rec", &r, &error));
    EXPECT_EQ("big.rec: at byte 67108864: the file goes on; a recording is at most 64 MiB (the "
              "plug-in writes at most 15 MiB)",
              error.message);
}

// The weapon and the byte after it change together: between frames, or
// during a frame (at the body pass, noted as two events); the count is the
// same.
TEST(ReplayBounds, TheWeaponBytesAreComparedWhereTheLogicReadsThem) {
    const char* const kBetween = R"({"settings": ["[Main]"], "steps": [
        {"frames": 1},
        {"set": {"process.WeaponDrawn": 1, "process.ByteAfterWeaponDrawn": 1}, "frames": 2},
        {"set": {"process.WeaponDrawn": 0, "process.ByteAfterWeaponDrawn": 0}, "frames": 1}]})";
    const char* const kDuring = R"({"settings": ["[Main]"], "steps": [
        {"frames": 1},
        {"during": {"body": {"process.WeaponDrawn": 1, "process.ByteAfterWeaponDrawn": 1}},
         "frames": 2},
        {"during": {"body": {"process.WeaponDrawn": 0, "process.ByteAfterWeaponDrawn": 0}},
         "frames": 1}]})";
    const ReplayResult between = Replay(Record(kBetween, 10));
    const ReplayResult during = Replay(Record(kDuring, 10));
    ASSERT_EQ(4, between.frames);
    ASSERT_EQ(4, during.frames);
    EXPECT_TRUE(during.differences.empty()) << during.differences[0].what;
    EXPECT_EQ(0, between.weaponBytesDiffer);
    EXPECT_EQ(0, during.weaponBytesDiffer);
}

// The walk of a scene graph, linked any way at all: each node once, the
// search's order, never deeper than the bound.
TEST(NodeWalk, VisitsEachNodeOnceInTheSearchsOrderWithinItsBounds) {
    sim::Game game;
    sim::Node* a = game.NewNode("a", nullptr);
    sim::Node* b = game.NewNode("b", a);
    sim::Node* c = game.NewNode("c", b);
    sim::Node* d = game.NewNode("d", a);
    // c's child is a, and d's is b: a cycle and a node reached twice.
    c->childSlots[c->node.ChildCount++] = &a->node;
    d->childSlots[d->node.ChildCount++] = &b->node;
    std::string order;
    EXPECT_EQ(sim::WalkEnd::Whole, sim::WalkDown(&a->node, [&order](SceneNode* n, SceneNode*, int) {
                  order += reinterpret_cast<sim::Node*>(n)->name;
                  return false;
              }));
    EXPECT_EQ("abcd", order);
    // A chain far deeper than the bound: walked down to it, then ended.
    sim::Node* top = game.NewNode("top", nullptr);
    sim::Node* last = top;
    for (int i = 0; i < 2 * sim::kMaxNodeDepth; ++i) {
        last = game.NewNode("link", last);
    }
    int deepest = 0;
    EXPECT_EQ(sim::WalkEnd::Bounded, sim::WalkDown(&top->node, [&deepest](SceneNode*, SceneNode*,
                                                                          int depth) {
                  deepest = std::max(deepest, depth);
                  return false;
              }));
    EXPECT_EQ(sim::kMaxNodeDepth - 1, deepest);
    bool bounded = false;
    EXPECT_FALSE(sim::IsUnder(&last->node, &top->node, &bounded));
    EXPECT_TRUE(bounded);
    EXPECT_TRUE(sim::IsUnder(&c->node, &a->node, &bounded));
}

} // namespace
