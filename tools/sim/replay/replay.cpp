#include "tools/sim/replay/replay.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "body/draw_visibility.h"
#include "entry/plugin_entry.h"
#include "platform/platform.h"
#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "sim/frame_driver.h"
#include "sim/other_plugins.h"
#include "sim/node_walk.h"
#include "sim/sim_host.h"
#include "tools/sim/replay/recording_words.h"
#include "tools/sim/replay/replay_compare.h"
#include "tools/sim/replay/replay_script.h"
#include "tools/sim/scenario/game_folder.h"
#include "view/view_state.h"

namespace simtool {

namespace {

// The frames the replay's own recording keeps (it compares the newest).
constexpr uint32_t kReplayKeptFrames = 2;

// Where iRecordFrames lies among the settings words.
constexpr size_t kRecordFramesWord = offsetof(SettingsRecord, iRecordFrames) / 4;

// The recorded settings, but for the size of the recording: the replay
// records its last frames only.
void TakeSettings(const std::vector<uint32_t>& words) {
    const int32_t kept = Settings.iRecordFrames;
    memcpy(&Settings, words.data(), 4 * std::min<size_t>(words.size(), kSettingsKeyCount));
    Settings.iRecordFrames = kept;
}

void SetView(const uint32_t* v) {
    SavedThirdPerson = static_cast<int32_t>(v[kViewSavedThirdPerson]);
    ForcedBodyMode = static_cast<int32_t>(v[kViewForcedBodyMode]);
    ModAnimPending = static_cast<int32_t>(v[kViewModAnimPending]);
    ModAnimCounter = static_cast<int32_t>(v[kViewModAnimCounter]);
    MountedInFirstPerson = static_cast<int32_t>(v[kViewMountedInFirstPerson]);
    WatchedMenuOpen = static_cast<int32_t>(v[kViewWatchedMenuOpen]);
    SavedChaseDistance = Float(v[kViewSavedChaseDistance]);
    HeadAnchorCountdown = static_cast<int32_t>(v[kViewHeadAnchorCountdown]);
    InExtraAnimUpdate = Float(v[kViewInExtraAnimUpdate]);
    InBodyPassUpdate = Float(v[kViewInBodyPassUpdate]);
    FrameChoresAtCamera = static_cast<int32_t>(v[kViewMenuReleaseAtFrameStart]);
    SavedBodyFlags = v[kViewSavedBodyFlags];
    SavedBodyFlagsValid = v[kViewSavedBodyFlagsValid] != 0;
    // Not among the frame's words: a frame that opens held begins with a
    // HOLD event.
    BodyViewHeld = 0;
    HeldForcedMode = 0;
    HoldStepAsidePending = 0;
}

// Another plug-in's hold, as the interface changed it where the recording
// has it (the replay's own recording notes it the same way).
void TakeHold(const std::vector<uint32_t>& w) {
    NoteHoldChanging();
    BodyViewHeld = static_cast<int32_t>(w[0]);
    HeldForcedMode = static_cast<int32_t>(w[1]);
    HoldStepAsidePending = static_cast<int32_t>(w[2]);
    ForcedBodyMode = static_cast<int32_t>(w[3]);
    SavedChaseDistance = Float(w[4]);
    NoteHoldChanged();
}

// The replay's settings file: the recorded settings, but for the size of
// the recording (the replay records its last frames only).
std::string ReplaySettingsText(std::vector<uint32_t> words) {
    words.resize(kSettingsKeyCount, 0);
    words[kRecordFramesWord] = kReplayKeptFrames;
    return SettingsTextOf(words);
}

// What a line of text kept takes besides its letters.
constexpr size_t kLineBytes = 32;

// The lines that feed a difference, as many as the frame's own bytes pay
// for: a file of many small frames that all differ keeps no more text than
// it is long.
void KeepWithin(size_t frameBytes, std::vector<std::string>* lines) {
    size_t spent = 0;
    for (size_t i = 0; i < lines->size(); ++i) {
        spent += (*lines)[i].size() + kLineBytes;
        if (spent > frameBytes) {
            lines->resize(i);
            return;
        }
    }
}

// The whole replay: the plug-in loaded as it was, the frames driven from the
// recording, each compared with what the plug-in recorded of it here.
class Replayer {
  public:
    Replayer(const Recording& r, const ReplayOptions& o)
        : recording_(r), options_(o), world_(game_), recorded_(game_, world_),
          script_(game_, world_, recorded_) {
        world_.AllowFor(recording_.bytes.size());
    }

