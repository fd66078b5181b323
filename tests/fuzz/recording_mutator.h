// A mutator of recordings that knows their format (recording_mutator.cpp).
#pragma once

#include <stddef.h>
#include <stdint.h>

// Changes the input in place as libFuzzer's custom mutator does: returns its
// new size, at most maxSize.
size_t MutateRecording(uint8_t* data, size_t size, size_t maxSize, unsigned seed);
