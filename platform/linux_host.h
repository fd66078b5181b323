// What the Linux build's platform substitute offers beyond the Windows calls:
// the hooks through which the simulated game and the tests set it up.
#pragma once

#include <stdint.h>

#include <string>

// Records that every page of the game's range now has `protection` (the
// simulated game maps the range and calls this once).
void PlatformMarkGameRange(uint32_t protection);

// The protection the substitute of VirtualProtect last gave the page that
// holds `address`; 0 outside the game's range.
uint32_t PlatformPageProtection(uint32_t address);

// The addresses of the substitute's protection calls since the last clear, in
// order (the first 256), so that a test can see the order of code writes.
int PlatformProtectCallCount();
uint32_t PlatformProtectCallAddress(int index);
void PlatformClearProtectCalls();

// Everything sent to the debugger channel since the last call, then cleared.
std::string PlatformTakeDebugOutput();
