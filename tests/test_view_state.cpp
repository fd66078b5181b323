// The view-state rules, each against the simulated game, with the exact
// comparisons of each rule (nonzero, exactly 1, 0).
#include "patch/glue.h"
#include "tests/alloc_counter.h"
#include "tests/fixture.h"

namespace {

using sim::Routine;

class ViewState : public GameTest {};

int horse = 1; // any non-null mount pointer

TEST_F(ViewState, FrameStartShowsAndHidesTheTwoSkeletons) {
    struct Row {
        uint8_t thirdPerson, detached;
        bool mounted;
        int32_t horseBody, thirdPersonArms, watched;
        bool bodyHidden, armsHidden;
        int32_t mountedInFirstPerson;
    } rows[] = {
        // first person, on foot
        {0, 0, false, 0, 0, 0, false, false, 0},
        {0, 0, false, 0, 1, 0, false, true, 0}, // body's own arms instead
        {0, 0, false, 0, 2, 0, false, true, 0}, // nonzero counts
        {0, 0, false, 0, 1, 1, true, true, 0},  // a watched menu hides the body
        // first person, mounted: 0 body hidden, 1 arms hidden, 2 both shown
        {0, 0, true, 0, 0, 0, true, false, 1},
        {0, 0, true, 1, 0, 0, false, true, 1},
        {0, 0, true, 2, 0, 0, false, false, 1},
        {0, 0, true, 2, 1, 0, false, false, 1}, // mounted: third-person arms setting ignored
        // third person or detached camera: body shown, arms hidden
        {1, 0, false, 0, 0, 1, false, true, 0},
        {0, 1, true, 1, 0, 0, false, true, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << "third " << int(r.thirdPerson) << " detached " << int(r.detached)
                     << " mounted " << r.mounted << " horse " << r.horseBody << " arms "
                     << r.thirdPersonArms << " menu " << r.watched);
        Player()->ThirdPerson = r.thirdPerson;
        sim::Game::SetCameraDetached(r.detached);
        Player()->Mount = r.mounted ? &horse : nullptr;
        Settings.bHorseFirstPersonBody = r.horseBody;
        Settings.bUseThirdPersonArms = r.thirdPersonArms;
        WatchedMenuOpen = r.watched;
        MountedInFirstPerson = 0;
        Body()->Flags = r.bodyHidden ? 0x0006 : 0x0007; // start opposite
        Arms()->Flags = r.armsHidden ? 0x8000 : 0x8001;
        BeginFrameViewState();
        EXPECT_EQ(r.bodyHidden, Hidden(Body()));
        EXPECT_EQ(r.armsHidden, Hidden(Arms()));
        EXPECT_EQ(0x0006, Body()->Flags & ~kNodeHiddenBit); // other bits kept
        EXPECT_EQ(0x8000, Arms()->Flags & ~kNodeHiddenBit);
        EXPECT_EQ(r.mountedInFirstPerson, MountedInFirstPerson);
        EXPECT_EQ(r.thirdPerson, SavedThirdPerson);
    }
}

TEST_F(ViewState, FrameStartSetsTheTentativeModeOnlyInThirdPerson) {
    struct Row {
        uint8_t thirdPerson, detached;
        int32_t modAnim, enable;
        int32_t mode, pending;
    } rows[] = {
        {0, 0, 1, 1, 0, 0}, {1, 0, 1, 1, 2, 1}, {0, 1, 1, 1, 2, 1},
        {1, 0, 2, 1, 2, 1}, {1, 0, 0, 1, 0, 0}, {1, 0, 1, 0, 0, 0},
    };
    for (const Row& r : rows) {
        ForcedBodyMode = 1;
        ModAnimPending = 7;
        MountedInFirstPerson = 1;
        Player()->ThirdPerson = r.thirdPerson;
        sim::Game::SetCameraDetached(r.detached);
        Settings.bFirstPersonModAnim = r.modAnim;
        Settings.bEnableFirstPersonBody = r.enable;
        BeginFrameViewState();
        EXPECT_EQ(r.mode, ForcedBodyMode) << int(r.thirdPerson) << int(r.detached) << r.modAnim;
        EXPECT_EQ(r.pending, ModAnimPending);
        // In third person the frame start forgets a mount only with the body logic on.
        if (r.thirdPerson != 0 || r.detached != 0) {
            EXPECT_EQ(r.enable != 0 ? 0 : 1, MountedInFirstPerson);
        }
    }
}

TEST_F(ViewState, FrameStartWithTheBodyOffTouchesNoNode) {
    Settings.bEnableFirstPersonBody = 0;
    Player()->Mount = &horse;
    Body()->Flags = 0x0007;
    Arms()->Flags = 0x0006;
    SavedChaseDistance = 250.0f;
    ForcedBodyMode = 1;
    Player()->ThirdPerson = 3;
    BeginFrameViewState(); // third person: no restore
    EXPECT_EQ(3, SavedThirdPerson);
    EXPECT_EQ(0, ForcedBodyMode);
    EXPECT_EQ(250.0f, SavedChaseDistance);
    Player()->ThirdPerson = 0;
    BeginFrameViewState(); // first person: restore, still no node
    EXPECT_EQ(250.0f, ChaseCameraDistance());
    EXPECT_EQ(0.0f, SavedChaseDistance);
    EXPECT_EQ(0x0007, Body()->Flags);
    EXPECT_EQ(0x0006, Arms()->Flags);
    EXPECT_EQ(0, MountedInFirstPerson);
}

TEST_F(ViewState, ChaseDistanceIsRestoredOnceAndNeverAsZero) {
    ChaseCameraDistance() = 500.0f;
    SaveChaseDistance();
    EXPECT_EQ(500.0f, SavedChaseDistance);
    ChaseCameraDistance() = 100.0f; // the game's store
    BeginFrameViewState();
    EXPECT_EQ(500.0f, ChaseCameraDistance());
    ChaseCameraDistance() = 100.0f;
    BeginFrameViewState(); // already forgotten
    EXPECT_EQ(100.0f, ChaseCameraDistance());

    SavedChaseDistance = -3.0f; // a negative value is still a saved value
    RestoreChaseDistance();
    EXPECT_EQ(-3.0f, ChaseCameraDistance());
    SavedChaseDistance = 0.0f;
    ChaseCameraDistance() = 42.0f;
    RestoreChaseDistance();
    EXPECT_EQ(42.0f, ChaseCameraDistance());

    // Third person at the frame start keeps the saved value for later.
    SavedChaseDistance = 77.0f;
    Player()->ThirdPerson = 1;
    BeginFrameViewState();
    EXPECT_EQ(77.0f, SavedChaseDistance);
    Player()->ThirdPerson = 0;
    sim::Game::SetCameraDetached(1);
    BeginFrameViewState();
    EXPECT_EQ(77.0f, SavedChaseDistance);
}

TEST_F(ViewState, CameraSwitchDecisionByKnockoutAndTheTwoSettings) {
    struct Row {
        int8_t knockout;
        int32_t sitting, knockoutSetting, mode;
    } rows[] = {
        {0, 1, 0, 1},  {0, 0, 1, 0}, {0, 2, 0, 1}, {1, 1, 0, 0},
        {-1, 0, 1, 1}, {1, 0, 0, 0}, {5, 1, 3, 1},
    };
    for (const Row& r : rows) {
        for (int32_t before : {0, 1, 2}) {
            ForcedBodyMode = before;
            Process()->KnockoutState = r.knockout;
            Settings.bFirstPersonSitting = r.sitting;
            Settings.bFirstPersonKnockout = r.knockoutSetting;
            DecideForcedModeOnSwitch();
            EXPECT_EQ(r.mode, ForcedBodyMode)
                << int(r.knockout) << " " << r.sitting << " " << r.knockoutSetting;
        }
    }
}

// Without the process (or the player) there is no knockout state, but two
// settings that agree give the same answer whatever it would be.
TEST_F(ViewState, CameraSwitchDecisionWithoutTheProcessWhereTheSettingsAgree) {
    for (PlayerObject* player : {Player(), static_cast<PlayerObject*>(nullptr)}) {
        GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER) = player;
        Player()->Process = nullptr;
        const struct {
            int32_t sitting, knockout, before, after;
        } cases[] = {{1, 1, 0, kForcedModeKeep},
                     {2, 5, 0, kForcedModeKeep},
                     {0, 0, kForcedModeKeep, kForcedModeNone},
                     {1, 0, kForcedModeTentative, kForcedModeTentative},
                     {0, 1, kForcedModeKeep, kForcedModeKeep}};
        for (const auto& c : cases) {
            Settings.bFirstPersonSitting = c.sitting;
            Settings.bFirstPersonKnockout = c.knockout;
            ForcedBodyMode = c.before;
            DecideForcedModeOnSwitch();
            EXPECT_EQ(c.after, ForcedBodyMode) << c.sitting << " " << c.knockout;
        }
    }
}

