/* The glue: one small piece of register-level code per hook site. The game
 * enters each piece by the 5-byte jump at its site, with its registers, flags
 * and stack exactly as at the site; each piece replays or replaces what the
 * jump covered, calls one logic routine (cdecl, which keeps EBX, ESI, EDI and
 * EBP) and jumps back to the game through an address word in read-only data.
 * Where a piece "saves all registers" it brackets the call with PUSHAD and
 * POPAD: every general register, EAX included, comes back as it was; the
 * flags are not saved.
 *
 * The logic is compiled for SSE: it changes XMM0 to XMM7 and may change
 * MXCSR. Where a piece replaces game code that calls nothing (rows 2, 4, 8
 * and 19 to 22), the game may keep values in those registers across the
 * place, so the piece keeps them too (SAVE_SSE / RESTORE_SSE). The other
 * pieces stand in for a call of the game's own, across which the game keeps
 * nothing in them. */

#include "game/addresses.h"
#include "patch/hook_sites.h"
#include "platform/asm_symbols.h"
#include "settings/settings_offsets.h"


        .intel_syntax noprefix

/* An address word in read-only data, reached indirectly. */
.macro ADDRESS_WORD label, value
        .balign 4
\label: .long \value
.endm

        RODATA
ADDRESS_WORD AddressFrameStartRoutine, LF_ADDR_FRAME_START_ROUTINE
ADDRESS_WORD AddressCameraSwitchRoutine, LF_ADDR_CAMERA_SWITCH_ROUTINE
ADDRESS_WORD AddressScenePassRoutine, LF_ADDR_SCENE_PASS_ROUTINE
ADDRESS_WORD AddressUpdateAnimationRecord, LF_ADDR_UPDATE_ANIMATION_RECORD
ADDRESS_WORD ResumeFrameStart, LF_RESUME_FRAME_START
ADDRESS_WORD ResumeHeadCamera, LF_RESUME_HEAD_CAMERA
ADDRESS_WORD ResumeBodyPass, LF_RESUME_BODY_PASS
ADDRESS_WORD ResumeActorBranchTaken, LF_RESUME_ACTOR_BRANCH_TAKEN
ADDRESS_WORD ResumeActorBranchNext, LF_RESUME_ACTOR_BRANCH_NEXT
ADDRESS_WORD ResumeForcedSkipTaken, LF_RESUME_FORCED_SKIP_TAKEN
ADDRESS_WORD ResumeForcedSkipNext, LF_RESUME_FORCED_SKIP_NEXT
ADDRESS_WORD ResumeExtraUpdateTaken, LF_RESUME_EXTRA_UPDATE_TAKEN
ADDRESS_WORD ResumeExtraUpdateNext, LF_RESUME_EXTRA_UPDATE_NEXT
ADDRESS_WORD ResumeBodyPassArgument, LF_RESUME_BODY_PASS_ARGUMENT
ADDRESS_WORD ResumeShownRecordTaken, LF_RESUME_SHOWN_RECORD_TAKEN
ADDRESS_WORD ResumeShownRecordNext, LF_RESUME_SHOWN_RECORD_NEXT
ADDRESS_WORD ResumeDrawA, LF_RESUME_DRAW_A
ADDRESS_WORD ResumeDrawB, LF_RESUME_DRAW_B
ADDRESS_WORD ResumeDrawC, LF_RESUME_DRAW_C
ADDRESS_WORD ResumeDrawD, LF_RESUME_DRAW_D
ADDRESS_WORD ResumeDrawE, LF_RESUME_DRAW_E
ADDRESS_WORD ResumeSwitchDecide, LF_RESUME_SWITCH_DECIDE
ADDRESS_WORD ResumeSwitchSitA, LF_RESUME_SWITCH_SIT_A
ADDRESS_WORD ResumeSwitchSitB, LF_RESUME_SWITCH_SIT_B
ADDRESS_WORD ResumeSwitchSitC, LF_RESUME_SWITCH_SIT_C
ADDRESS_WORD ResumeSwitchDeath, LF_RESUME_SWITCH_DEATH
ADDRESS_WORD ResumeChaseA, LF_RESUME_CHASE_A
ADDRESS_WORD ResumeChaseB, LF_RESUME_CHASE_B
ADDRESS_WORD ResumeChaseC, LF_RESUME_CHASE_C
ADDRESS_WORD ResumeChaseD, LF_RESUME_CHASE_D
ADDRESS_WORD ResumeShadowPass, LF_RESUME_SHADOW_PASS

        .text

