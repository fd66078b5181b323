#include "sim/sim_game.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <iterator>
#include <vector>

#include "sim/game_range.h"
#include "sim/rig.h"

namespace sim {

namespace {

Game* g_current = nullptr;

// The code part of the range is filled with int3, so that a stray jump into
// code the simulation did not place traps at once; the data part with zeros.
constexpr uint32_t kDataBegin = 0x00A00000;
constexpr uint8_t kTrapByte = 0xCC;
constexpr uint8_t kJumpOpcode = 0xE9;
constexpr int kTableSlots = 256;

template <typename T> T* As(const void* p) {
    return reinterpret_cast<T*>(const_cast<void*>(p));
}

void WriteJump(uint32_t at, const void* target) {
    uint8_t* p = reinterpret_cast<uint8_t*>(at);
    const uint32_t rel = reinterpret_cast<uint32_t>(target) - (at + 5);
    p[0] = kJumpOpcode;
    memcpy(p + 1, &rel, 4);
}

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "simulated game: %s\n", what);
    fflush(stderr);
    abort();
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

// Poses the record's skeleton: world fields from the local ones (in a
// replay, what the script says the game changed).
void LF_THISCALL SimUpdateAnimationRecord(AnimationRecord* r) {
    const CallRecord* logged = Current().Log(Routine::UpdateAnimationRecord, r, 0, 0);
    AnimRecord* a = reinterpret_cast<AnimRecord*>(r);
    if (Script* s = Current().script) {
        s->Changed(kCallUpdateAnimationRecord, r);
    } else if (a->skeleton != nullptr) {
        Game::UpdateTree(&a->skeleton->node);
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

uint8_t LF_THISCALL PlayerIsDead(void* self) {
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

SceneNode* FindInSubtree(SceneNode* n, const char* name) {
    if (!As<Node>(n)->unfindable && strcmp(As<Node>(n)->name, name) == 0) {
        return n;
    }
    for (int i = 0; i < n->ChildCount; ++i) {
        if (n->Children[i] != nullptr) {
            if (SceneNode* found = FindInSubtree(n->Children[i], name)) {
                return found;
            }
        }
    }
    return nullptr;
}
SceneNode* LF_THISCALL NodeFindChildByName(void* self, const char* name) {
    SceneNode* own = FindInSubtree(As<SceneNode>(self), name);
    Script* s = Current().script;
    return s != nullptr ? s->Found(As<SceneNode>(self), name, own) : own;
}
void LF_THISCALL NodeVirtual29Impl(void* self) {
    As<Node>(self)->virtual29Calls++;
    if (Script* s = Current().script) {
        s->Changed(kCallNodeVirtual29, self);
    }
}

uint8_t LF_THISCALL DrawImpl(void* self) {
    Current().LogDraw(As<DrawObject>(self));
    return static_cast<uint8_t>(Answer(kCallDraw, self, 0, As<Draw>(self)->result));
}

struct Tables {
    void* player[kTableSlots];
    void* process[kTableSlots];
    void* node[kTableSlots];
    void* draw[kTableSlots];
    void* plain[kTableSlots];
};

Tables& VirtualTables() {
    static Tables t = [] {
        Tables x;
        for (void** table : {x.player, x.process, x.node, x.draw, x.plain}) {
            for (int i = 0; i < kTableSlots; ++i) {
                table[i] = reinterpret_cast<void*>(&UnexpectedVirtual);
            }
        }
        x.player[PlayerSlot::IsDead] = reinterpret_cast<void*>(&PlayerIsDead);
        x.player[PlayerSlot::QueryCodedState] = reinterpret_cast<void*>(&PlayerQueryCodedState);
        x.player[PlayerSlot::IsVampireFeeding] = reinterpret_cast<void*>(&PlayerIsVampireFeeding);
        x.player[PlayerSlot::QueryShadowState] = reinterpret_cast<void*>(&PlayerQueryShadowState);
        x.process[ProcessSlot::LeftHandItemQuery] =
            reinterpret_cast<void*>(&ProcessLeftHandItemQuery);
        x.process[ProcessSlot::ShieldQuery] = reinterpret_cast<void*>(&ProcessShieldQuery);
        x.process[ProcessSlot::GetFlagWord] = reinterpret_cast<void*>(&ProcessGetFlagWord);
        x.node[SceneNodeSlot::FindChildByName] = reinterpret_cast<void*>(&NodeFindChildByName);
        x.node[SceneNodeSlot::NodeVirtual29] = reinterpret_cast<void*>(&NodeVirtual29Impl);
        x.draw[DrawObjectSlot::Draw] = reinterpret_cast<void*>(&DrawImpl);
        return x;
    }();
    return t;
}

void InstallRoutines() {
    WriteJump(LF_ADDR_UPDATE_ANIMATION_RECORD, reinterpret_cast<void*>(&SimUpdateAnimationRecord));
    WriteJump(LF_ADDR_IS_IDLE_ANIM_ABSENT, reinterpret_cast<void*>(&SimIsIdleAnimAbsent));
    WriteJump(LF_ADDR_PLAYER_IDLE_UPDATE, reinterpret_cast<void*>(&SimPlayerIdleUpdate));
    WriteJump(LF_ADDR_GET_INTERFACE_OBJECT, reinterpret_cast<void*>(&SimGetInterfaceObject));
    WriteJump(LF_ADDR_IS_MENU_MODE_ACTIVE, reinterpret_cast<void*>(&SimIsMenuModeActive));
    WriteJump(LF_ADDR_IS_MENU_OPEN, reinterpret_cast<void*>(&SimIsMenuOpen));
}

void InitNode(Node* n, const char* name) {
    memset(n, 0, sizeof *n);
    n->node.Vtable = VirtualTables().node;
    snprintf(n->name, sizeof n->name, "%s", name);
    n->node.LocalRotation = Identity();
    n->node.WorldRotation = Identity();
    n->node.LocalScale = 1.0f;
    n->node.WorldScale = 1.0f;
    n->node.Children = n->childSlots;
    n->gameWorldRotation = n->node.WorldRotation;
    n->gameWorldScale = 1.0f;
}

// The world fields as the game writes them: the node's own, and the copy
// that tells the game's writes from others'.
void SetGameWorld(Node* n, const Matrix3& rotation, const Vector3& translation, float scale) {
    n->node.WorldRotation = rotation;
    n->node.WorldTranslation = translation;
    n->node.WorldScale = scale;
    n->gameWorldRotation = rotation;
    n->gameWorldTranslation = translation;
    n->gameWorldScale = scale;
}

} // namespace

Game& Current() {
    if (g_current == nullptr) {
        Fail("a game routine ran while no simulated game exists");
    }
    return *g_current;
}

Game::Game() {
    if (g_current != nullptr) {
        Fail("only one simulated game may exist at a time");
    }
    MapGameRange();
    UnprotectGameRange();
    const uint32_t begin = GameRangeStart();
    memset(reinterpret_cast<void*>(begin), kTrapByte, kDataBegin - begin);
    memset(reinterpret_cast<void*>(kDataBegin), 0, LF_GAME_RANGE_END - kDataBegin);
    g_current = this;
    InstallRoutines();
    InstallGameCode();
    BuildRig();
}

Game::~Game() {
    g_current = nullptr;
}

Node* Game::NewNode(const char* name, Node* parent, Vector3 translation) {
    nodes_.emplace_back();
    Node* n = &nodes_.back();
    InitNode(n, name);
    n->node.LocalTranslation = translation;
    if (parent != nullptr) {
        if (parent->node.ChildCount >= kMaxChildren) {
            Fail("too many children for one node");
        }
        parent->childSlots[parent->node.ChildCount++] = &n->node;
        n->node.Parent = &parent->node;
    }
    return n;
}

AnimRecord* Game::NewRecord(Node* skeleton) {
    records_.emplace_back();
    AnimRecord* r = &records_.back();
    memset(r, 0, sizeof *r);
    r->rec.Vtable = VirtualTables().plain;
    r->skeleton = skeleton;
    r->idleAbsentResult = 1;
    return r;
}

Sequence* Game::NewSequence(const char* fileName, uint8_t groupId) {
    sequences_.emplace_back();
    Sequence* s = &sequences_.back();
    memset(s, 0, sizeof *s);
    s->seq.Vtable = VirtualTables().plain;
    s->group.Vtable = VirtualTables().plain;
    s->group.GroupId = groupId;
    s->seq.GroupInfo = &s->group;
    if (fileName != nullptr) {
        snprintf(s->fileName, sizeof s->fileName, "%s", fileName);
        s->seq.FileName = s->fileName;
    }
    return s;
}

Weapon* Game::NewWeapon(uint8_t formType, int32_t weaponKind) {
    weapons_.emplace_back();
    Weapon* w = &weapons_.back();
    memset(w, 0, sizeof *w);
    w->entry.Vtable = VirtualTables().plain;
    w->form.Vtable = VirtualTables().plain;
    w->entry.Form = &w->form;
    w->form.FormType = formType;
    w->form.WeaponKind = weaponKind;
    return w;
}

Draw* Game::NewDraw(void* owner) {
    drawObjects_.emplace_back();
    Draw* d = &drawObjects_.back();
    memset(d, 0, sizeof *d);
    d->obj.Vtable = VirtualTables().draw;
    d->obj.Owner = owner;
    d->result = 1;
    return d;
}

Actor* Game::NewActor(const char* rootName) {
    actors_.emplace_back();
    Actor* a = &actors_.back();
    memset(a, 0, sizeof *a);
    Node* root = NewNode(rootName, world, {200, 0, 0});
    NewNode("Bip01 Head", root, {0, 0, 120});
    a->record = NewRecord(root);
    return a;
}

void Game::Play(AnimRecord* record, int slot, Sequence* sequence) {
    record->rec.Sequences[slot] = sequence != nullptr ? &sequence->seq : nullptr;
}

Sequence* Game::Play(AnimRecord* record, int slot, const char* fileName, uint8_t groupId) {
    Sequence* s = NewSequence(fileName, groupId);
    Play(record, slot, s);
    return s;
}

void Game::DeriveWorld(Node* s) {
    const SceneNode* n = &s->node;
    const SceneNode* p = n->Parent;
    if (p == nullptr) {
        SetGameWorld(s, n->LocalRotation, n->LocalTranslation, n->LocalScale);
        return;
    }
    // world = parent.world composed with local: R = Rp Rl,
    // T = Tp + sp (Rp Tl), s = sp sl.
    Matrix3 rotation;
    Vector3 translation;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k) {
                sum += p->WorldRotation.m[i][k] * n->LocalRotation.m[k][j];
            }
            rotation.m[i][j] = sum;
        }
        const Vector3& lt = n->LocalTranslation;
        const float turned = p->WorldRotation.m[i][0] * lt.x + p->WorldRotation.m[i][1] * lt.y +
                             p->WorldRotation.m[i][2] * lt.z;
        Component(translation, i) = Component(p->WorldTranslation, i) + p->WorldScale * turned;
    }
    SetGameWorld(s, rotation, translation, p->WorldScale * n->LocalScale);
}

