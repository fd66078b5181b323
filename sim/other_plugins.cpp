#include "sim/other_plugins.h"

#include <string.h>

#include "game/engine.h"
#include "patch/hook_sites.h"
#include "platform/platform.h"
#include "sim/game_range.h"

namespace sim {

namespace {

// Each stand-in's code, in the room behind the game's range: a few
// instructions that reach everything through absolute indirect calls and
// jumps (FF 15 / FF 25 with the address of a word of its table), so that it
// runs wherever the simulator's own code lies.
constexpr uint32_t kStandInSize = 0x100;
constexpr uint32_t kTableOffset = 0x80; // the stand-in's words behind its code
constexpr uint8_t kPushAll = 0x60, kPopAll = 0x61, kJumpOpcode = 0xE9;
constexpr uint8_t kIndirect = 0xFF, kCallThrough = 0x15, kJumpThrough = 0x25,
                  kIncrement = 0x05;

int g_triflePasses = 0;
// The body root's word as Trifle found it before the pass, and whether it
// showed the body for it.
uint16_t g_trifleKept = 0;
bool g_trifleShowed = false;

void LF_CDECL TrifleBeforePass() {
    ++g_triflePasses;
    g_trifleShowed = false;
    PlayerObject* p = PlayerPointer();
    if (p == nullptr || p->BodyRoot == nullptr || p->ThirdPerson != 0 ||
        CameraDetachedByte() != 0) {
        return;
    }
    g_trifleKept = p->BodyRoot->Flags;
    g_trifleShowed = true;
    p->BodyRoot->Flags = static_cast<uint16_t>(p->BodyRoot->Flags & ~kNodeHiddenBit);
}

void LF_CDECL TrifleAfterPass() {
    PlayerObject* p = PlayerPointer();
    if (!g_trifleShowed || p == nullptr || p->BodyRoot == nullptr) {
        return;
    }
    g_trifleShowed = false;
    p->BodyRoot->Flags = static_cast<uint16_t>((p->BodyRoot->Flags & ~kNodeHiddenBit) |
                                               (g_trifleKept & kNodeHiddenBit));
}

// Writes machine code at a stand-in's place.
class Code {
  public:
    explicit Code(uint32_t at) : begin_(at), at_(at), words_(at + kTableOffset) {}
    void Byte(uint8_t b) { *reinterpret_cast<uint8_t*>(at_++) = b; }
    void Word(uint32_t w) {
        memcpy(reinterpret_cast<void*>(at_), &w, 4);
        at_ += 4;
    }
    // An absolute indirect operation (call, jump or increment) on a word of
    // the table holding `value`.
    void Through(uint8_t modrm, uint32_t value) {
        memcpy(reinterpret_cast<void*>(words_), &value, 4);
        Byte(kIndirect);
        Byte(modrm);
        Word(words_);
        words_ += 4;
    }
    uint32_t begin() const { return begin_; }

  private:
    uint32_t begin_, at_, words_;
};

uint32_t Address(void(LF_CDECL* f)()) {
    return reinterpret_cast<uint32_t>(f);
}

uint32_t StandInPlace(OtherPlugin which) {
    return kOtherCodeBegin + static_cast<uint32_t>(which) * kStandInSize;
}

} // namespace

void InstallOtherPlugin(OtherPlugin which) {
    MapGameRange();
    Code c(StandInPlace(which));
    if (which == OtherPlugin::Trifle) {
        // The body shown around the game's pass.
        c.Byte(kPushAll);
        c.Through(kCallThrough, Address(TrifleBeforePass));
        c.Byte(kPopAll);
        c.Through(kCallThrough, LF_ADDR_SCENE_PASS_ROUTINE);
        c.Byte(kPushAll);
        c.Through(kCallThrough, Address(TrifleAfterPass));
        c.Byte(kPopAll);
    } else {
        // The pass alone, counted in the table's first word.
        c.Through(kIncrement, 0);
        c.Through(kCallThrough, LF_ADDR_SCENE_PASS_ROUTINE);
    }
    c.Through(kJumpThrough, LF_RESUME_SHADOW_PASS);
    PlatformNameCode(c.begin(), c.begin() + kStandInSize, kOtherPluginFiles[static_cast<int>(which)]);
    const uint32_t rel = c.begin() - (LF_SITE_SHADOW_PASS + 5);
    uint8_t* site = reinterpret_cast<uint8_t*>(LF_SITE_SHADOW_PASS);
    site[0] = kJumpOpcode;
    memcpy(site + 1, &rel, 4);
}

int OtherPluginPasses(OtherPlugin which) {
    if (which == OtherPlugin::Trifle) {
        return g_triflePasses;
    }
    int32_t n;
    memcpy(&n, reinterpret_cast<const void*>(StandInPlace(which) + kTableOffset), 4);
    return n;
}

} // namespace sim