/* XMM0 to XMM7 and MXCSR on the stack, which the game aligns to 4 bytes
 * only (so unaligned moves). LEA moves the stack pointer without touching
 * the flags, which some pieces carry across the restore. */
#define SSE_AREA 132 /* eight 16-byte registers and the 4-byte MXCSR */
.macro SAVE_SSE
        lea     esp, [esp - SSE_AREA]
        movups  [esp], xmm0
        movups  [esp + 16], xmm1
        movups  [esp + 32], xmm2
        movups  [esp + 48], xmm3
        movups  [esp + 64], xmm4
        movups  [esp + 80], xmm5
        movups  [esp + 96], xmm6
        movups  [esp + 112], xmm7
        stmxcsr [esp + 128]
.endm
.macro RESTORE_SSE
        ldmxcsr [esp + 128]
        movups  xmm0, [esp]
        movups  xmm1, [esp + 16]
        movups  xmm2, [esp + 32]
        movups  xmm3, [esp + 48]
        movups  xmm4, [esp + 64]
        movups  xmm5, [esp + 80]
        movups  xmm6, [esp + 96]
        movups  xmm7, [esp + 112]
        lea     esp, [esp + SSE_AREA]
.endm

.macro GLUE name
        .globl SYM(\name)
        .balign 16
SYM(\name):
.endm

/* A call of C code from a place where the game keeps everything: every
 * general register, the flags and the SSE registers saved around it. */
.macro SAVE_ALL
        pushfd
        pushad
        SAVE_SSE
.endm
.macro RESTORE_ALL
        RESTORE_SSE
        popad
        popfd
.endm

/* Every piece, in two sets: the plain set calls the logic, and the
 * recording set (recording = 1, its names prefixed "Recording") calls the
 * recorder's entries, which note what the game gave and run the recording
 * build of the logic; where only the glue decides, it notes its decision.
 * Both keep the same registers, flags and stack. */
.macro GLUE_SET set, recording

/* Frame start (row 1). Replays the covered call of the frame-start routine,
 * then calls BeginFrameViewState with all registers saved: the game sees
 * the registers that its routine left. The game passes here only when the
 * view changes. */
GLUE \set\()FrameStart
        call    dword ptr [AddressFrameStartRoutine]
        pushad
.if \recording
        call    SYM(RecordingFrameStart)
.else
        call    SYM(BeginFrameViewState)
.endif
        popad
        jmp     dword ptr [ResumeFrameStart]

/* Head camera (row 2). UpdateHeadCamera(EAX) in place of the 14 covered
 * bytes; EBX and the SSE registers are kept, EAX, ECX and EDX hold what the
 * routine left. CameraUpdateChores comes first, only while the late site is
 * Lumenfold's (whose bytes it looks at) or the frame's chores are done here;
 * the camera node waits on the stack as the argument meanwhile. */
GLUE \set\()HeadCamera
        push    ebx
        SAVE_SSE
        push    eax
.if \recording
        call    SYM(RecordingHeadCamera)
.else
        cmp     dword ptr [SYM(LateSiteWritten)], 0
        jne     1f
        cmp     dword ptr [SYM(FrameChoresAtCamera)], 0
        je      2f
1:      call    SYM(CameraUpdateChores)
2:      call    SYM(UpdateHeadCamera)
.endif
        add     esp, 4
        RESTORE_SSE
        pop     ebx
        jmp     dword ptr [ResumeHeadCamera]

