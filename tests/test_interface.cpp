// Lumenfold's interface for other plug-ins, through the simulated host as
// another plug-in reaches it: the table asked for by message and by the
// exported function, every result code, the body view held off (frames
// that are the game's own, the forced mode kept for the give-back, takes and
// give-backs inside a frame), the messages of a change, tuning for the
// session, and the lines the log file gets.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "body/draw_visibility.h"
#include "entry/plugin_entry.h"
#include "entry/plugin_interface.h"
#include "log/diagnostic_log.h"
#include "platform/platform.h"
#include "sdk/lumenfold_api.h"
#include "settings/settings.h"
#include "sim/frame_driver.h"
#include "sim/other_plugins.h"
#include "sim/rig.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "view/view_state.h"

namespace {

// What the listening plug-in received from Lumenfold.
struct Received {
    uint32_t type;
    uint32_t result;                // an answer's
    const LumenfoldInterface* api;  // an answer's
    LumenfoldBodyView view;         // a change's
};
std::vector<Received> g_peer, g_bystander;
// A call the peer makes from inside each message of a change.
const char* g_holdInside = nullptr;
uint32_t g_insideResult = 0;
int g_depthInside = 0;
size_t g_receivedInside = 0; // messages the peer got while it called from inside one
sim::Host* g_hostForPeer = nullptr;

Received Copy(const HostMessage* m) {
    Received r = {m->Type, 0, nullptr, {}};
    if (m->Type == LUMENFOLD_MESSAGE_INTERFACE) {
        const LumenfoldAnswer* a = static_cast<const LumenfoldAnswer*>(m->Data);
        r.result = a->result;
        r.api = a->api;
    } else if (m->Type == LUMENFOLD_MESSAGE_CHANGED) {
        memcpy(&r.view, m->Data, sizeof r.view);
    }
    return r;
}

void LF_CDECL Peer(HostMessage* m) {
    EXPECT_STREQ("Lumenfold", m->Sender);
    g_peer.push_back(Copy(m));
    if (m->Type == LUMENFOLD_MESSAGE_CHANGED && g_holdInside != nullptr) {
        const size_t before = g_peer.size();
        g_insideResult = InterfaceTable()->HoldBodyViewOff(g_holdInside);
        g_depthInside = g_hostForPeer->dispatchDepth;
        g_receivedInside = g_peer.size() - before;
    }
}
void LF_CDECL Bystander(HostMessage* m) {
    g_bystander.push_back(Copy(m));
}

std::string Windows(std::string p) {
    for (char& c : p) {
        if (c == '/') {
            c = '\\';
        }
    }
    return p;
}

int Changes() {
    int n = 0;
    for (const Received& r : g_peer) {
        n += r.type == LUMENFOLD_MESSAGE_CHANGED;
    }
    return n;
}

class Interface : public ::testing::Test {
  protected:
    Interface() {
        char tmpl[] = "/tmp/lumenfold-iface-XXXXXX";
        root_ = mkdtemp(tmpl);
        PlatformSetModuleFileName(Windows(root_ + "/Oblivion.exe").c_str());
        PlatformSetClock(100000);
        ResetViewState();
        ResetShadowBracket();
        SetDefaultSettings();
        g_peer.clear();
        g_bystander.clear();
        g_holdInside = nullptr;
        g_hostForPeer = &host;
    }
    ~Interface() override {
        CloseLogFile();
        PlatformUseRealClock();
        EXPECT_EQ(0, system(("rm -rf '" + root_ + "'").c_str()));
    }
    void WriteSettings(const std::string& text) const {
        EXPECT_EQ(0, system(("mkdir -p '" + root_ + "/Data/obse/plugins'").c_str()));
        std::ofstream(root_ + "/Data/obse/plugins/OBSE_Lumenfold.ini", std::ios::binary) << text;
    }
    // Query and load, the peers' listeners, the host's first message.
    void Load(bool firstMessage = true) {
        PluginInfo info;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(OBSEPlugin_Query(&host.record, &info) && OBSEPlugin_Load(&host.record));
        peer_ = host.AddPlugin("Peer");
        bystander_ = host.AddPlugin("Bystander");
        if (firstMessage) {
            host.Send(kMessagePostLoad);
        }
        ASSERT_TRUE(host.messaging.RegisterListener(peer_, "Lumenfold", Peer));
        ASSERT_TRUE(host.messaging.RegisterListener(bystander_, "Lumenfold", Bystander));
        testing::internal::GetCapturedStdout();
    }
    // The peer's request, as it sends it.
    Received Request(const void* data, uint32_t length) {
        const size_t before = g_peer.size();
        host.messaging.Dispatch(peer_, LUMENFOLD_MESSAGE_REQUEST, const_cast<void*>(data), length,
                                "Lumenfold");
        EXPECT_EQ(before + 1, g_peer.size()) << "one answer";
        return g_peer.empty() ? Received{} : g_peer.back();
    }
    const LumenfoldInterface* Table() {
        const LumenfoldRequest request = {LUMENFOLD_INTERFACE_VERSION};
        return Request(&request, sizeof request).api;
    }
    void Frame(sim::CameraSwitch change = sim::CameraSwitch::None,
               const sim::StageHook& stage = nullptr) {
        sim::RunFrame(game, sim::StandardLoad(game), change, stage);
    }
    std::vector<std::string> Log() const {
        std::ifstream in(root_ + "/OBSE_Lumenfold.log", std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
        return lines;
    }
    // The log's lines since `from` lines.
    std::vector<std::string> LogSince(size_t from) const {
        const std::vector<std::string> all = Log();
        return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())),
                                        all.end());
    }

    std::string root_;
    sim::Game game;
    sim::Host host;
    uint32_t peer_ = 0, bystander_ = 0;
};

