#include "tools/sim/cli/commands.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <io.h>
constexpr int kBinary = O_BINARY;
#else
#include <unistd.h>
constexpr int kBinary = 0;
#endif

#include "tools/sim/cli/replay_commands.h"
#include "tools/sim/pictures/pose_svg.h"
#include "tools/sim/pictures/svg.h"
#include "tools/sim/scenario/scenario_run.h"
#include "tools/sim/scenario/trace.h"
#include "tools/sim/settings/player_readme.h"
#include "tools/sim/settings/settings_report.h"
#include "tools/sim/soak/frame_audit.h"
#include "tools/sim/soak/soak.h"
#include "tools/sim/soak/view_check.h"

namespace simtool {

namespace {

const char* const kUsage =
    "usage:\n"
    "  lumenfold-sim run SCENARIO [--settings FILE] [--trace FILE] [--svg FILE]\n"
    "                   [--pose FRAME] [--audit] [--frame game|spec]\n"
    "      runs a scenario (see docs/scenarios.md); one JSON line per frame goes to\n"
    "      standard output or FILE; --svg draws the run, or with --pose the body at\n"
    "      that frame from the side and from above; --settings runs it with your\n"
    "      settings file; --audit checks every frame as the soak does; --frame spec\n"
    "      runs the frames in the order the plug-in's design words them, not the\n"
    "      game's own (docs/simulated-game.md)\n"
    "  lumenfold-sim settings FILE\n"
    "      the values the plug-in reads from a settings file, and what to know\n"
    "  lumenfold-sim ini\n"
    "      the settings file with every key at its default, explained\n"
    "  lumenfold-sim readme\n"
    "      the player's readme of the release\n"
    "  lumenfold-sim --version\n"
    "  lumenfold-sim batch LIST\n"
    "      runs many commands in this one process: each line of LIST is a name and\n"
    "      the command's words, separated by tabs; NAME.out, NAME.err and NAME.rc\n"
    "      receive its outputs and exit status\n"
    "  lumenfold-sim soak [--seeds N] [--frames N] [--first-seed N] [--out DIR]\n"
    "                    [--replay] [--every-site] [--frame game|spec]\n"
    "      random settings and game states, every frame audited; a failing seed is\n"
    "      written to DIR as a scenario that run --audit replays; --replay also\n"
    "      records every seed and replays it from its recording alone; ends with\n"
    "      a count of every site passed; --every-site fails when a site was never\n"
    "      passed or a branch site never took one of its outcomes\n"
    "  lumenfold-sim record SCENARIO --out FILE.rec [--settings FILE]\n"
    "      runs a scenario with the recorder on and writes its recording, as the\n"
    "      plug-in writes one when the game is saved\n"
    "  lumenfold-sim replay FILE.rec [--tolerance X] [--pose FRAME --svg FILE]\n"
    "                      [--scenario FILE]\n"
    "      plays a recording back in the simulated game and compares every output of\n"
    "      every frame (floats exactly, or within X); --pose draws a frame, --scenario\n"
    "      writes the recording as a scenario with its outputs as expectations\n";

int Usage(std::ostream& err) {
    err << kUsage;
    return 2;
}

// A whole number option's value; false when it is not one.

// Runs `run` with the plug-in's own lines on standard output kept away.
template <typename F> void QuietRun(F run) {
    fflush(stdout);
    const int saved = dup(1);
#if defined(_WIN32)
    const int null = open("NUL", O_WRONLY);
#else
    const int null = open("/dev/null", O_WRONLY);
#endif
    if (null >= 0) {
        dup2(null, 1);
        close(null);
    }
    run();
    fflush(stdout);
    if (saved >= 0) {
        dup2(saved, 1);
        close(saved);
    }
}

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc < 3) {
        return Usage(err);
    }
    const std::string scenarioPath = argv[2];
    std::string tracePath, svgPath, settingsPath;
    bool audit = false;
    bool orderGiven = false;
    sim::FrameOrder order = sim::FrameOrder::Game;
    unsigned long long poseFrame = 0;
    bool pose = false;
    for (int i = 3; i < argc; ++i) {
        if (strcmp(argv[i], "--audit") == 0) {
            audit = true;
        } else if (strcmp(argv[i], "--settings") == 0 && i + 1 < argc) {
            settingsPath = argv[++i];
        } else if (strcmp(argv[i], "--pose") == 0 && i + 1 < argc &&
                   NumberOption(argv[i + 1], kMostPoseFrame, &poseFrame)) {
            pose = true;
            ++i;
        } else if (strcmp(argv[i], "--trace") == 0 && i + 1 < argc) {
            tracePath = argv[++i];
        } else if (strcmp(argv[i], "--svg") == 0 && i + 1 < argc) {
            svgPath = argv[++i];
        } else if (strcmp(argv[i], "--frame") == 0 && i + 1 < argc &&
                   FrameOrderOption(argv[i + 1], &order)) {
            orderGiven = true;
            ++i;
        } else {
            err << "lumenfold-sim: unknown option '" << argv[i] << "'\n";
            return Usage(err);
        }
    }
    if (pose && svgPath.empty()) {
        err << "lumenfold-sim: --pose draws into the file of --svg\n";
        return Usage(err);
    }
    Scenario scenario;
    ScenarioError error;
    if (!LoadScenarioWithSettings(scenarioPath, settingsPath, &scenario, &error)) {
        err << "lumenfold-sim: " << error.message << "\n";
        return 1;
    }
    if (orderGiven) {
        scenario.frameOrder = order;
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
    FrameAudit frameAudit;
    ViewCheck viewCheck;
    PoseCapture poseCapture(static_cast<int>(poseFrame));
    std::vector<FrameObserver*> observers = {&trace, &points, &poseCapture};
    if (audit) {
        observers.push_back(&frameAudit);
        observers.push_back(&viewCheck);
    }
    RunResult result = RunScenario(scenario, observers);
    result.failures.insert(result.failures.end(), frameAudit.problems.begin(),
                           frameAudit.problems.end());
    result.failures.insert(result.failures.end(), viewCheck.problems.begin(),
                           viewCheck.problems.end());
    // The scenario's expectations were written for its own settings: with a
    // tuner's file they show what that file changes, and fail nothing.
    const bool tuning = !settingsPath.empty();
    if (pose && tuning && poseCapture.pose.frame >= 0) {
        // The same frame with the scenario's own settings: where the picture
        // would be the same, it says so.
        Scenario own;
        ScenarioError ownError;
        if (LoadScenario(scenarioPath, &own, &ownError)) {
            own.frameOrder = scenario.frameOrder;
            PoseCapture ownPose(static_cast<int>(poseFrame));
            QuietRun([&] { RunScenario(own, {&ownPose}); });
            if (SamePose(ownPose.pose, poseCapture.pose)) {
                poseCapture.pose.unchangedBy =
                    "unchanged by these settings: the same as with the scenario's own";
            }
        }
    }
    if (!svgPath.empty()) {
        std::ofstream svg(svgPath, std::ios::binary);
        const std::string title =
            scenario.description.empty() ? scenarioPath : scenario.description;
        svg << (pose ? RenderPoseSvg(title, poseCapture.pose) : RenderSvg(title, points.points));
        if (!svg) {
            err << "lumenfold-sim: cannot write " << svgPath << "\n";
            return 1;
        }
    }
    const std::vector<std::string> problems = tuning ? result.failures : result.Problems();
    for (const std::string& f : problems) {
        err << "lumenfold-sim: " << scenarioPath << ": " << f << "\n";
    }
    if (tuning) {
        for (const ExpectationMiss& m : result.misses) {
            err << "lumenfold-sim: " << scenarioPath << ": your settings change " << m.place << ": "
                << m.want.dump() << " with the scenario's settings, " << m.got.dump()
                << " with yours\n";
        }
    }
    err << "lumenfold-sim: " << scenarioPath << ": " << result.frames << " frames, ";
    if (audit) {
        err << problems.size() << " problems found";
    } else if (tuning) {
        err << result.misses.size() << " expectations of the scenario changed by your settings";
        if (!problems.empty()) {
            err << ", " << problems.size() << " problems";
        }
    } else {
        err << problems.size() << " expectations failed";
    }
    err << "\n";
    return problems.empty() ? 0 : 1;
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

int Soak(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    SoakOptions options;
    for (int i = 2; i < argc; i += 2) {
        unsigned long long n = 0;
        const bool hasValue = i + 1 < argc;
        if (strcmp(argv[i], "--replay") == 0) {
            options.replay = true;
            --i; // no value
        } else if (strcmp(argv[i], "--every-site") == 0) {
            options.everySite = true;
            --i; // no value
        } else if (hasValue && strcmp(argv[i], "--out") == 0) {
            options.outDir = argv[i + 1];
        } else if (hasValue && strcmp(argv[i], "--seeds") == 0 &&
                   NumberOption(argv[i + 1], 100000000, &n)) {
            options.seeds = static_cast<int>(n);
        } else if (hasValue && strcmp(argv[i], "--frames") == 0 &&
                   NumberOption(argv[i + 1], kMaxFramesPerStep, &n) && n > 0) {
            options.frames = static_cast<int>(n);
        } else if (hasValue && strcmp(argv[i], "--first-seed") == 0 &&
                   NumberOption(argv[i + 1], ~0ull, &n)) {
            options.firstSeed = n;
        } else if (hasValue && strcmp(argv[i], "--frame") == 0 &&
                   FrameOrderOption(argv[i + 1], &options.frameOrder)) {
        } else {
            err << "lumenfold-sim: soak: unknown option or value '" << argv[i] << "'\n";
            return Usage(err);
        }
    }
    return RunSoak(options, out, err) == 0 ? 0 : 1;
}

// Standard output and error of this process sent into two files for a
// while: what the plug-in itself prints (through printf) lands there too.
class Redirect {
  public:
    Redirect(const std::string& out, const std::string& err) {
        Flush();
        savedOut_ = dup(1);
        savedErr_ = dup(2);
        Move(out, 1);
        Move(err, 2);
    }
    ~Redirect() {
        Flush();
        dup2(savedOut_, 1);
        dup2(savedErr_, 2);
        close(savedOut_);
        close(savedErr_);
    }

  private:
    static void Flush() {
        std::cout.flush();
        std::cerr.flush();
        fflush(stdout);
        fflush(stderr);
    }
    static void Move(const std::string& path, int fd) {
        // Binary: the same bytes on every system, no carriage returns added.
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | kBinary, 0644);
        if (file >= 0) {
            dup2(file, fd);
            close(file);
        }
    }
    int savedOut_, savedErr_;
};

int Batch(int argc, const char* const* argv, std::ostream& err) {
    if (argc != 3) {
        return Usage(err);
    }
    std::ifstream list(argv[2], std::ios::binary);
    if (!list) {
        err << "lumenfold-sim: " << argv[2] << " cannot be read\n";
        return 2;
    }
    std::string line;
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::vector<std::string> words;
        size_t start = 0;
        for (size_t tab = line.find('\t');; tab = line.find('\t', start)) {
            words.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) {
                break;
            }
            start = tab + 1;
        }
        if (words.size() < 2 || words[0].empty()) {
            continue;
        }
        std::vector<const char*> args = {"lumenfold-sim"};
        for (size_t i = 1; i < words.size(); ++i) {
            args.push_back(words[i].c_str());
        }
        int rc;
        {
            Redirect redirect(words[0] + ".out", words[0] + ".err");
            rc = SimCommand(static_cast<int>(args.size()), args.data(), std::cout, std::cerr);
        }
        std::ofstream(words[0] + ".rc", std::ios::binary) << rc << "\n";
    }
    return 0;
}

} // namespace

