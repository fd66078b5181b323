#include "patch/patch_writer.h"

#include <string.h>

#include "platform/platform.h"

namespace {

// The protection change always covers 4 bytes from the address, whatever
// the width written.
constexpr uint32_t kProtectedSpan = 4;

template <typename T> void PatchValue(uint32_t address, T value) {
    uint32_t old = 0;
    PlatformProtect(address, kProtectedSpan, kPageExecuteReadWrite, &old);
    // One store of the value's width; the address need not be aligned.
    memcpy(reinterpret_cast<void*>(address), &value, sizeof value);
    uint32_t ignored = 0;
    PlatformProtect(address, kProtectedSpan, old, &ignored);
}

} // namespace

void PatchWord(uint32_t address, uint32_t value) {
    PatchValue<uint32_t>(address, value);
}
void PatchHalf(uint32_t address, uint16_t value) {
    PatchValue<uint16_t>(address, value);
}
void PatchByte(uint32_t address, uint8_t value) {
    PatchValue<uint8_t>(address, value);
}

void PatchJump(uint32_t site, uint32_t target) {
    PatchByte(site, kJumpOpcode);
    PatchWord(site + 1, JumpDisplacement(site, target));
}
