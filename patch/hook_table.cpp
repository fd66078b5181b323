#include "patch/hook_table.h"

#include "game/addresses.h"
#include "patch/glue.h"
#include "patch/hook_sites.h"

namespace {

// A jump site whose covered code only has to be the game's (no detour).
constexpr PatchPlace Site(const char* name, uint32_t address, PatchGroupId group) {
    return {name, address, group, WriteKind::Jump, PlaceRule::NoDetour, 0, nullptr, 0};
}
// A jump site over the game's call of `routine`, which the glue replays.
constexpr PatchPlace CallSite(const char* name, uint32_t address, PatchGroupId group,
                              uint32_t routine) {
    return {name, address, group, WriteKind::Jump, PlaceRule::CallsRoutine, routine, nullptr, 0};
}
// A jump site over game instructions that the glue replays byte for byte.
template <int N>
constexpr PatchPlace ReplaySite(const char* name, uint32_t address, const uint8_t (&bytes)[N]) {
    return {name, address, kGroupCore, WriteKind::Jump, PlaceRule::Holds, 0, bytes, N};
}

} // namespace

// Row numbers in the comments are the installation order.
const HookSite kLoadHooks[kLoadHookCount] = {
    /* 1 */ {CallSite("frame start", LF_SITE_FRAME_START, kGroupCore, LF_ADDR_FRAME_START_ROUTINE),
             5, GlueFrameStart, LF_RESUME_FRAME_START, 0, RecordingGlueFrameStart},
    /* 2 */
    {Site("head camera", LF_SITE_HEAD_CAMERA, kGroupCore), 14, GlueHeadCamera,
     LF_RESUME_HEAD_CAMERA, 0, RecordingGlueHeadCamera},
    /* 3 */
    {Site("body pass", LF_SITE_BODY_PASS, kGroupCore), 5, GlueBodyPass, LF_RESUME_BODY_PASS, 0,
     RecordingGlueBodyPass},
    /* 4 */
    {Site("first-person actor branch", LF_SITE_ACTOR_BRANCH, kGroupCore), 6, GlueActorBranch,
     LF_RESUME_ACTOR_BRANCH_NEXT, LF_RESUME_ACTOR_BRANCH_TAKEN, RecordingGlueActorBranch},
    /* 5 */
    {ReplaySite("forced-mode skip", LF_SITE_FORCED_SKIP, kForcedSkipGameBytes), 6, GlueForcedSkip,
     LF_RESUME_FORCED_SKIP_NEXT, LF_RESUME_FORCED_SKIP_TAKEN, RecordingGlueForcedSkip},
    /* 6 */
    {ReplaySite("extra-update branch", LF_SITE_EXTRA_UPDATE, kExtraUpdateGameBytes), 5,
     GlueExtraUpdate, LF_RESUME_EXTRA_UPDATE_NEXT, LF_RESUME_EXTRA_UPDATE_TAKEN,
     RecordingGlueExtraUpdate},
    /* 7 */
    {Site("body-pass argument", LF_SITE_BODY_PASS_ARGUMENT, kGroupCore), 5, GlueBodyPassArgument,
     LF_RESUME_BODY_PASS_ARGUMENT, 0, RecordingGlueBodyPassArgument},
    /* 8 */
    {Site("shown-record skip", LF_SITE_SHOWN_RECORD, kGroupBody), 5, GlueShownRecord,
     LF_RESUME_SHOWN_RECORD_NEXT, LF_RESUME_SHOWN_RECORD_TAKEN, RecordingGlueShownRecord},
    /* 9 */
    {Site("double draw", LF_SITE_DRAW_A, kGroupBody), 9, GlueDrawA, LF_RESUME_DRAW_A, 0,
     RecordingGlueDrawA},
    /* 10 */
    {Site("double draw", LF_SITE_DRAW_B, kGroupBody), 17, GlueDrawB, LF_RESUME_DRAW_B, 0,
     RecordingGlueDrawB},
    /* 11 */
    {Site("double draw", LF_SITE_DRAW_C, kGroupBody), 9, GlueDrawC, LF_RESUME_DRAW_C, 0,
     RecordingGlueDrawC},
    /* 12 */
    {Site("double draw", LF_SITE_DRAW_D, kGroupBody), 157, GlueDrawD, LF_RESUME_DRAW_D, 0,
     RecordingGlueDrawD},
    /* 13 */
    {Site("double draw", LF_SITE_DRAW_E, kGroupBody), 17, GlueDrawE, LF_RESUME_DRAW_E, 0,
     RecordingGlueDrawE},
    /* 14 */
    {CallSite("camera switch", LF_SITE_SWITCH_DECIDE, kGroupCore, LF_ADDR_CAMERA_SWITCH_ROUTINE), 5,
     GlueSwitchDecide, LF_RESUME_SWITCH_DECIDE, 0, RecordingGlueSwitchDecide},
    /* 15 */
    {CallSite("camera switch, sitting", LF_SITE_SWITCH_SIT_A, kGroupSitting,
              LF_ADDR_CAMERA_SWITCH_ROUTINE),
     5, GlueSwitchSitA, LF_RESUME_SWITCH_SIT_A, 0, RecordingGlueSwitchSitA},
    /* 16 */
    {CallSite("camera switch, sitting", LF_SITE_SWITCH_SIT_B, kGroupSitting,
              LF_ADDR_CAMERA_SWITCH_ROUTINE),
     5, GlueSwitchSitB, LF_RESUME_SWITCH_SIT_B, 0, RecordingGlueSwitchSitB},
    /* 17 */
    {CallSite("camera switch, sitting", LF_SITE_SWITCH_SIT_C, kGroupSitting,
              LF_ADDR_CAMERA_SWITCH_ROUTINE),
     5, GlueSwitchSitC, LF_RESUME_SWITCH_SIT_C, 0, RecordingGlueSwitchSitC},
    /* 18 */
    {CallSite("camera switch, death", LF_SITE_SWITCH_DEATH, kGroupDeath,
              LF_ADDR_CAMERA_SWITCH_ROUTINE),
     5, GlueSwitchDeath, LF_RESUME_SWITCH_DEATH, 0, RecordingGlueSwitchDeath},
    /* 19 */
    {Site("chase distance", LF_SITE_CHASE_A, kGroupChaseDistance), 10, GlueChaseA,
     LF_RESUME_CHASE_A, 0, RecordingGlueChaseA},
    /* 20 */
    {Site("chase distance", LF_SITE_CHASE_B, kGroupChaseDistance), 10, GlueChaseB,
     LF_RESUME_CHASE_B, 0, RecordingGlueChaseB},
    /* 21 */
    {Site("chase distance", LF_SITE_CHASE_C, kGroupChaseDistance), 10, GlueChaseC,
     LF_RESUME_CHASE_C, 0, RecordingGlueChaseC},
    /* 22 */
    {Site("chase distance", LF_SITE_CHASE_D, kGroupChaseDistance), 10, GlueChaseD,
     LF_RESUME_CHASE_D, 0, RecordingGlueChaseD},
};

const HookSite kLateHook = {
    CallSite("shadow pass", LF_SITE_SHADOW_PASS, kGroupShadowPass, LF_ADDR_SCENE_PASS_ROUTINE),
    5,
    GlueShadowPass,
    LF_RESUME_SHADOW_PASS,
    0,
    RecordingGlueShadowPass};
