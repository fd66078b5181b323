/* Lumenfold's interface for other OBSE plug-ins.
 *
 * Lumenfold (OBSE_Lumenfold.dll) draws the player's whole body in first
 * person. This header is all another plug-in needs to ask what that body
 * view shows, to hold it off while the other plug-in owns the camera, to be
 * told when it changes, and to set a tuning value for one start of the game.
 * It is plain C99 and includes nothing but <stdint.h>; copy it into your
 * plug-in's sources.
 *
 * Finding Lumenfold, in one of two ways:
 *
 *  1. By the script extender's messages (its messaging interface, number 4).
 *     At the host's message 0 (every plug-in loaded) register a listener for
 *     the sender LUMENFOLD_PLUGIN_NAME: RegisterListener(yourHandle,
 *     "Lumenfold", yourHandler) answers false when Lumenfold is not loaded.
 *     From the host's message 9 on (Lumenfold listens from its message 0),
 *     send it a request:
 *
 *         LumenfoldRequest request = {LUMENFOLD_INTERFACE_VERSION};
 *         messaging->Dispatch(yourHandle, LUMENFOLD_MESSAGE_REQUEST, &request,
 *                             sizeof request, LUMENFOLD_PLUGIN_NAME);
 *
 *     Lumenfold answers at once, inside that call, with a message of type
 *     LUMENFOLD_MESSAGE_INTERFACE to your handler alone, whose data is a
 *     LumenfoldAnswer.
 *
 *  2. By the exported function LUMENFOLD_QUERY_EXPORT:
 *
 *         LumenfoldQueryInterfaceFn query = (LumenfoldQueryInterfaceFn)
 *             GetProcAddress(GetModuleHandleA("OBSE_Lumenfold.dll"),
 *                            LUMENFOLD_QUERY_EXPORT);
 *         const LumenfoldInterface* lumenfold = 0;
 *         if (query && query(LUMENFOLD_INTERFACE_VERSION, &lumenfold) == LUMENFOLD_OK) ...
 *
 * Rules of versions:
 *  - The interface is a table of functions, its version first. Lumenfold
 *    hands out its table to a request for any version from 1 up to its own:
 *    the table it gives may be newer than the one asked for, never older.
 *    A request for a version it does not have is answered with no table and
 *    LUMENFOLD_UNKNOWN_VERSION (and a line in its log file).
 *  - The table only grows: a new version adds functions at its end; no
 *    function, argument, record, state or result code of an older version
 *    changes its place or its meaning. Use only the functions of the version
 *    you asked for, or check `version` before using later ones.
 *  - Records (LumenfoldBodyView, LumenfoldAnswer) grow only at their end. A
 *    message's data length says how much Lumenfold sent: read the fields
 *    your version knows, ignore the rest.
 *  - New states and result codes may come with new versions: treat an
 *    unknown state by its `on` word, an unknown result as a refusal.
 *
 * Threads: every function of the table, the exported function and every
 * message run on the game's main thread (where the script extender calls
 * plug-ins, and where the game's frame runs); call them from there only. Each
 * returns at once; none allocates, and none waits.
 *
 * Nothing a plug-in passes is kept: tags and values are copied. Every refusal
 * leaves one line in Lumenfold's log file (OBSE_Lumenfold.log, in the game's
 * folder) that names what was wrong, and changes nothing (the log takes 200
 * lines of other plug-ins' calls in one start of the game, no more). */
#ifndef LUMENFOLD_API_H
#define LUMENFOLD_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Every function here uses the C calling convention of 32-bit x86 (cdecl):
 * the caller removes the arguments. */
#if defined(_MSC_VER) || defined(__MINGW32__)
#define LUMENFOLD_CALL __cdecl
#elif defined(__GNUC__) && defined(__i386__)
#define LUMENFOLD_CALL __attribute__((cdecl))
#else
#define LUMENFOLD_CALL
#endif

/* The name Lumenfold has with the script extender: the sender of its
 * messages, and the receiver to name in a request. */
#define LUMENFOLD_PLUGIN_NAME "Lumenfold"

/* The version of the table this header describes. */
#define LUMENFOLD_INTERFACE_VERSION 1u

/* The longest tag, in bytes without its terminating NUL. */
#define LUMENFOLD_MAX_TAG_LENGTH 64
/* The most tags that may hold the body view off at one time. */
#define LUMENFOLD_MAX_HOLDERS 32

/* --- messages (the `type` of the script extender's message record) ------- */

