#include "record/game_notes.h"

#include <string.h>

#include "game/engine.h"
#include "record/frame_ring.h"

// The recorder runs in every frame: its copies and comparisons stay in line
// (a call into the C library for each noted value would cost more than the
// note itself).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-loop-distribute-patterns")
#endif

namespace {

// A block of game values by its kind and token, with its words as last noted.
struct Block {
    uint8_t kind;
    uint32_t token;
    uint32_t words[Padded(kMaxBlockWords)];
};
static_assert(sizeof(SequenceSlots) == kRecordSequenceSlots * sizeof(AnimSequence*),
              "a record's slots, each in the file");
constexpr int kMaxBlocks = 96;
Block g_blocks[kMaxBlocks];
int g_blockCount = 0;
// The blocks by kind and token: an open-addressed table of block numbers
// (plus one; 0 is an empty slot), emptied at each frame start. Twice the
// power of two above kMaxBlocks keeps the probes short.
constexpr uint32_t kBlockSlots = 256;
static_assert(kBlockSlots >= 2 * kMaxBlocks && (kBlockSlots & (kBlockSlots - 1)) == 0,
              "a power of two with room to spare");
uint8_t g_blockSlots[kBlockSlots];
const uint8_t kBlockWords[kBlockKindCount] = {kScalarWords, kRecordWords, kSequenceWords,
                                              kNodeWords};
// The entry's own objects: the camera and the record the site handed over,
// and the nodes the logic found by name (with their parents).
const SceneNode* g_entryCamera = nullptr;
const AnimationRecord* g_entryRecord = nullptr;
constexpr int kMaxFound = 24;
const SceneNode* g_found[kMaxFound];
int g_foundCount = 0;
int g_omitKind = -1, g_omitWord = -1;
bool g_omitOnlyChanges = false;

uint32_t SlotOf(uint8_t kind, uint32_t token) {
    // Objects lie at least 4 bytes apart; a multiplicative hash spreads them.
    return (((token >> 2) ^ kind) * 0x9E3779B1u) >> 24;
}
static_assert(kBlockSlots == 256, "SlotOf gives 8 bits");

// The block noted for this kind and token in this frame, or nullptr; with
// `slot` the table's slot where it is or would go.
inline __attribute__((always_inline)) Block* FindBlock(uint8_t kind, uint32_t token,
                                                       uint32_t* slot = nullptr) {
    uint32_t i = SlotOf(kind, token);
    while (g_blockSlots[i] != 0) {
        Block* b = &g_blocks[g_blockSlots[i] - 1];
        if (b->token == token && b->kind == kind) {
            break;
        }
        i = (i + 1) & (kBlockSlots - 1);
    }
    if (slot != nullptr) {
        *slot = i;
    }
    return g_blockSlots[i] != 0 ? &g_blocks[g_blockSlots[i] - 1] : nullptr;
}

// Notes the words of a block that changed since this frame last noted it
// (all of them, the first time); returns a mask of the words noted.
__attribute__((noinline)) uint32_t NoteChangedBlock(Block* b, uint32_t slot, uint8_t kind,
                                                    uint32_t token, uint32_t* now) {
    const int count = kBlockWords[kind];
    const bool omit = kind == g_omitKind && (b != nullptr || !g_omitOnlyChanges);
    const bool isNew = b == nullptr;
    uint32_t changed = 0;
    if (b == nullptr) {
        if (g_blockCount == kMaxBlocks) {
            OpenFrame.cut = true; // more objects than a frame keeps: cut short
            return 0;
        }
        g_blockSlots[slot] = static_cast<uint8_t>(g_blockCount + 1);
        b = &g_blocks[g_blockCount++];
        b->kind = kind;
        b->token = token;
        changed = (1u << count) - 1;
    } else {
        for (int i = 0; i < count; ++i) {
            if (b->words[i] != now[i]) {
                changed |= 1u << i;
            }
        }
    }
    if (omit) {
        // A recorder that misses this value: never noted, nor kept (a new
        // block keeps 0 for it).
        now[g_omitWord] = isNew ? 0 : b->words[g_omitWord];
        changed &= ~(1u << g_omitWord);
    }
    // One STATE event per run of changed words.
    for (int i = 0; i < count;) {
        if ((changed & (1u << i)) == 0) {
            ++i;
            continue;
        }
        int end = i;
        while (end < count && (changed & (1u << end)) != 0) {
            ++end;
        }
        Event(kEventState).Byte(kind).Word(token).Byte(i).Byte(end - i).Words(now + i, end - i);
        i = end;
    }
    CopyWords(b->words, now, count);
    return changed;
}
uint32_t NoteBlock(uint8_t kind, uint32_t token, uint32_t* now) {
    uint32_t slot;
    Block* b = FindBlock(kind, token, &slot);
    // Most values are as they were last noted. (Each kind's count is a
    // constant here, so that each comparison is unrolled.)
    if (b != nullptr && g_omitKind < 0) {
        bool same;
        switch (kind) {
        case kBlockScalars:
            same = SameWords(b->words, now, kScalarWords);
            break;
        case kBlockRecord:
            same = SameWords(b->words, now, kRecordWords);
            break;
        case kBlockSequence:
            same = SameWords(b->words, now, kSequenceWords);
            break;
        default:
            same = SameWords(b->words, now, kNodeWords);
            break;
        }
        if (same) {
            return 0;
        }
    }
    return NoteChangedBlock(b, slot, kind, token, now);
}

void NoteNode(const SceneNode* n, bool holder) {
    if (n == nullptr) {
        return;
    }
    uint32_t w[Padded(kNodeWords)] = {};
    w[kNodeFlags] = n->Flags;
    w[kNodeParent] = Token(n->Parent);
    if (holder && n->ChildCount != 0) {
        w[kNodeChildCount] = n->ChildCount;
        w[kNodeFirstChild] = Token(n->Children[0]);
    }
    memcpy(w + kNodeLocalTranslation, &n->LocalTranslation, 12);
    memcpy(w + kNodeWorldRotation, &n->WorldRotation, 36);
    memcpy(w + kNodeWorldTranslation, &n->WorldTranslation, 12);
    w[kNodeWorldScale] = Bits(n->WorldScale);
    NoteBlock(kBlockNode, Token(n), w);
    if (holder && n->ChildCount != 0) {
        NoteNode(n->Children[0], false);
    }
}

// A sequence's name is noted whenever its text may have changed: when the
// pointer changed, or the text under it (told by a hash of the text, kept
// in its block beside the words the file holds).
constexpr int kSequenceNameHash = kSequenceWords;
static_assert(kSequenceNameHash < Padded(kMaxBlockWords), "room in the block for the hash");
constexpr uint32_t kNameHashBasis = 0x811C9DC5u; // FNV-1a
constexpr uint32_t kNameHashPrime = 0x01000193u;

void NoteSequence(const AnimSequence* s) {
    uint32_t w[Padded(kSequenceWords)] = {};
    w[kSequenceFileName] = Token(s->FileName);
    w[kSequenceGroupInfo] = Token(s->GroupInfo);
    w[kSequenceGroupId] = s->GroupInfo != nullptr ? s->GroupInfo->GroupId : 0;
    const uint32_t changed = NoteBlock(kBlockSequence, Token(s), w);
    if (s->FileName == nullptr) {
        return;
    }
    uint32_t length = 0, hash = kNameHashBasis;
    while (length < kMaxNameLength && s->FileName[length] != '\0') {
        hash = (hash ^ static_cast<uint8_t>(s->FileName[length])) * kNameHashPrime;
        ++length;
    }
    Block* b = FindBlock(kBlockSequence, Token(s));
    if (b == nullptr) {
        return; // the frame was cut short before the sequence was noted
    }
    if ((changed & (1u << kSequenceFileName)) != 0 || b->words[kSequenceNameHash] != hash) {
        b->words[kSequenceNameHash] = hash;
        Event(kEventName).Word(Token(s)).Text(s->FileName, length);
    }
}

void NoteRecord(const AnimationRecord* r) {
    if (r == nullptr) {
        return;
    }
    uint32_t w[Padded(kRecordWords)] = {};
    w[kRecordShieldHolder] = Token(r->ShieldHolder);
    w[kRecordLeftHandHolder] = Token(r->LeftHandHolder);
    w[kRecordHeadNode] = Token(r->HeadNode);
    for (int slot = 0; slot < kRecordSequenceSlots; ++slot) {
        w[kRecordSequence0 + slot] = Token(r->Sequences[slot]);
    }
    NoteBlock(kBlockRecord, Token(r), w);
    for (const AnimSequence* s : r->Sequences) {
        if (s != nullptr) {
            NoteSequence(s);
        }
    }
    NoteNode(r->HeadNode, false);
    NoteNode(r->ShieldHolder, true);
    NoteNode(r->LeftHandHolder, true);
}

void Found(const SceneNode* n) {
    for (int i = 0; i < g_foundCount; ++i) {
        if (g_found[i] == n) {
            return;
        }
    }
    if (g_foundCount < kMaxFound) {
        g_found[g_foundCount++] = n;
    } else {
        OpenFrame.cut = true; // more nodes found than an entry keeps: cut short
    }
}

} // namespace

