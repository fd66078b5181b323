// The checks of the real plug-in DLL loaded by the real Windows loader (under
// Wine): the handshake, the bytes at every site after loading, the late site,
// the editor case, and a load that finds another module's detour at a core
// site. It prints one line per failed check and a summary.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <initializer_list>

#include "entry/host_interface.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"

namespace {

int g_failures = 0;
int g_checks = 0;

void Check(bool ok, const char* what) {
    ++g_checks;
    if (!ok) {
        ++g_failures;
        printf("wine-host: FAILED: %s\n", what);
    }
}

uint8_t Byte(uint32_t a) {
    return *reinterpret_cast<const uint8_t*>(a);
}
uint32_t Word(uint32_t a) {
    uint32_t v;
    memcpy(&v, reinterpret_cast<const void*>(a), 4);
    return v;
}

const uint32_t kLoadSites[22] = {LF_SITE_FRAME_START,
                                 LF_SITE_HEAD_CAMERA,
                                 LF_SITE_BODY_PASS,
                                 LF_SITE_ACTOR_BRANCH,
                                 LF_SITE_FORCED_SKIP,
                                 LF_SITE_EXTRA_UPDATE,
                                 LF_SITE_BODY_PASS_ARGUMENT,
                                 LF_SITE_SHOWN_RECORD,
                                 LF_SITE_DRAW_A,
                                 LF_SITE_DRAW_B,
                                 LF_SITE_DRAW_C,
                                 LF_SITE_DRAW_D,
                                 LF_SITE_DRAW_E,
                                 LF_SITE_SWITCH_DECIDE,
                                 LF_SITE_SWITCH_SIT_A,
                                 LF_SITE_SWITCH_SIT_B,
                                 LF_SITE_SWITCH_SIT_C,
                                 LF_SITE_SWITCH_DEATH,
                                 LF_SITE_CHASE_A,
                                 LF_SITE_CHASE_B,
                                 LF_SITE_CHASE_C,
                                 LF_SITE_CHASE_D};

void Call(uint32_t at, uint32_t routine) {
    const uint32_t rel = routine - (at + 5);
    *reinterpret_cast<uint8_t*>(at) = 0xE8;
    memcpy(reinterpret_cast<void*>(at + 1), &rel, 4);
}

// The game's bytes before loading: the calls and instructions that the glue
// replays, int3 at every other site, and known operands at the three
// redirected reads.
const uint32_t kOperandHome = 0x00B40000;
void PlaceGameBytes() {
    for (uint32_t site : kLoadSites) {
        memset(reinterpret_cast<void*>(site), 0xCC, 5);
    }
    Call(LF_SITE_FRAME_START, LF_ADDR_FRAME_START_ROUTINE);
    for (uint32_t site : {LF_SITE_SWITCH_DECIDE, LF_SITE_SWITCH_SIT_A, LF_SITE_SWITCH_SIT_B,
                          LF_SITE_SWITCH_SIT_C, LF_SITE_SWITCH_DEATH}) {
        Call(site, LF_ADDR_CAMERA_SWITCH_ROUTINE);
    }
    Call(LF_SITE_SHADOW_PASS, LF_ADDR_SCENE_PASS_ROUTINE);
    memcpy(reinterpret_cast<void*>(LF_SITE_FORCED_SKIP), kForcedSkipGameBytes,
           sizeof kForcedSkipGameBytes);
    memcpy(reinterpret_cast<void*>(LF_SITE_EXTRA_UPDATE), kExtraUpdateGameBytes,
           sizeof kExtraUpdateGameBytes);
    memset(reinterpret_cast<void*>(LF_BLANK_A), 0xCC, 6);
    memset(reinterpret_cast<void*>(LF_BLANK_B), 0xCC, 6);
    *reinterpret_cast<uint8_t*>(LF_SHADOW_BRANCH) = 0x75;
    for (uint32_t op :
         {LF_OPERAND_SITTING_LOOK_DOWN, LF_OPERAND_MOUNTED_LOOK_DOWN, LF_OPERAND_VANITY_DEFAULT}) {
        memcpy(reinterpret_cast<void*>(op), &kOperandHome, 4);
    }
}

bool InModule(HMODULE module, uint32_t address) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(module);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const uint32_t start = reinterpret_cast<uint32_t>(base);
    return address >= start && address < start + nt->OptionalHeader.SizeOfImage;
}

