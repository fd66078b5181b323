// The camera update: its housekeeping and the three placement cases, with the
// head's world transform frozen where the worked numbers give it.
#include <math.h>

#include "game/node_names.h"
#include "tests/alloc_counter.h"
#include "tests/fixture.h"
#include "view/head_camera.h"

namespace {

using sim::Routine;

int horse = 1;

class HeadCamera : public GameTest {
  protected:
    HeadCamera() {
        // A marker the placement overwrites, so that "not written" shows.
        Camera()->LocalTranslation = kUntouched;
        Camera()->LocalRotation = kUntouchedRotation;
    }
    SceneNode* Camera() { return &game.camera->node; }
    void PlaceHead(Vector3 h, const Matrix3& H) { sim::Game::Freeze(game.bodyHead, h, H, 1.0f); }
    void Update() { UpdateHeadCamera(Camera()); }
    bool CameraUntouched() {
        const Vector3& t = Camera()->LocalTranslation;
        return t.x == kUntouched.x && t.y == kUntouched.y && t.z == kUntouched.z &&
               Camera()->LocalRotation.m[0][0] == kUntouchedRotation.m[0][0];
    }
    static Matrix3 Times(const Matrix3& a, const Matrix3& b) {
        Matrix3 p;
        MultiplyMatrix3(&p, &a, &b);
        return p;
    }
    static constexpr Vector3 kUntouched = {-999, -999, -999};
    static constexpr Matrix3 kUntouchedRotation = {{{7, 7, 7}, {7, 7, 7}, {7, 7, 7}}};
};

TEST_F(HeadCamera, RotationFromThePitchIsTheFixedFrameTurned) {
    const Matrix3 r = HeadCameraRotation(0.3f);
    ExpectMatrixNear(
        Matrix3{{{0, -0.2955202f, 0.9553365f}, {0, 0.9553365f, 0.2955202f}, {-1, 0, 0}}}, r, 2e-7f);
    ExpectMatrixNear(FixedCameraFrame(), HeadCameraRotation(0.0f), 2e-7f);
    // F * Rx(-pitch) for another pitch, computed independently.
    const float pitch = -0.8f;
    const double c = cos(pitch), s = sin(pitch);
    ExpectMatrixNear(Matrix3{{{0, static_cast<float>(-s), static_cast<float>(c)},
                              {0, static_cast<float>(c), static_cast<float>(s)},
                              {-1, 0, 0}}},
                     HeadCameraRotation(pitch), 2e-7f);
}

TEST_F(HeadCamera, WorkedPlacementsWithDefaultOffsets) {
    PlaceHead({100, 200, 300}, sim::Identity());
    // Anchored: sitting.
    Process()->SitState = kSitStateSeated;
    Update();
    ExpectVectorNear({106, 214, 300}, Camera()->LocalTranslation, 0.0f);
    // Idle animation.
    HeadAnchorCountdown = 0;
    Process()->SitState = 1; // neither anchored nor standing
    SetIdle(game.bodyAnim, true);
    Camera()->LocalTranslation = kUntouched;
    Update();
    ExpectVectorNear({106, 214, 300}, Camera()->LocalTranslation, 0.0f);
    // Plain, with head bob.
    SetIdle(game.bodyAnim, false);
    Process()->SitState = 0;
    Settings.bEnableHeadBob = 1;
    Camera()->LocalTranslation = kUntouched;
    Camera()->LocalRotation = kUntouchedRotation;
    Update();
    ExpectVectorNear({100, 214, 306}, Camera()->LocalTranslation, 0.0f);
    EXPECT_EQ(7.0f, Camera()->LocalRotation.m[0][0]); // plain: rotation untouched
}

TEST_F(HeadCamera, StandingWithoutHeadBobLeavesTheCameraWhereTheGamePutIt) {
    Update();
    EXPECT_TRUE(CameraUntouched());
    // Two extra updates were made, with the flag set around them.
    ASSERT_EQ(2, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(&game.bodyAnim->rec, game.Call(0).receiver);
    for (int i = 0; i < 2; ++i) {
        const sim::CallRecord* c = game.CallOf(Routine::UpdateAnimationRecord, i);
        EXPECT_EQ(0x3F800000u, c->watched[0]) << "InExtraAnimUpdate during update " << i;
    }
    EXPECT_EQ(&game.fpAnim->rec, game.CallOf(Routine::UpdateAnimationRecord, 1)->receiver);
    EXPECT_EQ(0.0f, InExtraAnimUpdate);
}

TEST_F(HeadCamera, ThirdPersonWithoutForcingOnlyKeepsHouse) {
    Player()->ThirdPerson = 1;
    Settings.bUseThirdPersonArms = 1;
    Body()->Flags = 1;
    Update();
    EXPECT_TRUE(CameraUntouched());
    EXPECT_FALSE(Hidden(Body()));
    EXPECT_TRUE(Hidden(Arms()));
    EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord)); // no extra update
    EXPECT_EQ(1, Calls(Routine::GetInterfaceObject));    // menu watch ran
}

