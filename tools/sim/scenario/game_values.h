// Applying scenario values to the simulated game, and observing it: the
// names of scenario_names.h bound to the game's fields.
#pragma once

#include <string>

#include "sim/sim_game.h"
#include "tools/sim/scenario/scenario.h"

namespace simtool {

// Sets a name that CheckSet accepted.
void ApplySetting(sim::Game& game, const Setting& setting);

// The current value of a name that CheckExpect accepted.
json Observe(sim::Game& game, const std::string& name);

// Whether an expected value matches an observed one: numbers to within
// 0.001, booleans against zero and nonzero, lists element by element.
bool Matches(const json& want, const json& got);

// A node of the rig by its scenario name, found whether or not the game's
// own search would find it.
sim::Node* FindRigNode(sim::Game& game, const std::string& node);

// The body's eye point: the head plus the settings' camera offset, turned by
// the body root and scaled by it.
Vector3 EyePoint(sim::Game& game);
// A short label of the player's state ("standing", "sitting", ...).
std::string PlayerState(sim::Game& game);

json VectorJson(const Vector3& v);
json MatrixJson(const Matrix3& m);

} // namespace simtool