    ReplayResult Run() {
        ReplayResult result;
        if (!Load(&result)) {
            return result;
        }
        RecordedFrame frame;
        RecordingError error;
        bool previousCut = false;
        for (size_t i = 0; i < recording_.frameOffsets.size(); ++i) {
            if (!DecodeFrame(recording_, i, &frame, &error)) {
                result.failures.push_back(error.message);
                break;
            }
            const int index = static_cast<int>(i);
            // The first frame, and a frame after one cut short (whose end
            // is not recorded), take the view state they began with; later
            // frames carry it over themselves, and it is compared.
            const bool takeView = index == 0 || previousCut;
            previousCut = (frame.flags & kFrameCutShort) != 0;
            FrameComparison c;
            frameIndex_ = i;
            PlayFrame(frame, takeView, &c);
            if (!Playable(frame, &result)) {
                break;
            }
            if (c.difference.empty()) {
                c = Compare(frame, !takeView);
            }
            if (!c.difference.empty()) {
                KeepWithin(recording_.frameLengths[i], &c.fedBy);
                result.differences.push_back({index, c.difference, c.fedBy});
            } else if ((frame.flags & kFrameCutShort) != 0) {
                result.cutShort.push_back(index);
            }
            if (recorded_.WeaponBytesDiffered()) {
                ++result.weaponBytesDiffer;
            }
            if (index == options_.poseFrame) {
                TakePose(index, &result.pose);
            }
            ++result.frames;
        }
        game_.script = nullptr;
        PlatformUseRealClock();
        return result;
    }

  private:
    // False, with a failure naming the byte, when the frame made the
    // recording unplayable: a token of two kinds, more objects than the
    // file affords, a node linked into a cycle (the frame's first byte where
    // the event is not known).
    bool Playable(const RecordedFrame& frame, ReplayResult* result) {
        if (world_.Problem().empty()) {
            return true;
        }
        const uint32_t at = world_.ProblemAt() != 0 ? world_.ProblemAt() : frame.offset;
        result->failures.push_back("at byte " + std::to_string(at) + ": " + world_.Problem());
        return false;
    }

    bool Load(ReplayResult* result) {
        if (!folder_.Made()) {
            result->failures.push_back("cannot make a temporary game folder");
            return false;
        }
        // The plug-in as it was loaded, recording only its last frames here.
        folder_.WriteSettings(ReplaySettingsText(recording_.settings));
        ResetViewState();
        ResetShadowBracket();
        // The clock stands still but for the settings watch's looks.
        PlatformSetClock(clock_);
        PluginInfo info;
        if (!OBSEPlugin_Query(&host_.record, &info) || !OBSEPlugin_Load(&host_.record) ||
            !RecordingFrames()) {
            result->failures.push_back("the plug-in did not load as it was recorded");
            return false;
        }
        // The shadow pass was the plug-in's, unless the first frame began
        // with the frame's chores at the camera update in its place: the
        // host's first message was still to come (it is in the recording),
        // or another plug-in held the place (and holds it after any such
        // message the recording has: StandInForOtherPlugin).
        RecordedFrame first;
        RecordingError error;
        const bool choresAtCamera = !recording_.frameOffsets.empty() &&
                                    DecodeFrame(recording_, 0, &first, &error) &&
                                    first.view[kViewMenuReleaseAtFrameStart] != 0;
        if (!choresAtCamera || !HoldsFirstMessage()) {
            if (choresAtCamera) {
                StandInForOtherPlugin();
            }
            host_.Send(kMessagePostLoad);
            ForgetHeldMessages(); // the replay's own, not of a recorded frame
        }
        game_.script = &script_;
        return true;
    }