TEST_F(HeadCamera, SittingIsAnchoredToTheHead) {
    const Matrix3 H = sim::RotationZ(0.6f);
    PlaceHead({10, 20, 30}, H);
    Player()->LookPitch = 0.25f;
    Process()->SitState = kSitStateSeated;
    Update();
    Vector3 turned;
    const Vector3 offset = {6, 14, 0};
    MultiplyMatrix3Vector3(&turned, &H, &offset);
    ExpectVectorNear({10 + turned.x, 20 + turned.y, 30 + turned.z}, Camera()->LocalTranslation);
    ExpectMatrixNear(Times(H, HeadCameraRotation(0.25f)), Camera()->LocalRotation, 0.0f);

    Settings.bFirstPersonAnimCameraRotation = 0;
    Update();
    ExpectMatrixNear(Times(H, FixedCameraFrame()), Camera()->LocalRotation, 0.0f);
}

TEST_F(HeadCamera, AnchorLastsFourUpdatesAfterStandingUp) {
    PlaceHead({0, 0, 100}, sim::Identity());
    Process()->SitState = kSitStateSeated;
    Update();
    Process()->SitState = 0;
    for (int i = 4; i >= 1; --i) {
        Camera()->LocalRotation = kUntouchedRotation;
        Update();
        EXPECT_EQ(i, HeadAnchorCountdown);
        EXPECT_NE(7.0f, Camera()->LocalRotation.m[0][0]) << "anchored with countdown " << i;
    }
    Camera()->LocalTranslation = kUntouched;
    Camera()->LocalRotation = kUntouchedRotation;
    Update();
    EXPECT_EQ(0, HeadAnchorCountdown);
    EXPECT_TRUE(CameraUntouched());
}

TEST_F(HeadCamera, DeadIsAnchoredWithTheFixedFrameAndNoExtraUpdate) {
    const Matrix3 H = sim::RotationX(0.4f);
    PlaceHead({1, 2, 3}, H);
    game.player->isDead = 1;
    Player()->LookPitch = 0.5f;
    Update();
    EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord));
    ExpectMatrixNear(Times(H, FixedCameraFrame()), Camera()->LocalRotation, 0.0f);
}

TEST_F(HeadCamera, FeedingAndMountedChooseTheirOwnHeight) {
    PlaceHead({0, 0, 0}, sim::Identity());
    Settings.fVampireFeedCameraPosY = 3;
    Settings.fHorseMountCameraPosY = 5;
    Settings.fCameraPosY = 7;
    Process()->KnockoutState = 1; // anchored
    game.player->isVampireFeeding = 1;
    Player()->Mount = &horse;
    Update();
    EXPECT_EQ(3.0f, Camera()->LocalTranslation.y);
    ExpectMatrixNear(FixedCameraFrame(), Camera()->LocalRotation, 0.0f);
    game.player->isVampireFeeding = 0;
    Update();
    EXPECT_EQ(5.0f, Camera()->LocalTranslation.y);
    Player()->Mount = nullptr;
    Update();
    EXPECT_EQ(7.0f, Camera()->LocalTranslation.y);
}

TEST_F(HeadCamera, IdleAnimationTurnsWithThePitchWhateverTheSetting) {
    const Matrix3 H = sim::RotationZ(-0.3f);
    PlaceHead({5, 5, 5}, H);
    Settings.bFirstPersonAnimCameraRotation = 0;
    SetIdle(game.bodyAnim, true);
    Player()->LookPitch = 0.0f;
    Update();
    ExpectMatrixNear(Times(H, HeadCameraRotation(0.0f)), Camera()->LocalRotation, 0.0f);
    ExpectMatrixNear(Times(H, FixedCameraFrame()), Camera()->LocalRotation, 2e-7f);
}