/* To Lumenfold: a request for its table; data: a LumenfoldRequest. */
#define LUMENFOLD_MESSAGE_REQUEST 0x4C460001u
/* From Lumenfold, to the plug-in that asked alone: the answer; data: a
 * LumenfoldAnswer, valid only during the message (copy what you keep; the
 * table it points to stays for the life of the game). */
#define LUMENFOLD_MESSAGE_INTERFACE 0x4C460002u
/* From Lumenfold, to every plug-in that listens to it: the body view turned
 * on or off or changed its state (LumenfoldBodyView's `on` or `state`); data:
 * a LumenfoldBodyView as GetBodyView gives it, valid only during the
 * message. At most one a frame, sent at the end of the frame (the game's
 * shadow pass; where another plug-in holds that place, at the player's first
 * animation update of the next frame); the first comes with the first frame
 * after any plug-in got the table, with the state then. Calls of the table
 * from inside this message are allowed; what they change is told with the
 * next frame, never by another message inside this one. */
#define LUMENFOLD_MESSAGE_CHANGED 0x4C460003u

/* The data of LUMENFOLD_MESSAGE_REQUEST. */
typedef struct LumenfoldRequest {
    uint32_t version; /* the table's version the asker was built for (1 and up) */
} LumenfoldRequest;

struct LumenfoldInterface;

/* The data of LUMENFOLD_MESSAGE_INTERFACE. */
typedef struct LumenfoldAnswer {
    uint32_t result;                      /* LUMENFOLD_OK, or why there is no table */
    const struct LumenfoldInterface* api; /* the table; null when refused */
} LumenfoldAnswer;

/* --- what the body view shows ----------------------------------------------- */

/* States the body view follows, while it is on (`on` is 1). */
#define LUMENFOLD_STATE_STANDING 1u       /* on foot, none of the others */
#define LUMENFOLD_STATE_SITTING 2u        /* sitting (in the game's third-person camera, kept first person) */
#define LUMENFOLD_STATE_LYING 3u          /* lying in a bed */
#define LUMENFOLD_STATE_KNOCKED_OUT 4u    /* knocked out */
#define LUMENFOLD_STATE_DEAD 5u           /* dead */
#define LUMENFOLD_STATE_RIDING 6u         /* on a horse */
#define LUMENFOLD_STATE_FEEDING 7u        /* feeding as a vampire */
#define LUMENFOLD_STATE_MOD_ANIMATION 8u  /* another mod's animation plays on the player */
/* The body view waits for a menu to close (`on` is 0): the body is hidden
 * and the camera left to the game until the menu closes. */
#define LUMENFOLD_STATE_MENU 9u
/* Off (`on` is 0), and why. */
#define LUMENFOLD_STATE_OFF_THIRD_PERSON 16u /* the game's third person, or its free or vanity camera */
#define LUMENFOLD_STATE_OFF_SETTING 17u      /* a setting of Lumenfold's keeps it off (no body, or none on a horse) */
#define LUMENFOLD_STATE_OFF_HELD 18u         /* a plug-in holds it off (HoldBodyViewOff) */
#define LUMENFOLD_STATE_OFF_NO_PLAYER 19u    /* the game has no player's body now (loading, main menu) */
/* Another plug-in holds the game's shadow pass, Lumenfold's place at the
 * end of the frame: in the game's own first person the body view cannot
 * hide the head and arms from the view, so it steps aside there (the
 * sitting, lying and other kept states stay on). Lumenfold's log names the
 * plug-in. */
#define LUMENFOLD_STATE_OFF_PLACE_TAKEN 20u

/* What GetBodyView gives, and the data of LUMENFOLD_MESSAGE_CHANGED. */
typedef struct LumenfoldBodyView {
    uint32_t on;           /* 1: the body view shows the player's body in first person this frame */
    uint32_t state;        /* LUMENFOLD_STATE_* */
    uint32_t cameraPlaced; /* 1: Lumenfold placed the game's camera in this frame's camera update */
    float eye[3];          /* where it placed it: the eye point, world space (x, y, z); 0 when not */
    uint32_t holders;      /* how many tags hold the body view off now */
} LumenfoldBodyView;

/* --- result codes ------------------------------------------------------------- */