/* Body pass (row 3). UpdateBodyPass(actor = EBP, record = ECX), all
 * registers saved; the routine makes the covered update call itself. Every
 * actor of the game passes here: any other than the player gets the game's
 * own update of its record at once (ECX, as the game had it), every register
 * kept alike: the routine keeps EBX, ESI, EDI and EBP itself (thiscall), so
 * only EAX, ECX and EDX are saved around it. Where the shadow pass is not
 * Lumenfold's, the player's first pass after a camera update then calls
 * InterfaceAtBodyPass (the frame's message of a change comes from there). */
GLUE \set\()BodyPass
        cmp     ebp, dword ptr ds:LF_ADDR_PLAYER_POINTER
        je      1f
        push    eax
        push    ecx
        push    edx
        mov     eax, dword ptr [AddressUpdateAnimationRecord]
        call    eax
        pop     edx
        pop     ecx
        pop     eax
        jmp     dword ptr [ResumeBodyPass]
1:      pushad
        push    ecx
        push    ebp
.if \recording
        call    SYM(RecordingBodyPass)
.else
        call    SYM(UpdateBodyPass)
.endif
        add     esp, 8
        cmp     dword ptr [SYM(CameraUpdatedBeforeBodyPass)], 0
        je      2f
        call    SYM(InterfaceAtBodyPass)
2:      popad
        jmp     dword ptr [ResumeBodyPass]

/* First-person actor branch (row 4). The game's branch on the zero flag,
 * taken also for the player (ESI) in the body view. EAX, ECX and EDX are not
 * kept on the path that asks; the SSE registers are. */
GLUE \set\()ActorBranch
        jz      1f
        SAVE_SSE
        push    esi
.if \recording
        call    SYM(RecordingActorBranch)
.else
        call    SYM(IsPlayerInBodyView)
.endif
        add     esp, 4
        RESTORE_SSE
        test    al, al
        jnz     1f
        jmp     dword ptr [ResumeActorBranchNext]
1:      jmp     dword ptr [ResumeActorBranchTaken]

/* Forced-mode skip (row 5). With a forced body mode the stretch is skipped;
 * otherwise the covered load of the game's float is replayed. No general
 * register is touched. */
GLUE \set\()ForcedSkip
.if \recording
        SAVE_ALL
        xor     eax, eax
        cmp     dword ptr [SYM(ForcedBodyMode)], 0
        setne   al
        push    eax
        call    SYM(RecordingForcedSkip)
        add     esp, 4
        RESTORE_ALL
.endif
        cmp     dword ptr [SYM(ForcedBodyMode)], 0
        jne     1f
        fld     dword ptr ds:LF_ADDR_SKIPPED_LOAD_FLOAT
        jmp     dword ptr [ResumeForcedSkipNext]
1:      jmp     dword ptr [ResumeForcedSkipTaken]

/* Extra-update branch (row 6). Replays the three covered pops, then the
 * game's branch on the zero flag, taken also while the plug-in makes its own
 * extra record updates. No general register is touched beyond the pops. */
GLUE \set\()ExtraUpdate
        pop     edi
        pop     esi
        pop     ebx
        jz      1f
        cmp     dword ptr [SYM(InExtraAnimUpdate)], 0
        jne     3f
        jmp     dword ptr [ResumeExtraUpdateNext]
3:
.if \recording
        SAVE_ALL
        call    SYM(RecordingExtraUpdate)
        RESTORE_ALL
.endif
1:      jmp     dword ptr [ResumeExtraUpdateTaken]

/* Body-pass argument (row 7). Pushes 0 while the body pass runs, else the
 * stack word the covered code pushes; EAX holds what was pushed. */
GLUE \set\()BodyPassArgument
        cmp     dword ptr [SYM(InBodyPassUpdate)], 0
        je      1f
.if \recording
        SAVE_ALL
        call    SYM(RecordingBodyPassArgument)
        RESTORE_ALL
.endif
        xor     eax, eax
        jmp     2f
1:      mov     eax, dword ptr [esp + LF_BODY_PASS_ARGUMENT_STACK_OFFSET]
2:      push    eax
        jmp     dword ptr [ResumeBodyPassArgument]

