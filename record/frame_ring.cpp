// The kept frames in their block of memory, and the file's bytes made of
// them.
#include "record/frame_ring.h"

#include <stdlib.h>
#include <string.h>

#include "entry/host_interface.h"
#include "record/frame_recorder.h"

OpenFrameState OpenFrame = {nullptr, false, false, 0, 0, 0};

namespace {

struct KeptFrame {
    uint32_t offset;
    uint32_t length;
    uint32_t settings[kSettingsKeyCount]; // in force as the frame began
};
uint32_t g_capacity = 0;
KeptFrame* g_kept = nullptr; // a ring of g_maxFrames entries, the oldest at g_first
int g_maxFrames = 0;
int g_first = 0;
int g_keptCount = 0;
KeptFrame g_openFrame; // where the open frame lies, and its settings
uint32_t g_frameNumber = 0;
uint32_t g_hostVersion = 0, g_gameVersion = 0;

KeptFrame& Kept(int i) {
    return g_kept[(g_first + i) % g_maxFrames];
}
void DropOldest() {
    g_first = (g_first + 1) % g_maxFrames;
    --g_keptCount;
}
// Drops the kept frames that lie in [begin, end).
void DropOverlapping(uint32_t begin, uint32_t end) {
    while (g_keptCount > 0) {
        const KeptFrame& oldest = Kept(0);
        if (oldest.offset >= end || oldest.offset + oldest.length <= begin) {
            return;
        }
        DropOldest();
    }
}

// The open frame becomes the newest kept one.
void CloseFrame() {
    if (!OpenFrame.open) {
        return;
    }
    const uint32_t flags = OpenFrame.cut ? kFrameCutShort : 0;
    memcpy(OpenFrame.ring + OpenFrame.at, &OpenFrame.length, 4);
    memcpy(OpenFrame.ring + OpenFrame.at + 8, &flags, 4);
    OpenFrame.open = false;
    // The kept frames are the last N.
    while (g_keptCount > 0 && g_keptCount >= g_maxFrames) {
        DropOldest();
    }
    g_openFrame.offset = OpenFrame.at;
    g_openFrame.length = OpenFrame.length;
    g_kept[(g_first + g_keptCount) % g_maxFrames] = g_openFrame;
    ++g_keptCount;
}

} // namespace

bool MakeRoom(uint32_t n) {
    const uint32_t length = OpenFrame.length + n;
    if (OpenFrame.cut || length > kMaxFrameBytes || length > g_capacity) {
        OpenFrame.cut = true;
        return false;
    }
    if (OpenFrame.at + length > g_capacity) {
        DropOverlapping(0, length);
        memmove(OpenFrame.ring, OpenFrame.ring + OpenFrame.at, OpenFrame.length);
        OpenFrame.at = 0;
    }
    DropOverlapping(OpenFrame.at, OpenFrame.at + length);
    // Free up to the oldest kept frame ahead of the open one, or the end.
    OpenFrame.freeUntil = g_capacity;
    if (g_keptCount > 0 && Kept(0).offset >= OpenFrame.at) {
        OpenFrame.freeUntil = Kept(0).offset;
    }
    return true;
}

bool ReserveRing(int32_t frames, uint32_t hostVersion, uint32_t gameVersion, uint32_t* capacity) {
    g_hostVersion = hostVersion;
    g_gameVersion = gameVersion;
    free(OpenFrame.ring);
    free(g_kept);
    OpenFrame = {nullptr, false, false, 0, 0, 0};
    g_kept = nullptr;
    g_capacity = 0;
    g_maxFrames = 0;
    g_first = g_keptCount = 0;
    g_frameNumber = 0;
    if (frames <= 0) {
        return true;
    }
    // Room for two of the longest frames at least, so that a long one never
    // has to drop the frame before it.
    const uint32_t perFrames = static_cast<uint32_t>(frames) * kRecordingBytesPerFrame;
    *capacity = perFrames > 2 * kMaxFrameBytes ? perFrames : 2 * kMaxFrameBytes;
    uint8_t* ring = static_cast<uint8_t*>(malloc(*capacity));
    g_kept = static_cast<KeptFrame*>(malloc(sizeof(KeptFrame) * static_cast<uint32_t>(frames)));
    if (ring == nullptr || g_kept == nullptr) {
        free(ring);
        free(g_kept);
        g_kept = nullptr;
        return false;
    }
    OpenFrame.ring = ring;
    g_capacity = *capacity;
    g_maxFrames = frames;
    return true;
}

