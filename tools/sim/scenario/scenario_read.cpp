// Reading a scenario: JSON text into steps, every name and value checked,
// every problem reported with its place.
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/settings/settings_report.h"

namespace simtool {

namespace {

// The most values (numbers, texts, lists, objects) in a scenario, and how
// deep lists and objects nest: a scenario made from a recording of 3600
// frames holds about 300,000 values, 6 deep.
constexpr size_t kMostScenarioValues = 4000000;
constexpr int kMostScenarioDepth = 64;

class Reader {
  public:
    Reader(const std::string& source, ScenarioError* error) : source_(source), error_(error) {}

    bool Fail(const std::string& where, const std::string& what) {
        error_->message = source_ + ": " + where + (where.empty() ? "" : ": ") + what;
        return false;
    }

    bool Document(const json& doc, Scenario* scenario) {
        if (!doc.is_object()) {
            return Fail("", "a scenario is a JSON object with \"settings\" and \"steps\"");
        }
        scenario->source = source_;
        for (auto it = doc.begin(); it != doc.end(); ++it) {
            if (it.key() == "description") {
                if (!it->is_string()) {
                    return Fail("description", "expects a text");
                }
                scenario->description = it->get<std::string>();
            } else if (it.key() == "settings") {
                if (!SettingsText(*it, "settings", &scenario->settings)) {
                    return false;
                }
            } else if (it.key() == "frame") {
                int order = 0;
                if (!Named(*it, sim::kFrameOrderNames, &order)) {
                    return Fail("frame", "expects \"game\" (the game's own order, the default) "
                                         "or \"design\"");
                }
                scenario->frameOrder = static_cast<sim::FrameOrder>(order);
            } else if (it.key() == "otherPlugins") {
                if (!it->is_array()) {
                    return Fail("otherPlugins", "expects a list of plug-ins (\"trifle\", "
                                                "\"stutter-remover\")");
                }
                for (const json& o : *it) {
                    int which = 0;
                    if (!Named(o, sim::kOtherPluginNames, &which)) {
                        return Fail("otherPlugins", "expects \"trifle\" or \"stutter-remover\", "
                                                    "got " + Describe(o));
                    }
                    scenario->otherPlugins.push_back(static_cast<sim::OtherPlugin>(which));
                }
            } else if (it.key() != "steps") {
                return Fail("", "unknown key " + Describe(it.key()) +
                                    " (description, settings, frame, otherPlugins, steps)");
            }
        }
        const auto steps = doc.find("steps");
        if (steps == doc.end() || !steps->is_array() || steps->empty()) {
            return Fail("steps", "expects a non-empty list of steps");
        }
        // Each step runs a frame at least: a longer list is refused unread.
        const std::string most = std::to_string(kMostFramesPerRun);
        if (steps->size() > static_cast<size_t>(kMostFramesPerRun)) {
            return Fail("steps", "holds " + std::to_string(steps->size()) +
                                     " steps; a run takes at most " + most + " frames");
        }
        int index = 0;
        long long frames = 0;
        for (const json& s : *steps) {
            Step step;
            step.place = "steps[" + std::to_string(index++) + "]";
            if (!ReadStep(s, &step)) {
                return false;
            }
            frames += step.frames;
            scenario->steps.push_back(std::move(step));
        }
        if (frames > kMostFramesPerRun) {
            return Fail("steps", "ask for " + std::to_string(frames) +
                                     " frames in all; a run takes at most " + most);
        }
        return true;
    }

  private:
    // The settings file as one text or a list of lines.
    bool SettingsText(const json& v, const std::string& place, std::string* out) {
        out->clear();
        if (v.is_string()) {
            *out = v.get<std::string>();
        } else if (v.is_array()) {
            for (const json& line : v) {
                if (!line.is_string()) {
                    return Fail(place, "expects lines of text");
                }
                *out += line.get<std::string>() + "\r\n";
            }
        } else {
            return Fail(place, "expects the settings file as a text or a list of lines");
        }
        if (out->size() > kMostSettingsFileBytes) {
            return Fail(place, "holds " + std::to_string(out->size()) +
                                   " bytes, more than a settings file can be (at most " +
                                   std::to_string(kMostSettingsFileBytes >> 20) + " MB)");
        }
        return true;
    }

