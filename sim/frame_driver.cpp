#include "sim/frame_driver.h"

#include <stdlib.h>
#include <string.h>

#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "sim/cpu_state.h"
#include "sim/game_routines.h"
#include "view/view_state.h"

namespace sim {

namespace {

// The game's stack while it passes the sites, one for each depth of entry:
// aligned to 4 bytes, not 16. Roomy: what a scenario changes inside the
// game's own routines runs on it.
constexpr int kDepths = 6;
constexpr int kStackWords = 65536;
alignas(16) uint32_t g_stacks[kDepths][kStackWords];
int g_depth = 0;

void Enter(uint32_t site, const CpuState& in) {
    CpuState out;
    EnterSite(site, in, &out);
}

uint32_t Address(const void* p) {
    return reinterpret_cast<uint32_t>(p);
}

// FNSAVE's image of the x87 unit in 32-bit protected mode.
constexpr int kFpuStateBytes = 108;

// What the game holds on its stack where the record sites read a value of it.
constexpr uint32_t kUpdateStackValue = 0x00C0FFEE;

uint32_t& StackWord(uint32_t esp, uint32_t offset) {
    return *reinterpret_cast<uint32_t*>(esp + offset);
}

SiteTally g_tally;

// The row of the hook table that patches `site` (0: none).
int RowOf(uint32_t site) {
    for (int i = 0; i < kLoadHookCount; ++i) {
        if (kLoadHooks[i].place.address == site) {
            return i + 1;
        }
    }
    return kLateHook.place.address == site ? kSiteRows : 0;
}

constexpr uint8_t kJumpOpcode = 0xE9;

// Whether the site holds a jump into the row's glue (of either set).
bool GlueInPlace(const HookSite& h) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(h.place.address);
    if (p[0] != kJumpOpcode) {
        return false;
    }
    uint32_t rel;
    memcpy(&rel, p + 1, 4);
    const uint32_t target = h.place.address + 5 + rel;
    return target == reinterpret_cast<uint32_t>(h.glue) ||
           target == reinterpret_cast<uint32_t>(h.recordingGlue);
}

void CountPass(uint32_t site, bool glue, const CpuState& out) {
    const int row = RowOf(site);
    if (row == 0) {
        return;
    }
    const HookSite& h = HookOfRow(row);
    if (h.resumeAlternate != 0 && out.resume == h.resumeAlternate) {
        g_tally.resumedAlternate[row]++;
    }
    if (!glue) {
        g_tally.gamePasses[row]++;
        return;
    }
    g_tally.passes[row]++;
    if (h.resumeAlternate != 0) {
        (out.resume == h.resumeAlternate ? g_tally.taken : g_tally.notTaken)[row]++;
    } else if (IsBranchRow(row)) {
        // Its outcome is the word it pushes: 0, or the game's own.
        (*reinterpret_cast<const uint32_t*>(out.esp) == 0 ? g_tally.taken
                                                          : g_tally.notTaken)[row]++;
    }
}

struct DrawSite {
    uint32_t site;
    uint32_t CpuState::*object;
};
const DrawSite kDrawSites[5] = {{LF_SITE_DRAW_A, &CpuState::eax},
                                {LF_SITE_DRAW_B, &CpuState::esi},
                                {LF_SITE_DRAW_C, &CpuState::edi},
                                {LF_SITE_DRAW_D, &CpuState::eax},
                                {LF_SITE_DRAW_E, &CpuState::esi}};

} // namespace

// The game's camera switch at one of its places: its chase-distance store
// first (the game's new distance on the x87 stack), then the switch.
void SwitchCamera(Game& game, CameraSwitch place) {
    struct Place {
        CameraSwitch place;
        uint32_t chase; // 0: the death switch stores no distance
        uint32_t site;
    };
    static const Place kPlaces[] = {
        {CameraSwitch::Decide, LF_SITE_CHASE_A, LF_SITE_SWITCH_DECIDE},
        {CameraSwitch::Sitting, LF_SITE_CHASE_B, LF_SITE_SWITCH_SIT_A},
        {CameraSwitch::SittingB, LF_SITE_CHASE_C, LF_SITE_SWITCH_SIT_B},
        {CameraSwitch::SittingC, LF_SITE_CHASE_D, LF_SITE_SWITCH_SIT_C},
        {CameraSwitch::Death, 0, LF_SITE_SWITCH_DEATH},
    };
    // The switch routine switches to the view the step asked for.
    game.switchToFirstPerson = game.player->obj.ThirdPerson == 0 ? 1 : 0;
    for (const Place& p : kPlaces) {
        if (p.place != place) {
            continue;
        }
        if (p.chase != 0) {
            CpuState in = SiteRegisters();
            in.x87Depth = 1;
            in.x87[0] = game.switchChaseDistance;
            Enter(p.chase, in);
        }
        Enter(p.site, SiteRegisters());
    }
}

