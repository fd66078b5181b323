#include "tools/sim/replay/replay_export.h"

#include <string.h>

#include <array>
#include <map>
#include <set>

#include "game/node_names.h"
#include "tools/sim/replay/recorded_names.h"
#include "tools/sim/replay/replay.h"
#include "tools/sim/scenario/scenario.h"

namespace simtool {

namespace {

// The stage of a frame at which the game changed what a site's entry notes.
const char* StageOf(uint8_t site) {
    switch (site) {
    case kSiteHeadCamera:
        return "camera";
    case kSiteBodyPass:
        return "body";
    case kSiteShadowBefore:
        return "shadow";
    case kSiteShadowAfter:
        return "shadowPass";
    default:
        return site >= kSiteDrawA && site <= kSiteDrawE ? "draws" : nullptr;
    }
}

// The recorded nodes' words as the frame has noted them so far.
using NodeWords = std::map<uint32_t, std::array<uint32_t, kNodeWords>>;

// The scenario's values for what one point of a frame noted.
class Values {
  public:
    Values(const Names& names, NodeWords* nodes) : names_(names), nodes_(nodes) {}

    void Take(const RecordedEvent& e, std::map<uint32_t, std::string>* sequenceNames) {
        if (e.tag == kEventName) {
            (*sequenceNames)[e.a] = e.text;
        } else if (e.tag == kEventState) {
            for (size_t i = 0; i < e.words.size(); ++i) {
                Word(e.code, e.a, e.b + static_cast<uint32_t>(i), e.words[i], *sequenceNames);
            }
        } else if (e.tag == kEventAnswer) {
            Answer(e);
        }
    }
    json set = json::object();