    // Drives one frame from the recording.
    void PlayFrame(const RecordedFrame& frame, bool takeView, FrameComparison* divergence) {
        // The replay's own recording keeps frames as the recording has them,
        // also where a recorded frame did not reach its end (cut short).
        NoteFrameEnd();
        if (takeView) {
            SetView(frame.view);
        }
        recorded_.NewFrame();
        script_.ClearDivergence();
        game_.ClearCalls();
        const std::vector<RecordedEvent>& events = frame.events;
        size_t i = 0;
        while (i < events.size() && divergence->difference.empty()) {
            const RecordedEvent& e = events[i];
            if (e.tag == kEventSettings) {
                TakeSettings(e.words);
                ++i;
            } else if (e.tag == kEventHold) {
                TakeHold(e.words);
                ++i;
            } else if (e.tag == kEventMessage) {
                Message(e.a, events, i);
                ++i;
            } else if (e.tag == kEventSite && IsPassSite(e.code)) {
                // The game values its predicate read, if any, follow it.
                size_t end = i + 1;
                while (end < events.size() &&
                       (events[end].tag == kEventState || events[end].tag == kEventName)) {
                    ++end;
                }
                script_.Start(&events, i + 1, end);
                script_.EnterPass(e);
                i = end;
            } else if (e.tag == kEventSite) {
                const size_t site = i;
                i = EnterFullSite(events, i);
                if (!script_.Divergence().empty()) {
                    divergence->difference = SiteLabel(e.code) + ": " + script_.Divergence();
                    // The values noted at the passes right before the entry
                    // fed it too.
                    size_t from = site;
                    while (from > 0 && (events[from - 1].tag == kEventState ||
                                        events[from - 1].tag == kEventName ||
                                        (events[from - 1].tag == kEventSite &&
                                         IsPassSite(events[from - 1].code)))) {
                        --from;
                    }
                    divergence->fedBy = InputsOf(events, from, script_.DivergedAt(), world_);
                }
            } else {
                ++i;
            }
        }
    }

    // A site into the logic: its game values set, the site entered as the
    // game enters it. Returns the index behind the glue pass.
    size_t EnterFullSite(const std::vector<RecordedEvent>& events, size_t i) {
        const RecordedEvent& site = events[i];
        size_t end = i + 1;
        while (end < events.size() && events[end].tag != kEventEnd) {
            ++end;
        }
        // The shadow bracket's second half comes in the same pass.
        if (site.code == kSiteShadowBefore && end + 1 < events.size() &&
            events[end + 1].tag == kEventSite && events[end + 1].code == kSiteShadowAfter) {
            for (++end; end < events.size() && events[end].tag != kEventEnd;) {
                ++end;
            }
        }
        // A reload inside the frame start is the settings watch's: the file
        // the player wrote is put in place and the watch's second let pass,
        // so the plug-in reads it again itself at the same point.
        for (size_t k = i + 1; k < end; ++k) {
            if (events[k].tag == kEventSettings) {
                RewriteSettingsFile(events[k].words);
            }
        }
        script_.Start(&events, i + 1, end);
        script_.TakeValues();
        recorded_.Put();
        world_.PuttingFrom(site.offset);
        sim::CpuState in = sim::SiteRegisters(), out;
        const uint8_t s = site.code;
        if (s == kSiteFrameStart) {
            in.ecx = Token(&game_.player->obj);
        } else if (s == kSiteHeadCamera) {
            in.eax = Token(world_.BindNode(site.a, game_.camera));
            if (const Values* camera = recorded_.Find(kBlockNode, site.a)) {
                // Where the game put its camera, for the pictures.
                memcpy(&game_.cameraPlacement, camera->words + kNodeLocalTranslation, 12);
            }
        } else if (s == kSiteBodyPass) {
            in.ebp = Token(world_.Sim(site.a));
            in.ecx = Token(world_.BindRecord(site.b, game_.bodyAnim));
        } else if (s >= kSiteDrawA && s <= kSiteDrawE) {
            sim::Draw* d =
                static_cast<sim::Draw*>(world_.Bind(site.a, World::Kind::Draw, nullptr, [this] {
                    return static_cast<void*>(game_.NewDraw(&game_.player->obj));
                }));
            if (d == nullptr) {
                script_.Finish(); // an object of another kind: the replay stops at the frame's end
                return end + 1;
            }
            d->obj.Owner = PlayerPointer();
            // The object's register at each draw site: EAX, ESI, EDI, EAX, ESI.
            uint32_t sim::CpuState::*const registers[] = {&sim::CpuState::eax, &sim::CpuState::esi,
                                                          &sim::CpuState::edi, &sim::CpuState::eax,
                                                          &sim::CpuState::esi};
            in.*registers[s - kSiteDrawA] = Token(&d->obj);
        } else if (s >= kSiteChaseA && s <= kSiteChaseD) {
            // The game's new distance waits on the x87 stack: the one the
            // game already holds (what it stores shows at the next site).
            in.x87Depth = 1;
            in.x87[0] = ChaseCameraDistance();
        }
        sim::EnterSite(SiteAddress(s), in, &out);
        script_.Finish();
        return end + 1;
    }

