// A frame of the simulated game in the game's own order, as its code runs it
// (../shared notes of the game's code; docs/simulated-game.md says, per
// site, what is read in the game's code and what is chosen here):
//   the actor process updates (0x605770 for each actor: the shown-record
//   skip inside 0x476D10, then the actor's animation update 0x603CA0);
//   the player's control routine (0x671620): its changes of view, the
//   player's two animation updates, the camera update (0x66B710), the
//   deciding switch;
//   the rendering (0x40C830): the shadow pass, then the view.
#include <string.h>

#include "game/engine.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "sim/frame_driver.h"
#include "sim/rig_pose.h"
#include "sim/sim_game.h"

namespace sim {

namespace {

constexpr uint8_t kNop = 0x90;
constexpr int kBlankedBytes = 6;
constexpr uint8_t kJumpOpcode = 0xE9;

uint32_t Address(const void* p) {
    return reinterpret_cast<uint32_t>(p);
}

void Enter(uint32_t site, const CpuState& in) {
    CpuState out;
    EnterSite(site, in, &out);
}

bool Shown(const SceneNode* n) {
    return (n->Flags & kNodeHiddenBit) == 0;
}

void SetHidden(SceneNode* n, bool hidden) {
    n->Flags = hidden ? static_cast<uint16_t>(n->Flags | kNodeHiddenBit)
                      : static_cast<uint16_t>(n->Flags & ~kNodeHiddenBit);
}

// Drawn: the node and every node above it shown.
bool DrawnUpToTheRoot(const SceneNode* n) {
    for (int depth = 0; n != nullptr && depth < kMaxNodeDepth; n = n->Parent, ++depth) {
        if (!Shown(n)) {
            return false;
        }
    }
    return true;
}

// The six bytes of one of the switch's early exits, as no-operations.
bool Blanked(uint32_t at) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(at);
    for (int i = 0; i < kBlankedBytes; ++i) {
        if (p[i] != kNop) {
            return false;
        }
    }
    return true;
}

// The actor's animation update (0x603CA0): the root of the view the
// actor's record drives placed, the game's animation (the body's pose, once
// a frame), then 0x603500 with the first-person actor branch (row 4) unless
// the actor is the player in first person or down, then the body pass
// (row 3) over the update of the record.
void AnimationUpdate(Game& g, const void* actor, AnimRecord* record) {
    const bool isPlayer = actor == &g.player->obj;
    if (isPlayer) {
        // The root that the player's view shows: the first-person root in
        // first person, the body root otherwise.
        if (g.player->obj.ThirdPerson == 0) {
            g.fpRoot->node.LocalTranslation = g.firstPersonPlacement;
        } else {
            g.bodyRoot->node.LocalTranslation = g.bodyPlacement;
        }
    }
    if (record == g.bodyAnim && record->posedFrame != g.frame) {
        record->posedFrame = g.frame;
        WritePose(g, PoseOfState(g));
    }
    const bool down = isPlayer && (g.player->isDead != 0 || g.process->obj.KnockoutState != 0);
    if (!(isPlayer && g.player->obj.ThirdPerson == 0) && !down) {
        CpuState in = SiteRegisters();
        in.esi = Address(actor);
        Enter(LF_SITE_ACTOR_BRANCH, in);
    }
    CpuState in = SiteRegisters();
    in.ebp = Address(actor);
    in.ecx = Address(&record->rec);
    Enter(LF_SITE_BODY_PASS, in);
}

// The actor process updates: each actor's animation record through 0x476D10
// (the shown-record skip), then its animation update; the player's record
// through 0x476D10 as well (the player's own animation update comes in its
// control routine).
void ProcessUpdates(Game& g, const FrameLoad& load) {
    for (Actor* a : load.actors) {
        PassShownRecordSite(&a->record->rec);
        AnimationUpdate(g, a->object, a->record);
    }
    if ((g.Missing() & kMissingPlayer) == 0) {
        PassShownRecordSite(&g.bodyAnim->rec);
    }
}

// The camera update (0x66B710): the game places its camera (turned by the
// look angle; chosen: the game's own reading of the angle is not modelled
// further), its camera
// collision (0x65F080) passes the forced-mode skip (row 5), then the
// plug-in's placement in place of the game's 14 bytes (row 2), then the
// game's update of its camera node.
void CameraUpdate(Game& g) {
    if (g.cameraFollowsPitch) {
        g.cameraRotationPlacement = RotationX(-g.player->obj.LookPitch);
    }
    g.camera->node.LocalTranslation = g.cameraPlacement;
    g.camera->node.LocalRotation = g.cameraRotationPlacement;
    Enter(LF_SITE_FORCED_SKIP, SiteRegisters());
    CpuState in = SiteRegisters();
    in.eax = Address(CameraNodePointer()); // the game's camera node, if it has one
    Enter(LF_SITE_HEAD_CAMERA, in);
    Game::UpdateTree(&g.camera->node);
}

// The player's two animation updates: first with ThirdPerson flipped (the
// other view's skeleton), then with it as it was (the view's own).
void PlayerAnimationUpdates(Game& g) {
    PlayerObject& p = g.player->obj;
    const uint8_t view = p.ThirdPerson;
    // The record of a view, as the player holds it (none while the game
    // lacks it).
    auto recordOf = [&p](uint8_t thirdPerson) -> AnimRecord* {
        AnimationRecord* r = nullptr;
        if (thirdPerson == 0) {
            r = p.FirstPersonAnim;
        } else if (p.Process != nullptr) {
            r = p.Process->BodyAnim;
        }
        return reinterpret_cast<AnimRecord*>(r);
    };
    p.ThirdPerson = view == 0 ? 1 : 0;
    if (AnimRecord* other = recordOf(p.ThirdPerson)) {
        AnimationUpdate(g, &p, other);
    }
    p.ThirdPerson = view;
    if (AnimRecord* own = recordOf(view)) {
        AnimationUpdate(g, &p, own);
    }
}

void DrawView(Game& g) {
    ViewSeen& v = g.view;
    v = ViewSeen{};
    v.frame = g.frame;
    SceneNode& fp = g.fpRoot->node;
    SceneNode& body = g.bodyRoot->node;
    // The world, with the first-person root hidden; its word put back after.
    const uint16_t fpFlags = fp.Flags;
    SetHidden(&fp, true);
    v.bodyRootFlags = body.Flags;
    v.bodyDrawn = DrawnUpToTheRoot(&body);
    v.headScale = g.bodyHead->node.WorldScale;
    v.leftClavicleScale = g.lClavicle->node.WorldScale;
    v.rightClavicleScale = g.rClavicle->node.WorldScale;
    v.shieldScale = g.shield->node.WorldScale;
    v.leftHandItemScale = g.leftHandItem->node.WorldScale;
    fp.Flags = fpFlags;
    // The first-person skeleton alone on top, over a cleared depth buffer.
    v.firstPersonPass = g.player->obj.ThirdPerson == 0 && CameraDetachedByte() == 0;
    v.firstPersonDrawn = v.firstPersonPass && DrawnUpToTheRoot(&fp);
    v.cameraTranslation = g.camera->node.WorldTranslation;
    v.cameraRotation = g.camera->node.WorldRotation;
}

} // namespace