  private:
    void Word(uint8_t kind, uint32_t token, uint32_t word, uint32_t v,
              const std::map<uint32_t, std::string>& sequenceNames) {
        if (kind == kBlockScalars) {
            Scalar(word, v);
        } else if (kind == kBlockNode) {
            Node(token, word, v);
        } else if (kind == kBlockRecord && word >= kRecordSequence0 &&
                   names_.RecordOf(token) == "BodyAnim") {
            const std::string name =
                names_.RecordOf(token) + ".Sequences." + std::to_string(word - kRecordSequence0);
            sequenceSlots_[v] = name;
            if (v == 0) {
                set[name] = nullptr;
            }
        } else if (kind == kBlockSequence) {
            const auto slot = sequenceSlots_.find(token);
            if (slot != sequenceSlots_.end() && word == kSequenceGroupId) {
                const auto text = sequenceNames.find(token);
                set[slot->second] = {{"GroupId", v & 0xFF},
                                     {"FileName", text != sequenceNames.end() ? text->second : ""}};
            }
        }
    }
    void Scalar(uint32_t word, uint32_t v) {
        const auto missing = [this](const char* what, uint32_t token) {
            missing_[what] = token == 0;
        };
        switch (word) {
        case kScalarPlayer:
            return missing("player", v);
        case kScalarDetached:
            set["CameraDetachedByte"] = v & 0xFF;
            return;
        case kScalarCameraNode:
            return missing("camera", v);
        case kScalarChaseDistance:
            set["ChaseCameraDistance"] = Float(v);
            return;
        case kScalarMenuGate:
            set["MenuGateFloat"] = Float(v);
            return;
        case kScalarLookPitch:
            set["player.LookPitch"] = Float(v);
            return;
        case kScalarBodyRoot:
            return missing("BodyRoot", v);
        case kScalarProcess:
            return missing("process", v);
        case kScalarMount:
            set["player.Mount"] = v != 0 ? 1 : 0;
            return;
        case kScalarThirdPerson:
            set["player.ThirdPerson"] = v & 0xFF;
            return;
        case kScalarFirstPersonAnim:
            return missing("FirstPersonAnim", v);
        case kScalarFirstPersonRoot:
            return missing("FirstPersonRoot", v);
        case kScalarRestoreBlockA:
            set["player.RestoreBlockA"] = v & 0xFF;
            return;
        case kScalarRestoreBlockB:
            set["player.RestoreBlockB"] = v & 0xFF;
            return;
        case kScalarWeaponDrawn:
            set["process.WeaponDrawn"] = v & 0xFF;
            return;
        case kScalarKnockoutState:
            set["process.KnockoutState"] = static_cast<int8_t>(v);
            return;
        case kScalarSitState:
            set["process.SitState"] = v & 0xFF;
            return;
        case kScalarBodyAnim:
            return missing("BodyAnim", v);
        case kScalarActionState:
            set["process.ActionState"] = static_cast<int16_t>(v);
            return;
        case kScalarByteAfterWeaponDrawn:
            set["process.ByteAfterWeaponDrawn"] = v & 0xFF;
            return;
        default:
            return; // the weapon comes whole below
        }
    }
    void Node(uint32_t token, uint32_t word, uint32_t v) {
        const std::string name = names_.Of(token);
        if (name.empty()) {
            return;
        }
        std::array<uint32_t, kNodeWords>& words = (*nodes_)[token];
        words[word] = v;
        const uint32_t* w = words.data();
        const std::string at = "nodes." + name + ".";
        if (word == kNodeFlags) {
            set[at + "Flags"] = v & 0xFFFF;
        }
        // The roots' local translation is where the game puts them; the
        // bones follow them through the simulated game's own update.
        const bool root = name == "BodyRoot" || name == "FirstPersonRoot" || name == "Camera";
        if (root && word >= kNodeLocalTranslation && word < kNodeWorldRotation) {
            set[at + "LocalTranslation"] = Vector(w + kNodeLocalTranslation);
        }
    }
    void Answer(const RecordedEvent& e) {
        const std::string record = names_.RecordOf(e.a);
        switch (e.code) {
        case kCallIsDead:
            set["player.IsDead"] = e.c & 0xFF;
            break;
        case kCallIsVampireFeeding:
            set["player.IsVampireFeeding"] = e.c & 0xFF;
            break;
        case kCallQueryShadowState:
            set["player.QueryShadowState"] = e.c;
            break;
        case kCallQueryCodedState:
            if (e.b == 46 || e.b == 47 || e.b == 48) {
                set["player.QueryCodedState." + std::to_string(e.b)] = e.c;
            }
            break;
        case kCallLeftHandItemQuery:
            set["process.LeftHandItemQuery"] = e.c;
            break;
        case kCallShieldQuery:
            set["process.ShieldQuery"] = e.c;
            break;
        case kCallGetFlagWord:
            set["process.GetFlagWord"] = e.c;
            break;
        case kCallIsIdleAnimAbsent:
            if (!record.empty()) {
                set[record + ".IsIdleAnimAbsent"] = e.c & 0xFF;
            }
            break;
        case kCallIsMenuModeActive:
            set["interface.IsMenuModeActive"] = e.c & 0xFF;
            break;
        case kCallIsMenuOpen:
            if (e.b == 1009 || e.b == 1034) {
                set["interface.IsMenuOpen." + std::to_string(e.b)] = e.c & 0xFF;
            }
            break;
        case kCallFindChildByName:
            if (e.c == 0 && e.b < sizeof kRecordedNodeNames / sizeof kRecordedNodeNames[0]) {
                missingBones_.insert(names_.Of(e.a) == "FirstPersonRoot"
                                         ? std::string("FirstPersonRoot/") + kRecordedNodeNames[e.b]
                                         : std::string(kRecordedNodeNames[e.b]));
            }
            break;
        default:
            break;
        }
    }

  public:
    // The objects the frame found missing, as the scenario lists them.
    json Missing() const {
        json list = json::array();
        for (const auto& [what, gone] : missing_) {
            if (gone) {
                list.push_back(what);
            }
        }
        for (const std::string& bone : missingBones_) {
            list.push_back(bone);
        }
        return list;
    }