// Every game value the logic may read from here on: the globals, the
// player, its process and weapon, the records (the player's two and the one
// the site handed over), and the nodes it reaches (the roots, the camera, the
// records' nodes, and those found by name in this entry with their parents).
void NoteGameValues() {
    uint32_t w[Padded(kScalarWords)] = {};
    PlayerObject* p = PlayerPointer();
    w[kScalarPlayer] = Token(p);
    w[kScalarDetached] = CameraDetachedByte();
    w[kScalarCameraNode] = Token(CameraNodePointer());
    w[kScalarChaseDistance] = Bits(ChaseCameraDistance());
    w[kScalarMenuGate] = Bits(MenuGateFloat());
    const ProcessObject* process = p != nullptr ? p->Process : nullptr;
    if (p != nullptr) {
        w[kScalarLookPitch] = Bits(p->LookPitch);
        w[kScalarBodyRoot] = Token(p->BodyRoot);
        w[kScalarProcess] = Token(process);
        w[kScalarMount] = Token(p->Mount);
        w[kScalarThirdPerson] = p->ThirdPerson;
        w[kScalarFirstPersonAnim] = Token(p->FirstPersonAnim);
        w[kScalarFirstPersonRoot] = Token(p->FirstPersonRoot);
        w[kScalarRestoreBlockA] = p->RestoreBlockA;
        w[kScalarRestoreBlockB] = p->RestoreBlockB;
    }
    if (process != nullptr) {
        const WeaponEntry* weapon = process->EquippedWeapon;
        const ItemForm* form = weapon != nullptr ? weapon->Form : nullptr;
        w[kScalarEquippedWeapon] = Token(weapon);
        w[kScalarWeaponForm] = Token(form);
        if (form != nullptr) {
            w[kScalarFormType] = form->FormType;
            w[kScalarWeaponKind] = static_cast<uint32_t>(form->WeaponKind);
        }
        w[kScalarWeaponDrawn] = process->WeaponDrawn;
        w[kScalarKnockoutState] = static_cast<uint8_t>(process->KnockoutState);
        w[kScalarSitState] = process->SitState;
        w[kScalarBodyAnim] = Token(process->BodyAnim);
        w[kScalarActionState] = static_cast<uint16_t>(process->ActionState);
        w[kScalarByteAfterWeaponDrawn] = process->ByteAfterWeaponDrawn;
    }
    NoteBlock(kBlockScalars, 0, w);
    const AnimationRecord* body = process != nullptr ? process->BodyAnim : nullptr;
    const AnimationRecord* arms = p != nullptr ? p->FirstPersonAnim : nullptr;
    NoteRecord(body);
    if (arms != body) {
        NoteRecord(arms);
    }
    if (g_entryRecord != body && g_entryRecord != arms) {
        NoteRecord(g_entryRecord);
    }
    if (p != nullptr) {
        NoteNode(p->BodyRoot, false);
        NoteNode(p->FirstPersonRoot, false);
    }
    NoteNode(CameraNodePointer(), false);
    NoteNode(g_entryCamera, false);
    for (int i = 0; i < g_foundCount; ++i) {
        NoteNode(g_found[i], false);
    }
}