    bool ReadStep(const json& s, Step* step) {
        if (!s.is_object()) {
            return Fail(step->place, "a step is a JSON object");
        }
        for (auto it = s.begin(); it != s.end(); ++it) {
            const std::string& key = it.key();
            const std::string place = step->place + "." + KeyForPlace(key);
            std::string err;
            if (key == "note") {
                if (!it->is_string()) {
                    return Fail(place, "expects a text");
                }
                step->note = it->get<std::string>();
            } else if (key == "frames") {
                long long n;
                if (!ToInteger(*it, 1, kMaxFramesPerStep, &n, &err)) {
                    return Fail(place, err);
                }
                step->frames = static_cast<int>(n);
            } else if (key == "cameraSwitch") {
                int change = 0;
                if (!Named(*it, sim::kCameraSwitchNames, &change)) {
                    return Fail(place, "expects \"none\", \"decide\", \"sitting\", \"sitting-b\", "
                                       "\"sitting-c\", \"death\", \"direct\" or \"view-key\"");
                }
                step->cameraSwitch = static_cast<sim::CameraSwitch>(change);
            } else if (key == "drawPlace") {
                int place = 0;
                if (!Named(*it, sim::kDrawPlaceNames, &place)) {
                    return Fail(step->place + ".drawPlace",
                                "expects \"before-rendering\" or \"after-actors\"");
                }
                step->drawPlace = static_cast<sim::DrawPlace>(place);
            } else if (key == "hostMessage") {
                // One message type, or a list of them.
                const bool list = it->is_array();
                const size_t count = list ? it->size() : 1;
                for (size_t m = 0; m < count; ++m) {
                    long long type;
                    if (!ToInteger(list ? (*it)[m] : *it, 0, 0xFFFFFFFFLL, &type, &err)) {
                        return Fail(place, err);
                    }
                    step->hostMessages.push_back(static_cast<uint32_t>(type));
                }
            } else if (key == "settings") {
                step->rewritesSettings = true;
                if (!SettingsText(*it, place, &step->settings)) {
                    return false;
                }
            } else if (key == "set") {
                if (!SetValues(*it, place, &step->set)) {
                    return false;
                }
            } else if (key == "during") {
                if (!it->is_object()) {
                    return Fail(place, "expects an object of stages and values");
                }
                for (auto d = it->begin(); d != it->end(); ++d) {
                    int stage = 0;
                    while (stage < sim::kFrameStageCount &&
                           d.key() != sim::kFrameStageNames[stage]) {
                        ++stage;
                    }
                    if (stage == sim::kFrameStageCount) {
                        return Fail(place + "." + KeyForPlace(d.key()),
                                    "unknown stage (actors, switch, body, camera, draws, "
                                    "shadow, shadowPass, update, view)");
                    }
                    if (!SetValues(*d, place + "." + d.key(), &step->during[stage])) {
                        return false;
                    }
                }
            } else if (key == "expect") {
                if (!it->is_object()) {
                    return Fail(place, "expects an object of names and values");
                }
                for (auto f = it->begin(); f != it->end(); ++f) {
                    if (!CheckExpect(f.key(), *f, &err)) {
                        return Fail(place + "." + KeyForPlace(f.key()), err);
                    }
                    step->expect.emplace_back(f.key(), *f);
                }
            } else {
                return Fail(place,
                            "unknown key (note, settings, set, during, cameraSwitch, drawPlace, "
                            "hostMessage, frames, expect)");
            }
        }
        return true;
    }

    // An object of names and values to set, each checked.
    bool SetValues(const json& v, const std::string& place, std::vector<Setting>* out) {
        if (!v.is_object()) {
            return Fail(place, "expects an object of names and values");
        }
        std::string err;
        for (auto f = v.begin(); f != v.end(); ++f) {
            // Checked before it is copied: a value may nest deeply.
            SetTarget target;
            if (!CheckSet(f.key(), *f, &target, &err)) {
                return Fail(place + "." + KeyForPlace(f.key()), err);
            }
            out->push_back(Setting{f.key(), *f, target});
        }
        return true;
    }

    // The index of the name `v` holds in `names`.
    template <size_t N> static bool Named(const json& v, const char* const (&names)[N], int* out) {
        if (!v.is_string()) {
            return false;
        }
        const std::string& s = v.get_ref<const std::string&>();
        for (size_t i = 0; i < N; ++i) {
            if (s == names[i]) {
                *out = static_cast<int>(i);
                return true;
            }
        }
        return false;
    }