// --- finding Lumenfold --------------------------------------------------------------

TEST_F(Interface, ARequestIsAnsweredToTheAskerAloneAndTheExportGivesTheSameTable) {
    Load();
    const LumenfoldRequest request = {1};
    const Received answer = Request(&request, sizeof request);
    EXPECT_EQ(LUMENFOLD_MESSAGE_INTERFACE, answer.type);
    EXPECT_EQ(LUMENFOLD_OK, answer.result);
    ASSERT_NE(nullptr, answer.api);
    EXPECT_EQ(1u, answer.api->version);
    EXPECT_TRUE(g_bystander.empty()) << "the answer goes to the asker alone";
    EXPECT_EQ("interface: version 1 handed to \"Peer\" (asked for version 1)", Log().back());
    const LumenfoldInterface* exported = nullptr;
    EXPECT_EQ(LUMENFOLD_OK, LumenfoldQueryInterface(1, &exported));
    EXPECT_EQ(answer.api, exported);
    // Lumenfold's listener for every sender takes no other message for a
    // request, nor the host's own.
    const LumenfoldRequest other = {1};
    host.messaging.Dispatch(peer_, 77, const_cast<LumenfoldRequest*>(&other), sizeof other,
                            nullptr);
    host.Send(kMessagePostPostLoad);
    EXPECT_EQ(1u, g_peer.size());
}

TEST_F(Interface, BadRequestsAreRefusedEachWithItsOwnResultAndOneLine) {
    Load();
    const uint32_t longer[2] = {1, 99};
    const uint32_t version0 = 0, version2 = 2;
    const uint8_t twoBytes[2] = {1, 0};
    struct Case {
        const void* data;
        uint32_t length;
        uint32_t result;
        const char* words;
    } cases[] = {
        {nullptr, 0, LUMENFOLD_NO_DATA, "it carries no data (LUMENFOLD_NO_DATA)"},
        {longer, 0, LUMENFOLD_NO_DATA, "it carries no data (LUMENFOLD_NO_DATA)"},
        {nullptr, 4, LUMENFOLD_NO_DATA, "it carries no data (LUMENFOLD_NO_DATA)"},
        {twoBytes, 2, LUMENFOLD_SHORT_RECORD,
         "its data is 2 bytes long; a request is 4 (LUMENFOLD_SHORT_RECORD)"},
        {&version0, 4, LUMENFOLD_UNKNOWN_VERSION,
         "version 0 is not one Lumenfold has (it has versions 1 to 1) "
         "(LUMENFOLD_UNKNOWN_VERSION)"},
        {&version2, 4, LUMENFOLD_UNKNOWN_VERSION,
         "version 2 is not one Lumenfold has (it has versions 1 to 1) "
         "(LUMENFOLD_UNKNOWN_VERSION)"},
    };
    for (const Case& c : cases) {
        const size_t lines = Log().size();
        const Received answer = Request(c.data, c.length);
        EXPECT_EQ(c.result, answer.result) << c.words;
        EXPECT_EQ(nullptr, answer.api) << c.words;
        const std::vector<std::string> added = LogSince(lines);
        ASSERT_EQ(1u, added.size()) << c.words;
        EXPECT_EQ(std::string("interface: a request from \"Peer\" refused: ") + c.words, added[0]);
    }
    EXPECT_EQ(0, InterfaceInUse) << "no table was handed out";
    // A longer record (a later version's request) is taken by its first word.
    EXPECT_EQ(LUMENFOLD_OK, Request(longer, sizeof longer).result);

    // The exported function's own refusals; its answer is null on each.
    const LumenfoldInterface* api = InterfaceTable();
    EXPECT_EQ(LUMENFOLD_UNKNOWN_VERSION, LumenfoldQueryInterface(7, &api));
    EXPECT_EQ(nullptr, api);
    EXPECT_EQ(LUMENFOLD_NULL_POINTER, LumenfoldQueryInterface(1, nullptr));
    EXPECT_EQ("interface: LumenfoldQueryInterface refused: the answer's pointer is null "
              "(LUMENFOLD_NULL_POINTER)",
              Log().back());
}

