#include "tests/second_plugin/session.h"

#include <stdio.h>

#include "sim/frame_driver.h"

namespace {

constexpr uint32_t kNoAnswer = 0xFFFFFFFFu;
constexpr int kForcedSkipRow = 5;
constexpr const char* kTag = "SecondPlugin";

class Session {
  public:
    Session(sim::Game& game, sim::Host& host, const SecondPluginCalls& second,
            const SessionCheck& check)
        : game_(game), host_(host), second_(second), check_(check) {}

    void Check(bool ok, const std::string& what) { check_(ok, "second plug-in: " + what); }

    SecondPluginReport Report() {
        SecondPluginReport r;
        second_.report(&r);
        return r;
    }

    // A frame; then the state the second plug-in reads, and the messages of a
    // change it got in the frame: one telling `told`, or none (0).
    void Frame(sim::CameraSwitch change, uint32_t state, uint32_t told, const std::string& what) {
        const uint32_t before = Report().changes;
        sim::ClearSitesPassed();
        sim::RunFrame(game_, sim::StandardLoad(game_), change);
        LumenfoldBodyView v;
        Check(second_.state(&v) == LUMENFOLD_OK, what + ": it reads the state");
        char text[160];
        snprintf(text, sizeof text, "%s: the state is %u (wanted %u)", what.c_str(), v.state,
                 state);
        Check(v.state == state, text);
        const SecondPluginReport r = Report();
        snprintf(text, sizeof text, "%s: %u messages of a change (wanted %d)", what.c_str(),
                 r.changes - before, told != 0 ? 1 : 0);
        Check(r.changes - before == (told != 0 ? 1u : 0u), text);
        if (told != 0) {
            snprintf(text, sizeof text, "%s: the message tells the state %u (wanted %u)",
                     what.c_str(), r.lastChange.state, told);
            Check(r.lastChange.state == told &&
                      (told != state || r.lastChange.on == v.on),
                  text);
        }
    }

    bool CameraIsTheGames() const {
        const Vector3& c = game_.view.cameraTranslation;
        const Vector3& g = game_.cameraPlacement;
        return c.x == g.x && c.y == g.y && c.z == g.z;
    }
    // Whatever glue holds the site (this build's, or the real DLL's): the
    // game's camera collision skipped under a forced mode.
    bool ForcedSkipTaken() const {
        return sim::SitesPassed().resumedAlternate[kForcedSkipRow] != 0;
    }