bool NumberOption(const char* text, unsigned long long max, unsigned long long* out) {
    char* end = nullptr;
    *out = strtoull(text, &end, 10);
    return text[0] >= '0' && text[0] <= '9' && *end == '\0' && *out <= max;
}

bool FrameOrderOption(const char* text, sim::FrameOrder* out) {
    for (int i = 0; i < 2; ++i) {
        if (strcmp(text, sim::kFrameOrderNames[i]) == 0) {
            *out = static_cast<sim::FrameOrder>(i);
            return true;
        }
    }
    return false;
}

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
    if (strcmp(argv[1], "batch") == 0) {
        return Batch(argc, argv, err);
    }
    if (strcmp(argv[1], "soak") == 0) {
        return Soak(argc, argv, out, err);
    }
    if (strcmp(argv[1], "record") == 0) {
        return RecordCommand(argc, argv, out, err);
    }
    if (strcmp(argv[1], "replay") == 0) {
        return ReplayCommand(argc, argv, out, err);
    }
    if (strcmp(argv[1], "readme") == 0 && argc == 2) {
        out << PlayerReadme(LF_RELEASE_VERSION);
        return 0;
    }
    if (strcmp(argv[1], "--version") == 0 && argc == 2) {
        out << "lumenfold-sim " << LF_RELEASE_VERSION << "\n";
        return 0;
    }
    if (strcmp(argv[1], "ini") == 0 && argc == 2) {
        out << DefaultSettingsFile();
        return 0;
    }
    return Usage(err);
}

} // namespace simtool