TEST_F(ViewState, BodyViewIsForThePlayerInFirstPersonOrAForcedMode) {
    for (int32_t saved : {0, 1, 255}) {
        for (int32_t mode : {0, 1, 2}) {
            SavedThirdPerson = saved;
            ForcedBodyMode = mode;
            EXPECT_EQ(saved == 0 || mode != 0, IsPlayerInBodyView(Player()) != 0);
            EXPECT_EQ(0, IsPlayerInBodyView(game.others[0]->object));
            EXPECT_EQ(0, IsPlayerInBodyView(nullptr));
        }
    }
}

TEST_F(ViewState, IdleAnimationIsBitZeroOfTheAbsentQueryClear) {
    for (uint8_t answer : {0x00, 0x01, 0xFE, 0xFF, 0x02, 0x03}) {
        game.bodyAnim->idleAbsentResult = answer;
        game.fpAnim->idleAbsentResult = 1;
        EXPECT_EQ((answer & 1) == 0, IsIdleAnimActive(false) != 0) << int(answer);
        EXPECT_EQ(0, IsIdleAnimActive(true));
    }
    game.ClearCalls();
    IsIdleAnimActive(true);
    EXPECT_EQ(&game.fpAnim->rec, game.CallOf(Routine::IsIdleAnimAbsent, 0)->receiver);
    Process()->BodyAnim = nullptr;
    EXPECT_EQ(0, IsIdleAnimActive(false));
}

