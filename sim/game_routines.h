// Inside the simulated game: the routines it places at the game's addresses
// and the tables of virtual operations its objects point to.
#pragma once

#include <stdint.h>

namespace sim {

// One table per kind of object; a slot the game bridge does not list stops
// the program when called.
constexpr int kTableSlots = 256;
struct Tables {
    void* player[kTableSlots];
    void* process[kTableSlots];
    void* node[kTableSlots];
    void* draw[kTableSlots];
    void* collision[kTableSlots];
    void* plain[kTableSlots];
};
Tables& VirtualTables();
// The slot of a collision object's sync with its node (+0x50 of its table).
constexpr int kCollisionSyncSlot = 0x50 / 4;

// A jump at each routine's address into its simulation.
void InstallRoutines();

// A 5-byte jump written at `at`.
void WriteJump(uint32_t at, const void* target);

[[noreturn]] void Fail(const char* what);

} // namespace sim
