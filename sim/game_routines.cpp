// The game's routines at their addresses and the virtual operations of its
// objects, as the simulated game answers them: each is logged, runs the
// test's hook, and answers from the simulated objects (in a replay, from the
// script of the recording).
#include "sim/game_routines.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "sim/frame_driver.h"
#include "sim/rig_pose.h"
#include "sim/sim_game.h"
#include "view/view_state.h"

// The stand-in of a routine that pops 4 bytes more than it should
// (sim/probe.S), and the routine it calls.
extern "C" {
void SimPopMoreShim();
extern void* SimPopMoreTarget;
extern uint32_t SimPopMoreCalls;
}

namespace sim {

namespace {

constexpr uint8_t kJumpOpcode = 0xE9;

template <typename T> T* As(const void* p) {
    return reinterpret_cast<T*>(const_cast<void*>(p));
}

// --- routines at the game's addresses --------------------------------------
// Runs the test's hook for a call that was just logged (with what the log
// saw; past the log's capacity with the call's own values only).
void RunHook(Routine r, const CallRecord* logged, const void* receiver, uint32_t a0, uint32_t a1) {
    const auto& hook = Current().onCall[static_cast<int>(r)];
    if (!hook) {
        return;
    }
    if (logged != nullptr) {
        hook(*logged);
        return;
    }
    CallRecord c = {};
    c.routine = r;
    c.receiver = receiver;
    c.args[0] = a0;
    c.args[1] = a1;
    hook(c);
}

void Enter(Routine r, const void* receiver, uint32_t a0, uint32_t a1) {
    const CallRecord* logged = Current().Log(r, receiver, a0, a1);
    RunHook(r, logged, receiver, a0, a1);
}

// The answer of a query: the script's in a replay, else the game's own.
uint32_t Answer(GameCall call, const void* receiver, uint32_t argument, uint32_t own) {
    Script* s = Current().script;
    return s != nullptr ? s->Answer(call, receiver, argument, own) : own;
}

// Poses the record's skeleton: the sites inside the update, the body's pose
// of the state once a frame (where the glue lets the animation advance), then
// world fields from the local ones (in a replay, what the script says the
// game changed).
void LF_THISCALL SimUpdateAnimationRecord(AnimationRecord* r) {
    Game& g = Current();
    const CallRecord* logged = g.Log(Routine::UpdateAnimationRecord, r, 0, 0);
    AnimRecord* a = reinterpret_cast<AnimRecord*>(r);
    if (Script* s = g.script) {
        s->Changed(kCallUpdateAnimationRecord, r); // the recorded sites inside come with it
    } else if (g.frameOrder == FrameOrder::Game) {
        // The update of the record's root through the scene graph: the
        // root's node update (row 7), then every node's world update (row 6
        // at each). The pose came before, at the actor's animation update.
        if (g.passUpdateSites) {
            PassRootUpdateSite();
        }
        if (a->skeleton != nullptr) {
            Game::UpdateTree(&a->skeleton->node);
        }
    } else {
        const bool advances = g.passUpdateSites ? PassUpdateSites(r) : true;
        if (a == g.bodyAnim && advances && a->posedFrame != g.frame) {
            a->posedFrame = g.frame;
            WritePose(g, PoseOfState(g));
        }
        if (a->skeleton != nullptr) {
            Game::UpdateTree(&a->skeleton->node);
        }
    }
    RunHook(Routine::UpdateAnimationRecord, logged, r, 0, 0);
}

uint8_t LF_THISCALL SimIsIdleAnimAbsent(AnimationRecord* r) {
    Enter(Routine::IsIdleAnimAbsent, r, 0, 0);
    return static_cast<uint8_t>(
        Answer(kCallIsIdleAnimAbsent, r, 0, reinterpret_cast<AnimRecord*>(r)->idleAbsentResult));
}

void LF_THISCALL SimPlayerIdleUpdate(PlayerObject* p) {
    Enter(Routine::PlayerIdleUpdate, p, 0, 0);
    if (Script* s = Current().script) {
        s->Changed(kCallPlayerIdleUpdate, p);
    }
}

void* LF_CDECL SimGetInterfaceObject(uint32_t a, uint32_t b) {
    Enter(Routine::GetInterfaceObject, nullptr, a, b);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(Answer(
        kCallGetInterfaceObject, nullptr, 0, reinterpret_cast<uintptr_t>(Current().interface))));
}

uint8_t LF_THISCALL SimIsMenuModeActive(void* iface) {
    Enter(Routine::IsMenuModeActive, iface, 0, 0);
    return static_cast<uint8_t>(
        Answer(kCallIsMenuModeActive, iface, 0, static_cast<Interface*>(iface)->menuModeActive));
}

uint8_t LF_THISCALL SimIsMenuOpen(void* iface, uint32_t code) {
    Enter(Routine::IsMenuOpen, iface, code, 0);
    const Interface* i = static_cast<Interface*>(iface);
    const uint8_t own = code == kMenuCodeFirst    ? i->openMenu1009
                        : code == kMenuCodeSecond ? i->openMenu1034
                                                  : 0;
    return static_cast<uint8_t>(Answer(kCallIsMenuOpen, iface, code, own));
}

// --- virtual operations -----------------------------------------------------
void LF_THISCALL UnexpectedVirtual(void*) {
    Fail("a virtual operation was called that the game bridge does not list");
}

// Takes one argument and pops it, as the game's routine does.
uint8_t LF_THISCALL PlayerIsDead(void* self, uint32_t argument) {
    As<Player>(self)->lastIsDeadArgument = argument;
    return static_cast<uint8_t>(Answer(kCallIsDead, self, 0, As<Player>(self)->isDead));
}
// The same, declared without arguments: it pops nothing.
uint8_t LF_THISCALL PlayerIsDeadPoppingNothing(void* self) {
    return static_cast<uint8_t>(Answer(kCallIsDead, self, 0, As<Player>(self)->isDead));
}
uint32_t LF_THISCALL PlayerQueryCodedState(void* self, uint32_t code) {
    return Answer(kCallQueryCodedState, self, code,
                  code < kCodedStates ? As<Player>(self)->codedState[code] : 0);
}
uint8_t LF_THISCALL PlayerIsVampireFeeding(void* self) {
    return static_cast<uint8_t>(
        Answer(kCallIsVampireFeeding, self, 0, As<Player>(self)->isVampireFeeding));
}
uint32_t LF_THISCALL PlayerQueryShadowState(void* self) {
    return Answer(kCallQueryShadowState, self, 0, As<Player>(self)->shadowState);
}

uint32_t LF_THISCALL ProcessLeftHandItemQuery(void* self, uint32_t arg) {
    As<Process>(self)->lastHandQueryArgument = arg;
    return Answer(kCallLeftHandItemQuery, self, arg, As<Process>(self)->leftHandItem);
}
uint32_t LF_THISCALL ProcessShieldQuery(void* self, uint32_t arg) {
    As<Process>(self)->lastHandQueryArgument = arg;
    return Answer(kCallShieldQuery, self, arg, As<Process>(self)->shield);
}
uint32_t LF_THISCALL ProcessGetFlagWord(void* self) {
    return Answer(kCallGetFlagWord, self, 0, As<Process>(self)->flagWord);
}

// The game's search by name: the node itself, then each child's subtree in
// turn (a replayed scene graph's links may be anything: the walk is bounded).
SceneNode* FindInSubtree(SceneNode* n, const char* name) {
    SceneNode* found = nullptr;
    WalkDown(n, [&found, name](SceneNode* node, SceneNode*, int) {
        if (!As<Node>(node)->unfindable && strcmp(As<Node>(node)->name, name) == 0) {
            found = node;
            return true;
        }
        return false;
    });
    return found;
}
SceneNode* LF_THISCALL NodeFindChildByName(void* self, const char* name) {
    SceneNode* own = FindInSubtree(As<SceneNode>(self), name);
    Script* s = Current().script;
    return s != nullptr ? s->Found(As<SceneNode>(self), name, own) : own;
}
// The game's transform update of one node: its world fields from its local
// ones and its parent's world fields (a node the test froze keeps its own).
void LF_THISCALL NodeVirtual29Impl(void* self) {
    Node* n = As<Node>(self);
    n->virtual29Calls++;
    if (Script* s = Current().script) {
        s->Changed(kCallNodeVirtual29, self);
    } else if (!n->frozen) {
        Game::DeriveWorld(n);
    }
}

// A collision object's sync with its node (the operation at +0x50).
void LF_THISCALL CollisionSyncImpl(void* self) {
    Collision* c = As<Collision>(self);
    const SceneNode& n = c->node->node;
    c->rotation = n.WorldRotation;
    c->translation = n.WorldTranslation;
    c->scale = n.WorldScale;
    c->syncs++;
    if (InExtraAnimUpdate != kFlagClear) {
        c->syncsDuringExtraUpdates++;
    }
    c->node->collisionBehind = false;
    c->node->behindSinceExtraUpdate = false;
}

uint8_t LF_THISCALL DrawImpl(void* self) {
    Current().LogDraw(As<DrawObject>(self));
    return static_cast<uint8_t>(Answer(kCallDraw, self, 0, As<Draw>(self)->result));
}

} // namespace

