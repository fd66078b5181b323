#include "entry/plugin_interface.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "entry/holder_tags.h"
#include "log/diagnostic_log.h"
#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "view/body_view_report.h"
#include "view/view_state.h"

extern "C" {
int32_t InterfaceInUse = 0;
}

namespace {

// The most lines the interface writes into the log file in one start of the
// game for calls and requests (a plug-in that calls wrongly in every frame
// would otherwise fill the disk); the lines that name the tags still
// holding at a saved game or at leaving are not counted.
constexpr int kMostInterfaceLines = 200;
// A name or tag as a line quotes it.
constexpr int kQuoted = kMaxTagLength + 8;

uint32_t g_handle = 0;
const MessagingInterface* g_messaging = nullptr;
bool g_ready = false;   // the host's message 0 came
bool g_exiting = false; // the game is being left
bool g_answering = false;
bool g_telling = false;
int g_lines = 0;
// What the last message of a change told; none yet.
LumenfoldBodyView g_told = {};
bool g_toldAny = false;

const char* ResultName(uint32_t result) {
    static const char* const kNames[] = {
        "LUMENFOLD_OK",           "LUMENFOLD_ALREADY_HELD",    "LUMENFOLD_NOT_HELD",
        "LUMENFOLD_NO_DATA",      "LUMENFOLD_SHORT_RECORD",    "LUMENFOLD_UNKNOWN_VERSION",
        "LUMENFOLD_NULL_TAG",     "LUMENFOLD_EMPTY_TAG",       "LUMENFOLD_TAG_TOO_LONG",
        "LUMENFOLD_TOO_MANY_TAGS", "LUMENFOLD_NOT_YET",        "LUMENFOLD_EXITING",
        "LUMENFOLD_NULL_POINTER", "LUMENFOLD_UNKNOWN_KEY",     "LUMENFOLD_NOT_TUNABLE",
        "LUMENFOLD_BAD_VALUE",    "LUMENFOLD_BUSY"};
    return result < sizeof kNames / sizeof kNames[0] ? kNames[result] : "?";
}

// One line of the interface's, at `level`, while the count allows.
__attribute__((format(printf, 2, 3))) void Say(int level, const char* format, ...) {
    if (g_lines > kMostInterfaceLines) {
        return;
    }
    if (g_lines++ == kMostInterfaceLines) {
        LogAtLevel(kLogLevelMessage, "interface: %d lines of other plug-ins' calls written; no "
                                     "more are written in this start of the game",
                   kMostInterfaceLines);
        return;
    }
    char line[kLogBufferSize / 16];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    LogAtLevel(level, "interface: %s", line);
}

// A refusal: one line naming the call, what was wrong, and the result.
uint32_t Refuse(uint32_t result, const char* call, const char* why) {
    Say(kLogLevelMessage, "%s refused: %s (%s)", call, why, ResultName(result));
    return result;
}

// The checks every call of the table makes first: the time, then the tag.
uint32_t CheckCall(const char* call) {
    if (!g_ready) {
        return Refuse(LUMENFOLD_NOT_YET, call,
                      "called before the script extender's message 0 (every plug-in loaded)");
    }
    if (g_exiting) {
        return Refuse(LUMENFOLD_EXITING, call, "the game is being left");
    }
    return LUMENFOLD_OK;
}

uint32_t CheckTagOf(const char* call, const char* tag) {
    char why[kQuoted + 64], quoted[kQuoted];
    switch (CheckTag(tag)) {
    case TagProblem::None:
        return LUMENFOLD_OK;
    case TagProblem::Null:
        return Refuse(LUMENFOLD_NULL_TAG, call, "the tag is a null pointer");
    case TagProblem::Empty:
        return Refuse(LUMENFOLD_EMPTY_TAG, call, "the tag is empty");
    case TagProblem::TooLong:
        snprintf(why, sizeof why, "the tag \"%s\" is longer than %d bytes",
                 QuoteForLog(tag, quoted, sizeof quoted, 40), kMaxTagLength);
        return Refuse(LUMENFOLD_TAG_TOO_LONG, call, why);
    }
    return LUMENFOLD_OK;
}

// Both checks of a call that takes a tag: the time, then the tag.
uint32_t CheckTaggedCall(const char* call, const char* tag) {
    const uint32_t fine = CheckCall(call);
    return fine != LUMENFOLD_OK ? fine : CheckTagOf(call, tag);
}

const char* Quote(const char* text, char* out) {
    return QuoteForLog(text, out, kQuoted, kMaxTagLength);
}

bool KnownVersion(uint32_t version) {
    return version >= 1 && version <= LUMENFOLD_INTERFACE_VERSION;
}

void VersionRefusal(uint32_t version, char* why, size_t size) {
    snprintf(why, size, "version %u is not one Lumenfold has (it has versions 1 to %u)",
             static_cast<unsigned>(version), static_cast<unsigned>(LUMENFOLD_INTERFACE_VERSION));
}

// --- the table ------------------------------------------------------------------

uint32_t LF_CDECL GetBodyView(LumenfoldBodyView* view) {
    const uint32_t fine = CheckCall("GetBodyView");
    if (fine != LUMENFOLD_OK) {
        return fine;
    }
    if (view == nullptr) {
        return Refuse(LUMENFOLD_NULL_POINTER, "GetBodyView", "the record is a null pointer");
    }
    DescribeBodyView(view);
    view->holders = static_cast<uint32_t>(HolderCount());
    return LUMENFOLD_OK;
}

uint32_t LF_CDECL HoldBodyViewOff(const char* tag) {
    const uint32_t fine = CheckTaggedCall("HoldBodyViewOff", tag);
    if (fine != LUMENFOLD_OK) {
        return fine;
    }
    if (TagHolds(tag)) {
        return LUMENFOLD_ALREADY_HELD;
    }
    char quoted[kQuoted], holders[kLogFileLineLimit];
    if (!AddHolder(tag)) {
        char why[kQuoted + 80];
        snprintf(why, sizeof why, "\"%s\" is one tag too many: %d tags hold the body view off",
                 Quote(tag, quoted), kMaxHolders);
        return Refuse(LUMENFOLD_TOO_MANY_TAGS, "HoldBodyViewOff", why);
    }
    if (HolderCount() == 1) {
        NoteHoldChanging();
        BeginBodyViewHold();
        NoteHoldChanged();
    }
    ListHolders(holders, sizeof holders);
    Say(kLogLevelDetail, "the body view is held off by \"%s\" (held by %s)", Quote(tag, quoted),
        holders);
    return LUMENFOLD_OK;
}

uint32_t LF_CDECL GiveBodyViewBack(const char* tag) {
    const uint32_t fine = CheckTaggedCall("GiveBodyViewBack", tag);
    if (fine != LUMENFOLD_OK) {
        return fine;
    }
    if (!RemoveHolder(tag)) {
        return LUMENFOLD_NOT_HELD;
    }
    char quoted[kQuoted], holders[kLogFileLineLimit];
    if (HolderCount() == 0) {
        NoteHoldChanging();
        EndBodyViewHold();
        NoteHoldChanged();
        Say(kLogLevelDetail, "\"%s\" gives the body view back: no tag holds it off, it takes over "
                             "again",
            Quote(tag, quoted));
    } else {
        ListHolders(holders, sizeof holders);
        Say(kLogLevelDetail, "\"%s\" gives the body view back: still held off by %s",
            Quote(tag, quoted), holders);
    }
    return LUMENFOLD_OK;
}

uint32_t LF_CDECL SetTuning(const char* tag, const char* key, const char* value) {
    const uint32_t fine = CheckTaggedCall("SetTuning", tag);
    if (fine != LUMENFOLD_OK) {
        return fine;
    }
    char why[kLogFileLineLimit], call[kQuoted + 16], quoted[kQuoted];
    snprintf(call, sizeof call, "SetTuning(\"%s\")", Quote(tag, quoted));
    switch (TuneSetting(tag, key, value, why, sizeof why)) {
    case TuningOutcome::Set:
        return LUMENFOLD_OK;
    case TuningOutcome::UnknownKey:
        return Refuse(LUMENFOLD_UNKNOWN_KEY, call, why);
    case TuningOutcome::NotTunable:
        return Refuse(LUMENFOLD_NOT_TUNABLE, call, why);
    case TuningOutcome::BadValue:
        return Refuse(LUMENFOLD_BAD_VALUE, call, why);
    }
    return LUMENFOLD_BAD_VALUE;
}

const LumenfoldInterface kTable = {
    LUMENFOLD_INTERFACE_VERSION, GetBodyView, HoldBodyViewOff, GiveBodyViewBack, SetTuning,
};

// --- the message of a change ---------------------------------------------------

void TellChange() {
    if (!g_ready || g_exiting || g_telling || g_messaging == nullptr ||
        g_messaging->Dispatch == nullptr) {
        return;
    }
    LumenfoldBodyView now;
    DescribeBodyView(&now);
    now.holders = static_cast<uint32_t>(HolderCount());
    if (g_toldAny && now.on == g_told.on && now.state == g_told.state) {
        return;
    }
    g_told = now;
    g_toldAny = true;
    // What a listener calls from inside is told at the end of a later frame.
    g_telling = true;
    g_messaging->Dispatch(g_handle, LUMENFOLD_MESSAGE_CHANGED, &now, sizeof now, nullptr);
    g_telling = false;
}

} // namespace

