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

// GetPrivateProfileStringA(section, NULL, "", buffer, size, path): the name
// of every key of the section, each ended by a NUL, the list by a second NUL.
// A list that does not fit is cut as Windows cuts it (the last name shortened,
// then two NULs) and the result is then size - 2; otherwise the characters
// written without the final NUL.
uint32_t PlatformProfileKeys(const char* section, char* buffer, uint32_t size, const char* path);

// --- files the plug-in writes: its log and its recordings -------------------
// A handle of an open file (HANDLE on Windows, a descriptor on Linux).
using PlatformFile = intptr_t;
constexpr PlatformFile kNoFile = -1;
// CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS): a new,
// empty file (one of that name is emptied); other programs may read it while
// it is open. kNoFile when it cannot be made (a protected folder, a lock).
PlatformFile PlatformCreateFile(const char* path);
// CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW): a new file
// that no file of that name was before (kNoFile when there is one, or when it
// cannot be made): what it holds is this process's alone.
PlatformFile PlatformCreateNewFile(const char* path);
// WriteFile: all `size` bytes go to the file, straight to the system (no
// buffer of the process's own holds them back); false when they did not all
// go (a full disk).
bool PlatformWriteFile(PlatformFile file, const void* data, uint32_t size);
void PlatformCloseFile(PlatformFile file);
// DeleteFileA(path).
bool PlatformDeleteFile(const char* path);
// FindFirstFileA / FindNextFileA over `folder` (with its trailing backslash):
// calls `each` with the name of every plain file whose name begins with
// `prefix` and ends with `suffix`. Allocates nothing.
void PlatformListFiles(const char* folder, const char* prefix, const char* suffix,
                       void (*each)(const char* name, void* context), void* context);

// The last-write time (in the system's own units, only compared) and the size
// of a file, as GetFileAttributesExA gives them.
struct FileStamp {
    uint64_t writeTime;
    uint64_t size;
    bool isFolder;
};
// False when nothing of that name exists.
bool PlatformFileStamp(const char* path, FileStamp* stamp);

// GetTickCount: milliseconds since some start; it wraps, so only differences
// mean anything. No system call.
uint32_t PlatformMilliseconds();
// For the simulator and the tests, which stand in for the game: the clock
// stands still at `ms` until set again (a run that lets time pass frame by
// frame, the same on every system); PlatformUseRealClock returns to the
// system's clock. The plug-in never calls them.
void PlatformSetClock(uint32_t ms);
void PlatformUseRealClock();

// GetLocalTime: the local date and time.
struct LocalTime {
    uint16_t year, month, day, hour, minute, second;
};
void PlatformLocalTime(LocalTime* time);

// The file name, without its folder, of the module (the executable or a
// library) that holds `address` (GetModuleHandleExA by address, then
// GetModuleFileNameA); false when no module holds it.
bool PlatformModuleName(uint32_t address, char* name, uint32_t size);
// For the simulator and the tests, which stand in for the game and for other
// plug-ins: code of this process from `begin` to `end` (not included) is
// reported by PlatformModuleName as the module `name` (the library of
// another plug-in whose code the simulated game stands in for), until
// forgotten. At most four at a time. The plug-in never calls them.
void PlatformNameCode(uint32_t begin, uint32_t end, const char* name);
void PlatformForgetCodeNames();
// The name given to the code at `address`, if any (both platforms' module
// names ask it first).
bool PlatformNamedCode(uint32_t address, char* name, uint32_t size);

// The 32-bit word at `address`, read only when the memory there is committed
// and readable (VirtualQuery); false otherwise.
bool PlatformReadWord(uint32_t address, uint32_t* value);
