#include "tools/sim/replay/recording_read.h"

#include <string.h>

#include <fstream>

namespace simtool {

namespace {

// The most settings words a header may hold (this version writes 29).
constexpr uint32_t kMaxSettingsWords = 64;
const uint8_t kBlockWordCount[kBlockKindCount] = {kScalarWords, kRecordWords, kSequenceWords,
                                                  kNodeWords};

// Reads little-endian numbers from a stretch of the file, never past its
// end; the first problem stops it, with its place.
class Reader {
  public:
    Reader(const Recording& r, uint32_t begin, uint32_t end, RecordingError* error)
        : r_(r), at_(begin), end_(end), error_(error) {}
    uint32_t At() const { return at_; }
    bool Left() const { return at_ < end_; }
    bool Fail(uint32_t at, const std::string& what) {
        if (ok_) {
            error_->message = r_.name + ": at byte " + std::to_string(at) + ": " + what;
            ok_ = false;
        }
        return false;
    }
    bool Need(uint32_t n, const char* what) {
        if (!ok_) {
            return false;
        }
        if (end_ - at_ < n) {
            return Fail(at_, std::string("the file ends inside ") + what);
        }
        return true;
    }
    uint8_t U8(const char* what) {
        if (!Need(1, what)) {
            return 0;
        }
        return r_.bytes[at_++];
    }
    uint16_t U16(const char* what) {
        if (!Need(2, what)) {
            return 0;
        }
        const uint16_t v = static_cast<uint16_t>(r_.bytes[at_] | (r_.bytes[at_ + 1] << 8));
        at_ += 2;
        return v;
    }
    uint32_t U32(const char* what) {
        if (!Need(4, what)) {
            return 0;
        }
        const uint8_t* b = &r_.bytes[at_];
        at_ += 4;
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    }
    void Words(std::vector<uint32_t>* out, uint32_t count, const char* what) {
        if (!Need(4 * count, what)) {
            return;
        }
        out->resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            (*out)[i] = U32(what);
        }
    }
    std::string Text(uint32_t length, const char* what) {
        if (!Need(length, what)) {
            return std::string();
        }
        std::string t(reinterpret_cast<const char*>(&r_.bytes[at_]), length);
        at_ += length;
        return t;
    }
    bool Ok() const { return ok_; }