    void Run() {
        const SecondPluginReport found = Report();
        Check(found.foundLumenfold != 0, "its listener for Lumenfold is taken at message 0");
        Check(found.answers == 1 && found.lastResult == LUMENFOLD_OK,
              "its request at message 9 is answered with the table");
        Check(found.hasTable != 0 && found.tableVersion == LUMENFOLD_INTERFACE_VERSION,
              "the table's version is 1");
        Check(second_.request(7, sizeof(LumenfoldRequest)) == LUMENFOLD_UNKNOWN_VERSION,
              "a request for version 7 is answered with none");
        Check(second_.request(1, 2) == LUMENFOLD_SHORT_RECORD, "a short request is refused");
        Check(second_.request(1, -1) == LUMENFOLD_NO_DATA, "a request without data is refused");
        Check(second_.queryExport(1) == LUMENFOLD_OK,
              "the exported function gives the same table");
        Check(second_.queryExport(0) == LUMENFOLD_UNKNOWN_VERSION,
              "the exported function refuses version 0");

        // The state over standing, sitting, a menu and third person.
        game_.cameraPlacement = {5, 6, 160};
        Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_STANDING, LUMENFOLD_STATE_STANDING, "standing");
        Check(!CameraIsTheGames() && game_.view.bodyDrawn && game_.view.headScale == 0.0f,
              "standing: the body view (head bob places the camera)");
        Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_STANDING, 0, "standing still");
        game_.process->obj.SitState = 3;
        game_.player->obj.ThirdPerson = 1;
        Frame(sim::CameraSwitch::Sitting, LUMENFOLD_STATE_SITTING, LUMENFOLD_STATE_SITTING, "sitting");
        game_.interface->menuModeActive = 1;
        game_.interface->openMenu1009 = 1;
        Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_MENU, LUMENFOLD_STATE_MENU, "a menu");
        game_.interface->menuModeActive = 0;
        game_.interface->openMenu1009 = 0;
        Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_SITTING, LUMENFOLD_STATE_SITTING, "the menu closed");
        game_.process->obj.SitState = 0;
        Frame(sim::CameraSwitch::Direct, LUMENFOLD_STATE_OFF_THIRD_PERSON, LUMENFOLD_STATE_OFF_THIRD_PERSON, "third person");
        game_.player->obj.ThirdPerson = 0;
        Frame(sim::CameraSwitch::Direct, LUMENFOLD_STATE_STANDING, LUMENFOLD_STATE_STANDING, "first person again");

        // Held off for some frames: nothing of the body view in them.
        Check(second_.hold(kTag) == LUMENFOLD_OK, "it holds the body view off");
        for (int i = 0; i < 3; ++i) {
            const std::string frame = "held frame " + std::to_string(i);
            Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_OFF_HELD, (i == 0 ? LUMENFOLD_STATE_OFF_HELD : 0u), frame);
            Check(CameraIsTheGames(), frame + ": no camera write");
            Check(game_.view.headScale != 0.0f && game_.view.leftClavicleScale != 0.0f,
                  frame + ": no collapsed node");
            Check(!game_.view.bodyDrawn && game_.view.firstPersonDrawn,
                  frame + ": the game's first person");
            Check(!ForcedSkipTaken(), frame + ": no forced mode");
        }
        game_.process->obj.SitState = 3;
        game_.player->obj.ThirdPerson = 1;
        Frame(sim::CameraSwitch::Sitting, LUMENFOLD_STATE_OFF_HELD, 0, "sitting down held");
        Check(CameraIsTheGames() && !ForcedSkipTaken(),
              "sitting down held: the game's third person, no forced mode");
        Check(Report().lastChange.holders == 1, "the message counts one holder");
        Check(second_.hold(kTag) == LUMENFOLD_ALREADY_HELD, "taking twice counts once");
        Check(second_.giveBack(kTag) == LUMENFOLD_OK, "it gives the body view back");
        Check(second_.giveBack(kTag) == LUMENFOLD_NOT_HELD, "giving back twice says so");
        Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_SITTING, LUMENFOLD_STATE_SITTING, "given back");
        Check(!CameraIsTheGames(), "given back: the camera at the head at the next frame");
        Check(game_.view.bodyDrawn, "given back: the body drawn at the next frame");
        Check(ForcedSkipTaken(), "given back: the forced mode back, sitting as it was");

        // A hold from inside a message of a change: no message inside it,
        // the change told at the end of the next frame.
        second_.holdInside("Inside");
        game_.process->obj.SitState = 0;
        game_.player->obj.ThirdPerson = 0;
        Frame(sim::CameraSwitch::Direct, LUMENFOLD_STATE_OFF_HELD, LUMENFOLD_STATE_STANDING,
              "standing up");
        const SecondPluginReport inside = Report();
        Check(inside.insideResult == LUMENFOLD_OK && inside.messagesInside == 0,
              "a hold from inside a message: taken, and no message inside it");
        Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_OFF_HELD, LUMENFOLD_STATE_OFF_HELD, "the hold told");
        Check(second_.giveBack("Inside") == LUMENFOLD_OK, "the inside hold is given back");
        Frame(sim::CameraSwitch::None, LUMENFOLD_STATE_STANDING, LUMENFOLD_STATE_STANDING, "standing again");

        Check(second_.tune("fCameraPosZ", "16") == LUMENFOLD_OK, "it tunes fCameraPosZ");
        Check(second_.tune("bEnableFirstPersonBody", "0") == LUMENFOLD_NOT_TUNABLE,
              "a key of the start of the game is not tuned");
    }

  private:
    sim::Game& game_;
    sim::Host& host_;
    const SecondPluginCalls& second_;
    const SessionCheck& check_;
};

} // namespace

void RunSecondPluginSession(sim::Game& game, sim::Host& host, PluginQueryFn lumenfoldQuery,
                            PluginLoadFn lumenfoldLoad, const SecondPluginCalls& second,
                            const SessionCheck& check) {
    // The host queries and loads each plug-in in turn, OBSE_Lumenfold.dll
    // before SecondPlugin.dll, then sends its messages 0 and 9 to all.
    PluginInfo info;
    host.Loading(host.pluginHandle);
    check(lumenfoldQuery(&host.record, &info) && lumenfoldLoad(&host.record),
          "second plug-in: Lumenfold loads");
    const uint32_t handle = host.AddPlugin("SecondPlugin");
    host.Loading(handle);
    check(second.query(&host.record, &info) && second.load(&host.record),
          "second plug-in: it loads");
    host.Send(kMessagePostLoad);
    host.Send(kMessagePostPostLoad);
    Session(game, host, second, check).Run();
}