const LumenfoldInterface* InterfaceTable() {
    return &kTable;
}

void InterfaceAtShadowPass() {
    // Where another module calls on into Lumenfold's glue there, the camera
    // update ends the frame.
    if (FrameChoresAtCamera == 0) {
        TellChange();
    }
}

void InterfaceAtBodyPass() {
    CameraUpdatedBeforeBodyPass = 0;
    if (InterfaceInUse != 0 && FrameChoresAtCamera != 0) {
        TellChange();
    }
}

uint32_t LumenfoldQueryInterface(uint32_t version, const LumenfoldInterface** api) {
    if (api != nullptr) {
        *api = nullptr;
    }
    const char* const call = "LumenfoldQueryInterface";
    const uint32_t fine = CheckCall(call);
    if (fine != LUMENFOLD_OK) {
        return fine;
    }
    if (api == nullptr) {
        return Refuse(LUMENFOLD_NULL_POINTER, call, "the answer's pointer is null");
    }
    if (!KnownVersion(version)) {
        char why[96];
        VersionRefusal(version, why, sizeof why);
        return Refuse(LUMENFOLD_UNKNOWN_VERSION, call, why);
    }
    *api = &kTable;
    InterfaceInUse = 1;
    Say(kLogLevelDetail, "version %u handed out by %s (asked for version %u)",
        static_cast<unsigned>(LUMENFOLD_INTERFACE_VERSION), call, static_cast<unsigned>(version));
    return LUMENFOLD_OK;
}

