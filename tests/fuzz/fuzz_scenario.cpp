// Any byte string as a scenario: the reader answers with steps or with one
// message that names the file and the place, never with a crash, a hang or
// an exception.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "tools/sim/scenario/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    if (!simtool::ParseScenario(text, "fuzz.json", &scenario, &error)) {
        // A message for a player: named, short, one line.
        if (error.message.rfind("fuzz.json: ", 0) != 0 || error.message.size() > 400 ||
            error.message.find('\n') != std::string::npos) {
            abort();
        }
    }
    return 0;
}
