#include "sim/sim_game.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <iterator>
#include <vector>

#include "sim/frame_driver.h"
#include "sim/game_range.h"
#include "sim/game_routines.h"
#include "sim/rig.h"

namespace sim {

namespace {

Game* g_current = nullptr;

// The code part of the range is filled with int3, so that a stray jump into
// code the simulation did not place traps at once; the data part with zeros.
constexpr uint32_t kDataBegin = 0x00A00000;
constexpr uint8_t kTrapByte = 0xCC;
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

bool GameExists() {
    return g_current != nullptr;
}

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
    GameGlobal<float>(kSimDeathChaseDistanceAddress) = kSimDeathChaseDistance;
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
    NewCollision(root);
    a->record = NewRecord(root);
    return a;
}

Collision* Game::NewCollision(Node* node) {
    collisions_.emplace_back();
    Collision* c = &collisions_.back();
    memset(c, 0, sizeof *c);
    c->vtable = VirtualTables().collision;
    c->node = node;
    c->rotation = node->node.WorldRotation;
    c->translation = node->node.WorldTranslation;
    c->scale = node->node.WorldScale;
    node->collision = c;
    node->node.CollisionObject = c;
    return c;
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
    ComposeWorld(s);
    // The game's world update of a node ends at the extra-update branch:
    // whether its collision object follows the node.
    if (GameExists() && Current().frameOrder == FrameOrder::Game && Current().passUpdateSites) {
        PassCollisionSite(s);
    }
}

void Game::ComposeWorld(Node* s) {
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
    // The game's own placement of the node: its collision object follows.
    if (Collision* c = node->collision) {
        c->rotation = rotation;
        c->translation = translation;
        c->scale = scale;
        node->collisionBehind = false;
        node->behindSinceExtraUpdate = false;
    }
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
    bodyBones = BuildSkeleton(bodyRoot, kBodyBones, kBodyBoneCount);
    bodyNeck = bodyBones[kBoneNeck];
    bodyHead = bodyBones[kBoneHead];
    lClavicle = bodyBones[kBoneLeftClavicle];
    lHand = bodyBones[kBoneLeftHand];
    rClavicle = bodyBones[kBoneRightClavicle];
    rHand = bodyBones[kBoneRightHand];
    bodyMagic = bodyBones[kBoneMagicNode];
    shieldHolder = bodyBones[kBoneShieldSlot];
    shield = bodyBones[kBoneShield];
    leftHandHolder = bodyBones[kBoneLeftHandItemSlot];
    leftHandItem = bodyBones[kBoneTorch];

    for (int bone : kCollidingBodyBones) {
        NewCollision(bodyBones[bone]);
    }

    fpRoot = NewNode(kFirstPersonRootName, world);
    const std::vector<Node*> fpBones =
        BuildSkeleton(fpRoot, kFirstPersonBones, static_cast<int>(std::size(kFirstPersonBones)));
    fpMagic = fpBones[2];
    NewCollision(fpBones[1]);

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

Matrix3 RotationY(float a) {
    const float c = static_cast<float>(cos(a)), s = static_cast<float>(sin(a));
    return Matrix3{{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
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
    } else if (routines[which] == Routine::CameraSwitchRoutine && g.inGameFrame) {
        // The game's switch routine runs the camera update and the body's
        // visibility switch inside it.
        sim::SwitchRoutine(g, g.switchToFirstPerson);
    }
    if (const auto& hook = g.onCall[static_cast<int>(routines[which])]) {
        sim::CallRecord c = {};
        c.routine = routines[which];
        hook(c);
    }
}