namespace {

// One actor's animation update: the first-person actor branch (the actor in
// ESI, the game's own branch not taken), then the body pass (EBP the actor,
// ECX its record).
void UpdateActor(const void* actor, AnimationRecord* record) {
    CpuState in = SiteRegisters();
    in.esi = Address(actor);
    Enter(LF_SITE_ACTOR_BRANCH, in);
    in = SiteRegisters();
    in.ebp = Address(actor);
    in.ecx = Address(record);
    Enter(LF_SITE_BODY_PASS, in);
}

} // namespace

CpuState SiteRegisters() {
    CpuState s = {};
    const int depth = g_depth < kDepths ? g_depth : kDepths - 1;
    s.esp = reinterpret_cast<uint32_t>(&g_stacks[depth][kStackWords - 64]) + 4;
    s.eflags = kFlagsBase;
    return s;
}

void EnterSite(uint32_t site, const CpuState& in, CpuState* out) {
    if (g_depth + 1 >= kDepths) {
        abort(); // deeper than any game passes its sites
    }
    const int row = RowOf(site);
    const bool glue = row != 0 && GlueInPlace(HookOfRow(row));
    uint32_t outer[3];
    memcpy(outer, SimProbeEntryState, sizeof outer);
    // A site the game passes inside one of its routines, called from the
    // glue of another site: the x87 stack and MXCSR of that outer pass are
    // the game's, kept across the inner one (whose probe resets them).
    alignas(16) uint8_t fpu[kFpuStateBytes];
    uint32_t mxcsr = 0;
    __asm__ volatile("fnsave (%0)\n\tstmxcsr (%1)" : : "r"(fpu), "r"(&mxcsr) : "memory");
    ++g_depth;
    SimEnterSite(&in, out, site);
    --g_depth;
    __asm__ volatile("frstor (%0)\n\tldmxcsr (%1)" : : "r"(fpu), "r"(&mxcsr) : "memory");
    memcpy(SimProbeEntryState, outer, sizeof outer);
    CountPass(site, glue, *out);
}

void PassShownRecordSite(AnimationRecord* record) {
    // The record in ESI and the game's value that the covered instructions
    // push at ESP+0x18.
    CpuState in = SiteRegisters();
    in.esi = Address(record);
    StackWord(in.esp, LF_SHOWN_RECORD_STACK_OFFSET) = kUpdateStackValue;
    Enter(LF_SITE_SHOWN_RECORD, in);
}

void EnterDrawSites(const FrameLoad& load, bool gameOrder) {
    for (size_t i = 0; i < load.draws.size(); ++i) {
        const DrawSite& d = kDrawSites[i % 5];
        if (gameOrder && d.site == LF_SITE_DRAW_C && !Row11Reachable()) {
            continue;
        }
        CpuState in = SiteRegisters();
        in.*d.object = Address(&load.draws[i]->obj);
        Enter(d.site, in);
    }
}

RoutineStages::RoutineStages(Game& game, const StageHook& stage)
    : game_(game), installed_(static_cast<bool>(stage)) {
    if (!installed_) {
        return;
    }
    auto& pass = game.onCall[static_cast<int>(Routine::ScenePassRoutine)];
    auto& update = game.onCall[static_cast<int>(Routine::UpdateAnimationRecord)];
    ownPass_ = pass;
    ownUpdate_ = update;
    Game* g = &game;
    pass = [own = ownPass_, stage](const CallRecord& c) {
        if (own) {
            own(c);
        }
        stage(FrameStage::ShadowPass);
    };
    update = [own = ownUpdate_, stage, g](const CallRecord& c) {
        if (own) {
            own(c);
        }
        if (c.receiver == &g->bodyAnim->rec) {
            stage(FrameStage::Update);
        }
    };
}

RoutineStages::~RoutineStages() {
    if (installed_) {
        game_.onCall[static_cast<int>(Routine::ScenePassRoutine)] = ownPass_;
        game_.onCall[static_cast<int>(Routine::UpdateAnimationRecord)] = ownUpdate_;
    }
}

bool PassUpdateSites(AnimationRecord* record) {
    PassShownRecordSite(record);
    CpuState in;
    // The body-pass argument: the game's value at ESP+0x0C, or 0 while the
    // body pass has the record updated.
    in = SiteRegisters();
    StackWord(in.esp, LF_BODY_PASS_ARGUMENT_STACK_OFFSET) = kUpdateStackValue;
    Enter(LF_SITE_BODY_PASS_ARGUMENT, in);
    // The extra-update branch: three registers popped, the game's own branch
    // not taken (the glue decides).
    in = SiteRegisters();
    in.esp -= 12;
    CpuState out;
    EnterSite(LF_SITE_EXTRA_UPDATE, in, &out);
    return out.resume == LF_RESUME_EXTRA_UPDATE_NEXT;
}

