#include "record/frame_recorder.h"

#include <string.h>

#include "body/draw_visibility.h"
#include "game/node_names.h"
#include "log/diagnostic_log.h"
#include "record/frame_ring.h"
#include "record/game_notes.h"
#include "settings/settings.h"
#include "settings/settings_check.h"
#include "view/view_state.h"

// The recorder runs in every frame: its copies stay in line (see
// game_notes.cpp).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-loop-distribute-patterns")
#endif

namespace {

uint32_t g_view[kViewStateWords];                         // as last noted
uint32_t g_notedSettings[Padded(kSettingsKeyCount)] = {}; // as last noted

void ReadView(uint32_t* v) {
    v[kViewSavedThirdPerson] = static_cast<uint32_t>(SavedThirdPerson);
    v[kViewForcedBodyMode] = static_cast<uint32_t>(ForcedBodyMode);
    v[kViewModAnimPending] = static_cast<uint32_t>(ModAnimPending);
    v[kViewModAnimCounter] = static_cast<uint32_t>(ModAnimCounter);
    v[kViewMountedInFirstPerson] = static_cast<uint32_t>(MountedInFirstPerson);
    v[kViewWatchedMenuOpen] = static_cast<uint32_t>(WatchedMenuOpen);
    v[kViewSavedChaseDistance] = Bits(SavedChaseDistance);
    v[kViewHeadAnchorCountdown] = static_cast<uint32_t>(HeadAnchorCountdown);
    v[kViewInExtraAnimUpdate] = Bits(InExtraAnimUpdate);
    v[kViewInBodyPassUpdate] = Bits(InBodyPassUpdate);
    v[kViewMenuReleaseAtFrameStart] = static_cast<uint32_t>(FrameChoresAtCamera);
    v[kViewSavedBodyFlags] = SavedBodyFlags;
    v[kViewSavedBodyFlagsValid] = SavedBodyFlagsValid ? 1u : 0u;
}

uint32_t NameNumber(const char* name) {
    // The logic passes these very texts: their addresses tell them first.
    for (uint32_t i = 0; i < sizeof kRecordedNodeNames / sizeof kRecordedNodeNames[0]; ++i) {
        if (kRecordedNodeNames[i] == name) {
            return i;
        }
    }
    for (uint32_t i = 0; i < sizeof kRecordedNodeNames / sizeof kRecordedNodeNames[0]; ++i) {
        if (strcmp(kRecordedNodeNames[i], name) == 0) {
            return i;
        }
    }
    return kUnknownNodeName;
}

void ReadSettingsWords(uint32_t* out) {
    // Word by word in line: it runs at every frame start.
    const uint32_t* words = reinterpret_cast<const uint32_t*>(&Settings);
    for (int i = 0; i < kSettingsKeyCount; ++i) {
        out[i] = words[i];
    }
}

static_assert(sizeof(SettingsRecord) == 4 * kSettingsKeyCount, "settings are words");

// The settings, when they differ from those noted last (`now` padded).
void NoteSettingsWords(const uint32_t* now) {
    if (!SameWords(now, g_notedSettings, kSettingsKeyCount)) {
        CopyWords(g_notedSettings, now, kSettingsKeyCount);
        Event(kEventSettings).Byte(kSettingsKeyCount).Words(now, kSettingsKeyCount);
    }
}

} // namespace

bool ReserveRecording(int32_t frames, uint32_t hostVersion, uint32_t gameVersion) {
    ForgetRecordingFilesWritten();
    ForgetHeldMessages();
    const int32_t kept = RecordedFramesInUse(frames);
    char warning[128];
    if (RecordedFramesWarning(frames, warning, sizeof warning)) {
        LogDetail("%s", warning);
    }
    uint32_t capacity = 0;
    if (!ReserveRing(kept, hostVersion, gameVersion, &capacity)) {
        LogError("recording: %u bytes of memory for %d frames cannot be had; nothing is recorded",
                 capacity, static_cast<int>(kept));
        return false;
    }
    if (kept != 0) {
        ReadSettingsWords(g_notedSettings);
        LogDetail("recording: the last %d frames are kept (%u KB of memory)",
                  static_cast<int>(kept), capacity / 1024);
    }
    return true;
}

