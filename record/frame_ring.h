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

// A STATE event: words `first` to first+count-1 of the block of `kind` and
// `token`, from `words` (padded to a multiple of four), written straight into
// the open frame in 16-byte pieces.
inline void EmitState(uint8_t kind, uint32_t token, uint32_t first, uint32_t count,
                      const uint32_t* words) {
    const uint32_t pieces = (count + 3) / 4;
    if (!OpenFrame.open || !Room(8 + 16 * pieces)) {
        return;
    }
    uint8_t* to = OpenFrame.ring + OpenFrame.at + OpenFrame.length;
    to[0] = kEventState;
    to[1] = kind;
    memcpy(to + 2, &token, 4); // x86: the file's little-endian order
    to[6] = static_cast<uint8_t>(first);
    to[7] = static_cast<uint8_t>(count);
    for (uint32_t i = 0; i < pieces; ++i) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8 + 16 * i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + 4 * i)));
    }
    OpenFrame.length += 8 + 4 * count;
}

// Where an event of `n` bytes goes in the open frame, or nullptr when it
// cannot (no frame open, or the frame cut short); EventWritten(n) then counts
// its bytes. The small events of fixed shape are written straight there.
inline uint8_t* EventPlace(uint32_t n) {
    return OpenFrame.open && Room(n) ? OpenFrame.ring + OpenFrame.at + OpenFrame.length : nullptr;
}
inline void PutWord(uint8_t* to, uint32_t v) {
    memcpy(to, &v, 4); // x86: the file's little-endian order
}
// A tag alone (END, RETURNED).
inline void EmitTag(EventTag tag) {
    if (uint8_t* to = EventPlace(1)) {
        to[0] = tag;
        OpenFrame.length += 1;
    }
}
// A tag, a code byte and `count` words (SITE: two; ANSWER: three; VIEW: one).
inline void EmitCodeWords(EventTag tag, uint8_t code, uint32_t a, uint32_t b, uint32_t c,
                          uint32_t count) {
    if (uint8_t* to = EventPlace(2 + 4 * 3)) {
        to[0] = tag;
        to[1] = code;
        PutWord(to + 2, a);
        PutWord(to + 6, b);
        PutWord(to + 10, c);
        OpenFrame.length += 2 + 4 * count;
    }
}
// A CALL: the call, its receiver and the steering byte.
inline void EmitCall(uint8_t call, uint32_t receiver, uint8_t steering) {
    if (uint8_t* to = EventPlace(7)) {
        to[0] = kEventCall;
        to[1] = call;
        PutWord(to + 2, receiver);
        to[6] = steering;
        OpenFrame.length += 7;
    }
}
// A WRITE: the field, its target and its `count` words (at most nine).
inline void EmitWrite(uint8_t field, uint32_t target, const uint32_t* words, uint32_t count) {
    if (uint8_t* to = EventPlace(6 + 4 * 9)) {
        to[0] = kEventWrite;
        to[1] = field;
        PutWord(to + 2, target);
        for (uint32_t i = 0; i < count; ++i) {
            PutWord(to + 6 + 4 * i, words[i]);
        }
        OpenFrame.length += 6 + 4 * count;
    }
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
