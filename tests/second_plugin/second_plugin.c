/* A small plug-in of another author, as the tests build it beside Lumenfold
 * (a MinGW DLL under Wine, a shared library in the Linux tests; plain C99):
 * it finds Lumenfold as sdk/lumenfold_api.h tells an author to, keeps its
 * table, listens to its messages, and offers the tests a few calls of its
 * own to act as a camera mod would (read the state, hold the body view off,
 * give it back, tune a value) and to report what it got. */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "sdk/lumenfold_api.h"
#include "tests/second_plugin/second_plugin.h"

#if defined(_WIN32)
#include <windows.h>
#define SECOND_EXPORT __declspec(dllexport)
#else
#include <dlfcn.h>
#define SECOND_EXPORT __attribute__((visibility("default")))
#endif

/* The script extender's records, as far as this plug-in uses them (an author
 * takes them from the script extender's own headers). */
typedef struct ObseMessage {
    const char* sender;
    uint32_t type;
    uint32_t dataLen;
    void* data;
} ObseMessage;
typedef void(LUMENFOLD_CALL* ObseListener)(ObseMessage* message);
typedef struct ObseMessaging {
    uint32_t version;
    uint8_t(LUMENFOLD_CALL* RegisterListener)(uint32_t plugin, const char* sender,
                                              ObseListener handler);
    uint8_t(LUMENFOLD_CALL* Dispatch)(uint32_t plugin, uint32_t type, void* data, uint32_t length,
                                      const char* receiver);
} ObseMessaging;
typedef struct ObseInterface {
    uint32_t obseVersion;
    uint32_t oblivionVersion;
    uint32_t editorVersion;
    uint32_t isEditor;
    uint32_t reserved10, reserved14;
    void*(LUMENFOLD_CALL* QueryInterface)(uint32_t id);
    uint32_t(LUMENFOLD_CALL* GetPluginHandle)(void);
} ObseInterface;
typedef struct PluginInfo {
    uint32_t infoVersion;
    const char* name;
    uint32_t version;
} PluginInfo;

enum { kMessagingId = 4, kPostLoad = 0, kPostPostLoad = 9 };
#define SECOND_NAME "SecondPlugin"

static uint32_t g_handle;
static const ObseMessaging* g_messaging;
static const LumenfoldInterface* g_api;
static SecondPluginReport g_report;
static const char* g_holdInside;

static void LUMENFOLD_CALL OnLumenfold(ObseMessage* m) {
    if (m->type == LUMENFOLD_MESSAGE_INTERFACE && m->data != NULL &&
        m->dataLen >= sizeof(LumenfoldAnswer)) {
        const LumenfoldAnswer* answer = (const LumenfoldAnswer*)m->data;
        ++g_report.answers;
        g_report.lastResult = answer->result;
        if (answer->result == LUMENFOLD_OK && answer->api != NULL) {
            g_api = answer->api;
        }
    } else if (m->type == LUMENFOLD_MESSAGE_CHANGED && m->data != NULL &&
               m->dataLen >= sizeof(LumenfoldBodyView)) {
        ++g_report.changes;
        memcpy(&g_report.lastChange, m->data, sizeof g_report.lastChange);
        if (g_holdInside != NULL && g_api != NULL) {
            /* A call from inside Lumenfold's message: no message inside it. */
            const uint32_t before = g_report.changes;
            g_report.insideResult = g_api->HoldBodyViewOff(g_holdInside);
            g_report.messagesInside = g_report.changes - before;
            g_holdInside = NULL;
        }
    }
}

/* The request, with any version and any length (-1: no data at all). */
static void Send(uint32_t version, int32_t length) {
    LumenfoldRequest request;
    request.version = version;
    g_messaging->Dispatch(g_handle, LUMENFOLD_MESSAGE_REQUEST, length < 0 ? NULL : &request,
                          length < 0 ? 0u : (uint32_t)length, LUMENFOLD_PLUGIN_NAME);
}