/* Shown-record skip (row 8). IsShownBodyAnimRecord(ESI) with all registers
 * (the SSE ones too) saved; its outcome survives POPAD in the flags. Nonzero
 * skips the stretch, zero replays the covered push of the stack word. Every
 * actor's record passes here: one that is not the player's body record is
 * not the shown one, without a call (EAX kept; the outcome zero, as the
 * logic would answer). */
GLUE \set\()ShownRecord
        push    eax
        mov     eax, dword ptr ds:LF_ADDR_PLAYER_POINTER
        test    eax, eax
        jz      3f
        mov     eax, dword ptr [eax + LF_PLAYER_PROCESS_OFFSET]
        test    eax, eax
        jz      3f
        cmp     esi, dword ptr [eax + LF_PROCESS_BODY_ANIM_OFFSET]
        je      4f
3:      pop     eax
        cmp     eax, eax
        jmp     2f
4:      pop     eax
        pushad
        SAVE_SSE
        push    esi
.if \recording
        call    SYM(RecordingShownRecord)
.else
        call    SYM(IsShownBodyAnimRecord)
.endif
        add     esp, 4
        RESTORE_SSE
        test    eax, eax
        popad
        jnz     1f
2:      mov     eax, dword ptr [esp + LF_SHOWN_RECORD_STACK_OFFSET]
        push    eax
        jmp     dword ptr [ResumeShownRecordNext]
1:      jmp     dword ptr [ResumeShownRecordTaken]

/* Double draw (rows 9, 11, 12). DrawBothSkeletons(object register) in place
 * of the covered draw; EAX, ECX and EDX are not kept. Every draw object of
 * the game passes here: one of another owner than the player is drawn at
 * once, by the same call of its Draw that the game makes; so is the
 * player's while another plug-in holds the body view off. */
.macro DRAW_OBJECT object, resume, row
        mov     ecx, dword ptr [\object + LF_DRAW_OBJECT_OWNER_OFFSET]
        cmp     ecx, dword ptr ds:LF_ADDR_PLAYER_POINTER
        jne     2f
        cmp     dword ptr [SYM(BodyViewHeld)], 0
        je      1f
2:      mov     ecx, \object
        mov     edx, dword ptr [ecx]
        call    dword ptr [edx + 4 * LF_DRAW_OBJECT_DRAW_SLOT]
        jmp     dword ptr [\resume]
1:      push    \object
.if \recording
        push    \row
        call    SYM(RecordingDraw)
        add     esp, 8
.else
        call    SYM(DrawBothSkeletons)
        add     esp, 4
.endif
        jmp     dword ptr [\resume]
.endm
GLUE \set\()DrawA
        DRAW_OBJECT eax, ResumeDrawA, 9
GLUE \set\()DrawC
        DRAW_OBJECT edi, ResumeDrawC, 11
GLUE \set\()DrawD
        DRAW_OBJECT eax, ResumeDrawD, 12

/* Double draw with flag byte (rows 10, 13). First 0xFF into the game
 * routine's local byte at the stack offset, then as above with ESI. */
GLUE \set\()DrawB
        mov     byte ptr [esp + LF_DRAW_B_FLAG_STACK_OFFSET], LF_DRAW_FLAG_VALUE
        DRAW_OBJECT esi, ResumeDrawB, 10
GLUE \set\()DrawE
        mov     byte ptr [esp + LF_DRAW_E_FLAG_STACK_OFFSET], LF_DRAW_FLAG_VALUE
        DRAW_OBJECT esi, ResumeDrawE, 13
.purgem DRAW_OBJECT

/* Camera switch, decide (row 14). Replays the covered call of the camera
 * switch, then DecideForcedModeOnSwitch and KeepBodyViewAfterSwitch with all
 * registers saved. */
GLUE \set\()SwitchDecide
        call    dword ptr [AddressCameraSwitchRoutine]
        pushad
