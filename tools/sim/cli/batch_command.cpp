// lumenfold-sim batch LIST: many commands in one process, each with its
// outputs and exit status in files of its own (one start of the program,
// which under Wine's emulation is most of the time).
#include "tools/sim/cli/batch_command.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <io.h>
constexpr int kBinary = O_BINARY;
#else
#include <unistd.h>
constexpr int kBinary = 0;
#endif

#include "tools/sim/cli/commands.h"
#include "tools/sim/cli/exit_status.h"
#include "tools/sim/cli/input_files.h"
#include "tools/sim/cli/usage.h"

namespace simtool {

namespace {

// The largest list of commands read.
constexpr size_t kMostListBytes = 16 * 1024 * 1024;

// Standard output and error of this process sent into two files for a
// while: what the plug-in itself prints (through printf) lands there too.
class Redirect {
  public:
    Redirect(const std::string& out, const std::string& err) {
        Flush();
        savedOut_ = dup(1);
        savedErr_ = dup(2);
        moved_ = Move(out, 1) && Move(err, 2);
    }
    ~Redirect() {
        Flush();
        dup2(savedOut_, 1);
        dup2(savedErr_, 2);
        close(savedOut_);
        close(savedErr_);
    }
    // False when one of the two files cannot be written.
    bool Moved() const { return moved_; }

  private:
    static void Flush() {
        std::cout.flush();
        std::cerr.flush();
        fflush(stdout);
        fflush(stderr);
    }
    static bool Move(const std::string& path, int fd) {
        // Binary: the same bytes on every system, no carriage returns added.
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | kBinary, 0644);
        if (file < 0) {
            return false;
        }
        dup2(file, fd);
        close(file);
        return true;
    }
    int savedOut_, savedErr_;
    bool moved_;
};

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t tab = line.find('\t');; tab = line.find('\t', start)) {
        words.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            break;
        }
        start = tab + 1;
    }
    return words;
}

} // namespace

int BatchCommand(int argc, const char* const* argv, std::ostream& err) {
    if (argc != 3) {
        return UsageError("batch", argc < 3 ? "which list?" : "one list at a time", err);
    }
    std::string list, problem;
    const int status = ReadInput(argv[2], kMostListBytes, "a list of commands", &list, &problem);
    if (status != kExitDone) {
        err << "lumenfold-sim: " << problem << "\n";
        return status;
    }
    int result = kExitDone;
    size_t at = 0;
    while (at < list.size()) {
        size_t end = list.find('\n', at);
        end = end == std::string::npos ? list.size() : end;
        std::string line = list.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::vector<std::string> words = Words(line);
        if (words.size() < 2 || words[0].empty()) {
            continue;
        }
        const std::string name = words[0];
        std::string outPath = name + ".out";
        if (words.size() >= 4 && words[words.size() - 2] == ">") {
            outPath = words.back();
            words.resize(words.size() - 2);
        }
        std::vector<const char*> args = {"lumenfold-sim"};
        for (size_t i = 1; i < words.size(); ++i) {
            args.push_back(words[i].c_str());
        }
        int rc = kExitUnwritable;
        bool moved;
        {
            Redirect redirect(outPath, name + ".err");
            moved = redirect.Moved();
            if (moved) {
                rc = SimCommand(static_cast<int>(args.size()), args.data(), std::cout, std::cerr);
            }
        }
        std::ofstream rcFile(name + ".rc", std::ios::binary);
        rcFile << rc << "\n";
        if (!moved || !rcFile) {
            err << "lumenfold-sim: batch: " << outPath << ", " << name << ".err or " << name
                << ".rc cannot be written; " << name << " is left out\n";
            result = kExitUnwritable;
        }
    }
    return result;
}

} // namespace simtool
