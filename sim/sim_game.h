// The simulated game: the game's address range mapped at its real addresses
// in this 32-bit process, the globals there, every routine the plug-in calls
// at its real address as real code (a jump into the simulation), objects laid
// out at the game's offsets with tables of virtual operations, a scene graph
// whose update derives world fields from local ones, and a standard player rig.
//
// One Game exists at a time; constructing it resets the game's memory, so
// every test starts from the same world. Tests script results through the
// objects' fields and the `onCall` hooks, and observe the routines through
// the call log.
#pragma once

#include <stdint.h>

#include <deque>
#include <functional>
#include <vector>

#include "game/engine.h"
#include "game/layout.h"
#include "record/recording_format.h"
#include "sim/rig.h"

namespace sim {

// --- routines ---------------------------------------------------------------
enum class Routine : int {
    UpdateAnimationRecord,
    IsIdleAnimAbsent,
    PlayerIdleUpdate,
    GetInterfaceObject,
    IsMenuModeActive,
    IsMenuOpen,
    FrameStartRoutine,   // replayed by the glue
    CameraSwitchRoutine, // replayed by the glue
    ScenePassRoutine,    // replayed by the glue
    Count
};
constexpr int kRoutineCount = static_cast<int>(Routine::Count);
inline const char* RoutineName(Routine r) {
    constexpr const char* kNames[kRoutineCount] = {
        "UpdateAnimationRecord", "IsIdleAnimAbsent",    "PlayerIdleUpdate",
        "GetInterfaceObject",    "IsMenuModeActive",    "IsMenuOpen",
        "FrameStartRoutine",     "CameraSwitchRoutine", "ScenePassRoutine"};
    return kNames[static_cast<int>(r)];
}

// Words the call log copies at every call (for example the view-state flags
// that a caller sets around its call).
constexpr int kWatchedWords = 4;

struct CallRecord {
    Routine routine;
    const void* receiver;   // what arrived in ECX; null for the cdecl routine
    uint32_t args[2];       // stack arguments, in order
    uint8_t thirdPerson;    // the player's ThirdPerson byte while the call ran
    uint16_t bodyRootFlags; // the player's BodyRoot Flags while the call ran
    uint32_t watched[kWatchedWords];
    uint32_t registers[8]; // replayed routines: EAX, ECX, EDX, EBX, ESP, EBP, ESI, EDI
};

// --- the frame ----------------------------------------------------------------
// The order in which a frame passes the patched sites: the game's own, as its
// code runs them (the default), or the order in which the plug-in's
// design words a frame, kept so that the two can be compared
// (docs/simulated-game.md).
enum class FrameOrder : uint8_t { Game, Design };
// Where, in a frame of the game's order, the routine that applies an
// enchanted weapon's effect to an actor (the one that holds the draw sites)
// runs: the game's code does not settle it, so the soak varies it.
enum class DrawPlace : uint8_t { BeforeRendering, AfterActors };

// --- objects ----------------------------------------------------------------
// Each begins with the game object, so the receiver of a virtual operation is
// also the simulation's own record.
constexpr int kMaxChildren = 64;
constexpr int kMaxNameLength = 48;

struct Node;

// A node's collision object: the game's world-transform update of the node
// syncs it with the node (the operation at +0x50 of its table), unless the
// glue of the extra-update branch skips the sync.
struct Collision {
    void** vtable;
    Node* node;
    // The node's world transform at the last sync.
    Matrix3 rotation;
    Vector3 translation;
    float scale;
    uint32_t syncs;
    uint32_t syncsDuringExtraUpdates; // syncs while the plug-in's extra-update flag was set
};

struct Node {
    SceneNode node;
    char name[kMaxNameLength];
    bool frozen;     // world fields are kept as set instead of derived
    bool unfindable; // FindChildByName does not find it (its children still are)
    SceneNode* childSlots[kMaxChildren];
    int virtual29Calls;
    // The world fields as the game itself last wrote them (its update, or a
    // freeze), so that a check can tell the game's writes from others'.
    Matrix3 gameWorldRotation;
    Vector3 gameWorldTranslation;
    float gameWorldScale;
    Collision* collision; // also the node's CollisionObject
    // The node's world fields changed since its collision object was last
    // synced, and whether that last update was one of the plug-in's extra
    // updates (whose sync the glue skips).
    bool collisionBehind;
    bool behindSinceExtraUpdate;
    uint32_t walkMark; // the last walk of the scene graph that visited it (node_walk.h)
};

struct AnimRecord {
    AnimationRecord rec;
    Node* skeleton;           // the root that UpdateAnimationRecord updates
    uint8_t idleAbsentResult; // what IsIdleAnimAbsent answers (bit 0: no idle)
    uint32_t posedFrame;      // the frame whose pose the animation last wrote
};

struct Sequence {
    AnimSequence seq;
    AnimGroupInfo group;
    char fileName[96];
};

// Codes of QueryCodedState are answered from this table.
constexpr int kCodedStates = 64;

struct Player {
    PlayerObject obj;
    uint8_t isDead;
    uint32_t lastIsDeadArgument; // what the plug-in passed to IsDead
    uint8_t isVampireFeeding;
    uint32_t shadowState;
    uint32_t codedState[kCodedStates];
};

struct Process {
    ProcessObject obj;
    uint32_t leftHandItem; // LeftHandItemQuery result
    uint32_t shield;       // ShieldQuery result
    uint32_t flagWord;     // GetFlagWord result
    uint32_t lastHandQueryArgument;
};

struct Weapon {
    WeaponEntry entry;
    ItemForm form;
};

// Another actor: only its identity and its animation record matter.
struct Actor {
    uint8_t object[0x100];
    AnimRecord* record;
};

struct Draw {
    DrawObject obj;
    uint8_t result; // what Draw returns
};

// What one Draw saw: the object and the flags of both player roots.
struct DrawSeen {
    const DrawObject* object;
    uint16_t bodyRootFlags;
    uint16_t firstPersonRootFlags;
    float headWorldScale; // the body head's world scale at the draw
};

// What the player sees, as the game's rendering draws it after the shadow
// pass: the world with the first-person skeleton's root hidden, then the
// first-person skeleton alone on top.
struct ViewSeen {
    uint32_t frame; // the frame whose view this is; 0 before the first view
    // The world pass.
    uint16_t bodyRootFlags;
    bool bodyDrawn; // BodyRoot and every node above it shown
    float headScale, leftClavicleScale, rightClavicleScale, shieldScale, leftHandItemScale;
    // The first-person pass: drawn in the game's first person only.
    bool firstPersonPass;
    bool firstPersonDrawn; // the first-person root shown in that pass
    // Where the view is drawn from.
    Vector3 cameraTranslation;
    Matrix3 cameraRotation;
};

struct Interface {
    uint8_t menuModeActive;
    uint8_t openMenu1009;
    uint8_t openMenu1034;
};

// --- objects the game may lack for a while -------------------------------------
// Each is made unreachable where the plug-in looks for it: a null pointer in
// the global or field that leads to it, or a bone that FindChildByName does
// not find.
enum MissingObject : uint32_t {
    kMissingPlayer = 1u << 0,          // PlayerPointer
    kMissingProcess = 1u << 1,         // the player's Process
    kMissingBodyRoot = 1u << 2,        // the player's BodyRoot
    kMissingFirstPersonRoot = 1u << 3, // the player's FirstPersonRoot
    kMissingBodyAnim = 1u << 4,        // the process's BodyAnim
    kMissingFirstPersonAnim = 1u << 5, // the player's FirstPersonAnim
    kMissingCamera = 1u << 6,          // CameraNodePointer, and the camera handed to the site
    kMissingHeadNode = 1u << 7,        // the body record's HeadNode
    kMissingHeadBone = 1u << 8,        // the bones by name
    kMissingMagicBone = 1u << 9,
    kMissingFirstPersonMagicBone = 1u << 10,
    kMissingLeftHandBone = 1u << 11,
    kMissingRightHandBone = 1u << 12,
    kMissingLeftClavicleBone = 1u << 13,
    kMissingRightClavicleBone = 1u << 14,
};
struct MissingName {
    const char* name;
    uint32_t bit;
};
// The names by which scenarios list missing objects.
inline constexpr MissingName kMissingNames[] = {
    {"player", kMissingPlayer},
    {"process", kMissingProcess},
    {"BodyRoot", kMissingBodyRoot},
    {"FirstPersonRoot", kMissingFirstPersonRoot},
    {"BodyAnim", kMissingBodyAnim},
    {"FirstPersonAnim", kMissingFirstPersonAnim},
    {"camera", kMissingCamera},
    {"HeadNode", kMissingHeadNode},
    {"Bip01 Head", kMissingHeadBone},
    {"magicNode", kMissingMagicBone},
    {"FirstPersonRoot/magicNode", kMissingFirstPersonMagicBone},
    {"Bip01 L Hand", kMissingLeftHandBone},
    {"Bip01 R Hand", kMissingRightHandBone},
    {"Bip01 L Clavicle", kMissingLeftClavicleBone},
    {"Bip01 R Clavicle", kMissingRightClavicleBone},
};

// --- a script of the game's answers ---------------------------------------------
// What the simulated game answers and changes when it replays a recording of
// another game: in place of its own state and its own update of the scene
// graph, each query takes its answer from the script, and each call that
// changes the game makes the changes the script says. Null in an ordinary
// run.
class Script {
  public:
    virtual ~Script() = default;
    // A query of the plug-in; `own` is what the simulated game would answer.
    virtual uint32_t Answer(GameCall call, const void* receiver, uint32_t argument,
                            uint32_t own) = 0;
    virtual SceneNode* Found(SceneNode* searched, const char* name, SceneNode* own) = 0;
    // A call of the plug-in that changes the game (the update of a record,
    // the player's idle update, a node's operation 29).
    virtual void Changed(GameCall call, const void* receiver) = 0;
    // The game's own code ran where the glue replays a call of it.
    virtual void GameRan(Routine routine) = 0;
};

// --- the game ---------------------------------------------------------------
class Game {
  public:
    Game();
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Object makers; objects live as long as the Game.
    Node* NewNode(const char* name, Node* parent, Vector3 translation = {0, 0, 0});
    AnimRecord* NewRecord(Node* skeleton);
    Sequence* NewSequence(const char* fileName, uint8_t groupId);
    Weapon* NewWeapon(uint8_t formType, int32_t weaponKind);
    Draw* NewDraw(void* owner);
    Actor* NewActor(const char* rootName);
    // A collision object for `node`, synced with it from now on.
    Collision* NewCollision(Node* node);