TEST_F(Interface, CallsBeforeTheHostsFirstMessageAndAfterLeavingAreRefused) {
    Load(false);
    const LumenfoldInterface* t = InterfaceTable();
    const LumenfoldInterface* api = t;
    LumenfoldBodyView view;
    EXPECT_EQ(LUMENFOLD_NOT_YET, LumenfoldQueryInterface(1, &api));
    EXPECT_EQ(nullptr, api);
    EXPECT_EQ(LUMENFOLD_NOT_YET, t->HoldBodyViewOff("Cam"));
    EXPECT_EQ(LUMENFOLD_NOT_YET, t->GetBodyView(&view));
    EXPECT_EQ(0, BodyViewHeld);
    EXPECT_EQ("interface: GetBodyView refused: called before the script extender's message 0 "
              "(every plug-in loaded) (LUMENFOLD_NOT_YET)",
              Log().back());
    host.Send(kMessagePostLoad);
    EXPECT_EQ(LUMENFOLD_OK, t->HoldBodyViewOff("Cam"));
    host.Send(kMessageExitToMenu); // not leaving the game: calls go on
    EXPECT_EQ(LUMENFOLD_OK, t->GetBodyView(&view));
    host.Send(kMessageExit);
    EXPECT_EQ("the game is left while the body view is held off by \"Cam\"", Log().back());
    EXPECT_EQ(LUMENFOLD_EXITING, t->GiveBodyViewBack("Cam"));
    EXPECT_EQ(LUMENFOLD_EXITING, t->SetTuning("Cam", "fCameraPosZ", "16"));
    EXPECT_EQ(1, BodyViewHeld);
    const LumenfoldRequest request = {1};
    EXPECT_EQ(LUMENFOLD_EXITING, Request(&request, sizeof request).result);
}

TEST_F(Interface, InTheEditorNothingIsEverTaken) {
    host.record.EditorFlag = 1;
    PluginInfo info;
    ASSERT_TRUE(OBSEPlugin_Query(&host.record, &info) && OBSEPlugin_Load(&host.record));
    host.Send(kMessagePostLoad); // no listener in the editor
    EXPECT_EQ(LUMENFOLD_NOT_YET, InterfaceTable()->HoldBodyViewOff("Cam"));
}

// --- tags ---------------------------------------------------------------------------