  private:
    const Names& names_;
    NodeWords* nodes_;
    std::map<uint32_t, std::string> sequenceSlots_;
    std::map<std::string, bool> missing_;
    std::set<std::string> missingBones_;
};

} // namespace

std::string RecordingAsScenario(const Recording& recording) {
    json doc = json::object();
    doc["description"] = "recorded in " + recording.name;
    doc["settings"] = SettingsTextOf(recording.settings);
    json steps = json::array();
    Names names;
    RecordedFrame frame;
    RecordingError error;
    for (size_t f = 0; f < recording.frameOffsets.size(); ++f) {
        if (!DecodeFrame(recording, f, &frame, &error)) {
            break;
        }
        for (const RecordedEvent& e : frame.events) {
            names.Learn(e);
        }
        json step = {{"note", "recorded frame " + std::to_string(frame.number)}};
        // Host messages between two frames open the frame after them.
        std::vector<uint32_t> messages;
        std::map<uint32_t, std::string> sequenceNames;
        NodeWords nodes;
        Values start(names, &nodes);
        json during = json::object();
        Values* at = &start;
        std::map<std::string, Values> later;
        Values ofTheSwitch(names, &nodes);
        bool bodyPassed = false;
        uint8_t lastSite = 0;
        // The game's values an entry notes: those its site noted, and those
        // it notes where its logic goes on to read more (after an answer, or
        // after the game's update of a record that the logic asked for: of
        // what that update changes, the scenario's game works out the world
        // places itself, and the scenario takes only flags, the roots' local
        // places and the scalars).
        bool atEntry = true;
        for (const RecordedEvent& e : frame.events) {
            if (e.tag == kEventSite) {
                atEntry = true;
            } else if (e.tag == kEventEnd) {
                atEntry = false;
            }
            if (e.tag == kEventSite &&
                (e.code == kSiteSwitchDecide ||
                 (e.code >= kSiteSwitchSitA && e.code <= kSiteSwitchDeath))) {
                static const char* const kPlaces[] = {"sitting", "sitting-b", "sitting-c", "death"};
                step["cameraSwitch"] =
                    e.code == kSiteSwitchDecide ? "decide" : kPlaces[e.code - kSiteSwitchSitA];
            } else if (e.tag == kEventSite && e.code == kSiteFrameStart &&
                       !step.contains("cameraSwitch")) {
                // A change of view at none of the switch sites: the switch
                // routine called directly (its camera update came right
                // before), or the point-of-view key.
                step["cameraSwitch"] = lastSite == kSiteHeadCamera ? "direct" : "view-key";
            }
            if (e.tag == kEventSite && !IsPassSite(e.code)) {
                lastSite = e.code;
                bodyPassed = bodyPassed || e.code == kSiteBodyPass;
            }
            // The game's changes noted at a site: at the stage before it. A
            // camera update before the player's body pass, and the frame
            // start, come inside a change of view: what they note is of the
            // game's switch, which the scenario's game makes itself.
            const char* stage = e.tag == kEventSite ? StageOf(e.code) : nullptr;
            if (e.tag == kEventSite &&
                (e.code == kSiteFrameStart || (e.code == kSiteHeadCamera && !bodyPassed))) {
                at = &ofTheSwitch;
            } else if (stage != nullptr) {
                at = &later.emplace(stage, Values(names, &nodes)).first->second;
            } else if (e.tag == kEventMessage) {
                messages.push_back(e.a);
            } else if (e.tag == kEventSettings) {
                // The settings read again in this frame: the file the
                // player had written by then.
                step["settings"] = SettingsTextOf(e.words);
            }
            if (atEntry || e.tag == kEventAnswer) {
                at->Take(e, &sequenceNames);
            }
        }
        if (!messages.empty()) {
            step["hostMessage"] = messages;
        }
        // The game places its roots and its camera during the frame (at the
        // animation updates, at the camera update): the values a later stage
        // noted are those placements; what the frame began with is the last
        // frame's, the plug-in's moves included.
        // A change of view places the body root too, before anything else of
        // the frame notes it.
        for (const char* placed :
             {"nodes.BodyRoot.LocalTranslation", "nodes.FirstPersonRoot.LocalTranslation",
              "nodes.Camera.LocalTranslation"}) {
            if (ofTheSwitch.set.contains(placed)) {
                start.set[placed] = ofTheSwitch.set[placed];
                continue;
            }
            for (auto& [stage, values] : later) {
                if (values.set.contains(placed)) {
                    start.set.erase(placed);
                }
            }
        }
        start.set["missing"] = start.Missing();
        step["set"] = start.set;
        for (auto& [stage, values] : later) {
            if (!values.set.empty()) {
                during[stage] = values.set;
            }
        }
        if (!during.empty()) {
            step["during"] = during;
        }
        step["expect"] = ExpectationsOf(frame, names);
        steps.push_back(step);
    }
    doc["steps"] = steps;
    return doc.dump(1) + "\n";
}

} // namespace simtool