    // Puts a sequence into slot 0..4 of a record (null empties the slot).
    void Play(AnimRecord* record, int slot, Sequence* sequence);
    // Convenience: a new sequence with that file name and group in that slot.
    Sequence* Play(AnimRecord* record, int slot, const char* fileName, uint8_t groupId);

    // Scene graph: world fields from local ones, through the parents.
    static void UpdateTree(SceneNode* root);
    // One node's world fields from its parent's and its local ones, as the
    // game's update makes them (and, in the game's order, the extra-update
    // branch passed at its end, which decides its collision object's sync).
    static void DeriveWorld(Node* node);
    // The world fields alone.
    static void ComposeWorld(Node* node);
    void UpdateScene() { UpdateTree(&world->node); }
    // Fixes a node's world fields; later updates leave them as set.
    static void Freeze(Node* node, Vector3 translation, const Matrix3& rotation, float scale);
    // Writes a node's world fields as the game's own update would.
    static void PlaceWorld(Node* node, const Matrix3& rotation, const Vector3& translation,
                           float scale);

    // Objects missing from now on (a mask of MissingObject bits); every other
    // object is put back where the game keeps it.
    void SetMissing(uint32_t mask);
    uint32_t Missing() const { return missing_; }

    // Every object of the game, for checks that walk them all.
    const std::deque<Node>& Nodes() const { return nodes_; }
    const std::deque<AnimRecord>& Records() const { return records_; }
    const std::deque<Sequence>& Sequences() const { return sequences_; }
    const std::deque<Weapon>& Weapons() const { return weapons_; }
    const std::deque<Draw>& DrawObjects() const { return drawObjects_; }
    const std::deque<Actor>& Actors() const { return actors_; }
    const std::deque<Collision>& Collisions() const { return collisions_; }

