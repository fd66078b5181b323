#include "record/game_notes.h"

#include <stddef.h>
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

// The pieces of a node's memory that hold every word noted of it (its Flags
// and parent, and its local translation through its world scale), 16 bytes
// each: a node is unchanged when they are, which is tested without reading
// its words one by one.
constexpr uint32_t kNodePieces[] = {
    offsetof(SceneNode, Flags),
    offsetof(SceneNode, LocalTranslation),
    offsetof(SceneNode, WorldRotation),
    offsetof(SceneNode, WorldRotation) + 16,
    offsetof(SceneNode, WorldRotation) + 32,
    offsetof(SceneNode, WorldScale) + 4 - 16,
};
constexpr int kNodePieceCount = sizeof kNodePieces / sizeof kNodePieces[0];
static_assert(offsetof(SceneNode, Parent) + 4 <= offsetof(SceneNode, Flags) + 16 &&
                  offsetof(SceneNode, LocalTranslation) + 16 == offsetof(SceneNode, WorldRotation) &&
                  offsetof(SceneNode, WorldRotation) + 48 >= offsetof(SceneNode, WorldScale) - 12 &&
                  offsetof(SceneNode, WorldTranslation) + 12 == offsetof(SceneNode, WorldScale),
              "the pieces cover every noted word of a node");
static_assert(offsetof(SceneNode, LocalRotation) >= offsetof(SceneNode, Flags) + 16 &&
                  offsetof(SceneNode, LocalRotation) + 36 <= offsetof(SceneNode, LocalTranslation),
              "a node's local rotation lies outside its pieces");

// A block of game values by its kind and token, with its words as last noted
// (and, for a node, its memory as last noted, when `piecesKept` says so), and
// the frame in which it was last noted. Blocks are kept from frame to frame:
// a frame notes each object whole the first time (from the words kept, where
// the object is as it was), and only its changes after that.
struct Block {
    __m128i pieces[kNodePieceCount];
    bool piecesKept;
    uint8_t kind;
    uint32_t token;
    uint32_t frame;
    uint32_t words[kWordRoom];
};
static_assert(sizeof(SequenceSlots) == kRecordSequenceSlots * sizeof(AnimSequence*),
              "a record's slots, each in the file");
// A frame notes at most kMaxFrameBlocks objects (more cut it short); the
// blocks of earlier frames are all forgotten at a frame start that finds
// more than that many kept, so that a frame always has room for as many.
constexpr int kMaxFrameBlocks = 96;
constexpr int kMaxBlocks = 2 * kMaxFrameBlocks;
Block g_blocks[kMaxBlocks];
int g_blockCount = 0;
uint32_t g_noteFrame = 1; // the frame being noted (0: no block is noted in it)
// The blocks by kind and token: an open-addressed table of block numbers
// (plus one; 0 is an empty slot). Twice the power of two above kMaxBlocks
// keeps the probes short.
constexpr uint32_t kBlockSlots = 512;
static_assert(kBlockSlots >= 2 * kMaxBlocks && (kBlockSlots & (kBlockSlots - 1)) == 0,
              "a power of two with room to spare");
uint16_t g_blockSlots[kBlockSlots];
// The entry's own objects: the camera the site handed over, and the nodes
// the logic found by name (with their parents).
const SceneNode* g_entryCamera = nullptr;
constexpr int kMaxFound = 24;
const SceneNode* g_found[kMaxFound];
int g_foundCount = 0;
int g_omitKind = -1, g_omitWord = -1;
bool g_omitOnlyChanges = false;

// Each object a note looks at has its place in the note; the block found for
// the object last time at that place is tried before the table is searched.
enum Place : uint8_t {
    kPlaceScalars,
    kPlaceBodyRoot,
    kPlaceFirstPersonRoot,
    kPlaceCamera,
    kPlaceEntryCamera,
    kPlaceBodyRecord,
    kPlaceSequence0,
    kPlaceHead = kPlaceSequence0 + kRecordSequenceSlots,
    kPlaceShieldHolder,
    kPlaceShieldItem,
    kPlaceLeftHandHolder,
    kPlaceLeftHandItem,
    kPlaceWritten, // the node the logic wrote last
    kPlaceFound0,  // then one per node found in the entry
    kPlaceCount = kPlaceFound0 + kMaxFound,
};
struct PlaceMemo {
    uint32_t token;
    Block* block;
};
PlaceMemo g_memo[kPlaceCount];

