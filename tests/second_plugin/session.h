// The second plug-in's session with Lumenfold in the simulated game: the
// same steps and checks in the Linux tests (Lumenfold linked in, the second
// plug-in a shared library) and in the Wine check (both real DLLs under the
// Windows loader), with the simulated host routing the messages between the
// two as the script extender does.
#pragma once

#include <functional>
#include <string>

#include "entry/host_interface.h"
#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "tests/second_plugin/second_plugin.h"

using PluginQueryFn = bool (*)(const HostInterface*, PluginInfo*);
using PluginLoadFn = bool (*)(const HostInterface*);

struct SecondPluginCalls {
    PluginQueryFn query;
    PluginLoadFn load;
    SecondPluginReportFn report;
    SecondPluginRequestFn request;
    SecondPluginQueryExportFn queryExport;
    SecondPluginStateFn state;
    SecondPluginTagFn hold;
    SecondPluginTagFn giveBack;
    SecondPluginTuneFn tune;
    SecondPluginInsideFn holdInside;
};

using SessionCheck = std::function<void(bool ok, const std::string& what)>;

// Loads Lumenfold (its two entries) and then the second plug-in through
// `host`, sends the host's messages 0 and 9, and runs the session: the table
// found by message and by the export, refused requests, the state over
// standing, sitting, a menu and third person with one message for each
// change, the body view held off for some frames (nothing of it in them, the
// view back at the next frame after the give-back), a hold from inside a
// message, tuning. Lumenfold's settings file asks for head bob (the camera
// placed in every frame). Every check goes to `check`.
void RunSecondPluginSession(sim::Game& game, sim::Host& host, PluginQueryFn lumenfoldQuery,
                            PluginLoadFn lumenfoldLoad, const SecondPluginCalls& second,
                            const SessionCheck& check);

// The settings file the session expects Lumenfold to read.
constexpr const char* kSecondPluginSessionSettings = "[Main]\r\nbEnableHeadBob=1\r\n";
