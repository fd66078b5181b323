// The replay's script of the game: the recorded answers of the game's
// queries and the recorded changes of its calls, taken in the recorded
// order, in place of the simulated game's own. A call the recording does not
// have where the plug-in makes it is a divergence: from there on the
// simulated game answers for itself.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "sim/sim_game.h"
#include "tools/sim/replay/replay_world.h"

namespace simtool {

class ReplayScript : public sim::Script {
  public:
    ReplayScript(sim::Game& game, World& world, RecordedGame& recorded)
        : game_(game), world_(world), recorded_(recorded) {}

    // The events of one glue pass: [at, end).
    void Start(const std::vector<RecordedEvent>* events, size_t at, size_t end);
    const std::string& Divergence() const { return divergence_; }
    // Where in the events the plug-in left the recording.
    size_t DivergedAt() const { return divergedAt_; }
    void ClearDivergence() { divergence_.clear(); }
    // Takes the game values at the cursor (a point where the game ran).
    void TakeValues();
    // A site where only the glue decides, entered as the game passed it,
    // with the game values that follow it at the cursor (what its predicate
    // read) taken first.
    void EnterPass(const RecordedEvent& e);
    // The glue pass is over: the plug-in's writes after its last call stand.
    void Finish();

    uint32_t Answer(GameCall call, const void* receiver, uint32_t argument, uint32_t own) override;
    SceneNode* Found(SceneNode* searched, const char* name, SceneNode* own) override;
    void Changed(GameCall call, const void* receiver) override;
    void GameRan(sim::Routine routine) override;

  private:
    const RecordedEvent* Next(EventTag tag, GameCall call, const void* receiver);
    std::string Describe() const;
    void Diverge(const std::string& what);
    SceneNode* RigNode(SceneNode* searched, const char* name);

    sim::Game& game_;
    World& world_;
    RecordedGame& recorded_;
    const std::vector<RecordedEvent>* events_ = nullptr;
    size_t at_ = 0;
    size_t end_ = 0;
    std::string divergence_;
    size_t divergedAt_ = 0;
};

// The address of a site in the game's code, by its row.
uint32_t SiteAddress(uint8_t site);

} // namespace simtool
