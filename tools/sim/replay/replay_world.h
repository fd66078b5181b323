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
#include "tools/sim/replay/recording_read.h"

namespace simtool {

// Each object of the recorded game stands for one object of the simulated
// game: the player, its process, its records and skeletons take the
// standard rig's, by the role in which they first appear; any other object
// gets one of its own.
class World {
  public:
    explicit World(sim::Game& game) : game_(game) {}

    // What an object of the recorded game is: a token stands for one kind
    // only.
    enum class Kind : uint8_t {
        Player,
        Process,
        Actor,
        Node,
        Record,
        Sequence,
        FileName,
        GroupInfo,
        Weapon,
        Form,
        Draw,
        Interface,
    };
    // The most objects a replay makes stand-ins for: far more than a game's
    // recording names, few enough that any file replays in bounded memory.
    static constexpr size_t kMaxObjects = 65536;

    void* Sim(uint32_t token) const;
    // The recorded token of a simulated object; `unknown` for one the
    // recording never named, 0 for none.
    uint32_t Recorded(const void* p, uint32_t unknown) const;
    // Binds a token to `preferred` when both are free, else to a new object
    // that `fresh` makes. Returns what the token stands for: null for 0, and
    // for a token bound already to an object of another kind (the file is
    // then inconsistent, and Problem() says so).
    template <typename Fresh> void* Bind(uint32_t token, Kind kind, void* preferred, Fresh fresh) {
        if (token == 0) {
            return nullptr;
        }
        const auto it = sim_.find(token);
        if (it != sim_.end()) {
            if (it->second.kind != kind) {
                NoteProblem(token, it->second.kind, kind);
                return nullptr;
            }
            return it->second.object;
        }
        void* target =
            preferred != nullptr && recorded_.count(preferred) == 0 ? preferred : fresh();
        sim_[token] = Bound{target, kind};
        recorded_[target] = token;
        return target;
    }
    // What made the recording unplayable so far (empty: nothing): a token
    // of two kinds, or more objects than kMaxObjects.
    const std::string& Problem() const { return problem_; }
    size_t Objects() const { return sim_.size(); }
    SceneNode* BindNode(uint32_t token, sim::Node* preferred);
    AnimationRecord* BindRecord(uint32_t token, sim::AnimRecord* preferred);
    // A name for messages: the rig's name of the node ("Bip01 Head",
    // "BodyRoot"), the object's role, or its token.
    std::string NameOf(uint32_t token) const;
    sim::Game& Game() const { return game_; }

  private:
    struct Bound {
        void* object;
        Kind kind;
    };
    void NoteProblem(uint32_t token, Kind was, Kind now);

    sim::Game& game_;
    std::map<uint32_t, Bound> sim_;
    std::map<const void*, uint32_t> recorded_;
    std::string problem_;
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
