// lumenfold-sim on Windows: the library that lumenfold-sim.exe (a stub whose
// image holds the game's address range) loads and enters. See
// tools/range-host/stub.c and tools/sim/cli/commands.cpp.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <iostream>

#include "tools/sim/cli/commands.h"
#include "tools/sim/cli/tool_location.h"

// The C runtime's own reading of the command line.
extern "C" int __getmainargs(int* argc, char*** argv, char*** env, int expandWildcards,
                             int* startInfo);

extern "C" __declspec(dllexport) int LumenfoldSimMain() {
    int argc = 0, startInfo = 0;
    char** argv = nullptr;
    char** env = nullptr;
    __getmainargs(&argc, &argv, &env, 0, &startInfo);
    // The same bytes as on Linux: the outputs that want Windows' line ends
    // (the settings file, the readme) carry them themselves, and nothing
    // turns a "\n" into "\r\n" behind them.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Where lumenfold-sim.exe is, for the documented scenarios beside it.
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    simtool::SetToolPath(n > 0 && n < sizeof self ? self : "");
    const int rc = simtool::SimCommand(argc, argv, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    fflush(stdout);
    fflush(stderr);
    return rc;
}
