#include "tests/fuzz/heap_peak.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LF_HEAP_FOLLOWED 1
#endif
#endif

#if defined(LF_HEAP_FOLLOWED)
#include <sanitizer/allocator_interface.h>

namespace {
// Signed: what was allocated before the hooks came may be released after.
long long g_held = 0;
long long g_start = 0;
long long g_peak = 0;

void OnMalloc(const volatile void*, size_t size) {
    g_held += static_cast<long long>(size);
    if (g_held > g_peak) {
        g_peak = g_held;
    }
}
void OnFree(const volatile void* p) {
    g_held -= static_cast<long long>(
        __sanitizer_get_allocated_size(const_cast<const void*>(p)));
}
const int g_hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
} // namespace

bool HeapFollowed() {
    return g_hooked != 0;
}
void StartHeapStretch() {
    g_start = g_held;
    g_peak = g_held;
}
size_t HeapStretchPeak() {
    return static_cast<size_t>(g_peak - g_start);
}
#else
bool HeapFollowed() {
    return false;
}
void StartHeapStretch() {}
size_t HeapStretchPeak() {
    return 0;
}
#endif