void LF_CDECL HandlePluginMessage(HostMessage* message) {
    if (message == nullptr || message->Type != LUMENFOLD_MESSAGE_REQUEST) {
        return; // the host's own messages, and every other plug-in's
    }
    char quoted[kQuoted], call[kQuoted + 24], why[128];
    const char* sender = message->Sender;
    snprintf(call, sizeof call, "a request from \"%s\"",
             sender != nullptr ? Quote(sender, quoted) : "(no name)");
    uint32_t result = LUMENFOLD_OK;
    uint32_t version = 0;
    if (sender == nullptr) {
        // No name to answer to: an answer would reach every listener.
        Say(kLogLevelMessage, "%s is not answered: the message names no sender", call);
        return;
    }
    if (g_answering) {
        Refuse(LUMENFOLD_BUSY, call,
               "it came from inside Lumenfold's answer to a request; it is not answered");
        return;
    }
    if (g_exiting) {
        result = Refuse(LUMENFOLD_EXITING, call, "the game is being left");
    } else if (message->Data == nullptr || message->DataLength == 0) {
        result = Refuse(LUMENFOLD_NO_DATA, call, "it carries no data");
    } else if (message->DataLength < sizeof(LumenfoldRequest)) {
        snprintf(why, sizeof why, "its data is %u bytes long; a request is %u",
                 static_cast<unsigned>(message->DataLength),
                 static_cast<unsigned>(sizeof(LumenfoldRequest)));
        result = Refuse(LUMENFOLD_SHORT_RECORD, call, why);
    } else {
        memcpy(&version, message->Data, sizeof version);
        if (!KnownVersion(version)) {
            VersionRefusal(version, why, sizeof why);
            result = Refuse(LUMENFOLD_UNKNOWN_VERSION, call, why);
        }
    }
    if (g_messaging == nullptr || g_messaging->Dispatch == nullptr) {
        return;
    }
    LumenfoldAnswer answer = {result, result == LUMENFOLD_OK ? &kTable : nullptr};
    if (result == LUMENFOLD_OK) {
        InterfaceInUse = 1;
        Say(kLogLevelDetail, "version %u handed to \"%s\" (asked for version %u)",
            static_cast<unsigned>(LUMENFOLD_INTERFACE_VERSION), Quote(sender, quoted),
            static_cast<unsigned>(version));
    }
    g_answering = true;
    g_messaging->Dispatch(g_handle, LUMENFOLD_MESSAGE_INTERFACE, &answer, sizeof answer, sender);
    g_answering = false;
}

void InterfaceAtLoad(uint32_t pluginHandle, const MessagingInterface* messaging) {
    ResetInterface();
    g_handle = pluginHandle;
    g_messaging = messaging;
}

void InterfaceAtPostLoad() {
    if (g_ready || g_messaging == nullptr) {
        return;
    }
    g_ready = true;
    // Every plug-in has loaded: a listener for all of them (the requests).
    if (g_messaging->RegisterListener(g_handle, nullptr, HandlePluginMessage) == 0) {
        LogAtLevel(kLogLevelMessage, "interface: the script extender took no listener for other "
                                     "plug-ins' requests; LumenfoldQueryInterface still answers");
    }
}

void InterfaceAtGameSaved() {
    if (HolderCount() > 0) {
        char holders[kLogFileLineLimit];
        ListHolders(holders, sizeof holders);
        LogAtLevel(kLogLevelMessage,
                   "at this saved game the body view is held off by %s: a plug-in that does not "
                   "give its tag back keeps it off",
                   holders);
    }
}

void InterfaceAtExit() {
    if (!g_exiting && HolderCount() > 0) {
        char holders[kLogFileLineLimit];
        ListHolders(holders, sizeof holders);
        LogDetail("the game is left while the body view is held off by %s", holders);
    }
    g_exiting = true;
}

void ResetInterface() {
    ForgetHolders();
    BodyViewHeld = 0;
    HeldForcedMode = 0;
    HoldStepAsidePending = 0;
    g_handle = 0;
    g_messaging = nullptr;
    g_ready = false;
    g_exiting = false;
    g_answering = false;
    g_telling = false;
    g_lines = 0;
    g_told = LumenfoldBodyView{};
    g_toldAny = false;
    InterfaceInUse = 0;
    CameraUpdatedBeforeBodyPass = 0;
}
