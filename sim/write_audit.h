// What the plug-in may write during a frame, checked byte for byte.
//
// Before a frame every object of the simulated game and the page of globals
// it writes are copied, and the rest of the game's address range is made
// read-only, so that any other write there stops the program at once. After
// the frame each object is compared with its copy: only the fields that the
// plug-in writes may differ (a node's local rotation, translation and scale,
// bit 0 of its Flags, the player's ThirdPerson byte, the chase distance);
// world fields only as the game's own update left them, but for the body's
// "magicNode" position; and every float written must be finite.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "sim/sim_game.h"

namespace sim {

class WriteAudit {
  public:
    // Takes the copies and protects the game's range.
    void Begin(const Game& game);
    // Lifts the protection and compares; one line per difference found.
    std::vector<std::string> Finish(const Game& game);

  private:
    std::vector<uint8_t> copy_;
};

} // namespace sim
