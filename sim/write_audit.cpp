#include "sim/write_audit.h"

#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "platform/platform.h"
#include "sim/game_range.h"

namespace sim {

namespace {

constexpr uint32_t kPageSize = 0x1000;
// The one page of the game's globals that the plug-in writes (the chase
// distance) together with others that it only reads.
constexpr uint32_t kWrittenGlobalsPage = LF_ADDR_CHASE_CAMERA_DISTANCE & ~(kPageSize - 1);

struct FieldName {
    uint32_t offset;
    uint32_t size;
    const char* name;
};
#define LF_AUDIT_FIELD(offset, type, name) {offset, sizeof(type), #name},
const FieldName kPlayerFields[] = {LF_PLAYER_OBJECT_FIELDS(LF_AUDIT_FIELD)};
const FieldName kProcessFields[] = {LF_PROCESS_OBJECT_FIELDS(LF_AUDIT_FIELD)};
const FieldName kRecordFields[] = {LF_ANIMATION_RECORD_FIELDS(LF_AUDIT_FIELD)};
const FieldName kSequenceFields[] = {LF_ANIM_SEQUENCE_FIELDS(LF_AUDIT_FIELD)};
const FieldName kGroupFields[] = {LF_ANIM_GROUP_INFO_FIELDS(LF_AUDIT_FIELD)};
const FieldName kWeaponFields[] = {LF_WEAPON_ENTRY_FIELDS(LF_AUDIT_FIELD)};
const FieldName kFormFields[] = {LF_ITEM_FORM_FIELDS(LF_AUDIT_FIELD)};
const FieldName kNodeFields[] = {LF_SCENE_NODE_FIELDS(LF_AUDIT_FIELD)};
const FieldName kDrawFields[] = {LF_DRAW_OBJECT_FIELDS(LF_AUDIT_FIELD)};
#undef LF_AUDIT_FIELD

// A stretch of an object that the plug-in may change.
struct Allowed {
    uint32_t offset;
    uint32_t size;
};
constexpr Allowed kPlayerWrites[] = {{offsetof(PlayerObject, ThirdPerson), 1}};
constexpr Allowed kNodeWrites[] = {
    {offsetof(SceneNode, LocalRotation), sizeof(Matrix3)},
    {offsetof(SceneNode, LocalTranslation), sizeof(Vector3)},
    {offsetof(SceneNode, LocalScale), sizeof(float)},
    // Flags: bit 0 only, checked on its own. World fields: as the game's
    // own update left them, checked on their own.
    {offsetof(SceneNode, Flags), sizeof(uint16_t)},
    {offsetof(SceneNode, WorldRotation), sizeof(Matrix3)},
    {offsetof(SceneNode, WorldTranslation), sizeof(Vector3)},
    {offsetof(SceneNode, WorldScale), sizeof(float)},
};
// The other pages of globals that the game's own changes between two sites
// write (the menu gate, the player pointer).
constexpr uint32_t kChangedGlobalsPages[] = {LF_ADDR_MENU_GATE_FLOAT & ~(kPageSize - 1),
                                             LF_ADDR_PLAYER_POINTER & ~(kPageSize - 1)};
constexpr Allowed kGlobalsWrites[] = {
    {LF_ADDR_CHASE_CAMERA_DISTANCE - kWrittenGlobalsPage, sizeof(float)}};

// One stretch of the game's memory: what it is, what may change in it, and
// the names of its fields.
struct Region {
    const char* kind;
    const char* name;
    const void* bytes;
    size_t size;
    const Allowed* allowed;
    size_t allowedCount;
    const FieldName* fields;
    size_t fieldCount;
};

template <size_t A, size_t F>
Region Make(const char* kind, const char* name, const void* bytes, size_t size,
            const Allowed (&allowed)[A], const FieldName (&fields)[F]) {
    return {kind, name, bytes, size, allowed, A, fields, F};
}
template <size_t F>
Region Make(const char* kind, const char* name, const void* bytes, size_t size,
            const FieldName (&fields)[F]) {
    return {kind, name, bytes, size, nullptr, 0, fields, F};
}
Region Plain(const char* kind, const char* name, const void* bytes, size_t size) {
    return {kind, name, bytes, size, nullptr, 0, nullptr, 0};
}

bool IsAllowed(const Region& r, uint32_t offset) {
    for (size_t i = 0; i < r.allowedCount; ++i) {
        if (offset >= r.allowed[i].offset && offset < r.allowed[i].offset + r.allowed[i].size) {
            return true;
        }
    }
    return false;
}

// The field that holds byte `offset`, for a readable report.
std::string FieldAt(const Region& r, uint32_t offset) {
    for (size_t i = 0; i < r.fieldCount; ++i) {
        if (offset >= r.fields[i].offset && offset < r.fields[i].offset + r.fields[i].size) {
            return r.fields[i].name;
        }
    }
    if (offset < sizeof(void*) && r.fieldCount > 0) {
        return "its table of virtual operations";
    }
    char text[32];
    snprintf(text, sizeof text, "the byte at +0x%03X", offset);
    return text;
}

// Every stretch of the game's memory that a frame may not change freely, in
// a fixed order.
template <typename Visit> void ForEachRegion(const Game& g, Visit visit) {
    visit(Make("PlayerObject", "", &g.player->obj, sizeof(PlayerObject), kPlayerWrites,
               kPlayerFields));
    visit(Make("ProcessObject", "", &g.process->obj, sizeof(ProcessObject), kProcessFields));
    for (const Node& n : g.Nodes()) {
        visit(Make("SceneNode", n.name, &n.node, sizeof(SceneNode), kNodeWrites, kNodeFields));
        visit(Plain("the children of", n.name, n.childSlots, sizeof n.childSlots));
    }
    for (const AnimRecord& r : g.Records()) {
        visit(Make("AnimationRecord", "", &r.rec, sizeof(AnimationRecord), kRecordFields));
    }
    for (const Sequence& s : g.Sequences()) {
        visit(Make("AnimSequence", s.fileName, &s.seq, sizeof(AnimSequence), kSequenceFields));
        visit(Make("AnimGroupInfo", s.fileName, &s.group, sizeof(AnimGroupInfo), kGroupFields));
        visit(Plain("the file name of", s.fileName, s.fileName, sizeof s.fileName));
    }
    for (const Weapon& w : g.Weapons()) {
        visit(Make("WeaponEntry", "", &w.entry, sizeof(WeaponEntry), kWeaponFields));
        visit(Make("ItemForm", "", &w.form, sizeof(ItemForm), kFormFields));
    }
    for (const Draw& d : g.DrawObjects()) {
        visit(Make("DrawObject", "", &d.obj, sizeof(DrawObject), kDrawFields));
    }
    for (const Actor& a : g.Actors()) {
        visit(Plain("another actor", "", a.object, sizeof a.object));
    }
    visit(Plain("the interface object", "", g.interface, sizeof(Interface)));
    Region globals = Plain("the game's globals", "",
                           reinterpret_cast<const void*>(kWrittenGlobalsPage), kPageSize);
    globals.allowed = kGlobalsWrites;
    globals.allowedCount = 1;
    visit(globals);
}

std::string Named(const char* kind, const char* name) {
    return name[0] != '\0' ? std::string(kind) + " \"" + name + "\"" : std::string(kind);
}

bool Finite(const float* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (!isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

// The node's world fields as the game's own update left them, and its
// written floats finite.
void CheckNode(const Game& g, const Node& n, std::vector<std::string>* problems) {
    const std::string who = Named("SceneNode", n.name);
    const SceneNode& s = n.node;
    if (memcmp(&s.WorldRotation, &n.gameWorldRotation, sizeof(Matrix3)) != 0 ||
        memcmp(&s.WorldScale, &n.gameWorldScale, sizeof(float)) != 0) {
        problems->push_back(who + ": a world rotation or scale not of the game's update");
    }
    if (&n != g.bodyMagic &&
        memcmp(&s.WorldTranslation, &n.gameWorldTranslation, sizeof(Vector3)) != 0) {
        problems->push_back(who + ": a world translation not of the game's update");
    }
    if (!Finite(&s.LocalRotation.m[0][0], 9) || !Finite(&s.LocalTranslation.x, 3) ||
        !Finite(&s.LocalScale, 1) || !Finite(&s.WorldTranslation.x, 3)) {
        problems->push_back(who + ": a written float is not finite");
    }
}

} // namespace

void WriteAudit::Copy(const Game& game) {
    copy_.clear();
    ForEachRegion(game, [this](const Region& r) {
        const uint8_t* bytes = static_cast<const uint8_t*>(r.bytes);
        copy_.insert(copy_.end(), bytes, bytes + r.size);
    });
}

void WriteAudit::Begin(const Game& game) {
    Copy(game);
    uint32_t old = 0;
    PlatformProtect(GameRangeStart(), LF_GAME_RANGE_END - GameRangeStart(), kPageExecuteRead, &old);
    PlatformProtect(kWrittenGlobalsPage, kPageSize, kPageReadWrite, &old);
}

std::vector<std::string> WriteAudit::Finish(const Game& game) {
    UnprotectGameRange();
    return Compare(game);
}

std::vector<std::string> WriteAudit::Pause(const Game& game) {
    std::vector<std::string> problems = Compare(game);
    uint32_t old = 0;
    for (uint32_t page : kChangedGlobalsPages) {
        PlatformProtect(page, kPageSize, kPageReadWrite, &old);
    }
    return problems;
}

void WriteAudit::Resume(const Game& game) {
    uint32_t old = 0;
    for (uint32_t page : kChangedGlobalsPages) {
        PlatformProtect(page, kPageSize, kPageExecuteRead, &old);
    }
    Copy(game);
}

std::vector<std::string> WriteAudit::Compare(const Game& game) {
    std::vector<std::string> problems;
    size_t at = 0;
    ForEachRegion(game, [&](const Region& r) {
        const uint8_t* now = static_cast<const uint8_t*>(r.bytes);
        const uint8_t* before = copy_.data() + at;
        at += r.size;
        if (memcmp(now, before, r.size) == 0) {
            return;
        }
        for (uint32_t i = 0; i < r.size; ++i) {
            if (now[i] != before[i] && !IsAllowed(r, i)) {
                problems.push_back(Named(r.kind, r.name) + ": " + FieldAt(r, i) +
                                   " changed, which the plug-in never writes");
                return;
            }
        }
        if (r.allowed == kNodeWrites) {
            uint16_t flagsNow, flagsBefore;
            const uint32_t flags = offsetof(SceneNode, Flags);
            memcpy(&flagsNow, now + flags, 2);
            memcpy(&flagsBefore, before + flags, 2);
            if (((flagsNow ^ flagsBefore) & ~kNodeHiddenBit) != 0) {
                problems.push_back(Named(r.kind, r.name) + ": Flags bits other than bit 0 changed");
            }
        }
    });
    for (const Node& n : game.Nodes()) {
        CheckNode(game, n, &problems);
    }
    if (!isfinite(ChaseCameraDistance())) {
        problems.push_back("the chase distance is not finite");
    }
    return problems;
}

} // namespace sim
