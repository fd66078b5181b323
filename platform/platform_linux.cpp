// The platform calls in the 32-bit Linux build: substitutes that behave as
// the Windows kernel's calls do, over the simulated game's memory.
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

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

// What the tests set up: locked files, a disk that fills, a clock and a
// calendar that stand still, a hook after each profile read.
std::vector<std::string> g_lockedFiles; // local paths
int64_t g_diskRoom = -1;                // bytes left; -1: no limit
bool g_clockSet = false;
uint32_t g_clock = 0;
bool g_localTimeSet = false;
LocalTime g_localTime = {};
void (*g_afterProfileRead)(void*) = nullptr;
void* g_afterProfileReadContext = nullptr;
void (*g_beforeCreate)(const char*, void*) = nullptr;
void* g_beforeCreateContext = nullptr;

void (*g_bracket)(bool, void*) = nullptr;
void* g_bracketContext = nullptr;

// Marks a call of this layer from entry to return for PlatformBracketCalls.
class Bracket {
  public:
    Bracket() { Tell(true); }
    ~Bracket() { Tell(false); }
    Bracket(const Bracket&) = delete;
    Bracket& operator=(const Bracket&) = delete;

  private:
    static void Tell(bool entering) {
        if (g_bracket != nullptr) {
            g_bracket(entering, g_bracketContext);
        }
    }
};

bool IsLocked(const std::string& localPath) {
    return std::find(g_lockedFiles.begin(), g_lockedFiles.end(), localPath) != g_lockedFiles.end();
}

// The profile file as the kernel's calls see it: none when it is locked.
bool ReadProfile(const char* path, ProfileFile* file) {
    return !IsLocked(ProfileLocalPath(path)) && ReadProfileFile(path, file);
}