uint32_t SlotOf(uint8_t kind, uint32_t token) {
    // Objects lie at least 4 bytes apart; a multiplicative hash spreads them.
    return (((token >> 2) ^ kind) * 0x9E3779B1u) >> 23;
}
static_assert(kBlockSlots == 512, "SlotOf gives 9 bits");

// The block kept for this kind and token, or nullptr.
Block* FindBlock(uint8_t kind, uint32_t token) {
    uint32_t i = SlotOf(kind, token);
    while (g_blockSlots[i] != 0) {
        Block* b = &g_blocks[g_blockSlots[i] - 1];
        if (b->token == token && b->kind == kind) {
            return b;
        }
        i = (i + 1) & (kBlockSlots - 1);
    }
    return nullptr;
}

// A new block for this kind and token (which has none), or nullptr when the
// frame holds as many as it keeps: the frame is then cut short.
Block* NewBlock(uint8_t kind, uint32_t token) {
    if (g_blockCount == kMaxBlocks) {
        OpenFrame.cut = true;
        return nullptr;
    }
    uint32_t i = SlotOf(kind, token);
    while (g_blockSlots[i] != 0) {
        i = (i + 1) & (kBlockSlots - 1);
    }
    g_blockSlots[i] = static_cast<uint16_t>(g_blockCount + 1);
    Block* b = &g_blocks[g_blockCount++];
    b->kind = kind;
    b->token = token;
    b->piecesKept = false;
    b->frame = 0;
    return b;
}

// The block of the object at `place`, or nullptr when none is kept.
inline __attribute__((always_inline)) Block* BlockAt(Place place, uint8_t kind, uint32_t token) {
    PlaceMemo& m = g_memo[place];
    if (m.token != token || m.block == nullptr) {
        m.token = token;
        m.block = FindBlock(kind, token);
    }
    return m.block;
}

// The words of `now` that differ from `was`, as a mask.
inline __attribute__((always_inline)) uint32_t ChangedWords(const uint32_t* was,
                                                            const uint32_t* now, int count) {
    uint32_t mask = 0;
#pragma GCC unroll 8
    for (int i = 0; i < count; i += 4) {
        const __m128i same =
            _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(was + i)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(now + i)));
        mask |= (~static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(same))) & 0xFu) << i;
    }
    return mask & ((1u << count) - 1);
}

// Notes the words of the object at `place` that changed since this frame
// last noted it (all of them, the first time): one STATE event per run of
// changed words. Returns the mask of the words noted.
template <int count>
__attribute__((noinline)) uint32_t NoteChangedBlock(Place place, Block* b, uint8_t kind,
                                                    uint32_t token, uint32_t* now) {
    if (b == nullptr) {
        b = NewBlock(kind, token);
        if (b == nullptr) {
            return 0;
        }
        g_memo[place] = {token, b};
    }
    const bool isNew = b->frame != g_noteFrame; // the first note of it in this frame
    const bool omit = kind == g_omitKind && (!isNew || !g_omitOnlyChanges);
    uint32_t changed;
    if (isNew) {
        b->frame = g_noteFrame;
        changed = (1u << count) - 1;
    } else {
        changed = ChangedWords(b->words, now, count);
    }
    if (omit) {
        // A recorder that misses this value: never noted, nor kept (a new
        // block keeps 0 for it).
        now[g_omitWord] = isNew ? 0 : b->words[g_omitWord];
        changed &= ~(1u << g_omitWord);
    }
    for (uint32_t rest = changed; rest != 0;) {
        const int first = __builtin_ctz(rest);
        const int length = __builtin_ctz(~(rest >> first));
        EmitState(kind, token, static_cast<uint32_t>(first), static_cast<uint32_t>(length),
                  now + first);
        rest &= ~(((1u << length) - 1) << first);
    }
    CopyWords(b->words, now, count);
    return changed;
}

// The first note in this frame of an object as it was last noted: its words
// as kept, whole.
template <int kCount> __attribute__((noinline)) void NoteKeptWords(Block* b) {
    b->frame = g_noteFrame;
    EmitState(b->kind, b->token, 0, kCount, b->words);
}

// A block of words gathered from the game: noted where they changed.
template <int kCount>
inline __attribute__((always_inline)) uint32_t NoteWords(Place place, uint8_t kind,
                                                         uint32_t token, uint32_t* now) {
    Block* b = BlockAt(place, kind, token);
    if (b != nullptr && g_omitKind < 0 && SameWords(b->words, now, kCount)) {
        if (b->frame != g_noteFrame) {
            NoteKeptWords<kCount>(b);
        }
        return 0; // most values are as they were last noted
    }
    return NoteChangedBlock<kCount>(place, b, kind, token, now);
}

