// The most heap a stretch of the fuzz target held at once, as
// AddressSanitizer's allocator reports every allocation and release.
#pragma once

#include <stddef.h>

// Whether the heap is followed (only in a build with AddressSanitizer).
bool HeapFollowed();
// Starts a stretch: its peak is counted from the heap held now.
void StartHeapStretch();
// The most the heap held above its start since then.
size_t HeapStretchPeak();
