// Visibility around the game's drawing: the shadow bracket, the collapse by
// local scale, and the double draw.
#include "body/draw_visibility.h"
#include "tests/alloc_counter.h"
#include "tests/fixture.h"

namespace {

using sim::Routine;

int horse = 1;

class DrawVisibility : public GameTest {
  protected:
    DrawVisibility() { ResetShadowBracket(); }
    // Runs the bracket around a "pass" that records what the draw sees.
    void ShadowPass() {
        ToggleFirstPersonForShadow(1);
        Draw(&game.playerDraws[0]->obj);
        ToggleFirstPersonForShadow(0);
    }
    void ShadowFirstPath(bool on) {
        game.player->shadowState = on ? 1 : 0;
        game.player->codedState[kCodedStateScenePassB] = on ? 1 : 0;
    }
    // The collapse shows in the world scale the update left, while the local
    // scale is back at 1.0.
    bool Collapsed(const sim::Node* n) {
        return n->node.WorldScale == 0.0f && n->node.LocalScale == 1.0f;
    }
};

TEST_F(DrawVisibility, AfterTheShadowPassHeadAndArmsAreCollapsedForTheView) {
    game.process->shield = 1;
    game.bodyHead->node.LocalScale = 0.5f;
    ShadowPass();
    // During the pass the body was complete.
    EXPECT_EQ(0.5f, game.DrawAt(0).headWorldScale);
    EXPECT_TRUE(Collapsed(game.bodyHead)); // also a scale other than 1.0 ends at 1.0
    EXPECT_TRUE(Collapsed(game.shield));
    // Sheathed, visible arms on: the clavicles stay.
    EXPECT_EQ(1.0f, game.lClavicle->node.WorldScale);
    ASSERT_EQ(2, Calls(Routine::UpdateAnimationRecord)); // one per half
    // The body's magicNode takes the first-person one's position.
    ExpectVectorNear(game.fpMagic->node.WorldTranslation, game.bodyMagic->node.WorldTranslation,
                     0.0f);
    // The next pass makes them whole for the shadow again.
    game.ClearCalls();
    ShadowPass();
    EXPECT_EQ(1.0f, game.DrawAt(0).headWorldScale);
}

TEST_F(DrawVisibility, GearRules) {
    struct Row {
        int32_t hideShield, visibleArms, thirdArms, headFirstPerson, horseBody;
        bool mounted;
        uint8_t weaponDrawn;
        int16_t action;
        uint32_t shield, leftItem;
        bool idleArms;
        uint8_t group; // 0: none
        int32_t menu;
        // expected collapses
        bool shieldC, itemC, leftC, rightC, headC;
    } rows[] = {
        // hideShield visArms 3rdArms head horse mounted drawn action shield item idle group menu
        {1, 1, 0, 0, 0, false, 0, 0, 1, 0, false, 0, 0, true, false, false, false, true},
        {0, 1, 0, 0, 0, false, 0, 0, 1, 0, false, 0, 0, false, false, false, false, true},
        {1, 1, 0, 0, 0, false, 1, 0, 1, 0, false, 0, 0, false, false, true, true, true},
        {1, 1, 0, 0, 0, false, 0, 6, 1, 0, false, 0, 0, false, false, true, false, true},
        {1, 1, 0, 0, 0, false, 0, 0, 1, 0, false, 17, 0, false, false, true, true, true},
        {1, 1, 0, 1, 0, false, 0, 0, 0, 1, false, 0, 0, false, false, true, false, false},
        {1, 1, 0, 1, 0, false, 0, 0, 0, 0, false, 0, 1, false, false, false, false, true},
        {1, 0, 0, 1, 0, false, 0, 0, 0, 0, false, 0, 0, false, false, true, true, false},
        {1, 1, 0, 1, 0, false, 0, 0, 0, 0, false, 36, 0, false, false, true, true, false},
        {1, 1, 0, 1, 0, false, 0, 0, 0, 0, true, 0, 0, false, false, true, true, false},
        // own arms, or riding with the body: clavicles only with an arms idle
        {1, 0, 1, 1, 0, false, 1, 0, 0, 0, false, 0, 0, false, false, false, false, false},
        {1, 0, 1, 1, 0, false, 1, 0, 0, 0, true, 0, 0, false, false, true, true, false},
        {1, 0, 0, 1, 1, true, 1, 0, 0, 1, false, 0, 0, false, false, false, false, false},
        // riding: the left-hand item unless the horse body setting is exactly 1
        {1, 1, 0, 1, 2, true, 0, 0, 0, 1, false, 0, 0, false, true, true, false, false},
        {1, 1, 0, 1, 0, true, 0, 0, 0, 1, false, 0, 0, false, true, true, false, false},
    };
    int row = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << row++);
        Settings.bHideShieldWeaponSheathed = r.hideShield;
        Settings.bVisibleArmsWeaponSheathed = r.visibleArms;
        Settings.bUseThirdPersonArms = r.thirdArms;
        Settings.bEnableHeadFirstPerson = r.headFirstPerson;
        Settings.bHorseFirstPersonBody = r.horseBody;
        Player()->Mount = r.mounted ? &horse : nullptr;
        Process()->WeaponDrawn = r.weaponDrawn;
        Process()->ActionState = r.action;
        game.process->shield = r.shield;
        game.process->leftHandItem = r.leftItem;
        SetIdle(game.fpAnim, r.idleArms);
        game.Play(game.bodyAnim, 0, r.group != 0 ? game.NewSequence("g.kf", r.group) : nullptr);
        WatchedMenuOpen = r.menu;
        for (sim::Node* n :
             {game.shield, game.leftHandItem, game.lClavicle, game.rClavicle, game.bodyHead}) {
            n->node.LocalScale = 0.25f;
        }
        SetSheathedGearVisibility(0);
        EXPECT_EQ(r.shieldC, game.shield->node.LocalScale == 0.0f);
        EXPECT_EQ(r.itemC, game.leftHandItem->node.LocalScale == 0.0f);
        EXPECT_EQ(r.leftC, game.lClavicle->node.LocalScale == 0.0f);
        EXPECT_EQ(r.rightC, game.rClavicle->node.LocalScale == 0.0f);
        EXPECT_EQ(r.headC, game.bodyHead->node.LocalScale == 0.0f);
        SetSheathedGearVisibility(1);
        EXPECT_EQ(r.shieldC ? 1.0f : 0.25f, game.shield->node.LocalScale);
        EXPECT_EQ(r.headC ? 1.0f : 0.25f, game.bodyHead->node.LocalScale);
    }
}

