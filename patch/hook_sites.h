/* The places in the game's code (executable 1.2.0.416) that the plug-in
 * patches: each hook site with the resume addresses of its glue, and the
 * targets of the plain writes. Plain preprocessor constants, shared by the
 * hook table, the glue and the simulated game. */
#ifndef LUMENFOLD_PATCH_HOOK_SITES_H
#define LUMENFOLD_PATCH_HOOK_SITES_H

/* Row 1: frame start. */
#define LF_SITE_FRAME_START 0x006650C9
#define LF_RESUME_FRAME_START 0x006650CE
/* Row 2: camera update (14 bytes replaced by the head camera). */
#define LF_SITE_HEAD_CAMERA 0x0066BE6E
#define LF_RESUME_HEAD_CAMERA 0x0066BE7C
/* Row 3: an actor's animation update. */
#define LF_SITE_BODY_PASS 0x006043DC
#define LF_RESUME_BODY_PASS 0x006043E1
/* Row 4: the game's first-person actor branch. */
#define LF_SITE_ACTOR_BRANCH 0x00603AAA
#define LF_RESUME_ACTOR_BRANCH_TAKEN 0x00603BB7
#define LF_RESUME_ACTOR_BRANCH_NEXT 0x00603AB0
/* Row 5: skipped while a forced body mode holds. */
#define LF_SITE_FORCED_SKIP 0x0065F4E2
#define LF_RESUME_FORCED_SKIP_TAKEN 0x0065F54E
#define LF_RESUME_FORCED_SKIP_NEXT 0x0065F4E8
/* Row 6: the branch taken during the plug-in's extra updates. */
#define LF_SITE_EXTRA_UPDATE 0x0070C159
#define LF_RESUME_EXTRA_UPDATE_TAKEN 0x0070C168
#define LF_RESUME_EXTRA_UPDATE_NEXT 0x0070C15E
/* Row 7: the stack argument replaced during the body pass. */
#define LF_SITE_BODY_PASS_ARGUMENT 0x007492BE
#define LF_RESUME_BODY_PASS_ARGUMENT 0x007492C3
#define LF_BODY_PASS_ARGUMENT_STACK_OFFSET 0x0C
/* Row 8: skipped for the shown body record. */
#define LF_SITE_SHOWN_RECORD 0x00477A99
#define LF_RESUME_SHOWN_RECORD_TAKEN 0x00477ABA
#define LF_RESUME_SHOWN_RECORD_NEXT 0x00477A9E
#define LF_SHOWN_RECORD_STACK_OFFSET 0x18
/* Rows 9 to 13: the five draw sites. */
#define LF_SITE_DRAW_A 0x006575FA /* object in EAX */
#define LF_RESUME_DRAW_A 0x00657603
#define LF_SITE_DRAW_B 0x0069DAEF /* object in ESI, flag byte */
#define LF_RESUME_DRAW_B 0x0069DB00
#define LF_DRAW_B_FLAG_STACK_OFFSET 0x18
#define LF_SITE_DRAW_C 0x0065775B /* object in EDI */
#define LF_RESUME_DRAW_C 0x00657764
#define LF_SITE_DRAW_D 0x006576DF /* object in EAX */
#define LF_RESUME_DRAW_D 0x0065777C
#define LF_SITE_DRAW_E 0x005060D2 /* object in ESI, flag byte */
#define LF_RESUME_DRAW_E 0x005060E3
#define LF_DRAW_E_FLAG_STACK_OFFSET 0x20
#define LF_DRAW_FLAG_VALUE 0xFF
/* Row 14: after the game's camera switch, decided. */
#define LF_SITE_SWITCH_DECIDE 0x0066C63D
#define LF_RESUME_SWITCH_DECIDE 0x0066C642
/* Rows 15 to 18: after the game's camera switch, forced (sitting, death). */
#define LF_SITE_SWITCH_SIT_A 0x0066CEEE
#define LF_RESUME_SWITCH_SIT_A 0x0066CEF3
#define LF_SITE_SWITCH_SIT_B 0x0066CF5D
#define LF_RESUME_SWITCH_SIT_B 0x0066CF62
#define LF_SITE_SWITCH_SIT_C 0x0066CCBD
#define LF_RESUME_SWITCH_SIT_C 0x0066CCC2
#define LF_SITE_SWITCH_DEATH 0x00600BCC
#define LF_RESUME_SWITCH_DEATH 0x00600BD1
/* Rows 19 to 22: the game's stores of a new chase-camera distance. */
#define LF_SITE_CHASE_A 0x0066C61F
#define LF_RESUME_CHASE_A 0x0066C629
#define LF_SITE_CHASE_B 0x0066CED2
#define LF_RESUME_CHASE_B 0x0066CEDC
#define LF_SITE_CHASE_C 0x0066CF41
#define LF_RESUME_CHASE_C 0x0066CF4B
#define LF_SITE_CHASE_D 0x0066CCA0
#define LF_RESUME_CHASE_D 0x0066CCAA
/* Row 23, patched on the host's first message: the shadow pass. */
#define LF_SITE_SHADOW_PASS 0x0040C91B
#define LF_RESUME_SHADOW_PASS 0x0040C920

/* Plain writes. */
#define LF_BLANK_A 0x00664FC6 /* six bytes become no-operations */
#define LF_BLANK_B 0x00664FFB
#define LF_SHADOW_BRANCH 0x00407519 /* becomes an unconditional short jump */
#define LF_OPERAND_SITTING_LOOK_DOWN 0x009E8192
#define LF_OPERAND_MOUNTED_LOOK_DOWN 0x009E8162
#define LF_OPERAND_VANITY_DEFAULT 0x009E7DB2

#endif
