// The soak's random scenarios: from a seed, a settings file with every key
// at a random value and frames with random game states, changes inside the
// frames, missing objects, camera switches, host messages and rewritten
// settings files. The same seed gives the same scenario on every platform.
#include <math.h>

#include <string>

#include "settings/settings.h"
#include "sim/frame_driver.h"
#include "sim/rig.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"
#include "tools/sim/soak/soak.h"

namespace simtool {

namespace {

// A small random source that gives the same numbers on every platform
// (splitmix64), so that a seed means the same run everywhere.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
    bool Chance(uint32_t percent) { return Below(100) < percent; }
    double Uniform(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
    }
    // A float-sized value, as JSON will carry it exactly.
    double Real(double lo, double hi) { return static_cast<float>(Uniform(lo, hi)); }
    template <typename T, size_t N> const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

  private:
    uint64_t state_;
};

json Vector(Random& r, double range) {
    return json::array({r.Real(-range, range), r.Real(-range, range), r.Real(-range, range)});
}

// A rotation (three turns about z, x, z), sometimes with a uniform scale.
json Rotation(Random& r) {
    const double a = r.Uniform(-3.2, 3.2), b = r.Uniform(-3.2, 3.2), c = r.Uniform(-3.2, 3.2);
    const double s = r.Chance(20) ? r.Uniform(0.5, 2.0) : 1.0;
    const double ca = cos(a), sa = sin(a), cb = cos(b), sb = sin(b), cc = cos(c), sc = sin(c);
    const double m[3][3] = {{ca * cc - sa * cb * sc, -ca * sc - sa * cb * cc, sa * sb},
                            {sa * cc + ca * cb * sc, -sa * sc + ca * cb * cc, -ca * sb},
                            {sb * sc, sb * cc, cb}};
    json rows = json::array();
    for (const auto& row : m) {
        rows.push_back(json::array({static_cast<float>(row[0] * s), static_cast<float>(row[1] * s),
                                    static_cast<float>(row[2] * s)}));
    }
    return rows;
}

std::string SettingsText(Random& r) {
    const char* const integers[] = {"0", "1", "2", "3", "-1", "1", "0", "5", "abc", ""};
    // Texts that read as 0, as a default (too large), or only in part. The
    // numbers stay within sizes a player would write: a huge but finite
    // offset times the body's scale overflows like any float product.
    const char* const floats[] = {"0", "-0.5", "1e400", "abc", "14,5", "", "-0"};
    std::string text = "[Main]\r\n";
    for (const SettingsKey& k : kSettingsKeys) {
        if (r.Chance(10)) {
            continue; // absent: its default
        }
        std::string value;
        if (!k.isFloat) {
            value = r.Pick(integers);
        } else if (r.Chance(70)) {
            char number[32];
            snprintf(number, sizeof number, "%.6g", r.Uniform(-2000.0, 4000.0));
            value = number;
        } else {
            value = r.Pick(floats);
        }
        text += std::string(k.name) + "=" + value + "\r\n";
    }
    return text;
}

const char* const kFileNames[] = {"Stand1.kf",   "IdleGuardCheckScabbard.kf",
                                  "walk.kf",     "Characters\\_Male\\STAND1.KF",
                                  "xStand1.kfx", ""};
const int kGroups[] = {0, 17, 18, 34, 35, 36, 37, 38, 39, 40, 255, 16, 33};
const int kSitStates[] = {0, 0, 0, 3, 4, 5, 8, 9, 200, 1, 7};
const int kActionStates[] = {0, 0, 2, 3, 4, 5, 6, 7, -1, 1};
const uint32_t kFlagWords[] = {0, 0x400, 0x800, 0xC00, 0xFFFFFFFF};
const char* const kSwitches[] = {"none",      "none",      "none",  "none",   "decide",  "sitting",
                                 "sitting-b", "sitting-c", "death", "direct", "view-key"};

json Sequence(Random& r) {
    if (r.Chance(50)) {
        return nullptr;
    }
    json s = {{"GroupId", r.Chance(80) ? r.Pick(kGroups) : static_cast<int>(r.Below(256))}};
    if (!r.Chance(10)) {
        s["FileName"] = r.Pick(kFileNames);
    } else {
        s["FileName"] = nullptr;
    }
    return s;
}

// A rig node by its scenario name: a body bone, one of the first person's,
// or a root.
std::string AnyNode(Random& r) {
    const uint32_t bodyCount = static_cast<uint32_t>(std::size(sim::kBodyBones));
    const uint32_t pick = r.Below(bodyCount + 4);
    if (pick < bodyCount) {
        return sim::kBodyBones[pick].name;
    }
    const char* const others[] = {"BodyRoot", "FirstPersonRoot", "Camera",
                                  "FirstPersonRoot/magicNode"};
    return others[pick - bodyCount];
}

json FrameState(Random& r) {
    json set = json::object();
    auto byte = [&r](uint32_t oneIn) {
        return r.Below(oneIn) == 0 ? static_cast<int>(r.Below(256)) : 0;
    };
    set["player.ThirdPerson"] =
        r.Chance(50) ? 0 : (r.Chance(80) ? 1 : static_cast<int>(r.Below(256)));
    set["player.LookPitch"] = r.Real(-1.6, 1.6);
    set["player.Mount"] = r.Chance(25) ? 1 : 0;
    set["player.RestoreBlockA"] = byte(5);
    set["player.RestoreBlockB"] = byte(5);
    set["player.IsDead"] = r.Chance(10) ? 1 : 0;
    set["player.IsVampireFeeding"] = r.Chance(10) ? 1 : 0;
    set["player.FreeCamera"] = r.Chance(5) ? 1 : 0;
    set["player.QueryShadowState"] = r.Chance(40) ? 1 : 0;
    for (const char* code :
         {"player.QueryCodedState.46", "player.QueryCodedState.47", "player.QueryCodedState.48"}) {
        set[code] = r.Chance(30) ? 1 : 0;
    }
    set["process.KnockoutState"] = r.Chance(15) ? (r.Chance(50) ? 1 : -1) : 0;
    set["process.SitState"] = r.Pick(kSitStates);
    set["process.ActionState"] = r.Pick(kActionStates);
    set["process.WeaponDrawn"] = r.Chance(40) ? 1 : 0;
    set["process.LeftHandItemQuery"] = r.Chance(30) ? 1 : 0;
    set["process.ShieldQuery"] = r.Chance(30) ? 1 : 0;
    set["process.GetFlagWord"] = r.Pick(kFlagWords);
    if (r.Chance(30)) {
        set["process.EquippedWeapon"] =
            r.Chance(20) ? json(nullptr)
                         : json{{"FormType", r.Chance(85) ? 0x21 : 0x20},
                                {"WeaponKind", static_cast<int>(r.Below(8)) - 1}};
    }
    set["BodyAnim.IsIdleAnimAbsent"] = r.Chance(70) ? 1 : 0;
    set["FirstPersonAnim.IsIdleAnimAbsent"] = r.Chance(70) ? 1 : 0;
    for (int slot = 0; slot < 5; ++slot) {
        if (r.Chance(40)) {
            set["BodyAnim.Sequences." + std::to_string(slot)] = Sequence(r);
        }
    }
    set["CameraDetachedByte"] = r.Chance(10) ? 1 : 0;
    set["ChaseCameraDistance"] = r.Chance(20) ? 0.0 : r.Real(-50.0, 800.0);
    set["MenuGateFloat"] = r.Chance(70) ? 0.0 : r.Real(-1.0, 1.0);
    set["interface.IsMenuModeActive"] = r.Chance(20) ? 1 : 0;
    set["interface.IsMenuOpen.1009"] = r.Chance(20) ? 1 : 0;
    set["interface.IsMenuOpen.1034"] = r.Chance(20) ? 1 : 0;

    // Where the game puts the roots and its camera, and some bones turned,
    // scaled, hidden or pinned.
    set["nodes.BodyRoot.LocalTranslation"] = Vector(r, 500.0);
    set["nodes.FirstPersonRoot.LocalTranslation"] = Vector(r, 500.0);
    set["nodes.Camera.LocalTranslation"] = Vector(r, 500.0);
    if (r.Chance(50)) {
        set["nodes.Camera.LocalRotation"] = Rotation(r);
    }
    for (uint32_t n = r.Below(4); n > 0; --n) {
        const std::string node = "nodes." + AnyNode(r);
        switch (r.Below(5)) {
        case 0:
            set[node + ".LocalRotation"] = Rotation(r);
            break;
        case 1:
            set[node + ".LocalScale"] = r.Pick({0.0, 0.5, 1.0, 2.0});
            break;
        case 2:
            set[node + ".Flags"] = static_cast<int>(r.Below(0x10000));
            break;
        case 3:
            set[node + ".World"] = {{"Translation", Vector(r, 300.0)},
                                    {"Rotation", Rotation(r)},
                                    {"Scale", r.Pick({0.0, 1.0, 1.5})}};
            break;
        default:
            set[node + ".World"] = nullptr;
            break;
        }
    }
    json missing = json::array();
    if (r.Chance(25)) {
        for (uint32_t n = 1 + r.Below(3); n > 0; --n) {
            missing.push_back(r.Pick(sim::kMissingNames).name);
        }
    }
    set["missing"] = missing;
    return set;
}

// What the game changes between the sites of a frame (or inside its update
// of the player's body record): a few values of a random state. Objects go
// missing or come back only between sites.
json DuringState(Random& r, bool insideCall) {
    const json all = FrameState(r);
    std::vector<std::string> names;
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (!(insideCall && it.key() == "missing")) {
            names.push_back(it.key());
        }
    }
    json set = json::object();
    for (uint32_t n = 1 + r.Below(4); n > 0; --n) {
        const std::string& name = names[r.Below(static_cast<uint32_t>(names.size()))];
        set[name] = all[name];
    }
    return set;
}

