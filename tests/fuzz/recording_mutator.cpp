// A mutator of recordings that knows their format (docs/recording.md): it
// takes the input apart into its header, frames and events, changes it as a
// file made by hand or by a faulty writer would be changed, and puts it back
// together with the frames' lengths and the header's counts made to fit, so
// that the reader takes most of what comes out and the replay gets it. What
// random bytes almost never make, it makes on purpose: tokens that name an
// object met earlier in the file (also as another kind), nodes linked to
// themselves, into cycles and into long chains, floods of fresh tokens,
// events and frames repeated, reordered and cut at any event, and counts and
// sizes at their limits. Inputs it cannot take apart go to libFuzzer's own
// mutator.
#include "tests/fuzz/recording_mutator.h"

#include <string.h>

#include <algorithm>
#include <random>
#include <vector>

#include "record/recording_format.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

using Bytes = std::vector<uint8_t>;

struct Frame {
    Bytes head; // number, flags and the view state: the 60 bytes after the length
    std::vector<Bytes> events;
    Bytes rest; // what follows the last event that could be taken apart
};

struct File {
    Bytes header; // up to the frame count
    std::vector<Frame> frames;
    Bytes rest; // what follows the last frame that could be taken apart
};

uint32_t Word(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutWord(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void AddWord(Bytes* b, uint32_t v) {
    b->resize(b->size() + 4);
    PutWord(b->data() + b->size() - 4, v);
}

// The length of the event at `p` (with `left` bytes to the frame's end), or
// 0 where it cannot be told.
size_t EventLength(const uint8_t* p, size_t left) {
    auto need = [left](size_t n) { return n <= left ? n : 0; };
    switch (p[0]) {
    case kEventSite:
        return need(10);
    case kEventState:
        return left >= 8 ? need(8 + 4 * static_cast<size_t>(p[7])) : 0;
    case kEventName:
        return left >= 6 ? need(6 + static_cast<size_t>(p[5])) : 0;
    case kEventAnswer:
        return need(14);
    case kEventCall:
        return need(7);
    case kEventReturned:
    case kEventEnd:
        return need(1);
    case kEventWrite:
        if (left < 2 || p[1] == 0 || p[1] >= kWrittenFieldCount) {
            return 0;
        }
        return need(6 + 4 * static_cast<size_t>(WrittenWords(static_cast<WrittenField>(p[1]))));
    case kEventView:
        return need(6);
    case kEventMessage:
        return need(5);
    case kEventSettings:
        return left >= 2 ? need(2 + 4 * static_cast<size_t>(p[1])) : 0;
    default:
        return 0;
    }
}

bool TakeApart(const uint8_t* data, size_t size, File* f) {
    if (size < kRecordingSettingsOffset + 4 ||
        memcmp(data, kRecordingMagic, sizeof kRecordingMagic) != 0) {
        return false;
    }
    const size_t headerSize = data[10] | (data[11] << 8);
    if (headerSize < kRecordingSettingsOffset + 12 || headerSize > size) {
        return false;
    }
    f->header.assign(data, data + headerSize - 8);
    size_t at = headerSize;
    while (size - at >= kFrameHeaderSize) {
        const size_t length = Word(data + at);
        if (length < kFrameHeaderSize || length > size - at) {
            break;
        }
        Frame frame;
        frame.head.assign(data + at + 4, data + at + kFrameHeaderSize);
        size_t e = at + kFrameHeaderSize;
        const size_t end = at + length;
        while (e < end) {
            const size_t n = EventLength(data + e, end - e);
            if (n == 0) {
                break;
            }
            frame.events.emplace_back(data + e, data + e + n);
            e += n;
        }
        frame.rest.assign(data + e, data + end);
        f->frames.push_back(std::move(frame));
        at = end;
    }
    f->rest.assign(data + at, data + size);
    return true;
}

size_t FrameLength(const Frame& frame) {
    size_t n = kFrameHeaderSize + frame.rest.size();
    for (const Bytes& e : frame.events) {
        n += e.size();
    }
    return n;
}

Bytes PutTogether(const File& f) {
    Bytes out = f.header;
    size_t frames = f.rest.size();
    for (const Frame& frame : f.frames) {
        frames += FrameLength(frame);
    }
    AddWord(&out, static_cast<uint32_t>(f.frames.size()));
    AddWord(&out, static_cast<uint32_t>(frames));
    for (const Frame& frame : f.frames) {
        AddWord(&out, static_cast<uint32_t>(FrameLength(frame)));
        out.insert(out.end(), frame.head.begin(), frame.head.end());
        for (const Bytes& e : frame.events) {
            out.insert(out.end(), e.begin(), e.end());
        }
        out.insert(out.end(), frame.rest.begin(), frame.rest.end());
    }
    out.insert(out.end(), f.rest.begin(), f.rest.end());
    return out;
}

// Where an event holds a token: its offsets in the event's bytes.
void TokenPlaces(const Bytes& e, std::vector<size_t>* places) {
    places->clear();
    switch (e[0]) {
    case kEventSite:
        places->push_back(2);
        places->push_back(6);
        break;
    case kEventState: {
        places->push_back(2);
        const uint8_t kind = e[1];
        for (size_t w = 0; w < e[7]; ++w) {
            const size_t word = e[6] + w;
            const bool token =
                kind == kBlockRecord || (kind == kBlockSequence && word < kSequenceGroupId) ||
                (kind == kBlockNode && (word == kNodeParent || word == kNodeFirstChild)) ||
                (kind == kBlockScalars &&
                 (word == kScalarPlayer || word == kScalarCameraNode || word == kScalarBodyRoot ||
                  word == kScalarProcess || word == kScalarMount ||
                  word == kScalarFirstPersonAnim || word == kScalarFirstPersonRoot ||
                  word == kScalarEquippedWeapon || word == kScalarWeaponForm ||
                  word == kScalarBodyAnim));
            if (token) {
                places->push_back(8 + 4 * w);
            }
        }
        break;
    }
    case kEventName:
        places->push_back(1);
        break;
    case kEventAnswer:
        places->push_back(2);
        places->push_back(10);
        break;
    case kEventCall:
    case kEventWrite:
        places->push_back(2);
        break;
    default:
        break;
    }
}

Bytes NodeLinks(uint32_t token, uint32_t parent, uint32_t child) {
    Bytes e = {kEventState, kBlockNode, 0, 0, 0, 0, static_cast<uint8_t>(kNodeParent), 3};
    PutWord(&e[2], token);
    AddWord(&e, parent);
    AddWord(&e, child != 0 ? 1 : 0);
    AddWord(&e, child);
    return e;
}

class Mutation {
  public:
    Mutation(File& f, unsigned seed) : f_(f), random_(seed) {}

    size_t Below(size_t n) { return n == 0 ? 0 : random_() % n; }
    bool OneIn(size_t n) { return Below(n) == 0; }

    // A frame to change, and an event place in it (0..events).
    Frame* SomeFrame() { return f_.frames.empty() ? nullptr : &f_.frames[Below(f_.frames.size())]; }

    // Every token of the file, for names met earlier.
    std::vector<uint32_t> Tokens() {
        std::vector<uint32_t> tokens;
        std::vector<size_t> places;
        for (const Frame& frame : f_.frames) {
            for (const Bytes& e : frame.events) {
                TokenPlaces(e, &places);
                for (size_t p : places) {
                    tokens.push_back(Word(&e[p]));
                }
            }
        }
        return tokens;
    }
    std::vector<uint32_t> NodeTokens() {
        std::vector<uint32_t> tokens;
        for (const Frame& frame : f_.frames) {
            for (const Bytes& e : frame.events) {
                if (e[0] == kEventState && e[1] == kBlockNode) {
                    tokens.push_back(Word(&e[2]));
                }
            }
        }
        return tokens;
    }
    // Where new game values go: right behind a site's event, where the
    // replay takes them.
    size_t AfterASite(const Frame& frame) {
        std::vector<size_t> sites;
        for (size_t i = 0; i < frame.events.size(); ++i) {
            if (frame.events[i][0] == kEventSite) {
                sites.push_back(i + 1);
            }
        }
        return sites.empty() ? Below(frame.events.size() + 1) : sites[Below(sites.size())];
    }
    uint32_t FreshToken() { return 0x40000000u | static_cast<uint32_t>(random_() & 0x0FFFFFFF); }

    bool Run() {
        Frame* frame = SomeFrame();
        if (frame == nullptr) {
            return false;
        }
        std::vector<Bytes>& ev = frame->events;
        switch (Below(11)) {
        case 0: { // a token names an object met elsewhere in the file
            const std::vector<uint32_t> tokens = Tokens();
            std::vector<size_t> places;
            if (tokens.empty() || ev.empty()) {
                return false;
            }
            Bytes& e = ev[Below(ev.size())];
            TokenPlaces(e, &places);
            if (places.empty()) {
                return false;
            }
            PutWord(&e[places[Below(places.size())]], tokens[Below(tokens.size())]);
            return true;
        }
        case 1: { // a node its own parent or child, or two nodes in a cycle
            std::vector<uint32_t> nodes = NodeTokens();
            if (nodes.empty()) {
                nodes.push_back(FreshToken());
            }
            const uint32_t a = nodes[Below(nodes.size())];
            const uint32_t b = OneIn(2) ? a : nodes[Below(nodes.size())];
            const bool byParent = OneIn(2);
            const size_t at = AfterASite(*frame);
            std::vector<Bytes> links = {byParent ? NodeLinks(a, b, 0) : NodeLinks(a, 0, b)};
            if (a != b) {
                links.push_back(byParent ? NodeLinks(b, a, 0) : NodeLinks(b, 0, a));
            }
            ev.insert(ev.begin() + static_cast<long>(at), links.begin(), links.end());
            return true;
        }
        case 2: { // a chain of fresh nodes, as deep as a frame's room allows
            const size_t depth = 1 + Below(OneIn(2) ? 300 : 3000);
            const bool byParent = OneIn(2);
            std::vector<uint32_t> nodes = NodeTokens();
            uint32_t previous = nodes.empty() || OneIn(3) ? FreshToken() : nodes[Below(nodes.size())];
            std::vector<Bytes> chain;
            for (size_t i = 0; i < depth; ++i) {
                const uint32_t next = FreshToken() + static_cast<uint32_t>(i);
                chain.push_back(byParent ? NodeLinks(next, previous, 0)
                                         : NodeLinks(previous, 0, next));
                previous = next;
            }
            ev.insert(ev.begin() + static_cast<long>(AfterASite(*frame)), chain.begin(),
                      chain.end());
            return true;
        }
        case 3: { // a flood of fresh tokens, of any kind
            const size_t count = 1 + Below(OneIn(2) ? 100 : 5000);
            std::vector<Bytes> flood;
            const uint8_t kind = static_cast<uint8_t>(Below(kBlockKindCount));
            const uint8_t words[] = {kScalarWords, kRecordWords, kSequenceWords, kNodeWords};
            for (size_t i = 0; i < count; ++i) {
                const uint8_t n = static_cast<uint8_t>(1 + Below(words[kind]));
                Bytes e = {kEventState, kind, 0, 0, 0, 0, 0, n};
                PutWord(&e[2], FreshToken());
                for (uint8_t w = 0; w < n; ++w) {
                    AddWord(&e, kind == kBlockNode && w != kNodeChildCount ? 0 : FreshToken());
                }
                flood.push_back(e);
            }
            ev.insert(ev.begin() + static_cast<long>(AfterASite(*frame)), flood.begin(),
                      flood.end());
            return true;
        }
        case 4: { // events repeated
            if (ev.empty()) {
                return false;
            }
            const size_t from = Below(ev.size());
            const size_t n = 1 + Below(std::min<size_t>(ev.size() - from, 8));
            const size_t times = 1 + Below(OneIn(4) ? 200 : 3);
            std::vector<Bytes> run(ev.begin() + static_cast<long>(from),
                                   ev.begin() + static_cast<long>(from + n));
            for (size_t t = 0; t < times; ++t) {
                ev.insert(ev.begin() + static_cast<long>(from + n), run.begin(), run.end());
            }
            return true;
        }
        case 5: { // events or frames reordered
            if (OneIn(3) && f_.frames.size() > 1) {
                std::swap(f_.frames[Below(f_.frames.size())], f_.frames[Below(f_.frames.size())]);
                return true;
            }
            if (ev.size() < 2) {
                return false;
            }
            std::swap(ev[Below(ev.size())], ev[Below(ev.size())]);
            return true;
        }
        case 6: // a frame cut at any event, marked cut short or not
            ev.resize(Below(ev.size() + 1));
            frame->rest.clear();
            if (OneIn(2)) {
                frame->head[4] ^= kFrameCutShort;
            }
            return true;
        case 7: { // frames repeated or dropped
            const size_t i = static_cast<size_t>(frame - f_.frames.data());
            if (OneIn(3)) {
                f_.frames.erase(f_.frames.begin() + static_cast<long>(i));
            } else {
                const Frame copy = *frame;
                f_.frames.insert(f_.frames.begin() + static_cast<long>(i), 1 + Below(3), copy);
            }
            return true;
        }
        case 8: { // counts and words at their limits
            if (ev.empty()) {
                return false;
            }
            Bytes& e = ev[Below(ev.size())];
            const uint32_t limits[] = {0, 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x7F7FFFFFu};
            if (e[0] == kEventState && OneIn(2)) {
                const uint8_t words[] = {kScalarWords, kRecordWords, kSequenceWords, kNodeWords};
                const uint8_t all = words[e[1] % kBlockKindCount];
                e.resize(8);
                e[6] = OneIn(2) ? 0 : static_cast<uint8_t>(all - 1);
                e[7] = static_cast<uint8_t>(all - e[6] + (OneIn(4) ? 1 : 0));
                for (uint8_t w = 0; w < e[7]; ++w) {
                    AddWord(&e, limits[Below(std::size(limits))]);
                }
            } else if (e[0] == kEventName) {
                e.resize(6);
                e[5] = 255;
                e.resize(6 + 255, 'x');
            } else if (e.size() >= 6) {
                PutWord(&e[2 + Below(e.size() - 5)], limits[Below(std::size(limits))]);
            }
            return true;
        }
        case 9: { // a frame filled to the most a frame holds, or one past
            const size_t length = FrameLength(*frame);
            const size_t target = kMaxFrameBytes + (OneIn(4) ? 1 : 0);
            if (length < target) {
                frame->rest.insert(frame->rest.end(), target - length, kEventEnd);
            }
            return true;
        }
        default: { // libFuzzer's own change of one event's bytes
            if (ev.empty()) {
                return false;
            }
            Bytes& e = ev[Below(ev.size())];
            const size_t size = e.size();
            e.resize(size + 16);
            e.resize(LLVMFuzzerMutate(e.data(), size, e.size()));
            if (e.empty()) {
                e.push_back(kEventEnd);
            }
            return true;
        }
        }
    }

  private:
    File& f_;
    std::minstd_rand random_;
};

} // namespace

size_t MutateRecording(uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
    File file;
    // One in eight changes is libFuzzer's own, byte by byte, and so is every
    // change of an input that cannot be taken apart.
    if (seed % 8 == 0 || !TakeApart(data, size, &file)) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    Mutation m(file, seed);
    bool changed = false;
    for (int tries = 0; tries < 4 && !changed; ++tries) {
        changed = m.Run();
    }
    if (!changed) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    const Bytes out = PutTogether(file);
    if (out.size() > maxSize) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    memcpy(data, out.data(), out.size());
    return out.size();
}
