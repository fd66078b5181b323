// What a recording's frames become in a scenario: the scenario's names of
// the recorded objects, and the recorded outputs as expectations.
#pragma once

#include <stdint.h>

#include <map>
#include <string>

#include "tools/sim/replay/recording_read.h"
#include "tools/sim/replay/recording_words.h"
#include "tools/sim/scenario/scenario.h"

namespace simtool {

// Recorded words as the scenario's numbers.
json Vector(const uint32_t* w);
json Matrix(const uint32_t* w); // nine words, row by row

// The scenario's names of the recorded game's objects, learned from the
// roles in which they appear.
class Names {
  public:
    void Learn(const RecordedEvent& e);
    std::string Of(uint32_t token) const {
        const auto it = names_.find(token);
        return it != names_.end() ? it->second : "";
    }
    std::string RecordOf(uint32_t token) const {
        return token == bodyAnim_ ? "BodyAnim" : token == firstPersonAnim_ ? "FirstPersonAnim" : "";
    }

  private:
    void Name(uint32_t token, const std::string& name) {
        if (token != 0 && names_.count(token) == 0) {
            names_[token] = name;
        }
    }
    std::map<uint32_t, std::string> names_;
    uint32_t bodyAnim_ = 0, firstPersonAnim_ = 0;
};

// What the frame wrote and left, as expectations by the scenario's names.
json ExpectationsOf(const RecordedFrame& frame, const Names& names);

} // namespace simtool