void ToggleBody(Game& g, bool toFirstPerson) {
    SceneNode* body = g.player->obj.BodyRoot;
    SceneNode* fp = g.player->obj.FirstPersonRoot;
    // The two early exits: the view already shows the skeleton asked for.
    if (toFirstPerson && !Blanked(LF_BLANK_A) && fp != nullptr && Shown(fp)) {
        return;
    }
    if (!toFirstPerson && !Blanked(LF_BLANK_B) && body != nullptr && Shown(body)) {
        return;
    }
    if (body != nullptr) {
        SetHidden(body, toFirstPerson);
        body->LocalTranslation = g.bodyPlacement; // at the player's position
    }
    if (fp != nullptr) {
        SetHidden(fp, !toFirstPerson);
    }
    // Row 1: its call of 0x5E5480, with the player as the receiver.
    CpuState in = SiteRegisters();
    in.ecx = Address(PlayerPointer());
    Enter(LF_SITE_FRAME_START, in);
}

void SwitchRoutine(Game& g, uint8_t toFirstPerson) {
    PlayerObject& p = g.player->obj;
    p.ThirdPerson = toFirstPerson != 0 ? 0 : 1;
    if (toFirstPerson == 0 && g.player->isDead != 0) {
        GameGlobal<float>(LF_ADDR_CHASE_CAMERA_DISTANCE) =
            GameGlobal<float>(kSimDeathChaseDistanceAddress);
    }
    if (CameraDetachedByte() == 0 && p.FirstPersonRoot != nullptr) {
        CameraUpdate(g);
        ToggleBody(g, p.ThirdPerson == 0);
    }
}

void RunGameFrame(Game& game, const FrameLoad& load, CameraSwitch change, const StageHook& stage) {
    const auto at = [&stage](FrameStage s) {
        if (stage) {
            stage(s);
        }
    };
    RoutineStages inside(game, stage);
    ++game.frame;
    game.inGameFrame = true;

    at(FrameStage::Actors);
    ProcessUpdates(game, load);
    if (game.drawPlace == DrawPlace::AfterActors) {
        at(FrameStage::Draws);
        EnterDrawSites(load, true);
    }

    // The player's control routine: a change of view first.
    const bool playerHere = (game.Missing() & kMissingPlayer) == 0;
    switch (change) {
    case CameraSwitch::None:
    case CameraSwitch::Decide:
        break;
    case CameraSwitch::Direct:
        at(FrameStage::Switch);
        game.switchToFirstPerson = game.player->obj.ThirdPerson == 0 ? 1 : 0;
        SwitchRoutine(game, game.switchToFirstPerson);
        break;
    case CameraSwitch::ViewKey:
        at(FrameStage::Switch);
        ToggleBody(game, game.player->obj.ThirdPerson == 0);
        break;
    default:
        at(FrameStage::Switch);
        SwitchCamera(game, change);
        break;
    }
    at(FrameStage::Body);
    if (playerHere) {
        PlayerAnimationUpdates(game);
    }
    at(FrameStage::Camera);
    if (game.player->obj.FreeCamera == 0) {
        CameraUpdate(game);
    }
    if (change == CameraSwitch::Decide) {
        at(FrameStage::Switch);
        SwitchCamera(game, change);
    }

    if (game.drawPlace == DrawPlace::BeforeRendering) {
        at(FrameStage::Draws);
        EnterDrawSites(load, true);
    }

    // The rendering: the shadow pass, then the view.
    at(FrameStage::Shadow);
    Enter(LF_SITE_SHADOW_PASS, SiteRegisters());
    at(FrameStage::View);
    DrawView(game);
    game.inGameFrame = false;
}

bool Row11Reachable() {
    // Row 12's stretch runs over row 11's site; only the game's own code
    // there goes on to it.
    return *reinterpret_cast<const uint8_t*>(LF_SITE_DRAW_D) != kJumpOpcode;
}

} // namespace sim