inline __attribute__((always_inline)) __m128i NodePiece(const SceneNode* n, int i) {
    return _mm_loadu_si128(
        reinterpret_cast<const __m128i*>(reinterpret_cast<const uint8_t*>(n) + kNodePieces[i]));
}

// Whether the node's memory is as the block last kept it.
inline __attribute__((always_inline)) bool SamePieces(const Block* b, const SceneNode* n) {
    __m128i same = _mm_cmpeq_epi32(NodePiece(n, 0), b->pieces[0]);
#pragma GCC unroll 8
    for (int i = 1; i < kNodePieceCount; ++i) {
        same = _mm_and_si128(same, _mm_cmpeq_epi32(NodePiece(n, i), b->pieces[i]));
    }
    return _mm_movemask_epi8(same) == 0xFFFF;
}

// A holder's first child, the one word of a node noted outside its pieces.
inline const SceneNode* FirstChildOf(const SceneNode* n) {
    return n->ChildCount != 0 ? n->Children[0] : nullptr;
}

// A node whose memory differs from the copy kept (or that has none): its
// words are read, noted where they changed, and its memory kept anew.
__attribute__((noinline)) void NoteNodeWords(Place place, const SceneNode* n, bool holder,
                                             Block* b) {
    uint32_t w[kWordRoom];
    ClearWords(w);
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
    if (b == nullptr || g_omitKind >= 0 || b->frame != g_noteFrame ||
        !SameWords(b->words, w, kNodeWords)) {
        NoteChangedBlock<kNodeWords>(place, b, kBlockNode, Token(n), w);
        b = g_memo[place].token == Token(n) ? g_memo[place].block : nullptr;
    }
    if (b != nullptr) {
#pragma GCC unroll 8
        for (int i = 0; i < kNodePieceCount; ++i) {
            b->pieces[i] = NodePiece(n, i);
        }
        b->piecesKept = true;
    }
}

// A node: its memory is compared with the copy kept when it was last noted,
// and only where that differs are its words read and compared.
inline __attribute__((always_inline)) void NoteNode(Place place, const SceneNode* n) {
    if (n == nullptr) {
        return;
    }
    Block* b = BlockAt(place, kBlockNode, Token(n));
    if (b == nullptr || !b->piecesKept || !SamePieces(b, n) || g_omitKind >= 0) {
        NoteNodeWords(place, n, false, b);
    } else if (b->frame != g_noteFrame) {
        NoteKeptWords<kNodeWords>(b);
    }
}

// A holder of the body's gear, with its first child.
inline __attribute__((always_inline)) void NoteHolder(Place place, const SceneNode* n) {
    if (n == nullptr) {
        return;
    }
    const SceneNode* child = FirstChildOf(n);
    Block* b = BlockAt(place, kBlockNode, Token(n));
    if (b == nullptr || !b->piecesKept || !SamePieces(b, n) || g_omitKind >= 0 ||
        b->words[kNodeChildCount] != n->ChildCount || b->words[kNodeFirstChild] != Token(child)) {
        NoteNodeWords(place, n, true, b);
    } else if (b->frame != g_noteFrame) {
        NoteKeptWords<kNodeWords>(b);
    }
    NoteNode(static_cast<Place>(place + 1), child);
}
static_assert(kPlaceShieldItem == kPlaceShieldHolder + 1 &&
                  kPlaceLeftHandItem == kPlaceLeftHandHolder + 1,
              "a holder's item takes the place after it");

// A sequence's name is noted with the sequence when the sequence or its
// name's address is new in the frame, and wherever the logic reads the text
// (NoteSequenceNames): a change of the text under the same address is told
// by a hash of the text, kept in its block beside the words the file holds.
constexpr int kSequenceNameHash = kSequenceWords;
static_assert(kSequenceNameHash < kWordRoom, "room in the block for the hash");
constexpr uint32_t kNameHashBasis = 0x811C9DC5u; // FNV-1a
constexpr uint32_t kNameHashPrime = 0x01000193u;

void NoteName(const AnimSequence* s, Block* b, bool always) {
    uint32_t length = 0, hash = kNameHashBasis;
    while (length < kMaxNameLength && s->FileName[length] != '\0') {
        hash = (hash ^ static_cast<uint8_t>(s->FileName[length])) * kNameHashPrime;
        ++length;
    }
    if (always || b->words[kSequenceNameHash] != hash) {
        b->words[kSequenceNameHash] = hash;
        Event(kEventName).Word(Token(s)).Text(s->FileName, length);
    }
}

