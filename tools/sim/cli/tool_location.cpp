#include "tools/sim/cli/tool_location.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace simtool {

namespace {

namespace fs = std::filesystem;

std::string g_toolPath;

// The documented scenarios' folder from the program's own folder: beside it
// (the tools archive), or two folders up (a build of the repository).
const char* const kScenarioFolders[] = {"docs/scenarios", "../../docs/scenarios"};

} // namespace

void SetToolPath(const std::string& path) {
    g_toolPath = path;
}

std::string DocumentedScenarios() {
    std::error_code ec;
    std::vector<fs::path> bases;
    if (!g_toolPath.empty()) {
        bases.push_back(fs::path(g_toolPath).parent_path());
    }
    bases.push_back(fs::current_path(ec));
    for (const fs::path& base : bases) {
        for (const char* folder : kScenarioFolders) {
            const fs::path candidate = fs::weakly_canonical(base / folder, ec);
            if (ec || !fs::is_directory(candidate, ec)) {
                continue;
            }
            // From the current folder when it lies below it, else in full.
            const fs::path relative = candidate.lexically_proximate(fs::current_path(ec));
            const std::string text = relative.string();
            return text.rfind("..", 0) == 0 || relative.is_absolute() ? candidate.string() : text;
        }
    }
    return "";
}

std::string ScenarioHint(const std::string& path) {
    const std::string folder = DocumentedScenarios();
    if (folder.empty()) {
        return "";
    }
    std::error_code ec;
    const fs::path same = fs::path(folder) / fs::path(path).filename();
    if (fs::path(path).has_filename() && fs::is_regular_file(same, ec)) {
        return " (did you mean " + same.string() + "? The documented scenarios are in " + folder +
               ")";
    }
    return " (the documented scenarios are in " + folder + ")";
}

} // namespace simtool
