// The game values the logic may read, noted where the game has run: at each
// site into the logic and after each call of the game that changes it. The
// first note of an object in a frame notes all of its words; later ones only
// the words the game changed since (the recorder's own; the plug-in's calls
// are in record/frame_recorder.h).
#pragma once

#include <emmintrin.h>
#include <stdint.h>

#include "game/layout.h"
#include "record/recording_format.h"

// Words are compared four at a time: every array of words noted is padded
// with zeros to a multiple of four.
constexpr int Padded(int words) {
    return (words + 3) / 4 * 4;
}
inline __attribute__((always_inline)) bool SameWords(const uint32_t* a, const uint32_t* b,
                                                     int count) {
    __m128i same = _mm_set1_epi32(-1);
    for (int i = 0; i < count; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        same = _mm_and_si128(same, _mm_cmpeq_epi32(x, y));
    }
    return _mm_movemask_epi8(same) == 0xFFFF;
}
inline void CopyWords(uint32_t* to, const uint32_t* from, int count) {
    for (int i = 0; i < count; i += 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    }
}

// A new frame: every object is noted whole again.
void ForgetGameValues();
// An entry of the logic begins (with the camera or the record its site
// hands over, or none) or ends.
void BeginEntryValues(const SceneNode* camera, const AnimationRecord* record);
void EndEntryValues();
// Every game value the logic may read from here on.
void NoteGameValues();
// A node the logic found by name: noted with its parent, now and at every
// later note of the entry.
void NoteFoundNode(const SceneNode* found);
// The words of a field the logic has just written (returns their count);
// the noted values learn them, so that the write is not taken for a change
// made by the game.
int WrittenWordsOf(WrittenField field, const void* target, uint32_t* w);
// For tests: see OmitFromRecordingForTests.
void OmitGameValueForTests(int kind, int word, bool onlyChanges);