bool JumpIntoModule(HMODULE module, uint32_t site) {
    return Byte(site) == 0xE9 && InModule(module, site + 5 + Word(site + 1));
}

struct Host {
    HostInterface record;
    MessagingInterface messaging;
};
Host g_host;
HostMessageHandler g_handler = nullptr;
int g_registered = 0;

void* LF_CDECL QueryInterface(uint32_t id) {
    return id == kMessagingInterfaceId ? &g_host.messaging : nullptr;
}
uint32_t LF_CDECL GetPluginHandle() {
    return 7;
}
uint8_t LF_CDECL RegisterListener(uint32_t, const char* sender, HostMessageHandler handler) {
    ++g_registered;
    Check(strcmp(sender, "OBSE") == 0, "listener registered for the sender OBSE");
    g_handler = handler;
    return 1;
}

using QueryFn = bool (*)(const HostInterface*, PluginInfo*);
using LoadFn = bool (*)(const HostInterface*);

void Reset(uint32_t hostVersion, uint32_t gameVersion, uint32_t editor) {
    memset(&g_host, 0, sizeof g_host);
    g_host.record.HostVersion = hostVersion;
    g_host.record.GameVersion = gameVersion;
    g_host.record.EditorFlag = editor;
    g_host.record.QueryInterface = QueryInterface;
    g_host.record.GetPluginHandle = GetPluginHandle;
    g_host.messaging.RegisterListener = RegisterListener;
    g_handler = nullptr;
    g_registered = 0;
}

// Every byte that a load may write, to see that a refused load wrote none.
struct CodeImage {
    uint8_t sites[22 + 1][5];
    uint8_t blanks[2][6];
    uint8_t branch;
    uint8_t operands[3][4];
};
void TakeImage(CodeImage* image) {
    for (int i = 0; i < 22; ++i) {
        memcpy(image->sites[i], reinterpret_cast<const void*>(kLoadSites[i]), 5);
    }
    memcpy(image->sites[22], reinterpret_cast<const void*>(LF_SITE_SHADOW_PASS), 5);
    memcpy(image->blanks[0], reinterpret_cast<const void*>(LF_BLANK_A), 6);
    memcpy(image->blanks[1], reinterpret_cast<const void*>(LF_BLANK_B), 6);
    image->branch = Byte(LF_SHADOW_BRANCH);
    const uint32_t operands[3] = {LF_OPERAND_SITTING_LOOK_DOWN, LF_OPERAND_MOUNTED_LOOK_DOWN,
                                  LF_OPERAND_VANITY_DEFAULT};
    for (int i = 0; i < 3; ++i) {
        memcpy(image->operands[i], reinterpret_cast<const void*>(operands[i]), 4);
    }
}

int CountJumps(HMODULE plugin) {
    int n = 0;
    for (uint32_t site : kLoadSites) {
        n += JumpIntoModule(plugin, site);
    }
    return n;
}

} // namespace

