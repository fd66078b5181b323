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

// Files that cannot be opened from now on, by their path (either form), as
// when another program holds them locked: reads give what a missing file
// gives, and a file cannot be made there. PlatformUnlockFiles opens them all
// again.
void PlatformLockFile(const std::string& path);
void PlatformUnlockFiles();

// A disk that fills up: after `bytes` more bytes every write fails (-1: a
// disk with room again).
void PlatformFillDiskAfter(int64_t bytes);

// The local date and time stand still at `time` (tests of file names);
// PlatformUseRealLocalTime returns to the system's.
void PlatformSetLocalTime(const struct LocalTime& time);
void PlatformUseRealLocalTime();

// Called after every read of a profile value (tests that change the file
// while the plug-in reads it); null: nothing.
void PlatformAfterProfileRead(void (*hook)(void* context), void* context);

// Called with the path at every creation of a file, before it is made
// (tests in which another program makes a file of that name meanwhile);
// null: nothing.
void PlatformBeforeCreateFile(void (*hook)(const char* path, void* context), void* context);

// Called on entering (true) and on leaving (false) every call of this layer
// that may allocate (the kernel's calls allocate nothing in the game's
// heap), so that a test can tell the plug-in's own allocations from this
// layer's; null: nothing.
void PlatformBracketCalls(void (*hook)(bool entering, void* context), void* context);
