#include "tools/sim/replay/replay_world.h"
#include "tools/sim/replay/recording_words.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "game/engine.h"
#include "sim/node_walk.h"

namespace simtool {

namespace {

const char* KindName(World::Kind kind) {
    static const char* const kNames[] = {
        "the player",          "a process",  "an actor",      "a node",
        "an animation record", "a sequence", "a file name",   "a group",
        "a weapon entry",      "a form",     "a draw object", "the interface"};
    return kNames[static_cast<int>(kind)];
}

// The largest object a token's stand-in may be.
constexpr size_t kLargestStandIn = std::max({sizeof(sim::Node), sizeof(sim::AnimRecord),
                                             sizeof(sim::Sequence), sizeof(sim::Weapon),
                                             sizeof(sim::Draw)});

// What the simulated game's objects take.
size_t ObjectBytes(const sim::Game& g) {
    return g.Nodes().size() * sizeof(sim::Node) + g.Records().size() * sizeof(sim::AnimRecord) +
           g.Sequences().size() * sizeof(sim::Sequence) + g.Weapons().size() * sizeof(sim::Weapon) +
           g.DrawObjects().size() * sizeof(sim::Draw);
}

} // namespace

World::World(sim::Game& game) : game_(game), rigBytes_(ObjectBytes(game)) {}

void World::AllowFor(size_t fileBytes) {
    allowance_ = kStandInAllowance + kStandInBytesPerFileByte * fileBytes;
}

size_t World::StandInBytes() const {
    return sim_.size() * kBindingBytes + ObjectBytes(game_) - rigBytes_;
}

bool World::Affords() {
    if (StandInBytes() + kBindingBytes + kLargestStandIn <= allowance_) {
        return true;
    }
    NoteProblemAt(putting_, "the recording names more objects of the game than a file of its "
                            "size holds: their stand-ins would take more than " +
                                std::to_string(allowance_) + " bytes");
    return false;
}

void World::NoteProblemAt(uint32_t at, const std::string& problem) {
    if (problem_.empty()) {
        problem_ = problem;
        problemAt_ = at;
    }
}

void* World::Sim(uint32_t token) const {
    const auto it = sim_.find(token);
    return it != sim_.end() ? it->second.object : nullptr;
}

void World::NoteProblem(uint32_t token, Kind was, Kind now) {
    if (problem_.empty()) {
        char text[160];
        snprintf(text, sizeof text, "object 0x%08X is %s here and %s before", token, KindName(now),
                 KindName(was));
        problem_ = text;
    }
}

uint32_t World::Recorded(const void* p, uint32_t unknown) const {
    if (p == nullptr) {
        return 0;
    }
    const auto it = recorded_.find(p);
    return it != recorded_.end() ? it->second : unknown;
}

SceneNode* World::BindNode(uint32_t token, sim::Node* preferred) {
    return static_cast<SceneNode*>(Bind(token, Kind::Node, preferred, [this] {
        return static_cast<void*>(&game_.NewNode("recorded node", nullptr)->node);
    }));
}

AnimationRecord* World::BindRecord(uint32_t token, sim::AnimRecord* preferred) {
    return static_cast<AnimationRecord*>(Bind(token, Kind::Record, preferred, [this] {
        return static_cast<void*>(&game_.NewRecord(nullptr)->rec);
    }));
}

std::string World::NameOf(uint32_t token) const {
    if (token == 0) {
        return "none";
    }
    const void* p = Sim(token);
    if (p == &game_.bodyRoot->node) {
        return "BodyRoot";
    }
    if (p == &game_.fpRoot->node) {
        return "FirstPersonRoot";
    }
    if (p == &game_.fpMagic->node) {
        return "FirstPersonRoot/magicNode";
    }
    if (p == &game_.player->obj) {
        return "player";
    }
    if (p == &game_.process->obj) {
        return "process";
    }
    if (p == &game_.bodyAnim->rec) {
        return "BodyAnim";
    }
    if (p == &game_.fpAnim->rec) {
        return "FirstPersonAnim";
    }
    for (const sim::Node& n : game_.Nodes()) {
        if (&n.node == p && strcmp(n.name, "recorded node") != 0) {
            return n.name;
        }
    }
    char text[32];
    snprintf(text, sizeof text, "object 0x%08X", token);
    return text;
}

void RecordedGame::NewFrame() {
    blocks_.clear();
    names_.clear();
    weaponBytesDiffered_ = false;
}

void RecordedGame::Take(const RecordedEvent& e) {
    if (e.tag == kEventState) {
        Values& v = Block(e.code, e.a);
        memcpy(v.words + e.b, e.words.data(), 4 * e.words.size());
        v.at = e.offset;
        const uint32_t last = e.b + static_cast<uint32_t>(e.words.size());
        if (e.code == kBlockNode && e.b <= kNodeFirstChild && last > kNodeParent) {
            v.linkAt = e.offset;
        }
    } else if (e.tag == kEventName) {
        names_[e.a] = e.text;
    } else if (e.tag == kEventWrite) {
        TakeWrite(e);
    }
}

void RecordedGame::Put() {
    for (const Values& v : blocks_) {
        if (v.kind == kBlockScalars) {
            world_.PuttingFrom(v.at);
            PutScalars(v.words);
            // Where the logic reads the two bytes: the values it is given.
            if (v.words[kScalarProcess] != 0 &&
                v.words[kScalarWeaponDrawn] != v.words[kScalarByteAfterWeaponDrawn]) {
                weaponBytesDiffered_ = true;
            }
        }
    }
    for (const Values& v : blocks_) {
        world_.PuttingFrom(v.at);
        switch (v.kind) {
        case kBlockRecord:
            PutRecord(v);
            break;
        case kBlockSequence:
            PutSequence(v);
            break;
        case kBlockNode:
            PutNode(v);
            break;
        default:
            break;
        }
    }
}

const Values* RecordedGame::Find(uint8_t kind, uint32_t token) const {
    for (const Values& v : blocks_) {
        if (v.kind == kind && v.token == token) {
            return &v;
        }
    }
    return nullptr;
}

Values& RecordedGame::Block(uint8_t kind, uint32_t token) {
    for (Values& v : blocks_) {
        if (v.kind == kind && v.token == token) {
            return v;
        }
    }
    blocks_.push_back(Values{kind, token, {}, 0, 0});
    return blocks_.back();
}

void RecordedGame::TakeWrite(const RecordedEvent& e) {
    switch (e.code) {
    case kWriteFlags:
        Block(kBlockNode, e.a).words[kNodeFlags] = e.words[0];
        break;
    case kWriteLocalTranslation:
        memcpy(Block(kBlockNode, e.a).words + kNodeLocalTranslation, e.words.data(), 12);
        break;
    case kWriteWorldTranslation:
        memcpy(Block(kBlockNode, e.a).words + kNodeWorldTranslation, e.words.data(), 12);
        break;
    case kWriteThirdPerson:
        Block(kBlockScalars, 0).words[kScalarThirdPerson] = e.words[0];
        break;
    case kWriteChaseDistance:
        Block(kBlockScalars, 0).words[kScalarChaseDistance] = e.words[0];
        break;
    default:
        break;
    }
}

void RecordedGame::PutScalars(const uint32_t* w) {
    PlayerObject* p = static_cast<PlayerObject*>(
        world_.Bind(w[kScalarPlayer], World::Kind::Player, &game_.player->obj,
                    [this] { return static_cast<void*>(&game_.player->obj); }));
    GameGlobal<PlayerObject*>(LF_ADDR_PLAYER_POINTER) = p;
    GameGlobal<uint8_t>(LF_ADDR_CAMERA_DETACHED_BYTE) = static_cast<uint8_t>(w[kScalarDetached]);
    GameGlobal<SceneNode*>(LF_ADDR_CAMERA_NODE_POINTER) =
        world_.BindNode(w[kScalarCameraNode], game_.camera);
    ChaseCameraDistance() = Float(w[kScalarChaseDistance]);
    GameGlobal<float>(LF_ADDR_MENU_GATE_FLOAT) = Float(w[kScalarMenuGate]);
    if (p == nullptr) {
        return;
    }
    p->LookPitch = Float(w[kScalarLookPitch]);
    p->BodyRoot = world_.BindNode(w[kScalarBodyRoot], game_.bodyRoot);
    p->Process = static_cast<ProcessObject*>(
        world_.Bind(w[kScalarProcess], World::Kind::Process, &game_.process->obj,
                    [this] { return static_cast<void*>(&game_.process->obj); }));
    // Only whether there is a mount matters: the rig's horse stands in.
    p->Mount = world_.Bind(w[kScalarMount], World::Kind::Actor, game_.others[1]->object,
                           [this] { return static_cast<void*>(game_.others[1]->object); });
    p->ThirdPerson = static_cast<uint8_t>(w[kScalarThirdPerson]);
    p->FirstPersonAnim = world_.BindRecord(w[kScalarFirstPersonAnim], game_.fpAnim);
    p->FirstPersonRoot = world_.BindNode(w[kScalarFirstPersonRoot], game_.fpRoot);
    p->RestoreBlockA = static_cast<uint8_t>(w[kScalarRestoreBlockA]);
    p->RestoreBlockB = static_cast<uint8_t>(w[kScalarRestoreBlockB]);
    ProcessObject* process = p->Process;
    if (process == nullptr) {
        return;
    }
    sim::Weapon* weapon = static_cast<sim::Weapon*>(
        world_.Bind(w[kScalarEquippedWeapon], World::Kind::Weapon, nullptr,
                    [this] { return static_cast<void*>(game_.NewWeapon(0, 0)); }));
    process->EquippedWeapon = weapon != nullptr ? &weapon->entry : nullptr;
    if (weapon != nullptr) {
        weapon->entry.Form = static_cast<ItemForm*>(
            world_.Bind(w[kScalarWeaponForm], World::Kind::Form, &weapon->form,
                        [this] { return static_cast<void*>(&game_.NewWeapon(0, 0)->form); }));
        if (weapon->entry.Form != nullptr) {
            weapon->entry.Form->FormType = static_cast<uint8_t>(w[kScalarFormType]);
            weapon->entry.Form->WeaponKind = static_cast<int32_t>(w[kScalarWeaponKind]);
        }
    }
    process->WeaponDrawn = static_cast<uint8_t>(w[kScalarWeaponDrawn]);
    process->KnockoutState = static_cast<int8_t>(w[kScalarKnockoutState]);
    process->SitState = static_cast<uint8_t>(w[kScalarSitState]);
    process->BodyAnim = world_.BindRecord(w[kScalarBodyAnim], game_.bodyAnim);
    process->ActionState = static_cast<int16_t>(w[kScalarActionState]);
    process->ByteAfterWeaponDrawn = static_cast<uint8_t>(w[kScalarByteAfterWeaponDrawn]);
}

void RecordedGame::PutRecord(const Values& v) {
    AnimationRecord* r = world_.BindRecord(v.token, nullptr);
    if (r == nullptr) {
        return; // an object of another kind: the replay stops at the frame's end
    }
    const bool body = r == &game_.bodyAnim->rec;
    r->ShieldHolder =
        world_.BindNode(v.words[kRecordShieldHolder], body ? game_.shieldHolder : nullptr);
    r->LeftHandHolder =
        world_.BindNode(v.words[kRecordLeftHandHolder], body ? game_.leftHandHolder : nullptr);
    r->HeadNode = world_.BindNode(v.words[kRecordHeadNode], body ? game_.bodyHead : nullptr);
    for (int slot = 0; slot < kRecordSequenceSlots; ++slot) {
        r->Sequences[slot] = static_cast<AnimSequence*>(
            world_.Bind(v.words[kRecordSequence0 + slot], World::Kind::Sequence, nullptr, [this] {
                return static_cast<void*>(&game_.NewSequence(nullptr, 0)->seq);
            }));
    }
}

void RecordedGame::PutSequence(const Values& v) {
    sim::Sequence* s = reinterpret_cast<sim::Sequence*>(
        world_.Bind(v.token, World::Kind::Sequence, nullptr,
                    [this] { return static_cast<void*>(game_.NewSequence(nullptr, 0)); }));
    if (s == nullptr) {
        return;
    }
    const auto name = names_.find(v.token);
    // The recorded name and group stand for the simulated sequence's own.
    s->seq.FileName = static_cast<const char*>(
        world_.Bind(v.words[kSequenceFileName], World::Kind::FileName, s->fileName,
                    [s] { return static_cast<void*>(s->fileName); }));
    if (s->seq.FileName != nullptr) {
        snprintf(s->fileName, sizeof s->fileName, "%s",
                 name != names_.end() ? name->second.c_str() : "");
    }
    s->seq.GroupInfo = static_cast<AnimGroupInfo*>(
        world_.Bind(v.words[kSequenceGroupInfo], World::Kind::GroupInfo, &s->group,
                    [s] { return static_cast<void*>(&s->group); }));
    s->group.GroupId = static_cast<uint8_t>(v.words[kSequenceGroupId]);
}

void RecordedGame::PutNode(const Values& v) {
    SceneNode* n = world_.BindNode(v.token, nullptr);
    if (n == nullptr) {
        return;
    }
    const uint32_t* w = v.words;
    n->Flags = static_cast<uint16_t>(w[kNodeFlags]);
    // The recorded parent and first child stand for the simulated node's own.
    sim::Node* s = reinterpret_cast<sim::Node*>(n);
    SceneNode* parent = world_.BindNode(w[kNodeParent], reinterpret_cast<sim::Node*>(n->Parent));
    const bool holder = w[kNodeChildCount] != 0;
    SceneNode* child =
        holder ? world_.BindNode(w[kNodeFirstChild],
                                 n->ChildCount != 0 ? reinterpret_cast<sim::Node*>(s->childSlots[0])
                                                    : nullptr)
               : nullptr;
    if (Links(v, n, parent, holder ? child : nullptr)) {
        n->Parent = parent;
        if (holder) {
            s->childSlots[0] = child;
            if (n->ChildCount == 0) {
                n->ChildCount = 1;
            }
        }
    }
    memcpy(&n->LocalTranslation, w + kNodeLocalTranslation, 12);
    Matrix3 rotation;
    Vector3 translation;
    memcpy(&rotation, w + kNodeWorldRotation, 36);
    memcpy(&translation, w + kNodeWorldTranslation, 12);
    sim::Game::PlaceWorld(reinterpret_cast<sim::Node*>(n), rotation, translation,
                          Float(w[kNodeWorldScale]));
}

} // namespace simtool

