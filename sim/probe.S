/* Entering hook sites with chosen registers, and probes that catch the
 * processor where the glue resumes the game. Also the three game routines
 * whose calls the glue replays: they report what they received and leave
 * chosen values in EAX, ECX and EDX. Linux 32-bit only. */
#include "sim/cpu_state.h"

#include "platform/asm_symbols.h"

        .intel_syntax noprefix

        .data
        .balign 4
/* The entry in progress: the harness's stack, the state to fill, the site.
 * Saved by an entry from inside a game routine (frame_driver.cpp). */
        .globl SYM(SimProbeEntryState)
SYM(SimProbeEntryState):
HarnessEsp:     .long 0
ProbeOut:       .long 0
SiteTarget:     .long 0
ProbeScratch:   .long 0
MxcsrScratch:   .long 0
DefaultMxcsr:   .long SIM_CPU_DEFAULT_MXCSR
        .globl SYM(SimReplayOutput)
SYM(SimReplayOutput): .fill 9, 4, 0

        .text
        .globl SYM(SimEnterSite)
SYM(SimEnterSite):
        push    ebp
        push    ebx
        push    esi
        push    edi
        mov     [HarnessEsp], esp
        mov     eax, [esp + 20]
        mov     edx, [esp + 24]
        mov     [ProbeOut], edx
        mov     edx, [esp + 28]
        mov     [SiteTarget], edx
        fninit
        mov     ecx, [eax + SIM_CPU_X87_DEPTH]
1:      test    ecx, ecx
        jz      2f
        fld     dword ptr [eax + SIM_CPU_X87 + ecx * 4 - 4]
        dec     ecx
        jmp     1b
2:      mov     ecx, [eax + SIM_CPU_MXCSR]
        test    ecx, ecx
        jnz     5f
        mov     ecx, SIM_CPU_DEFAULT_MXCSR
5:      mov     [MxcsrScratch], ecx
        ldmxcsr [MxcsrScratch]
        movups  xmm0, [eax + SIM_CPU_XMM]
        movups  xmm1, [eax + SIM_CPU_XMM + 16]
        movups  xmm2, [eax + SIM_CPU_XMM + 32]
        movups  xmm3, [eax + SIM_CPU_XMM + 48]
        movups  xmm4, [eax + SIM_CPU_XMM + 64]
        movups  xmm5, [eax + SIM_CPU_XMM + 80]
        movups  xmm6, [eax + SIM_CPU_XMM + 96]
        movups  xmm7, [eax + SIM_CPU_XMM + 112]
        push    dword ptr [eax + SIM_CPU_EFLAGS]
        popfd
        mov     ebx, [eax + SIM_CPU_EBX]
        mov     ecx, [eax + SIM_CPU_ECX]
        mov     edx, [eax + SIM_CPU_EDX]
        mov     esi, [eax + SIM_CPU_ESI]
        mov     edi, [eax + SIM_CPU_EDI]
        mov     ebp, [eax + SIM_CPU_EBP]
        mov     esp, [eax + SIM_CPU_ESP]
        mov     eax, [eax + SIM_CPU_EAX]
        jmp     dword ptr [SiteTarget]

/* Reached by a 5-byte call placed at a resume address. */
        .globl SYM(SimProbeEntry)
SYM(SimProbeEntry):
        mov     [ProbeScratch], eax
        pushfd
        mov     eax, [ProbeOut]
        pop     dword ptr [eax + SIM_CPU_EFLAGS]
        mov     [eax + SIM_CPU_ECX], ecx
        mov     [eax + SIM_CPU_EDX], edx
        mov     [eax + SIM_CPU_EBX], ebx
        mov     [eax + SIM_CPU_EBP], ebp
        mov     [eax + SIM_CPU_ESI], esi
        mov     [eax + SIM_CPU_EDI], edi
        mov     ecx, [ProbeScratch]
        mov     [eax + SIM_CPU_EAX], ecx
        pop     ecx
        sub     ecx, 5
        mov     [eax + SIM_CPU_RESUME], ecx
        mov     [eax + SIM_CPU_ESP], esp
        stmxcsr [eax + SIM_CPU_MXCSR]
        movups  [eax + SIM_CPU_XMM], xmm0
        movups  [eax + SIM_CPU_XMM + 16], xmm1
        movups  [eax + SIM_CPU_XMM + 32], xmm2
        movups  [eax + SIM_CPU_XMM + 48], xmm3
        movups  [eax + SIM_CPU_XMM + 64], xmm4
        movups  [eax + SIM_CPU_XMM + 80], xmm5
        movups  [eax + SIM_CPU_XMM + 96], xmm6
        movups  [eax + SIM_CPU_XMM + 112], xmm7
        ldmxcsr [DefaultMxcsr]
        mov     edx, eax
        fnstsw  ax
        shr     eax, 11
        and     eax, 7
        neg     eax
        add     eax, 8
        and     eax, 7
        mov     [edx + SIM_CPU_X87_DEPTH], eax
        xor     ecx, ecx
3:      cmp     ecx, eax
        jge     4f
        fstp    dword ptr [edx + SIM_CPU_X87 + ecx * 4]
        inc     ecx
        jmp     3b
4:      fninit
        mov     esp, [HarnessEsp]
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret

.macro REPLAYED name, index
        .globl SYM(\name)
SYM(\name):
        pushad
        mov     eax, esp
        push    eax
        push    \index
        call    SYM(SimReplayedEnter)
        add     esp, 8
        popad
        mov     eax, [SYM(SimReplayOutput) + \index * 12]
        mov     ecx, [SYM(SimReplayOutput) + \index * 12 + 4]
        mov     edx, [SYM(SimReplayOutput) + \index * 12 + 8]
        ret
.endm
REPLAYED SimReplayedFrameStart, 0
REPLAYED SimReplayedCameraSwitch, 1
REPLAYED SimReplayedScenePass, 2

/* A routine of the game that pops 4 bytes more than it should: it stands in
 * the routine's place (a slot of a table, or the jump at its address), calls
 * SimPopMoreTarget with the caller's ECX and arguments as they came, and
 * then returns as a RET N+4 would: one more word off the caller's stack,
 * nothing written there. The caller's return addresses wait in a small
 * stack of their own, so that the routine may be entered again from inside
 * itself. */
        .data
        .balign 4
        .globl SYM(SimPopMoreTarget)
SYM(SimPopMoreTarget): .long 0
        .globl SYM(SimPopMoreCalls)
SYM(SimPopMoreCalls): .long 0
PopMoreDepth:   .long 0
PopMoreReturns: .fill 16, 4, 0

        .text
        .globl SYM(SimPopMoreShim)
SYM(SimPopMoreShim):
        inc     dword ptr [SYM(SimPopMoreCalls)]
        mov     eax, [PopMoreDepth]
        pop     edx
        mov     [PopMoreReturns + eax * 4], edx
        inc     dword ptr [PopMoreDepth]
        call    dword ptr [SYM(SimPopMoreTarget)]
        add     esp, 4
        dec     dword ptr [PopMoreDepth]
        mov     ecx, [PopMoreDepth]
        jmp     dword ptr [PopMoreReturns + ecx * 4]

#if !defined(_WIN32)
        .section .note.GNU-stack, "", @progbits
#endif
