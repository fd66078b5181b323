#include "tools/sim/scenario/interface_values.h"

#include <iterator>

#include "entry/holder_tags.h"
#include "entry/plugin_interface.h"
#include "view/body_view_report.h"

namespace simtool {

namespace {

const char* const kResultNames[] = {
    "ok",       "already-held",  "not-held",     "no-data",     "short-record", "unknown-version",
    "null-tag", "empty-tag",     "tag-too-long", "too-many-tags", "not-yet",    "exiting",
    "null-pointer", "unknown-key", "not-tunable", "bad-value",  "busy"};

struct Run {
    sim::Host* host = nullptr;
    const LumenfoldInterface* table = nullptr;
    uint32_t lastResult = LUMENFOLD_OK;
    bool called = false;
    int stepMessages = 0;
    int frameMessages = 0;
    bool frameToldChanges = true;
    bool toldAny = false;
    LumenfoldBodyView told = {};
};
Run g_run;

void LF_CDECL Listen(HostMessage* m) {
    if (m->Type != LUMENFOLD_MESSAGE_CHANGED || m->Data == nullptr ||
        m->DataLength < sizeof(LumenfoldBodyView)) {
        return;
    }
    const LumenfoldBodyView* now = static_cast<const LumenfoldBodyView*>(m->Data);
    if (g_run.toldAny && now->on == g_run.told.on && now->state == g_run.told.state) {
        g_run.frameToldChanges = false;
    }
    g_run.told = *now;
    g_run.toldAny = true;
    ++g_run.stepMessages;
    ++g_run.frameMessages;
}

const LumenfoldInterface* Table() {
    if (g_run.table == nullptr) {
        LumenfoldQueryInterface(LUMENFOLD_INTERFACE_VERSION, &g_run.table);
    }
    return g_run.table;
}

// A text, or null for a null pointer.
const char* Text(const json& v) {
    return v.is_string() ? v.get_ref<const std::string&>().c_str() : nullptr;
}

} // namespace

const char* BodyViewStateName(uint32_t state) {
    switch (state) {
    case LUMENFOLD_STATE_STANDING:
        return "standing";
    case LUMENFOLD_STATE_SITTING:
        return "sitting";
    case LUMENFOLD_STATE_LYING:
        return "lying";
    case LUMENFOLD_STATE_KNOCKED_OUT:
        return "knocked-out";
    case LUMENFOLD_STATE_DEAD:
        return "dead";
    case LUMENFOLD_STATE_RIDING:
        return "riding";
    case LUMENFOLD_STATE_FEEDING:
        return "feeding";
    case LUMENFOLD_STATE_MOD_ANIMATION:
        return "mod-animation";
    case LUMENFOLD_STATE_MENU:
        return "menu";
    case LUMENFOLD_STATE_OFF_THIRD_PERSON:
        return "off-third-person";
    case LUMENFOLD_STATE_OFF_SETTING:
        return "off-setting";
    case LUMENFOLD_STATE_OFF_HELD:
        return "off-held";
    case LUMENFOLD_STATE_OFF_NO_PLAYER:
        return "off-no-player";
    case LUMENFOLD_STATE_OFF_PLACE_TAKEN:
        return "off-place-taken";
    }
    return "?";
}

void StartInterfaceRun(sim::Host& host) {
    g_run = Run{};
    g_run.host = &host;
    const uint32_t handle = host.AddPlugin("Scenario");
    host.messaging.RegisterListener(handle, LUMENFOLD_PLUGIN_NAME, Listen);
}

void EndInterfaceRun() {
    g_run = Run{};
}

void CallInterface(const std::string& name, const json& value) {
    const LumenfoldInterface* t = Table();
    g_run.called = true;
    if (t == nullptr) {
        g_run.lastResult = LUMENFOLD_NOT_YET;
    } else if (name == "interface.HoldBodyViewOff") {
        g_run.lastResult = t->HoldBodyViewOff(Text(value));
    } else if (name == "interface.GiveBodyViewBack") {
        g_run.lastResult = t->GiveBodyViewBack(Text(value));
    } else {
        g_run.lastResult =
            t->SetTuning(Text(value["tag"]), Text(value["key"]), Text(value["value"]));
    }
}

void BeginStepMessages() {
    g_run.stepMessages = 0;
}

void BeginFrameMessages() {
    g_run.frameMessages = 0;
    g_run.frameToldChanges = true;
}

int ChangeMessagesInFrame() {
    return g_run.frameMessages;
}

bool FrameMessagesToldChanges() {
    return g_run.frameToldChanges;
}

json ObserveInterface(const std::string& name) {
    if (name == "interface.result") {
        return g_run.lastResult < std::size(kResultNames) ? kResultNames[g_run.lastResult] : "?";
    }
    if (name == "interface.changeMessages") {
        return g_run.stepMessages;
    }
    if (name == "interface.toldState") {
        return g_run.toldAny ? BodyViewStateName(g_run.told.state) : "none";
    }
    LumenfoldBodyView v;
    DescribeBodyView(&v);
    if (name == "bodyView.on") {
        return v.on;
    }
    if (name == "bodyView.state") {
        return BodyViewStateName(v.state);
    }
    if (name == "bodyView.cameraPlaced") {
        return v.cameraPlaced;
    }
    if (name == "bodyView.eye") {
        return json::array({v.eye[0], v.eye[1], v.eye[2]});
    }
    return HolderCount(); // bodyView.holders
}

} // namespace simtool
