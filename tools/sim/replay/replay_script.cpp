#include "tools/sim/replay/replay_script.h"

#include <string.h>

#include "game/node_names.h"
#include "patch/hook_table.h"
#include "sim/frame_driver.h"
#include "sim/node_walk.h"
#include "tools/sim/replay/recording_words.h"

namespace simtool {

namespace {

constexpr uint32_t kNotRecorded = 0xFFFFFFFFu;

} // namespace

uint32_t SiteAddress(uint8_t site) {
    if (site == kSiteShadowBefore || site == kSiteShadowAfter) {
        return kLateHook.place.address;
    }
    return kLoadHooks[site - 1].place.address;
}

void ReplayScript::Start(const std::vector<RecordedEvent>* events, size_t at, size_t end) {
    events_ = events;
    at_ = at;
    end_ = end;
}

void ReplayScript::TakeValues() {
    // A reload of the settings among them is the plug-in's own doing (the
    // watch's, among the camera update's chores, before its logic reads the
    // game): the values noted after it are read as those before it.
    while (at_ < end_ &&
           ((*events_)[at_].tag == kEventState || (*events_)[at_].tag == kEventName ||
            (*events_)[at_].tag == kEventSettings)) {
        recorded_.Take((*events_)[at_++]);
    }
}

void ReplayScript::Finish() {
    while (at_ < end_) {
        if ((*events_)[at_].tag == kEventWrite) {
            recorded_.Take((*events_)[at_]);
        }
        ++at_;
    }
}

void ReplayScript::EnterPass(const RecordedEvent& e) {
    TakeValues(); // what the site's predicate read, where it reads the game
    recorded_.Put();
    sim::CpuState in = sim::SiteRegisters(), out;
    in.eflags &= ~sim::kFlagZero; // the game's own branch not taken: the glue decides
    in.esi = Token(world_.Sim(e.a));
    sim::EnterSite(SiteAddress(e.code), in, &out);
}

uint32_t ReplayScript::Answer(GameCall call, const void* receiver, uint32_t argument,
                              uint32_t own) {
    const RecordedEvent* e = Next(kEventAnswer, call, receiver);
    if (e == nullptr) {
        return own;
    }
    if (e->b != argument) {
        Diverge("the plug-in asked " + CallName(call) + " with " + std::to_string(argument) +
                " where the recording has " + std::to_string(e->b));
        return own;
    }
    world_.PuttingFrom(e->offset);
    // The logic may go on to read more of the game after an answer: what it
    // reads then follows the answer.
    if (at_ < end_ &&
        ((*events_)[at_].tag == kEventState || (*events_)[at_].tag == kEventName ||
         (*events_)[at_].tag == kEventSettings)) {
        TakeValues();
        recorded_.Put();
    }
    if (call == kCallGetInterfaceObject) {
        return Token(world_.Bind(e->c, World::Kind::Interface, game_.interface,
                                 [this] { return static_cast<void*>(game_.interface); }));
    }
    return e->c;
}

SceneNode* ReplayScript::Found(SceneNode* searched, const char* name, SceneNode* own) {
    const RecordedEvent* e = Next(kEventAnswer, kCallFindChildByName, searched);
    if (e == nullptr) {
        return own;
    }
    // The node of that name in the rig stands for the one found.
    SceneNode* rig = RigNode(searched, name);
    world_.PuttingFrom(e->offset);
    SceneNode* found = world_.BindNode(e->c, reinterpret_cast<sim::Node*>(rig));
    TakeValues();
    recorded_.Put();
    return found;
}

void ReplayScript::Changed(GameCall call, const void* receiver) {
    const RecordedEvent* e = Next(kEventCall, call, receiver);
    if (e == nullptr) {
        return;
    }
    // The sites the game passed inside the call (only sites of one event,
    // where the glue decides: the game enters no other inside a call), then
    // its changes.
    while (at_ < end_ && (*events_)[at_].tag == kEventSite && IsPassSite((*events_)[at_].code)) {
        EnterPass((*events_)[at_++]);
    }
    if (at_ >= end_ || (*events_)[at_].tag != kEventReturned) {
        Diverge("the recording holds more inside " + CallName(call) +
                " than the simulated game passes");
        return;
    }
    ++at_;
    TakeValues();
    recorded_.Put();
}

void ReplayScript::GameRan(sim::Routine routine) {
    // The game's shadow pass ran between the two halves of the shadow
    // bracket: what it changed comes with the second half.
    if (routine != sim::Routine::ScenePassRoutine || !divergence_.empty()) {
        return;
    }
    // The rest of the first half: its writes stand, its end passes.
    while (at_ < end_ && (*events_)[at_].tag != kEventSite) {
        recorded_.Take((*events_)[at_++]);
    }
    if (at_ < end_ && (*events_)[at_].code == kSiteShadowAfter) {
        ++at_;
        TakeValues();
        recorded_.Put();
    }
}

// The next answer or call of the recording, which must be this one; the
// plug-in's writes before it are taken as they come.
const RecordedEvent* ReplayScript::Next(EventTag tag, GameCall call, const void* receiver) {
    if (!divergence_.empty()) {
        return nullptr;
    }
    // The plug-in's own outputs come before: its writes, its view state, and
    // a reload of the settings (the watch's, among the camera update's
    // chores where the shadow pass is not Lumenfold's).
    while (at_ < end_ &&
           ((*events_)[at_].tag == kEventWrite || (*events_)[at_].tag == kEventView ||
            (*events_)[at_].tag == kEventSettings)) {
        recorded_.Take((*events_)[at_++]);
    }
    const char* verb = tag == kEventCall ? "called " : "asked ";
    if (at_ >= end_ || (*events_)[at_].tag != tag || (*events_)[at_].code != call) {
        Diverge(std::string("the plug-in ") + verb + CallName(call) + " where the recording has " +
                Describe());
        return nullptr;
    }
    const RecordedEvent& e = (*events_)[at_++];
    const uint32_t recordedReceiver = world_.Recorded(receiver, kNotRecorded);
    if (call != kCallGetInterfaceObject && recordedReceiver != e.a) {
        Diverge(std::string("the plug-in ") + verb + CallName(call) + " of " +
                world_.NameOf(recordedReceiver) + " where the recording has it of " +
                world_.NameOf(e.a));
        return nullptr;
    }
    return &e;
}

std::string ReplayScript::Describe() const {
    if (at_ >= end_) {
        return "nothing more at this site";
    }
    const RecordedEvent& e = (*events_)[at_];
    if (e.tag == kEventAnswer || e.tag == kEventCall) {
        return CallName(static_cast<GameCall>(e.code));
    }
    return EventName(e.tag);
}

void ReplayScript::Diverge(const std::string& what) {
    if (divergence_.empty()) {
        divergence_ = what;
        divergedAt_ = at_;
    }
}

SceneNode* ReplayScript::RigNode(SceneNode* searched, const char* name) {
    if (searched == &game_.fpRoot->node) {
        return strcmp(name, kNodeMagic) == 0 ? &game_.fpMagic->node : nullptr;
    }
    if (searched != &game_.bodyRoot->node) {
        return nullptr;
    }
    for (const sim::Node& n : game_.Nodes()) {
        if (strcmp(n.name, name) == 0 && sim::IsUnder(&n.node, searched)) {
            return const_cast<SceneNode*>(&n.node);
        }
    }
    return nullptr;
}

} // namespace simtool
