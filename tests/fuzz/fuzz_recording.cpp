// Any byte string as a recording of frames: the reader answers with frames
// or with one message that names the file and the byte, never with a crash,
// a hang or an exception, and never keeps more than the bytes justify. What
// it accepts is replayed in the simulated game: a replay ends with its
// frames compared, or with a failure that names a byte, never with a crash.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tools/sim/replay/recording_read.h"
#include "tools/sim/replay/replay.h"

namespace {

// The replay's lines go nowhere: the fuzzer's own output stays readable.
void Quiet() {
    static bool done = false;
    if (!done) {
        done = true;
        if (freopen("/dev/null", "w", stdout) == nullptr) {
            abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Quiet();
    simtool::Recording recording;
    simtool::RecordingError error;
    if (!simtool::ParseRecording(std::vector<uint8_t>(data, data + size), "fuzz.rec", &recording,
                                 &error)) {
        if (error.message.rfind("fuzz.rec: at byte ", 0) != 0 || error.message.size() > 300 ||
            error.message.find('\n') != std::string::npos) {
            abort();
        }
        return 0;
    }
    // Every frame decodes; each is at least a frame header long.
    if (recording.frameOffsets.size() > size / kFrameHeaderSize) {
        abort();
    }
    simtool::RecordedFrame frame;
    for (size_t i = 0; i < recording.frameOffsets.size(); ++i) {
        if (!simtool::DecodeFrame(recording, i, &frame, &error) ||
            frame.events.size() > recording.frameLengths[i]) {
            abort();
        }
    }
    const simtool::ReplayResult result =
        simtool::ReplayRecording(recording, simtool::ReplayOptions());
    for (const std::string& f : result.failures) {
        if (f.rfind("at byte ", 0) != 0 && f != "the plug-in did not load as it was recorded") {
            abort();
        }
    }
    if (result.frames > static_cast<int>(recording.frameOffsets.size())) {
        abort();
    }
    return 0;
}
