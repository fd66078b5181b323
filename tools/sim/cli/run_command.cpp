// lumenfold-sim run: a scenario played in the simulated game, its trace, its
// pictures and its expectations.
#include "tools/sim/cli/run_command.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tools/sim/cli/commands.h"
#include "tools/sim/cli/exit_status.h"
#include "tools/sim/cli/input_files.h"
#include "tools/sim/cli/scenario_input.h"
#include "tools/sim/cli/usage.h"
#include "tools/sim/pictures/pose_svg.h"
#include "tools/sim/pictures/svg.h"
#include "tools/sim/scenario/quiet_output.h"
#include "tools/sim/scenario/trace.h"
#include "tools/sim/soak/frame_audit.h"
#include "tools/sim/soak/view_check.h"

namespace simtool {

namespace {

struct RunOptions {
    std::string scenario, settings, trace, svg;
    bool audit = false;
    bool pose = false;
    long long poseFrame = 0;
    bool orderGiven = false;
    sim::FrameOrder order = sim::FrameOrder::Game;
};

// The words after `run`: kExitDone, or the usage error already said.
int ReadOptions(int argc, const char* const* argv, RunOptions* o, std::ostream& err) {
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        std::string* file = word == "--settings" ? &o->settings
                            : word == "--trace"  ? &o->trace
                            : word == "--svg"    ? &o->svg
                                                 : nullptr;
        if (word == "--audit") {
            o->audit = true;
        } else if (word == "--frame") {
            if (!hasValue || !FrameOrderOption(argv[i + 1], &o->order)) {
                return UsageError("run", "--frame takes \"game\" or \"design\"", err);
            }
            o->orderGiven = true;
            ++i;
        } else if (file != nullptr) {
            if (!hasValue || argv[i + 1][0] == '\0') {
                return UsageError("run", word + " needs a file", err);
            }
            *file = argv[++i];
        } else if (word == "--pose") {
            if (!hasValue) {
                return UsageError("run", "--pose needs a frame number", err);
            }
            const char* text = argv[++i];
            char* end = nullptr;
            errno = 0;
            o->poseFrame = strtoll(text, &end, 10);
            if (end == text || *end != '\0' || errno == ERANGE) {
                return UsageError(
                    "run", std::string("--pose takes a frame number, not \"") + text + "\"", err);
            }
            o->pose = true;
        } else if (word.size() > 1 && word[0] == '-') {
            return UsageError("run", "unknown option '" + word + "'", err);
        } else if (!o->scenario.empty()) {
            return UsageError("run", "one scenario at a time: '" + word + "' is one too many", err);
        } else {
            o->scenario = word;
        }
    }
    if (o->scenario.empty()) {
        return UsageError("run", "which scenario? (the documented ones are in docs/scenarios)",
                          err);
    }
    if (o->pose && o->svg.empty()) {
        return UsageError("run", "--pose draws into the file of --svg: add --svg FILE", err);
    }
    return kExitDone;
}

} // namespace

int RunCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    RunOptions o;
    int status = ReadOptions(argc, argv, &o, err);
    if (status != kExitDone) {
        return status;
    }
    Scenario scenario;
    status = LoadScenarioInput(o.scenario, o.settings, &scenario, err);
    if (status != kExitDone) {
        return status;
    }
    if (o.orderGiven) {
        scenario.frameOrder = o.order;
    }
    const long long frames = ScenarioFrames(scenario);
    if (o.pose && (o.poseFrame < 0 || o.poseFrame >= frames)) {
        err << "lumenfold-sim: " << NotAFrame(o.poseFrame, o.scenario, frames) << "\n";
        return kExitRefused;
    }
    OutputFile traceFile, svgFile;
    if (OpenOutput(o.trace, &traceFile, err) != kExitDone ||
        OpenOutput(o.svg, &svgFile, err) != kExitDone) {
        traceFile.Discard();
        return kExitUnwritable;
    }
    // The trace goes to its file, or to standard output unless a picture is
    // what was asked for.
    TraceWriter trace(o.trace.empty() ? out : traceFile.Stream());
    PointCollector points;
    FrameAudit frameAudit;
    ViewCheck viewCheck;
    PoseCapture poseCapture(static_cast<int>(o.poseFrame));
    std::vector<FrameObserver*> observers = {&points, &poseCapture};
    if (!o.trace.empty() || o.svg.empty()) {
        observers.push_back(&trace);
    }
    if (o.audit) {
        observers.push_back(&frameAudit);
        observers.push_back(&viewCheck);
    }
    RunResult result = RunScenario(scenario, observers);
    result.failures.insert(result.failures.end(), frameAudit.problems.begin(),
                           frameAudit.problems.end());
    result.failures.insert(result.failures.end(), viewCheck.problems.begin(),
                           viewCheck.problems.end());
    if (o.pose && !o.settings.empty() && poseCapture.pose.frame >= 0) {
        // The same frame with the scenario's own settings: where the picture
        // would be the same, it says so.
        Scenario own;
        std::ostringstream quiet;
        if (LoadScenarioInput(o.scenario, "", &own, quiet) == kExitDone) {
            own.frameOrder = scenario.frameOrder;
            PoseCapture ownPose(static_cast<int>(o.poseFrame));
            {
                QuietStandardOutput noLogLines;
                RunScenario(own, {&ownPose});
            }
            if (SamePose(ownPose.pose, poseCapture.pose)) {
                poseCapture.pose.unchangedBy =
                    "unchanged by these settings: the same as with the scenario's own";
            }
        }
    }
    if (!o.svg.empty()) {
        const std::string title = scenario.description.empty() ? o.scenario : scenario.description;
        svgFile.Stream() << (o.pose ? RenderPoseSvg(title, poseCapture.pose)
                                    : RenderSvg(title, points.points));
    }
    if (CloseOutput(o.trace, &traceFile, err) != kExitDone ||
        CloseOutput(o.svg, &svgFile, err) != kExitDone) {
        return kExitUnwritable;
    }
    // The scenario's expectations were written for its own settings: with a
    // tuner's file they show what that file changes, and fail nothing.
    const bool tuning = !o.settings.empty();
    const std::vector<std::string> problems = tuning ? result.failures : result.Problems();
    for (const std::string& f : problems) {
        err << "lumenfold-sim: " << o.scenario << ": " << f << "\n";
    }
    if (tuning) {
        for (const ExpectationMiss& m : result.misses) {
            err << "lumenfold-sim: " << o.scenario << ": your settings change " << m.place << ": "
                << m.want.dump() << " with the scenario's settings, " << m.got.dump()
                << " with yours\n";
        }
    }
    const long long count = static_cast<long long>(problems.size());
    err << "lumenfold-sim: " << o.scenario << ": " << Count(result.frames, "frame", "frames")
        << ", ";
    if (o.audit) {
        err << Count(count, "problem", "problems") << " found";
    } else if (tuning) {
        err << Count(static_cast<long long>(result.misses.size()), "expectation", "expectations")
            << " of the scenario changed by your settings";
        if (count != 0) {
            err << ", " << Count(count, "problem", "problems");
        }
    } else {
        err << Count(count, "expectation", "expectations") << " failed";
    }
    if (!o.svg.empty()) {
        err << "; " << (o.pose ? "frame " + std::to_string(o.poseFrame) : "the run") << " drawn in "
            << o.svg;
    }
    err << "\n";
    return problems.empty() ? kExitDone : kExitRefused;
}

} // namespace simtool
