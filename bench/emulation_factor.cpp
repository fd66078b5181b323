// How much slower the emulator runs this kind of code: the same float matrix
// product and name search, built for the host (64-bit, native) and for the
// 32-bit build, each timed over the same loop. scripts/bench.sh divides the
// two to translate the benchmark's emulated figures into native estimates.
#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {

struct M {
    float m[3][3];
};

__attribute__((noinline)) void Multiply(M* d, const M* a, const M* b) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            d->m[i][j] = 0;
            for (int k = 0; k < 3; ++k) {
                d->m[i][j] = a->m[i][k] * b->m[k][j] + d->m[i][j];
            }
        }
    }
}

__attribute__((noinline)) int Find(const char* const* names, int n, const char* x) {
    for (int i = 0; i < n; ++i) {
        if (strcmp(names[i], x) == 0) {
            return i;
        }
    }
    return -1;
}

} // namespace

int main() {
    const M a = {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9.5f}}};
    M d;
    const char* const names[] = {"Bip01",           "Bip01 Pelvis",     "Bip01 Spine",
                                 "Bip01 Neck",      "Bip01 L Clavicle", "Bip01 L UpperArm",
                                 "Bip01 L Hand",    "Bip01 R Clavicle", "Bip01 Head"};
    const int loops = 2000000;
    volatile float sum = 0;
    volatile int found = 0;
    timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    for (int i = 0; i < loops; ++i) {
        Multiply(&d, &a, &a);
        sum = sum + d.m[1][1];
        found = found + Find(names, 9, "Bip01 Head");
    }
    clock_gettime(CLOCK_MONOTONIC, &t1);
    printf("%.1f\n", ((t1.tv_sec - t0.tv_sec) * 1e9 + (t1.tv_nsec - t0.tv_nsec)) / loops);
    return 0;
}
