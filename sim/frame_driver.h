// One frame of the simulated game with the plug-in loaded: the game places
// its actor and camera (Game::PlaceRoots), then passes the patched sites in
// this order, entering each with the registers its own code would hold there
// (the rows are those of the hook table; docs/simulated-game.md has the
// table):
//   1. frame start (row 1);
//   2. a camera switch, when asked, at one of its five places: the game's
//      chase-distance store first (rows 19 to 22, the game's new distance on
//      the x87 stack), then the switch (row 14, 15, 16, 17, or 18 for death,
//      which stores no distance);
//   3. the forced-mode skip (row 5), once;
//   4. the camera update (row 2, EAX = the camera node), then the game's own
//      update of its camera node;
//   5. for the player, then every other actor: the first-person actor branch
//      (row 4, ESI = actor), then the body pass (row 3, EBP = actor, ECX =
//      its animation record);
//   6. the draw sites (rows 9 to 13): every draw object at one of the five
//      sites in turn (the standard load: each site one object of the player
//      and one of another owner);
//   7. the shadow pass (row 23), bracketed by the plug-in.
// Inside every update of an animation record (UpdateAnimationRecord, which
// the plug-in asks for at the body pass, for its extra updates at the camera
// update, at a draw and at the shadow pass), the game passes the shown-record
// skip (row 8, ESI = the record), the body-pass argument (row 7) and the
// extra-update branch (row 6), in that order.
#pragma once

#include <functional>
#include <vector>

#include "patch/hook_table.h"
#include "sim/cpu_state.h"
#include "sim/sim_game.h"

namespace sim {

// The five places of the game's camera switch: the deciding one, the three
// of sitting and lying (A, B, C), and death.
enum class CameraSwitch { None, Decide, Sitting, SittingB, SittingC, Death };

struct FrameLoad {
    std::vector<Actor*> actors; // the other actors whose records are updated
    std::vector<Draw*> draws;   // the objects drawn, in order
};

// The points of a frame where the game runs its own code and may change its
// values: before the camera switch, the camera update, the player's body
// pass, the draws and the shadow pass; inside the game's shadow pass (between
// the halves of the plug-in's bracket); and inside every update of the
// player's body record (the game's animation).
enum class FrameStage { Switch, Camera, Body, Draws, Shadow, ShadowPass, Update, Count };
constexpr int kFrameStageCount = static_cast<int>(FrameStage::Count);
inline constexpr const char* kFrameStageNames[kFrameStageCount] = {
    "switch", "camera", "body", "draws", "shadow", "shadowPass", "update"};
using StageHook = std::function<void(FrameStage)>;

// The standard rig's load: its two other actors and four draw objects.
FrameLoad StandardLoad(Game& game);

// `stage` (when given) is called at every stage of the frame.
void RunFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch,
              const StageHook& stage = nullptr);

// The three sites inside the game's update of `record` (rows 8, 7, 6), as
// the simulated UpdateAnimationRecord passes them. True when the glue let the
// game's own update go on past the extra-update branch (the animation
// advances); false when it took the branch, as during the plug-in's own
// extra updates.
bool PassUpdateSites(AnimationRecord* record);

// How often each row of the hook table (1 to 23) was passed through
// EnterSite, and for the branch sites (rows 4, 5, 6, 8) how often the glue
// took its other branch (`taken`) or resumed behind the site; for the body-
// pass argument (row 7), how often it pushed 0 (`taken`) or the game's value.
constexpr int kSiteRows = 23;
struct SiteTally {
    uint64_t passes[kSiteRows + 1];
    uint64_t taken[kSiteRows + 1];
    uint64_t notTaken[kSiteRows + 1];
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
