// What a skeleton is playing: animation groups by range and sequences by
// name, over the five active sequence slots of an AnimationRecord.
#pragma once

#include <stdint.h>

#include "game/layout.h"

// As upper bound: the range is the lower bound alone.
constexpr uint32_t kGroupExact = 0xFFFFFFFFu;
constexpr int kSequenceSlots = 5;

// Animation group codes the view logic tests.
constexpr uint32_t kGroupHoldFirst = 17; // 17..18: the arms hold a pose
constexpr uint32_t kGroupHoldLast = 18;
constexpr uint32_t kGroupArmsFirst = 34; // 34..39: the arms cast or aim
constexpr uint32_t kGroupArmsLast = 39;
constexpr uint32_t kGroupBothHands = 35; // magicNode between both hands
constexpr uint32_t kGroupLeftHand = 36;  // magicNode at the left hand
constexpr uint32_t kGroupRightHand = 38; // magicNode at the right hand
constexpr uint32_t kGroupRightHandAlt = 39;

// True when a slot plays a sequence whose group code g has low <= g <= high.
bool IsAnimGroupPlaying(const AnimationRecord* record, uint32_t low, uint32_t high);
// True when a slot plays a sequence whose file name contains `text`, letters
// compared without regard to ASCII case.
bool IsAnimSequencePlaying(const AnimationRecord* record, const char* text);
// The player's body record plays a group in 17..18, or in 34..39; false
// without a body record.
bool IsGroup17To18Playing();
bool IsGroup34To39Playing();