TEST_F(Interface, TagsAreCheckedCountedOnceAndGivenBackOneByOne) {
    Load();
    const LumenfoldInterface* t = Table();
    const std::string longest(LUMENFOLD_MAX_TAG_LENGTH, 'x');
    const std::string tooLong = longest + "y";
    size_t lines = Log().size();
    EXPECT_EQ(LUMENFOLD_NULL_TAG, t->HoldBodyViewOff(nullptr));
    EXPECT_EQ(LUMENFOLD_EMPTY_TAG, t->HoldBodyViewOff(""));
    EXPECT_EQ(LUMENFOLD_TAG_TOO_LONG, t->HoldBodyViewOff(tooLong.c_str()));
    EXPECT_EQ(LUMENFOLD_NULL_TAG, t->GiveBodyViewBack(nullptr));
    EXPECT_EQ(LUMENFOLD_TAG_TOO_LONG, t->SetTuning(tooLong.c_str(), "fCameraPosZ", "16"));
    std::vector<std::string> added = LogSince(lines);
    ASSERT_EQ(5u, added.size());
    EXPECT_EQ("interface: HoldBodyViewOff refused: the tag is a null pointer (LUMENFOLD_NULL_TAG)",
              added[0]);
    EXPECT_EQ("interface: HoldBodyViewOff refused: the tag is empty (LUMENFOLD_EMPTY_TAG)",
              added[1]);
    EXPECT_EQ("interface: HoldBodyViewOff refused: the tag \"" + std::string(40, 'x') + "...\" "
              "is longer than 64 bytes (LUMENFOLD_TAG_TOO_LONG)",
              added[2]);
    EXPECT_EQ(0, BodyViewHeld);

    EXPECT_EQ(LUMENFOLD_OK, t->HoldBodyViewOff(longest.c_str()));
    EXPECT_EQ(1, BodyViewHeld);
    lines = Log().size();
    EXPECT_EQ(LUMENFOLD_ALREADY_HELD, t->HoldBodyViewOff(longest.c_str()));
    EXPECT_EQ(LUMENFOLD_OK, t->HoldBodyViewOff("Cam"));
    EXPECT_EQ(LUMENFOLD_OK, t->HoldBodyViewOff("cam")); // byte for byte: another tag
    EXPECT_EQ(LUMENFOLD_NOT_HELD, t->GiveBodyViewBack("Camera"));
    added = LogSince(lines);
    ASSERT_EQ(2u, added.size()) << "taking again and giving back nothing say it by result alone";
    EXPECT_EQ("interface: the body view is held off by \"Cam\" (held by \"" + longest +
                  "\", \"Cam\")",
              added[0]);

    // Fill the table: the 33rd tag is refused, nothing changed.
    for (int i = 3; i < LUMENFOLD_MAX_HOLDERS; ++i) {
        ASSERT_EQ(LUMENFOLD_OK, t->HoldBodyViewOff(("tag" + std::to_string(i)).c_str()));
    }
    EXPECT_EQ(LUMENFOLD_TOO_MANY_TAGS, t->HoldBodyViewOff("one more"));
    EXPECT_EQ("interface: HoldBodyViewOff refused: \"one more\" is one tag too many: 32 tags "
              "hold the body view off (LUMENFOLD_TOO_MANY_TAGS)",
              Log().back());
    LumenfoldBodyView view;
    ASSERT_EQ(LUMENFOLD_OK, t->GetBodyView(&view));
    EXPECT_EQ(32u, view.holders);
    EXPECT_EQ(LUMENFOLD_STATE_OFF_HELD, view.state);

    // Given back one by one: held until the last.
    for (int i = 3; i < LUMENFOLD_MAX_HOLDERS; ++i) {
        ASSERT_EQ(LUMENFOLD_OK, t->GiveBodyViewBack(("tag" + std::to_string(i)).c_str()));
    }
    EXPECT_EQ(LUMENFOLD_OK, t->GiveBodyViewBack(longest.c_str()));
    EXPECT_EQ(LUMENFOLD_OK, t->GiveBodyViewBack("Cam"));
    EXPECT_EQ("interface: \"Cam\" gives the body view back: still held off by \"cam\"",
              Log().back());
    EXPECT_EQ(1, BodyViewHeld);
    EXPECT_EQ(LUMENFOLD_OK, t->GiveBodyViewBack("cam"));
    EXPECT_EQ(0, BodyViewHeld);
    EXPECT_EQ("interface: \"cam\" gives the body view back: no tag holds it off, it takes over "
              "again",
              Log().back());
}

