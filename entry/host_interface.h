// The records the script extender hands to its plug-ins, as far as this
// plug-in uses them. Every field is 32 bits; all calls are cdecl.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "game/engine.h"

struct HostMessage;
using HostMessageHandler = void(LF_CDECL*)(HostMessage* message);

struct HostInterface {
    uint32_t HostVersion;
    uint32_t GameVersion;
    uint32_t Reserved08;
    uint32_t EditorFlag; // nonzero inside the game's editor
    uint32_t Reserved10;
    uint32_t Reserved14;
    void*(LF_CDECL* QueryInterface)(uint32_t id);
    uint32_t(LF_CDECL* GetPluginHandle)();
};
static_assert(offsetof(HostInterface, HostVersion) == 0x00, "host version");
static_assert(offsetof(HostInterface, GameVersion) == 0x04, "game version");
static_assert(offsetof(HostInterface, EditorFlag) == 0x0C, "editor flag");
static_assert(offsetof(HostInterface, QueryInterface) == 0x18, "query interface");
static_assert(offsetof(HostInterface, GetPluginHandle) == 0x1C, "get plug-in handle");

struct PluginInfo {
    uint32_t InfoVersion;
    const char* Name;
    uint32_t Version;
};
static_assert(offsetof(PluginInfo, Name) == 0x04, "name");
static_assert(offsetof(PluginInfo, Version) == 0x08, "version");

// A message reaches the plug-ins that registered a listener for its sender
// by name, or for every sender (a null name); RegisterListener answers false
// for a sender that is not loaded. Dispatch sends a message from `plugin` to
// every such listener, or to the one named `receiver` alone.
struct MessagingInterface {
    uint32_t Version;
    uint8_t(LF_CDECL* RegisterListener)(uint32_t plugin, const char* sender,
                                        HostMessageHandler handler);
    uint8_t(LF_CDECL* Dispatch)(uint32_t plugin, uint32_t type, void* data, uint32_t length,
                                const char* receiver);
};
static_assert(offsetof(MessagingInterface, RegisterListener) == 0x04, "register listener");
static_assert(offsetof(MessagingInterface, Dispatch) == 0x08, "dispatch");

struct HostMessage {
    const char* Sender;
    uint32_t Type;
    uint32_t DataLength;
    void* Data;
};
static_assert(offsetof(HostMessage, Sender) == 0x00, "sender");
static_assert(offsetof(HostMessage, Type) == 0x04, "message type");
static_assert(offsetof(HostMessage, DataLength) == 0x08, "data length");
static_assert(offsetof(HostMessage, Data) == 0x0C, "data");

constexpr uint32_t kHostMinimumVersion = 20;
constexpr uint32_t kMessagingInterfaceId = 4;
constexpr uint32_t kMessagePostLoad = 0;   // install the late hook
constexpr uint32_t kMessageExit = 1;       // the game is left
constexpr uint32_t kMessageExitToMenu = 2; // to the main menu
constexpr uint32_t kMessageGameSaved = 4;  // a game was saved: the recording is written
constexpr uint32_t kMessageExitFromConsole = 7;
constexpr uint32_t kMessageGameLoaded = 8; // clear the menu watch; reload the settings
constexpr uint32_t kMessagePostPostLoad = 9; // right after 0: other plug-ins ask from here on
constexpr const char* kHostSender = "OBSE";

constexpr uint32_t kPluginInfoVersion = 2;
constexpr const char* kPluginName = "Lumenfold";
constexpr uint32_t kPluginVersion = 1;