void Game::UpdateTree(SceneNode* n) {
    Node* s = reinterpret_cast<Node*>(n);
    if (!s->frozen) {
        DeriveWorld(s);
    }
    for (int i = 0; i < n->ChildCount; ++i) {
        if (n->Children[i] != nullptr) {
            UpdateTree(n->Children[i]);
        }
    }
}

void Game::Freeze(Node* node, Vector3 translation, const Matrix3& rotation, float scale) {
    node->frozen = true;
    SetGameWorld(node, rotation, translation, scale);
}

void Game::PlaceWorld(Node* node, const Matrix3& rotation, const Vector3& translation,
                      float scale) {
    SetGameWorld(node, rotation, translation, scale);
}

void Game::PlaceRoots() {
    bodyRoot->node.LocalTranslation = bodyPlacement;
    fpRoot->node.LocalTranslation = firstPersonPlacement;
    camera->node.LocalTranslation = cameraPlacement;
    camera->node.LocalRotation = cameraRotationPlacement;
    UpdateScene();
}

void Game::SetMissing(uint32_t mask) {
    missing_ = mask;
    auto keep = [mask](uint32_t bit) { return (mask & bit) == 0; };
    GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER) =
        keep(kMissingPlayer) ? &player->obj : nullptr;
    GameGlobal<SceneNode*>(LF_ADDR_CAMERA_NODE_POINTER) =
        keep(kMissingCamera) ? &camera->node : nullptr;
    player->obj.Process = keep(kMissingProcess) ? &process->obj : nullptr;
    player->obj.BodyRoot = keep(kMissingBodyRoot) ? &bodyRoot->node : nullptr;
    player->obj.FirstPersonRoot = keep(kMissingFirstPersonRoot) ? &fpRoot->node : nullptr;
    player->obj.FirstPersonAnim = keep(kMissingFirstPersonAnim) ? &fpAnim->rec : nullptr;
    process->obj.BodyAnim = keep(kMissingBodyAnim) ? &bodyAnim->rec : nullptr;
    bodyAnim->rec.HeadNode = keep(kMissingHeadNode) ? &bodyHead->node : nullptr;
    bodyHead->unfindable = !keep(kMissingHeadBone);
    bodyMagic->unfindable = !keep(kMissingMagicBone);
    fpMagic->unfindable = !keep(kMissingFirstPersonMagicBone);
    lHand->unfindable = !keep(kMissingLeftHandBone);
    rHand->unfindable = !keep(kMissingRightHandBone);
    lClavicle->unfindable = !keep(kMissingLeftClavicleBone);
    rClavicle->unfindable = !keep(kMissingRightClavicleBone);
}

