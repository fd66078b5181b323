// The Wine check's second process: the real OBSE_Lumenfold.dll and a second
// plug-in of another author (SecondPlugin.dll, tests/second_plugin/), both
// loaded by the real Windows loader into the simulated game, the simulated
// host routing messages between them as the script extender does; the
// session of tests/second_plugin/session.cpp, then the lines Lumenfold's
// log file got. It prints one line per failed check and a summary.
#include <stdio.h>

#include <string>

#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "tests/second_plugin/session.h"
#include "tools/wine-host/host_files.h"

// Last: its headers make a macro of the word "interface", a member's name
// in the simulated game.
#include <windows.h>

namespace {

using winehost::Folder;
using winehost::ReadLog;
using winehost::WriteFileText;

int g_failures = 0;
int g_checks = 0;

void Check(bool ok, const std::string& what) {
    ++g_checks;
    if (!ok) {
        ++g_failures;
        printf("wine-second: FAILED: %s\n", what.c_str());
    }
}

template <typename F> F Export(HMODULE module, const char* name) {
    F f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    Check(f != nullptr, std::string("SecondPlugin.dll exports ") + name);
    return f;
}

} // namespace

extern "C" __declspec(dllexport) int RunSecondPluginChecks() {
    printf("wine-second: started\n");
    fflush(stdout);
    CreateDirectoryA((Folder() + "Data").c_str(), nullptr);
    CreateDirectoryA((Folder() + "Data\\obse").c_str(), nullptr);
    CreateDirectoryA((Folder() + "Data\\obse\\plugins").c_str(), nullptr);
    WriteFileText(Folder() + "Data\\obse\\plugins\\OBSE_Lumenfold.ini",
                  kSecondPluginSessionSettings);
    sim::Game game;
    HMODULE lumenfold = LoadLibraryA("OBSE_Lumenfold.dll");
    HMODULE second = LoadLibraryA("SecondPlugin.dll");
    Check(lumenfold != nullptr && second != nullptr, "both plug-ins load");
    if (lumenfold == nullptr || second == nullptr) {
        return 1;
    }
    const SecondPluginCalls calls = {
        Export<PluginQueryFn>(second, "OBSEPlugin_Query"),
        Export<PluginLoadFn>(second, "OBSEPlugin_Load"),
        Export<SecondPluginReportFn>(second, "SecondPlugin_Report"),
        Export<SecondPluginRequestFn>(second, "SecondPlugin_Request"),
        Export<SecondPluginQueryExportFn>(second, "SecondPlugin_QueryExport"),
        Export<SecondPluginStateFn>(second, "SecondPlugin_State"),
        Export<SecondPluginTagFn>(second, "SecondPlugin_Hold"),
        Export<SecondPluginTagFn>(second, "SecondPlugin_GiveBack"),
        Export<SecondPluginTuneFn>(second, "SecondPlugin_Tune"),
        Export<SecondPluginInsideFn>(second, "SecondPlugin_HoldInsideNextChange"),
    };
    const PluginQueryFn query = reinterpret_cast<PluginQueryFn>(
        reinterpret_cast<void*>(GetProcAddress(lumenfold, "OBSEPlugin_Query")));
    const PluginLoadFn load = reinterpret_cast<PluginLoadFn>(
        reinterpret_cast<void*>(GetProcAddress(lumenfold, "OBSEPlugin_Load")));
    Check(query != nullptr && load != nullptr &&
              GetProcAddress(lumenfold, "LumenfoldQueryInterface") != nullptr,
          "OBSE_Lumenfold.dll exports its entries and LumenfoldQueryInterface");
    if (g_failures != 0) {
        return 1;
    }
    sim::Host host;
    RunSecondPluginSession(game, host, query, load, calls, Check);

    const std::string log = ReadLog();
    for (const char* line :
         {"interface: version 1 handed to \"SecondPlugin\" (asked for version 1)",
          "interface: a request from \"SecondPlugin\" refused: version 7 is not one Lumenfold has "
          "(it has versions 1 to 1) (LUMENFOLD_UNKNOWN_VERSION)",
          "interface: the body view is held off by \"SecondPlugin\" (held by \"SecondPlugin\")",
          "interface: \"SecondPlugin\" gives the body view back: no tag holds it off, it takes "
          "over again",
          "tuning: \"SecondPlugin\" sets fCameraPosZ 6 -> 16 for this start of the game (the "
          "settings file wins when it is read again)"}) {
        Check(log.find(std::string(line) + "\r\n") != std::string::npos,
              std::string("the log file has: ") + line);
    }
    printf("wine-second: %d of %d checks passed\n", g_checks - g_failures, g_checks);
    fflush(stdout);
    return g_failures == 0 ? 0 : 2;
}
