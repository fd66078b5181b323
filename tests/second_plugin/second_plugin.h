/* What the tests' second plug-in (second_plugin.c) offers them besides its
 * two entries: its report of what it got from Lumenfold, and the calls it
 * makes of Lumenfold's table for them. Plain C, shared by the plug-in and the
 * tests that load it. */
#ifndef LUMENFOLD_SECOND_PLUGIN_H
#define LUMENFOLD_SECOND_PLUGIN_H

#include <stdint.h>

#include "sdk/lumenfold_api.h"

typedef struct SecondPluginReport {
    uint32_t foundLumenfold; /* its listener for "Lumenfold" was taken at the host's message 0 */
    uint32_t answers;        /* answers to its requests */
    uint32_t lastResult;     /* the last answer's result */
    uint32_t hasTable;
    uint32_t tableVersion;
    uint32_t changes;             /* messages of a change */
    LumenfoldBodyView lastChange; /* what the last told */
    uint32_t insideResult;        /* its hold from inside a message of a change */
    uint32_t messagesInside;      /* messages it got meanwhile */
} SecondPluginReport;

/* The names of its exports besides OBSEPlugin_Query and OBSEPlugin_Load, and
 * their types. A result of 0xFFFFFFFF: no table, or no answer. */
typedef void(LUMENFOLD_CALL* SecondPluginReportFn)(SecondPluginReport* out);
/* A request with any version and length (-1: no data); the answer's result. */
typedef uint32_t(LUMENFOLD_CALL* SecondPluginRequestFn)(uint32_t version, int32_t length);
/* The table by the exported function; 0xFFFFFFFE when it is another table
 * than the answer's. */
typedef uint32_t(LUMENFOLD_CALL* SecondPluginQueryExportFn)(uint32_t version);
typedef uint32_t(LUMENFOLD_CALL* SecondPluginStateFn)(LumenfoldBodyView* view);
typedef uint32_t(LUMENFOLD_CALL* SecondPluginTagFn)(const char* tag);
typedef uint32_t(LUMENFOLD_CALL* SecondPluginTuneFn)(const char* key, const char* value);
typedef void(LUMENFOLD_CALL* SecondPluginInsideFn)(const char* tag);

#endif
