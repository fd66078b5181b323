// The recorded game in the simulated game, for a replay: which object of
// the simulated game stands for each object of the recorded game (known by
// its address there, its token), and the recorded game values of the frame,
// put into the simulated game wherever the recorded game ran.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "record/recording_format.h"
#include "sim/sim_game.h"
#include "tools/sim/recording_read.h"

namespace simtool {

// Each object of the recorded game stands for one object of the simulated
// game: the player, its process, its records and skeletons take the
// standard rig's, by the role in which they first appear; any other object
// gets one of its own.
class World {
  public:
    explicit World(sim::Game& game) : game_(game) {}

    void* Sim(uint32_t token) const;
    // The recorded token of a simulated object; `unknown` for one the
    // recording never named, 0 for none.
    uint32_t Recorded(const void* p, uint32_t unknown) const;
    // Binds a token to `preferred` when both are free, else to a new object
    // that `fresh` makes. Returns what the token stands for (null for 0).
    template <typename Fresh> void* Bind(uint32_t token, void* preferred, Fresh fresh) {
        if (token == 0) {
            return nullptr;
        }
        if (void* bound = Sim(token)) {
            return bound;
        }
        void* target =
            preferred != nullptr && recorded_.count(preferred) == 0 ? preferred : fresh();
        sim_[token] = target;
        recorded_[target] = token;
        return target;
    }
    SceneNode* BindNode(uint32_t token, sim::Node* preferred);
    AnimationRecord* BindRecord(uint32_t token, sim::AnimRecord* preferred);
    // A name for messages: the rig's name of the node ("Bip01 Head",
    // "BodyRoot"), the object's role, or its token.
    std::string NameOf(uint32_t token) const;
    sim::Game& Game() const { return game_; }

  private:
    sim::Game& game_;
    std::map<uint32_t, void*> sim_;
    std::map<const void*, uint32_t> recorded_;
};

// The recorded game values of one block, as noted so far in the frame.
struct Values {
    uint8_t kind;
    uint32_t token;
    uint32_t words[kMaxBlockWords];
};

class RecordedGame {
  public:
    RecordedGame(sim::Game& game, World& world) : game_(game), world_(world) {}

    void NewFrame();
    // A STATE, NAME or WRITE event of the recording: its values from then on.
    void Take(const RecordedEvent& e);
    // Puts every value noted so far into the simulated game.
    void Put();
    const Values* Find(uint8_t kind, uint32_t token) const;

  private:
    Values& Block(uint8_t kind, uint32_t token);
    void TakeWrite(const RecordedEvent& e);
    void PutScalars(const uint32_t* w);
    void PutRecord(const Values& v);
    void PutSequence(const Values& v);
    void PutNode(const Values& v);

    sim::Game& game_;
    World& world_;
    std::vector<Values> blocks_;
    std::map<uint32_t, std::string> names_;
};

} // namespace simtool