namespace {

// Host messages that came while no frame was open, and the view and the
// settings as the first of them found them: the next frame begins with them
// (a message between two frames belongs to the frame after it).
constexpr int kMaxHeldMessages = 8;
struct HeldStart {
    bool held;
    int count;
    uint32_t messages[kMaxHeldMessages];
    uint32_t view[kViewStateWords];
    uint32_t settings[Padded(kSettingsKeyCount)];
};
HeldStart g_held;
// A hold changed while no frame was open: the next one notes it.
bool g_holdChanged = false;

void NoteHoldWords() {
    uint32_t chase;
    memcpy(&chase, &SavedChaseDistance, 4);
    const uint32_t words[kHoldWords] = {
        static_cast<uint32_t>(BodyViewHeld), static_cast<uint32_t>(HeldForcedMode),
        static_cast<uint32_t>(HoldStepAsidePending), static_cast<uint32_t>(ForcedBodyMode), chase};
    Event(kEventHold).Words(words, kHoldWords);
}

void OpenFrameNow() {
    uint32_t settings[Padded(kSettingsKeyCount)] = {};
    if (g_held.held) {
        memcpy(g_view, g_held.view, sizeof g_view);
        memcpy(settings, g_held.settings, sizeof settings);
    } else {
        ReadSettingsWords(settings);
        ReadView(g_view);
    }
    OpenNextFrame(g_view, settings);
    ForgetGameValues();
    NoteSettingsWords(settings);
    if (g_held.held) {
        g_held.held = false;
        for (int i = 0; i < g_held.count; ++i) {
            Event(kEventMessage).Word(g_held.messages[i]);
        }
        NoteSettings(); // what the messages changed (a reload at a loaded game)
    }
    if (g_holdChanged || BodyViewHeld != 0 || HeldForcedMode != 0 || HoldStepAsidePending != 0) {
        g_holdChanged = false;
        NoteHoldWords();
    }
}

// A frame opens at the first event after the last one ended (or after the
// load).
inline void OpenFrameIfEnded() {
    if (!OpenFrame.open) {
        OpenFrameNow();
    }
}

} // namespace

void ForgetHeldMessages() {
    g_held.held = false;
    g_holdChanged = false;
}

void NoteHoldChanging() {
    if (RecordingFrames() && !OpenFrame.open && !g_held.held) {
        g_held.held = true;
        g_held.count = 0;
        ReadView(g_held.view);
        ReadSettingsWords(g_held.settings);
    }
}

void NoteHoldChanged() {
    if (!RecordingFrames()) {
        return;
    }
    if (OpenFrame.open) {
        NoteHoldWords();
    } else {
        g_holdChanged = true;
    }
}

void NoteFrameStart() {
    if (RecordingFrames()) {
        OpenFrameNow();
    }
}

void NoteSettings() {
    uint32_t now[Padded(kSettingsKeyCount)] = {};
    ReadSettingsWords(now);
    NoteSettingsWords(now);
}

void NoteFrameEnd() {
    CloseOpenFrame();
}

void NoteSite(RecordedSite site, const void* a, const void* b) {
    OpenFrameIfEnded();
    BeginEntryValues(site == kSiteHeadCamera ? static_cast<const SceneNode*>(a) : nullptr,
                     site == kSiteBodyPass ? static_cast<const AnimationRecord*>(b) : nullptr);
    Event(kEventSite).Byte(site).Word(Token(a)).Word(Token(b));
    NoteGameValues();
}

void NoteEntryEnd() {
    uint32_t now[kViewStateWords];
    ReadView(now);
    for (int i = 0; i < kViewStateWords; ++i) {
        if (now[i] != g_view[i]) {
            Event(kEventView).Byte(i).Word(now[i]);
            g_view[i] = now[i];
        }
    }
    Event{kEventEnd};
    EndEntryValues();
}

void NotePass(RecordedSite site, const void* a, uint32_t decision) {
    OpenFrameIfEnded();
    Event(kEventSite).Byte(site).Word(Token(a)).Word(decision);
}

void NoteReadingPass(RecordedSite site, const void* a, uint32_t decision) {
    OpenFrameIfEnded();
    NotePass(site, a, decision);
    NoteGameValues();
}

uint32_t NoteAnswer(GameCall call, const void* receiver, uint32_t argument, uint32_t answer) {
    Event(kEventAnswer).Byte(call).Word(Token(receiver)).Word(argument).Word(answer);
    return answer;
}

SceneNode* NoteFound(const SceneNode* searched, const char* name, SceneNode* found) {
    Event(kEventAnswer)
        .Byte(kCallFindChildByName)
        .Word(Token(searched))
        .Word(NameNumber(name))
        .Word(Token(found));
    if (found != nullptr) {
        NoteFoundNode(found);
    }
    return found;
}

void NoteCall(GameCall call, const void* receiver) {
    const uint8_t steering = (InExtraAnimUpdate != kFlagClear ? kSteerExtraUpdate : 0) |
                             (InBodyPassUpdate != kFlagClear ? kSteerBodyPassUpdate : 0);
    Event(kEventCall).Byte(call).Word(Token(receiver)).Byte(steering);
}

void NoteCallReturned() {
    Event{kEventReturned};
    NoteGameValues();
}

void NoteWrite(WrittenField field, const void* target) {
    uint32_t w[9];
    const int n = WrittenWordsOf(field, target, w);
    Event(kEventWrite).Byte(field).Word(Token(target)).Words(w, n);
}

void NoteMessage(uint32_t type) {
    if (!RecordingFrames()) {
        return;
    }
    if (!OpenFrame.open) {
        if (!g_held.held) {
            g_held.held = true;
            g_held.count = 0;
            ReadView(g_held.view);
            ReadSettingsWords(g_held.settings);
        }
        if (g_held.count < kMaxHeldMessages) {
            g_held.messages[g_held.count++] = type;
            return;
        }
        OpenFrameNow();
    }
    Event(kEventMessage).Word(type);
}

void NoteMessageHandled() {
    if (OpenFrame.open) {
        NoteSettings(); // what the message changed (a reload at a loaded game)
    }
}

void OmitFromRecordingForTests(int kind, int word, bool onlyChanges) {
    OmitGameValueForTests(kind, word, onlyChanges);
}
