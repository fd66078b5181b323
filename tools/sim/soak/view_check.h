// What the player must see, checked where the game draws it: at the view of
// every frame of the game's order, after the shadow pass. The checker derives
// what the view must show from the settings and the game's state (and the two
// states the plug-in keeps for the frame: its forced mode and its menu
// watch), as a player would tell it, not by calling the plug-in's functions:
//   - the body drawn or not in the world pass;
//   - which of the head, the clavicles, the shield and the left-hand item are
//     collapsed for the view (drawn at world scale 0 while whole themselves);
//   - the game's first-person arms drawn or not in their own pass.
// Also every collision object of the skeletons: never synced during the
// plug-in's own extra updates, never left behind after the game's own.
#pragma once

#include <string>
#include <vector>

#include "settings/settings.h"
#include "tools/sim/scenario/scenario_run.h"

namespace simtool {

class ViewCheck : public FrameObserver {
  public:
    void BeforeFrame(sim::Game& game, const FrameInfo& frame) override;
    void AtStage(sim::Game& game, const FrameInfo& frame, sim::FrameStage stage) override;
    void AfterFrame(sim::Game& game, const FrameInfo& frame) override;

    // "frame 12 (steps[12]): ..." lines, in order.
    std::vector<std::string> problems;

  private:
    // The game's state as the camera update found it.
    struct CameraTime {
        bool seen;
        SettingsRecord settings;
        bool firstPerson, mounted;
        bool idleArms, weaponDrawn, actionSix, leftHandItem, groupsOfHands;
    };
    void Report(const std::vector<std::string>& found, const FrameInfo& frame);

    CameraTime camera_ = {};
    bool afterCamera_ = false; // the first stage behind the camera update passed
    bool watchedMenu_ = false; // the menu watch as the camera update left it
    // Whether another plug-in held the body view off at the camera update,
    // inside the shadow pass (when its second half came), and at any stage.
    bool heldAtCamera_ = false, heldAtShadow_ = false, heldSeen_ = false;
    // The body view stepped aside in first person for want of the shadow
    // pass's second half, as the camera update left it.
    bool aside_ = false;
    bool viewChanged_ = false; // a change of view came after the camera update
    bool missing_ = false;     // the game lacked an object at some stage of the frame
    // The game's state as the shadow pass's second half finds it (inside the
    // pass), the settings and the menu watch with it (a reload by the watch,
    // and the watch's release, come after that half).
    struct ShadowTime {
        bool seen;
        SettingsRecord settings;
        bool menu, firstPerson, firstPath, mounted;
        bool idleArms, weaponDrawn, actionSix, leftHandItem, shield, handsGroup, blockGroup;
    };
    ShadowTime shadow_ = {};
};

} // namespace simtool
