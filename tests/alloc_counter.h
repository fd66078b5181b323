// Counts heap allocations made by this process, so that a test can prove
// that a path allocates nothing.
#pragma once

long AllocationCount();

// Allocations made while `f` ran.
template <typename F> long AllocationsDuring(F&& f) {
    const long before = AllocationCount();
    f();
    return AllocationCount() - before;
}