    void RewriteSettingsFile(const std::vector<uint32_t>& words) {
        std::string text = ReplaySettingsText(words);
        const std::string path = folder_.SettingsPath();
        FileStamp before = {}, after = {};
        const bool existed = PlatformFileStamp(path.c_str(), &before);
        // The watch knows the file by its time and size: where the file
        // system's clock is too coarse to tell two writes apart, the size does.
        for (int tries = 0; tries < 2; ++tries) {
            folder_.WriteSettings(text);
            if (!existed || !PlatformFileStamp(path.c_str(), &after) ||
                after.writeTime != before.writeTime || after.size != before.size) {
                break;
            }
            text += ";\r\n";
        }
        clock_ += kSettingsWatchInterval;
        PlatformSetClock(clock_);
    }

    // Whether a frame of the recording holds the host's first message.
    bool HoldsFirstMessage() const {
        RecordedFrame f;
        RecordingError error;
        for (size_t i = 0; i < recording_.frameOffsets.size(); ++i) {
            if (!DecodeFrame(recording_, i, &f, &error)) {
                return false;
            }
            for (const RecordedEvent& e : f.events) {
                if (e.tag == kEventMessage && e.a == kMessagePostLoad) {
                    return true;
                }
            }
        }
        return false;
    }

    // Another plug-in's jump at the shadow pass's call, as the player's game
    // had one there: a plug-in loaded after Lumenfold (the stand-in of one
    // that only times the pass), so that the host's first message finds it.
    void StandInForOtherPlugin() {
        if (!otherPluginPlaced_) {
            otherPluginPlaced_ = true;
            sim::InstallOtherPlugin(sim::OtherPlugin::StutterRemover);
        }
    }

    void Message(uint32_t type, const std::vector<RecordedEvent>& events, size_t at) {
        // The host's first message in the recording: where the frame after
        // it still has its chores at the camera update, another plug-in held
        // the shadow pass's place.
        if (type == kMessagePostLoad && frameIndex_ + 1 < recording_.frameOffsets.size()) {
            RecordedFrame next;
            RecordingError error;
            if (DecodeFrame(recording_, frameIndex_ + 1, &next, &error) &&
                next.view[kViewMenuReleaseAtFrameStart] != 0) {
                StandInForOtherPlugin();
            }
        }
        // A saved game or leaving would write a recording of the replay.
        if (type == kMessageGameSaved || type == kMessageExit || type == kMessageExitToMenu ||
            type == kMessageExitFromConsole) {
            NoteMessage(type);
            return;
        }
        // A loaded game with bReloadSettingsOnGameLoad reads the file again:
        // it holds what the recording has in force after the message (the
        // settings noted right behind the messages, else those in force).
        if (type == kMessageGameLoaded && Settings.bReloadSettingsOnGameLoad != 0) {
            size_t k = at + 1;
            while (k < events.size() && events[k].tag == kEventMessage) {
                ++k;
            }
            std::vector<uint32_t> words;
            if (k < events.size() && events[k].tag == kEventSettings) {
                words = events[k].words;
            } else {
                words.resize(kSettingsKeyCount);
                memcpy(words.data(), &Settings, 4 * kSettingsKeyCount);
            }
            folder_.WriteSettings(ReplaySettingsText(words));
        }
        host_.Send(type);
    }