extern "C" __declspec(dllexport) int RunHostChecks() {
    // Tells the script that Wine got as far as running this program.
    printf("wine-host: started\n");
    fflush(stdout);
    PlaceGameBytes();

    // The editor: settings read, nothing registered or patched.
    HMODULE plugin = LoadLibraryA("OBSE_Lumenfold.dll");
    Check(plugin != nullptr, "the plug-in loads");
    if (plugin == nullptr) {
        return 1;
    }
    QueryFn query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "OBSEPlugin_Query")));
    LoadFn load = reinterpret_cast<LoadFn>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "OBSEPlugin_Load")));
    Check(query != nullptr && load != nullptr, "both entries are exported by their plain names");
    if (query == nullptr || load == nullptr) {
        return 1;
    }
    PluginInfo info = {};
    Reset(0, 0, 1);
    Check(query(&g_host.record, &info), "the editor query succeeds without version checks");
    Check(load(&g_host.record), "the editor load returns true");
    Check(g_registered == 0 && CountJumps(plugin) == 0, "the editor patches nothing");

    // The version checks print their messages (the script reads them).
    fflush(stdout);
    Reset(19, LF_GAME_VERSION, 0);
    Check(!query(&g_host.record, &info), "host version 19 is refused");
    Reset(20, LF_GAME_VERSION + 1, 0);
    Check(!query(&g_host.record, &info), "another game version is refused");
    Check(info.InfoVersion == 2 && strcmp(info.Name, "Lumenfold") == 0 && info.Version == 1,
          "the info record is filled");

    // Another module's detour at a core site: the load answers false, and
    // neither a listener nor a byte of code was added.
    const uint32_t kForeign = 0x1F2A3B40;
    const uint32_t rel = kForeign - (LF_SITE_HEAD_CAMERA + 5);
    *reinterpret_cast<uint8_t*>(LF_SITE_HEAD_CAMERA) = 0xE9;
    memcpy(reinterpret_cast<void*>(LF_SITE_HEAD_CAMERA + 1), &rel, 4);
    CodeImage before, after;
    TakeImage(&before);
    Reset(21, LF_GAME_VERSION, 0);
    Check(query(&g_host.record, &info), "the right versions are accepted");
    fflush(stdout);
    Check(!load(&g_host.record), "a detour at a core site makes the load answer false");
    TakeImage(&after);
    Check(memcmp(&before, &after, sizeof before) == 0, "a refused load writes no byte of code");
    Check(g_registered == 0, "a refused load registers no listener");

    // The game: a real load.
    PlaceGameBytes();
    Reset(21, LF_GAME_VERSION, 0);
    Check(query(&g_host.record, &info), "the right versions are accepted");
    Check(load(&g_host.record), "the load returns true");
    Check(CountJumps(plugin) == 22, "22 jumps into the plug-in after loading");
    Check(Byte(LF_SITE_SHADOW_PASS) == 0xE8, "the late site waits for message 0");
    bool blank = true;
    for (uint32_t i = 0; i < 6; ++i) {
        blank = blank && Byte(LF_BLANK_A + i) == 0x90 && Byte(LF_BLANK_B + i) == 0x90;
    }
    Check(blank, "the two six-byte stretches are blanked");
    Check(Byte(LF_SHADOW_BRANCH) == 0xEB, "the shadow branch is unconditional");
    const float* sitting = *reinterpret_cast<float* const*>(LF_OPERAND_SITTING_LOOK_DOWN);
    const float* vanity = *reinterpret_cast<float* const*>(LF_OPERAND_VANITY_DEFAULT);
    Check(InModule(plugin, reinterpret_cast<uint32_t>(sitting)) && *sitting == 35.5f,
          "the sitting look-down read points at the file's 35.5");
    Check(Word(LF_OPERAND_MOUNTED_LOOK_DOWN) == kOperandHome,
          "a mounted look-down of 40 is left to the game");
    Check(InModule(plugin, reinterpret_cast<uint32_t>(vanity)) && *vanity == 275.0f,
          "the vanity default read points at the file's 275");
    Check(g_handler != nullptr, "a message handler is registered");
    if (g_handler != nullptr) {
        HostMessage m = {"OBSE", 0, 0, nullptr};
        g_handler(&m);
        Check(JumpIntoModule(plugin, LF_SITE_SHADOW_PASS), "message 0 installs the late jump");
    }
    printf("wine-host: %d of %d checks passed\n", g_checks - g_failures, g_checks);
    fflush(stdout);
    return g_failures == 0 ? 0 : 2;
}
