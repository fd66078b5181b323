#include "patch/known_plugins.h"

#include <ctype.h>
#include <string.h>

#include "patch/hook_sites.h"

const KnownPlugin kKnownPlugins[kKnownPluginCount] = {
    // Its first-person shadow, on by default, shows the player's body around
    // the game's shadow pass, as Lumenfold's bracket there does.
    {"trifle", LF_SITE_SHADOW_PASS,
     "Trifle's first-person shadow holds it: the body view steps aside in plain first person, "
     "where the head and arms would show from inside; for the body view set [Graphics::Player] "
     "EnableFirstPersonShadow=0 in Trifle's settings"},
    // Only with its profiling option, which is off by default.
    {"stutter", LF_SITE_SHADOW_PASS,
     "the stutter remover's profiling holds it: the body view steps aside in plain first person, "
     "where the head and arms would show from inside; for the body view turn the stutter "
     "remover's profiling off in its settings (it is off by default)"},
};

namespace {

// Whether `part` (lower case) is in `text`, letters in any case.
bool Contains(const char* text, const char* part) {
    const size_t n = strlen(part);
    for (const char* p = text; *p != '\0'; ++p) {
        size_t i = 0;
        while (i < n && p[i] != '\0' &&
               tolower(static_cast<unsigned char>(p[i])) == static_cast<unsigned char>(part[i])) {
            ++i;
        }
        if (i == n) {
            return true;
        }
    }
    return false;
}

} // namespace

const KnownPlugin* KnownPluginAt(uint32_t place, const char* moduleName) {
    if (moduleName == nullptr || moduleName[0] == '\0') {
        return nullptr;
    }
    for (const KnownPlugin& k : kKnownPlugins) {
        if (k.place == place && Contains(moduleName, k.fileNamePart)) {
            return &k;
        }
    }
    return nullptr;
}
