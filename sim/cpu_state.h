/* The registers of the x86 processor as the glue tests set them at a hook
 * site and read them back at the resume address the glue reached. Shared by
 * the C++ tests and the assembly of the probe. */
#ifndef LUMENFOLD_SIM_CPU_STATE_H
#define LUMENFOLD_SIM_CPU_STATE_H

#define SIM_CPU_EAX 0
#define SIM_CPU_ECX 4
#define SIM_CPU_EDX 8
#define SIM_CPU_EBX 12
#define SIM_CPU_ESP 16
#define SIM_CPU_EBP 20
#define SIM_CPU_ESI 24
#define SIM_CPU_EDI 28
#define SIM_CPU_EFLAGS 32
#define SIM_CPU_X87_DEPTH 36
#define SIM_CPU_X87 40 /* 8 floats, st(0) first */
#define SIM_CPU_RESUME 72
#define SIM_CPU_MXCSR 76 /* 0 on the way in: the default, 0x1F80 */
#define SIM_CPU_XMM 80   /* XMM0 to XMM7, 16 bytes each */
#define SIM_CPU_DEFAULT_MXCSR 0x1F80

#ifdef __cplusplus
#include <stddef.h>
#include <stdint.h>

namespace sim {

struct CpuState {
    uint32_t eax, ecx, edx, ebx, esp, ebp, esi, edi;
    uint32_t eflags;
    uint32_t x87Depth;
    float x87[8];
    uint32_t resume; // out: the resume address the glue jumped to
    uint32_t mxcsr;
    uint32_t xmm[8][4];
};
static_assert(offsetof(CpuState, esp) == SIM_CPU_ESP, "esp");
static_assert(offsetof(CpuState, eflags) == SIM_CPU_EFLAGS, "eflags");
static_assert(offsetof(CpuState, x87Depth) == SIM_CPU_X87_DEPTH, "x87 depth");
static_assert(offsetof(CpuState, x87) == SIM_CPU_X87, "x87");
static_assert(offsetof(CpuState, resume) == SIM_CPU_RESUME, "resume");
static_assert(offsetof(CpuState, mxcsr) == SIM_CPU_MXCSR, "mxcsr");
static_assert(offsetof(CpuState, xmm) == SIM_CPU_XMM, "xmm");

constexpr uint32_t kFlagZero = 0x40;
constexpr uint32_t kFlagsBase = 0x202; // bit 1 and interrupts enabled

} // namespace sim

extern "C" {
// Loads `in` into the processor (x87 values pushed so that st(0) is
// in->x87[0]) and jumps to `site`; returns when the code reaches a probe at a
// resume address, with what the probe saw in `out`.
void SimEnterSite(const sim::CpuState* in, sim::CpuState* out, uint32_t site);
// The probe a resume address calls (placed there by the simulated game).
void SimProbeEntry();
// The three game routines whose calls the glue replays.
void SimReplayedFrameStart();
void SimReplayedCameraSwitch();
void SimReplayedScenePass();
// What each replayed routine leaves in EAX, ECX and EDX: [routine][register].
extern uint32_t SimReplayOutput[3][3];
// The entry in progress (the harness's stack, the state to fill, the site).
extern uint32_t SimProbeEntryState[3];
}
#endif
#endif
