// lumenfold-sim: the plug-in in the simulated game, for modders who tune the
// settings file without starting the game. See tools/sim/cli/commands.cpp.
#include <limits.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "tools/sim/cli/commands.h"
#include "tools/sim/cli/tool_location.h"

int main(int argc, char** argv) {
    // Where the program is, for the documented scenarios beside it.
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    simtool::SetToolPath(n > 0 ? std::string(self, static_cast<size_t>(n))
                               : std::string(argc > 0 ? argv[0] : ""));
    return simtool::SimCommand(argc, argv, std::cout, std::cerr);
}
