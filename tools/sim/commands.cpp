#include "tools/sim/commands.h"

#include <string.h>

#include <fstream>
#include <string>

#include "tools/sim/scenario_run.h"
#include "tools/sim/settings_report.h"
#include "tools/sim/svg.h"
#include "tools/sim/trace.h"

namespace simtool {

namespace {

const char* const kUsage =
    "usage:\n"
    "  lumenfold-sim run SCENARIO [--trace FILE] [--svg FILE]\n"
    "      runs a scenario (see docs/scenarios.md); one JSON line per frame goes to\n"
    "      standard output or FILE, and --svg draws the run\n"
    "  lumenfold-sim settings FILE\n"
    "      the values the plug-in reads from a settings file, and what to know\n"
    "  lumenfold-sim ini\n"
    "      the settings file with every key at its default, explained\n";

int Usage(std::ostream& err) {
    err << kUsage;
    return 2;
}

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc < 3) {
        return Usage(err);
    }
    const std::string scenarioPath = argv[2];
    std::string tracePath, svgPath;
    for (int i = 3; i < argc; ++i) {
        if (strcmp(argv[i], "--trace") == 0 && i + 1 < argc) {
            tracePath = argv[++i];
        } else if (strcmp(argv[i], "--svg") == 0 && i + 1 < argc) {
            svgPath = argv[++i];
        } else {
            err << "lumenfold-sim: unknown option '" << argv[i] << "'\n";
            return Usage(err);
        }
    }
    Scenario scenario;
    ScenarioError error;
    if (!LoadScenario(scenarioPath, &scenario, &error)) {
        err << "lumenfold-sim: " << error.message << "\n";
        return 1;
    }
    std::ofstream traceFile;
    if (!tracePath.empty()) {
        traceFile.open(tracePath, std::ios::binary);
        if (!traceFile) {
            err << "lumenfold-sim: cannot write " << tracePath << "\n";
            return 1;
        }
    }
    TraceWriter trace(tracePath.empty() ? out : traceFile);
    PointCollector points;
    const RunResult result = RunScenario(scenario, {&trace, &points});
    if (!svgPath.empty()) {
        std::ofstream svg(svgPath, std::ios::binary);
        svg << RenderSvg(scenario.description.empty() ? scenarioPath : scenario.description,
                         points.points);
        if (!svg) {
            err << "lumenfold-sim: cannot write " << svgPath << "\n";
            return 1;
        }
    }
    for (const std::string& f : result.failures) {
        err << "lumenfold-sim: " << scenarioPath << ": " << f << "\n";
    }
    err << "lumenfold-sim: " << scenarioPath << ": " << result.frames << " frames, "
        << result.failures.size() << " expectations failed\n";
    return result.failures.empty() ? 0 : 1;
}

int SettingsCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc != 3) {
        return Usage(err);
    }
    const SettingsReport r = ReportSettings(argv[2]);
    if (!r.readable) {
        err << "lumenfold-sim: " << argv[2] << " cannot be read\n";
        return 2;
    }
    for (const std::string& v : r.values) {
        out << v << "\n";
    }
    if (!r.warnings.empty()) {
        out << "\nwarnings:\n";
        for (const std::string& w : r.warnings) {
            out << "  " << w << "\n";
        }
    }
    return r.hasMain ? 0 : 1;
}

} // namespace

int SimCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) {
        return Usage(err);
    }
    if (strcmp(argv[1], "run") == 0) {
        return Run(argc, argv, out, err);
    }
    if (strcmp(argv[1], "settings") == 0) {
        return SettingsCommand(argc, argv, out, err);
    }
    if (strcmp(argv[1], "ini") == 0 && argc == 2) {
        out << DefaultSettingsFile();
        return 0;
    }
    return Usage(err);
}

} // namespace simtool
