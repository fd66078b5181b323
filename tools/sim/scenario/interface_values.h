// The scenario's side of Lumenfold's interface for other plug-ins
// (sdk/lumenfold_api.h), as another plug-in uses it: a plug-in of the
// simulated host ("Scenario") that listens to Lumenfold's messages from the
// host's first message on; the table, got through the exported function at
// the scenario's first call of it; and what a scenario can expect of both.
#pragma once

#include <stdint.h>

#include <string>

#include "sim/sim_host.h"
#include "tools/sim/scenario/json_values.h"
#include "tools/sim/scenario/scenario_names.h"

namespace simtool {

// The run's start, right after the host's first message: the listener
// registered. Its end: forgotten.
void StartInterfaceRun(sim::Host& host);
void EndInterfaceRun();

// A call of the table a scenario makes by a settable name
// (interface.HoldBodyViewOff, interface.GiveBodyViewBack, with a tag or null;
// interface.SetTuning, with {"tag": .., "key": .., "value": ..}).
void CallInterface(const std::string& name, const json& value);

// Change messages: a step's count begins anew; a frame's count (the soak
// holds it to one at most).
void BeginStepMessages();
void BeginFrameMessages();
int ChangeMessagesInFrame();
// Whether each message of the frame told a change (another state, or on
// and off) from the one before it.
bool FrameMessagesToldChanges();

// A name of IsInterfaceName (scenario_names.h), observed now.
json ObserveInterface(const std::string& name);

// A state as scenarios name it ("standing", "off-held", ...).
const char* BodyViewStateName(uint32_t state);

} // namespace simtool
