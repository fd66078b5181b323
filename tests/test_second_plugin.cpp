// The tests' second plug-in (tests/second_plugin/), a shared library of C
// that knows Lumenfold only through sdk/lumenfold_api.h, loaded beside the
// plug-in in the simulated game: the session the Wine check runs with both
// real DLLs, here in the Linux build.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

#include "body/draw_visibility.h"
#include "entry/plugin_entry.h"
#include "log/diagnostic_log.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "tests/second_plugin/session.h"
#include "view/view_state.h"

namespace {

template <typename F> F Export(void* library, const char* name) {
    F f = nullptr;
    *reinterpret_cast<void**>(&f) = dlsym(library, name);
    EXPECT_NE(nullptr, reinterpret_cast<void*>(f)) << name;
    return f;
}

TEST(SecondPlugin, FindsLumenfoldReadsItsStateHoldsItOffAndIsToldOfEveryChange) {
    char tmpl[] = "/tmp/lumenfold-second-XXXXXX";
    const std::string root = mkdtemp(tmpl);
    std::string windows = root + "/Oblivion.exe";
    for (char& c : windows) {
        c = c == '/' ? '\\' : c;
    }
    PlatformSetModuleFileName(windows.c_str());
    ASSERT_EQ(0, system(("mkdir -p '" + root + "/Data/obse/plugins'").c_str()));
    std::ofstream(root + "/Data/obse/plugins/OBSE_Lumenfold.ini", std::ios::binary)
        << kSecondPluginSessionSettings;
    ResetViewState();
    ResetShadowBracket();

    void* library = dlopen(LF_SECOND_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library) << dlerror();
    SecondPluginCalls second = {
        Export<PluginQueryFn>(library, "OBSEPlugin_Query"),
        Export<PluginLoadFn>(library, "OBSEPlugin_Load"),
        Export<SecondPluginReportFn>(library, "SecondPlugin_Report"),
        Export<SecondPluginRequestFn>(library, "SecondPlugin_Request"),
        Export<SecondPluginQueryExportFn>(library, "SecondPlugin_QueryExport"),
        Export<SecondPluginStateFn>(library, "SecondPlugin_State"),
        Export<SecondPluginTagFn>(library, "SecondPlugin_Hold"),
        Export<SecondPluginTagFn>(library, "SecondPlugin_GiveBack"),
        Export<SecondPluginTuneFn>(library, "SecondPlugin_Tune"),
        Export<SecondPluginInsideFn>(library, "SecondPlugin_HoldInsideNextChange"),
    };
    {
        sim::Game game;
        sim::Host host;
        testing::internal::CaptureStdout();
        RunSecondPluginSession(game, host, OBSEPlugin_Query, OBSEPlugin_Load, second,
                               [](bool ok, const std::string& what) { EXPECT_TRUE(ok) << what; });
        testing::internal::GetCapturedStdout();
    }
    // The log file names the plug-in and its tag.
    CloseLogFile();
    std::ifstream in(root + "/OBSE_Lumenfold.log", std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* line :
         {"interface: version 1 handed to \"SecondPlugin\" (asked for version 1)",
          "interface: the body view is held off by \"SecondPlugin\" (held by \"SecondPlugin\")",
          "interface: \"SecondPlugin\" gives the body view back: no tag holds it off, it takes "
          "over again",
          "tuning: \"SecondPlugin\" sets fCameraPosZ 6 -> 16 for this start of the game (the "
          "settings file wins when it is read again)"}) {
        EXPECT_NE(std::string::npos, log.find(std::string(line) + "\r\n")) << line;
    }
    dlclose(library);
    PlatformUseRealClock();
    EXPECT_EQ(0, system(("rm -rf '" + root + "'").c_str()));
}

} // namespace