TEST_F(DrawVisibility, HoldersWithoutAChildAreSkipped) {
    game.process->shield = 1;
    game.shieldHolder->node.ChildCount = 0; // the stale array is not read
    game.shieldHolder->childSlots[0] = reinterpret_cast<SceneNode*>(0x10);
    SetSheathedGearVisibility(0);
    game.shieldHolder->childSlots[0] = nullptr;
    game.shieldHolder->node.ChildCount = 1;
    SetSheathedGearVisibility(0);
    game.process->obj.BodyAnim->ShieldHolder = nullptr;
    SetSheathedGearVisibility(0);
    EXPECT_EQ(1.0f, game.shield->node.LocalScale);
}

TEST_F(DrawVisibility, WithoutTheBodyInTheViewItIsShownOnlyForTheShadow) {
    for (int variant = 0; variant < 2; ++variant) {
        SetDefaultSettings();
        if (variant == 0) {
            Settings.bEnableFirstPersonBody = 0;
        } else {
            Player()->Mount = &horse; // horse body 0
        }
        Body()->Flags = 0x0011;
        game.ClearCalls();
        ShadowPass();
        EXPECT_EQ(0x0010, game.DrawAt(0).bodyRootFlags);
        EXPECT_EQ(0x0011, Body()->Flags);
    }
    // With the horse body setting at 2 the body is left as it is.
    Settings.bHorseFirstPersonBody = 2;
    Body()->Flags = 0x0000;
    ShadowPass();
    EXPECT_EQ(0x0000, Body()->Flags);
}

