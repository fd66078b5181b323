#include "patch/hook_table.h"

#include "patch/glue.h"
#include "patch/hook_sites.h"
#include "patch/patch_writer.h"
#include "settings/settings.h"

// Row numbers in the comments are the installation order.
const HookSite kLoadHooks[kLoadHookCount] = {
    /* 1 */ {"frame start", LF_SITE_FRAME_START, 5, nullptr, GlueFrameStart, LF_RESUME_FRAME_START,
             0},
    /* 2 */
    {"head camera", LF_SITE_HEAD_CAMERA, 14, nullptr, GlueHeadCamera, LF_RESUME_HEAD_CAMERA, 0},
    /* 3 */ {"body pass", LF_SITE_BODY_PASS, 5, nullptr, GlueBodyPass, LF_RESUME_BODY_PASS, 0},
    /* 4 */
    {"first-person actor branch", LF_SITE_ACTOR_BRANCH, 6, nullptr, GlueActorBranch,
     LF_RESUME_ACTOR_BRANCH_NEXT, LF_RESUME_ACTOR_BRANCH_TAKEN},
    /* 5 */
    {"forced-mode skip", LF_SITE_FORCED_SKIP, 6, nullptr, GlueForcedSkip,
     LF_RESUME_FORCED_SKIP_NEXT, LF_RESUME_FORCED_SKIP_TAKEN},
    /* 6 */
    {"extra-update branch", LF_SITE_EXTRA_UPDATE, 5, nullptr, GlueExtraUpdate,
     LF_RESUME_EXTRA_UPDATE_NEXT, LF_RESUME_EXTRA_UPDATE_TAKEN},
    /* 7 */
    {"body-pass argument", LF_SITE_BODY_PASS_ARGUMENT, 5, nullptr, GlueBodyPassArgument,
     LF_RESUME_BODY_PASS_ARGUMENT, 0},
    /* 8 */
    {"shown-record skip", LF_SITE_SHOWN_RECORD, 5, &Settings.bEnableFirstPersonBody,
     GlueShownRecord, LF_RESUME_SHOWN_RECORD_NEXT, LF_RESUME_SHOWN_RECORD_TAKEN},
    /* 9 */
    {"double draw A", LF_SITE_DRAW_A, 9, &Settings.bEnableFirstPersonBody, GlueDrawA,
     LF_RESUME_DRAW_A, 0},
    /* 10 */
    {"double draw B", LF_SITE_DRAW_B, 17, &Settings.bEnableFirstPersonBody, GlueDrawB,
     LF_RESUME_DRAW_B, 0},
    /* 11 */
    {"double draw C", LF_SITE_DRAW_C, 9, &Settings.bEnableFirstPersonBody, GlueDrawC,
     LF_RESUME_DRAW_C, 0},
    /* 12 */
    {"double draw D", LF_SITE_DRAW_D, 157, &Settings.bEnableFirstPersonBody, GlueDrawD,
     LF_RESUME_DRAW_D, 0},
    /* 13 */
    {"double draw E", LF_SITE_DRAW_E, 17, &Settings.bEnableFirstPersonBody, GlueDrawE,
     LF_RESUME_DRAW_E, 0},
    /* 14 */
    {"camera switch, decide", LF_SITE_SWITCH_DECIDE, 5, nullptr, GlueSwitchDecide,
     LF_RESUME_SWITCH_DECIDE, 0},
    /* 15 */
    {"camera switch, sitting A", LF_SITE_SWITCH_SIT_A, 5, &Settings.bFirstPersonSitting,
     GlueSwitchSitA, LF_RESUME_SWITCH_SIT_A, 0},
    /* 16 */
    {"camera switch, sitting B", LF_SITE_SWITCH_SIT_B, 5, &Settings.bFirstPersonSitting,
     GlueSwitchSitB, LF_RESUME_SWITCH_SIT_B, 0},
    /* 17 */
    {"camera switch, sitting C", LF_SITE_SWITCH_SIT_C, 5, &Settings.bFirstPersonSitting,
     GlueSwitchSitC, LF_RESUME_SWITCH_SIT_C, 0},
    /* 18 */
    {"camera switch, death", LF_SITE_SWITCH_DEATH, 5, &Settings.bFirstPersonDeath, GlueSwitchDeath,
     LF_RESUME_SWITCH_DEATH, 0},
    /* 19 */
    {"chase distance A", LF_SITE_CHASE_A, 10, &Settings.bPreventChaseCamDistanceReset, GlueChaseA,
     LF_RESUME_CHASE_A, 0},
    /* 20 */
    {"chase distance B", LF_SITE_CHASE_B, 10, &Settings.bPreventChaseCamDistanceReset, GlueChaseB,
     LF_RESUME_CHASE_B, 0},
    /* 21 */
    {"chase distance C", LF_SITE_CHASE_C, 10, &Settings.bPreventChaseCamDistanceReset, GlueChaseC,
     LF_RESUME_CHASE_C, 0},
    /* 22 */
    {"chase distance D", LF_SITE_CHASE_D, 10, &Settings.bPreventChaseCamDistanceReset, GlueChaseD,
     LF_RESUME_CHASE_D, 0},
};

const HookSite kLateHook = {"shadow pass",  LF_SITE_SHADOW_PASS,   5, nullptr,
                            GlueShadowPass, LF_RESUME_SHADOW_PASS, 0};

bool HookEnabled(const HookSite& row) {
    return row.condition == nullptr || *row.condition != 0;
}

void InstallHook(const HookSite& row) {
    PatchJump(row.site, reinterpret_cast<uint32_t>(row.glue));
}
