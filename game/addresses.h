/* Fixed addresses of the game executable, version 1.2.0.416, at its fixed
 * load base. Plain preprocessor constants, so that the C++ bridge and the
 * hand-written glue share this one definition. */
#ifndef LUMENFOLD_GAME_ADDRESSES_H
#define LUMENFOLD_GAME_ADDRESSES_H

/* The game's executable version word that the handshake accepts, and the
 * version as players know it. */
#define LF_GAME_VERSION 0x010201A0
#define LF_GAME_VERSION_TEXT "1.2.0.416"

/* The part of the address space the game's image occupies. */
#define LF_GAME_RANGE_BEGIN 0x00400000
#define LF_GAME_RANGE_END 0x00C00000

/* Routines the logic calls. */
#define LF_ADDR_UPDATE_ANIMATION_RECORD 0x00471F20 /* thiscall record */
#define LF_ADDR_IS_IDLE_ANIM_ABSENT 0x00472EA0     /* thiscall record -> byte */
#define LF_ADDR_PLAYER_IDLE_UPDATE 0x00601B80      /* thiscall player */
#define LF_ADDR_GET_INTERFACE_OBJECT 0x00582160    /* cdecl (0, 1) -> object */
#define LF_ADDR_IS_MENU_MODE_ACTIVE 0x00578F60     /* thiscall interface -> byte */
#define LF_ADDR_IS_MENU_OPEN 0x0057C140            /* thiscall interface, code -> byte */

/* Routines whose calls the glue replays in place of the covered call. */
#define LF_ADDR_CAMERA_SWITCH_ROUTINE 0x0066C580
#define LF_ADDR_FRAME_START_ROUTINE 0x005E5480
#define LF_ADDR_SCENE_PASS_ROUTINE 0x004073D0

/* What the glue reads of a draw object before any call (plain constants for
 * the assembly; the layout and the slot table use these same ones). */
#define LF_DRAW_OBJECT_OWNER_OFFSET 0x01C /* DrawObject.Owner */
#define LF_DRAW_OBJECT_DRAW_SLOT 26       /* DrawObject's Draw, () -> byte */
/* What the shown-record glue reads to tell the player's body record from
 * every other actor's before any call (the layout uses these same ones). */
#define LF_PLAYER_PROCESS_OFFSET 0x058    /* PlayerObject.Process */
#define LF_PROCESS_BODY_ANIM_OFFSET 0x17C /* ProcessObject.BodyAnim */

/* Globals. */
#define LF_ADDR_PLAYER_POINTER 0x00B333C4        /* PlayerObject*            */
#define LF_ADDR_CAMERA_DETACHED_BYTE 0x00B3BB04  /* byte                     */
#define LF_ADDR_CAMERA_NODE_POINTER 0x00B3BB0C   /* SceneNode*               */
#define LF_ADDR_CHASE_CAMERA_DISTANCE 0x00B3BB24 /* float                    */
#define LF_ADDR_MENU_GATE_FLOAT 0x00B13FCC       /* float                    */
#define LF_ADDR_SKIPPED_LOAD_FLOAT 0x00B14E50    /* float the forced-mode skip loads */

#endif