uint32_t PassRootUpdateSite() {
    CpuState in = SiteRegisters();
    StackWord(in.esp, LF_BODY_PASS_ARGUMENT_STACK_OFFSET) = kUpdateStackValue;
    CpuState out;
    EnterSite(LF_SITE_BODY_PASS_ARGUMENT, in, &out);
    return *reinterpret_cast<const uint32_t*>(out.esp);
}

void PassCollisionSite(Node* node) {
    // The three registers the covered pops take, and the zero flag of the
    // game's test of the node's collision object.
    CpuState in = SiteRegisters();
    in.esp -= 12;
    if (node->node.CollisionObject == nullptr) {
        in.eflags |= kFlagZero;
    }
    CpuState out;
    EnterSite(LF_SITE_EXTRA_UPDATE, in, &out);
    Collision* c = static_cast<Collision*>(node->node.CollisionObject);
    if (c == nullptr) {
        return;
    }
    if (out.resume == LF_RESUME_EXTRA_UPDATE_NEXT) {
        // The game's tail call of the object's sync (virtual operations take
        // their object untyped, as the tables hold them).
        using Sync = void(LF_THISCALL*)(void*);
        reinterpret_cast<Sync>(c->vtable[kCollisionSyncSlot])(c);
    } else {
        node->collisionBehind = true;
        node->behindSinceExtraUpdate = InExtraAnimUpdate != kFlagClear;
    }
}

FrameLoad StandardLoad(Game& game) {
    FrameLoad load;
    load.actors = {game.others[0], game.others[1]};
    // Two rounds of the five draw sites: each site draws one object of the
    // player and one of another owner.
    Draw* const p0 = game.playerDraws[0];
    Draw* const p1 = game.playerDraws[1];
    Draw* const o0 = game.otherDraws[0];
    Draw* const o1 = game.otherDraws[1];
    load.draws = {p0, o0, p1, o1, p0, o1, p1, o0, p0, o0};
    return load;
}

const HookSite& HookOfRow(int row) {
    return row == kSiteRows ? kLateHook : kLoadHooks[row - 1];
}

bool IsBranchRow(int row) {
    const HookSite& h = HookOfRow(row);
    return h.resumeAlternate != 0 || h.place.address == LF_SITE_BODY_PASS_ARGUMENT;
}

const SiteTally& SitesPassed() {
    return g_tally;
}

void ClearSitesPassed() {
    g_tally = SiteTally{};
}

void RunFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch,
              const StageHook& stage) {
    if (game.frameOrder == FrameOrder::Design) {
        RunDesignFrame(game, load, cameraSwitch, stage);
    } else {
        RunGameFrame(game, load, cameraSwitch, stage);
    }
}

void RunDesignFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch,
                  const StageHook& stage) {
    const auto at = [&stage](FrameStage s) {
        if (stage) {
            stage(s);
        }
    };
    RoutineStages inside(game, stage);

    ++game.frame;
    game.PlaceRoots();
    CpuState in = SiteRegisters();
    in.ecx = Address(game.player); // the frame routine's receiver
    Enter(LF_SITE_FRAME_START, in);

    // A direct switch and the point-of-view key pass no site of the
    // plug-in's but the frame start and the camera update, which this order
    // passes at every frame anyway.
    if (cameraSwitch != CameraSwitch::None && cameraSwitch != CameraSwitch::Direct &&
        cameraSwitch != CameraSwitch::ViewKey) {
        at(FrameStage::Switch);
        SwitchCamera(game, cameraSwitch);
    }

    // The forced-mode skip, once: the game's float pushed, or skipped under
    // a forced mode.
    Enter(LF_SITE_FORCED_SKIP, SiteRegisters());

    at(FrameStage::Camera);
    in = SiteRegisters();
    in.eax = Address(CameraNodePointer()); // the game's camera node, if it has one
    Enter(LF_SITE_HEAD_CAMERA, in);
    Game::UpdateTree(&game.camera->node);

    at(FrameStage::Body);
    if ((game.Missing() & kMissingPlayer) == 0) {
        UpdateActor(&game.player->obj, &game.bodyAnim->rec);
    }
    for (Actor* a : load.actors) {
        UpdateActor(a->object, &a->record->rec);
    }

    at(FrameStage::Draws);
    EnterDrawSites(load, false);

    at(FrameStage::Shadow);
    Enter(LF_SITE_SHADOW_PASS, SiteRegisters());
}

} // namespace sim