    // What the plug-in recorded of this frame here, against the recording.
    FrameComparison Compare(const RecordedFrame& recorded, bool withView) {
        std::vector<uint8_t> bytes = RecordingBytes();
        Recording own;
        RecordingError error;
        RecordedFrame replayed;
        if (!ParseRecording(std::move(bytes), "the replay's recording", &own, &error) ||
            own.frameOffsets.empty() ||
            !DecodeFrame(own, own.frameOffsets.size() - 1, &replayed, &error)) {
            return FrameComparison{"the replay recorded nothing readable: " + error.message, {}};
        }
        return CompareFrames(recorded, replayed, world_, options_.tolerance, withView,
                             recording_.formatVersion == kRecordingFormatVersion);
    }

    // The bones the recording does not hold hang under those it holds, as
    // the simulated game's skeleton has them.
    void PlaceUnrecorded(sim::Node* root) {
        sim::WalkDown(&root->node, [this](SceneNode* n, SceneNode* parent, int) {
            if (parent != nullptr && world_.Recorded(n, 0) == 0) {
                sim::Game::DeriveWorld(reinterpret_cast<sim::Node*>(n));
            }
            return false;
        });
    }

    void TakePose(int index, Pose* pose) {
        PlaceUnrecorded(game_.bodyRoot);
        PlaceUnrecorded(game_.fpRoot);
        Step step;
        step.note = "recorded frame " + std::to_string(index);
        PoseCapture capture(index, false); // a player's scene lies anywhere: around the body
        capture.AfterFrame(game_, FrameInfo{index, 0, &step});
        *pose = capture.pose;
    }

    const Recording& recording_;
    ReplayOptions options_;
    GameFolder folder_;
    uint32_t clock_ = 0;
    sim::Game game_;
    sim::Host host_;
    World world_;
    RecordedGame recorded_;
    ReplayScript script_;
    size_t frameIndex_ = 0;           // the frame being played
    bool otherPluginPlaced_ = false;  // a stand-in holds the shadow pass's place
};

} // namespace

std::string SettingsTextOf(const std::vector<uint32_t>& words) {
    std::string text = "[Main]\r\n";
    for (int i = 0; i < kSettingsKeyCount && i < static_cast<int>(words.size()); ++i) {
        const SettingsKey& k = kSettingsKeys[i];
        char value[48];
        if (k.isFloat) {
            snprintf(value, sizeof value, "%.9g", static_cast<double>(Float(words[i])));
        } else {
            snprintf(value, sizeof value, "%d", static_cast<int32_t>(words[i]));
        }
        text += std::string(k.name) + "=" + value + "\r\n";
    }
    return text;
}

std::vector<uint8_t> RecordingBytes() {
    std::vector<uint8_t> bytes;
    bytes.reserve(WriteRecording(nullptr, nullptr));
    WriteRecording(
        [](const void* data, uint32_t size, void* context) {
            const uint8_t* p = static_cast<const uint8_t*>(data);
            static_cast<std::vector<uint8_t>*>(context)->insert(
                static_cast<std::vector<uint8_t>*>(context)->end(), p, p + size);
            return true;
        },
        &bytes);
    return bytes;
}

ReplayResult ReplayRecording(const Recording& recording, const ReplayOptions& options) {
    Replayer replayer(recording, options);
    return replayer.Run();
}

} // namespace simtool