TEST_F(Interface, TheLogNamesTheTagsStillHoldingAtASavedGameAndCallsItNoMoreThanItMust) {
    Load();
    const LumenfoldInterface* t = Table();
    t->HoldBodyViewOff("Photo");
    t->HoldBodyViewOff("Dialogue");
    host.Send(kMessageGameSaved);
    EXPECT_EQ("at this saved game the body view is held off by \"Photo\", \"Dialogue\": a plug-in "
              "that does not give its tag back keeps it off",
              Log().back());
    t->GiveBodyViewBack("Photo");
    t->GiveBodyViewBack("Dialogue");
    const size_t lines = Log().size();
    host.Send(kMessageGameSaved);
    EXPECT_EQ(lines, Log().size());
    // A plug-in that calls wrongly in every frame cannot fill the disk.
    for (int i = 0; i < 1000; ++i) {
        t->HoldBodyViewOff("");
    }
    const std::vector<std::string> added = LogSince(lines);
    EXPECT_LT(added.size(), 205u);
    EXPECT_EQ("interface: 200 lines of other plug-ins' calls written; no more are written in this "
              "start of the game",
              added.back());
}

// --- held frames ----------------------------------------------------------------------

// What the view of the last frame showed, and what the plug-in did in it.
struct Seen {
    bool bodyDrawn, armsDrawn, headWhole;
    Vector3 camera;
    int recordUpdates;
};
Seen Look(sim::Game& g) {
    return {g.view.bodyDrawn, g.view.firstPersonDrawn, g.view.headScale != 0.0f,
            g.view.cameraTranslation, g.Calls(sim::Routine::UpdateAnimationRecord)};
}

TEST_F(Interface, HeldFramesAreTheGamesOwnFirstPersonAndTheViewComesBackAtTheNextFrame) {
    WriteSettings("[Main]\r\nbEnableHeadBob=1\r\n"); // the camera placed in every frame
    // The game alone first: how often it updates the records in a frame.
    game.ClearCalls();
    Frame();
    const int gamesOwnUpdates = game.Calls(sim::Routine::UpdateAnimationRecord);
    Load();
    const LumenfoldInterface* t = Table();
    game.cameraPlacement = {3, 4, 150};
    Frame();
    Seen s = Look(game);
    EXPECT_TRUE(s.bodyDrawn && !s.headWhole);
    EXPECT_NE(150.0f, s.camera.z) << "head bob places the camera at the eye";

    ASSERT_EQ(LUMENFOLD_OK, t->HoldBodyViewOff("Cam"));
    for (int i = 0; i < 3; ++i) {
        sim::ClearSitesPassed();
        game.ClearCalls();
        Frame();
        s = Look(game);
        EXPECT_FALSE(s.bodyDrawn) << "frame " << i;
        EXPECT_TRUE(s.armsDrawn);
        EXPECT_TRUE(s.headWhole) << "nothing collapsed";
        EXPECT_EQ(150.0f, s.camera.z) << "no camera write";
        EXPECT_EQ(3.0f, s.camera.x);
        EXPECT_EQ(gamesOwnUpdates, s.recordUpdates) << "no update of the plug-in's own";
        EXPECT_EQ(0, ForcedBodyMode);
        EXPECT_EQ(0u, sim::SitesPassed().taken[5]) << "the game's camera collision runs";
        EXPECT_EQ(game.firstPersonPlacement.z, game.fpRoot->node.LocalTranslation.z)
            << "the game's arms where the game put them";
    }
    LumenfoldBodyView v;
    t->GetBodyView(&v);
    EXPECT_EQ(0u, v.on);
    EXPECT_EQ(LUMENFOLD_STATE_OFF_HELD, v.state);
    EXPECT_EQ(0u, v.cameraPlaced);

    ASSERT_EQ(LUMENFOLD_OK, t->GiveBodyViewBack("Cam"));
    Frame();
    s = Look(game);
    EXPECT_TRUE(s.bodyDrawn && !s.headWhole && !s.armsDrawn);
    EXPECT_NE(150.0f, s.camera.z);
    t->GetBodyView(&v);
    EXPECT_EQ(1u, v.on);
    EXPECT_EQ(LUMENFOLD_STATE_STANDING, v.state);
    EXPECT_EQ(1u, v.cameraPlaced);
    EXPECT_FLOAT_EQ(s.camera.z, v.eye[2]);
}

