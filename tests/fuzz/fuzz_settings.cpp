// Any byte string as the settings file: the plug-in's reader (through the
// platform's profile calls) and the simulator's report of the file take it;
// every float read is finite, and no warning quotes more than a short piece
// of the file.
#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "settings/settings.h"
#include "tools/sim/settings/settings_report.h"

namespace {

std::string FilePath() {
    static const std::string path =
        "/tmp/lumenfold-fuzz-settings-" + std::to_string(getpid()) + ".ini";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FilePath();
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return 0;
    }
    fwrite(data, 1, size, f);
    fclose(f);
    const simtool::SettingsReport report = simtool::ReportSettings(path);
    for (const SettingsKey& k : kSettingsKeys) {
        if (k.isFloat && !isfinite(*reinterpret_cast<const float*>(
                             reinterpret_cast<const char*>(&Settings) + k.offset))) {
            abort();
        }
    }
    for (const std::string& w : report.warnings) {
        if (w.size() > 300) {
            abort();
        }
    }
    return 0;
}