.if \recording
        call    SYM(RecordingSwitchDecide)
.else
        call    SYM(DecideForcedModeOnSwitch)
        call    SYM(KeepBodyViewAfterSwitch)
.endif
        popad
        jmp     dword ptr [ResumeSwitchDecide]

/* Camera switch, force (rows 15 to 18). Replays the covered call, then
 * ForcedBodyMode = 1 (HeldForcedMode while another plug-in holds the body
 * view off: kept for the give-back); no register beyond the routine's own
 * is touched (the flags are). */
.macro SWITCH_FORCE name, resume, row
GLUE \set\()\name
        call    dword ptr [AddressCameraSwitchRoutine]
        cmp     dword ptr [SYM(BodyViewHeld)], 0
        jne     3f
        mov     dword ptr [SYM(ForcedBodyMode)], 1
        jmp     4f
3:      mov     dword ptr [SYM(HeldForcedMode)], 1
4:
.if \recording
        SAVE_ALL
        push    \row
        call    SYM(RecordingForcedSwitch)
        add     esp, 4
        RESTORE_ALL
.endif
        jmp     dword ptr [\resume]
.endm
SWITCH_FORCE SwitchSitA, ResumeSwitchSitA, 15
SWITCH_FORCE SwitchSitB, ResumeSwitchSitB, 16
SWITCH_FORCE SwitchSitC, ResumeSwitchSitC, 17
SWITCH_FORCE SwitchDeath, ResumeSwitchDeath, 18
.purgem SWITCH_FORCE

/* Chase distance (rows 19 to 22). SaveChaseDistance with all registers
 * (the SSE ones too) saved, while the game's new distance waits on top of
 * the x87 stack; then the game's own store of it (and pop). */
.macro CHASE_DISTANCE name, resume, row
GLUE \set\()\name
        pushad
        SAVE_SSE
.if \recording
        push    \row
        call    SYM(RecordingSaveChaseDistance)
        add     esp, 4
.else
        call    SYM(SaveChaseDistance)
.endif
        RESTORE_SSE
        popad
        fstp    dword ptr ds:LF_ADDR_CHASE_CAMERA_DISTANCE
        jmp     dword ptr [\resume]
.endm
CHASE_DISTANCE ChaseA, ResumeChaseA, 19
CHASE_DISTANCE ChaseB, ResumeChaseB, 20
CHASE_DISTANCE ChaseC, ResumeChaseC, 21
CHASE_DISTANCE ChaseD, ResumeChaseD, 22
.purgem CHASE_DISTANCE

/* Shadow pass (row 23). ToggleFirstPersonForShadow(1), the replayed call of
 * the game's pass, ToggleFirstPersonForShadow(0): all registers saved around
 * both calls, so the pass's EAX result survives. The game passes here once a
 * frame, in its rendering: the frame's chores follow the after-call, only
 * while the settings watch is on; then, once another plug-in has Lumenfold's
 * interface, InterfaceAtShadowPass (the frame's message of a change). */
GLUE \set\()ShadowPass
        pushad
        push    1
.if \recording
        call    SYM(RecordingShadowPass)
.else
        call    SYM(ToggleFirstPersonForShadow)
.endif
        add     esp, 4
        popad
        call    dword ptr [AddressScenePassRoutine]
        pushad
        push    0
.if \recording
        call    SYM(RecordingShadowPass)
        add     esp, 4
.else
        call    SYM(ToggleFirstPersonForShadow)
        add     esp, 4
        cmp     dword ptr [SYM(Settings) + LF_SETTINGS_WATCH_OFFSET], 0
        je      1f
        call    SYM(FrameChores)
1:
.endif
        cmp     dword ptr [SYM(InterfaceInUse)], 0
        je      2f
        call    SYM(InterfaceAtShadowPass)
2:      popad
        jmp     dword ptr [ResumeShadowPass]
.endm

GLUE_SET Glue, 0
GLUE_SET RecordingGlue, 1

#if !defined(_WIN32)
        .section .note.GNU-stack, "", @progbits
#endif
