// Reading a recording of frames (docs/recording.md): its header, and its
// frames one at a time. Any bytes at all may come in: what is wrong is said
// with the file's name and the byte where it was found, and nothing is
// thrown. A file larger than kMaxRecordingBytes is refused before anything
// is reserved for it. What reading reserves is the file's bytes, 8 bytes for
// each frame (a frame is at least 64 bytes long) and one decoded frame (at
// most kMaxFrameBytes long, so some megabytes): under twice the file's size
// and a constant.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "record/recording_format.h"

namespace simtool {

// The largest file the reader takes: four times the largest the plug-in
// writes (3600 frames of 4 KB and the header), so that reading and
// replaying it stays far inside a 32-bit process's memory.
constexpr uint32_t kMaxRecordingBytes = 64u << 20;
static_assert(kMaxRecordingBytes >= 4ull * (static_cast<uint64_t>(kMaxRecordedFrames) *
                                                kRecordingBytesPerFrame +
                                            RecordingHeaderSize(64)),
              "the reader takes every recording the plug-in writes");

// One event of a frame, decoded. Which fields mean what depends on the tag:
//   SITE     code: site, a, b
//   STATE    code: block kind, a: token, b: first word, words
//   NAME     a: sequence token, text
//   ANSWER   code: call, a: receiver, b: argument, c: answer
//   CALL     code: call, a: receiver, b: steering
//   WRITE    code: field, a: target, words
//   VIEW     code: view field, a: value
//   MESSAGE  a: type
//   SETTINGS words
struct RecordedEvent {
    uint8_t tag = 0;
    uint8_t code = 0;
    uint32_t offset = 0; // of its tag, in the file
    uint32_t a = 0, b = 0, c = 0;
    std::vector<uint32_t> words;
    std::string text;
};

struct RecordedFrame {
    uint32_t offset = 0; // of its first byte, in the file
    uint32_t number = 0;
    uint32_t flags = 0;
    uint32_t view[kViewStateWords] = {};
    std::vector<RecordedEvent> events;
};

struct Recording {
    std::string name; // the file's, for messages
    std::vector<uint8_t> bytes;
    uint16_t formatVersion = 0;
    uint32_t pluginVersion = 0;
    std::string release;
    uint32_t gameVersion = 0;
    uint32_t hostVersion = 0;
    std::vector<uint32_t> settings;
    // Where each frame begins, and its length.
    std::vector<uint32_t> frameOffsets;
    std::vector<uint32_t> frameLengths;
};

struct RecordingError {
    std::string message; // "NAME: at byte N: what is wrong"
};

// Reads a recording from bytes in memory; every frame is checked whole.
bool ParseRecording(std::vector<uint8_t> bytes, const std::string& name, Recording* recording,
                    RecordingError* error);
// The same from a file.
bool LoadRecording(const std::string& path, Recording* recording, RecordingError* error);
// Decodes frame `index` (checked already by the parse).
bool DecodeFrame(const Recording& recording, size_t index, RecordedFrame* frame,
                 RecordingError* error);

} // namespace simtool
