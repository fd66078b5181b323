#include "tools/sim/cli/scenario_input.h"

#include <vector>

#include "tools/sim/cli/exit_status.h"
#include "tools/sim/cli/input_files.h"
#include "tools/sim/cli/tool_location.h"
#include "tools/sim/settings/settings_report.h"

namespace simtool {

namespace {

// The most settings texts of a scenario's steps that are checked.
constexpr size_t kMostSettingsTextsChecked = 20;

// Every warning about a settings text, each behind `where`.
void PrintWarnings(const SettingsReport& report, const std::string& where, std::ostream& err) {
    if (!report.readable) {
        err << "lumenfold-sim: " << where
            << ": not checked (no temporary copy of the settings could be written)\n";
    }
    for (const std::string& w : report.warnings) {
        err << "lumenfold-sim: " << where << ": " << w << "\n";
    }
}

} // namespace

long long ScenarioFrames(const Scenario& scenario) {
    long long frames = 0;
    for (const Step& s : scenario.steps) {
        frames += s.frames;
    }
    return frames;
}

int LoadScenarioInput(const std::string& path, const std::string& settingsPath, Scenario* scenario,
                      std::ostream& err) {
    std::string text, problem;
    int status = ReadInput(path, kMostScenarioBytes, "a scenario", &text, &problem);
    if (status != kExitDone) {
        if (problem == path + ": no such file") {
            problem += ScenarioHint(path);
        }
        err << "lumenfold-sim: " << problem << "\n";
        return status;
    }
    ScenarioError error;
    if (!ParseScenario(text, path, scenario, &error)) {
        err << "lumenfold-sim: " << error.message << "\n";
        return kExitRefused;
    }
    if (!settingsPath.empty()) {
        status = ReadInput(settingsPath, kMostSettingsFileBytes, "a settings file",
                           &scenario->settings, &problem);
        if (status != kExitDone) {
            err << "lumenfold-sim: " << problem << "\n";
            return status;
        }
        PrintWarnings(CheckSettingsFile(settingsPath, scenario->settings), settingsPath, err);
    } else if (!scenario->settings.empty()) {
        PrintWarnings(CheckSettingsText(scenario->settings), path + ": settings", err);
    }
    // Each text once: a scenario made from a recording may rewrite the same
    // file at many steps.
    std::vector<const std::string*> checked;
    for (const Step& s : scenario->steps) {
        if (!s.rewritesSettings || s.settings.empty() || s.settings == scenario->settings) {
            continue;
        }
        bool seen = false;
        for (const std::string* c : checked) {
            seen = seen || *c == s.settings;
        }
        if (seen) {
            continue;
        }
        if (checked.size() == kMostSettingsTextsChecked) {
            err << "lumenfold-sim: " << path << ": the settings of further steps are not checked\n";
            break;
        }
        checked.push_back(&s.settings);
        PrintWarnings(CheckSettingsText(s.settings), path + ": " + s.place + ".settings", err);
    }
    return kExitDone;
}

} // namespace simtool
