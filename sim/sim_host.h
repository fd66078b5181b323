// A substitute for the script extender: the host interface record with its
// calls, the messaging interface, and delivery of messages as the script
// extender delivers them: the host's own (sender "OBSE") and those plug-ins
// dispatch to each other, each to the listeners registered for its sender by
// name or for every sender, or to the one receiver a message names.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "entry/host_interface.h"

namespace sim {

struct Host {
    explicit Host(uint32_t hostVersion = 21, uint32_t gameVersion = LF_GAME_VERSION,
                  uint32_t editorFlag = 0);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Delivers a message of `type` from the host ("OBSE") to every listener
    // registered for it; false when there is none.
    bool Send(uint32_t type, void* data = nullptr, uint32_t length = 0);

    // Another plug-in the host has loaded (after Lumenfold, whose handle is
    // pluginHandle and whose name is "Lumenfold"): its handle. While a
    // plug-in's entries run, GetPluginHandle answers the handle made current
    // by Loading.
    uint32_t AddPlugin(const char* name);
    void Loading(uint32_t handle);
    const char* NameOf(uint32_t handle) const;

    HostInterface record;
    MessagingInterface messaging;
    uint32_t pluginHandle = 0x51;
    bool offerMessaging = true; // false: the query answers null
    // Whether a listener for every sender gets the host's own messages too
    // (the script extender's own choice is not known here; true is the
    // harder case for a plug-in).
    bool hostMessagesToEveryone = true;

    struct Listener {
        uint32_t plugin;
        std::string sender; // empty: every sender
        HostMessageHandler handler;
    };
    std::vector<Listener> listeners;

    // What the plug-ins asked of the host.
    int handleCalls = 0;
    int queryCalls = 0;
    uint32_t lastQueryId = 0;
    int registerCalls = 0;
    uint32_t registeredPlugin = 0;        // of the last registration
    const char* registeredSender = nullptr;
    int dispatchCalls = 0;
    int dispatchDepth = 0;    // messages being delivered now, one inside another
    int deepestDispatch = 0;  // the most at one time so far

    // Delivers a message from `sender` (a name) to its listeners, or to the
    // one named `receiver`; false when no listener took it.
    bool Deliver(const char* sender, uint32_t type, void* data, uint32_t length,
                 const char* receiver);

    struct Plugin {
        uint32_t handle;
        std::string name;
    };
    std::vector<Plugin> plugins;
    uint32_t loading = 0; // the handle GetPluginHandle answers
};

} // namespace sim