void WriteJump(uint32_t at, const void* target) {
    uint8_t* p = reinterpret_cast<uint8_t*>(at);
    const uint32_t rel = reinterpret_cast<uint32_t>(target) - (at + 5);
    p[0] = kJumpOpcode;
    memcpy(p + 1, &rel, 4);
}

void Fail(const char* what) {
    fprintf(stderr, "simulated game: %s\n", what);
    fflush(stderr);
    abort();
}

namespace {

// Every routine and virtual operation of the game that the plug-in calls:
// where it lives (a slot of a table, or the game's address) and its
// simulation.
enum class Place { Player, Process, Node, Draw, Address };
struct Callee {
    const char* name;
    Place place;
    uint32_t slotOrAddress;
    void* own;
};
template <typename F> void* Fn(F f) {
    return reinterpret_cast<void*>(f);
}
const Callee kCallees[] = {
    {"IsDead", Place::Player, PlayerSlot::IsDead, Fn(&PlayerIsDead)},
    {"QueryCodedState", Place::Player, PlayerSlot::QueryCodedState, Fn(&PlayerQueryCodedState)},
    {"IsVampireFeeding", Place::Player, PlayerSlot::IsVampireFeeding, Fn(&PlayerIsVampireFeeding)},
    {"QueryShadowState", Place::Player, PlayerSlot::QueryShadowState, Fn(&PlayerQueryShadowState)},
    {"LeftHandItemQuery", Place::Process, ProcessSlot::LeftHandItemQuery,
     Fn(&ProcessLeftHandItemQuery)},
    {"ShieldQuery", Place::Process, ProcessSlot::ShieldQuery, Fn(&ProcessShieldQuery)},
    {"GetFlagWord", Place::Process, ProcessSlot::GetFlagWord, Fn(&ProcessGetFlagWord)},
    {"FindChildByName", Place::Node, SceneNodeSlot::FindChildByName, Fn(&NodeFindChildByName)},
    {"NodeVirtual29", Place::Node, SceneNodeSlot::NodeVirtual29, Fn(&NodeVirtual29Impl)},
    {"Draw", Place::Draw, DrawObjectSlot::Draw, Fn(&DrawImpl)},
    {"UpdateAnimationRecord", Place::Address, LF_ADDR_UPDATE_ANIMATION_RECORD,
     Fn(&SimUpdateAnimationRecord)},
    {"IsIdleAnimAbsent", Place::Address, LF_ADDR_IS_IDLE_ANIM_ABSENT, Fn(&SimIsIdleAnimAbsent)},
    {"PlayerIdleUpdate", Place::Address, LF_ADDR_PLAYER_IDLE_UPDATE, Fn(&SimPlayerIdleUpdate)},
    {"GetInterfaceObject", Place::Address, LF_ADDR_GET_INTERFACE_OBJECT,
     Fn(&SimGetInterfaceObject)},
    {"IsMenuModeActive", Place::Address, LF_ADDR_IS_MENU_MODE_ACTIVE, Fn(&SimIsMenuModeActive)},
    {"IsMenuOpen", Place::Address, LF_ADDR_IS_MENU_OPEN, Fn(&SimIsMenuOpen)},
};
constexpr int kCalleeCount = static_cast<int>(sizeof kCallees / sizeof kCallees[0]);

int g_poppingMore = -1; // the callee that pops 4 bytes more, or none
bool g_isDeadPopsNothing = false;

// What stands at callee i's place now.
void* Standing(int i) {
    void* own = kCallees[i].own;
    if (i == 0 && g_isDeadPopsNothing) {
        own = Fn(&PlayerIsDeadPoppingNothing);
    }
    if (i != g_poppingMore) {
        return own;
    }
    SimPopMoreTarget = own;
    return Fn(&SimPopMoreShim);
}

void** TableOf(Tables& t, Place place) {
    switch (place) {
    case Place::Player:
        return t.player;
    case Place::Process:
        return t.process;
    case Place::Node:
        return t.node;
    case Place::Draw:
        return t.draw;
    case Place::Address:
        break;
    }
    return nullptr;
}

void FillSlots(Tables& t) {
    for (int i = 0; i < kCalleeCount; ++i) {
        if (void** table = TableOf(t, kCallees[i].place)) {
            table[kCallees[i].slotOrAddress] = Standing(i);
        }
    }
}

} // namespace

