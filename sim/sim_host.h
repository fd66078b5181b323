// A substitute for the script extender: the host interface record with its
// calls, the messaging interface, and delivery of host messages.
#pragma once

#include <stdint.h>

#include "entry/host_interface.h"

namespace sim {

struct Host {
    explicit Host(uint32_t hostVersion = 21, uint32_t gameVersion = LF_GAME_VERSION,
                  uint32_t editorFlag = 0);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Delivers a message of `type` from the host to the registered handler;
    // false when none is registered.
    bool Send(uint32_t type);

    HostInterface record;
    MessagingInterface messaging;
    uint32_t pluginHandle = 0x51;
    bool offerMessaging = true; // false: the query answers null

    // What the plug-in asked of the host.
    int handleCalls = 0;
    int queryCalls = 0;
    uint32_t lastQueryId = 0;
    int registerCalls = 0;
    uint32_t registeredPlugin = 0;
    const char* registeredSender = nullptr;
    HostMessageHandler handler = nullptr;
};

} // namespace sim
