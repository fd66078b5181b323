// Every malloc, calloc and realloc of the process (operator new included,
// which ends in malloc) is counted: before glibc serves it, or, in the build
// with AddressSanitizer (which serves them itself), by its allocation hook.
#include "tests/alloc_counter.h"

#include <stddef.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocation hooks (its runtime has them; GCC ships no header).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*,
                                                                          size_t),
                                                         void (*onFree)(const volatile void*));

namespace {
long g_allocations = 0;
void OnMalloc(const volatile void*, size_t) {
    __atomic_add_fetch(&g_allocations, 1, __ATOMIC_RELAXED);
}
void OnFree(const volatile void*) {}
[[maybe_unused]] const int g_hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
} // namespace

long AllocationCount() {
    return __atomic_load_n(&g_allocations, __ATOMIC_RELAXED);
}

#else

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
}

namespace {
long g_allocations = 0;
}

long AllocationCount() {
    return __atomic_load_n(&g_allocations, __ATOMIC_RELAXED);
}

extern "C" {
void* malloc(size_t n) {
    __atomic_add_fetch(&g_allocations, 1, __ATOMIC_RELAXED);
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t m) {
    __atomic_add_fetch(&g_allocations, 1, __ATOMIC_RELAXED);
    return __libc_calloc(n, m);
}
void* realloc(void* p, size_t n) {
    __atomic_add_fetch(&g_allocations, 1, __ATOMIC_RELAXED);
    return __libc_realloc(p, n);
}
void free(void* p) {
    __libc_free(p);
}
}
#endif