TEST_F(ViewState, ActionStatePredicates) {
    for (int16_t s : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 0x106, -32768}) {
        Process()->ActionState = s;
        EXPECT_EQ(s >= 2 && s <= 5, IsActionStateTwoToFive(Process()) != 0) << s;
        EXPECT_EQ(s == 6, IsActionStateSix(Process()) != 0) << s;
    }
}

TEST_F(ViewState, MenuWatchSetsOnlyWhileAMenuModeIsActive) {
    game.interface->openMenu1009 = 1;
    WatchMenus(); // no menu mode: nothing
    EXPECT_EQ(0, WatchedMenuOpen);
    EXPECT_EQ(0, Calls(Routine::IsMenuOpen));

    game.interface->menuModeActive = 1;
    WatchMenus();
    EXPECT_EQ(1, WatchedMenuOpen);
    EXPECT_EQ(1, Calls(Routine::IsMenuOpen)); // 1034 not asked once 1009 is open

    WatchedMenuOpen = 0;
    game.interface->openMenu1009 = 0;
    game.interface->openMenu1034 = 1;
    game.ClearCalls();
    WatchMenus();
    EXPECT_EQ(1, WatchedMenuOpen);
    EXPECT_EQ(kMenuCodeFirst, game.CallOf(Routine::IsMenuOpen, 0)->args[0]);
    EXPECT_EQ(kMenuCodeSecond, game.CallOf(Routine::IsMenuOpen, 1)->args[0]);

    // Already set: the interface object is still fetched, nothing else asked.
    game.ClearCalls();
    WatchMenus();
    EXPECT_EQ(1, Calls(Routine::GetInterfaceObject));
    EXPECT_EQ(0, Calls(Routine::IsMenuModeActive));

    // Another menu open: nothing.
    WatchedMenuOpen = 0;
    game.interface->openMenu1034 = 0;
    WatchMenus();
    EXPECT_EQ(0, WatchedMenuOpen);
}

