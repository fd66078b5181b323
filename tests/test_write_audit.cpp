// The write audit that the soak relies on: it reports what the plug-in never
// writes, accepts what it does, and stops a stray write into the game's range
// at once.
#include <math.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/frame_driver.h"
#include "sim/write_audit.h"
#include "tests/fixture.h"
#include "tools/sim/soak/soak.h"
#include "view/head_camera.h"

namespace {

using sim::Routine;

using sim::Game;

class Audit : public GameTest {
  protected:
    std::vector<std::string> FrameWith(void (*during)(sim::Game&)) {
        static void (*s_during)(sim::Game&) = nullptr;
        s_during = during;
        game.onCall[static_cast<int>(Routine::IsMenuModeActive)] = [this](const sim::CallRecord&) {
            if (s_during != nullptr) {
                s_during(game);
            }
        };
        sim::WriteAudit audit;
        audit.Begin(game);
        UpdateHeadCamera(&game.camera->node);
        return audit.Finish(game);
    }
    static bool Says(const std::vector<std::string>& problems, const std::string& part) {
        for (const std::string& p : problems) {
            if (p.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(Audit, WhatThePluginWritesPassesAndAnythingElseIsNamed) {
    // A plain camera update writes local fields and flags only.
    Process()->SitState = kSitStateSeated;
    EXPECT_TRUE(FrameWith(nullptr).empty());

    EXPECT_TRUE(Says(FrameWith([](sim::Game& g) { g.process->obj.SitState = 9; }),
                     "ProcessObject: SitState changed, which the plug-in never writes"));
    EXPECT_TRUE(Says(FrameWith([](sim::Game& g) { g.bodyHead->node.Flags ^= 0x0100; }),
                     "SceneNode \"Bip01 Head\": Flags bits other than bit 0 changed"));
    EXPECT_TRUE(FrameWith([](sim::Game& g) { g.bodyHead->node.Flags ^= 0x0001; }).empty());
    EXPECT_TRUE(Says(FrameWith([](sim::Game& g) { g.bodyNeck->node.WorldScale = 3.0f; }),
                     "SceneNode \"Bip01 Neck\": a world rotation or scale not of the game's"));
    EXPECT_TRUE(Says(FrameWith([](sim::Game& g) { g.bodyHead->node.WorldTranslation.x += 1; }),
                     "a world translation not of the game's update"));
    // The body's magicNode takes a position the game's update did not give.
    EXPECT_TRUE(FrameWith([](sim::Game& g) { g.bodyMagic->node.WorldTranslation.x += 1; }).empty());
    EXPECT_TRUE(Says(FrameWith([](sim::Game& g) { g.lClavicle->node.LocalScale = INFINITY; }),
                     "SceneNode \"Bip01 L Clavicle\": a written float is not finite"));
    game.lClavicle->node.LocalScale = 1.0f;
    EXPECT_TRUE(Says(FrameWith([](sim::Game& g) { g.others[0]->object[5] = 1; }),
                     "another actor: the byte at +0x005 changed"));
    EXPECT_TRUE(FrameWith([](sim::Game&) { ChaseCameraDistance() = 5.0f; }).empty());
    EXPECT_TRUE(Says(FrameWith([](sim::Game&) { Game::SetCameraDetached(1); }),
                     "the game's globals: the byte at +0xB04 changed"));
}

TEST_F(Audit, AStrayWriteIntoTheGamesRangeStopsAtOnce) {
    EXPECT_DEATH(
        {
            sim::WriteAudit audit;
            audit.Begin(game);
            GameGlobal<float>(LF_ADDR_MENU_GATE_FLOAT) = 1.0f;
        },
        "");
}

// A few seeds of the soak in every test run (the full soak is a test of its
// own): each frame audited, nothing found.
TEST(Soak, AFewSeedsPass) {
    std::ostringstream out, err;
    simtool::SoakOptions options;
    options.seeds = 5;
    options.frames = 20;
    options.outDir = "/tmp";
    options.everySite = true;
    EXPECT_EQ(0, simtool::RunSoak(options, out, err)) << err.str();
    EXPECT_EQ(0u, out.str().find("soak: 5 seeds of 20 frames from seed 1, 0 failed\n"
                                 "soak: the sites passed"))
        << out.str();
    // Its count of the sites is its own: each of its 100 frames passed the
    // shadow pass once (one seed's through another plug-in's code there).
    EXPECT_NE(std::string::npos,
              out.str().find("\n  23  0x0040C91B  shadow pass                            80  (the "
                             "game's own code 20)\n"))
        << out.str();
    // A site whose glue never ran fails the soak that asks for every site.
    sim::ClearSitesPassed();
    std::ostringstream none, said;
    EXPECT_FALSE(simtool::SitesReport(true, none, said));
    EXPECT_NE(std::string::npos,
              said.str().find("soak: the glue of site 1 (frame start) never ran"));
    EXPECT_TRUE(simtool::SitesReport(false, none, said));
    // A seed is the same run every time.
    EXPECT_EQ(simtool::SoakScenario(77, 3), simtool::SoakScenario(77, 3));
    EXPECT_NE(simtool::SoakScenario(77, 3), simtool::SoakScenario(78, 3));
}

} // namespace