// Another plug-in's call of Lumenfold's interface: holding the body view off
// or giving it back, by one of a few tags (now and then a refused one).
void InterfaceCall(Random& r, json* set) {
    const char* const tags[] = {"Camera", "Dialogue", "Camera", ""};
    const char* const calls[] = {"interface.HoldBodyViewOff", "interface.GiveBodyViewBack"};
    (*set)[r.Pick(calls)] = r.Pick(tags);
}

json During(Random& r) {
    json during = json::object();
    for (int stage = 0; stage < sim::kFrameStageCount; ++stage) {
        // Right before the view the plug-in runs no more: what the game
        // changes there is the game's alone.
        if (static_cast<sim::FrameStage>(stage) == sim::FrameStage::View) {
            continue;
        }
        if (r.Chance(25)) {
            const sim::FrameStage s = static_cast<sim::FrameStage>(stage);
            const bool insideCall = s == sim::FrameStage::Update || s == sim::FrameStage::ShadowPass;
            during[sim::kFrameStageNames[stage]] = DuringState(r, insideCall);
            // Other plug-ins call from their own places between Lumenfold's,
            // not from inside the game's routines that Lumenfold brackets.
            if (!insideCall && r.Chance(10)) {
                InterfaceCall(r, &during[sim::kFrameStageNames[stage]]);
            }
        }
    }
    return during;
}

} // namespace

