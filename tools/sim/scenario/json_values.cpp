#include "tools/sim/scenario/json_values.h"

#include <math.h>

namespace simtool {

namespace {

constexpr size_t kQuoteLength = 60;

} // namespace

std::string Describe(const json& value) {
    if (value.is_array()) {
        return "a list";
    }
    if (value.is_object()) {
        return "an object";
    }
    std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
    if (text.size() > kQuoteLength) {
        text = text.substr(0, kQuoteLength - 3) + "...";
    }
    return text;
}

std::string KeyForPlace(const std::string& key) {
    const std::string quoted = Describe(json(key));
    // Describe quotes a text; a cut one ends in "..." without the closing quote.
    const size_t end =
        quoted.size() >= 2 && quoted.back() == '"' ? quoted.size() - 1 : quoted.size();
    return quoted.substr(1, end - 1);
}

bool ToFloat(const json& v, float* out, std::string* err) {
    if (!v.is_number()) {
        *err = "expects a number, got " + Describe(v);
        return false;
    }
    const double d = v.get<double>();
    if (!(fabs(d) <= 3.4028234663852886e38)) {
        *err = "expects a number a float can hold, got " + Describe(v);
        return false;
    }
    *out = static_cast<float>(d);
    return true;
}

bool ToInteger(const json& v, long long lo, long long hi, long long* out, std::string* err) {
    if (v.is_boolean()) {
        *out = v.get<bool>() ? 1 : 0;
        return true;
    }
    const bool inRange = (v.is_number_unsigned() &&
                          v.get<unsigned long long>() <= static_cast<unsigned long long>(hi) &&
                          static_cast<long long>(v.get<unsigned long long>()) >= lo) ||
                         (v.is_number_integer() && !v.is_number_unsigned() &&
                          v.get<long long>() >= lo && v.get<long long>() <= hi);
    if (!inRange) {
        *err = (v.is_number_integer() ? "expects an integer from " + std::to_string(lo) + " to " +
                                            std::to_string(hi) + ", got "
                                      : std::string("expects an integer, got ")) +
               Describe(v);
        return false;
    }
    *out = v.is_number_unsigned() ? static_cast<long long>(v.get<unsigned long long>())
                                  : v.get<long long>();
    return true;
}

} // namespace simtool
