// Any byte string as a recording of frames: the reader answers with frames
// or with one message that names the file and the byte, never with a crash,
// a hang or an exception, and never keeps more than the bytes justify.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tools/sim/recording_read.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
    return 0;
}