std::string SoakScenario(uint64_t seed, int frames, sim::FrameOrder order) {
    Random r(seed);
    json doc = json::object();
    doc["description"] = "soak seed " + std::to_string(seed);
    doc["settings"] = SettingsText(r);
    if (order != sim::FrameOrder::Game) {
        doc["frame"] = sim::kFrameOrderNames[static_cast<int>(order)];
    }
    // Now and then another plug-in holds the shadow pass's call.
    if (r.Chance(10)) {
        doc["otherPlugins"] = json::array({r.Pick(sim::kOtherPluginNames)});
    }
    json steps = json::array();
    for (int i = 0; i < frames; ++i) {
        json step = {{"set", FrameState(r)},
                     {"cameraSwitch", r.Pick(kSwitches)},
                     {"drawPlace", r.Pick(sim::kDrawPlaceNames)}};
        if (r.Chance(60)) {
            step["during"] = During(r);
        }
        if (r.Chance(5)) {
            step["settings"] = SettingsText(r); // read again on a message 8, if asked
        }
        if (r.Chance(15)) {
            step["hostMessage"] = json::array({r.Pick({0, 8, 8, 0, 1, 9})});
        }
        if (r.Chance(8)) {
            InterfaceCall(r, &step["set"]);
        }
        steps.push_back(step);
    }
    doc["steps"] = steps;
    return doc.dump(1);
}

} // namespace simtool
