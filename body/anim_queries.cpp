#include "body/anim_queries.h"

#include <string.h>

#include "game/engine.h"

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Forward search of `pattern` in `name`, from the first start position while
// at least as many characters remain as the pattern has. An empty name has
// no start position, so even an empty pattern is not found in it.
bool ContainsFolded(const char* name, const char* pattern) {
    const size_t nameLength = strlen(name);
    const size_t patternLength = strlen(pattern);
    for (size_t start = 0; start < nameLength && nameLength - start >= patternLength; ++start) {
        size_t i = 0;
        while (i < patternLength && FoldCase(name[start + i]) == FoldCase(pattern[i])) {
            ++i;
        }
        if (i == patternLength) {
            return true;
        }
    }
    return false;
}

const AnimationRecord* PlayerBodyAnim() {
    const PlayerObject* player = PlayerPointer();
    if (player == nullptr || player->Process == nullptr) {
        return nullptr;
    }
    return player->Process->BodyAnim;
}

} // namespace

bool IsAnimGroupPlaying(const AnimationRecord* record, uint32_t low, uint32_t high) {
    if (high == kGroupExact) {
        high = low;
    }
    for (int slot = 0; slot < kSequenceSlots; ++slot) {
        const AnimSequence* sequence = record->Sequences[slot];
        if (sequence == nullptr) {
            continue;
        }
        const uint32_t group = sequence->GroupInfo->GroupId;
        if (low <= group && group <= high) {
            return true;
        }
    }
    return false;
}

bool IsAnimSequencePlaying(const AnimationRecord* record, const char* text) {
    // The search reads the caller's text and each name in place: the same
    // answer as searching copies of them, without allocating.
    for (int slot = 0; slot < kSequenceSlots; ++slot) {
        const AnimSequence* sequence = record->Sequences[slot];
        if (sequence == nullptr || sequence->FileName == nullptr) {
            continue;
        }
        if (ContainsFolded(sequence->FileName, text)) {
            return true;
        }
    }
    return false;
}

bool IsGroup17To18Playing() {
    const AnimationRecord* body = PlayerBodyAnim();
    return body != nullptr && IsAnimGroupPlaying(body, kGroupHoldFirst, kGroupHoldLast);
}

bool IsGroup34To39Playing() {
    const AnimationRecord* body = PlayerBodyAnim();
    return body != nullptr && IsAnimGroupPlaying(body, kGroupArmsFirst, kGroupArmsLast);
}