    std::string source_;
    ScenarioError* error_;
};

// The JSON library's tree builder, keeping the first problem with its place
// in the text instead of throwing: a syntax error, and also a number too
// large for a double (such as 1e400), which the library reports without a
// place of its own.
//
// It also bounds the tree: a scenario nested deeper, or holding more values,
// than any scenario needs is refused before it takes the memory of its tree
// (a file's worth of "[" would otherwise take some 40 times its size).
class TreeBuilder : public nlohmann::detail::json_sax_dom_parser<json> {
    using Base = nlohmann::detail::json_sax_dom_parser<json>;

  public:
    TreeBuilder(json& root, const std::string& text)
        : json_sax_dom_parser(root, false), text_(text) {}

    bool null() { return Value() && Base::null(); }
    bool boolean(bool v) { return Value() && Base::boolean(v); }
    bool number_integer(json::number_integer_t v) { return Value() && Base::number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { return Value() && Base::number_unsigned(v); }
    bool number_float(json::number_float_t v, const json::string_t& s) {
        return Value() && Base::number_float(v, s);
    }
    bool string(json::string_t& v) { return Value() && Base::string(v); }
    bool binary(json::binary_t& v) { return Value() && Base::binary(v); }
    bool start_object(std::size_t n) { return Open() && Base::start_object(n); }
    bool end_object() { return Close() && Base::end_object(); }
    bool start_array(std::size_t n) { return Open() && Base::start_array(n); }
    bool end_array() { return Close() && Base::end_array(); }
    // Set when the tree was refused for its size (the parse then stops).
    std::string tooLarge;
    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& e) {
        if (problem.empty()) {
            std::string what = e.what();
            const size_t bracket = what.find("] ");
            problem =
                ShortenQuote(bracket != std::string::npos ? what.substr(bracket + 2) : what, token);
            if (problem.find(" at line ") == std::string::npos) {
                // The position is behind the token: name where it begins.
                problem += " at " + Place(position >= token.size() ? position - token.size() : 0);
            }
        }
        return false;
    }
    std::string problem;

  private:
    bool Value() {
        if (++values_ > kMostScenarioValues) {
            tooLarge = "holds more than " + std::to_string(kMostScenarioValues) +
                       " values; no scenario needs so many";
            return false;
        }
        return true;
    }
    bool Open() {
        if (++depth_ > kMostScenarioDepth) {
            tooLarge = "is nested more than " + std::to_string(kMostScenarioDepth) +
                       " levels deep; no scenario needs so many";
            return false;
        }
        return Value();
    }
    bool Close() {
        --depth_;
        return true;
    }
    size_t values_ = 0;
    int depth_ = 0;

    // The library quotes the token it read last ("last read: '...'", or the
    // number that overflowed), which may be a whole long line: that quote is
    // cut to about 60 characters.
    static std::string ShortenQuote(const std::string& message, const std::string& token) {
        constexpr size_t kQuote = 60;
        const size_t at = message.find("'" + token + "'");
        if (token.size() <= kQuote || at == std::string::npos) {
            return message;
        }
        return message.substr(0, at + 1) + token.substr(0, kQuote - 3) + "..." +
               message.substr(at + 1 + token.size());
    }

    // "line L, column C" of the character at `offset` (both from 1).
    std::string Place(std::size_t offset) const {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < offset && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column);
    }
    const std::string& text_;
};

} // namespace

bool ParseScenario(const std::string& text, const std::string& source, Scenario* scenario,
                   ScenarioError* error) {
    Reader reader(source, error);
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return reader.Fail("", std::string(text.empty() ? "is empty" : "holds only blanks") +
                                   "; a scenario is a JSON object with \"settings\" and "
                                   "\"steps\" (docs/scenarios.md)");
    }
    json doc;
    TreeBuilder builder(doc, text);
    const bool parsed = json::sax_parse(text, &builder);
    if (!builder.tooLarge.empty()) {
        return reader.Fail("", builder.tooLarge);
    }
    if (!parsed || !builder.problem.empty()) {
        return reader.Fail("", "not valid JSON: " + builder.problem);
    }
    try {
        return reader.Document(doc, scenario);
    } catch (const json::exception& e) {
        // Every value is checked before it is read; this is a last guard.
        return reader.Fail("", std::string("unexpected value: ") + e.what());
    }
}

} // namespace simtool
