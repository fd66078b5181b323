#include "tools/sim/replay/replay_compare.h"

#include <math.h>
#include <string.h>

#include "settings/settings.h"
#include "tools/sim/replay/recording_words.h"

namespace simtool {

namespace {

constexpr uint32_t kNotRecorded = 0xFFFFFFFFu;
constexpr size_t kMostFedBy = 24;

// Two words of the same meaning: objects through the map (the replayed one
// is a simulated object), floats bit for bit or within the tolerance.
bool SameWord(WordType type, uint32_t recorded, uint32_t replayed, const World& world,
              double tolerance) {
    switch (type) {
    case WordType::Object:
        return world.Recorded(reinterpret_cast<const void*>(static_cast<uintptr_t>(replayed)),
                              kNotRecorded) == recorded;
    case WordType::Float:
        if (recorded == replayed) {
            return true;
        }
        return tolerance > 0 && fabs(static_cast<double>(Float(recorded)) -
                                     static_cast<double>(Float(replayed))) <= tolerance;
    case WordType::Integer:
        return recorded == replayed;
    }
    return false;
}

std::string WordText(WordType type, uint32_t w, const World& world) {
    switch (type) {
    case WordType::Object:
        return world.NameOf(w);
    case WordType::Float:
        return FloatText(w);
    case WordType::Integer:
        return std::to_string(static_cast<int32_t>(w));
    }
    return "";
}

std::string WordsText(WordType type, const uint32_t* w, int count, const World& world) {
    if (count == 1) {
        return WordText(type, w[0], world);
    }
    std::string out = "(";
    for (int i = 0; i < count; ++i) {
        out += (i == 0 ? "" : ", ") + WordText(type, w[i], world);
    }
    return out + ")";
}

// The replayed event's objects, named by what they stand for.
uint32_t AsRecorded(uint32_t replayed, const World& world) {
    return world.Recorded(reinterpret_cast<const void*>(static_cast<uintptr_t>(replayed)),
                          kNotRecorded);
}

std::string BlockName(uint8_t kind, uint32_t token, const World& world) {
    return kind == kBlockScalars ? "" : world.NameOf(token) + ".";
}

// The first word where the two differ, or -1.
int FirstDifferingWord(const RecordedEvent& r, const RecordedEvent& p, const World& world,
                       double tolerance) {
    const size_t n = r.words.size() < p.words.size() ? r.words.size() : p.words.size();
    for (size_t i = 0; i < n; ++i) {
        WordType type = WordType::Integer;
        if (r.tag == kEventState) {
            type = BlockWord(r.code, static_cast<int>(r.b + i)).type;
        } else if (r.tag == kEventWrite) {
            type = WrittenFieldIsFloat(r.code) ? WordType::Float : WordType::Integer;
        } else if (r.tag == kEventSettings) {
            if (i < static_cast<size_t>(kSettingsKeyCount) &&
                kSettingsKeys[i].offset == offsetof(SettingsRecord, iRecordFrames)) {
                continue; // the replay's own recording is smaller
            }
            type = i < static_cast<size_t>(kSettingsKeyCount) && kSettingsKeys[i].isFloat
                       ? WordType::Float
                       : WordType::Integer;
        }
        if (!SameWord(type, r.words[i], p.words[i], world, tolerance)) {
            return static_cast<int>(i);
        }
    }
    return r.words.size() == p.words.size() ? -1 : static_cast<int>(n);
}

bool SameEvent(const RecordedEvent& r, const RecordedEvent& p, const World& world,
               double tolerance) {
    if (r.tag != p.tag || r.code != p.code) {
        return false;
    }
    const auto object = [&world](uint32_t rec, uint32_t rep) {
        return rec == AsRecorded(rep, world);
    };
    switch (r.tag) {
    case kEventSite:
        return object(r.a, p.a) && (IsPassSite(r.code) ? r.b == p.b : object(r.b, p.b));
    case kEventState:
        return object(r.a, p.a) && r.b == p.b && FirstDifferingWord(r, p, world, tolerance) < 0;
    case kEventName:
        return object(r.a, p.a) && r.text == p.text;
    case kEventAnswer:
        return object(r.a, p.a) && r.b == p.b &&
               (r.code == kCallFindChildByName || r.code == kCallGetInterfaceObject
                    ? object(r.c, p.c)
                    : r.c == p.c);
    case kEventCall:
        return object(r.a, p.a) && r.b == p.b;
    case kEventWrite:
        return object(r.a, p.a) && FirstDifferingWord(r, p, world, tolerance) < 0;
    case kEventView:
        return ViewFieldIsFloat(r.code) ? SameWord(WordType::Float, r.a, p.a, world, tolerance)
                                        : r.a == p.a;
    case kEventMessage:
        return r.a == p.a;
    case kEventSettings:
    case kEventHold:
        return FirstDifferingWord(r, p, world, tolerance) < 0;
    default:
        return true;
    }
}

// The replayed event in the recording's terms, for the report.
RecordedEvent InRecordedTerms(const RecordedEvent& p, const World& world) {
    RecordedEvent e = p;
    const auto map = [&world](uint32_t v) { return AsRecorded(v, world); };
    switch (p.tag) {
    case kEventSite:
        e.a = map(p.a);
        e.b = IsPassSite(p.code) ? p.b : map(p.b);
        break;
    case kEventState:
        e.a = map(p.a);
        for (size_t i = 0; i < e.words.size(); ++i) {
            if (BlockWord(p.code, static_cast<int>(p.b + i)).type == WordType::Object) {
                e.words[i] = map(p.words[i]);
            }
        }
        break;
    case kEventAnswer:
        e.a = map(p.a);
        if (p.code == kCallFindChildByName || p.code == kCallGetInterfaceObject) {
            e.c = map(p.c);
        }
        break;
    case kEventName:
    case kEventCall:
    case kEventWrite:
        e.a = map(p.a);
        break;
    default:
        break;
    }
    return e;
}

bool IsInput(uint8_t tag) {
    return tag == kEventState || tag == kEventName || tag == kEventAnswer;
}

} // namespace

std::string DescribeEvent(const RecordedEvent& e, const World& world) {
    switch (e.tag) {
    case kEventSite:
        return SiteLabel(e.code) + (IsPassSite(e.code)
                                        ? " decided " + std::to_string(e.b)
                                        : (e.a != 0 ? " of " + world.NameOf(e.a) : ""));
    case kEventState: {
        std::string out;
        for (size_t i = 0; i < e.words.size();) {
            const WordInfo info = BlockWord(e.code, static_cast<int>(e.b + i));
            const int offset = static_cast<int>(e.b + i) - info.first;
            const int count =
                offset == 0 && static_cast<int>(e.words.size() - i) >= info.count ? info.count : 1;
            out += (out.empty() ? "" : ", ") + BlockName(e.code, e.a, world) + info.name +
                   (count == 1 && info.count > 1 ? "." + std::to_string(offset) : "") + " = " +
                   WordsText(info.type, &e.words[i], count, world);
            i += static_cast<size_t>(count);
        }
        return out;
    }
    case kEventName:
        return world.NameOf(e.a) + " plays \"" + e.text + "\"";
    case kEventAnswer:
        if (e.code == kCallFindChildByName) {
            return "FindChildByName(" + world.NameOf(e.a) + ", name " + std::to_string(e.b) +
                   ") = " + world.NameOf(e.c);
        }
        return CallName(static_cast<GameCall>(e.code)) + "(" + (e.a != 0 ? world.NameOf(e.a) : "") +
               (e.b != 0 ? (e.a != 0 ? ", " : "") + std::to_string(e.b) : "") + ") = " +
               (e.code == kCallGetInterfaceObject ? world.NameOf(e.c) : std::to_string(e.c));
    case kEventCall:
        return CallName(static_cast<GameCall>(e.code)) + "(" + world.NameOf(e.a) + ")";
    case kEventWrite:
        return world.NameOf(e.a) + "." + WrittenFieldName(e.code) + " = " +
               WordsText(WrittenFieldIsFloat(e.code) ? WordType::Float : WordType::Integer,
                         e.words.data(), static_cast<int>(e.words.size()), world);
    case kEventView:
        return std::string(ViewFieldName(e.code)) + " = " +
               (ViewFieldIsFloat(e.code) ? FloatText(e.a) : std::to_string(e.a));
    case kEventMessage:
        return "host message " + std::to_string(e.a);
    case kEventHold:
        return e.words.size() == kHoldWords
                   ? "BodyViewHeld = " + std::to_string(e.words[0]) +
                         ", HeldForcedMode = " + std::to_string(e.words[1]) +
                         ", HoldStepAsidePending = " + std::to_string(e.words[2]) +
                         ", ForcedBodyMode = " + std::to_string(e.words[3]) +
                         ", SavedChaseDistance = " + FloatText(e.words[4])
                   : EventName(e.tag);
    default:
        return EventName(e.tag);
    }
}

std::vector<std::string> InputsOf(const std::vector<RecordedEvent>& events, size_t from, size_t to,
                                  const World& world) {
    std::vector<std::string> inputs;
    for (size_t k = from; k < to && k < events.size() && inputs.size() < kMostFedBy; ++k) {
        if (IsInput(events[k].tag)) {
            inputs.push_back(DescribeEvent(events[k], world));
        }
    }
    return inputs;
}

// The events of a frame without the game values noted.
std::vector<RecordedEvent> WithoutValues(const std::vector<RecordedEvent>& events) {
    std::vector<RecordedEvent> kept;
    kept.reserve(events.size());
    for (const RecordedEvent& e : events) {
        if (e.tag != kEventState && e.tag != kEventName) {
            kept.push_back(e);
        }
    }
    return kept;
}

FrameComparison CompareFrames(const RecordedFrame& recorded, const RecordedFrame& replayed,
                              const World& world, double tolerance, bool withView,
                              bool withValues) {
    FrameComparison c;
    if (withView) {
        for (int i = 0; i < kViewStateWords; ++i) {
            if (recorded.view[i] != replayed.view[i]) {
                const bool f = ViewFieldIsFloat(static_cast<uint8_t>(i));
                c.difference =
                    std::string("the view state the frame began with: ") +
                    ViewFieldName(static_cast<uint8_t>(i)) + " recorded " +
                    (f ? FloatText(recorded.view[i]) : std::to_string(recorded.view[i])) +
                    ", replayed " +
                    (f ? FloatText(replayed.view[i]) : std::to_string(replayed.view[i]));
                return c;
            }
        }
    }
    std::vector<RecordedEvent> recordedOutputs, replayedOutputs;
    if (!withValues) {
        recordedOutputs = WithoutValues(recorded.events);
        replayedOutputs = WithoutValues(replayed.events);
    }
    const std::vector<RecordedEvent>& r = withValues ? recorded.events : recordedOutputs;
    const std::vector<RecordedEvent>& p = withValues ? replayed.events : replayedOutputs;
    const bool cut = (recorded.flags & kFrameCutShort) != 0;
    size_t entry = 0; // the recorded entry (SITE) the comparison is in
    for (size_t i = 0; i < r.size() || i < p.size(); ++i) {
        if (i >= r.size()) {
            if (!cut) {
                c.difference = "the replay goes on with " +
                               DescribeEvent(InRecordedTerms(p[i], world), world) +
                               " where the recording's frame ends";
            }
            break;
        }
        if (r[i].tag == kEventSite) {
            entry = i;
        }
        if (i >= p.size()) {
            c.difference = "the recording goes on with " + DescribeEvent(r[i], world) +
                           " where the replay's frame ends";
        } else if (!SameEvent(r[i], p[i], world, tolerance)) {
            const char* kind = IsInput(r[i].tag) ? "the game value " : "";
            c.difference = std::string(kind) + SiteLabel(r[entry].code) + ": recorded " +
                           DescribeEvent(r[i], world) + ", replayed " +
                           DescribeEvent(InRecordedTerms(p[i], world), world);
        }
        if (!c.difference.empty()) {
            c.fedBy = InputsOf(r, entry, i, world);
            break;
        }
    }
    return c;
}

} // namespace simtool
