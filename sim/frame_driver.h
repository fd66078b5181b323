// One frame of the simulated game with the plug-in loaded, in one of two
// orders (Game::frameOrder; docs/simulated-game.md has both in full).
//
// The game's order, as the game's own code runs a frame (the default):
//   1. the actor process updates: for each other actor the shown-record skip
//      (row 8), then its animation update (the first-person actor branch,
//      row 4, then the body pass, row 3); the player's process update passes
//      the shown-record skip too;
//   2. the player's control routine: a change of view when the step asks for
//      one (the point-of-view key calls the body-visibility switch, which
//      passes row 1; a camera switch calls the switch routine, which runs the
//      camera update, rows 5 and 2, and then the body-visibility switch,
//      row 1; the sitting, lying and death switches are made at rows 15 to
//      18, after the chase-distance stores of rows 20 to 22); the player's
//      two animation updates, the first with ThirdPerson flipped (the other
//      view's skeleton); the camera update (row 5, then row 2), skipped while
//      the free-flying camera is on; then the deciding switch (rows 19, 14);
//   3. the draw sites (rows 9 to 13; where, is chosen: Game::drawPlace);
//   4. the rendering: the shadow pass (row 23), then the view: the world drawn
//      with the first-person root hidden, then the first-person skeleton alone
//      (Game::view).
// Inside every update of a record the game passes the body-pass argument
// (row 7) at the record's root, and at every node's world-transform update
// the extra-update branch (row 6), which decides whether the node's
// collision object follows it.
//
// The design's order: the frame start (row 1) once a frame, a camera
// switch when asked, the forced-mode skip (row 5), the camera update (row 2),
// the body pass of the player and every other actor (rows 4, 3), the draw
// sites, the shadow pass; inside every record update rows 8, 7 and 6 once.
#pragma once

#include <functional>
#include <vector>

#include "patch/hook_table.h"
#include "sim/cpu_state.h"
#include "sim/node_walk.h"
#include "sim/sim_game.h"

namespace sim {

// The five places of the game's camera switch: the deciding one, the three
// of sitting and lying (A, B, C), and death.
// In the game's order two more changes of view: the switch routine called
// directly, at none of the plug-in's places (as 19 of its 24 callers do: the
// mouse wheel's zoom, the script extender's command), and the point-of-view
// key (the body-visibility switch called directly); in the design's
// order, neither passes a site.
enum class CameraSwitch {
    None,
    Decide,
    Sitting,
    SittingB,
    SittingC,
    Death,
    Direct,
    ViewKey,
    Count
};
constexpr int kCameraSwitchCount = static_cast<int>(CameraSwitch::Count);
// The names scenarios give them, in the enum's order.
inline constexpr const char* kCameraSwitchNames[kCameraSwitchCount] = {
    "none", "decide", "sitting", "sitting-b", "sitting-c", "death", "direct", "view-key"};
// The names of the frame's orders and of the draw sites' places.
inline constexpr const char* kFrameOrderNames[] = {"game", "design"};
inline constexpr const char* kDrawPlaceNames[] = {"before-rendering", "after-actors"};

struct FrameLoad {
    std::vector<Actor*> actors; // the other actors whose records are updated
    std::vector<Draw*> draws;   // the objects drawn, in order
};

// The points of a frame where the game runs its own code and may change its
// values: before the camera switch, the camera update, the player's body
// pass (in the game's order: its two animation updates), the draws and the
// shadow pass; inside the game's shadow pass (between the halves of the
// plug-in's bracket); inside every update of the player's body record (the
// game's animation); and, in the game's order only, before the other actors'
// updates and before the view is drawn.
enum class FrameStage {
    Switch,
    Camera,
    Body,
    Draws,
    Shadow,
    ShadowPass,
    Update,
    Actors,
    View,
    Count
};
constexpr int kFrameStageCount = static_cast<int>(FrameStage::Count);
inline constexpr const char* kFrameStageNames[kFrameStageCount] = {
    "switch", "camera", "body", "draws", "shadow", "shadowPass", "update", "actors", "view"};
using StageHook = std::function<void(FrameStage)>;

// The standard rig's load: its two other actors and four draw objects.
FrameLoad StandardLoad(Game& game);

// `stage` (when given) is called at every stage of the frame. Runs the
// frame in the game's order or the design's (Game::frameOrder).
void RunFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch,
              const StageHook& stage = nullptr);
void RunGameFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch,
                  const StageHook& stage);
void RunDesignFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch,
                  const StageHook& stage);
// The camera switch at one of its places (its chase-distance store first),
// as both orders make it.
void SwitchCamera(Game& game, CameraSwitch place);

// --- inside the game's routines, in the game's order --------------------------
// The camera switch routine (0x66C580) as the glue's replayed call runs it:
// ThirdPerson set to the view asked for, then (unless the vanity camera is
// on, and while the player has a first-person root) the camera update,
// rows 5 and 2, and the body-visibility switch, row 1.
void SwitchRoutine(Game& game, uint8_t toFirstPerson);
// The player's body-visibility switch (0x664F70): one root hidden, the other
// shown, the body root placed, then its call at row 1; unless one of its two
// early exits (which the plug-in blanks) finds the view already shown.
void ToggleBody(Game& game, bool toFirstPerson);
// The shown-record skip (row 8) with `record` in ESI, as 0x476D10 passes it.
void PassShownRecordSite(AnimationRecord* record);
// Every draw object of the load at one of the five draw sites in turn; in
// the game's order row 11's site only where the game's code reaches it.
void EnterDrawSites(const FrameLoad& load, bool gameOrder);
// Whether the game's code reaches row 11's site: only while row 12's
// stretch, which runs over it, holds the game's own code.
bool Row11Reachable();
// The float the switch routine stores as the chase distance when it switches
// a dead player to third person, and where the game keeps it.
constexpr uint32_t kSimDeathChaseDistanceAddress = 0x00B36B80;
constexpr float kSimDeathChaseDistance = 250.0f;

// The stages inside the game's own routines for one frame: inside its
// shadow pass, and inside every update of the player's body record.
class RoutineStages {
  public:
    RoutineStages(Game& game, const StageHook& stage);
    ~RoutineStages();
    RoutineStages(const RoutineStages&) = delete;
    RoutineStages& operator=(const RoutineStages&) = delete;

  private:
    Game& game_;
    bool installed_;
    std::function<void(const CallRecord&)> ownPass_;
    std::function<void(const CallRecord&)> ownUpdate_;
};

// The three sites inside the game's update of `record` (rows 8, 7, 6), as
// the simulated UpdateAnimationRecord passes them in the design's
// order. True when the glue let the game's own update go on past the
// extra-update branch (the animation advances); false when it took the
// branch, as during the plug-in's own extra updates.
bool PassUpdateSites(AnimationRecord* record);
// In the game's order: the body-pass argument (row 7) at the root of a
// record's update; returns the word pushed (0 during the body pass).
uint32_t PassRootUpdateSite();
// In the game's order: the extra-update branch (row 6) at the end of a
// node's world-transform update, and the sync of its collision object when
// the glue lets the game go on to it.
void PassCollisionSite(Node* node);

// How often each row of the hook table (1 to 23) was passed through
// EnterSite: with the plug-in's glue there (`passes`) or through the game's
// own code (`gamePasses`: the row's group off, or another module's bytes);
// and for the branch sites (rows 4, 5, 6, 8) how often the glue took its
// other branch (`taken`) or resumed behind the site; for the body-pass
// argument (row 7), how often it pushed 0 (`taken`) or the game's value.
constexpr int kSiteRows = 23;
// For the branch sites with two resume addresses, also how often any code
// there (the glue of this build or of a real DLL loaded beside it, or the
// game's own) went on at the other one (`resumedAlternate`).
struct SiteTally {
    uint64_t passes[kSiteRows + 1];
    uint64_t gamePasses[kSiteRows + 1];
    uint64_t taken[kSiteRows + 1];
    uint64_t notTaken[kSiteRows + 1];
    uint64_t resumedAlternate[kSiteRows + 1];
};
const SiteTally& SitesPassed();
// The hook table's row (1 to 23), and whether it is a branch site.
const HookSite& HookOfRow(int row);
bool IsBranchRow(int row);
void ClearSitesPassed();

// Enters `site` with the registers of `in` and returns where the glue
// resumed (`out`), from the harness or from inside a game routine that the
// glue called (a site the game passes inside its own code): an entry in
// progress is kept. The game's stack is one of its own for each depth.
void EnterSite(uint32_t site, const CpuState& in, CpuState* out);
// The registers the game holds at a site: a stack aligned to 4 bytes, not
// 16, at the depth of the entry.
CpuState SiteRegisters();

} // namespace sim
