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

// Last: its headers make a macro of the word "interface", a member's name
// in the simulated game.
#include <windows.h>

namespace {

int g_failures = 0;
int g_checks = 0;

void Check(bool ok, const std::string& what) {
    ++g_checks;
    if (!ok) {
        ++g_failures;
        printf("wine-second: FAILED: %s\n", what.c_str());
    }
}

std::string Folder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1);
}

void WriteFileText(const std::string& path, const std::string& text) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The log file as a player opens it while the game runs.
std::string ReadLog() {
    const HANDLE file = CreateFileA((Folder() + "OBSE_Lumenfold.log").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "";
    }
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
    CloseHandle(file);
    return text;
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