TEST_F(DrawVisibility, FirstPathHidesTheBodyForThePassAndPutsTheWordBack) {
    ShadowFirstPath(true);
    Body()->Flags = 0x8000;
    ShadowPass();
    EXPECT_EQ(0x8001, game.DrawAt(0).bodyRootFlags);
    EXPECT_EQ(0x8000, Body()->Flags);
    EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord));

    // Bit 0 goes back as it was saved, whatever happened in between; the
    // bits the game changed in its pass stay as the game left them.
    Body()->Flags = 0x8001;
    ToggleFirstPersonForShadow(1);
    Body()->Flags = 0x0400;
    ToggleFirstPersonForShadow(0);
    EXPECT_EQ(0x0401, Body()->Flags);
    Body()->Flags = 0x0040;
    ToggleFirstPersonForShadow(1);
    Body()->Flags = 0x0003;
    ToggleFirstPersonForShadow(0);
    EXPECT_EQ(0x0002, Body()->Flags);
}

TEST_F(DrawVisibility, AnAfterCallWritesBackOnlyAWordSavedInItsOwnPass) {
    // The condition turns on between the two calls: nothing was saved.
    Body()->Flags = 0x0040;
    ToggleFirstPersonForShadow(1);
    ShadowFirstPath(true);
    const uint16_t before = Body()->Flags;
    ToggleFirstPersonForShadow(0);
    EXPECT_EQ(before, Body()->Flags);
    // A saved word is used once: a second after-call changes nothing.
    ToggleFirstPersonForShadow(1);
    ToggleFirstPersonForShadow(0);
    Body()->Flags = 0x0003;
    ToggleFirstPersonForShadow(0);
    EXPECT_EQ(0x0003, Body()->Flags);
}

TEST_F(DrawVisibility, ThirdPersonChangesNoNodeOutsideTheFirstPath) {
    Player()->ThirdPerson = 1;
    Body()->Flags = 0x0001;
    game.bodyHead->node.LocalScale = 0.5f;
    ShadowPass();
    EXPECT_EQ(0x0001, Body()->Flags);
    EXPECT_EQ(0.5f, game.bodyHead->node.LocalScale);
    EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord));
}

TEST_F(DrawVisibility, MenuWatchIsReleasedAfterThePassOnly) {
    WatchedMenuOpen = 1;
    ToggleFirstPersonForShadow(1);
    EXPECT_EQ(1, WatchedMenuOpen);
    EXPECT_EQ(0, Calls(Routine::GetInterfaceObject));
    ToggleFirstPersonForShadow(0);
    EXPECT_EQ(0, WatchedMenuOpen);
    // Also on the first path, and with the player missing.
    ShadowFirstPath(true);
    WatchedMenuOpen = 1;
    ToggleFirstPersonForShadow(0);
    EXPECT_EQ(0, WatchedMenuOpen);
    GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER) = nullptr;
    WatchedMenuOpen = 1;
    ToggleFirstPersonForShadow(0);
    EXPECT_EQ(0, WatchedMenuOpen);
}

TEST_F(DrawVisibility, OthersAreDrawnOnceAndThePlayerTwice) {
    Body()->Flags = 0x0102;
    game.otherDraws[0]->result = 7;
    EXPECT_EQ(7, DrawBothSkeletons(&game.otherDraws[0]->obj));
    ASSERT_EQ(1, game.DrawCount());
    EXPECT_EQ(0x0102, game.DrawAt(0).bodyRootFlags);

    struct Row {
        int32_t saved, thirdArms;
        uint16_t first, second;
    } rows[] = {{0, 0, 0x0102, 0x0103}, {1, 0, 0x0103, 0x0102}, {0, 1, 0x0103, 0x0102}};
    for (const Row& r : rows) {
        SavedThirdPerson = r.saved;
        Settings.bUseThirdPersonArms = r.thirdArms;
        game.ClearCalls();
        Body()->Flags = 0x0103;
        game.playerDraws[1]->result = 5;
        EXPECT_EQ(5, DrawBothSkeletons(&game.playerDraws[1]->obj));
        ASSERT_EQ(2, game.DrawCount());
        EXPECT_EQ(r.first, game.DrawAt(0).bodyRootFlags);
        EXPECT_EQ(r.second, game.DrawAt(1).bodyRootFlags);
        EXPECT_EQ(0x0103, Body()->Flags);
        EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord));
    }
}

