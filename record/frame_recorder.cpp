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

// What is noted when the call being made returns: every game value the
// logic may read; the scalars alone (the logic notes the rest itself where
// it goes on to read more); the one node the call changes (a node's own world
// update changes its world fields alone); or nothing (the logic reads no more
// of the game before its next call or its return).
enum class AfterCall : uint8_t { All, Scalars, Receiver, Nothing };
AfterCall g_afterCall = AfterCall::All;
const void* g_callReceiver = nullptr;
// Every game value the logic may read has been noted since the game last
// ran: a request for all of them costs nothing then; or the scalars have.
bool g_allNoted = false;
bool g_scalarsNoted = false;
bool g_allNotedBeforeCall = false;


uint32_t g_view[Padded(kViewStateWords)];                 // as last noted
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
        memcpy(g_view, g_held.view, sizeof g_held.view);
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

namespace {

// How much of the game a site's logic reads before it first calls the game:
// the chase-distance sites the scalars; the actor branch the player alone;
// the camera update and the body pass the scalars too (all else they read
// after the game's update of a record, or once they note it, with
// NoteAllGameValues); the draw sites the body's root too (a draw that goes on
// to read more notes the rest itself); the frame start, the shown-record skip
// and the first half of the shadow bracket both roots; every other site all
// of it.
constexpr NoteReach SiteReachOf(int site) {
    return (site >= kSiteChaseA && site <= kSiteChaseD) || site == kSiteActorBranch ||
                   site == kSiteHeadCamera || site == kSiteBodyPass
               ? NoteReach::Scalars
           : site >= kSiteDrawA && site <= kSiteDrawE ? NoteReach::BodyRoot
           : site == kSiteShownRecord || site == kSiteFrameStart || site == kSiteShadowBefore
               ? NoteReach::Roots
               : NoteReach::All;
}
struct SiteReachTable {
    NoteReach reach[kSiteCount];
};
constexpr SiteReachTable MakeSiteReach() {
    SiteReachTable t = {};
    for (int site = 0; site < kSiteCount; ++site) {
        t.reach[site] = SiteReachOf(site);
    }
    return t;
}
constexpr SiteReachTable kSiteReach = MakeSiteReach();
inline NoteReach SiteReach(RecordedSite site) {
    return kSiteReach.reach[site];
}

} // namespace

void NoteSite(RecordedSite site, const void* a, const void* b) {
    OpenFrameIfEnded();
    BeginEntryValues(site == kSiteHeadCamera ? static_cast<const SceneNode*>(a) : nullptr);
    EmitCodeWords(kEventSite, site, Token(a), Token(b), 0, 2);
    const NoteReach reach = SiteReach(site);
    NoteGameValues(reach);
    g_allNoted = reach == NoteReach::All;
    g_scalarsNoted = true;
}

void NoteAllGameValues() {
    if (!g_allNoted) {
        NoteGameValues(NoteReach::All, g_scalarsNoted);
        g_allNoted = g_scalarsNoted = true;
    }
}

void NoteSequenceTexts(const AnimationRecord* record) {
    NoteSequenceNames(record);
}

void NoteEntryEnd() {
    g_afterCall = AfterCall::All;
    g_allNoted = g_scalarsNoted = false;
    uint32_t now[Padded(kViewStateWords)] = {};
    ReadView(now);
    if (!SameWords(now, g_view, kViewStateWords)) {
        for (int i = 0; i < kViewStateWords; ++i) {
            if (now[i] != g_view[i]) {
                EmitCodeWords(kEventView, static_cast<uint8_t>(i), now[i], 0, 0, 1);
                g_view[i] = now[i];
            }
        }
    }
    EmitTag(kEventEnd);
    EndEntryValues();
}

void NotePass(RecordedSite site, const void* a, uint32_t decision) {
    OpenFrameIfEnded();
    EmitCodeWords(kEventSite, site, Token(a), decision, 0, 2);
    g_allNoted = g_scalarsNoted = false; // the game ran up to here
}

void NoteReadingPass(RecordedSite site, const void* a, uint32_t decision) {
    OpenFrameIfEnded();
    NotePass(site, a, decision);
    NoteGameValues(SiteReach(site));
    g_scalarsNoted = true;
}

SceneNode* NoteFound(const SceneNode* searched, const char* name, SceneNode* found) {
    EmitCodeWords(kEventAnswer, kCallFindChildByName, Token(searched), NameNumber(name),
                  Token(found), 3);
    if (found != nullptr) {
        NoteFoundNode(found);
    }
    return found;
}

void NoteCall(GameCall call, const void* receiver) {
    const uint8_t steering = (InExtraAnimUpdate != kFlagClear ? kSteerExtraUpdate : 0) |
                             (InBodyPassUpdate != kFlagClear ? kSteerBodyPassUpdate : 0);
    EmitCall(call, Token(receiver), steering);
    if (call == kCallNodeVirtual29 && g_afterCall == AfterCall::All) {
        g_afterCall = AfterCall::Receiver;
    }
    g_callReceiver = receiver;
    g_allNotedBeforeCall = g_allNoted;
    g_allNoted = g_scalarsNoted = false;
}

void NoteNothingReadAfterNextCall() {
    g_afterCall = AfterCall::Nothing;
}

void NoteOnlyScalarsAfterNextCall() {
    g_afterCall = AfterCall::Scalars;
}

void NoteCallReturned() {
    EmitTag(kEventReturned);
    const AfterCall after = g_afterCall;
    g_afterCall = AfterCall::All;
    switch (after) {
    case AfterCall::All:
        NoteGameValues(NoteReach::All);
        g_allNoted = g_scalarsNoted = true;
        break;
    case AfterCall::Scalars:
        NoteGameValues(NoteReach::Scalars);
        g_scalarsNoted = true;
        break;
    case AfterCall::Receiver:
        // The node's own update changed that node alone: what was noted of
        // the rest still holds.
        NoteChangedNode(static_cast<const SceneNode*>(g_callReceiver));
        g_allNoted = g_allNotedBeforeCall;
        g_scalarsNoted = g_allNoted;
        break;
    case AfterCall::Nothing:
        break;
    }
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