TEST_F(HeadCamera, MountedOnTheHorseStateWithoutCountdownIsNotPlaced) {
    PlaceHead({0, 0, 0}, sim::Identity());
    Player()->Mount = &horse;
    Process()->SitState = kSitStateOnMount;
    Settings.fHorseMountCameraPosY = 5;
    Update();
    EXPECT_TRUE(CameraUntouched());
    HeadAnchorCountdown = 3; // ticks to 2 in this update: anchored
    Update();
    EXPECT_EQ(2, HeadAnchorCountdown);
    EXPECT_EQ(5.0f, Camera()->LocalTranslation.y);
}

TEST_F(HeadCamera, WatchedMenuOrDetachedCameraPlacesNothing) {
    Process()->SitState = kSitStateSeated;
    WatchedMenuOpen = 1;
    Update();
    EXPECT_TRUE(CameraUntouched());
    EXPECT_TRUE(Hidden(Body()));
    WatchedMenuOpen = 0;
    sim::Game::SetCameraDetached(1);
    Update();
    EXPECT_TRUE(CameraUntouched());
    EXPECT_FALSE(Hidden(Body()));
}

TEST_F(HeadCamera, StandingIdleIsResetWithThirdPersonHeldForTheCall) {
    SetIdle(game.bodyAnim, true);
    game.Play(game.bodyAnim, 3, "Characters\\_Male\\IdleAnims\\IdleGuardCheckScabbard.KF", 0);
    Update();
    ASSERT_EQ(1, Calls(Routine::PlayerIdleUpdate));
    EXPECT_EQ(1, game.CallOf(Routine::PlayerIdleUpdate, 0)->thirdPerson);
    EXPECT_EQ(Player(), game.CallOf(Routine::PlayerIdleUpdate, 0)->receiver);
    EXPECT_EQ(0, Player()->ThirdPerson);
    // Without the idle query holding, or with another sequence: no reset.
    game.ClearCalls();
    game.Play(game.bodyAnim, 3, "Stand2.kf", 0);
    Update();
    EXPECT_EQ(0, Calls(Routine::PlayerIdleUpdate));
}

TEST_F(HeadCamera, SwitchToThirdPersonDuringTheExtraUpdateForcesTheBodyView) {
    game.onCall[static_cast<int>(Routine::UpdateAnimationRecord)] = [&](const sim::CallRecord&) {
        Player()->ThirdPerson = 1;
    };
    PlaceHead({0, 0, 0}, sim::Identity());
    Update();
    EXPECT_EQ(kForcedModeKeep, ForcedBodyMode);
    EXPECT_EQ(kHeadAnchorUpdates - 1, HeadAnchorCountdown); // set, then ticked
    EXPECT_FALSE(CameraUntouched());                        // anchored placement
    // With the body logic off the switch is not acted on.
    Settings.bEnableFirstPersonBody = 0;
    ForcedBodyMode = 0;
    Player()->ThirdPerson = 0;
    Update();
    EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
}

TEST_F(HeadCamera, FirstPersonArmsVisibility) {
    struct Row {
        int32_t thirdArms, visibleArms;
        uint8_t weaponDrawn;
        uint32_t leftItem;
        bool idleArms, mounted;
        int32_t horseBody;
        uint16_t flagsBefore; // the arms' Flags before the update
        int want;             // 1: hidden after it
    } rows[] = {
        {1, 1, 0, 0, false, false, 0, 0, 1}, // own arms: hidden
        {1, 1, 0, 0, true, false, 0, 1, 0},  // an arms idle: shown
        {1, 1, 0, 0, false, true, 2, 1, 0},  // mounted, horse body not 1
        {1, 1, 0, 0, false, true, 1, 0, 1},  // mounted, horse body 1
        {0, 1, 0, 0, false, false, 0, 0, 1}, // hands idle: hidden
        {0, 1, 1, 0, false, false, 0, 1, 0}, // weapon drawn: shown
        {0, 1, 0, 1, false, false, 0, 1, 0}, // an item in the left hand
        // Setting 2 is not 1, and 0: the frame start's rule of the first
        // person, the game's arms hidden only on a mount that shows the body.
        {0, 2, 1, 0, false, false, 0, 1, 0},
        {0, 0, 1, 0, false, false, 0, 1, 0},
        {0, 0, 0, 0, false, true, 1, 0, 1},
        {0, 0, 0, 0, false, true, 2, 1, 0},
    };
    for (const Row& r : rows) {
        Settings.bUseThirdPersonArms = r.thirdArms;
        Settings.bVisibleArmsWeaponSheathed = r.visibleArms;
        Settings.bHorseFirstPersonBody = r.horseBody;
        Process()->WeaponDrawn = r.weaponDrawn;
        game.process->leftHandItem = r.leftItem;
        SetIdle(game.fpAnim, r.idleArms);
        Player()->Mount = r.mounted ? &horse : nullptr;
        Arms()->Flags = r.flagsBefore;
        Update();
        EXPECT_EQ(r.want != 0, Hidden(Arms()))
            << r.thirdArms << r.visibleArms << int(r.weaponDrawn) << r.leftItem << r.idleArms
            << r.mounted << r.horseBody;
    }
}