inline __attribute__((always_inline)) void NoteSequence(Place place, const AnimSequence* s) {
    uint32_t w[kWordRoom];
    ClearWords(w);
    w[kSequenceFileName] = Token(s->FileName);
    w[kSequenceGroupInfo] = Token(s->GroupInfo);
    w[kSequenceGroupId] = s->GroupInfo != nullptr ? s->GroupInfo->GroupId : 0;
    Block* b = BlockAt(place, kBlockSequence, Token(s));
    if (b != nullptr && g_omitKind < 0 && b->words[kSequenceFileName] == w[kSequenceFileName] &&
        b->words[kSequenceGroupInfo] == w[kSequenceGroupInfo] &&
        b->words[kSequenceGroupId] == w[kSequenceGroupId]) {
        if (b->frame != g_noteFrame) {
            NoteKeptWords<kSequenceWords>(b);
            if (s->FileName != nullptr) {
                NoteName(s, b, true); // a frame holds the names of its sequences
            }
        }
        return;
    }
    if (b != nullptr) {
        w[kSequenceNameHash] = b->words[kSequenceNameHash]; // kept beside the words
    }
    const uint32_t changed =
        NoteChangedBlock<kSequenceWords>(place, b, kBlockSequence, Token(s), w);
    if (s->FileName != nullptr && (changed & (1u << kSequenceFileName)) != 0) {
        if (Block* noted = BlockAt(place, kBlockSequence, Token(s))) {
            NoteName(s, noted, true);
        }
    }
}

inline __attribute__((always_inline)) void NoteRecord(const AnimationRecord* r) {
    if (r == nullptr) {
        return;
    }
    uint32_t w[kWordRoom];
    ClearWords(w);
    w[kRecordShieldHolder] = Token(r->ShieldHolder);
    w[kRecordLeftHandHolder] = Token(r->LeftHandHolder);
    w[kRecordHeadNode] = Token(r->HeadNode);
    for (int slot = 0; slot < kRecordSequenceSlots; ++slot) {
        w[kRecordSequence0 + slot] = Token(r->Sequences[slot]);
    }
    NoteWords<kRecordWords>(kPlaceBodyRecord, kBlockRecord, Token(r), w);
    for (int slot = 0; slot < kRecordSequenceSlots; ++slot) {
        if (const AnimSequence* s = r->Sequences[slot]) {
            NoteSequence(static_cast<Place>(kPlaceSequence0 + slot), s);
        }
    }
    NoteNode(kPlaceHead, r->HeadNode);
    NoteHolder(kPlaceShieldHolder, r->ShieldHolder);
    NoteHolder(kPlaceLeftHandHolder, r->LeftHandHolder);
}

// A node the logic found, noted now and at every later note of the entry.
void Found(const SceneNode* n) {
    int i = 0;
    while (i < g_foundCount && g_found[i] != n) {
        ++i;
    }
    if (i == g_foundCount) {
        if (g_foundCount == kMaxFound) {
            OpenFrame.cut = true; // more nodes found than an entry keeps: cut short
            return;
        }
        g_found[g_foundCount++] = n;
    }
    NoteNode(static_cast<Place>(kPlaceFound0 + i), n);
}

} // namespace

// The game values the logic may read from here on, as far as `reach` says:
// the globals, the player, its process and weapon; with the roots; or all of
// it: the body's record with its sequences and nodes, the camera, and the
// nodes found by name in this entry with their parents.
void NoteGameValues(NoteReach reach, bool scalarsNoted) {
    if (scalarsNoted) {
        NoteMoreGameValues(reach);
        return;
    }
    uint32_t w[kWordRoom];
    ClearWords(w);
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
    NoteWords<kScalarWords>(kPlaceScalars, kBlockScalars, 0, w);
    NoteMoreGameValues(reach);
}

// What a note reaches beyond the scalars.
void NoteMoreGameValues(NoteReach reach) {
    if (reach == NoteReach::Scalars) {
        return;
    }
    const PlayerObject* p = PlayerPointer();
    const ProcessObject* process = p != nullptr ? p->Process : nullptr;
    if (p != nullptr) {
        NoteNode(kPlaceBodyRoot, p->BodyRoot);
        if (reach == NoteReach::BodyRoot) {
            return;
        }
        NoteNode(kPlaceFirstPersonRoot, p->FirstPersonRoot);
    }
    if (reach <= NoteReach::Roots) {
        return;
    }
    // Of the records the logic reads the body's alone: the first-person
    // record, and the one a body pass hands over, it only hands to the
    // game's routines (their addresses are among the scalars).
    NoteRecord(process != nullptr ? process->BodyAnim : nullptr);
    const SceneNode* camera = CameraNodePointer();
    NoteNode(kPlaceCamera, camera);
    if (g_entryCamera != camera) {
        NoteNode(kPlaceEntryCamera, g_entryCamera);
    }
    for (int i = 0; i < g_foundCount; ++i) {
        NoteNode(static_cast<Place>(kPlaceFound0 + i), g_found[i]);
    }
}

