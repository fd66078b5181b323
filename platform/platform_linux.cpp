// The platform calls in the 32-bit Linux build: substitutes that behave as
// the Windows kernel's calls do, over the simulated game's memory.
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "game/addresses.h"
#include "platform/linux_host.h"
#include "platform/platform.h"
#include "platform/profile_file.h"

namespace {

constexpr uint32_t kPageSize = 0x1000;
constexpr uint32_t kGamePages = (LF_GAME_RANGE_END - LF_GAME_RANGE_BEGIN) / kPageSize;

// The Windows protection of every page of the game's range, as the substitute
// of VirtualProtect last set it.
uint8_t g_pageProtection[kGamePages];

constexpr int kProtectLogCapacity = 256;
uint32_t g_protectLog[kProtectLogCapacity];
int g_protectCalls = 0;

std::string g_moduleFileName;
std::string g_debugOutput; // what the debugger channel received, for tests
bool g_moduleFileNameSet = false;

int ToPosixProtection(uint32_t protection) {
    switch (protection) {
    case kPageReadOnly:
        return PROT_READ;
    case kPageReadWrite:
        return PROT_READ | PROT_WRITE;
    case kPageExecute:
        return PROT_EXEC;
    case kPageExecuteRead:
        return PROT_READ | PROT_EXEC;
    default:
        return PROT_READ | PROT_WRITE | PROT_EXEC;
    }
}

bool InGameRange(uint32_t address) {
    return address >= LF_GAME_RANGE_BEGIN && address < LF_GAME_RANGE_END;
}

// The executable's path in the Windows form the settings reader expects.
const std::string& ModuleFileName() {
    if (!g_moduleFileNameSet) {
        char buf[4096];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        g_moduleFileName.assign(buf, n > 0 ? static_cast<size_t>(n) : 0);
        for (char& c : g_moduleFileName) {
            if (c == '/') {
                c = '\\';
            }
        }
        g_moduleFileNameSet = true;
    }
    return g_moduleFileName;
}

uint32_t CopyCut(const std::string& text, char* buffer, uint32_t size) {
    if (size == 0) {
        return 0;
    }
    const uint32_t n = text.size() < size - 1 ? static_cast<uint32_t>(text.size()) : size - 1;
    memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

} // namespace

void PlatformSetModuleFileName(const char* windowsPath) {
    g_moduleFileName = windowsPath;
    g_moduleFileNameSet = true;
}

void PlatformDebugOutput(const char* text) {
    g_debugOutput += text;
}

std::string PlatformTakeDebugOutput() {
    std::string text;
    text.swap(g_debugOutput);
    return text;
}

void PlatformMarkGameRange(uint32_t protection) {
    memset(g_pageProtection, static_cast<int>(protection), sizeof g_pageProtection);
}

int PlatformProtectCallCount() {
    return g_protectCalls;
}
uint32_t PlatformProtectCallAddress(int index) {
    return g_protectLog[index];
}
void PlatformClearProtectCalls() {
    g_protectCalls = 0;
}

uint32_t PlatformPageProtection(uint32_t address) {
    return InGameRange(address) ? g_pageProtection[(address - LF_GAME_RANGE_BEGIN) / kPageSize] : 0;
}

uint32_t PlatformModuleFileName(char* buffer, uint32_t size) {
    // As GetModuleFileNameA: a path that does not fit is cut to size - 1
    // characters and the result is `size`.
    if (size == 0) {
        return 0;
    }
    const std::string& path = ModuleFileName();
    const uint32_t n = CopyCut(path, buffer, size);
    return path.size() >= size ? size : n;
}

bool PlatformFileReadable(const char* path) {
    char local[4096];
    snprintf(local, sizeof local, "%s", path);
    for (char* c = local; *c != '\0'; ++c) {
        if (*c == '\\') {
            *c = '/';
        }
    }
    struct stat st;
    if (stat(local, &st) != 0 || S_ISDIR(st.st_mode)) {
        return false;
    }
    const int fd = open(local, O_RDONLY);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

uint32_t PlatformProfileInt(const char* section, const char* key, int32_t fallback,
                            const char* path) {
    ProfileFile file;
    if (!ReadProfileFile(path, &file)) {
        return static_cast<uint32_t>(fallback);
    }
    const ProfileEntry* e = FindProfileEntry(file, section, key);
    // An empty value reads as the fallback, as Wine does; Windows' own answer
    // for it is not known.
    if (e == nullptr || e->value.empty()) {
        return static_cast<uint32_t>(fallback);
    }
    return ProfileIntFromText(e->value);
}

uint32_t PlatformProfileString(const char* section, const char* key, const char* fallback,
                               char* buffer, uint32_t size, const char* path) {
    ProfileFile file;
    const ProfileEntry* e = nullptr;
    if (ReadProfileFile(path, &file)) {
        e = FindProfileEntry(file, section, key);
    }
    if (e != nullptr) {
        return CopyCut(e->value, buffer, size);
    }
    // Windows removes trailing spaces (only spaces) from the fallback.
    std::string text = fallback != nullptr ? fallback : "";
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return CopyCut(text, buffer, size);
}

bool PlatformProtect(uint32_t address, uint32_t size, uint32_t protection,
                     uint32_t* oldProtection) {
    if (g_protectCalls < kProtectLogCapacity) {
        g_protectLog[g_protectCalls] = address;
    }
    ++g_protectCalls;
    if (size == 0 || !InGameRange(address) || !InGameRange(address + size - 1)) {
        *oldProtection = 0;
        return false;
    }
    const uint32_t first = (address - LF_GAME_RANGE_BEGIN) / kPageSize;
    const uint32_t last = (address + size - 1 - LF_GAME_RANGE_BEGIN) / kPageSize;
    *oldProtection = g_pageProtection[first];
    const uint32_t begin = LF_GAME_RANGE_BEGIN + first * kPageSize;
    const uint32_t length = (last - first + 1) * kPageSize;
    if (mprotect(reinterpret_cast<void*>(begin), length, ToPosixProtection(protection)) != 0) {
        return false;
    }
    for (uint32_t p = first; p <= last; ++p) {
        g_pageProtection[p] = static_cast<uint8_t>(protection);
    }
    return true;
}
