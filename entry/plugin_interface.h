// Lumenfold's interface for other plug-ins (sdk/lumenfold_api.h): its table
// of functions, handed out on a request message or by the exported
// LumenfoldQueryInterface; the body view held off by tags; tuning values
// for one start of the game; and a message to every listener when the body
// view turns on or off or changes state, at most one a frame.
//
// Everything runs on the game's thread. Nothing allocates; the per-frame
// part (the message of a change) runs only once a plug-in has the table.
#pragma once

#include <stdint.h>

#include "entry/host_interface.h"
#include "entry/plugin_entry.h"
#include "sdk/lumenfold_api.h"

extern "C" {
// 1 once a plug-in has the table: the glue then calls the two places below.
extern int32_t InterfaceInUse;
// The frame's message of a change: after the shadow pass's second half (the
// frame's end), where that place is Lumenfold's; else at the player's first
// body pass after a camera update (CameraUpdatedBeforeBodyPass), which the
// game passes once a frame: the camera update the game runs inside a change
// of view comes before the player's two passes, the frame's own after them,
// and the free-flying camera skips it.
void InterfaceAtShadowPass();
void InterfaceAtBodyPass();

LF_EXPORT uint32_t LF_CDECL LumenfoldQueryInterface(uint32_t version,
                                                    const LumenfoldInterface** api);
}

// The table, as handed out.
const LumenfoldInterface* InterfaceTable();

// From the load and the host's messages. At load: the handle and messaging
// the answers and messages go through. At the host's message 0: a listener
// for every sender (the requests), and calls are taken from then on. At a
// saved game and when the game is left: the tags still holding named in the
// log; from leaving on, calls are refused.
void InterfaceAtLoad(uint32_t pluginHandle, const MessagingInterface* messaging);
void InterfaceAtPostLoad();
void InterfaceAtGameSaved();
void InterfaceAtExit();

// The listener for every sender: answers requests for the table.
void LF_CDECL HandlePluginMessage(HostMessage* message);

// Everything as at the start of the process (for tests and the simulator's
// runs): no holder, no plug-in with the table, calls refused until the next
// message 0.
void ResetInterface();
