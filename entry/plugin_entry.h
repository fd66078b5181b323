// The two entries the script extender calls, and the handler of its messages.
#pragma once

#include "entry/host_interface.h"

#if defined(_WIN32)
#define LF_EXPORT __declspec(dllexport)
#else
#define LF_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
LF_EXPORT bool OBSEPlugin_Query(const HostInterface* host, PluginInfo* info);
LF_EXPORT bool OBSEPlugin_Load(const HostInterface* host);
}

void LF_CDECL HandleHostMessage(HostMessage* message);

// What the load kept from the handshake (for tests).
uint32_t LoadedPluginHandle();
const MessagingInterface* LoadedMessaging();