    // Globals.
    static void SetCameraDetached(uint8_t value);
    static void SetMenuGate(float value);

    // Observation.
    int Calls(Routine r) const { return callCounts_[static_cast<int>(r)]; }
    int CallCount() const { return logged_; }
    const CallRecord& Call(int i) const { return log_[i]; }
    // The i-th logged call of one routine; null past the end.
    const CallRecord* CallOf(Routine r, int i) const;
    void ClearCalls();
    void Watch(int index, const void* word) { watched_[index] = word; }
    int DrawCount() const { return drawsLogged_; }
    const DrawSeen& DrawAt(int i) const { return draws_[i]; }

    // Where the game itself puts the two skeleton roots and its camera node
    // at the start of every frame (the actor's position and the game's
    // camera), before the plug-in moves them.
    Vector3 bodyPlacement = {0, 0, 0};
    Vector3 firstPersonPlacement = {0, 0, 0};
    Vector3 cameraPlacement = kCameraStart;
    Matrix3 cameraRotationPlacement = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    // In the game's order the game turns its camera by the player's look
    // angle at every camera update (up or down about its right axis), until a
    // scenario sets the camera's rotation itself.
    bool cameraFollowsPitch = true;
    // Writes the placements and updates the world from the scene root.
    void PlaceRoots();

