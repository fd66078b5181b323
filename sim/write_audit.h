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

    // Inside a frame, around the game's own changes between two sites: what
    // the plug-in wrote so far is compared, the pages of the game's globals
    // that a change may write are opened, and after the change closed again
    // and the game's new values taken as the copy. Cheaper than a Finish and
    // a Begin, which change the protection of the whole range.
    std::vector<std::string> Pause(const Game& game);
    void Resume(const Game& game);

  private:
    void Copy(const Game& game);
    std::vector<std::string> Compare(const Game& game);
    std::vector<uint8_t> copy_;
};

} // namespace sim