void Game::SetCameraDetached(uint8_t value) {
    GameGlobal<uint8_t>(LF_ADDR_CAMERA_DETACHED_BYTE) = value;
}

void Game::SetMenuGate(float value) {
    GameGlobal<float>(LF_ADDR_MENU_GATE_FLOAT) = value;
}

const CallRecord* Game::CallOf(Routine r, int i) const {
    for (int k = 0; k < logged_; ++k) {
        if (log_[k].routine == r && i-- == 0) {
            return &log_[k];
        }
    }
    return nullptr;
}

void Game::ClearCalls() {
    logged_ = 0;
    drawsLogged_ = 0;
    for (int& c : callCounts_) {
        c = 0;
    }
}

CallRecord* Game::Log(Routine r, const void* receiver, uint32_t a0, uint32_t a1) {
    callCounts_[static_cast<int>(r)]++;
    if (logged_ >= kLogCapacity) {
        return nullptr; // the counts go on; the log keeps the first calls
    }
    CallRecord& c = log_[logged_++];
    c.routine = r;
    c.receiver = receiver;
    c.args[0] = a0;
    c.args[1] = a1;
    const PlayerObject* p = PlayerPointer();
    c.thirdPerson = p != nullptr ? p->ThirdPerson : 0;
    c.bodyRootFlags = p != nullptr && p->BodyRoot != nullptr ? p->BodyRoot->Flags : 0;
    memset(c.registers, 0, sizeof c.registers);
    for (int i = 0; i < kWatchedWords; ++i) {
        c.watched[i] = watched_[i] != nullptr ? *static_cast<const uint32_t*>(watched_[i]) : 0;
    }
    return &c;
}

