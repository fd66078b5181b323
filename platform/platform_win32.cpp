// The platform calls on Windows: the kernel's own.
#include <windows.h>

#include "platform/platform.h"

uint32_t PlatformModuleFileName(char* buffer, uint32_t size) {
    return GetModuleFileNameA(nullptr, buffer, size);
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
