#include "entry/plugin_entry.h"

#include "entry/plugin_interface.h"

#include "log/diagnostic_log.h"
#include "patch/load_sequence.h"
#include "patch/place_check.h"
#include "platform/platform.h"
#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "view/view_state.h"

namespace {

uint32_t g_pluginHandle = 0;
const MessagingInterface* g_messaging = nullptr;
// Every plug-in has loaded by the first message 0: the places this load
// wrote are read once then, to find any that another module wrote over.
bool g_postLoadChecked = false;

// The first lines of the log file: what ran, in what, and when.
void LogStart(const HostInterface* host) {
    LocalTime t;
    PlatformLocalTime(&t);
    LogDetail("Lumenfold %s (plug-in version %u)", LF_RELEASE_VERSION, kPluginVersion);
    LogDetail("script extender version %u, game version %08X%s", host->HostVersion,
              host->GameVersion,
              host->GameVersion == LF_GAME_VERSION ? " (" LF_GAME_VERSION_TEXT ")" : "");
    LogDetail("started %04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
              t.second);
}

// A refused query leaves its reason in the log file too.
void RefuseQuery(const HostInterface* host) {
    OpenLogFile();
    LogStart(host);
}

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
        RefuseQuery(host);
        LogError("OBSE version too old (got %08X expected at least %08X)", host->HostVersion,
                 kHostMinimumVersion);
        return false;
    }
    if (host->GameVersion != LF_GAME_VERSION) {
        RefuseQuery(host);
        LogError("incorrect Oblivion version (got %08X need %08X)", host->GameVersion,
                 static_cast<uint32_t>(LF_GAME_VERSION));
        return false;
    }
    return true;
}

bool OBSEPlugin_Load(const HostInterface* host) {
    ResetInterface();
    g_pluginHandle = host->GetPluginHandle();
    OpenLogFile();
    LogStart(host);
    ReadSettings();
    if (host->EditorFlag != 0) {
        LogDetail("in the editor: nothing is patched");
        return true; // in the editor nothing else happens
    }
    // The recording's room, before the patches: they lead into the glue of
    // the logic that records.
    ReserveRecording(Settings.iRecordFrames, host->HostVersion, host->GameVersion);
    // Every place is read before anything of the plug-in becomes reachable
    // from the game: a conflict in the core leaves the game untouched, and
    // the host records the plug-in as not loaded.
    ForgetWrites();
    g_postLoadChecked = false;
    if (!PrepareLoadPatches()) {
        LogLoadPlaces();
        return false;
    }
    g_messaging =
        static_cast<const MessagingInterface*>(host->QueryInterface(kMessagingInterfaceId));
    // A host that hands back no messaging interface gets no listener (and so
    // never installs the late hook) instead of a call through null.
    if (g_messaging != nullptr) {
        g_messaging->RegisterListener(g_pluginHandle, kHostSender, HandleHostMessage);
        InterfaceAtLoad(g_pluginHandle, g_messaging);
    } else {
        LogDetail("the script extender gives no messages: the shadow pass stays the game's, and "
                  "saved games do not reload the settings");
    }
    WriteLoadPatches();
    LogLoadPlaces();
    return true;
}

void LF_CDECL HandleHostMessage(HostMessage* message) {
    if (RecordingFrames()) {
        NoteMessage(message->Type);
        // A saved game, or the game left: the frames kept go to a file, each
        // kind of its own (leaving writes once a start).
        if (message->Type == kMessageGameSaved) {
            WriteRecordingFile(RecordingKind::Save);
        } else if (message->Type == kMessageExit || message->Type == kMessageExitToMenu ||
                   message->Type == kMessageExitFromConsole) {
            WriteRecordingFile(RecordingKind::Exit);
        }
    }
    if (message->Type == kMessagePostLoad) {
        if (!g_postLoadChecked) {
            g_postLoadChecked = true;
            ReportOverwrittenPlaces();
        }
        InstallLateHook();
        // Other plug-ins may ask for the interface from here on.
        InterfaceAtPostLoad();
    } else if (message->Type == kMessageGameLoaded) {
        // A saved game has finished loading, between frames.
        WatchedMenuOpen = 0;
        if (Settings.bReloadSettingsOnGameLoad != 0) {
            ReloadSettings();
        }
    } else if (message->Type == kMessageGameSaved) {
        InterfaceAtGameSaved();
    } else if (message->Type == kMessageExit || message->Type == kMessageExitFromConsole) {
        InterfaceAtExit();
    }
    if (RecordingFrames()) {
        NoteMessageHandled();
    }
}
