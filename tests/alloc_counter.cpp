// Every malloc, calloc and realloc of the process (operator new included,
// which ends in malloc) is counted before glibc serves it.
#include "tests/alloc_counter.h"

#include <stddef.h>

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
