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
    explicit World(sim::Game& game);

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
    // What the stand-ins of a replay may take, counted against the file:
    // kStandInBytesPerFileByte for each byte of the recording, and
    // kStandInAllowance besides. A recording of the game names the same
    // few dozen objects in every frame; a file that names more runs out.
    static constexpr size_t kStandInBytesPerFileByte = 4;
    static constexpr size_t kStandInAllowance = 1u << 20;
    // What one token's binding takes besides its object (the two maps' entries).
    static constexpr size_t kBindingBytes = 64;
    // The replay of a file of `fileBytes` bytes.
    void AllowFor(size_t fileBytes);
    // The bytes the stand-ins take now, as counted against the allowance.
    size_t StandInBytes() const;

    void* Sim(uint32_t token) const;
    // The recorded token of a simulated object; `unknown` for one the
    // recording never named, 0 for none.
    uint32_t Recorded(const void* p, uint32_t unknown) const;
    // Binds a token to `preferred` when both are free, else to a new object
    // that `fresh` makes. Returns what the token stands for: null for 0.
    // Where the file is unplayable (a token bound already to an object of
    // another kind, or more objects than the file affords; Problem() says
    // so, and the replay stops at the frame's end), `preferred` stands in
    // unbound, or null where there is none.
    template <typename Fresh> void* Bind(uint32_t token, Kind kind, void* preferred, Fresh fresh) {
        if (token == 0) {
            return nullptr;
        }
        const auto it = sim_.find(token);
        if (it != sim_.end()) {
            if (it->second.kind != kind) {
                NoteProblem(token, it->second.kind, kind);
                return preferred;
            }
            return it->second.object;
        }
        if (!Affords()) {
            return preferred;
        }
        void* target =
            preferred != nullptr && recorded_.count(preferred) == 0 ? preferred : fresh();
        sim_[token] = Bound{target, kind};
        recorded_[target] = token;
        return target;
    }
    // What made the recording unplayable so far (empty: nothing): a token
    // of two kinds, more objects than the file affords, a node linked into
    // a cycle; and the byte of the event that did it (0: not known, the
    // frame's).
    const std::string& Problem() const { return problem_; }
    uint32_t ProblemAt() const { return problemAt_; }
    void NoteProblemAt(uint32_t at, const std::string& problem);
    // The event whose values are being put into the game, for the place of
    // a problem.
    void PuttingFrom(uint32_t at) { putting_ = at; }
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
    // Whether one more token and the largest object a token makes stay
    // within the allowance; notes the problem where not.
    bool Affords();

    sim::Game& game_;
    std::map<uint32_t, Bound> sim_;
    std::map<const void*, uint32_t> recorded_;
    std::string problem_;
    uint32_t problemAt_ = 0;
    uint32_t putting_ = 0;
    size_t allowance_ = kStandInAllowance;
    size_t rigBytes_ = 0; // the standard rig's objects, which are no stand-ins
};

// The recorded game values of one block, as noted so far in the frame.
struct Values {
    uint8_t kind;
    uint32_t token;
    uint32_t words[kMaxBlockWords];
    uint32_t at;     // the byte of the event that noted it last
    uint32_t linkAt; // of the event that noted a node's parent or first child last
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
    // Whether the values put into the game so far in this frame held the
    // process's WeaponDrawn and the byte after it different at some point
    // where the logic reads them (a site or a call's return).
    bool WeaponBytesDiffered() const { return weaponBytesDiffered_; }

  private:
    Values& Block(uint8_t kind, uint32_t token);
    void TakeWrite(const RecordedEvent& e);
    void PutScalars(const uint32_t* w);
    void PutRecord(const Values& v);
    void PutSequence(const Values& v);
    void PutNode(const Values& v);
    // Whether linking node `n` to `parent` and `child` keeps every node off
    // its own ancestors and descendants; notes the problem where not.
    bool Links(const Values& v, SceneNode* n, SceneNode* parent, SceneNode* child);

    sim::Game& game_;
    World& world_;
    std::vector<Values> blocks_;
    std::map<uint32_t, std::string> names_;
    bool weaponBytesDiffered_ = false;
};

} // namespace simtool
