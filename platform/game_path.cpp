#include "platform/game_path.h"

#include <string.h>

#include "platform/platform.h"

bool BuildGamePath(const char* relative, char* path, uint32_t capacity) {
    char exe[kGamePathCapacity];
    const uint32_t length = PlatformModuleFileName(exe, kGamePathCapacity);
    // A result of 0 is a failure and one of the full size a path cut short:
    // neither names a folder we can trust.
    if (length == 0 || length >= kGamePathCapacity) {
        return false;
    }
    exe[length] = '\0';
    const char* slash = strrchr(exe, '\\');
    if (slash == nullptr) {
        return false;
    }
    const size_t folder = static_cast<size_t>(slash - exe) + 1;
    const size_t rest = strlen(relative);
    if (folder + rest + 1 > capacity) {
        return false;
    }
    memcpy(path, exe, folder);
    memcpy(path + folder, relative, rest + 1);
    return true;
}
