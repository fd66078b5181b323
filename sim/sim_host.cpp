#include "sim/sim_host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace sim {

namespace {

Host* g_host = nullptr;

uint32_t LF_CDECL GetPluginHandleImpl() {
    g_host->handleCalls++;
    return g_host->loading;
}

void* LF_CDECL QueryInterfaceImpl(uint32_t id) {
    g_host->queryCalls++;
    g_host->lastQueryId = id;
    return id == kMessagingInterfaceId && g_host->offerMessaging ? &g_host->messaging : nullptr;
}

uint8_t LF_CDECL RegisterListenerImpl(uint32_t plugin, const char* sender,
                                      HostMessageHandler handler) {
    Host& h = *g_host;
    h.registerCalls++;
    h.registeredPlugin = plugin;
    h.registeredSender = sender;
    if (h.NameOf(plugin) == nullptr || handler == nullptr) {
        return 0;
    }
    // A sender that is not loaded cannot be listened to: that is how a
    // plug-in finds out whether another is there.
    if (sender != nullptr && strcmp(sender, kHostSender) != 0) {
        bool loaded = strcmp(sender, "Lumenfold") == 0;
        for (const Host::Plugin& p : h.plugins) {
            loaded = loaded || p.name == sender;
        }
        if (!loaded) {
            return 0;
        }
    }
    h.listeners.push_back({plugin, sender != nullptr ? sender : "", handler});
    return 1;
}

uint8_t LF_CDECL DispatchImpl(uint32_t plugin, uint32_t type, void* data, uint32_t length,
                              const char* receiver) {
    Host& h = *g_host;
    h.dispatchCalls++;
    const char* sender = h.NameOf(plugin);
    if (sender == nullptr) {
        return 0;
    }
    return h.Deliver(sender, type, data, length, receiver) ? 1 : 0;
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
    messaging.Dispatch = DispatchImpl;
    loading = pluginHandle;
}

Host::~Host() {
    g_host = nullptr;
}

uint32_t Host::AddPlugin(const char* name) {
    const uint32_t handle = pluginHandle + 1 + static_cast<uint32_t>(plugins.size());
    plugins.push_back({handle, name});
    return handle;
}

void Host::Loading(uint32_t handle) {
    loading = handle;
}

const char* Host::NameOf(uint32_t handle) const {
    if (handle == pluginHandle) {
        return "Lumenfold";
    }
    for (const Plugin& p : plugins) {
        if (p.handle == handle) {
            return p.name.c_str();
        }
    }
    return nullptr;
}

bool Host::Deliver(const char* sender, uint32_t type, void* data, uint32_t length,
                   const char* receiver) {
    const bool fromHost = strcmp(sender, kHostSender) == 0;
    // A handler may register more listeners while it runs: the list as it is
    // now is delivered to.
    const std::vector<Listener> now = listeners;
    bool delivered = false;
    ++dispatchDepth;
    if (dispatchDepth > deepestDispatch) {
        deepestDispatch = dispatchDepth;
    }
    for (const Listener& l : now) {
        const bool forSender = l.sender.empty() ? (!fromHost || hostMessagesToEveryone)
                                                : l.sender == sender;
        const char* name = NameOf(l.plugin);
        if (!forSender || (receiver != nullptr && (name == nullptr || strcmp(name, receiver) != 0))) {
            continue;
        }
        HostMessage m = {sender, type, length, data};
        l.handler(&m);
        delivered = true;
    }
    --dispatchDepth;
    return delivered;
}

bool Host::Send(uint32_t type, void* data, uint32_t length) {
    return Deliver(kHostSender, type, data, length, nullptr);
}

} // namespace sim