TEST_F(ViewState, MenuWatchIsReleasedOnlyWithNoMenuModeAndAGateOfExactlyZero) {
    struct Row {
        uint8_t menuMode;
        float gate;
        int32_t after;
    } rows[] = {{0, 0.0f, 0}, {0, -0.0f, 0}, {1, 0.0f, 1}, {0, 1e-30f, 1}, {0, 1.0f, 1}};
    for (const Row& r : rows) {
        WatchedMenuOpen = 1;
        game.interface->menuModeActive = r.menuMode;
        sim::Game::SetMenuGate(r.gate);
        ReleaseMenuWatch();
        EXPECT_EQ(r.after, WatchedMenuOpen) << int(r.menuMode) << " " << r.gate;
    }
    game.ClearCalls();
    WatchedMenuOpen = 0;
    ReleaseMenuWatch();
    EXPECT_EQ(1, Calls(Routine::GetInterfaceObject));
    EXPECT_EQ(0, Calls(Routine::IsMenuModeActive));
}

TEST_F(ViewState, TentativeModeBecomesKeepWithAnIdleAnimation) {
    Player()->ThirdPerson = 1;
    BeginFrameViewState();
    ASSERT_EQ(kForcedModeTentative, ForcedBodyMode);
    SetIdle(game.bodyAnim, true);
    Player()->ThirdPerson = 0; // the queries must see 1, and the saved byte after
    game.ClearCalls();
    ResolveModAnimMode();
    EXPECT_EQ(kForcedModeKeep, ForcedBodyMode);
    EXPECT_EQ(0, ModAnimPending);
    EXPECT_EQ(3, ModAnimCounter);
    ASSERT_GT(Calls(Routine::IsIdleAnimAbsent), 0);
    for (int i = 0; i < Calls(Routine::IsIdleAnimAbsent); ++i) {
        EXPECT_EQ(1, game.CallOf(Routine::IsIdleAnimAbsent, i)->thirdPerson);
    }
    EXPECT_EQ(1, Player()->ThirdPerson); // written back from SavedThirdPerson

    // Later frames with the animation still on: kept again at once.
    for (int frame = 0; frame < 3; ++frame) {
        BeginFrameViewState();
        ResolveModAnimMode();
        EXPECT_EQ(kForcedModeKeep, ForcedBodyMode);
        EXPECT_EQ(3, ModAnimCounter);
    }
}

TEST_F(ViewState, TentativeModeFallsBackWithoutAnIdleAnimation) {
    Player()->ThirdPerson = 1;
    BeginFrameViewState();
    ResolveModAnimMode();
    EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
    EXPECT_EQ(0, ModAnimPending);
    EXPECT_EQ(0, ModAnimCounter);
}

TEST_F(ViewState, AnAnimationAlreadyHeldTwoUpdatesLetsThirdPersonStay) {
    // Idle on for three camera updates of first-person frames: 1, 2, 2.
    SetIdle(game.bodyAnim, true);
    const int32_t counts[] = {1, 2, 2};
    for (int32_t want : counts) {
        BeginFrameViewState();
        ResolveModAnimMode();
        EXPECT_EQ(want, ModAnimCounter);
        EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
    }
    // Now a third-person frame: counter 2 lets the tentative mode fall back.
    Player()->ThirdPerson = 1;
    BeginFrameViewState();
    ResolveModAnimMode();
    EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
    EXPECT_EQ(2, ModAnimCounter);
    // The idle stops: the counter drops to 0.
    SetIdle(game.bodyAnim, false);
    ResolveModAnimMode();
    EXPECT_EQ(0, ModAnimCounter);
}

TEST_F(ViewState, ModAnimSettingOtherThanOneResolvesWithoutCounterOrThirdPerson) {
    Settings.bFirstPersonModAnim = 2;
    Player()->ThirdPerson = 1;
    BeginFrameViewState();
    ASSERT_EQ(kForcedModeTentative, ForcedBodyMode);
    ModAnimCounter = 2;
    SetIdle(game.bodyAnim, true);
    Player()->ThirdPerson = 9; // must not be touched
    ResolveModAnimMode();
    EXPECT_EQ(kForcedModeKeep, ForcedBodyMode); // counter 2 does not matter here
    EXPECT_EQ(2, ModAnimCounter);
    EXPECT_EQ(9, Player()->ThirdPerson);
    EXPECT_EQ(9, game.CallOf(Routine::IsIdleAnimAbsent, 0)->thirdPerson);

    // Modes 0 and 1 stay as they are.
    for (int32_t mode : {0, 1}) {
        ForcedBodyMode = mode;
        ResolveModAnimMode();
        EXPECT_EQ(mode, ForcedBodyMode);
    }
    Settings.bFirstPersonModAnim = 1;
    for (int32_t mode : {0, 1}) {
        ForcedBodyMode = mode;
        ResolveModAnimMode();
        EXPECT_EQ(mode, ForcedBodyMode);
    }
}

