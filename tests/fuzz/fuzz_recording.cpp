// Any byte string as a recording of frames, with a mutator that knows the
// format (recording_mutator.cpp): the reader answers with frames or with one
// message that names the file and the byte, never with a crash, a hang or an
// exception. What it accepts is replayed in the simulated game: a replay ends
// with its frames compared, or with a failure that names a byte, never with
// a crash; and reading and replaying hold no more heap at once than
// kHeapPerFileByte times the input's size and kHeapAllowance besides.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "tests/fuzz/heap_peak.h"
#include "tests/fuzz/recording_mutator.h"
#include "tools/sim/replay/recording_read.h"
#include "tools/sim/replay/replay.h"

namespace {

// The bound of docs/recording.md: reading and replaying a file holds at most
// 8 times its size and 48 MiB besides (the decoded frames, the plug-in's own
// recording, the replay's stand-ins for the first objects of any file).
constexpr size_t kHeapPerFileByte = 8;
constexpr size_t kHeapAllowance = 48u << 20;

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

// What became of the inputs, by kind: replayed, or refused with what
// (numbers left out), printed when the run ends.
std::map<std::string, long>& Outcomes() {
    // Never destroyed: it is printed when the process exits.
    static auto* const outcomes = new std::map<std::string, long>();
    return *outcomes;
}

void PrintOutcomes() {
    fprintf(stderr, "fuzz_recording: what became of the inputs:\n");
    for (const auto& [kind, count] : Outcomes()) {
        fprintf(stderr, "  %8ld  %s\n", count, kind.c_str());
    }
}

void Count(const std::string& who, const std::string& message) {
    static const bool registered = atexit(PrintOutcomes) == 0;
    (void)registered;
    std::string kind = who;
    const size_t colon = message.find(": ", message.find("at byte "));
    const std::string what = colon != std::string::npos ? message.substr(colon + 2) : message;
    for (size_t i = 0; i < what.size() && kind.size() < who.size() + 60; ++i) {
        const char c = what[i];
        if (c >= '0' && c <= '9') {
            if (kind.back() != '#') {
                kind += '#';
            }
        } else if (c == '"' || c == '(') {
            break;
        } else {
            kind += c;
        }
    }
    ++Outcomes()[kind];
}

void Broken(const char* what, size_t size) {
    fprintf(stderr, "fuzz_recording: %s (an input of %zu bytes)\n", what, size);
    abort();
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
    return MutateRecording(data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Quiet();
    StartHeapStretch();
    {
        simtool::Recording recording;
        simtool::RecordingError error;
        if (!simtool::ParseRecording(std::vector<uint8_t>(data, data + size), "fuzz.rec",
                                     &recording, &error)) {
            if (error.message.rfind("fuzz.rec: at byte ", 0) != 0 ||
                error.message.size() > 300 || error.message.find('\n') != std::string::npos) {
                Broken("a refusal without the file's name and byte, or not on one line", size);
            }
            Count("refused by the reader: ", error.message);
        } else {
            const simtool::ReplayResult result =
                simtool::ReplayRecording(recording, simtool::ReplayOptions());
            for (const std::string& f : result.failures) {
                if (f.rfind("at byte ", 0) != 0 &&
                    f != "the plug-in did not load as it was recorded") {
                    Broken("a replay's failure that names no byte", size);
                }
                // The byte named lies in the file.
                if (f.rfind("at byte ", 0) == 0 && strtoull(f.c_str() + 8, nullptr, 10) >= size) {
                    Broken("a replay's failure that names a byte past the file's end", size);
                }
            }
            if (result.frames > static_cast<int>(recording.frameOffsets.size())) {
                Broken("more frames replayed than the file holds", size);
            }
            if (!result.failures.empty()) {
                Count("refused by the replay: ", result.failures[0]);
            } else {
                Count(result.differences.empty() && result.cutShort.empty()
                          ? "replayed, every frame agreeing"
                          : "replayed, some frames differing or cut short",
                      "");
            }
        }
    }
    if (HeapFollowed() && HeapStretchPeak() > kHeapPerFileByte * size + kHeapAllowance) {
        fprintf(stderr, "fuzz_recording: reading and replaying held %zu bytes of heap at once\n",
                HeapStretchPeak());
        Broken("more heap than 8 times the input and 48 MiB", size);
    }
    return 0;
}
