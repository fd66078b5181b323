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

#include <vector>

#include "sim/sim_game.h"

namespace sim {

enum class CameraSwitch { None, Decide, Sitting, Death };

struct FrameLoad {
    std::vector<Actor*> actors; // the other actors whose records are updated
    std::vector<Draw*> draws;   // the objects drawn, in order
};

// The standard rig's load: its two other actors and four draw objects.
FrameLoad StandardLoad(Game& game);

void RunFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch);

} // namespace sim
