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
#pragma GCC unroll 8
    for (int i = 0; i < count; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        same = _mm_and_si128(same, _mm_cmpeq_epi32(x, y));
    }
    return _mm_movemask_epi8(same) == 0xFFFF;
}
// The room for the words of one block: padded, and four words more, which a
// copy of a run of words in 16-byte pieces may read past its end.
constexpr int kWordRoom = Padded(kMaxBlockWords) + 4;
// Sets the words of one block's room to 0.
inline void ClearWords(uint32_t* w) {
    static_assert(kWordRoom % 4 == 0, "whole pieces");
#pragma GCC unroll 8
    for (int i = 0; i < kWordRoom; i += 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w + i), _mm_setzero_si128());
    }
}
inline void CopyWords(uint32_t* to, const uint32_t* from, int count) {
#pragma GCC unroll 8
    for (int i = 0; i < count; i += 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    }
}

// A new frame: every object is noted whole again.
void ForgetGameValues();
// An entry of the logic begins (with the camera or the record its site
// hands over, or none) or ends.
void BeginEntryValues(const SceneNode* camera);
void EndEntryValues();
// How far a note reaches: the scalars alone (the globals, the player, its
// process and weapon), with the body's root, with the two skeletons' roots,
// or every game value the logic may read.
enum class NoteReach : uint8_t { Scalars, BodyRoot, Roots, All };
// The game values the logic may read from here on, as far as `reach` says
// (beyond the scalars alone, when they have been noted since the game last
// ran).
void NoteGameValues(NoteReach reach = NoteReach::All, bool scalarsNoted = false);
void NoteMoreGameValues(NoteReach reach);
// One node, where the game changed nothing else the logic reads.
void NoteChangedNode(const SceneNode* node);
// The text of each sequence of `record` where it changed under the same
// address since it was noted: called where the logic reads the names.
void NoteSequenceNames(const AnimationRecord* record);
// A node the logic found by name: noted with its parent, now and at every
// later note of the entry.
void NoteFoundNode(const SceneNode* found);
// For tests: see OmitFromRecordingForTests.
void OmitGameValueForTests(int kind, int word, bool onlyChanges);