TEST_F(ViewState, HeadAnchorCountdownRestartsOnSeatedRisingAndLying) {
    const uint8_t sits[] = {3, 0, 0, 0, 0, 0, 0};
    const int32_t want[] = {5, 4, 3, 2, 1, 0, 0};
    for (int i = 0; i < 7; ++i) {
        Process()->SitState = sits[i];
        TickHeadAnchorCountdown();
        EXPECT_EQ(want[i], HeadAnchorCountdown) << i;
    }
    for (uint8_t s : {5, 8, 9, 200, 255}) {
        HeadAnchorCountdown = 0;
        Process()->SitState = s;
        TickHeadAnchorCountdown();
        EXPECT_EQ(5, HeadAnchorCountdown) << int(s);
    }
    for (uint8_t s : {1, 2, 4, 6, 7}) {
        HeadAnchorCountdown = 3;
        Process()->SitState = s;
        TickHeadAnchorCountdown();
        EXPECT_EQ(2, HeadAnchorCountdown) << int(s);
    }
}

// A missing object skips only the steps that read it.
TEST_F(ViewState, MissingObjectsSkipOnlyTheStepsThatReadThem) {
    // Without the first-person root the frame start still captures the view,
    // resets the modes, restores the chase distance and shows the body.
    Body()->Flags = 0x0001;
    SavedThirdPerson = 7;
    ForcedBodyMode = 1;
    ModAnimPending = 1;
    SavedChaseDistance = 250.0f;
    Player()->FirstPersonRoot = nullptr;
    BeginFrameViewState();
    EXPECT_EQ(0, SavedThirdPerson);
    EXPECT_EQ(0, ForcedBodyMode);
    EXPECT_EQ(0, ModAnimPending);
    EXPECT_EQ(250.0f, ChaseCameraDistance());
    EXPECT_EQ(0x0000, Body()->Flags);

    // Without both roots and the process, in third person: the tentative
    // mode is still set, and nothing needs the process at the frame start.
    Player()->BodyRoot = nullptr;
    Player()->Process = nullptr;
    Player()->ThirdPerson = 1;
    BeginFrameViewState();
    EXPECT_EQ(1, SavedThirdPerson);
    EXPECT_EQ(kForcedModeTentative, ForcedBodyMode);
    EXPECT_EQ(1, ModAnimPending);
    // No knockout state to decide by, no sit state to count by.
    Settings.bFirstPersonKnockout = 0;
    DecideForcedModeOnSwitch();
    EXPECT_EQ(kForcedModeTentative, ForcedBodyMode);
    Settings.bFirstPersonKnockout = 1;
    HeadAnchorCountdown = 3;
    TickHeadAnchorCountdown();
    EXPECT_EQ(3, HeadAnchorCountdown);
    // No body record: no idle animation, so the tentative mode falls back,
    // and the player's byte is marked and put back around the queries.
    ResolveModAnimMode();
    EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
    EXPECT_EQ(1, Player()->ThirdPerson);

    // Without the player only the per-frame reset happens.
    GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER) = nullptr;
    ForcedBodyMode = 1;
    BeginFrameViewState();
    EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
    EXPECT_EQ(1, SavedThirdPerson);
    ResolveModAnimMode();
    EXPECT_EQ(0, IsPlayerInBodyView(nullptr));
    EXPECT_EQ(0, IsIdleAnimActive(true));
}

TEST_F(ViewState, RulesAllocateNothing) {
    Player()->ThirdPerson = 1;
    SetIdle(game.bodyAnim, true);
    game.interface->menuModeActive = 1;
    game.interface->openMenu1034 = 1;
    const long allocations = AllocationsDuring([] {
        for (int i = 0; i < 10; ++i) {
            BeginFrameViewState();
            DecideForcedModeOnSwitch();
            IsPlayerInBodyView(nullptr);
            WatchMenus();
            ResolveModAnimMode();
            TickHeadAnchorCountdown();
            ReleaseMenuWatch();
            SaveChaseDistance();
            RestoreChaseDistance();
        }
    });
    EXPECT_EQ(0, allocations);
}

} // namespace
