// One frame of the simulated game with the plug-in loaded: the game places
// its actor and camera (Game::PlaceRoots), then passes its patched sites in
// this order, entering each with the registers its own code would hold there:
//   1. frame start;
//   2. a camera switch, when asked (the deciding site, a sitting site or the
//      death site);
//   3. the camera update (EAX = the camera node), then the game's own update
//      of its camera node;
//   4. the body pass of the player, then of every other actor
//      (EBP = actor, ECX = its animation record);
//   5. the draw sites: every draw object at one of the five sites in turn;
//   6. the shadow pass, bracketed by the plug-in.
#pragma once

#include <functional>
#include <vector>

#include "sim/cpu_state.h"
#include "sim/sim_game.h"

namespace sim {

enum class CameraSwitch { None, Decide, Sitting, Death };

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

// Enters `site` with the registers of `in` and returns where the glue
// resumed (`out`), from the harness or from inside a game routine that the
// glue called (a site the game passes inside its own code): an entry in
// progress is kept. The game's stack is one of its own for each depth.
void EnterSite(uint32_t site, const CpuState& in, CpuState* out);
// The registers the game holds at a site: a stack aligned to 4 bytes, not
// 16, at the depth of the entry.
CpuState SiteRegisters();

} // namespace sim
