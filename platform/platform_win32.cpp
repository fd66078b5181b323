// The platform calls on Windows: the kernel's own.
#include <windows.h>

#include <stdio.h>

#include "platform/platform.h"

namespace {
// Set only by the simulator, which stands in for the game; empty in the game.
char g_moduleFileName[MAX_PATH] = "";
bool g_clockSet = false;
uint32_t g_clock = 0;
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

uint32_t PlatformProfileKeys(const char* section, char* buffer, uint32_t size, const char* path) {
    return GetPrivateProfileStringA(section, nullptr, "", buffer, size, path);
}

PlatformFile PlatformCreateFile(const char* path) {
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<PlatformFile>(file);
}

PlatformFile PlatformCreateNewFile(const char* path) {
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<PlatformFile>(file);
}

bool PlatformWriteFile(PlatformFile file, const void* data, uint32_t size) {
    DWORD written = 0;
    return file != kNoFile &&
           WriteFile(reinterpret_cast<HANDLE>(file), data, size, &written, nullptr) != 0 &&
           written == size;
}

void PlatformCloseFile(PlatformFile file) {
    if (file != kNoFile) {
        CloseHandle(reinterpret_cast<HANDLE>(file));
    }
}

bool PlatformDeleteFile(const char* path) {
    return DeleteFileA(path) != 0;
}

void PlatformListFiles(const char* folder, const char* prefix, const char* suffix,
                       void (*each)(const char* name, void* context), void* context) {
    char pattern[MAX_PATH];
    const int written = snprintf(pattern, MAX_PATH, "%s%s*%s", folder, prefix, suffix);
    if (written <= 0 || written >= MAX_PATH) {
        return;
    }
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    const int prefixLength = lstrlenA(prefix);
    const int suffixLength = lstrlenA(suffix);
    do {
        // The pattern also matches short 8.3 names: the long name decides.
        const int length = lstrlenA(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            length >= prefixLength + suffixLength &&
            CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, found.cFileName, prefixLength, prefix,
                           prefixLength) == CSTR_EQUAL &&
            lstrcmpiA(found.cFileName + length - suffixLength, suffix) == 0) {
            each(found.cFileName, context);
        }
    } while (FindNextFileA(search, &found) != 0);
    FindClose(search);
}

bool PlatformFileStamp(const char* path, FileStamp* stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) == 0) {
        return false;
    }
    stamp->writeTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
    stamp->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp->isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

uint32_t PlatformMilliseconds() {
    return g_clockSet ? g_clock : GetTickCount();
}

void PlatformSetClock(uint32_t ms) {
    g_clockSet = true;
    g_clock = ms;
}

void PlatformUseRealClock() {
    g_clockSet = false;
}

void PlatformLocalTime(LocalTime* time) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    *time = LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool PlatformModuleName(uint32_t address, char* name, uint32_t size) {
    if (PlatformNamedCode(address, name, size)) {
        return true;
    }
    HMODULE module = nullptr;
    if (size == 0 || GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        reinterpret_cast<LPCSTR>(address), &module) == 0) {
        return false;
    }
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    const char* base = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/') {
            base = c + 1;
        }
    }
    lstrcpynA(name, base, static_cast<int>(size));
    return true;
}

bool PlatformReadWord(uint32_t address, uint32_t* value) {
    // Every byte of the word must lie in committed, readable memory.
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    uint32_t at = address;
    const uint64_t last = static_cast<uint64_t>(address) + 3;
    while (at <= last) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(reinterpret_cast<LPCVOID>(at), &info, sizeof info) == 0 ||
            info.State != MEM_COMMIT || (info.Protect & kReadable) == 0 ||
            (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0) {
            return false;
        }
        const uint64_t end = reinterpret_cast<uint32_t>(info.BaseAddress) + info.RegionSize;
        if (end > last) {
            break;
        }
        at = static_cast<uint32_t>(end);
    }
    CopyMemory(value, reinterpret_cast<const void*>(address), 4);
    return true;
}