void Game::LogDraw(const DrawObject* object) {
    if (drawsLogged_ >= kLogCapacity) {
        return;
    }
    DrawSeen& d = draws_[drawsLogged_++];
    d.object = object;
    d.bodyRootFlags = bodyRoot->node.Flags;
    d.firstPersonRootFlags = fpRoot->node.Flags;
    d.headWorldScale = bodyHead->node.WorldScale;
}

// Builds one skeleton from its table under `root`; returns the nodes in
// table order.
std::vector<Node*> Game::BuildSkeleton(Node* root, const RigBone* bones, int count) {
    std::vector<Node*> made;
    for (int i = 0; i < count; ++i) {
        Node* parent = bones[i].parent < 0 ? root : made[bones[i].parent];
        made.push_back(NewNode(bones[i].name, parent, bones[i].at));
        made.back()->node.LocalRotation = bones[i].turn;
    }
    return made;
}

void Game::BuildRig() {
    world = NewNode("SceneRoot", nullptr);

    bodyRoot = NewNode(kBodyRootName, world);
    const std::vector<Node*> body =
        BuildSkeleton(bodyRoot, kBodyBones, static_cast<int>(std::size(kBodyBones)));
    bodyNeck = body[3];
    bodyHead = body[4];
    lClavicle = body[5];
    lHand = body[7];
    rClavicle = body[8];
    rHand = body[10];
    bodyMagic = body[11];
    shieldHolder = body[12];
    shield = body[13];
    leftHandHolder = body[14];
    leftHandItem = body[15];

    fpRoot = NewNode(kFirstPersonRootName, world);
    fpMagic =
        BuildSkeleton(fpRoot, kFirstPersonBones, static_cast<int>(std::size(kFirstPersonBones)))[2];

    camera = NewNode("Camera", world, kCameraStart);

    bodyAnim = NewRecord(bodyRoot);
    bodyAnim->rec.HeadNode = &bodyHead->node;
    bodyAnim->rec.ShieldHolder = &shieldHolder->node;
    bodyAnim->rec.LeftHandHolder = &leftHandHolder->node;
    fpAnim = NewRecord(fpRoot);

    memset(&processStore_, 0, sizeof processStore_);
    process = &processStore_;
    process->obj.Vtable = VirtualTables().process;
    process->obj.BodyAnim = &bodyAnim->rec;

    memset(&playerStore_, 0, sizeof playerStore_);
    player = &playerStore_;
    player->obj.Vtable = VirtualTables().player;
    player->obj.BodyRoot = &bodyRoot->node;
    player->obj.FirstPersonRoot = &fpRoot->node;
    player->obj.Process = &process->obj;
    player->obj.FirstPersonAnim = &fpAnim->rec;

    memset(&interfaceStore_, 0, sizeof interfaceStore_);
    interface = &interfaceStore_;

    for (int i = 0; i < 2; ++i) {
        others[i] = NewActor(i == 0 ? "Guard" : "Horse");
        playerDraws[i] = NewDraw(&player->obj);
        otherDraws[i] = NewDraw(others[i]->object);
    }

    GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER) = &player->obj;
    GameGlobal<SceneNode*>(LF_ADDR_CAMERA_NODE_POINTER) = &camera->node;
    UpdateScene();
}

