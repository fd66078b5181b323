// The body pass with head bob, head offset and arm posing: the worked
// numbers, the order of writes and updates, and which paths run what.
#include <math.h>

#include "body/arm_pose.h"
#include "body/head_bob.h"
#include "tests/alloc_counter.h"
#include "tests/fixture.h"
#include "view/body_pass.h"

namespace {

using sim::Routine;

int horse = 1;
constexpr uint32_t kSetBits = 0x3F800000u; // 1.0f

class BodyPass : public GameTest {
  protected:
    void Pass() { UpdateBodyPass(Player(), &game.bodyAnim->rec); }
    int PoseCount() { return game.lClavicle->virtual29Calls; }
};

TEST_F(BodyPass, OtherActorsAndPlainThirdPersonGetTheGameUpdateOnly) {
    const Vector3 before = Body()->LocalTranslation;
    UpdateBodyPass(game.others[0]->object, &game.others[0]->record->rec);
    ASSERT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(&game.others[0]->record->rec, game.Call(0).receiver);
    EXPECT_EQ(0u, game.Call(0).watched[1]); // InBodyPassUpdate clear

    game.ClearCalls();
    SavedThirdPerson = 1;
    Settings.bRotateThirdPersonArms = 3;
    Pass();
    EXPECT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(0, PoseCount());
    ExpectVectorNear(before, Body()->LocalTranslation, 0.0f);
}

TEST_F(BodyPass, KnockedOutRaisesTheBodyAndUpdatesItOnceMore) {
    ForcedBodyMode = kForcedModeKeep;
    Process()->KnockoutState = -1;
    Settings.bRotateThirdPersonArms = 3;
    Settings.bEnableHeadBob = 1;
    Body()->Flags = 0x0001;
    Pass();
    EXPECT_EQ(12.0f, Body()->LocalTranslation.z);
    ASSERT_EQ(2, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(kSetBits, game.Call(0).watched[1]); // the handed record: InBodyPassUpdate
    EXPECT_EQ(0u, game.Call(0).watched[0]);
    EXPECT_EQ(0u, game.Call(1).watched[1]); // the extra one: InExtraAnimUpdate
    EXPECT_EQ(kSetBits, game.Call(1).watched[0]);
    EXPECT_EQ(&game.bodyAnim->rec, game.Call(1).receiver);
    EXPECT_EQ(0, PoseCount());
    EXPECT_EQ(0x0001, Body()->Flags);
    EXPECT_EQ(0.0f, InBodyPassUpdate);
    EXPECT_EQ(0.0f, InExtraAnimUpdate);
    // The body's world scale multiplies the rise.
    sim::Game::Freeze(game.bodyRoot, {0, 0, 0}, sim::Identity(), 2.0f);
    Pass();
    EXPECT_EQ(36.0f, Body()->LocalTranslation.z);
}

TEST_F(BodyPass, DeadWithoutAForcedModeIsNotTheDownBranch) {
    game.player->isDead = 1;
    Pass();
    EXPECT_EQ(0.0f, Body()->LocalTranslation.z); // not raised
    // First person, standing: the plain path ran (the body was pulled).
    EXPECT_GE(Calls(Routine::UpdateAnimationRecord), 2);
}

TEST_F(BodyPass, WatchedMenuLeavesOnlyTheGameUpdate) {
    WatchedMenuOpen = 1;
    Settings.bEnableHeadBob = 1;
    Pass();
    EXPECT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    ExpectVectorNear({0, 0, 0}, Body()->LocalTranslation, 0.0f);
}

TEST_F(BodyPass, LyingRaisesTheBodyThenPlacesAndLowersTheArms) {
    Process()->SitState = kSitStateLying;
    Pass();
    EXPECT_EQ(12.0f, Body()->LocalTranslation.z);
    // ApplyHeadOffset ran on the raised body, then the arms went 100 down.
    // Camera (0,14,136), eye (0,14,136): d = (0,14,136), t = (0,14,136),
    // l = body local - arms local.
    ExpectVectorNear({0.0f, 0.0f, 12.0f - 100.0f}, Arms()->LocalTranslation);
    // Updates: the handed record, the arms, then the body last.
    ASSERT_EQ(3, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(&game.fpAnim->rec, game.Call(1).receiver);
    EXPECT_EQ(&game.bodyAnim->rec, game.Call(2).receiver);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kSetBits, game.Call(i).watched[1]) << i;
    }
}

TEST_F(BodyPass, LyingWhileFeedingShiftsAlongTheBodyRotation) {
    Process()->SitState = 9;
    game.player->isVampireFeeding = 1;
    sim::Game::Freeze(game.bodyRoot, {0, 0, 0}, sim::RotationZ(1.5707964f), 1.0f);
    Body()->LocalTranslation = {1, 1, 1};
    UpdateBodyPass(Player(), &game.others[1]->record->rec); // a record of its own
    // Rz(90) * (0, -16, 0) = (16, 0, 0); z up by 10.
    ExpectVectorNear({17, 1, 11}, Body()->LocalTranslation, 1e-5f);
}

TEST_F(BodyPass, ArmPosingFollowsTheBitsOfItsSetting) {
    struct Row {
        int32_t bits;
        bool forced; // a forced mode takes the other path
        int poses;
    } rows[] = {{0, false, 0}, {1, false, 1}, {2, false, 0}, {3, false, 1},
                {1, true, 0},  {2, true, 1},  {3, true, 1},  {4, true, 0}};
    for (const Row& r : rows) {
        Settings.bRotateThirdPersonArms = r.bits;
        ForcedBodyMode = r.forced ? kForcedModeKeep : kForcedModeNone;
        game.lClavicle->virtual29Calls = 0;
        Pass();
        EXPECT_EQ(r.poses, PoseCount()) << r.bits << " forced " << r.forced;
    }
}

TEST_F(BodyPass, DismountRestoresVisibilityOnce) {
    Settings.bUseThirdPersonArms = 1;
    MountedInFirstPerson = 1;
    Body()->Flags = 0x0001;
    Arms()->Flags = 0x0000;
    Pass();
    EXPECT_FALSE(Hidden(Body()));
    EXPECT_TRUE(Hidden(Arms()));
    EXPECT_EQ(0, MountedInFirstPerson);
    // Still mounted: nothing restored.
    MountedInFirstPerson = 1;
    Player()->Mount = &horse;
    Body()->Flags = 0x0001;
    Pass();
    EXPECT_TRUE(Hidden(Body()));
    EXPECT_EQ(1, MountedInFirstPerson);
}

TEST_F(BodyPass, SittingMovesTheArmsButNotTheBody) {
    Process()->SitState = kSitStateSeated;
    sim::Game::Freeze(game.camera, {0, 20, 120}, sim::Identity(), 1.0f);
    Pass();
    ExpectVectorNear({0, 0, 0}, Body()->LocalTranslation, 0.0f);
    // Head offset: d = camera - arms root = (0,20,120), t = eye - body = (0,14,136).
    ExpectVectorNear({0, -6, 16}, Arms()->LocalTranslation);
}

TEST_F(BodyPass, StandingPullsTheBodySoTheEyeFallsOnTheCamera) {
    sim::Game::Freeze(game.camera, {5, 30, 140}, sim::Identity(), 1.0f);
    Pass();
    ExpectVectorNear({5, 16, 4}, Body()->LocalTranslation);
    // After the pass the game's update put the eye point on the camera.
    ExpectVectorNear({5, 16, 134}, game.bodyHead->node.WorldTranslation);
    EXPECT_EQ(2, Calls(Routine::UpdateAnimationRecord)); // no arms update without head bob
}

// Each object missing alone skips only what reads it.
TEST_F(BodyPass, MissingObjectsSkipOnlyWhatReadsThem) {
    Process()->SitState = kSitStateLying;
    // No body record: the game's update of the handed record still happens,
    // the body is raised, the arms placed, lowered and updated.
    Process()->BodyAnim = nullptr;
    Pass();
    EXPECT_EQ(12.0f, Body()->LocalTranslation.z);
    EXPECT_EQ(2, Calls(Routine::UpdateAnimationRecord)); // the record, then the arms
    EXPECT_EQ(&game.fpAnim->rec, game.Call(1).receiver);
    EXPECT_EQ(0.0f, InBodyPassUpdate);

    // No first-person root: the body still rises; nothing moves the arms.
    Process()->BodyAnim = &game.bodyAnim->rec;
    Player()->FirstPersonRoot = nullptr;
    Body()->LocalTranslation = {0, 0, 0};
    const float armsHeight = Arms()->LocalTranslation.z;
    game.ClearCalls();
    Pass();
    EXPECT_EQ(12.0f, Body()->LocalTranslation.z);
    EXPECT_EQ(armsHeight, Arms()->LocalTranslation.z);

    // No body root: the arms are placed no more (the eye needs the body),
    // but both records are updated.
    Player()->FirstPersonRoot = Arms();
    Player()->BodyRoot = nullptr;
    game.ClearCalls();
    Pass();
    EXPECT_EQ(3, Calls(Routine::UpdateAnimationRecord));

    // No process: only the game's update, with the pass flag around it, and
    // the visibility once after dismounting, which needs no process.
    Player()->BodyRoot = Body();
    Player()->Process = nullptr;
    MountedInFirstPerson = 1;
    Body()->Flags = 0x0001;
    Body()->LocalTranslation = {0, 0, 0};
    game.ClearCalls();
    Pass();
    ASSERT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(kSetBits, game.Call(0).watched[1]);
    EXPECT_EQ(0.0f, InBodyPassUpdate);
    EXPECT_EQ(0, MountedInFirstPerson);
    EXPECT_FALSE(Hidden(Body()));
    EXPECT_EQ(0.0f, Body()->LocalTranslation.z); // nothing that needs the sit state

    // Under a forced mode the knockout state decides first: without the
    // process nothing at all happens.
    ForcedBodyMode = kForcedModeKeep;
    MountedInFirstPerson = 1;
    game.ClearCalls();
    Pass();
    EXPECT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(1, MountedInFirstPerson);
}

TEST_F(BodyPass, AllocatesNothing) {
    Settings.bRotateThirdPersonArms = 3;
    Settings.bEnableHeadBob = 1;
    game.Play(game.bodyAnim, 0, "Cast.kf", 35);
    const long allocations = AllocationsDuring([&] {
        for (uint8_t sit : {0, 3, 8}) {
            Process()->SitState = sit;
            Pass();
            ForcedBodyMode = kForcedModeKeep;
            Pass();
            ForcedBodyMode = kForcedModeNone;
            UpdateBodyPass(game.others[0]->object, &game.others[0]->record->rec);
        }
    });
    EXPECT_EQ(0, allocations);
}

// --- head bob and head offset ------------------------------------------------

class HeadBob : public GameTest {
  protected:
    HeadBob() {
        sim::Game::Freeze(game.bodyHead, {10, 20, 100}, sim::Identity(), 1.0f);
        sim::Game::Freeze(game.bodyRoot, {10, 10, 30}, sim::Identity(), 1.0f);
        Body()->LocalTranslation = {1, 2, 3};
        sim::Game::Freeze(game.camera, {12, 30, 110}, sim::Identity(), 1.0f);
    }
};

TEST_F(HeadBob, WorkedNumbersOfTheModes) {
    Settings.bEnableHeadBob = 0;
    ApplyHeadBob();
    ExpectVectorNear({3, -2, 7}, Body()->LocalTranslation, 0.0f);
    Body()->LocalTranslation = {1, 2, 3};
    Settings.bEnableHeadBob = 2;
    ApplyHeadBob();
    ExpectVectorNear({1, -17.2f, 3}, Body()->LocalTranslation, 1e-5f);
    EXPECT_EQ(3.0f, Body()->LocalTranslation.z);
}

TEST_F(HeadBob, ModeChoiceByValueAndProcessFlags) {
    struct Row {
        int32_t mode;
        uint32_t flags;
        float dy; // change of the local y
    } rows[] = {
        {1, 0, -25},        {3, 0, -25},         {-1, 0, -25},       {1, 0x400, -35},
        {1, 0xC00, -19.2f}, {-1, 0x800, -19.2f}, {2, 0x400, -19.2f}, {7, 0x1400, -35},
    };
    for (const Row& r : rows) {
        Settings.bEnableHeadBob = r.mode;
        game.process->flagWord = r.flags;
        Body()->LocalTranslation = {1, 2, 3};
        ApplyHeadBob();
        EXPECT_NEAR(2 + r.dy, Body()->LocalTranslation.y, 1e-5) << r.mode << " " << r.flags;
        EXPECT_EQ(3.0f, Body()->LocalTranslation.z);
    }
}

TEST_F(HeadBob, FixedShiftTurnsWithTheBodyAndScales) {
    Settings.bEnableHeadBob = 1;
    sim::Game::Freeze(game.bodyRoot, {10, 10, 30}, sim::RotationZ(1.5707964f), 2.0f);
    ApplyHeadBob();
    // Rz(90) * (0, -50, 0) = (50, 0, 0).
    ExpectVectorNear({51, 2, 3}, Body()->LocalTranslation, 1e-4f);
}

TEST_F(HeadBob, NothingMovesWhileSitting) {
    for (int32_t mode : {0, 1, 2}) {
        Settings.bEnableHeadBob = mode;
        Process()->SitState = 1;
        ApplyHeadBob();
        ExpectVectorNear({1, 2, 3}, Body()->LocalTranslation, 0.0f);
    }
}

TEST_F(HeadBob, HeadOffsetCarriesTheCameraToTheEyePoint) {
    // Both roots under the origin: world and local agree.
    sim::Game::Freeze(game.bodyRoot, {10, 10, 30}, sim::Identity(), 1.0f);
    Body()->LocalTranslation = {10, 10, 30};
    sim::Game::Freeze(game.fpRoot, {4, 5, 6}, sim::Identity(), 1.0f);
    Arms()->LocalTranslation = {4, 5, 6};
    sim::Game::Freeze(game.camera, {4, 5, 26}, sim::Identity(), 1.0f);
    ApplyHeadOffset();
    ExpectVectorNear({10, 34, 86}, Arms()->LocalTranslation, 0.0f);

    // The formula holds whatever the parents.
    Body()->LocalTranslation = {1, 2, 3};
    sim::Game::Freeze(game.fpRoot, {0, 0, 0}, sim::Identity(), 1.0f);
    Arms()->LocalTranslation = {4, 5, 6};
    sim::Game::Freeze(game.camera, {0, 0, 20}, sim::Identity(), 1.0f);
    ApplyHeadOffset();
    ExpectVectorNear({1, 26, 59}, Arms()->LocalTranslation, 0.0f);
}

TEST_F(HeadBob, MissingHeadSkipsOnlyThatAdjustment) {
    snprintf(game.bodyHead->name, sizeof game.bodyHead->name, "Head");
    const Vector3 before = Arms()->LocalTranslation;
    ApplyHeadOffset();
    ExpectVectorNear(before, Arms()->LocalTranslation, 0.0f);
    Process()->BodyAnim->HeadNode = nullptr;
    ApplyHeadBob();
    ExpectVectorNear({1, 2, 3}, Body()->LocalTranslation, 0.0f);
}

// --- arm posing ----------------------------------------------------------------

class ArmPose : public GameTest {
  protected:
    ArmPose() { Player()->LookPitch = 0.5f; }
    // The game's animation of a new frame: the clavicles' local rotations
    // as the rig holds them, before the plug-in turns them again.
    void Animate() {
        game.lClavicle->node.LocalRotation = sim::Identity();
        game.rClavicle->node.LocalRotation = sim::Identity();
    }
    float Left() { return -asinf(game.lClavicle->node.LocalRotation.m[2][1]); }
    float Right() { return -asinf(game.rClavicle->node.LocalRotation.m[2][1]); }
    void Weapon(int32_t kind, uint8_t type = kFormTypeWeapon) {
        Process()->EquippedWeapon = &game.NewWeapon(type, kind)->entry;
    }
};

TEST_F(ArmPose, AngleTable) {
    const float p = 0.5f;
    struct Row {
        int16_t action;
        int32_t weapon; // -2: no weapon entry
        uint32_t shield, leftItem;
        float left, right;
    } rows[] = {
        {3, 0, 0, 0, 0, 0.35f * p},
        {2, 2, 0, 0, 0, 0.35f * p},
        {5, 5, 0, 0, 0.35f * p, 0.175f * p},
        {4, 1, 0, 0, 0.35f * p, 0.35f * p},
        {4, -2, 0, 0, 0.35f * p, 0.35f * p},
        {6, 0, 1, 0, 0.4f * p, 0},
        {6, 2, 0, 0, 0, 0.4f * p},
        {6, 1, 0, 0, 0.4f * p, 0.4f * p},
        {6, 3, 1, 0, 0.4f * p, 0.4f * p},
        {6, 5, 0, 0, 0.4f * p, 0},
        {6, 4, 0, 0, 0.4f * p, 0.4f * p},
        {6, -2, 1, 0, 0.4f * p, 0.4f * p},
        {0, 0, 0, 1, 0.6f * p, 0},
        {7, 0, 0, 0, 0, 0},
        {1, 5, 1, 0, 0, 0},
    };
    for (const Row& r : rows) {
        Process()->ActionState = r.action;
        Process()->EquippedWeapon = nullptr;
        if (r.weapon != -2) {
            Weapon(r.weapon);
        }
        game.process->shield = r.shield;
        game.process->leftHandItem = r.leftItem;
        Animate();
        PoseArms();
        EXPECT_NEAR(r.left, Left(), 1e-6) << r.action << " " << r.weapon;
        EXPECT_NEAR(r.right, Right(), 1e-6) << r.action << " " << r.weapon;
    }
}

TEST_F(ArmPose, AFormThatIsNoWeaponCountsAsNone) {
    for (uint8_t type : {0x20, 0x22}) {
        Weapon(0, type); // kind 0 would give the left arm nothing
        EXPECT_EQ(-1, EquippedWeaponCode(Process()));
        Process()->ActionState = 3;
        Animate();
        PoseArms();
        EXPECT_NEAR(0.175f, Left(), 1e-6);
    }
    Process()->EquippedWeapon = &game.NewWeapon(kFormTypeWeapon, 4)->entry;
    Process()->EquippedWeapon->Form = nullptr;
    EXPECT_EQ(-1, EquippedWeaponCode(Process()));
}

TEST_F(ArmPose, CastingGroupsTurnBothArmsByThePitch) {
    Process()->ActionState = 3;
    game.Play(game.bodyAnim, 1, "x.kf", 34); // 34 alone: both 0, no magicNode
    const Vector3 magicBefore = game.bodyMagic->node.LocalTranslation;
    PoseArms();
    EXPECT_EQ(0.0f, Left());
    EXPECT_EQ(0.0f, Right());
    ExpectVectorNear(magicBefore, game.bodyMagic->node.LocalTranslation, 0.0f);
    game.Play(game.bodyAnim, 1, "x.kf", 36);
    PoseArms();
    EXPECT_NEAR(0.5f, Left(), 1e-6);
    EXPECT_NEAR(0.5f, Right(), 1e-6);
}

TEST_F(ArmPose, MagicNodeGoesToTheHandOfTheGroup) {
    // 38: the right hand, which is magicNode's parent, so the local position is
    // the offset itself.
    game.Play(game.bodyAnim, 0, "bow.kf", 38);
    PoseArms();
    ExpectVectorNear({6.58f, 3.05f, -0.1f}, game.bodyMagic->node.LocalTranslation, 1e-5f);
    game.Play(game.bodyAnim, 0, "bow.kf", 39);
    PoseArms();
    ExpectVectorNear({6.62f, 3.02f, -0.075f}, game.bodyMagic->node.LocalTranslation, 1e-5f);
    // 36: the left hand; with identity rotations the target is a plain sum.
    game.Play(game.bodyAnim, 0, "cast.kf", 36);
    PoseArms();
    const Vector3 l = game.lHand->node.WorldTranslation, r = game.rHand->node.WorldTranslation;
    ExpectVectorNear({l.x + 12.2f - r.x, l.y + 4.1f - r.y, l.z - r.z},
                     game.bodyMagic->node.LocalTranslation, 1e-4f);
    // 35 with 38 in another slot: the mid-point of both hands wins.
    game.Play(game.bodyAnim, 0, "bow.kf", 38);
    game.Play(game.bodyAnim, 3, "cast.kf", 35);
    PoseArms();
    ExpectVectorNear({(l.x + r.x) / 2 + 12 - r.x, (l.y + r.y) / 2 + 4 - r.y, (l.z + r.z) / 2 - r.z},
                     game.bodyMagic->node.LocalTranslation, 1e-4f);
}

// Both hands: ((left hand + left offset) + right hand) + right offset, halved,
// rounded to a float at every step. These hands make the order show in the
// last bit.
TEST_F(ArmPose, MidPointOfBothHandsSumsInItsOrder) {
    sim::Game::Freeze(game.lHand, {0.1f, 0, 0}, sim::Identity(), 1.0f);
    sim::Game::Freeze(game.rHand, {7.7f, 0, 0}, sim::Identity(), 1.0f);
    game.Play(game.bodyAnim, 0, "cast.kf", 35);
    PoseArms();
    volatile float l = 0.1f, r = 7.7f, offset = 12.0f;
    volatile float leftPoint = l + offset, withRight = leftPoint + r, sum = withRight + offset;
    volatile float inOrder = sum * 0.5f - r;
    volatile float rightPoint = r + offset, pairwise = leftPoint + rightPoint;
    volatile float otherOrder = pairwise * 0.5f - r;
    ASSERT_NE(inOrder, otherOrder);
    EXPECT_EQ(inOrder, game.bodyMagic->node.LocalTranslation.x);
}

TEST_F(ArmPose, ClavicleTurnsFromItsWorldOrientationAboutTheBodyAxis) {
    // No body record, nothing in the hands: both turned by 0. The world
    // rotation the last update left is stale (the animation has moved the
    // clavicle since): slot 29 brings it up to date from the local one
    // first, so that the turn by 0 keeps the animation's local rotation.
    Process()->BodyAnim = nullptr;
    const Matrix3 turned = sim::RotationZ(0.4f);
    game.lClavicle->node.LocalRotation = turned;
    game.lClavicle->node.WorldRotation = sim::RotationX(1.0f);
    PoseArms();
    ExpectMatrixNear(turned, game.lClavicle->node.LocalRotation);
    Matrix3 derived;
    MultiplyMatrix3(&derived, &game.lClavicle->node.Parent->WorldRotation, &turned);
    ExpectMatrixNear(derived, game.lClavicle->node.WorldRotation);
    EXPECT_EQ(1, game.lClavicle->virtual29Calls);
    EXPECT_EQ(1, game.rClavicle->virtual29Calls);

    // Identity body and parent: local = Rx(a) * world.
    const Matrix3 world = sim::RotationZ(0.7f);
    sim::Game::Freeze(game.rClavicle, game.rClavicle->node.WorldTranslation, world, 1.0f);
    RotateClavicle(Player(), &game.rClavicle->node, 0.3f);
    Matrix3 want;
    const Matrix3 rx = sim::RotationX(0.3f);
    MultiplyMatrix3(&want, &rx, &world);
    ExpectMatrixNear(want, game.rClavicle->node.LocalRotation, 1e-6f);
}

} // namespace