#define LUMENFOLD_OK 0u                /* done */
#define LUMENFOLD_ALREADY_HELD 1u      /* this tag holds the body view off already: counted once, nothing changed */
#define LUMENFOLD_NOT_HELD 2u          /* this tag holds nothing: nothing changed */
#define LUMENFOLD_NO_DATA 3u           /* a request message without data */
#define LUMENFOLD_SHORT_RECORD 4u      /* a request message shorter than LumenfoldRequest */
#define LUMENFOLD_UNKNOWN_VERSION 5u   /* a version of the table Lumenfold does not have (0, or above its own) */
#define LUMENFOLD_NULL_TAG 6u          /* the tag is a null pointer */
#define LUMENFOLD_EMPTY_TAG 7u         /* the tag is empty */
#define LUMENFOLD_TAG_TOO_LONG 8u      /* the tag is longer than LUMENFOLD_MAX_TAG_LENGTH bytes */
#define LUMENFOLD_TOO_MANY_TAGS 9u     /* LUMENFOLD_MAX_HOLDERS tags hold the body view off already */
#define LUMENFOLD_NOT_YET 10u          /* called before the host's message 0 (or in the editor) */
#define LUMENFOLD_EXITING 11u          /* called after the game started to exit */
#define LUMENFOLD_NULL_POINTER 12u     /* a record or answer pointer is null */
#define LUMENFOLD_UNKNOWN_KEY 13u      /* not a key of Lumenfold's settings file */
#define LUMENFOLD_NOT_TUNABLE 14u      /* a key read only at the start of the game (it decides what is patched) */
#define LUMENFOLD_BAD_VALUE 15u        /* a null value, or a text that does not read whole as the key's number */
#define LUMENFOLD_BUSY 16u             /* a request sent from inside Lumenfold's answer to a request */

/* --- the table ------------------------------------------------------------------- */

typedef struct LumenfoldInterface {
    /* LUMENFOLD_INTERFACE_VERSION of the Lumenfold that hands it out. */
    uint32_t version;

    /* Version 1. */

    /* Fills `view` with what the body view shows in this frame, as far as
     * Lumenfold's places in it have decided (after its camera update the
     * frame's own; before it, the last frame's). LUMENFOLD_NULL_POINTER for
     * a null `view`. */
    uint32_t(LUMENFOLD_CALL* GetBodyView)(LumenfoldBodyView* view);

    /* Asks, by `tag` (your plug-in's name, or a tag of your own, at most
     * LUMENFOLD_MAX_TAG_LENGTH bytes, compared byte for byte), that the body
     * view step aside. It does so at once: from Lumenfold's next place in the
     * frame on, the game's first person is the game's own (no body shown, no
     * camera placed, no forced first person while sitting and the like,
     * nothing collapsed, the chase distance the game's), and Lumenfold writes
     * nothing into the game until the last tag is given back. Taking again
     * with the same tag counts once (LUMENFOLD_ALREADY_HELD). A tag never
     * given back holds the body view off for the rest of the game, and
     * Lumenfold's log names it at every saved game. */
    uint32_t(LUMENFOLD_CALL* HoldBodyViewOff)(const char* tag);

    /* Gives back what `tag` held. When no tag holds the body view off any
     * more, it takes over again from its next place in the frame, as after a
     * menu closes (the state it kept, such as sitting, with it).
     * LUMENFOLD_NOT_HELD when the tag held nothing. */
    uint32_t(LUMENFOLD_CALL* GiveBodyViewBack)(const char* tag);

    /* Sets one tuning setting of Lumenfold's settings file, by its key (as in
     * OBSE_Lumenfold.ini, such as "fCameraPosZ"; letters in any case) and its
     * value as the file writes it ("16", "0.5"), for this start of the game,
     * as if the player had changed the file and Lumenfold read it again. Only
     * the keys that such a reload changes may be set (LUMENFOLD_NOT_TUNABLE
     * for the others); the value must read whole as the key's number.
     * It takes effect at once; the log names `tag`, the key and both values.
     * When Lumenfold reads its settings file again, the file's values win. */
    uint32_t(LUMENFOLD_CALL* SetTuning)(const char* tag, const char* key, const char* value);
} LumenfoldInterface;

/* The exported function of OBSE_Lumenfold.dll, by its name: fills `*api`
 * with the table for `version` (as a request message does) and returns
 * LUMENFOLD_OK, or a refusal with `*api` set to null (when `api` is not
 * null). */
#define LUMENFOLD_QUERY_EXPORT "LumenfoldQueryInterface"
typedef uint32_t(LUMENFOLD_CALL* LumenfoldQueryInterfaceFn)(uint32_t version,
                                                            const LumenfoldInterface** api);

#ifdef __cplusplus
}
#endif

#endif /* LUMENFOLD_API_H */