Matrix3 Identity() {
    return Matrix3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

Matrix3 RotationX(float a) {
    const float c = static_cast<float>(cos(a)), s = static_cast<float>(sin(a));
    return Matrix3{{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
}

Matrix3 RotationZ(float a) {
    const float c = static_cast<float>(cos(a)), s = static_cast<float>(sin(a));
    return Matrix3{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

} // namespace sim

// Called by the replayed routines with the registers they received, in the
// order PUSHAD leaves them (EDI first).
extern "C" void SimReplayedEnter(int which, const uint32_t* pushed) {
    using sim::Routine;
    static const Routine routines[3] = {Routine::FrameStartRoutine, Routine::CameraSwitchRoutine,
                                        Routine::ScenePassRoutine};
    sim::Game& g = sim::Current();
    if (sim::CallRecord* c =
            g.Log(routines[which], reinterpret_cast<const void*>(pushed[6]), 0, 0)) {
        for (int i = 0; i < 8; ++i) {
            c->registers[i] = pushed[7 - i];
        }
    }
    if (g.script != nullptr) {
        g.script->GameRan(routines[which]);
    }
    if (const auto& hook = g.onCall[static_cast<int>(routines[which])]) {
        sim::CallRecord c = {};
        c.routine = routines[which];
        hook(c);
    }
}