TEST_F(DrawVisibility, DoubleDrawStateMakesTheCollapsedPartsWholeFirst) {
    game.player->codedState[kCodedStateDoubleDraw] = 1;
    game.bodyHead->node.LocalScale = 0.0f;
    UpdateAnimationRecord(&game.bodyAnim->rec);
    game.ClearCalls();
    DrawBothSkeletons(&game.playerDraws[0]->obj);
    EXPECT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(1.0f, game.DrawAt(0).headWorldScale);
}

// The double draw and the first path of the shadow bracket need only the
// body root; a missing body record only drops its update.
TEST_F(DrawVisibility, DrawsAndTheShadowNeedOnlyTheBodyRoot) {
    Process()->BodyAnim = nullptr;
    game.player->codedState[kCodedStateDoubleDraw] = 1;
    Body()->Flags = 0x0002;
    EXPECT_EQ(1, DrawBothSkeletons(&game.playerDraws[0]->obj));
    ASSERT_EQ(2, game.DrawCount());
    EXPECT_EQ(0x0002, game.DrawAt(0).bodyRootFlags); // shown, then hidden
    EXPECT_EQ(0x0003, game.DrawAt(1).bodyRootFlags);
    EXPECT_EQ(0x0002, Body()->Flags);
    EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord));

    Player()->Process = nullptr;
    ShadowFirstPath(true);
    game.ClearCalls();
    ShadowPass();
    EXPECT_EQ(0x0003, game.DrawAt(0).bodyRootFlags);
    EXPECT_EQ(0x0002, Body()->Flags);

    // The second path without the process or the record: the body is shown
    // for the shadow and hidden after it, nothing else.
    ShadowFirstPath(false);
    Settings.bEnableFirstPersonBody = 0;
    ShadowPass();
    EXPECT_EQ(0x0003, Body()->Flags);
    EXPECT_EQ(0, Calls(Routine::UpdateAnimationRecord));

    // The body's own arms need the body root and the first-person record,
    // not the process: they are collapsed for the view while an idle
    // animation plays on the arms.
    Settings.bUseThirdPersonArms = 1;
    SetIdle(game.fpAnim, true);
    SetSheathedGearVisibility(0);
    EXPECT_EQ(0.0f, game.lClavicle->node.LocalScale);
    EXPECT_EQ(0.0f, game.rClavicle->node.LocalScale);
    SetSheathedGearVisibility(1);
    EXPECT_EQ(1.0f, game.lClavicle->node.LocalScale);

    // Without the body root the player's objects are drawn once.
    Player()->BodyRoot = nullptr;
    game.ClearCalls();
    DrawBothSkeletons(&game.playerDraws[0]->obj);
    EXPECT_EQ(1, game.DrawCount());
    ShadowPass();
}

TEST_F(DrawVisibility, AllocatesNothing) {
    game.player->codedState[kCodedStateDoubleDraw] = 1;
    const long allocations = AllocationsDuring([&] {
        for (int i = 0; i < 3; ++i) {
            ShadowPass();
            DrawBothSkeletons(&game.playerDraws[0]->obj);
            DrawBothSkeletons(&game.otherDraws[0]->obj);
            ShadowFirstPath(i == 1);
        }
    });
    EXPECT_EQ(0, allocations);
}

} // namespace
