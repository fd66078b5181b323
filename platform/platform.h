// The few calls the plug-in makes into the operating system. On Windows they
// are the kernel's own; on Linux a substitute that behaves as they do.
#pragma once

#include <stdint.h>

// Page protections, with the values Windows gives them.
constexpr uint32_t kPageReadOnly = 0x02;
constexpr uint32_t kPageReadWrite = 0x04;
constexpr uint32_t kPageExecute = 0x10;
constexpr uint32_t kPageExecuteRead = 0x20;
constexpr uint32_t kPageExecuteReadWrite = 0x40;

// GetModuleFileNameA(NULL, buffer, size): the main executable's full path.
// Returns the characters copied; `size` when the path was cut short.
uint32_t PlatformModuleFileName(char* buffer, uint32_t size);
// For the simulator and the tests, which stand in for the game: the path that
// PlatformModuleFileName reports from now on, in Windows form (for example
// "C:\\Games\\Oblivion\\Oblivion.exe"). The plug-in never calls it.
void PlatformSetModuleFileName(const char* windowsPath);

// Whether the file exists and can be opened for reading (GetFileAttributesA,
// then CreateFileA and CloseHandle): the profile calls cannot tell a missing
// file from missing keys. Allocates nothing.
bool PlatformFileReadable(const char* path);

// GetPrivateProfileIntA(section, key, fallback, path).
uint32_t PlatformProfileInt(const char* section, const char* key, int32_t fallback,
                            const char* path);

// GetPrivateProfileStringA(section, key, fallback, buffer, size, path).
uint32_t PlatformProfileString(const char* section, const char* key, const char* fallback,
                               char* buffer, uint32_t size, const char* path);

// VirtualProtect(address, size, protection, &old). The result is not used by
// the plug-in; it is returned for tests.
bool PlatformProtect(uint32_t address, uint32_t size, uint32_t protection, uint32_t* oldProtection);

// OutputDebugStringA(text): one line to the system debugger channel, where a
// debugger or a debug viewer shows it; no file is written.
void PlatformDebugOutput(const char* text);
