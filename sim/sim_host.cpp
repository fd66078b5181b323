#include "sim/sim_host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace sim {

namespace {

Host* g_host = nullptr;

uint32_t LF_CDECL GetPluginHandleImpl() {
    g_host->handleCalls++;
    return g_host->pluginHandle;
}

void* LF_CDECL QueryInterfaceImpl(uint32_t id) {
    g_host->queryCalls++;
    g_host->lastQueryId = id;
    return id == kMessagingInterfaceId && g_host->offerMessaging ? &g_host->messaging : nullptr;
}

uint8_t LF_CDECL RegisterListenerImpl(uint32_t plugin, const char* sender,
                                      HostMessageHandler handler) {
    g_host->registerCalls++;
    g_host->registeredPlugin = plugin;
    g_host->registeredSender = sender;
    g_host->handler = handler;
    return 1;
}

} // namespace

Host::Host(uint32_t hostVersion, uint32_t gameVersion, uint32_t editorFlag) {
    if (g_host != nullptr) {
        fprintf(stderr, "simulated host: only one may exist at a time\n");
        abort();
    }
    g_host = this;
    memset(&record, 0, sizeof record);
    record.HostVersion = hostVersion;
    record.GameVersion = gameVersion;
    record.EditorFlag = editorFlag;
    record.QueryInterface = QueryInterfaceImpl;
    record.GetPluginHandle = GetPluginHandleImpl;
    memset(&messaging, 0, sizeof messaging);
    messaging.Version = 1;
    messaging.RegisterListener = RegisterListenerImpl;
}

Host::~Host() {
    g_host = nullptr;
}

bool Host::Send(uint32_t type) {
    if (handler == nullptr) {
        return false;
    }
    HostMessage m = {kHostSender, type, 0, nullptr};
    handler(&m);
    return true;
}

} // namespace sim