TEST_F(HeadCamera, ChaseDistanceIsRestoredOnlyWhenNothingBlocksIt) {
    struct Row {
        int8_t knockout;
        uint8_t a, b;
        bool restored;
    } rows[] = {{0, 0, 0, true}, {1, 0, 0, false}, {0, 1, 0, false}, {0, 0, 1, false}};
    for (const Row& r : rows) {
        Process()->KnockoutState = r.knockout;
        Player()->RestoreBlockA = r.a;
        Player()->RestoreBlockB = r.b;
        Player()->ThirdPerson = 1; // not consulted here
        SavedChaseDistance = 400.0f;
        ChaseCameraDistance() = 10.0f;
        Update();
        EXPECT_EQ(r.restored ? 400.0f : 10.0f, ChaseCameraDistance());
    }
}

TEST_F(HeadCamera, ZeroBodyScaleSeatsTheCameraOnTheHeadAndAMissingHeadPlacesNothing) {
    PlaceHead({3, 4, 5}, sim::Identity());
    sim::Game::Freeze(game.bodyRoot, {0, 0, 0}, sim::Identity(), 0.0f);
    Process()->SitState = kSitStateSeated;
    Update();
    ExpectVectorNear({3, 4, 5}, Camera()->LocalTranslation, 0.0f);
    snprintf(game.bodyHead->name, sizeof game.bodyHead->name, "Bip01 Skull");
    Camera()->LocalTranslation = kUntouched;
    Camera()->LocalRotation = kUntouchedRotation;
    Update();
    EXPECT_TRUE(CameraUntouched());
}

// Each object missing alone skips only the steps that read it.
TEST_F(HeadCamera, MissingObjectsSkipOnlyTheStepsThatReadThem) {
    // No body record: the arms' record is still updated, and sitting is
    // still anchored to the head (found by name under the body root).
    Process()->BodyAnim = nullptr;
    Process()->SitState = kSitStateSeated;
    Update();
    EXPECT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(&game.fpAnim->rec, game.Call(0).receiver);
    EXPECT_FALSE(CameraUntouched());

    // No process: the menu watch and the visibility still run; the
    // countdown, the chase distance and the placement read the process.
    Camera()->LocalTranslation = kUntouched;
    Camera()->LocalRotation = kUntouchedRotation;
    Player()->Process = nullptr;
    HeadAnchorCountdown = 2;
    SavedChaseDistance = 300.0f;
    WatchedMenuOpen = 0;
    game.interface->menuModeActive = 1;
    game.interface->openMenu1009 = 1;
    Update();
    EXPECT_EQ(1, WatchedMenuOpen);
    EXPECT_TRUE(Hidden(Body()));
    EXPECT_EQ(2, HeadAnchorCountdown);
    EXPECT_EQ(300.0f, SavedChaseDistance);
    EXPECT_TRUE(CameraUntouched());

    // No camera node and no player: only what needs neither.
    Player()->Process = Process();
    Process()->SitState = 0;
    WatchedMenuOpen = 0;
    UpdateHeadCamera(nullptr);
    EXPECT_EQ(1, HeadAnchorCountdown); // counted down
    GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER) = nullptr;
    WatchedMenuOpen = 0;
    game.ClearCalls();
    Update();
    EXPECT_EQ(1, WatchedMenuOpen);
    EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord));
}

TEST_F(HeadCamera, AllocatesNothing) {
    PlaceHead({1, 1, 1}, sim::Identity());
    SetIdle(game.bodyAnim, true);
    game.Play(game.bodyAnim, 0, "Stand1.kf", 0);
    const long allocations = AllocationsDuring([&] {
        for (uint8_t sit : {0, 3, 8}) {
            Process()->SitState = sit;
            Update();
        }
    });
    EXPECT_EQ(0, allocations);
}

} // namespace