void CloseOpenFrame() {
    CloseFrame();
}

void OpenNextFrame(const uint32_t* view, const uint32_t* settings) {
    CloseFrame();
    // The kept frames and the one being recorded are the last N.
    while (g_keptCount > 0 && g_keptCount >= g_maxFrames) {
        DropOldest();
    }
    const KeptFrame* newest = g_keptCount > 0 ? &Kept(g_keptCount - 1) : nullptr;
    OpenFrame.at = newest != nullptr ? newest->offset + newest->length : 0;
    OpenFrame.length = 0;
    OpenFrame.cut = false;
    OpenFrame.freeUntil = 0;
    OpenFrame.open = true;
    memcpy(g_openFrame.settings, settings, sizeof g_openFrame.settings);
    // The frame header: its length and flags are filled in when it closes.
    if (Room(kFrameHeaderSize)) {
        uint8_t* h = OpenFrame.ring + OpenFrame.at;
        const uint32_t header[3] = {0, g_frameNumber, 0};
        memcpy(h, header, 12);
        memcpy(h + 12, view, 4 * kViewStateWords);
        OpenFrame.length = kFrameHeaderSize;
    }
    ++g_frameNumber;
}

bool RecordingFrames() {
    return OpenFrame.ring != nullptr;
}

int RecordedFrameCount() {
    return g_keptCount + (OpenFrame.open ? 1 : 0);
}

uint32_t RecordingCapacity() {
    return g_capacity;
}

uint32_t WriteRecording(RecordingSink sink, void* context) {
    const uint32_t header = RecordingHeaderSize(kSettingsKeyCount);
    uint32_t frames = 0;
    for (int i = 0; i < g_keptCount; ++i) {
        frames += Kept(i).length;
    }
    frames += OpenFrame.open ? OpenFrame.length : 0;
    if (sink == nullptr || OpenFrame.ring == nullptr) {
        return header + frames;
    }
    uint8_t h[RecordingHeaderSize(kSettingsKeyCount)] = {};
    const uint16_t version = kRecordingFormatVersion;
    const uint16_t headerSize = static_cast<uint16_t>(header);
    const uint32_t words[] = {kPluginVersion};
    const uint32_t count = static_cast<uint32_t>(RecordedFrameCount());
    const uint32_t keyCount = kSettingsKeyCount;
    memcpy(h, kRecordingMagic, 8);
    memcpy(h + 8, &version, 2);
    memcpy(h + 10, &headerSize, 2);
    memcpy(h + 12, words, 4);
    strncpy(reinterpret_cast<char*>(h + 16), LF_RELEASE_VERSION, kRecordingReleaseTextSize - 1);
    memcpy(h + 32, &g_gameVersion, 4);
    memcpy(h + 36, &g_hostVersion, 4);
    memcpy(h + 40, &keyCount, 4);
    memcpy(h + kRecordingSettingsOffset, g_keptCount > 0 ? Kept(0).settings : g_openFrame.settings,
           4 * kSettingsKeyCount);
    memcpy(h + kRecordingSettingsOffset + 4 * kSettingsKeyCount, &count, 4);
    memcpy(h + kRecordingSettingsOffset + 4 * kSettingsKeyCount + 4, &frames, 4);
    if (!sink(h, header, context)) {
        return header + frames;
    }
    for (int i = 0; i < g_keptCount; ++i) {
        if (!sink(OpenFrame.ring + Kept(i).offset, Kept(i).length, context)) {
            return header + frames;
        }
    }
    if (OpenFrame.open) {
        // The open frame as it stands: its length and flags as they are now.
        const uint32_t flags = OpenFrame.cut ? kFrameCutShort : 0;
        memcpy(OpenFrame.ring + OpenFrame.at, &OpenFrame.length, 4);
        memcpy(OpenFrame.ring + OpenFrame.at + 8, &flags, 4);
        sink(OpenFrame.ring + OpenFrame.at, OpenFrame.length, context);
    }
    return header + frames;
}
