#include "tools/sim/cli/commands.h"

#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "tools/sim/cli/batch_command.h"
#include "tools/sim/cli/exit_status.h"
#include "tools/sim/cli/input_files.h"
#include "tools/sim/cli/replay_commands.h"
#include "tools/sim/cli/run_command.h"
#include "tools/sim/cli/usage.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/settings/player_readme.h"
#include "tools/sim/settings/settings_report.h"
#include "tools/sim/soak/soak.h"

namespace simtool {

namespace {

// The most seeds one soak runs.
constexpr unsigned long long kMostSoakSeeds = 100000000;

int SettingsCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    std::string path;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.size() > 1 && word[0] == '-') {
            return UsageError("settings", "unknown option '" + word + "'", err);
        }
        if (!path.empty()) {
            return UsageError("settings", "one file at a time: '" + word + "' is one too many",
                              err);
        }
        path = word;
    }
    if (path.empty()) {
        return UsageError("settings", "which settings file?", err);
    }
    std::string text, problem;
    const int status = ReadInput(path, kMostSettingsFileBytes, "a settings file", &text, &problem);
    if (status != kExitDone) {
        err << "lumenfold-sim: " << problem << "\n";
        return status;
    }
    const SettingsReport r = CheckSettingsFile(path, text);
    for (size_t i = 0; i < r.values.size(); ++i) {
        out << r.values[i] << "\n";
        for (const std::string& w : r.valueWarnings[i]) {
            out << "    " << w << "\n";
        }
    }
    if (!r.warnings.empty()) {
        out << "\nwarnings, in the order of the file's lines:\n";
        for (const std::string& w : r.warnings) {
            out << "  " << w << "\n";
        }
    }
    return r.warnings.empty() ? kExitDone : kExitRefused;
}

int SoakCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    SoakOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--replay") {
            options.replay = true;
            continue;
        }
        if (word == "--every-site") {
            options.everySite = true;
            continue;
        }
        if (word == "--frame") {
            if (i + 1 >= argc || !FrameOrderOption(argv[i + 1], &options.frameOrder)) {
                return UsageError("soak", "--frame takes \"game\" or \"design\"", err);
            }
            ++i;
            continue;
        }
        unsigned long long most = 0;
        if (word == "--seeds") {
            most = kMostSoakSeeds;
        } else if (word == "--frames") {
            most = kMaxFramesPerStep;
        } else if (word == "--first-seed") {
            most = ~0ull;
        } else if (word != "--out") {
            return UsageError("soak", "unknown option '" + word + "'", err);
        }
        if (i + 1 >= argc) {
            return UsageError(
                "soak", word + (word == "--out" ? " needs a folder" : " needs a number"), err);
        }
        const char* value = argv[++i];
        unsigned long long n = 0;
        if (word == "--out") {
            options.outDir = value;
        } else if (!NumberOption(value, most, &n) || (word == "--frames" && n == 0)) {
            return UsageError("soak",
                              word + " takes a whole number from " +
                                  (word == "--frames" ? "1" : "0") + " to " + std::to_string(most) +
                                  ", not \"" + value + "\"",
                              err);
        } else if (word == "--seeds") {
            options.seeds = static_cast<int>(n);
        } else if (word == "--frames") {
            options.frames = static_cast<int>(n);
        } else {
            options.firstSeed = n;
        }
    }
    // A failing seed's files go there: it must be a folder.
    std::error_code ec;
    if (!std::filesystem::is_directory(options.outDir, ec)) {
        err << "lumenfold-sim: " << options.outDir
            << (std::filesystem::exists(options.outDir, ec) ? ": is not a folder"
                                                            : ": no such folder")
            << "\n";
        return kExitUnwritable;
    }
    return RunSoak(options, out, err) == 0 ? kExitDone : kExitRefused;
}

// A command that takes no words: its output, or the usage error.
int NoArguments(int argc, const char* const* argv, const std::string& text, std::ostream& out,
                std::ostream& err) {
    if (argc > 2) {
        return UsageError(argv[1], std::string("takes nothing more, not '") + argv[2] + "'", err);
    }
    out << text;
    return kExitDone;
}

int Help(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc < 3) {
        out << ToolUsage();
        return kExitDone;
    }
    if (const char* help = CommandHelp(argv[2])) {
        out << help;
        return kExitDone;
    }
    err << "lumenfold-sim: help: there is no command '" << argv[2]
        << "' (lumenfold-sim --help lists them)\n";
    return kExitUsage;
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
        out << ToolUsage();
        return kExitDone;
    }
    const std::string command = argv[1];
    if (command == "help" || command == "--help" || command == "-h") {
        return Help(argc, argv, out, err);
    }
    if (command == "--version") {
        return NoArguments(argc, argv, "lumenfold-sim " LF_RELEASE_VERSION "\n", out, err);
    }
    if (CommandHelp(command) == nullptr) {
        err << "lumenfold-sim: unknown command '" << command
            << "'; the commands are run, settings, ini, readme, record, replay, soak, batch and "
               "help (lumenfold-sim --help explains them)\n";
        return kExitUsage;
    }
    if (AsksForHelp(argc, argv)) {
        out << CommandHelp(command);
        return kExitDone;
    }
    if (command == "run") {
        return RunCommand(argc, argv, out, err);
    }
    if (command == "settings") {
        return SettingsCommand(argc, argv, out, err);
    }
    if (command == "batch") {
        return BatchCommand(argc, argv, err);
    }
    if (command == "soak") {
        return SoakCommand(argc, argv, out, err);
    }
    if (command == "record") {
        return RecordCommand(argc, argv, out, err);
    }
    if (command == "replay") {
        return ReplayCommand(argc, argv, out, err);
    }
    if (command == "readme") {
        return NoArguments(argc, argv, PlayerReadme(LF_RELEASE_VERSION), out, err);
    }
    return NoArguments(argc, argv, DefaultSettingsFile(), out, err);
}

} // namespace simtool
