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
// Set by the body-pass glue at every pass of the player; the camera update
// takes it as the sign of a new frame where the shadow pass is not
// Lumenfold's.
extern int32_t PlayerBodyPassed;
// After the shadow pass's second half (the frame's end, where that place is
// Lumenfold's), and after every camera update: the frame's message of a
// change, from the one of the two that ends the frame.
void InterfaceAtShadowPass();
void InterfaceAtCameraUpdate();

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