TEST_F(Interface, AHoldKeepsTheForcedModeAsideAndTheSwitchesMadeMeanwhile) {
    Load();
    const LumenfoldInterface* t = Table();
    game.process->obj.SitState = 3;
    game.player->obj.ThirdPerson = 1;
    Frame(sim::CameraSwitch::Sitting);
    ASSERT_EQ(1, ForcedBodyMode);
    const Vector3 atHead = game.camera->node.LocalTranslation;
    ChaseCameraDistance() = 300.0f;
    SavedChaseDistance = 250.0f; // saved, not yet written back

    ASSERT_EQ(LUMENFOLD_OK, t->HoldBodyViewOff("Dialogue"));
    EXPECT_EQ(0, ForcedBodyMode);
    EXPECT_EQ(1, HeldForcedMode);
    EXPECT_EQ(0.0f, SavedChaseDistance) << "the chase distance is the game's while held";
    game.cameraPlacement = {0, -200, 180};
    Frame();
    EXPECT_EQ(-200.0f, game.view.cameraTranslation.y) << "the game's third-person camera";
    EXPECT_EQ(300.0f, ChaseCameraDistance());
    // A store of the chase distance while held is not kept.
    Frame(sim::CameraSwitch::SittingB);
    EXPECT_EQ(0.0f, SavedChaseDistance);
    EXPECT_EQ(0, ForcedBodyMode) << "the sitting switch's glue keeps its mode aside";
    EXPECT_EQ(1, HeldForcedMode);

    ASSERT_EQ(LUMENFOLD_OK, t->GiveBodyViewBack("Dialogue"));
    EXPECT_EQ(1, ForcedBodyMode);
    Frame();
    EXPECT_EQ(atHead.z, game.camera->node.LocalTranslation.z) << "sitting in first person again";

    // Standing up while held: the change of view ends the kept mode, as it
    // would have; knocked out while held: the deciding switch keeps its
    // decision aside.
    t->HoldBodyViewOff("Dialogue");
    game.process->obj.SitState = 0;
    game.player->obj.ThirdPerson = 0;
    Frame(sim::CameraSwitch::Direct);
    EXPECT_EQ(0, HeldForcedMode);
    game.process->obj.KnockoutState = 1;
    game.player->obj.ThirdPerson = 1;
    Frame(sim::CameraSwitch::Decide);
    EXPECT_EQ(0, ForcedBodyMode);
    EXPECT_EQ(1, HeldForcedMode);
    t->GiveBodyViewBack("Dialogue");
    EXPECT_EQ(1, ForcedBodyMode);
}

// A hold taken between two of Lumenfold's places of a frame takes effect at
// the next of them; one given back there, from the next frame on whole.
TEST_F(Interface, TakenInsideAFrameNothingIsLeftCollapsedForItsView) {
    Load();
    const LumenfoldInterface* t = Table();
    Frame();
    ASSERT_TRUE(game.view.bodyDrawn);
    Frame(sim::CameraSwitch::None, [t](sim::FrameStage s) {
        if (s == sim::FrameStage::Shadow) {
            t->HoldBodyViewOff("Late");
        }
    });
    EXPECT_FALSE(game.view.bodyDrawn) << "hidden again by the shadow pass's second half";
    EXPECT_NE(0.0f, game.view.headScale);
    EXPECT_TRUE(game.view.firstPersonDrawn);
    Frame(sim::CameraSwitch::None, [t](sim::FrameStage s) {
        if (s == sim::FrameStage::Draws) {
            t->GiveBodyViewBack("Late");
        }
    });
    Frame();
    EXPECT_TRUE(game.view.bodyDrawn);
    EXPECT_EQ(0.0f, game.view.headScale);
}

// --- the messages of a change ----------------------------------------------------------

