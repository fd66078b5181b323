#include "tools/sim/cli/replay_commands.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "entry/host_interface.h"
#include "record/recording_format.h"
#include "tools/sim/cli/commands.h"
#include "tools/sim/pictures/pose_svg.h"
#include "tools/sim/replay/replay.h"
#include "tools/sim/replay/replay_export.h"
#include "tools/sim/scenario/game_folder.h"
#include "tools/sim/scenario/scenario_run.h"

namespace simtool {

namespace {

namespace fs = std::filesystem;

// The newest recording of a saved game the plug-in wrote into a game folder
// ("" for none).
std::string NewestRecording(const std::string& folder) {
    std::string newest;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(kRecordingFilePrefix, 0) == 0 &&
            name.rfind(kExitRecordingFilePrefix, 0) != 0 && name.size() > 4 &&
            name.compare(name.size() - 4, 4, kRecordingFileSuffix) == 0 &&
            e.path().string() > newest) {
            newest = e.path().string();
        }
    }
    return newest;
}

int Usage(std::ostream& err, const char* usage) {
    err << "usage: " << usage << "\n";
    return 2;
}

} // namespace

int RecordCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    const char* const usage = "lumenfold-sim record SCENARIO --out FILE.rec [--settings FILE]";
    if (argc < 3) {
        return Usage(err, usage);
    }
    std::string outPath, settingsPath;
    for (int i = 3; i < argc; ++i) {
        if (strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            outPath = argv[++i];
        } else if (strcmp(argv[i], "--settings") == 0 && i + 1 < argc) {
            settingsPath = argv[++i];
        } else {
            err << "lumenfold-sim: record: unknown option '" << argv[i] << "'\n";
            return Usage(err, usage);
        }
    }
    if (outPath.empty()) {
        return Usage(err, usage);
    }
    Scenario scenario;
    ScenarioError error;
    if (!LoadScenarioWithSettings(argv[2], settingsPath, &scenario, &error)) {
        err << "lumenfold-sim: " << error.message << "\n";
        return 1;
    }
    int frames = 0;
    for (const Step& s : scenario.steps) {
        frames += s.frames;
    }
    frames = std::min(std::max(frames, static_cast<int>(kMinRecordedFrames)),
                      static_cast<int>(kMaxRecordedFrames));
    RecordFrames(&scenario, frames);
    // The game saved after the last frame: the plug-in writes its recording
    // into the game's folder, as in a game, and it is copied out of there.
    bool copied = false;
    const RunResult result =
        RunScenario(scenario, {}, [&copied, &outPath](sim::Host& host, const GameFolder& folder) {
            host.Send(kMessageGameSaved);
            const std::string written = NewestRecording(folder.Root());
            std::error_code ec;
            copied = !written.empty() &&
                     fs::copy_file(written, outPath, fs::copy_options::overwrite_existing, ec);
        });
    for (const std::string& f : result.failures) {
        err << "lumenfold-sim: " << argv[2] << ": " << f << "\n";
    }
    if (!copied) {
        err << "lumenfold-sim: the plug-in wrote no recording, or " << outPath
            << " cannot be written\n";
        return 1;
    }
    out << "lumenfold-sim: " << outPath << ": " << result.frames << " frames recorded\n";
    return result.failures.empty() ? 0 : 1;
}

int ReplayCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    const char* const usage = "lumenfold-sim replay FILE.rec [--tolerance X] [--pose FRAME "
                              "--svg FILE] [--scenario FILE]";
    if (argc < 3) {
        return Usage(err, usage);
    }
    ReplayOptions options;
    std::string svgPath, scenarioPath;
    for (int i = 3; i < argc; ++i) {
        char* end = nullptr;
        if (strcmp(argv[i], "--tolerance") == 0 && i + 1 < argc) {
            options.tolerance = strtod(argv[++i], &end);
            if (*end != '\0' || !(options.tolerance >= 0) || options.tolerance > 1e30) {
                err << "lumenfold-sim: replay: --tolerance takes a number of 0 or more\n";
                return 2;
            }
        } else if (strcmp(argv[i], "--pose") == 0 && i + 1 < argc) {
            unsigned long long frame = 0;
            if (!NumberOption(argv[++i], kMostPoseFrame, &frame)) {
                err << "lumenfold-sim: replay: --pose takes a frame number\n";
                return 2;
            }
            options.poseFrame = static_cast<int>(frame);
        } else if (strcmp(argv[i], "--svg") == 0 && i + 1 < argc) {
            svgPath = argv[++i];
        } else if (strcmp(argv[i], "--scenario") == 0 && i + 1 < argc) {
            scenarioPath = argv[++i];
        } else {
            err << "lumenfold-sim: replay: unknown option '" << argv[i] << "'\n";
            return Usage(err, usage);
        }
    }
    if ((options.poseFrame >= 0) != !svgPath.empty()) {
        err << "lumenfold-sim: replay: --pose FRAME and --svg FILE go together\n";
        return 2;
    }
    Recording recording;
    RecordingError error;
    if (!LoadRecording(argv[2], &recording, &error)) {
        err << "lumenfold-sim: " << error.message << "\n";
        return 1;
    }
    const ReplayResult result = ReplayRecording(recording, options);
    for (const std::string& f : result.failures) {
        err << "lumenfold-sim: " << argv[2] << ": " << f << "\n";
    }
    for (const ReplayDifference& d : result.differences) {
        out << "frame " << d.frame << ": " << d.what << "\n";
        for (const std::string& input : d.fedBy) {
            out << "  fed by " << input << "\n";
        }
    }
    for (int frame : result.cutShort) {
        out << "frame " << frame
            << ": cut short in the recording (it outgrew the room for one frame): it agrees as far "
               "as it goes, the rest is not recorded\n";
    }
    if (!svgPath.empty()) {
        std::ofstream svg(svgPath, std::ios::binary);
        svg << RenderPoseSvg(std::string(argv[2]), result.pose);
        if (!svg) {
            err << "lumenfold-sim: cannot write " << svgPath << "\n";
            return 1;
        }
    }
    if (!scenarioPath.empty()) {
        std::ofstream file(scenarioPath, std::ios::binary);
        file << RecordingAsScenario(recording);
        if (!file) {
            err << "lumenfold-sim: cannot write " << scenarioPath << "\n";
            return 1;
        }
    }
    out << "WeaponDrawn (+0x114) and the byte after it (+0x115) differ in "
        << result.weaponBytesDiffer << " of " << result.frames << " frames\n";
    out << result.frames << " frames replayed, " << result.differences.size() << " differ, "
        << result.cutShort.size() << " cut short\n";
    return result.failures.empty() && result.differences.empty() && result.cutShort.empty() ? 0 : 1;
}

} // namespace simtool
