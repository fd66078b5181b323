// The pictures: the view through the camera draws what the world pass shows
// (a part in front of the camera, none hidden or collapsed), cuts at the near
// plane and says so; pictures of one scenario share their frame whatever the
// settings; the run's picture gives each state its own colour.
#include <gtest/gtest.h>

#include <string>

#include "tools/sim/pictures/camera_view.h"
#include "tools/sim/pictures/pose_svg.h"
#include "tools/sim/pictures/svg.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"

namespace {

using simtool::Pose;
using simtool::PoseBone;

constexpr Matrix3 kUnturned = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

// A camera at the origin looking along +y, and one limb 100 units ahead.
Pose LookingAtAnArm() {
    Pose p;
    p.frame = 0;
    p.camera = {0, 0, 0};
    p.cameraRotation = kUnturned;
    p.viewDrawn = true;
    p.bones.push_back(
        {"Bip01 L UpperArm", {0, 100, 0}, {0, 100, 20}, kUnturned, 1.0f, false, true});
    return p;
}

bool Draws(const simtool::CameraViewPicture& v, const std::string& part) {
    return v.svg.find("data-part='" + part + "'") != std::string::npos;
}

TEST(CameraView, DrawsWhatTheWorldPassShowsAndNothingHiddenOrCollapsed) {
    Pose p = LookingAtAnArm();
    EXPECT_TRUE(Draws(simtool::RenderCameraView(p, 0, 0, 560, 420), "Bip01 L UpperArm"));
    EXPECT_EQ(0, simtool::RenderCameraView(p, 0, 0, 560, 420).cut);
    // Hidden (itself or under a hidden node), or collapsed to scale 0.
    p.bones[0].shown = false;
    EXPECT_FALSE(Draws(simtool::RenderCameraView(p, 0, 0, 560, 420), "Bip01 L UpperArm"));
    // Behind the camera.
    p = LookingAtAnArm();
    p.bones[0].at.y = p.bones[0].parent.y = -100;
    EXPECT_FALSE(Draws(simtool::RenderCameraView(p, 0, 0, 560, 420), "Bip01 L UpperArm"));
    // A bone the view does not draw at all (a slot, a root).
    p = LookingAtAnArm();
    p.bones[0].name = "ShieldSlot";
    EXPECT_FALSE(Draws(simtool::RenderCameraView(p, 0, 0, 560, 420), "ShieldSlot"));
}

TEST(CameraView, TheNearPlaneCutsWhatComesCloserThanTenUnits) {
    Pose p = LookingAtAnArm();
    p.bones[0].parent = {0, 5, 0}; // from 5 units ahead to 100
    const simtool::CameraViewPicture v = simtool::RenderCameraView(p, 0, 0, 560, 420);
    EXPECT_EQ(1, v.cut);
    EXPECT_TRUE(Draws(v, "Bip01 L UpperArm")); // the part beyond the plane
    EXPECT_NE(std::string::npos, v.svg.find("data-cut='Bip01 L UpperArm'"));
    EXPECT_NE(std::string::npos, v.caption.find("it cuts 1 part (Bip01 L UpperArm)"));
    // Wholly nearer than the plane: cut away, nothing drawn.
    p.bones[0].at = {0, 8, 0};
    const simtool::CameraViewPicture gone = simtool::RenderCameraView(p, 0, 0, 560, 420);
    EXPECT_EQ(1, gone.cut);
    EXPECT_FALSE(Draws(gone, "Bip01 L UpperArm"));
}

// The game's first-person arms are drawn only where their own pass draws
// them, and on top of the body.
TEST(CameraView, TheGamesArmsOnlyInTheirOwnPassAndOnTop) {
    Pose p = LookingAtAnArm();
    p.bones.push_back({"Bip01 Spine", {0, 50, -10}, {0, 50, -40}, kUnturned, 1.0f, true, true});
    p.firstPersonPass = false;
    EXPECT_FALSE(Draws(simtool::RenderCameraView(p, 0, 0, 560, 420), "Bip01 Spine"));
    p.firstPersonPass = true;
    const std::string svg = simtool::RenderCameraView(p, 0, 0, 560, 420).svg;
    EXPECT_GT(svg.find("data-part='Bip01 Spine'"), svg.find("data-part='Bip01 L UpperArm'"));
}

// Two pictures of a scenario, with its own settings and with the eye higher:
// the same frame of the scene, the settings named, and a picture that the
// settings do not change says so.
TEST(PosePictures, APairSharesItsFrameAndNamesItsSettings) {
    auto draw = [](const std::string& text) {
        simtool::Scenario s;
        simtool::ScenarioError e;
        EXPECT_TRUE(simtool::ParseScenario(text, "t.json", &s, &e)) << e.message;
        simtool::PoseCapture capture(1);
        testing::internal::CaptureStdout();
        simtool::RunScenario(s, {&capture});
        testing::internal::GetCapturedStdout();
        return capture.pose;
    };
    const Pose own = draw(R"({"steps": [{"frames": 2}]})");
    const Pose higher =
        draw(R"({"settings": ["[Main]", "fCameraPosZ=16"], "steps": [{"frames": 2}]})");
    const std::string a = simtool::RenderPoseSvg("standing", own);
    const std::string b = simtool::RenderPoseSvg("standing", higher);
    // The ground and the scale bar stand at the same places in both.
    const auto ground = [](const std::string& svg) {
        const size_t at = svg.find("stroke='#bfae8f'");
        return svg.substr(svg.rfind("<line", at), at - svg.rfind("<line", at));
    };
    EXPECT_EQ(ground(a), ground(b));
    EXPECT_NE(std::string::npos, a.find("settings: the defaults"));
    EXPECT_NE(std::string::npos, b.find("settings: fCameraPosZ=16"));
}

TEST(RunPicture, EachStateHasItsOwnColourInEveryRun) {
    std::vector<simtool::FramePoint> one = {{0, 0, "sitting", {}, {}, {}}};
    std::vector<simtool::FramePoint> two = {{0, 0, "standing", {}, {}, {}},
                                            {1, 0, "sitting", {}, {}, {}}};
    const std::string a = simtool::RenderSvg("a", one), b = simtool::RenderSvg("b", two);
    EXPECT_NE(std::string::npos, a.find("fill='#ffe9b3'"));
    EXPECT_NE(std::string::npos, b.find("fill='#ffe9b3'"));
}

} // namespace
