// The memory of the kept frames, and how an event goes into the frame being
// recorded. The recorder's own: the plug-in's calls are in
// record/frame_recorder.h.
//
// The frames lie one after another in one block of memory, each whole; the
// frame being recorded (the open frame) follows the newest kept one, or moves
// to the start of the block when it reaches the end. Room for it is made by
// dropping the oldest frames, which always lie right ahead of it.
#pragma once

#include <emmintrin.h>
#include <stdint.h>
#include <string.h>

#include "record/recording_format.h"
#include "settings/settings.h"

// The frame being recorded, in the block of memory.
struct OpenFrameState {
    uint8_t* ring;      // the block; nullptr when nothing is recorded
    bool open;          // a frame is being recorded
    bool cut;           // it outgrew its room: cut short
    uint32_t at;        // where it begins in the block
    uint32_t length;    // its bytes so far
    uint32_t freeUntil; // it may grow up to here without dropping a kept frame
};
extern OpenFrameState OpenFrame;

// Reserves the block for the last `frames` frames (1 to 3600), with the
// host's versions for the file's header: false when the memory cannot be
// had; `capacity` says how much was asked for. 0 releases it.
bool ReserveRing(int32_t frames, uint32_t hostVersion, uint32_t gameVersion, uint32_t* capacity);
// The open frame (if any) becomes the newest kept one, and the next frame
// opens behind it with its header: its number, the view state it begins
// with, and the settings in force.
void OpenNextFrame(const uint32_t* view, const uint32_t* settings);
// The open frame (if any) becomes the newest kept one; none is open until
// the next OpenNextFrame.
void CloseOpenFrame();

// Makes room for `n` more bytes of the open frame; false when the frame
// cannot grow (it is then cut short).
bool MakeRoom(uint32_t n);
inline bool Room(uint32_t n) {
    const uint32_t length = OpenFrame.length + n;
    if (OpenFrame.at + length <= OpenFrame.freeUntil && length <= kMaxFrameBytes &&
        !OpenFrame.cut) {
        return true; // within what is known to be free
    }
    return MakeRoom(n);
}

inline uint32_t Bits(float f) {
    uint32_t w;
    memcpy(&w, &f, 4);
    return w;
}

// One event, built whole before it goes into the open frame.
class Event {
  public:
    explicit Event(EventTag tag) { Byte(tag); }
    Event& Byte(uint32_t v) {
        bytes_[n_++] = static_cast<uint8_t>(v);
        return *this;
    }
    Event& Word(uint32_t v) {
        memcpy(bytes_ + n_, &v, 4); // x86: the file's little-endian order
        n_ += 4;
        return *this;
    }
    Event& Words(const uint32_t* w, int count) {
        for (int i = 0; i < count; ++i) {
            Word(w[i]);
        }
        return *this;
    }
    Event& Text(const char* text, uint32_t length) {
        Byte(length);
        for (uint32_t i = 0; i < length; ++i) {
            bytes_[n_++] = static_cast<uint8_t>(text[i]);
        }
        return *this;
    }
    // The event goes into the frame in 16-byte pieces: room is made for the
    // whole last piece, and only the event's own bytes count.
    ~Event() {
        const uint32_t pieces = (n_ + 15) / 16;
        if (OpenFrame.open && Room(16 * pieces)) {
            uint8_t* to = OpenFrame.ring + OpenFrame.at + OpenFrame.length;
            for (uint32_t i = 0; i < pieces; ++i) {
                _mm_storeu_si128(
                    reinterpret_cast<__m128i*>(to + 16 * i),
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes_ + 16 * i)));
            }
            OpenFrame.length += n_;
        }
    }

  private:
    static constexpr uint32_t kLongest = 16 + kMaxNameLength + 4 * kMaxBlockWords;
    uint8_t bytes_[(kLongest + 15) / 16 * 16];
    uint32_t n_ = 0;
};