static void LUMENFOLD_CALL OnHost(ObseMessage* m) {
    if (m->type == kPostLoad) {
        /* False when Lumenfold is not loaded. */
        g_report.foundLumenfold = g_messaging->RegisterListener(g_handle, LUMENFOLD_PLUGIN_NAME,
                                                                OnLumenfold) != 0;
    } else if (m->type == kPostPostLoad && g_report.foundLumenfold) {
        Send(LUMENFOLD_INTERFACE_VERSION, (int32_t)sizeof(LumenfoldRequest));
    }
}

SECOND_EXPORT uint8_t LUMENFOLD_CALL OBSEPlugin_Query(const ObseInterface* obse, PluginInfo* info) {
    (void)obse;
    info->infoVersion = 2;
    info->name = SECOND_NAME;
    info->version = 1;
    return 1;
}

SECOND_EXPORT uint8_t LUMENFOLD_CALL OBSEPlugin_Load(const ObseInterface* obse) {
    memset(&g_report, 0, sizeof g_report);
    g_api = NULL;
    g_holdInside = NULL;
    g_handle = obse->GetPluginHandle();
    g_messaging = (const ObseMessaging*)obse->QueryInterface(kMessagingId);
    if (g_messaging != NULL) {
        g_messaging->RegisterListener(g_handle, "OBSE", OnHost);
    }
    return 1;
}

SECOND_EXPORT void LUMENFOLD_CALL SecondPlugin_Report(SecondPluginReport* out) {
    g_report.hasTable = g_api != NULL;
    g_report.tableVersion = g_api != NULL ? g_api->version : 0;
    *out = g_report;
}

SECOND_EXPORT uint32_t LUMENFOLD_CALL SecondPlugin_Request(uint32_t version, int32_t length) {
    const uint32_t answers = g_report.answers;
    Send(version, length);
    return g_report.answers == answers + 1 ? g_report.lastResult : 0xFFFFFFFFu;
}

SECOND_EXPORT uint32_t LUMENFOLD_CALL SecondPlugin_QueryExport(uint32_t version) {
    const LumenfoldInterface* api = NULL;
    LumenfoldQueryInterfaceFn query;
#if defined(_WIN32)
    query = (LumenfoldQueryInterfaceFn)(void (*)(void))GetProcAddress(
        GetModuleHandleA("OBSE_Lumenfold.dll"), LUMENFOLD_QUERY_EXPORT);
#else
    *(void**)&query = dlsym(RTLD_DEFAULT, LUMENFOLD_QUERY_EXPORT);
#endif
    if (query == NULL) {
        return 0xFFFFFFFFu;
    }
    const uint32_t result = query(version, &api);
    if (result == LUMENFOLD_OK && api != g_api) {
        return 0xFFFFFFFEu; /* another table than the message gave */
    }
    return result;
}

SECOND_EXPORT uint32_t LUMENFOLD_CALL SecondPlugin_State(LumenfoldBodyView* view) {
    return g_api != NULL ? g_api->GetBodyView(view) : 0xFFFFFFFFu;
}

SECOND_EXPORT uint32_t LUMENFOLD_CALL SecondPlugin_Hold(const char* tag) {
    return g_api != NULL ? g_api->HoldBodyViewOff(tag) : 0xFFFFFFFFu;
}

SECOND_EXPORT uint32_t LUMENFOLD_CALL SecondPlugin_GiveBack(const char* tag) {
    return g_api != NULL ? g_api->GiveBodyViewBack(tag) : 0xFFFFFFFFu;
}

SECOND_EXPORT uint32_t LUMENFOLD_CALL SecondPlugin_Tune(const char* key, const char* value) {
    return g_api != NULL ? g_api->SetTuning(SECOND_NAME, key, value) : 0xFFFFFFFFu;
}

SECOND_EXPORT void LUMENFOLD_CALL SecondPlugin_HoldInsideNextChange(const char* tag) {
    g_holdInside = tag;
}
