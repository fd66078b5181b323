#include "tools/sim/cli/replay_commands.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "entry/host_interface.h"
#include "record/recording_format.h"
#include "settings/settings_check.h"
#include "tools/sim/cli/exit_status.h"
#include "tools/sim/cli/input_files.h"
#include "tools/sim/cli/scenario_input.h"
#include "tools/sim/cli/usage.h"
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

} // namespace

int RecordCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    std::string scenarioPath, outPath, settingsPath;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        std::string* file = word == "--out"        ? &outPath
                            : word == "--settings" ? &settingsPath
                                                   : nullptr;
        if (file != nullptr) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return UsageError("record", word + " needs a file", err);
            }
            *file = argv[++i];
        } else if (word.size() > 1 && word[0] == '-') {
            return UsageError("record", "unknown option '" + word + "'", err);
        } else if (!scenarioPath.empty()) {
            return UsageError("record", "one scenario at a time: '" + word + "' is one too many",
                              err);
        } else {
            scenarioPath = word;
        }
    }
    if (scenarioPath.empty()) {
        return UsageError("record", "which scenario?", err);
    }
    if (outPath.empty()) {
        return UsageError("record", "where does the recording go? (--out FILE.rec)", err);
    }
    Scenario scenario;
    int status = LoadScenarioInput(scenarioPath, settingsPath, &scenario, err);
    if (status != kExitDone) {
        return status;
    }
    OutputFile file;
    if (OpenOutput(outPath, &file, err) != kExitDone) {
        return kExitUnwritable;
    }
    // Every frame is kept, up to what a recording can keep.
    const long long frames = ScenarioFrames(scenario);
    const int32_t kept = RecordedFramesInUse(static_cast<int32_t>(frames));
    RecordFrames(&scenario, kept);
    // The game saved after the last frame: the plug-in writes its recording
    // into the game's folder, as in a game, and it is copied out of there.
    std::string bytes;
    bool written = false;
    const RunResult result =
        RunScenario(scenario, {}, [&written, &bytes](sim::Host& host, const GameFolder& folder) {
            host.Send(kMessageGameSaved);
            const std::string path = NewestRecording(folder.Root());
            std::ifstream in(path, std::ios::binary);
            written = !path.empty() && static_cast<bool>(in);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        });
    for (const std::string& f : result.failures) {
        err << "lumenfold-sim: " << scenarioPath << ": " << f << "\n";
    }
    if (!written) {
        err << "lumenfold-sim: " << scenarioPath
            << ": the plug-in wrote no recording when the game was saved\n";
        file.Discard();
        return kExitRefused;
    }
    file.Stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (CloseOutput(outPath, &file, err) != kExitDone) {
        return kExitUnwritable;
    }
    out << "lumenfold-sim: " << outPath << ": " << Count(kept, "frame", "frames") << " recorded";
    if (frames > kept) {
        out << ", the last of the " << frames << " run (a recording keeps at most "
            << kMaxRecordedFrames << ")";
    }
    out << "\n";
    return result.failures.empty() ? kExitDone : kExitRefused;
}

int ReplayCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    ReplayOptions options;
    std::string recordingPath, svgPath, scenarioPath;
    long long poseFrame = -1;
    bool pose = false;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        std::string* file = word == "--svg"        ? &svgPath
                            : word == "--scenario" ? &scenarioPath
                                                   : nullptr;
        char* end = nullptr;
        if (file != nullptr) {
            if (!hasValue || argv[i + 1][0] == '\0') {
                return UsageError("replay", word + " needs a file", err);
            }
            *file = argv[++i];
        } else if (word == "--tolerance") {
            const char* text = hasValue ? argv[++i] : "";
            options.tolerance = strtod(text, &end);
            if (end == text || *end != '\0' || !(options.tolerance >= 0) ||
                options.tolerance > 1e30) {
                return UsageError("replay",
                                  std::string("--tolerance takes a number of 0 or more, "
                                              "not \"") +
                                      text + "\"",
                                  err);
            }
        } else if (word == "--pose") {
            const char* text = hasValue ? argv[++i] : "";
            errno = 0;
            poseFrame = strtoll(text, &end, 10);
            if (end == text || *end != '\0' || errno == ERANGE) {
                return UsageError("replay",
                                  std::string("--pose takes a frame number, not \"") + text + "\"",
                                  err);
            }
            pose = true;
        } else if (word.size() > 1 && word[0] == '-') {
            return UsageError("replay", "unknown option '" + word + "'", err);
        } else if (!recordingPath.empty()) {
            return UsageError("replay", "one recording at a time: '" + word + "' is one too many",
                              err);
        } else {
            recordingPath = word;
        }
    }
    if (recordingPath.empty()) {
        return UsageError("replay", "which recording?", err);
    }
    if (pose == svgPath.empty()) {
        return UsageError("replay", "--pose FRAME and --svg FILE go together", err);
    }
    std::string problem;
    if (CheckInput(recordingPath, &problem) != kExitDone) {
        err << "lumenfold-sim: " << problem << "\n";
        return kExitUnreadable;
    }
    Recording recording;
    RecordingError error;
    if (!LoadRecording(recordingPath, &recording, &error)) {
        err << "lumenfold-sim: " << error.message << "\n";
        return kExitRefused;
    }
    const long long frames = static_cast<long long>(recording.frameOffsets.size());
    if (pose && (poseFrame < 0 || poseFrame >= frames)) {
        err << "lumenfold-sim: " << NotAFrame(poseFrame, recordingPath, frames) << "\n";
        return kExitRefused;
    }
    options.poseFrame = static_cast<int>(poseFrame);
    OutputFile svgFile, scenarioFile;
    if (OpenOutput(svgPath, &svgFile, err) != kExitDone ||
        OpenOutput(scenarioPath, &scenarioFile, err) != kExitDone) {
        svgFile.Discard();
        return kExitUnwritable;
    }
    const ReplayResult result = ReplayRecording(recording, options);
    for (const std::string& f : result.failures) {
        err << "lumenfold-sim: " << recordingPath << ": " << f << "\n";
    }
    // Each difference once per frame; the game values that fed it once for
    // every list that differs from the one before.
    const std::vector<std::string>* lastFedBy = nullptr;
    int lastFedFrame = 0;
    for (const ReplayDifference& d : result.differences) {
        out << "frame " << d.frame << ": " << d.what << "\n";
        if (lastFedBy != nullptr && *lastFedBy == d.fedBy && !d.fedBy.empty()) {
            out << "  fed by the same game values as frame " << lastFedFrame << "\n";
            continue;
        }
        for (const std::string& input : d.fedBy) {
            out << "  fed by " << input << "\n";
        }
        lastFedBy = &d.fedBy;
        lastFedFrame = d.frame;
    }
    for (int frame : result.cutShort) {
        out << "frame " << frame
            << ": cut short in the recording (it outgrew the room for one frame): it agrees as far "
               "as it goes, the rest is not recorded\n";
    }
    if (!svgPath.empty()) {
        svgFile.Stream() << RenderPoseSvg(recordingPath, result.pose);
    }
    if (!scenarioPath.empty()) {
        scenarioFile.Stream() << RecordingAsScenario(recording);
    }
    if (CloseOutput(svgPath, &svgFile, err) != kExitDone ||
        CloseOutput(scenarioPath, &scenarioFile, err) != kExitDone) {
        return kExitUnwritable;
    }
    if (result.weaponBytesDiffer > 0) {
        // Which of the process's two bytes follows a drawn weapon is not
        // settled (docs/game-headers.md): a recording of drawing one tells.
        out << "In " << result.weaponBytesDiffer << " of " << Count(result.frames, "frame", "frames")
            << " the process's byte after WeaponDrawn (+0x115) held another value than "
               "WeaponDrawn (+0x114), which Lumenfold takes for a drawn weapon: if you drew or "
               "sheathed a weapon then, the byte that followed it is the one that tells it "
               "(docs/recording.md says what to send).\n";
    }
    const size_t differ = result.differences.size();
    out << Count(result.frames, "frame", "frames") << " replayed, " << differ
        << (differ == 1 ? " differs, " : " differ, ") << result.cutShort.size() << " cut short\n";
    return result.failures.empty() && result.differences.empty() && result.cutShort.empty() ? 0 : 1;
}

} // namespace simtool