int WrittenWordsOf(WrittenField field, const void* target, uint32_t* w) {
    const SceneNode* n = static_cast<const SceneNode*>(target);
    Block* node = FindBlock(kBlockNode, Token(target));
    switch (field) {
    case kWriteFlags:
        w[0] = n->Flags;
        if (node != nullptr) {
            node->words[kNodeFlags] = w[0];
        }
        return 1;
    case kWriteLocalTranslation:
        memcpy(w, &n->LocalTranslation, 12);
        if (node != nullptr) {
            memcpy(node->words + kNodeLocalTranslation, w, 12);
        }
        return 3;
    case kWriteLocalRotation:
        memcpy(w, &n->LocalRotation, 36);
        return 9;
    case kWriteLocalScale:
        w[0] = Bits(n->LocalScale);
        return 1;
    case kWriteWorldTranslation:
        memcpy(w, &n->WorldTranslation, 12);
        if (node != nullptr) {
            memcpy(node->words + kNodeWorldTranslation, w, 12);
        }
        return 3;
    case kWriteThirdPerson:
        w[0] = static_cast<const PlayerObject*>(target)->ThirdPerson;
        if (Block* s = FindBlock(kBlockScalars, 0)) {
            s->words[kScalarThirdPerson] = w[0];
        }
        return 1;
    case kWriteChaseDistance:
        w[0] = Bits(ChaseCameraDistance());
        if (Block* s = FindBlock(kBlockScalars, 0)) {
            s->words[kScalarChaseDistance] = w[0];
        }
        return 1;
    case kWrittenFieldCount:
        break;
    }
    return 0;
}

void ForgetGameValues() {
    g_blockCount = 0;
    memset(g_blockSlots, 0, sizeof g_blockSlots);
    g_foundCount = 0;
}

void BeginEntryValues(const SceneNode* camera, const AnimationRecord* record) {
    g_entryCamera = camera;
    g_entryRecord = record;
    g_foundCount = 0;
}

void EndEntryValues() {
    BeginEntryValues(nullptr, nullptr);
}

void NoteFoundNode(const SceneNode* found) {
    Found(found);
    NoteNode(found, false);
    if (found->Parent != nullptr) {
        Found(found->Parent);
        NoteNode(found->Parent, false);
    }
}

void OmitGameValueForTests(int kind, int word, bool onlyChanges) {
    g_omitKind = kind;
    g_omitWord = word;
    g_omitOnlyChanges = onlyChanges;
}