void NoteChangedNode(const SceneNode* node) {
    for (int i = 0; i < g_foundCount; ++i) {
        if (g_found[i] == node) {
            NoteNode(static_cast<Place>(kPlaceFound0 + i), node);
            return;
        }
    }
    NoteNode(kPlaceEntryCamera, node); // the camera, or a node of no fixed place
}

void NoteSequenceNames(const AnimationRecord* record) {
    if (record == nullptr || !OpenFrame.open) {
        return;
    }
    for (const AnimSequence* s : record->Sequences) {
        if (s != nullptr && s->FileName != nullptr) {
            if (Block* b = FindBlock(kBlockSequence, Token(s))) {
                NoteName(s, b, false);
            }
        }
    }
}

// A field the logic has just written, with the value written; the words
// kept learn it, so that the write is not taken for a change of the game's.
template <WrittenField field> void NoteWrite(const void* target) {
    constexpr uint32_t count = WrittenWords(field);
    const SceneNode* n = static_cast<const SceneNode*>(target);
    uint32_t w[count];
    if constexpr (field == kWriteThirdPerson || field == kWriteChaseDistance) {
        w[0] = field == kWriteThirdPerson ? static_cast<const PlayerObject*>(target)->ThirdPerson
                                          : Bits(ChaseCameraDistance());
        if (Block* b = BlockAt(kPlaceScalars, kBlockScalars, 0)) {
            b->words[field == kWriteThirdPerson ? kScalarThirdPerson : kScalarChaseDistance] = w[0];
        }
    } else {
        Block* b = BlockAt(kPlaceWritten, kBlockNode, Token(target));
        if constexpr (field == kWriteFlags) {
            w[0] = n->Flags;
        } else if constexpr (field == kWriteLocalTranslation) {
            memcpy(w, &n->LocalTranslation, 12);
        } else if constexpr (field == kWriteLocalRotation) {
            memcpy(w, &n->LocalRotation, 36);
        } else if constexpr (field == kWriteLocalScale) {
            w[0] = Bits(n->LocalScale);
        } else {
            memcpy(w, &n->WorldTranslation, 12);
        }
        if (b != nullptr && field != kWriteLocalRotation) {
            // The copy of its memory no longer goes with the words kept (the
            // game may put back what was there before); a local rotation lies
            // outside it.
            b->piecesKept = false;
            if constexpr (field == kWriteFlags) {
                b->words[kNodeFlags] = w[0];
            } else if constexpr (field == kWriteLocalTranslation) {
                memcpy(b->words + kNodeLocalTranslation, w, 12);
            } else if constexpr (field == kWriteWorldTranslation) {
                memcpy(b->words + kNodeWorldTranslation, w, 12);
            }
        }
    }
    EmitWrite(field, Token(target), w, count);
}
template void NoteWrite<kWriteFlags>(const void*);
template void NoteWrite<kWriteLocalTranslation>(const void*);
template void NoteWrite<kWriteLocalRotation>(const void*);
template void NoteWrite<kWriteLocalScale>(const void*);
template void NoteWrite<kWriteWorldTranslation>(const void*);
template void NoteWrite<kWriteThirdPerson>(const void*);
template void NoteWrite<kWriteChaseDistance>(const void*);

void ForgetGameValues() {
    ++g_noteFrame;
    g_foundCount = 0;
    if (g_blockCount > kMaxFrameBlocks || g_noteFrame == 0) {
        g_blockCount = 0;
        g_noteFrame = 1;
        memset(g_blockSlots, 0, sizeof g_blockSlots);
        memset(g_memo, 0, sizeof g_memo);
    }
}

void BeginEntryValues(const SceneNode* camera) {
    g_entryCamera = camera;
    g_foundCount = 0;
}

void EndEntryValues() {
    BeginEntryValues(nullptr);
}

void NoteFoundNode(const SceneNode* found) {
    Found(found);
    if (found->Parent != nullptr) {
        Found(found->Parent);
    }
}

void OmitGameValueForTests(int kind, int word, bool onlyChanges) {
    g_omitKind = kind;
    g_omitWord = word;
    g_omitOnlyChanges = onlyChanges;
}