namespace simtool {

bool RecordedGame::Links(const Values& v, SceneNode* n, SceneNode* parent, SceneNode* child) {
    const std::string name = world_.NameOf(v.token);
    if (parent != n->Parent && parent != nullptr) {
        bool deep = false;
        if (parent == n) {
            world_.NoteProblemAt(v.linkAt, "node " + name + " is its own parent");
            return false;
        }
        if (sim::IsUnder(parent, n, &deep)) {
            world_.NoteProblemAt(v.linkAt, "node " + name + " would be its own ancestor (through " +
                                               world_.NameOf(world_.Recorded(parent, 0)) + ")");
            return false;
        }
        if (deep) {
            world_.NoteProblemAt(v.linkAt, "node " + name + " would hang under more than " +
                                               std::to_string(sim::kMaxNodeDepth) + " parents");
            return false;
        }
    }
    const SceneNode* current = n->ChildCount != 0 ? n->Children[0] : nullptr;
    if (child != current && child != nullptr) {
        if (child == n) {
            world_.NoteProblemAt(v.linkAt, "node " + name + " is its own child");
            return false;
        }
        const sim::WalkEnd end = sim::WalkDown(child, [n](SceneNode* below, SceneNode*, int) {
            return below == n;
        });
        if (end == sim::WalkEnd::Stopped) {
            world_.NoteProblemAt(v.linkAt, "node " + name +
                                               " would be its own descendant (through its child " +
                                               world_.NameOf(world_.Recorded(child, 0)) + ")");
            return false;
        }
        if (end == sim::WalkEnd::Bounded) {
            world_.NoteProblemAt(v.linkAt, "the nodes under node " + name + " would go deeper than " +
                                               std::to_string(sim::kMaxNodeDepth) +
                                               " or number more than " +
                                               std::to_string(sim::kMostWalkedNodes));
            return false;
        }
    }
    return true;
}

} // namespace simtool
