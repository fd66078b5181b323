// lumenfold-sim: the plug-in in the simulated game, for modders who tune the
// settings file without starting the game. See tools/sim/cli/commands.cpp.
#include <iostream>

#include "tools/sim/cli/commands.h"

int main(int argc, char** argv) {
    return simtool::SimCommand(argc, argv, std::cout, std::cerr);
}
