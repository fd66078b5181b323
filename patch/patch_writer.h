// Writes into the game's code: the page protection around the target is
// lifted for the write and put back after it. Used only while loading and in
// the host-message handler, never during a frame.
#pragma once

#include <stdint.h>

void PatchWord(uint32_t address, uint32_t value);
void PatchHalf(uint32_t address, uint16_t value);
void PatchByte(uint32_t address, uint8_t value);
// Turns the 5 bytes at `site` into a near jump (E9 rel32) to `target`.
void PatchJump(uint32_t site, uint32_t target);

// The displacement of a near jump from `site` to `target`, counted from the
// end of its 5 bytes, in 32-bit wrap-around arithmetic.
constexpr uint32_t JumpDisplacement(uint32_t site, uint32_t target) {
    return target - site - 5u;
}
constexpr uint8_t kJumpOpcode = 0xE9;      // jmp rel32
constexpr uint8_t kShortJumpOpcode = 0xEB; // jmp rel8
constexpr uint8_t kNopOpcode = 0x90;
constexpr uint32_t kJumpLength = 5;
