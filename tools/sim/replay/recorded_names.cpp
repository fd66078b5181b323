#include "tools/sim/replay/recorded_names.h"
#include "tools/sim/replay/recording_words.h"

#include <string.h>

#include "game/node_names.h"

namespace simtool {

json Vector(const uint32_t* w) {
    return json::array({Float(w[0]), Float(w[1]), Float(w[2])});
}
json Matrix(const uint32_t* w) {
    json rows = json::array();
    for (int i = 0; i < 3; ++i) {
        rows.push_back(Vector(w + 3 * i));
    }
    return rows;
}

void Names::Learn(const RecordedEvent& e) {
    if (e.tag == kEventState && e.code == kBlockScalars) {
        for (size_t i = 0; i < e.words.size(); ++i) {
            const uint32_t word = e.b + static_cast<uint32_t>(i);
            const uint32_t v = e.words[i];
            if (word == kScalarBodyRoot) {
                Name(v, "BodyRoot");
            } else if (word == kScalarFirstPersonRoot) {
                Name(v, "FirstPersonRoot");
            } else if (word == kScalarCameraNode) {
                Name(v, "Camera");
            } else if (word == kScalarBodyAnim) {
                bodyAnim_ = v;
            } else if (word == kScalarFirstPersonAnim) {
                firstPersonAnim_ = v;
            }
        }
    } else if (e.tag == kEventState && e.code == kBlockRecord && e.a == bodyAnim_) {
        const char* const roles[] = {"ShieldSlot", "LeftHandItemSlot", kNodeHead};
        for (size_t i = 0; i < e.words.size(); ++i) {
            if (e.b + i <= kRecordHeadNode) {
                Name(e.words[i], roles[e.b + i]);
            }
        }
    } else if (e.tag == kEventAnswer && e.code == kCallFindChildByName && e.c != 0 &&
               e.b < sizeof kRecordedNodeNames / sizeof kRecordedNodeNames[0]) {
        const std::string name = kRecordedNodeNames[e.b];
        Name(e.c, Of(e.a) == "FirstPersonRoot" ? "FirstPersonRoot/" + name : name);
    }
}

json ExpectationsOf(const RecordedFrame& frame, const Names& names) {
    json expect = json::object();
    uint32_t view[kViewStateWords];
    memcpy(view, frame.view, sizeof view);
    for (const RecordedEvent& e : frame.events) {
        if (e.tag == kEventView) {
            view[e.code] = e.a;
        } else if (e.tag == kEventState && e.code == kBlockNode) {
            // The game set the node's field again after the plug-in wrote it
            // (its camera, placed anew by a second camera update of the
            // frame): the plug-in's write is not what the frame ends with.
            const std::string node = names.Of(e.a);
            const uint32_t first = e.b, last = e.b + static_cast<uint32_t>(e.words.size());
            const auto covers = [first, last](uint32_t word, uint32_t count) {
                return word < last && word + count > first;
            };
            if (!node.empty() && covers(kNodeLocalTranslation, 3)) {
                expect.erase("nodes." + node + ".LocalTranslation");
            }
            if (!node.empty() && covers(kNodeFlags, 1)) {
                expect.erase("nodes." + node + ".Hidden");
            }
        } else if (e.tag == kEventWrite) {
            const std::string node = names.Of(e.a);
            switch (e.code) {
            case kWriteLocalTranslation:
                if (!node.empty()) {
                    expect["nodes." + node + ".LocalTranslation"] = Vector(e.words.data());
                }
                break;
            case kWriteLocalRotation:
                if (!node.empty()) {
                    expect["nodes." + node + ".LocalRotation"] = Matrix(e.words.data());
                }
                break;
            case kWriteLocalScale:
                if (!node.empty()) {
                    expect["nodes." + node + ".LocalScale"] = Float(e.words[0]);
                }
                break;
            case kWriteFlags:
                if (!node.empty()) {
                    expect["nodes." + node + ".Hidden"] = (e.words[0] & 1) != 0;
                }
                break;
            case kWriteThirdPerson:
                expect["player.ThirdPerson"] = e.words[0] & 0xFF;
                break;
            case kWriteChaseDistance:
                expect["ChaseCameraDistance"] = Float(e.words[0]);
                break;
            default:
                break;
            }
        }
    }
    expect["ForcedBodyMode"] = view[kViewForcedBodyMode];
    expect["HeadAnchorCountdown"] = view[kViewHeadAnchorCountdown];
    expect["WatchedMenuOpen"] = view[kViewWatchedMenuOpen];
    expect["MountedInFirstPerson"] = view[kViewMountedInFirstPerson];
    return expect;
}

} // namespace simtool
