#include "tools/sim/scenario/game_folder.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#define LF_PROCESS_ID _getpid()
#else
#include <unistd.h>
#define LF_PROCESS_ID getpid()
#endif

#include "platform/platform.h"
#include "settings/settings.h"

namespace simtool {

namespace fs = std::filesystem;

namespace {

// A path as Windows writes it: the plug-in cuts the executable's path at its
// last backslash.
std::string WindowsForm(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

} // namespace

GameFolder::GameFolder() {
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    if (ec) {
        return;
    }
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path root = temp / ("lumenfold-sim-" + std::to_string(LF_PROCESS_ID) + "-" +
                                      std::to_string(attempt));
        if (fs::create_directory(root, ec) && !ec) {
            root_ = root.string();
            break;
        }
    }
    if (root_.empty()) {
        return;
    }
    const fs::path plugins = fs::path(root_) / "Data" / "obse" / "plugins";
    fs::create_directories(plugins, ec);
    settings_ = (plugins / "OBSE_Lumenfold.ini").string();
    PlatformSetModuleFileName(WindowsForm((fs::path(root_) / "Oblivion.exe").string()).c_str());
}

GameFolder::~GameFolder() {
    if (!root_.empty()) {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
}

bool GameFolder::WriteSettings(const std::string& text) const {
    std::ofstream out(settings_, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

void GameFolder::RemoveSettings() const {
    std::error_code ec;
    fs::remove(settings_, ec);
}

} // namespace simtool
