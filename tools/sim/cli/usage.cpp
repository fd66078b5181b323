#include "tools/sim/cli/usage.h"

#include <string.h>

#include "tools/sim/cli/exit_status.h"

namespace simtool {

namespace {

const char* const kToolUsage =
    "usage: lumenfold-sim COMMAND [ARGUMENTS]\n"
    "\n"
    "Runs the Lumenfold plug-in in a simulated game, for tuners and modders.\n"
    "\n"
    "commands:\n"
    "  run SCENARIO [--settings FILE] [--trace FILE] [--svg FILE] [--pose FRAME] [--audit]\n"
    "      [--frame game|design]\n"
    "      plays a scenario and checks its expectations (docs/scenarios.md)\n"
    "  settings FILE\n"
    "      the values the plug-in will use from a settings file, and its warnings\n"
    "  ini\n"
    "      the settings file with every key at its default, explained\n"
    "  readme\n"
    "      the player's readme of the release\n"
    "  record SCENARIO --out FILE.rec [--settings FILE]\n"
    "      records a scenario as the plug-in records a game (docs/recording.md)\n"
    "  replay FILE.rec [--tolerance X] [--pose FRAME --svg FILE] [--scenario FILE]\n"
    "      plays a recording back and compares every output of every frame\n"
    "  soak [--seeds N] [--frames N] [--first-seed N] [--out DIR] [--replay] [--every-site]\n"
    "      [--frame game|design]\n"
    "      random settings and game states, every frame audited\n"
    "  batch LIST\n"
    "      many commands in this one process\n"
    "  help [COMMAND], --help, -h\n"
    "      this text, or a command's own help (also: COMMAND --help)\n"
    "  --version\n"
    "      the release\n"
    "\n"
    "exit status, the same for every command:\n"
    "  0  done\n"
    "  1  a file's content is refused (a scenario's error, a damaged recording, a file\n"
    "     too large), an expectation failed, a replay differs, an audit failed, or the\n"
    "     settings checker warned\n"
    "  2  the command line is wrong\n"
    "  3  an input file cannot be read (no such file, a folder, a device, no permission)\n"
    "  4  an output file cannot be written (no such folder, no permission, a full disk)\n"
    "\n"
    "The documented scenarios are in docs/scenarios, the pose scenarios of the\n"
    "pictures and their settings file in docs/pose.\n";

const char* const kRunHelp =
    "usage: lumenfold-sim run SCENARIO [--settings FILE] [--trace FILE] [--svg FILE]\n"
    "                         [--pose FRAME] [--audit] [--frame game|design]\n"
    "\n"
    "Loads the plug-in into a fresh simulated game and plays the scenario's steps\n"
    "(docs/scenarios.md); every expectation that fails is listed, and the last line\n"
    "counts the frames and the failures.\n"
    "\n"
    "  --settings FILE  plays it with your settings file in place of the scenario's:\n"
    "                   the file's warnings are listed, and the scenario's expectations\n"
    "                   become what your file changes (the run then exits 0)\n"
    "  --trace FILE     one JSON line per frame into FILE; without --trace and --svg\n"
    "                   the lines go to standard output\n"
    "  --svg FILE       a picture of the run: the camera, the eye point and the body\n"
    "                   root over the frames\n"
    "  --pose FRAME     with --svg: the body and the camera at that frame instead,\n"
    "                   from the side and from above, and the view through the\n"
    "                   camera (frames count from 0)\n"
    "  --audit          checks every frame as the soak does, and what the view shows\n"
    "  --frame design   the frames in the order the plug-in's design words them, not\n"
    "                   the game's own (docs/simulated-game.md)\n"
    "\n"
    "example:\n"
    "  lumenfold-sim run docs/scenarios/sitting.json --settings My.ini --pose 2 --svg pose.svg\n";

const char* const kSettingsHelp =
    "usage: lumenfold-sim settings FILE\n"
    "\n"
    "Every value the plug-in will use from the settings file FILE, in the order of\n"
    "the keys, each followed by the plug-in's own warning where it differs from what\n"
    "the file says (not a number, only partly a number, too large, out of range);\n"
    "then every warning in the order of the file's lines: unknown keys (with the\n"
    "nearest known one), keys given twice, sections that are not read. Exits 1\n"
    "when it warned, 0 when the file reads as written.\n";

const char* const kIniHelp =
    "usage: lumenfold-sim ini\n"
    "\n"
    "Prints the settings file OBSE_Lumenfold.ini with every key at its default and\n"
    "what it does, as the release holds it (Windows line ends).\n";

const char* const kReadmeHelp = "usage: lumenfold-sim readme\n"
                                "\n"
                                "Prints the player's readme of the release (Windows line ends).\n";

const char* const kRecordHelp =
    "usage: lumenfold-sim record SCENARIO --out FILE.rec [--settings FILE]\n"
    "\n"
    "Runs the scenario with the recorder on and writes the recording the plug-in\n"
    "writes when the game is saved: its last frames, at most 3600\n"
    "(docs/recording.md). --settings plays it with your settings file.\n";

const char* const kReplayHelp =
    "usage: lumenfold-sim replay FILE.rec [--tolerance X] [--pose FRAME --svg FILE]\n"
    "                            [--scenario FILE]\n"
    "\n"
    "Plays a recording back in the simulated game and compares every output of\n"
    "every frame with the recorded one (docs/recording.md).\n"
    "\n"
    "  --tolerance X     floats may differ by up to X (default: exactly equal)\n"
    "  --pose FRAME      with --svg FILE: the body and the camera at that frame\n"
    "  --scenario FILE   writes the recording as a scenario, its outputs as\n"
    "                    expectations\n";

const char* const kSoakHelp =
    "usage: lumenfold-sim soak [--seeds N] [--frames N] [--first-seed N] [--out DIR]\n"
    "                          [--replay] [--every-site] [--frame game|design]\n"
    "\n"
    "Random settings and game states from each seed, every frame audited; a failing\n"
    "seed is written to DIR (default: the current folder) as a scenario that\n"
    "run --audit replays. --replay also records every seed and replays it from its\n"
    "recording alone; --every-site fails when a site's glue never ran or a branch\n"
    "site never took one of its outcomes; --frame design runs the frames in the order\n"
    "the plug-in's design words them.\n";

const char* const kBatchHelp =
    "usage: lumenfold-sim batch LIST\n"
    "\n"
    "Runs many commands in this one process: each line of LIST is a name and the\n"
    "command's words, separated by tabs; NAME.out, NAME.err and NAME.rc receive its\n"
    "standard output, its standard error and its exit status. A line whose last two\n"
    "words are > and FILE sends its standard output to FILE instead of NAME.out.\n";

struct Help {
    const char* command;
    const char* text;
};
const Help kHelp[] = {
    {"run", kRunHelp},       {"settings", kSettingsHelp}, {"ini", kIniHelp},
    {"readme", kReadmeHelp}, {"record", kRecordHelp},     {"replay", kReplayHelp},
    {"soak", kSoakHelp},     {"batch", kBatchHelp},
};

} // namespace

const char* ToolUsage() {
    return kToolUsage;
}

const char* CommandHelp(const std::string& command) {
    for (const Help& h : kHelp) {
        if (command == h.command) {
            return h.text;
        }
    }
    return nullptr;
}

bool AsksForHelp(int argc, const char* const* argv) {
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            return true;
        }
    }
    return false;
}

int UsageError(const std::string& command, const std::string& what, std::ostream& err) {
    err << "lumenfold-sim " << command << ": " << what << "\n";
    if (const char* help = CommandHelp(command)) {
        // The synopsis: the help's lines up to the first empty one.
        const char* end = strstr(help, "\n\n");
        err << std::string(help, end != nullptr ? static_cast<size_t>(end - help) + 1 : 0);
    }
    err << "(lumenfold-sim " << command << " --help explains it)\n";
    return kExitUsage;
}

std::string NotAFrame(long long frame, const std::string& name, long long frames) {
    return "--pose " + std::to_string(frame) + " is not a frame of " + name + ": " +
           (frames == 1 ? std::string("its one frame is 0")
                        : "its " + std::to_string(frames) + " frames are 0 to " +
                              std::to_string(frames - 1));
}

std::string Count(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 || n == -1 ? one : many);
}

} // namespace simtool