  private:
    const Recording& r_;
    uint32_t at_;
    uint32_t end_;
    RecordingError* error_;
    bool ok_ = true;
};

std::string Number(uint32_t v) {
    return std::to_string(v);
}

std::string TooLarge(const std::string& name) {
    return name + ": at byte " + Number(kMaxRecordingBytes) +
           ": the file goes on; a recording is at most " + Number(kMaxRecordingBytes >> 20) +
           " MiB (the plug-in writes at most " +
           Number((kMaxRecordedFrames * kRecordingBytesPerFrame + (1u << 20) - 1) >> 20) +
           " MiB)";
}

bool DecodeEvent(Reader& in, RecordedEvent* e) {
    const uint32_t at = in.At();
    e->offset = at;
    e->tag = in.U8("an event");
    e->words.clear();
    e->text.clear();
    e->code = 0;
    e->a = e->b = e->c = 0;
    switch (e->tag) {
    case kEventSite:
        e->code = in.U8("a site event");
        e->a = in.U32("a site event");
        e->b = in.U32("a site event");
        if (in.Ok() && (e->code < kSiteFrameStart || e->code >= kSiteCount)) {
            return in.Fail(at, "a site event names site " + Number(e->code) + ", which is none");
        }
        // The game hands these sites an object always.
        if (in.Ok() && e->code == kSiteBodyPass && e->b == 0) {
            return in.Fail(at, "a body-pass site with no animation record");
        }
        if (in.Ok() && e->code >= kSiteDrawA && e->code <= kSiteDrawE && e->a == 0) {
            return in.Fail(at, "a draw site with no draw object");
        }
        break;
    case kEventState: {
        e->code = in.U8("a state event");
        e->a = in.U32("a state event");
        e->b = in.U8("a state event");
        const uint32_t count = in.U8("a state event");
        if (!in.Ok()) {
            return false;
        }
        if (e->code >= kBlockKindCount) {
            return in.Fail(at, "a state event names block kind " + Number(e->code));
        }
        if (count == 0 || e->b + count > kBlockWordCount[e->code]) {
            return in.Fail(at, "a state event changes words " + Number(e->b) + " to " +
                                   Number(e->b + count) + " of a block of " +
                                   Number(kBlockWordCount[e->code]));
        }
        if (e->code != kBlockScalars && e->a == 0) {
            return in.Fail(at, "a state event of block kind " + Number(e->code) +
                                   " names no object (token 0)");
        }
        in.Words(&e->words, count, "a state event");
        break;
    }
    case kEventName: {
        e->a = in.U32("a name event");
        const uint32_t length = in.U8("a name event");
        e->text = in.Text(length, "a name event");
        break;
    }
    case kEventAnswer:
        e->code = in.U8("an answer event");
        e->a = in.U32("an answer event");
        e->b = in.U32("an answer event");
        e->c = in.U32("an answer event");
        if (in.Ok() && (e->code == 0 || e->code >= kGameCallCount ||
                        ChangesTheGame(static_cast<GameCall>(e->code)))) {
            return in.Fail(at,
                           "an answer event names call " + Number(e->code) + ", which is no query");
        }
        break;
    case kEventCall:
        e->code = in.U8("a call event");
        e->a = in.U32("a call event");
        e->b = in.U8("a call event");
        if (in.Ok() &&
            (e->code >= kGameCallCount || !ChangesTheGame(static_cast<GameCall>(e->code)))) {
            return in.Fail(at, "a call event names call " + Number(e->code) +
                                   ", which changes nothing");
        }
        break;
    case kEventReturned:
    case kEventEnd:
        break;
    case kEventWrite:
        e->code = in.U8("a write event");
        e->a = in.U32("a write event");
        if (in.Ok() && (e->code == 0 || e->code >= kWrittenFieldCount)) {
            return in.Fail(at, "a write event names field " + Number(e->code));
        }
        if (in.Ok() && e->code != kWriteChaseDistance && e->a == 0) {
            return in.Fail(at, "a write event into no object (target 0)");
        }
        in.Words(&e->words, static_cast<uint32_t>(WrittenWords(static_cast<WrittenField>(e->code))),
                 "a write event");
        break;
    case kEventView:
        e->code = in.U8("a view event");
        e->a = in.U32("a view event");
        if (in.Ok() && e->code >= kViewStateWords) {
            return in.Fail(at, "a view event names field " + Number(e->code));
        }
        break;
    case kEventMessage:
        e->a = in.U32("a message event");
        break;
    case kEventSettings: {
        const uint32_t count = in.U8("a settings event");
        if (in.Ok() && count > kMaxSettingsWords) {
            return in.Fail(at, "a settings event holds " + Number(count) + " words");
        }
        in.Words(&e->words, count, "a settings event");
        break;
    }
    case kEventHold:
        in.Words(&e->words, kHoldWords, "a hold event");
        break;
    default:
        if (in.Ok()) {
            return in.Fail(at, "unknown event " + Number(e->tag));
        }
        return false;
    }
    return in.Ok();
}

} // namespace

bool DecodeFrame(const Recording& recording, size_t index, RecordedFrame* frame,
                 RecordingError* error) {
    const uint32_t begin = recording.frameOffsets[index];
    const uint32_t end = begin + recording.frameLengths[index];
    Reader in(recording, begin, end, error);
    frame->offset = begin;
    in.U32("a frame's length");
    frame->number = in.U32("a frame's header");
    frame->flags = in.U32("a frame's header");
    for (uint32_t& v : frame->view) {
        v = in.U32("a frame's header");
    }
    frame->events.clear();
    while (in.Ok() && in.Left()) {
        frame->events.emplace_back();
        if (!DecodeEvent(in, &frame->events.back())) {
            return false;
        }
    }
    return in.Ok();
}

