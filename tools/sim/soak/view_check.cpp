#include "tools/sim/soak/view_check.h"

#include <string.h>

#include "patch/load_sequence.h"
#include "sim/rig.h"
#include "view/view_state.h"

namespace simtool {

namespace {

constexpr uint32_t kShadowCodeA = 46, kShadowCodeB = 47;
constexpr uint8_t kIdleAbsent = 0x01;
constexpr int16_t kActionSix = 6;
constexpr uint8_t kGroupHandsFirst = 34, kGroupHandsLast = 39;
constexpr uint8_t kGroupBlockFirst = 17, kGroupBlockLast = 18;

bool GroupPlays(const sim::Game& g, uint8_t lo, uint8_t hi) {
    for (const AnimSequence* s : g.bodyAnim->rec.Sequences) {
        if (s != nullptr && s->GroupInfo != nullptr && s->GroupInfo->GroupId >= lo &&
            s->GroupInfo->GroupId <= hi) {
            return true;
        }
    }
    return false;
}

bool FirstPerson(const sim::Game& g) {
    return g.player->obj.ThirdPerson == 0 && CameraDetachedByte() == 0;
}

// Collapsed for the view by a write of its own: drawn at world scale 0 while
// its own scale and its parent's are whole. A part under a collapsed (or
// pinned) node tells nothing of itself.
enum class Part { Whole, Collapsed, Unknown };
Part PartSeen(const sim::Node* n) {
    const SceneNode& s = n->node;
    if (n->frozen || s.Parent == nullptr || s.Parent->WorldScale == 0.0f || s.LocalScale == 0.0f) {
        return Part::Unknown;
    }
    return s.WorldScale == 0.0f ? Part::Collapsed : Part::Whole;
}

std::string Said(bool b) {
    return b ? "yes" : "no";
}

} // namespace

void ViewCheck::BeforeFrame(sim::Game& game, const FrameInfo&) {
    missing_ = game.Missing() != 0;
    camera_ = CameraTime{};
    shadow_ = ShadowTime{};
    afterCamera_ = false;
    viewChanged_ = false;
    heldAtCamera_ = false;
    heldAtShadow_ = false;
    heldSeen_ = BodyViewHeld != 0;
    aside_ = false;
}

void ViewCheck::AtStage(sim::Game& game, const FrameInfo&, sim::FrameStage stage) {
    if (game.frameOrder != sim::FrameOrder::Game) {
        return;
    }
    missing_ = missing_ || game.Missing() != 0;
    heldSeen_ = heldSeen_ || BodyViewHeld != 0;
    if (stage == sim::FrameStage::Camera) {
        heldAtCamera_ = BodyViewHeld != 0;
        camera_.seen = game.player->obj.FreeCamera == 0;
        camera_.firstPerson = FirstPerson(game);
        camera_.mounted = game.player->obj.Mount != nullptr;
        camera_.idleArms = (game.fpAnim->idleAbsentResult & kIdleAbsent) == 0;
        const ProcessObject& p = game.process->obj;
        camera_.weaponDrawn = p.WeaponDrawn != 0;
        camera_.actionSix = p.ActionState == kActionSix;
        camera_.leftHandItem = game.process->leftHandItem != 0;
        camera_.groupsOfHands = GroupPlays(game, kGroupHandsFirst, kGroupHandsLast) ||
                                GroupPlays(game, kGroupBlockFirst, kGroupBlockLast);
        return;
    }
    if (stage == sim::FrameStage::ShadowPass) {
        heldAtShadow_ = BodyViewHeld != 0;
        const sim::Player& player = *game.player;
        const ProcessObject& p = game.process->obj;
        shadow_.seen = true;
        shadow_.settings = Settings;
        shadow_.menu = WatchedMenuOpen != 0;
        shadow_.firstPerson = FirstPerson(game);
        shadow_.firstPath = player.shadowState != 0 && (player.codedState[kShadowCodeA] != 0 ||
                                                        player.codedState[kShadowCodeB] != 0);
        shadow_.mounted = player.obj.Mount != nullptr;
        shadow_.idleArms = (game.fpAnim->idleAbsentResult & kIdleAbsent) == 0;
        shadow_.weaponDrawn = p.WeaponDrawn != 0;
        shadow_.actionSix = p.ActionState == kActionSix;
        shadow_.leftHandItem = game.process->leftHandItem != 0;
        shadow_.shield = game.process->shield != 0;
        shadow_.handsGroup = GroupPlays(game, kGroupHandsFirst, kGroupHandsLast);
        shadow_.blockGroup = GroupPlays(game, kGroupBlockFirst, kGroupBlockLast);
    }
    if (camera_.seen && !afterCamera_ &&
        (stage == sim::FrameStage::Switch || stage == sim::FrameStage::Draws ||
         stage == sim::FrameStage::Shadow)) {
        afterCamera_ = true;
        camera_.settings = Settings; // a reload at the camera update comes before its rules
        watchedMenu_ = WatchedMenuOpen != 0;
        aside_ = FrameChoresAtCamera != 0 && ForcedBodyMode == kForcedModeNone &&
                 camera_.firstPerson && BodyViewHeld == 0;
        viewChanged_ = stage == sim::FrameStage::Switch;
    }
}

void ViewCheck::AfterFrame(sim::Game& game, const FrameInfo& frame) {
    if (game.frameOrder != sim::FrameOrder::Game || game.view.frame != game.frame) {
        return;
    }
    std::vector<std::string> found;
    // Collision objects, whatever else the frame held.
    for (const sim::Collision& c : game.Collisions()) {
        const sim::Node* n = c.node;
        if (c.syncsDuringExtraUpdates != 0) {
            found.push_back(std::string(n->name) +
                            ": its collision object was synced during the plug-in's own update");
            break;
        }
        const SceneNode& s = n->node;
        const bool behind = memcmp(&c.rotation, &s.WorldRotation, sizeof(Matrix3)) != 0 ||
                            memcmp(&c.translation, &s.WorldTranslation, sizeof(Vector3)) != 0 ||
                            memcmp(&c.scale, &s.WorldScale, sizeof(float)) != 0;
        if (behind && !n->frozen && !n->behindSinceExtraUpdate) {
            found.push_back(std::string(n->name) +
                            ": its collision object was left behind after the game's update");
            break;
        }
    }

    // What the view shows needs the whole player all through the frame;
    // changes the game made right before the view are its own, and so are
    // nodes it moved, scaled or pinned between two sites (their children
    // keep the world fields of their last update).
    const Step* step = frame.what;
    bool nodesMoved = false;
    for (const std::vector<Setting>& stage : step->during) {
        for (const Setting& change : stage) {
            nodesMoved = nodesMoved || change.name.compare(0, 6, "nodes.") == 0;
        }
    }
    if (missing_ || game.Missing() != 0 || nodesMoved ||
        !step->during[static_cast<int>(sim::FrameStage::View)].empty()) {
        Report(found, frame);
        return;
    }
    const sim::ViewSeen& v = game.view;
    const ShadowTime& t = shadow_;
    // Held off through the frame, the view is the game's own: nothing of the
    // body view in it (nothing collapsed, the camera where the game put it);
    // the skeletons as the game leaves them.
    heldSeen_ = heldSeen_ || BodyViewHeld != 0;
    const bool held = heldAtCamera_ && heldAtShadow_ && BodyViewHeld != 0;
    const bool secondPath =
        t.seen && LateSiteWritten != 0 && !t.firstPath && t.firstPerson && !heldAtShadow_;
    if (held && camera_.seen && !viewChanged_ && !game.camera->frozen) {
        const Vector3& c = v.cameraTranslation;
        const Vector3& g = game.cameraPlacement;
        if (c.x != g.x || c.y != g.y || c.z != g.z) {
            found.push_back("the view is drawn from a camera the body view placed, while held off");
        }
    }
    // What the game changes inside the updates of the body's record it also
    // changes between the two calls of the second half that collapse and
    // restore: the parts then tell nothing of the rules.
    const bool changedInUpdates = !step->during[static_cast<int>(sim::FrameStage::Update)].empty();

    // The parts collapsed for the view: by the shadow pass's second half, in
    // the game's first person, with the state and settings it ran with.
    if (changedInUpdates) {
        // nothing to compare
    } else if (secondPath) {
        const SettingsRecord& s = t.settings;
        bool left = false, right = false;
        if (s.bUseThirdPersonArms != 0 || (t.mounted && s.bHorseFirstPersonBody == 1)) {
            left = right = t.idleArms;
        } else if (s.bVisibleArmsWeaponSheathed == 0 || t.weaponDrawn || t.handsGroup ||
                   t.blockGroup || t.idleArms) {
            left = right = true;
        } else {
            left = t.actionSix || t.leftHandItem;
        }
        const struct {
            const sim::Node* node;
            bool collapsed;
        } parts[] = {
            {game.bodyHead, s.bEnableHeadFirstPerson == 0 || t.menu},
            {game.lClavicle, left},
            {game.rClavicle, right},
            {game.shield, s.bHideShieldWeaponSheathed != 0 && t.shield && !t.weaponDrawn &&
                              !t.actionSix && !t.blockGroup},
            {game.leftHandItem, t.mounted && s.bHorseFirstPersonBody != 1 && t.leftHandItem},
        };
        for (const auto& part : parts) {
            const Part seen = PartSeen(part.node);
            if (seen != Part::Unknown && (seen == Part::Collapsed) != part.collapsed) {
                found.push_back(std::string("the view shows ") + part.node->name +
                                (part.collapsed ? " whole, where it must be collapsed"
                                                : " collapsed, where it must be whole"));
            }
        }
    } else {
        for (const sim::Node* n :
             {game.bodyHead, game.lClavicle, game.rClavicle, game.shield, game.leftHandItem}) {
            if (PartSeen(n) == Part::Collapsed) {
                found.push_back(std::string("the view shows ") + n->name +
                                " collapsed without the shadow pass's second half");
            }
        }
    }

    // The skeletons' visibility as the camera update set it, where nothing
    // came after it: no change of view, no change of the game's after it,
    // and none inside the updates of the body's record (which the camera
    // update's own extra update makes: the state its rules read is then not
    // the one seen before it).
    bool later = viewChanged_ || changedInUpdates;
    for (sim::FrameStage s :
         {sim::FrameStage::Draws, sim::FrameStage::Shadow, sim::FrameStage::ShadowPass}) {
        later = later || !step->during[static_cast<int>(s)].empty();
    }
    const SettingsRecord& s = camera_.settings;
    if (afterCamera_ && !later && s.bEnableFirstPersonBody != 0 && !heldSeen_) {
        const CameraTime& c = camera_;
        bool bodyHidden =
            watchedMenu_ || aside_ || (c.firstPerson && c.mounted && s.bHorseFirstPersonBody == 0);
        if (secondPath && t.mounted && t.settings.bHorseFirstPersonBody == 0) {
            bodyHidden = true; // hidden again after the body cast its shadow
        }
        if (v.bodyDrawn == bodyHidden) {
            found.push_back("the view " + std::string(v.bodyDrawn ? "shows" : "hides") +
                            " the body (menu watched: " + Said(watchedMenu_) + ", first person: " +
                            Said(c.firstPerson) + ", mounted: " + Said(c.mounted) + ")");
        }
        const bool handsIdle =
            !c.weaponDrawn && !c.groupsOfHands && !c.actionSix && !c.leftHandItem;
        const bool otherHorse = c.mounted && s.bHorseFirstPersonBody != 1;
        int armsShown = -1; // unknown: left as the change of view set it
        if (aside_) {
            armsShown = 1; // the game's own first person
        } else if (s.bUseThirdPersonArms != 0) {
            armsShown = c.firstPerson && (c.idleArms || otherHorse);
        } else if (s.bVisibleArmsWeaponSheathed == 1) {
            armsShown = c.firstPerson && ((!c.mounted && !handsIdle) || c.idleArms || otherHorse);
        } else if (c.firstPerson) {
            armsShown = !(c.mounted && s.bHorseFirstPersonBody == 1);
        }
        if (armsShown >= 0 && v.firstPersonPass && v.firstPersonDrawn != (armsShown != 0)) {
            found.push_back(std::string("the view ") +
                            (v.firstPersonDrawn ? "draws" : "leaves out") +
                            " the game's first-person arms");
        }
    }
    Report(found, frame);
}

void ViewCheck::Report(const std::vector<std::string>& found, const FrameInfo& frame) {
    for (const std::string& f : found) {
        problems.push_back("frame " + std::to_string(frame.frame) + " (" + frame.what->place +
                           "): " + f);
    }
}

} // namespace simtool
