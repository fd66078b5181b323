#include "tools/sim/soak/soak.h"

#include <signal.h>
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iterator>

#include "patch/hook_table.h"
#include "record/frame_recorder.h"
#include "sim/frame_driver.h"
#include "sim/sim_game.h"
#include "tools/sim/replay/replay.h"
#include "tools/sim/scenario/game_folder.h"
#include "tools/sim/scenario/quiet_output.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"
#include "tools/sim/soak/frame_audit.h"
#include "tools/sim/soak/view_check.h"

namespace simtool {

namespace {

// The double-draw site inside row 12's stretch.
constexpr int kUnreachableRow = 11;

// What a crash leaves behind: the seed on the error stream, and its scenario
// file. Prepared before each run, written by the signal handler.
struct CrashNote {
    char message[160];
    char path[512];
    const std::string* scenario = nullptr;
};
CrashNote g_crash;

void OnCrash(int signal) {
    fputs(g_crash.message, stderr);
    if (g_crash.scenario != nullptr) {
        if (FILE* f = fopen(g_crash.path, "wb")) {
            fwrite(g_crash.scenario->data(), 1, g_crash.scenario->size(), f);
            fclose(f);
        }
    }
    ::signal(signal, SIG_DFL);
    raise(signal);
}

// A seed's recording replayed from the recording alone, in a fresh game:
// every output of every frame must agree.
std::vector<std::string> ReplayProblems(std::vector<uint8_t> bytes, uint64_t seed) {
    std::vector<std::string> problems;
    Recording recording;
    RecordingError error;
    if (!ParseRecording(std::move(bytes), "seed " + std::to_string(seed), &recording, &error)) {
        problems.push_back("its recording does not read: " + error.message);
        return problems;
    }
    const ReplayResult result = ReplayRecording(recording, ReplayOptions());
    problems = result.failures;
    for (int frame : result.cutShort) {
        problems.push_back("replayed frame " + std::to_string(frame) +
                           " was cut short in its recording");
    }
    for (const ReplayDifference& d : result.differences) {
        problems.push_back("replayed frame " + std::to_string(d.frame) + " differs: " + d.what);
    }
    return problems;
}

} // namespace

int RunSoak(const SoakOptions& options, std::ostream& out, std::ostream& err) {
    int failed = 0;
    sim::ClearSitesPassed();
    for (const int s : {SIGSEGV, SIGABRT, SIGFPE, SIGILL}) {
        signal(s, OnCrash);
    }
    for (int i = 0; i < options.seeds; ++i) {
        const uint64_t seed = options.firstSeed + static_cast<uint64_t>(i);
        const std::string name = "soak-failure-" + std::to_string(seed) + ".json";
        const std::string path = options.outDir + "/" + name;
        const std::string text = SoakScenario(seed, options.frames, options.frameOrder);
        snprintf(g_crash.message, sizeof g_crash.message,
                 "soak: seed %llu crashed; its scenario is %s\n",
                 static_cast<unsigned long long>(seed), path.c_str());
        snprintf(g_crash.path, sizeof g_crash.path, "%s", path.c_str());
        g_crash.scenario = &text;

        Scenario scenario;
        ScenarioError error;
        std::vector<std::string> problems;
        if (!ParseScenario(text, name, &scenario, &error)) {
            problems.push_back("its scenario does not read: " + error.message);
        } else {
            QuietStandardOutput quiet;
            FrameAudit audit;
            ViewCheck view;
            std::vector<uint8_t> recorded;
            if (options.replay) {
                // Every frame recorded, the recording kept as a saved game writes it.
                RecordFrames(&scenario, options.frames);
            }
            const RunResult result =
                RunScenario(scenario, {&audit, &view}, [&](sim::Host&, const GameFolder&) {
                    if (options.replay) {
                        recorded = RecordingBytes();
                    }
                });
            problems = audit.problems;
            problems.insert(problems.end(), view.problems.begin(), view.problems.end());
            const std::vector<std::string> run = result.Problems();
            problems.insert(problems.end(), run.begin(), run.end());
            if (options.replay && problems.empty()) {
                const std::vector<std::string> replayed = ReplayProblems(recorded, seed);
                problems.insert(problems.end(), replayed.begin(), replayed.end());
                if (!replayed.empty()) {
                    // The recording itself, for `lumenfold-sim replay`.
                    const std::string rec =
                        options.outDir + "/soak-failure-" + std::to_string(seed) + ".rec";
                    std::ofstream(rec, std::ios::binary)
                        .write(reinterpret_cast<const char*>(recorded.data()),
                               static_cast<std::streamsize>(recorded.size()));
                    problems.push_back("its recording: " + rec);
                }
            }
        }
        if (!problems.empty()) {
            ++failed;
            std::ofstream(path, std::ios::binary) << text;
            err << "soak: seed " << seed << " failed; replay with: lumenfold-sim run " << path
                << " --audit\n";
            for (size_t p = 0; p < problems.size() && p < 10; ++p) {
                err << "  " << problems[p] << "\n";
            }
        }
    }
    g_crash.scenario = nullptr;
    out << "soak: " << options.seeds << (options.seeds == 1 ? " seed of " : " seeds of ")
        << options.frames << (options.frames == 1 ? " frame from seed " : " frames from seed ")
        << options.firstSeed << ", " << failed << " failed\n";
    if (!SitesReport(options.everySite, out, err)) {
        ++failed;
    }
    return failed;
}

bool SitesReport(bool everySite, std::ostream& out, std::ostream& err) {
    const sim::SiteTally& t = sim::SitesPassed();
    bool whole = true;
    out << "soak: the sites passed (row, place, runs of the glue; through the game's own code; "
           "a branch site: both outcomes)\n";
    for (int row = 1; row <= sim::kSiteRows; ++row) {
        const HookSite& h = sim::HookOfRow(row);
        const bool branch = sim::IsBranchRow(row);
        char line[160];
        snprintf(line, sizeof line, "  %2d  0x%08X  %-28s %12llu", row, h.place.address,
                 h.place.name, static_cast<unsigned long long>(t.passes[row]));
        out << line;
        if (t.gamePasses[row] != 0) {
            out << "  (the game's own code " << t.gamePasses[row] << ")";
        }
        if (branch) {
            const char* const other = h.resumeAlternate != 0 ? "taken" : "pushed 0";
            const char* const own = h.resumeAlternate != 0 ? "not taken" : "pushed the game's";
            out << "  " << other << " " << t.taken[row] << ", " << own << " " << t.notTaken[row];
        }
        out << "\n";
        // Row 11's site lies inside the stretch that row 12's glue takes
        // over: the game's code reaches it only while that glue is not
        // there, and row 11's glue (of the same group) is then not there
        // either. Its glue is proven where a test enters it.
        if (row == kUnreachableRow && t.passes[row] == 0 && t.passes[kUnreachableRow + 1] != 0) {
            out << "      row 11 lies inside row 12's stretch: the game reaches it only without "
                   "row 12's glue\n";
            continue;
        }
        if (t.passes[row] == 0) {
            whole = false;
            err << "soak: the glue of site " << row << " (" << h.place.name << ") never ran\n";
        } else if (branch && (t.taken[row] == 0 || t.notTaken[row] == 0)) {
            whole = false;
            err << "soak: site " << row << " (" << h.place.name
                << ") never took one of its outcomes\n";
        }
    }
    return whole || !everySite;
}

} // namespace simtool
