/* The logic's calls of the game's routines and virtual operations. Each goes
 * through one of these pieces, which keeps the stack pointer in EBX (which
 * the game's routines keep, as every MSVC routine does) and puts it back
 * after the call. A routine that pops more or fewer bytes of arguments than
 * the plug-in pushed, or calls its arguments cdecl where the plug-in expects
 * thiscall, then leaves the plug-in's stack as it was: no local read through
 * ESP afterwards is shifted, and no return address is lost.
 *
 * cdecl, as the logic calls them:
 *   uint32_t GameCall0(const void* routine, const void* receiver)
 *   uint32_t GameCall1(const void* routine, const void* receiver, uint32_t a0)
 *   uint32_t GameCall2(const void* routine, const void* receiver, uint32_t a0,
 *                      uint32_t a1)
 * The receiver goes in ECX (thiscall; a cdecl routine ignores it), the
 * arguments are pushed right to left, and EAX comes back whole: a byte
 * result is its low 8 bits. EBX, ESI, EDI and EBP come back as they were. */

#include "platform/asm_symbols.h"

        .intel_syntax noprefix
        .text

/* On entry, after PUSH EBX and MOV EBX, ESP: [EBX + 4] the return address,
 * [EBX + 8] the routine, [EBX + 12] the receiver, [EBX + 16] a0, [EBX + 20] a1. */
.macro GAME_CALL name, arguments
        .globl SYM(\name)
        .balign 16
SYM(\name):
        push    ebx
        mov     ebx, esp
.if \arguments >= 2
        push    dword ptr [ebx + 20]
.endif
.if \arguments >= 1
        push    dword ptr [ebx + 16]
.endif
        mov     ecx, [ebx + 12]
        call    dword ptr [ebx + 8]
        mov     esp, ebx
        pop     ebx
        ret
.endm

GAME_CALL GameCall0, 0
GAME_CALL GameCall1, 1
GAME_CALL GameCall2, 2

#if !defined(_WIN32)
        .section .note.GNU-stack, "", @progbits
#endif