TEST_F(Interface, OneMessageForEachChangeAndNoneInsideAnother) {
    Load();
    Frame();
    EXPECT_EQ(0, Changes()) << "none before a plug-in has the table";
    const LumenfoldInterface* t = Table();
    Frame();
    ASSERT_EQ(1, Changes()) << "the first tells the state then";
    EXPECT_EQ(LUMENFOLD_STATE_STANDING, g_peer.back().view.state);
    EXPECT_EQ(1u, g_peer.back().view.on);
    EXPECT_EQ(1u, g_bystander.size()) << "to every listener";
    Frame();
    Frame();
    EXPECT_EQ(1, Changes());

    t->HoldBodyViewOff("Cam");
    Frame();
    ASSERT_EQ(2, Changes());
    EXPECT_EQ(LUMENFOLD_STATE_OFF_HELD, g_peer.back().view.state);
    EXPECT_EQ(1u, g_peer.back().view.holders);
    t->HoldBodyViewOff("Other"); // the holders change, the state does not
    Frame();
    EXPECT_EQ(2, Changes());
    t->GiveBodyViewBack("Cam");
    t->GiveBodyViewBack("Other");
    game.process->obj.SitState = 3;
    game.player->obj.ThirdPerson = 1;
    Frame(sim::CameraSwitch::Sitting);
    ASSERT_EQ(3, Changes()) << "one a frame, however much changed in it";
    EXPECT_EQ(LUMENFOLD_STATE_SITTING, g_peer.back().view.state);

    // A listener that calls from inside the message: no message inside it;
    // what it changed is told at the end of the next frame.
    g_holdInside = "Inside";
    game.interface->menuModeActive = 1;
    game.interface->openMenu1009 = 1;
    Frame();
    ASSERT_EQ(4, Changes());
    EXPECT_EQ(LUMENFOLD_STATE_MENU, g_peer.back().view.state);
    EXPECT_EQ(LUMENFOLD_OK, g_insideResult);
    EXPECT_EQ(1, g_depthInside);
    EXPECT_EQ(0u, g_receivedInside);
    g_holdInside = nullptr;
    Frame();
    ASSERT_EQ(5, Changes());
    EXPECT_EQ(LUMENFOLD_STATE_OFF_HELD, g_peer.back().view.state);
}

// Where the shadow pass is not Lumenfold's, the message comes from the camera
// update; the game runs one more inside each change of view, before the
// player's animation updates: still one a frame, telling the frame's state.
TEST_F(Interface, WithoutTheShadowPassTheMessagesStillComeOnceAFrame) {
    Load(false);
    sim::InstallOtherPlugin(sim::OtherPlugin::Trifle);
    testing::internal::CaptureStdout();
    host.Send(kMessagePostLoad);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(1, FrameChoresAtCamera);
    Table();
    Frame();
    Frame();
    ASSERT_EQ(1, Changes());
    EXPECT_EQ(LUMENFOLD_STATE_OFF_PLACE_TAKEN, g_peer.back().view.state);
    game.process->obj.SitState = 3;
    game.player->obj.ThirdPerson = 1;
    Frame(sim::CameraSwitch::Sitting);
    ASSERT_EQ(2, Changes());
    EXPECT_EQ(LUMENFOLD_STATE_SITTING, g_peer.back().view.state);
    game.process->obj.SitState = 0;
    game.player->obj.ThirdPerson = 0;
    Frame(sim::CameraSwitch::Direct);
    Frame();
    EXPECT_EQ(3, Changes());
    EXPECT_EQ(LUMENFOLD_STATE_OFF_PLACE_TAKEN, g_peer.back().view.state);
}

// --- what the body view shows ----------------------------------------------------------

TEST_F(Interface, TheStateFollowsTheRulesOfTheBodyView) {
    Load();
    const LumenfoldInterface* t = Table();
    LumenfoldBodyView v;
    const auto state = [&]() {
        Frame();
        EXPECT_EQ(LUMENFOLD_OK, t->GetBodyView(&v));
        return v.state;
    };
    EXPECT_EQ(LUMENFOLD_STATE_STANDING, state());
    game.bodyAnim->idleAbsentResult = 0; // a mod's animation, in first person
    EXPECT_EQ(LUMENFOLD_STATE_MOD_ANIMATION, state());
    game.bodyAnim->idleAbsentResult = 1;
    game.player->obj.Mount = game.others[1]->object;
    EXPECT_EQ(LUMENFOLD_STATE_OFF_SETTING, state()) << "no body on a horse by default";
    Settings.bHorseFirstPersonBody = 1;
    EXPECT_EQ(LUMENFOLD_STATE_RIDING, state());
    EXPECT_EQ(1u, v.on);
    game.player->obj.Mount = nullptr;
    game.player->obj.ThirdPerson = 1;
    Frame(sim::CameraSwitch::Direct);
    EXPECT_EQ(LUMENFOLD_STATE_OFF_THIRD_PERSON, state());
    EXPECT_EQ(0u, v.on);
    game.player->isDead = 1;
    Frame(sim::CameraSwitch::Death);
    EXPECT_EQ(LUMENFOLD_STATE_DEAD, state());
    game.player->isDead = 0;
    game.process->obj.KnockoutState = 1;
    Frame(sim::CameraSwitch::Decide);
    EXPECT_EQ(LUMENFOLD_STATE_KNOCKED_OUT, state());
    game.process->obj.KnockoutState = 0;
    game.process->obj.SitState = 8;
    Frame(sim::CameraSwitch::Sitting);
    EXPECT_EQ(LUMENFOLD_STATE_LYING, state());
    game.player->isVampireFeeding = 1;
    EXPECT_EQ(LUMENFOLD_STATE_FEEDING, state());
    game.SetMissing(sim::kMissingProcess);
    EXPECT_EQ(LUMENFOLD_STATE_OFF_NO_PLAYER, state());
    EXPECT_EQ(LUMENFOLD_NULL_POINTER, t->GetBodyView(nullptr));
}

