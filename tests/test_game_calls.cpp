// The plug-in's calls of the game keep its stack whatever the game's routine
// pops: slot 102 takes its one argument, and a routine that pops more or
// fewer bytes than the plug-in pushed changes none of the plug-in's outputs.
// And the game's camera switch routine called by another module, outside
// the plug-in's switch sites.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "game/addresses.h"
#include "game/engine.h"
#include "sim/sim_game.h"
#include "tools/sim/scenario/game_values.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"
#include "tools/sim/scenario/trace.h"
#include "tools/sim/soak/frame_audit.h"
#include "view/view_state.h"

namespace {

// A standing idle, sitting, knocked out, dead, a shield, a weapon drawn, the
// arms turned, head bob, a menu, mounted and feeding: every routine and
// virtual operation the plug-in calls is called.
const char* const kStates = R"({
  "settings": ["[Main]", "bRotateThirdPersonArms=3", "bEnableHeadBob=1",
               "bFirstPersonShadows=1", "bHideShieldWeaponSheathed=1",
               "bHorseFirstPersonBody=1"],
  "steps": [
    {"set": {"BodyAnim.IsIdleAnimAbsent": 0,
             "BodyAnim.Sequences.0": {"FileName": "Stand1.kf", "GroupId": 0}}, "frames": 2},
    {"set": {"BodyAnim.IsIdleAnimAbsent": 1, "BodyAnim.Sequences.0": null}, "frames": 1},
    {"set": {"process.SitState": 3, "player.LookPitch": 0.4}, "frames": 2},
    {"set": {"process.SitState": 0, "process.KnockoutState": 1, "player.ThirdPerson": 1},
     "cameraSwitch": "decide", "frames": 1},
    {"frames": 2},
    {"set": {"process.KnockoutState": 0, "player.ThirdPerson": 0, "player.IsDead": 1},
     "cameraSwitch": "decide", "frames": 1},
    {"frames": 2},
    {"set": {"player.IsDead": 0, "player.ThirdPerson": 0, "process.ShieldQuery": 1,
             "process.LeftHandItemQuery": 1}, "frames": 2},
    {"set": {"process.WeaponDrawn": 1}, "frames": 2},
    {"set": {"interface.IsMenuModeActive": 1, "interface.IsMenuOpen.1009": 1}, "frames": 1},
    {"set": {"interface.IsMenuModeActive": 0, "interface.IsMenuOpen.1009": 0,
             "player.QueryShadowState": 1, "player.Mount": 1}, "frames": 2},
    {"set": {"player.QueryShadowState": 0, "player.Mount": 0, "player.IsVampireFeeding": 1},
     "frames": 2}
  ]})";

// Every output of every frame, as the trace gives it.
std::string Outputs() {
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    EXPECT_TRUE(simtool::ParseScenario(kStates, "states.json", &scenario, &error)) << error.message;
    std::ostringstream trace;
    simtool::TraceWriter writer(trace);
    testing::internal::CaptureStdout();
    const simtool::RunResult result = simtool::RunScenario(scenario, {&writer});
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(result.failures.empty()) << result.Problems()[0];
    return trace.str();
}

class GameCalls : public ::testing::Test {
  protected:
    ~GameCalls() override {
        sim::SetCalleePoppingMore(-1);
        sim::SetIsDeadPopsNothing(false);
    }
};

TEST_F(GameCalls, IsDeadGetsItsArgument) {
    sim::Game game;
    game.player->lastIsDeadArgument = 0xFFFFFFFF;
    EXPECT_EQ(0, IsDead(&game.player->obj));
    EXPECT_EQ(0u, game.player->lastIsDeadArgument);
}

// The landed plug-in called slot 102 with no argument: against a game that
// pops one, a knocked-out body lost its raise. Now both agree.
TEST_F(GameCalls, SlotOneHundredTwoPoppingOneOrNoneGivesTheSameFrames) {
    const std::string popsOne = Outputs();
    ASSERT_NE(std::string::npos, popsOne.find("\"LocalTranslation\":[0.0,0.0,12.0]"))
        << "the knocked-out frames raise the body";
    sim::SetIsDeadPopsNothing(true);
    EXPECT_EQ(popsOne, Outputs());
}

TEST_F(GameCalls, EveryRoutinePoppingFourBytesMoreGivesTheSameFrames) {
    const std::string own = Outputs();
    for (int i = 0; i < sim::CalleeCount(); ++i) {
        sim::SetCalleePoppingMore(i);
        EXPECT_EQ(own, Outputs()) << sim::CalleeName(i);
        EXPECT_GT(sim::CallsPoppingMore(), 0u) << sim::CalleeName(i) << " was never called";
    }
}

} // namespace

// --- the camera switch outside the switch sites -----------------------------------

// Another module (the script extender's command that toggles first person)
// calls the game's camera switch routine itself, between two frames, passing
// none of the switch sites: to third person, then back to first person.
class SwitchBetweenFrames : public simtool::FrameObserver {
  public:
    void BeforeFrame(sim::Game& game, const simtool::FrameInfo& frame) override {
        if (frame.frame == 2 || frame.frame == 4) {
            game.ClearCalls();
            GameCall0(reinterpret_cast<const void*>(LF_ADDR_CAMERA_SWITCH_ROUTINE),
                      &game.player->obj);
            game.player->obj.ThirdPerson = frame.frame == 2 ? 1 : 0;
        }
    }
    void AfterFrame(sim::Game& game, const simtool::FrameInfo&) override {
        forced.push_back(ForcedBodyMode);
        bodyHidden.push_back((game.bodyRoot->node.Flags & 1) != 0);
        states.push_back(simtool::PlayerState(game));
    }
    std::vector<int32_t> forced;
    std::vector<bool> bodyHidden;
    std::vector<std::string> states;
};

TEST(CameraSwitch, OutsideTheSwitchSitesLeavesNoForcedModeAndTheViewFollows) {
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    ASSERT_TRUE(simtool::ParseScenario(R"({"settings": ["[Main]"], "steps": [{"frames": 6}]})",
                                       "switch.json", &scenario, &error))
        << error.message;
    SwitchBetweenFrames watch;
    simtool::FrameAudit audit;
    testing::internal::CaptureStdout();
    const simtool::RunResult result = simtool::RunScenario(scenario, {&watch, &audit});
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(audit.problems.empty()) << audit.problems[0];
    ASSERT_EQ(6u, watch.forced.size());
    for (int32_t mode : watch.forced) {
        EXPECT_EQ(0, mode); // nothing forced: no switch site was passed
    }
    // First person, the game's third person from the frame after the first
    // switch, first person with the body again after the second.
    EXPECT_EQ((std::vector<std::string>{"standing", "standing", "third person", "third person",
                                        "standing", "standing"}),
              watch.states);
    EXPECT_FALSE(watch.bodyHidden[1]);
    EXPECT_FALSE(watch.bodyHidden[4]);
}