void AfterProfileRead() {
    if (g_afterProfileRead != nullptr) {
        g_afterProfileRead(g_afterProfileReadContext);
    }
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

void PlatformLockFile(const std::string& path) {
    g_lockedFiles.push_back(ProfileLocalPath(path.c_str()));
}
void PlatformUnlockFiles() {
    g_lockedFiles.clear();
}
void PlatformFillDiskAfter(int64_t bytes) {
    g_diskRoom = bytes;
}
void PlatformSetClock(uint32_t ms) {
    g_clockSet = true;
    g_clock = ms;
}
void PlatformUseRealClock() {
    g_clockSet = false;
}
void PlatformSetLocalTime(const LocalTime& time) {
    g_localTimeSet = true;
    g_localTime = time;
}
void PlatformUseRealLocalTime() {
    g_localTimeSet = false;
}
void PlatformBracketCalls(void (*hook)(bool, void*), void* context) {
    g_bracket = hook;
    g_bracketContext = context;
}

void PlatformAfterProfileRead(void (*hook)(void*), void* context) {
    g_afterProfileRead = hook;
    g_afterProfileReadContext = context;
}

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
    const Bracket bracket;
    char local[4096];
    snprintf(local, sizeof local, "%s", path);
    for (char* c = local; *c != '\0'; ++c) {
        if (*c == '\\') {
            *c = '/';
        }
    }
    struct stat st;
    if (stat(local, &st) != 0 || S_ISDIR(st.st_mode) || IsLocked(local)) {
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
    const Bracket bracket;
    ProfileFile file;
    const bool found = ReadProfile(path, &file);
    AfterProfileRead();
    if (!found) {
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
    const Bracket bracket;
    ProfileFile file;
    const ProfileEntry* e = nullptr;
    if (ReadProfile(path, &file)) {
        e = FindProfileEntry(file, section, key);
    }
    AfterProfileRead();
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

uint32_t PlatformProfileKeys(const char* section, char* buffer, uint32_t size, const char* path) {
    const Bracket bracket;
    if (size == 0) {
        return 0;
    }
    ProfileFile file;
    std::string list; // names, each with its NUL
    if (ReadProfile(path, &file)) {
        // The keys of the first section of that name, in file order (a rule of
        // this layer: Windows' answer for a section given twice is not known).
        int first = -1;
        for (size_t i = 0; i < file.sections.size(); ++i) {
            if (strcasecmp(file.sections[i].c_str(), section) == 0) {
                first = static_cast<int>(i);
                break;
            }
        }
        for (const ProfileEntry& e : file.entries) {
            if (first >= 0 && e.section == first) {
                list += e.key;
                list += '\0';
            }
        }
    }
    if (list.size() + 1 <= size) {
        memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty() && size >= 2) {
            buffer[1] = '\0';
        }
        return static_cast<uint32_t>(list.size() == 0 ? 0 : list.size());
    }
    // Cut: as many characters as fit before two NULs; the result is size - 2.
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

namespace {

PlatformFile CreateFileWith(const char* path, int mode) {
    const Bracket bracket;
    if (g_beforeCreate != nullptr) {
        g_beforeCreate(path, g_beforeCreateContext);
    }
    const std::string local = ProfileLocalPath(path);
    if (IsLocked(local)) {
        return kNoFile;
    }
    const int fd = open(local.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0644);
    return fd < 0 ? kNoFile : fd;
}

} // namespace

PlatformFile PlatformCreateFile(const char* path) {
    return CreateFileWith(path, O_TRUNC);
}

PlatformFile PlatformCreateNewFile(const char* path) {
    return CreateFileWith(path, O_EXCL);
}

void PlatformBeforeCreateFile(void (*hook)(const char* path, void* context), void* context) {
    g_beforeCreate = hook;
    g_beforeCreateContext = context;
}

bool PlatformWriteFile(PlatformFile file, const void* data, uint32_t size) {
    if (file == kNoFile) {
        return false;
    }
    const char* p = static_cast<const char*>(data);
    uint32_t left = size;
    if (g_diskRoom >= 0 && static_cast<int64_t>(left) > g_diskRoom) {
        // A full disk takes what room is left, then refuses the rest.
        left = static_cast<uint32_t>(g_diskRoom);
    }
    while (left > 0) {
        const ssize_t n = write(static_cast<int>(file), p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        left -= static_cast<uint32_t>(n);
        if (g_diskRoom >= 0) {
            g_diskRoom -= n;
        }
    }
    return static_cast<uint32_t>(p - static_cast<const char*>(data)) == size;
}

void PlatformCloseFile(PlatformFile file) {
    if (file != kNoFile) {
        close(static_cast<int>(file));
    }
}

bool PlatformDeleteFile(const char* path) {
    const Bracket bracket;
    return unlink(ProfileLocalPath(path).c_str()) == 0;
}

void PlatformListFiles(const char* folder, const char* prefix, const char* suffix,
                       void (*each)(const char* name, void* context), void* context) {
    const Bracket bracket;
    DIR* dir = opendir(ProfileLocalPath(folder).c_str());
    if (dir == nullptr) {
        return;
    }
    const size_t prefixLength = strlen(prefix);
    const size_t suffixLength = strlen(suffix);
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        const size_t length = strlen(name);
        if (length < prefixLength + suffixLength || strncmp(name, prefix, prefixLength) != 0 ||
            strcmp(name + length - suffixLength, suffix) != 0) {
            continue;
        }
        struct stat st;
        const std::string full = ProfileLocalPath(folder) + name;
        if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            each(name, context);
        }
    }
    closedir(dir);
}

bool PlatformFileStamp(const char* path, FileStamp* stamp) {
    const Bracket bracket;
    struct stat st;
    if (stat(ProfileLocalPath(path).c_str(), &st) != 0) {
        return false;
    }
    stamp->writeTime = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000ull +
                       static_cast<uint64_t>(st.st_mtim.tv_nsec);
    stamp->size = static_cast<uint64_t>(st.st_size);
    stamp->isFolder = S_ISDIR(st.st_mode);
    return true;
}

uint32_t PlatformMilliseconds() {
    if (g_clockSet) {
        return g_clock;
    }
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void PlatformLocalTime(LocalTime* out) {
    if (g_localTimeSet) {
        *out = g_localTime;
        return;
    }
    const time_t now = time(nullptr);
    tm t;
    localtime_r(&now, &t);
    *out = LocalTime{static_cast<uint16_t>(t.tm_year + 1900), static_cast<uint16_t>(t.tm_mon + 1),
                     static_cast<uint16_t>(t.tm_mday),        static_cast<uint16_t>(t.tm_hour),
                     static_cast<uint16_t>(t.tm_min),         static_cast<uint16_t>(t.tm_sec)};
}

bool PlatformModuleName(uint32_t address, char* name, uint32_t size) {
    if (PlatformNamedCode(address, name, size)) {
        return true;
    }
    const Bracket bracket;
    Dl_info info;
    if (size == 0 || dladdr(reinterpret_cast<void*>(address), &info) == 0 ||
        info.dli_fname == nullptr || info.dli_fname[0] == '\0') {
        return false;
    }
    const char* slash = strrchr(info.dli_fname, '/');
    snprintf(name, size, "%s", slash != nullptr ? slash + 1 : info.dli_fname);
    return true;
}

namespace {

// The four bytes at `address`, which the caller has found mapped readable,
// read one at a time by plain loads: no sanitizer checks this read against
// its own bookkeeping (AddressSanitizer's shadow memory is mapped readable,
// but the shadow of that shadow is not), and no alignment is assumed.
__attribute__((noinline, no_sanitize_address)) uint32_t ReadMappedWord(uint32_t address) {
    const volatile uint8_t* p = reinterpret_cast<const volatile uint8_t*>(address);
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

bool PlatformReadWord(uint32_t address, uint32_t* value) {
    const Bracket bracket;
    // The process's own map of its memory says what is mapped readable.
    FILE* maps = fopen("/proc/self/maps", "r");
    if (maps == nullptr) {
        return false;
    }
    bool readable = false;
    char line[512];
    const uint64_t first = address, last = static_cast<uint64_t>(address) + 3;
    uint64_t covered = first; // the next byte still to find readable
    while (fgets(line, sizeof line, maps) != nullptr && covered <= last) {
        unsigned long long begin = 0, end = 0;
        char perms[8] = "";
        if (sscanf(line, "%llx-%llx %7s", &begin, &end, perms) != 3) {
            continue;
        }
        if (begin <= covered && covered < end) {
            if (perms[0] != 'r') {
                break;
            }
            covered = end;
        }
    }
    readable = covered > last;
    fclose(maps);
    if (readable) {
        *value = ReadMappedWord(address);
    }
    return readable;
}
