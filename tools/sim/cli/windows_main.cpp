// lumenfold-sim on Windows: the library that lumenfold-sim.exe (a stub whose
// image holds the game's address range) loads and enters. See
// tools/range-host/stub.c and tools/sim/cli/commands.cpp.
#include <stdio.h>

#include <iostream>

#include "tools/sim/cli/commands.h"

// The C runtime's own reading of the command line.
extern "C" int __getmainargs(int* argc, char*** argv, char*** env, int expandWildcards,
                             int* startInfo);

extern "C" __declspec(dllexport) int LumenfoldSimMain() {
    int argc = 0, startInfo = 0;
    char** argv = nullptr;
    char** env = nullptr;
    __getmainargs(&argc, &argv, &env, 0, &startInfo);
    const int rc = simtool::SimCommand(argc, argv, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    fflush(stdout);
    fflush(stderr);
    return rc;
}
