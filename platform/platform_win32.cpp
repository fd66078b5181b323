// The platform calls on Windows: the kernel's own.
#include <windows.h>

#include "platform/platform.h"

namespace {
// Set only by the simulator, which stands in for the game; empty in the game.
char g_moduleFileName[MAX_PATH] = "";
} // namespace

uint32_t PlatformModuleFileName(char* buffer, uint32_t size) {
    if (g_moduleFileName[0] == '\0') {
        return GetModuleFileNameA(nullptr, buffer, size);
    }
    // As GetModuleFileNameA: cut to size - 1 characters, and `size` then.
    const uint32_t length = static_cast<uint32_t>(lstrlenA(g_moduleFileName));
    if (size == 0) {
        return 0;
    }
    const uint32_t n = length < size - 1 ? length : size - 1;
    CopyMemory(buffer, g_moduleFileName, n);
    buffer[n] = '\0';
    return length >= size ? size : n;
}

void PlatformSetModuleFileName(const char* windowsPath) {
    lstrcpynA(g_moduleFileName, windowsPath, MAX_PATH);
}

bool PlatformFileReadable(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    // An editor may hold the file while it saves: it must open for reading.
    const HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

uint32_t PlatformProfileInt(const char* section, const char* key, int32_t fallback,
                            const char* path) {
    return GetPrivateProfileIntA(section, key, fallback, path);
}

uint32_t PlatformProfileString(const char* section, const char* key, const char* fallback,
                               char* buffer, uint32_t size, const char* path) {
    return GetPrivateProfileStringA(section, key, fallback, buffer, size, path);
}

bool PlatformProtect(uint32_t address, uint32_t size, uint32_t protection,
                     uint32_t* oldProtection) {
    DWORD old = 0;
    const BOOL ok = VirtualProtect(reinterpret_cast<void*>(address), size, protection, &old);
    *oldProtection = old;
    return ok != 0;
}

void PlatformDebugOutput(const char* text) {
    OutputDebugStringA(text);
}