Tables& VirtualTables() {
    static Tables t = [] {
        Tables x;
        for (void** table : {x.player, x.process, x.node, x.draw, x.collision, x.plain}) {
            for (int i = 0; i < kTableSlots; ++i) {
                table[i] = Fn(&UnexpectedVirtual);
            }
        }
        FillSlots(x);
        x.collision[kCollisionSyncSlot] = Fn(&CollisionSyncImpl);
        return x;
    }();
    return t;
}

void InstallRoutines() {
    for (int i = 0; i < kCalleeCount; ++i) {
        if (kCallees[i].place == Place::Address) {
            WriteJump(kCallees[i].slotOrAddress, Standing(i));
        }
    }
}

int CalleeCount() {
    return kCalleeCount;
}
const char* CalleeName(int index) {
    return kCallees[index].name;
}

void SetCalleePoppingMore(int index) {
    g_poppingMore = index;
    SimPopMoreCalls = 0;
    FillSlots(VirtualTables());
    if (GameExists()) {
        InstallRoutines();
    }
}

uint32_t CallsPoppingMore() {
    return SimPopMoreCalls;
}

void SetIsDeadPopsNothing(bool nothing) {
    g_isDeadPopsNothing = nothing;
    SetCalleePoppingMore(g_poppingMore);
}

} // namespace sim
