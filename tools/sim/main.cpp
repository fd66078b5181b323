// lumenfold-sim: the plug-in in the simulated game, for modders who tune the
// settings file without starting the game.
//
//   lumenfold-sim run SCENARIO [--trace FILE] [--svg FILE]
//   lumenfold-sim settings FILE
//   lumenfold-sim ini
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iostream>
#include <string>

#include "tools/sim/scenario.h"
#include "tools/sim/settings_report.h"
#include "tools/sim/svg.h"

namespace {

int Usage() {
    fprintf(stderr,
            "usage:\n"
            "  lumenfold-sim run SCENARIO [--trace FILE] [--svg FILE]\n"
            "      runs a scenario (see docs/scenarios.md); one JSON line per frame goes to\n"
            "      standard output or FILE, and --svg draws the run\n"
            "  lumenfold-sim settings FILE\n"
            "      the 26 values the plug-in reads from a settings file, and what to know\n"
            "  lumenfold-sim ini\n"
            "      the settings file with every key at its default, explained\n");
    return 2;
}

int Run(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    std::string scenarioPath = argv[2], tracePath, svgPath;
    for (int i = 3; i < argc; ++i) {
        if (strcmp(argv[i], "--trace") == 0 && i + 1 < argc) {
            tracePath = argv[++i];
        } else if (strcmp(argv[i], "--svg") == 0 && i + 1 < argc) {
            svgPath = argv[++i];
        } else {
            fprintf(stderr, "lumenfold-sim: unknown option '%s'\n", argv[i]);
            return Usage();
        }
    }
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    if (!simtool::LoadScenario(scenarioPath, &scenario, &error)) {
        fprintf(stderr, "lumenfold-sim: %s\n", error.message.c_str());
        return 1;
    }
    std::ofstream traceFile;
    if (!tracePath.empty()) {
        traceFile.open(tracePath);
        if (!traceFile) {
            fprintf(stderr, "lumenfold-sim: cannot write %s\n", tracePath.c_str());
            return 1;
        }
    }
    const simtool::RunResult result =
        simtool::RunScenario(scenario, tracePath.empty() ? std::cout : traceFile);
    if (!svgPath.empty()) {
        std::ofstream svg(svgPath);
        svg << simtool::RenderSvg(
            scenario.description.empty() ? scenarioPath : scenario.description, result.points);
        if (!svg) {
            fprintf(stderr, "lumenfold-sim: cannot write %s\n", svgPath.c_str());
            return 1;
        }
    }
    for (const std::string& f : result.failures) {
        fprintf(stderr, "lumenfold-sim: %s: %s\n", scenarioPath.c_str(), f.c_str());
    }
    fprintf(stderr, "lumenfold-sim: %s: %d frames, %zu expectations failed\n", scenarioPath.c_str(),
            result.frames, result.failures.size());
    return result.failures.empty() ? 0 : 1;
}

int Settings(int argc, char** argv) {
    if (argc != 3) {
        return Usage();
    }
    const simtool::SettingsReport r = simtool::ReportSettings(argv[2]);
    if (!r.readable) {
        fprintf(stderr, "lumenfold-sim: %s cannot be read\n", argv[2]);
        return 2;
    }
    for (const std::string& v : r.values) {
        printf("%s\n", v.c_str());
    }
    if (!r.warnings.empty()) {
        printf("\nwarnings:\n");
        for (const std::string& w : r.warnings) {
            printf("  %s\n", w.c_str());
        }
    }
    return r.hasMain ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    if (strcmp(argv[1], "run") == 0) {
        return Run(argc, argv);
    }
    if (strcmp(argv[1], "settings") == 0) {
        return Settings(argc, argv);
    }
    if (strcmp(argv[1], "ini") == 0 && argc == 2) {
        fputs(simtool::DefaultSettingsFile().c_str(), stdout);
        return 0;
    }
    return Usage();
}
