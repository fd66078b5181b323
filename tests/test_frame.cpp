// Whole frames of the simulated game driven through the logic in the game's
// order: frame start, camera switch, camera update (and the game's update of
// its camera node), body pass for the player and the others, the draw sites
// and the shadow bracket. One test per state of the player.
#include "body/draw_visibility.h"
#include "tests/fixture.h"
#include "view/body_pass.h"
#include "view/head_camera.h"

namespace {

int horse = 1;

enum class Switch { None, Decide, Force };

class Frame : public GameTest {
  protected:
    Frame() { ResetShadowBracket(); }
    void Run(Switch cameraSwitch = Switch::None) {
        BeginFrameViewState();
        if (cameraSwitch == Switch::Decide) {
            DecideForcedModeOnSwitch();
        } else if (cameraSwitch == Switch::Force) {
            ForcedBodyMode = kForcedModeKeep; // what the sitting and death sites do
        }
        UpdateHeadCamera(&game.camera->node);
        sim::Game::UpdateTree(&game.camera->node); // the game moves its camera
        UpdateBodyPass(Player(), &game.bodyAnim->rec);
        for (sim::Actor* a : game.others) {
            UpdateBodyPass(a->object, &a->record->rec);
        }
        for (sim::Draw* d : {game.playerDraws[0], game.otherDraws[0], game.playerDraws[1]}) {
            DrawBothSkeletons(&d->obj);
        }
        ToggleFirstPersonForShadow(1);
        ToggleFirstPersonForShadow(0);
    }
    Vector3 Eye() {
        const Vector3 h = game.bodyHead->node.WorldTranslation;
        return Vector3{h.x, h.y + 14.0f, h.z + 6.0f}; // identity body rotation
    }
    Vector3 CameraAt() { return game.camera->node.WorldTranslation; }
    // The head's own rotation turned by `frame`: what a head-anchored camera
    // gets. The rig's head bone is turned so that the fixed frame maps back
    // onto the body's axes.
    static Matrix3 HeadTimes(const Matrix3& frame) {
        Matrix3 product;
        MultiplyMatrix3(&product, &sim::kHeadFrame, &frame);
        return product;
    }
};

TEST_F(Frame, StandingPullsTheBodyUnderTheCamera) {
    game.camera->node.LocalTranslation = {3, 40, 140}; // the game's camera
    game.UpdateScene();
    Run();
    ExpectVectorNear(CameraAt(), Eye());
    ExpectVectorNear({3, 40, 140}, CameraAt(), 0.0f); // the camera stays
    EXPECT_FALSE(Hidden(Body()));
    EXPECT_TRUE(Hidden(Arms()));                     // weapon sheathed: the body's own arms show
    EXPECT_EQ(0.0f, game.bodyHead->node.WorldScale); // head collapsed for the view
    EXPECT_EQ(1.0f, game.bodyHead->node.LocalScale);
    // Every draw of the player's objects came twice, once with the body shown.
    EXPECT_EQ(5, game.DrawCount());
}

TEST_F(Frame, HeadBobPutsTheCameraAtTheHeadAndTheBodyBack) {
    Settings.bEnableHeadBob = 1;
    Run();
    ExpectVectorNear({0, -25, 0}, Body()->LocalTranslation);
    // The camera was placed at the eye point of the head as it stood before
    // the body moved back; after the pass the arms carry it to the new eye.
    ExpectVectorNear({0, 14, 136}, game.camera->node.LocalTranslation);
    ExpectVectorNear({0, -25 + 14, 136}, Eye());
}

TEST_F(Frame, SittingKeepsFirstPersonAnchoredToTheHead) {
    Player()->ThirdPerson = 1; // the game's sitting camera
    Process()->SitState = kSitStateSeated;
    Player()->LookPitch = 0.2f;
    Run(Switch::Force);
    EXPECT_EQ(kForcedModeKeep, ForcedBodyMode);
    // Anchored to the head: H * (6, 14, 0) from the head is the eye point,
    // and the camera looks ahead, pitched down by the look angle.
    ExpectVectorNear({0, 14, 136}, game.camera->node.LocalTranslation);
    ExpectMatrixNear(HeadTimes(HeadCameraRotation(0.2f)), game.camera->node.LocalRotation);
    ExpectMatrixNear(sim::RotationX(-0.2f), game.camera->node.LocalRotation, 2e-7f);
    ExpectVectorNear({0, 0, 0}, Body()->LocalTranslation);
}

TEST_F(Frame, LyingRaisesTheBody) {
    Player()->ThirdPerson = 1;
    Process()->SitState = kSitStateLying;
    Run(Switch::Force);
    ExpectVectorNear({0, 0, 12}, Body()->LocalTranslation);
    ExpectVectorNear({0, 0, 142}, game.bodyHead->node.WorldTranslation);
    ExpectVectorNear({0, 14, 136}, game.camera->node.LocalTranslation); // before the raise
}

TEST_F(Frame, KnockedOutIsForcedByTheSwitchDecision) {
    Player()->ThirdPerson = 1;
    Process()->KnockoutState = 1;
    Run(Switch::Decide);
    EXPECT_EQ(kForcedModeKeep, ForcedBodyMode);
    ExpectVectorNear({0, 0, 12}, Body()->LocalTranslation);
    ExpectVectorNear({0, 14, 136}, game.camera->node.LocalTranslation);
    // Without the knock-out setting the game's third person stays.
    Settings.bFirstPersonKnockout = 0;
    Body()->LocalTranslation = {0, 0, 0};
    game.camera->node.LocalTranslation = {9, 9, 9};
    Run(Switch::Decide);
    EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
    ExpectVectorNear({9, 9, 9}, game.camera->node.LocalTranslation);
}

TEST_F(Frame, DeadLooksOutOfTheHeadWithTheFixedFrame) {
    Player()->ThirdPerson = 1;
    game.player->isDead = 1;
    Player()->LookPitch = 0.7f;
    Run(Switch::Force);
    // The fixed frame, whatever the pitch: straight ahead out of the head.
    ExpectMatrixNear(HeadTimes(FixedCameraFrame()), game.camera->node.LocalRotation, 0.0f);
    ExpectMatrixNear(sim::Identity(), game.camera->node.LocalRotation, 0.0f);
    ExpectVectorNear({0, 0, 12}, Body()->LocalTranslation);
}

TEST_F(Frame, MountedWithoutTheBodyShowsTheGameArms) {
    Player()->Mount = &horse;
    Process()->SitState = kSitStateOnMount;
    game.camera->node.LocalTranslation = {1, 2, 3};
    Run();
    EXPECT_TRUE(Hidden(Body()));
    EXPECT_FALSE(Hidden(Arms()));
    EXPECT_EQ(1, MountedInFirstPerson);
    ExpectVectorNear({1, 2, 3}, game.camera->node.LocalTranslation);
    // Dismounted: the next frame restores the body's visibility.
    Player()->Mount = nullptr;
    Process()->SitState = 0;
    Run();
    EXPECT_FALSE(Hidden(Body()));
    EXPECT_EQ(0, MountedInFirstPerson);
}

TEST_F(Frame, VampireFeedingUsesItsOwnOffsets) {
    Player()->ThirdPerson = 1;
    Process()->SitState = kSitStateLying;
    game.player->isVampireFeeding = 1;
    Settings.fVampireFeedCameraPosY = 3.0f;
    Run(Switch::Force);
    ExpectVectorNear({0, 3, 136}, game.camera->node.LocalTranslation);
    ExpectMatrixNear(sim::Identity(), game.camera->node.LocalRotation, 0.0f);
    ExpectVectorNear({0, -16, 10}, Body()->LocalTranslation);
}

} // namespace
