// Names given to stretches of this process's code, for the simulator and the
// tests (platform.h): the other plug-ins' libraries whose code the simulated
// game stands in for.
#include <stdio.h>

#include "platform/platform.h"

namespace {

constexpr int kMostNames = 4;
constexpr int kNameSize = 64;

struct NamedCode {
    uint32_t begin, end;
    char name[kNameSize];
};
NamedCode g_named[kMostNames];
int g_count = 0;

} // namespace

void PlatformNameCode(uint32_t begin, uint32_t end, const char* name) {
    for (int i = 0; i < g_count; ++i) {
        if (g_named[i].begin == begin) {
            g_named[i].end = end;
            snprintf(g_named[i].name, kNameSize, "%s", name);
            return;
        }
    }
    if (g_count < kMostNames) {
        g_named[g_count] = NamedCode{begin, end, {}};
        snprintf(g_named[g_count++].name, kNameSize, "%s", name);
    }
}

void PlatformForgetCodeNames() {
    g_count = 0;
}

bool PlatformNamedCode(uint32_t address, char* name, uint32_t size) {
    for (int i = 0; i < g_count; ++i) {
        if (size > 0 && address >= g_named[i].begin && address < g_named[i].end) {
            snprintf(name, size, "%s", g_named[i].name);
            return true;
        }
    }
    return false;
}
