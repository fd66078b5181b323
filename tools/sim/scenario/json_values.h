// The values of a scenario's JSON as the simulator reads them: numbers that
// fit, and texts quoted short in messages. Nothing here throws.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace simtool {

using json = nlohmann::json;

// A value as a message quotes it: a short number or text, or what it is.
std::string Describe(const json& value);
// A key of the file as a message names its place: control characters
// escaped, cut to about 60 characters, without quotes.
std::string KeyForPlace(const std::string& key);
// A number a float can hold (finite after narrowing); false otherwise.
bool ToFloat(const json& v, float* out, std::string* err);
// An integer (or a boolean, as 0 or 1) in lo..hi.
bool ToInteger(const json& v, long long lo, long long hi, long long* out, std::string* err);

} // namespace simtool