    // The distance the game's camera switch stores into ChaseCameraDistance
    // (at its chase-distance store, just before the switch).
    float switchChaseDistance = 300.0f;
    // The frames run so far (RunFrame counts them). The game's animation
    // writes the body's pose at the first update of its record in a frame
    // that is not one of the plug-in's extra updates.
    uint32_t frame = 0;

    // Whether the game's updates pass the sites inside them (the game's
    // order: the body-pass argument at a record's root, the extra-update
    // branch at every node's world update; the design's: the
    // shown-record skip, the body-pass argument and the extra-update branch
    // once a record update). Off only where a measurement keeps to the sites
    // it always counted.
    bool passUpdateSites = true;

    // The frame's order, and where its draw sites run in the game's order.
    FrameOrder frameOrder = FrameOrder::Game;
    DrawPlace drawPlace = DrawPlace::BeforeRendering;
    // The view the last frame drew (the game's order only).
    ViewSeen view = {};
    // Inside a frame of the game's order (its routines then run the sites
    // inside them).
    bool inGameFrame = false;
    // The view that the camera switch routine switches to while a frame of
    // the game's order calls it: first person when nonzero.
    uint8_t switchToFirstPerson = 0;

    // Scripting: runs inside the routine, after the call was logged.
    std::function<void(const CallRecord&)> onCall[kRoutineCount];
    // A replay's script of answers; null: the game's own state answers.
    Script* script = nullptr;

    // The standard rig.
    Player* player;
    Process* process;
    Interface* interface;
    Node* world;
    Node* bodyRoot;
    std::vector<Node*> bodyBones; // in the order of kBodyBones
    Node* bodyHead;
    Node* bodyNeck;
    Node* lClavicle;
    Node* rClavicle;
    Node* lHand;
    Node* rHand;
    Node* bodyMagic;
    Node* shieldHolder;
    Node* shield;
    Node* leftHandHolder;
    Node* leftHandItem;
    Node* fpRoot;
    Node* fpMagic;
    Node* camera;
    AnimRecord* bodyAnim;
    AnimRecord* fpAnim;
    Draw* playerDraws[2];
    Draw* otherDraws[2];
    Actor* others[2];

    // Internal: used by the simulated routines.
    // Logs a call; the record (null once the log is full) may be completed.
    CallRecord* Log(Routine r, const void* receiver, uint32_t a0, uint32_t a1);
    void LogDraw(const DrawObject* object);

    static constexpr int kLogCapacity = 4096;

  private:
    void BuildRig();
    std::vector<Node*> BuildSkeleton(Node* root, const RigBone* bones, int count);

    std::deque<Node> nodes_;
    std::deque<AnimRecord> records_;
    std::deque<Sequence> sequences_;
    std::deque<Weapon> weapons_;
    std::deque<Draw> drawObjects_;
    std::deque<Actor> actors_;
    std::deque<Collision> collisions_;
    Player playerStore_;
    Process processStore_;
    Interface interfaceStore_;

    CallRecord log_[kLogCapacity];
    int logged_ = 0;
    int callCounts_[kRoutineCount] = {};
    const void* watched_[kWatchedWords] = {};
    uint32_t missing_ = 0;
    DrawSeen draws_[kLogCapacity];
    int drawsLogged_ = 0;
};

// The Game now alive; aborts when there is none.
Game& Current();
bool GameExists();

// --- for tests: the game's routines that keep their contract, or not ----------
// The routines and virtual operations of the game that the plug-in calls,
// counted and named ("IsDead", "UpdateAnimationRecord", ...).
int CalleeCount();
const char* CalleeName(int index);
// Makes callee `index` pop 4 bytes more than its arguments (-1: every
// callee as it should), in this game and those made later.
void SetCalleePoppingMore(int index);
// How often that callee ran since it was chosen.
uint32_t CallsPoppingMore();
// Virtual operation 102 as the plug-in once took it: without arguments, so
// that it pops none of the one the plug-in passes.
void SetIsDeadPopsNothing(bool nothing);

// Lays out the game's code around the hook sites, the replayed routines and
// a probe at every resume address (done by every Game).
void InstallGameCode();

// Matrices for tests and scenarios.
Matrix3 Identity();
Matrix3 RotationX(float angle);
Matrix3 RotationY(float angle);
Matrix3 RotationZ(float angle);

} // namespace sim
