#include "entry/plugin_entry.h"

#include "log/diagnostic_log.h"
#include "patch/fixed_patches.h"
#include "patch/hook_table.h"
#include "settings/settings.h"
#include "view/view_state.h"

namespace {

uint32_t g_pluginHandle = 0;
const MessagingInterface* g_messaging = nullptr;

} // namespace

uint32_t LoadedPluginHandle() {
    return g_pluginHandle;
}
const MessagingInterface* LoadedMessaging() {
    return g_messaging;
}

bool OBSEPlugin_Query(const HostInterface* host, PluginInfo* info) {
    info->InfoVersion = kPluginInfoVersion;
    info->Name = kPluginName;
    info->Version = kPluginVersion;
    if (host->EditorFlag != 0) {
        return true; // no version is compared in the editor
    }
    if (host->HostVersion < kHostMinimumVersion) {
        LogError("OBSE version too old (got %08X expected at least %08X)", host->HostVersion,
                 kHostMinimumVersion);
        return false;
    }
    if (host->GameVersion != LF_GAME_VERSION) {
        LogError("incorrect Oblivion version (got %08X need %08X)", host->GameVersion,
                 static_cast<uint32_t>(LF_GAME_VERSION));
        return false;
    }
    return true;
}

bool OBSEPlugin_Load(const HostInterface* host) {
    g_pluginHandle = host->GetPluginHandle();
    ReadSettings();
    if (host->EditorFlag != 0) {
        return true; // in the editor nothing else happens
    }
    g_messaging =
        static_cast<const MessagingInterface*>(host->QueryInterface(kMessagingInterfaceId));
    // A host that hands back no messaging interface gets no listener (and so
    // never installs the late hook) instead of a call through null.
    if (g_messaging != nullptr) {
        g_messaging->RegisterListener(g_pluginHandle, kHostSender, HandleHostMessage);
    }
    InstallLoadPatches();
    return true;
}

void LF_CDECL HandleHostMessage(HostMessage* message) {
    if (message->Type == kMessagePostLoad) {
        InstallHook(kLateHook);
    } else if (message->Type == kMessageMenuRelease) {
        WatchedMenuOpen = 0;
    }
}
