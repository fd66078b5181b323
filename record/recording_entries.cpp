// The routines the recording glue calls in place of the logic's entries:
// each notes the site and what the game gives there, runs the recording
// build of the logic (or, where the logic reads nothing of the game but
// steers the glue, the plain one), and notes what it did.
#include "body/draw_visibility.h"
#include "game/player_rig.h"
#include "patch/glue.h"
#include "patch/load_sequence.h"
#include "record/frame_recorder.h"
#include "record/recording_logic.h"
#include "settings/settings.h"
#include "view/body_pass.h"
#include "view/view_state.h"

namespace {

bool IsThePlayer(const void* actor) {
    return actor != nullptr && actor == PlayerPointer();
}

bool IsThePlayersBodyRecord(const AnimationRecord* record) {
    const PlayerObject* p = PlayerPointer();
    return record != nullptr && p != nullptr && p->Process != nullptr &&
           record == p->Process->BodyAnim;
}

// The actor branch for the player: the predicate, and what it read.
__attribute__((noinline)) uint8_t RecordedActorBranch(const void* actor) {
    const uint8_t inView = IsPlayerInBodyView(actor);
    NoteReadingPass(kSiteActorBranch, actor, inView);
    return inView;
}

} // namespace

extern "C" {

void RecordingFrameStart() {
    NoteSite(kSiteFrameStart, nullptr, nullptr);
    recording::BeginFrameViewState();
    NoteEntryEnd();
}

void RecordingHeadCamera(SceneNode* camera) {
    // While the shadow pass is not Lumenfold's, a frame ends (and the next
    // begins) at the camera update, whose chores then come inside it.
    if (FrameChoresAtCamera != 0) {
        NoteFrameEnd();
    }
    NoteSite(kSiteHeadCamera, camera, nullptr);
    if (LateSiteWritten != 0 || FrameChoresAtCamera != 0) {
        // Of the chores here only the watch of the file, while it is on, can
        // change the settings.
        const bool watched = Settings.bReloadSettingsOnChange != 0;
        recording::CameraUpdateChores();
        if (watched) {
            NoteSettings(); // a reload by the watch takes effect from here on
        }
    }
    recording::UpdateHeadCamera(camera);
    NoteEntryEnd();
}

void RecordingBodyPass(const void* actor, AnimationRecord* record) {
    // Every other actor only has its record updated by the game's routine:
    // nothing of the plug-in's to replay, and a game has hundreds of them.
    if (!IsThePlayer(actor)) {
        UpdateBodyPass(actor, record);
        return;
    }
    NoteSite(kSiteBodyPass, actor, record);
    recording::UpdateBodyPass(actor, record);
    NoteEntryEnd();
}

uint8_t RecordingActorBranch(const void* actor) {
    // Every actor passes here; the predicate holds for the player alone.
    // (The player's own path is a function of its own, so that the others'
    // pay for no frame of one.)
    if (!IsThePlayer(actor)) {
        return 0;
    }
    return RecordedActorBranch(actor);
}

void RecordingForcedSkip(uint32_t skipped) {
    NotePass(kSiteForcedSkip, nullptr, skipped);
}

void RecordingExtraUpdate() {
    NotePass(kSiteExtraUpdate, nullptr, 1);
}

void RecordingBodyPassArgument() {
    NotePass(kSiteBodyPassArgument, nullptr, 1);
}

uint32_t RecordingShownRecord(const AnimationRecord* record) {
    const uint32_t shown = IsShownBodyAnimRecord(record);
    if (IsThePlayersBodyRecord(record)) {
        NoteReadingPass(kSiteShownRecord, record, shown);
    }
    return shown;
}

uint8_t RecordingDraw(uint32_t row, DrawObject* object) {
    // Another owner's object is drawn once, as the game draws it.
    if (!IsThePlayer(object->Owner)) {
        return DrawBothSkeletons(object);
    }
    NoteSite(static_cast<RecordedSite>(row), object, nullptr);
    const uint8_t drawn = recording::DrawBothSkeletons(object);
    NoteEntryEnd();
    return drawn;
}

void RecordingSwitchDecide() {
    NoteSite(kSiteSwitchDecide, nullptr, nullptr);
    DecideForcedModeOnSwitch();
    recording::KeepBodyViewAfterSwitch();
    NoteEntryEnd();
}

void RecordingForcedSwitch(uint32_t row) {
    NotePass(static_cast<RecordedSite>(row), nullptr, 1);
}

void RecordingSaveChaseDistance(uint32_t row) {
    NoteSite(static_cast<RecordedSite>(row), nullptr, nullptr);
    SaveChaseDistance();
    NoteEntryEnd();
}

void RecordingShadowPass(uint8_t before) {
    NoteSite(before != 0 ? kSiteShadowBefore : kSiteShadowAfter, nullptr, nullptr);
    recording::ToggleFirstPersonForShadow(before);
    // The frame ends with its shadow pass: its chores come last in it.
    if (before == 0 && Settings.bReloadSettingsOnChange != 0) {
        recording::FrameChores();
        NoteSettings(); // a reload by the watch takes effect from here on
    }
    NoteEntryEnd();
    if (before == 0) {
        NoteFrameEnd();
    }
}

} // extern "C"