bool ParseRecording(std::vector<uint8_t> bytes, const std::string& name, Recording* r,
                    RecordingError* error) {
    *r = Recording();
    r->name = name;
    r->bytes = std::move(bytes);
    if (r->bytes.size() > kMaxRecordingBytes) {
        error->message = TooLarge(name);
        r->bytes = std::vector<uint8_t>();
        return false;
    }
    const uint32_t size = static_cast<uint32_t>(r->bytes.size());
    Reader in(*r, 0, size, error);
    if (size < sizeof kRecordingMagic ||
        memcmp(r->bytes.data(), kRecordingMagic, sizeof kRecordingMagic) != 0) {
        return in.Fail(0, "not a recording of Lumenfold (a recording begins with \"LFREC\")");
    }
    in.Text(sizeof kRecordingMagic, "the header");
    r->formatVersion = in.U16("the header");
    const uint32_t headerSize = in.U16("the header");
    if (!in.Ok()) {
        return false;
    }
    if (r->formatVersion < kOldestRecordingFormatVersion ||
        r->formatVersion > kRecordingFormatVersion) {
        return in.Fail(8, "format version " + Number(r->formatVersion) +
                              "; this lumenfold-sim reads versions " +
                              Number(kOldestRecordingFormatVersion) + " to " +
                              Number(kRecordingFormatVersion));
    }
    r->pluginVersion = in.U32("the header");
    const std::string release = in.Text(kRecordingReleaseTextSize, "the header");
    r->release = release.substr(0, strnlen(release.c_str(), release.size()));
    r->gameVersion = in.U32("the header");
    r->hostVersion = in.U32("the header");
    const uint32_t settingsAt = in.At();
    const uint32_t settingsCount = in.U32("the header");
    if (in.Ok() && settingsCount > kMaxSettingsWords) {
        return in.Fail(settingsAt, "the header claims " + Number(settingsCount) +
                                       " settings; a recording holds at most " +
                                       Number(kMaxSettingsWords));
    }
    if (in.Ok() && headerSize != RecordingHeaderSize(settingsCount)) {
        return in.Fail(10, "the header's size is " + Number(headerSize) + ", not " +
                               Number(RecordingHeaderSize(settingsCount)));
    }
    in.Words(&r->settings, settingsCount, "the header's settings");
    const uint32_t countAt = in.At();
    const uint32_t frameCount = in.U32("the header");
    const uint32_t framesBytes = in.U32("the header");
    if (!in.Ok()) {
        return false;
    }
    if (framesBytes != size - in.At()) {
        return in.Fail(countAt + 4, "the header claims " + Number(framesBytes) +
                                        " bytes of frames; the file holds " +
                                        Number(size - in.At()));
    }
    RecordedFrame scratch;
    uint32_t at = in.At();
    while (at < size) {
        Reader frame(*r, at, size, error);
        const uint32_t length = frame.U32("a frame's length");
        if (!frame.Ok()) {
            return false;
        }
        if (length > kMaxFrameBytes) {
            return frame.Fail(at, "frame " + Number(static_cast<uint32_t>(r->frameOffsets.size())) +
                                      " claims " + Number(length) +
                                      " bytes; a frame holds at most " + Number(kMaxFrameBytes));
        }
        if (length < kFrameHeaderSize || length > size - at) {
            return frame.Fail(at, "frame " + Number(static_cast<uint32_t>(r->frameOffsets.size())) +
                                      " claims " + Number(length) + " bytes; " + Number(size - at) +
                                      " are left");
        }
        r->frameOffsets.push_back(at);
        r->frameLengths.push_back(length);
        if (!DecodeFrame(*r, r->frameOffsets.size() - 1, &scratch, error)) {
            return false;
        }
        at += length;
    }
    if (r->frameOffsets.size() != frameCount) {
        return in.Fail(countAt, "the header claims " + Number(frameCount) +
                                    " frames; the file holds " +
                                    Number(static_cast<uint32_t>(r->frameOffsets.size())));
    }
    return true;
}

bool LoadRecording(const std::string& path, Recording* recording, RecordingError* error) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error->message = path + ": cannot be read";
        return false;
    }
    // Read at its own size: no more is reserved than the file holds.
    const std::streamoff size = file.tellg();
    if (size < 0) {
        error->message = path + ": cannot be read";
        return false;
    }
    if (static_cast<unsigned long long>(size) > kMaxRecordingBytes) {
        error->message = TooLarge(path);
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    file.seekg(0);
    if (size > 0 && !file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error->message = path + ": cannot be read";
        return false;
    }
    return ParseRecording(std::move(bytes), path, recording, error);
}

} // namespace simtool