// --- tuning ------------------------------------------------------------------------------

TEST_F(Interface, TuningTakesKeysAReloadChangesUntilTheFileIsReadAgain) {
    WriteSettings("[Main]\r\nbReloadSettingsOnGameLoad=1\r\n");
    Load();
    const LumenfoldInterface* t = Table();
    EXPECT_EQ(LUMENFOLD_OK, t->SetTuning("Photo", "fcameraposz", "16"));
    EXPECT_EQ(16.0f, Settings.fCameraPosZ);
    EXPECT_EQ("tuning: \"Photo\" sets fCameraPosZ 6 -> 16 for this start of the game (the "
              "settings file wins when it is read again)",
              Log().back());
    EXPECT_EQ(LUMENFOLD_OK, t->SetTuning("Photo", "bEnableHeadBob", "1"));
    EXPECT_EQ(1, Settings.bEnableHeadBob);
    struct Case {
        const char* key;
        const char* value;
        uint32_t result;
        const char* words;
    } cases[] = {
        {"fCamraPosZ", "16", LUMENFOLD_UNKNOWN_KEY,
         "unknown key \"fCamraPosZ\" is ignored (did you mean fCameraPosZ?) "
         "(LUMENFOLD_UNKNOWN_KEY)"},
        {nullptr, "16", LUMENFOLD_UNKNOWN_KEY, "no key (a null pointer) (LUMENFOLD_UNKNOWN_KEY)"},
        {"bEnableFirstPersonBody", "0", LUMENFOLD_NOT_TUNABLE,
         "bEnableFirstPersonBody is read only at the start of the game (it decides what "
         "Lumenfold patches) (LUMENFOLD_NOT_TUNABLE)"},
        {"iRecordFrames", "600", LUMENFOLD_NOT_TUNABLE, nullptr},
        {"fCameraPosY", "14,5", LUMENFOLD_BAD_VALUE,
         "fCameraPosY = \"14,5\" reads only as 14 (the rest, \",5\", is ignored) "
         "(LUMENFOLD_BAD_VALUE)"},
        {"fCameraPosY", "1e400", LUMENFOLD_BAD_VALUE, nullptr},
        {"bEnableHeadBob", "yes", LUMENFOLD_BAD_VALUE, nullptr},
        {"bEnableHeadBob", "", LUMENFOLD_BAD_VALUE, nullptr},
        {"bEnableHeadBob", "99999999999", LUMENFOLD_BAD_VALUE, nullptr},
        {"fCameraPosY", nullptr, LUMENFOLD_BAD_VALUE,
         "fCameraPosY has no value (a null pointer) (LUMENFOLD_BAD_VALUE)"},
    };
    const SettingsRecord before = Settings;
    for (const Case& c : cases) {
        const size_t lines = Log().size();
        EXPECT_EQ(c.result, t->SetTuning("Photo", c.key, c.value)) << (c.key ? c.key : "null");
        const std::vector<std::string> added = LogSince(lines);
        ASSERT_EQ(1u, added.size());
        if (c.words != nullptr) {
            EXPECT_EQ(std::string("interface: SetTuning(\"Photo\") refused: ") + c.words, added[0]);
        }
    }
    EXPECT_EQ(0, memcmp(&before, &Settings, sizeof before)) << "nothing changed";
    // A saved game's load reads the file again: its values win.
    host.Send(kMessageGameLoaded);
    EXPECT_EQ(6.0f, Settings.fCameraPosZ);
    EXPECT_EQ(0, Settings.bEnableHeadBob);
}

} // namespace
