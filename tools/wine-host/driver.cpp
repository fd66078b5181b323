// The checks of the real plug-in DLL loaded by the real Windows loader (under
// Wine), in the simulated game: the handshake, the bytes at every site after
// loading, the late site, the editor case, a load that finds another
// plug-in's detour at a core site (and names that plug-in), the log file
// beside the program, and frames run through the real DLL's glue, among them
// a settings file saved while the game runs; and, with iRecordFrames=600, a
// recording written when the game is saved (the check's script replays it
// with the Linux build). It prints one line per failed check and a summary.
#include <stdio.h>
#include <string.h>

#include <initializer_list>
#include <string>

#include "entry/host_interface.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "sim/frame_driver.h"
#include "sim/sim_game.h"
#include "tools/wine-host/host_files.h"

// Last: its headers make a macro of the word "interface", a member's name
// in the simulated game.
#include <windows.h>

namespace {

using winehost::Folder;
using winehost::ReadLog;
using winehost::WriteFileText;

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

int CountJumps(HMODULE plugin) {
    int n = 0;
    for (const HookSite& row : kLoadHooks) {
        n += JumpIntoModule(plugin, row.place.address);
    }
    return n;
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
// The plug-in's listener for the host's messages; its listener for every
// sender (other plug-ins' requests, at the host's first message) gets none
// of them here.
uint8_t LF_CDECL RegisterListener(uint32_t, const char* sender, HostMessageHandler handler) {
    ++g_registered;
    if (sender == nullptr) {
        Check(g_handler != nullptr, "the listener for every sender comes after the host's");
        return 1;
    }
    Check(strcmp(sender, "OBSE") == 0, "listener registered for the sender OBSE");
    g_handler = handler;
    return 1;
}

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

void Send(uint32_t type) {
    if (g_handler != nullptr) {
        HostMessage m = {"OBSE", type, 0, nullptr};
        g_handler(&m);
    }
}

// Every byte that a load may write, to see that a refused load wrote none.
struct CodeImage {
    uint8_t sites[kLoadHookCount + 1][5];
    uint8_t blanks[2][6];
    uint8_t branch;
    uint8_t operands[3][4];
};
void TakeImage(CodeImage* image) {
    for (int i = 0; i < kLoadHookCount; ++i) {
        memcpy(image->sites[i], reinterpret_cast<const void*>(kLoadHooks[i].place.address), 5);
    }
    memcpy(image->sites[kLoadHookCount], reinterpret_cast<const void*>(LF_SITE_SHADOW_PASS), 5);
    memcpy(image->blanks[0], reinterpret_cast<const void*>(LF_BLANK_A), 6);
    memcpy(image->blanks[1], reinterpret_cast<const void*>(LF_BLANK_B), 6);
    image->branch = Byte(LF_SHADOW_BRANCH);
    const uint32_t operands[3] = {LF_OPERAND_SITTING_LOOK_DOWN, LF_OPERAND_MOUNTED_LOOK_DOWN,
                                  LF_OPERAND_VANITY_DEFAULT};
    for (int i = 0; i < 3; ++i) {
        memcpy(image->operands[i], reinterpret_cast<const void*>(operands[i]), 4);
    }
}

bool LogHasLine(const std::string& line) {
    return ReadLog().find(line + "\r\n") != std::string::npos;
}

// The settings file, written as a player saves it.
const char* const kSettings = "[Main]\r\nbFirstPersonShadows=1\r\n"
                              "fSittingMaxLookingDownOverride=35.5\r\n"
                              "fMountedMaxLookingDownOverride=40\r\n"
                              "fVanityModeForceDefaultOverride=275\r\n"
                              "bReloadSettingsOnChange=1\r\n"
                              "bRotateThirdPersonArms=3\r\n"
                              "iRecordFrames=600\r\n";
void WriteSettings(const std::string& extra) {
    WriteFileText(Folder() + "Data\\obse\\plugins\\OBSE_Lumenfold.ini", kSettings + extra);
}

void PutJump(uint32_t at, uint32_t target) {
    const uint32_t rel = target - (at + 5);
    *reinterpret_cast<uint8_t*>(at) = 0xE9;
    memcpy(reinterpret_cast<void*>(at + 1), &rel, 4);
}

} // namespace

extern "C" __declspec(dllexport) int RunHostChecks() {
    // Tells the script that Wine got as far as running this program.
    printf("wine-host: started\n");
    fflush(stdout);
    WriteSettings("fCameraPosZ=6\r\n");
    // The game's code around its sites and its objects, at its addresses.
    sim::Game game;

    // The editor: settings read, nothing registered or patched.
    HMODULE plugin = LoadLibraryA("OBSE_Lumenfold.dll");
    Check(plugin != nullptr, "the plug-in loads");
    if (plugin == nullptr) {
        return 1;
    }
    using QueryFn = bool (*)(const HostInterface*, PluginInfo*);
    using LoadFn = bool (*)(const HostInterface*);
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
    Check(LogHasLine("incorrect Oblivion version (got 010201A1 need 010201A0)"),
          "a refused query leaves its reason in the log file");

    // Another plug-in's detour at a core site: the load answers false, and
    // neither a listener nor a byte of code was added; the line names the
    // other plug-in's library, in the log file too.
    HMODULE other = LoadLibraryA("OtherPlugin.dll");
    Check(other != nullptr, "the other plug-in's library loads");
    const uint32_t detour = other != nullptr ? reinterpret_cast<uint32_t>(reinterpret_cast<void*>(
                                                   GetProcAddress(other, "OtherPluginDetour")))
                                             : 0x1F2A3B40;
    PutJump(LF_SITE_HEAD_CAMERA, detour);
    CodeImage before, after;
    TakeImage(&before);
    Reset(21, LF_GAME_VERSION, 0);
    Check(query(&g_host.record, &info), "the right versions are accepted");
    fflush(stdout);
    Check(!load(&g_host.record), "a detour at a core site makes the load answer false");
    fflush(stdout);
    TakeImage(&after);
    Check(memcmp(&before, &after, sizeof before) == 0, "a refused load writes no byte of code");
    Check(g_registered == 0, "a refused load registers no listener");
    char line[300];
    snprintf(line, sizeof line,
             "site 0x0066BE6E (head camera) holds a jump to 0x%08X into OtherPlugin.dll that is "
             "not the game's: Lumenfold stays off, nothing was patched (found: E9 %02X %02X %02X "
             "%02X)",
             detour, Byte(LF_SITE_HEAD_CAMERA + 1), Byte(LF_SITE_HEAD_CAMERA + 2),
             Byte(LF_SITE_HEAD_CAMERA + 3), Byte(LF_SITE_HEAD_CAMERA + 4));
    Check(LogHasLine(line), "the log file names the other plug-in's library");
    printf("wine-host: expected conflict line: %s\n", line);

    // The game: a real load.
    sim::InstallGameCode();
    Reset(21, LF_GAME_VERSION, 0);
    Check(query(&g_host.record, &info), "the right versions are accepted");
    Check(load(&g_host.record), "the load returns true");
    Check(CountJumps(plugin) == kLoadHookCount, "22 jumps into the plug-in after loading");
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
    Check(!InModule(plugin, Word(LF_OPERAND_MOUNTED_LOOK_DOWN)),
          "a mounted look-down of 40 is left to the game");
    Check(InModule(plugin, reinterpret_cast<uint32_t>(vanity)) && *vanity == 275.0f,
          "the vanity default read points at the file's 275");
    Check(g_handler != nullptr, "a message handler is registered");
    Send(0);
    Check(JumpIntoModule(plugin, LF_SITE_SHADOW_PASS), "message 0 installs the late jump");
    Check(LogHasLine("setting fVanityModeForceDefaultOverride = 275 (the file says \"275\")"),
          "the log file lists a value that differs from its default");
    Check(LogHasLine("place 0x0066BE6E head camera (core): written"),
          "the log file has a line per place");
    Check(LogHasLine("place 0x0040C91B shadow pass (shadow pass): written"),
          "the log file tells the late site's write");

    // Frames through the real DLL's glue; the settings file saved while the
    // game runs is read again at the first frame a second later.
    const sim::FrameLoad frame = sim::StandardLoad(game);
    sim::RunFrame(game, frame, sim::CameraSwitch::None);
    Check(game.bodyHead->node.WorldScale == 0.0f, "a frame collapses the head for the view");
    WriteSettings("fCameraPosZ=16\r\n");
    Sleep(1100);
    sim::RunFrame(game, frame, sim::CameraSwitch::None);
    Check(LogHasLine("fCameraPosZ 6 -> 16"), "the watch reads a saved settings file again");

    // Frames of several states, the game changing values between the sites
    // as it does; then the game is saved: the recording goes beside the log.
    game.process->obj.SitState = 8;
    sim::RunFrame(game, frame, sim::CameraSwitch::Sitting);
    game.process->obj.SitState = 0;
    game.player->obj.LookPitch = 0.4f;
    game.process->obj.WeaponDrawn = 1;
    game.Play(game.bodyAnim, 1, "CastTarget.kf", 35);
    const sim::StageHook changes = [&game](sim::FrameStage s) {
        if (s == sim::FrameStage::Body) {
            game.process->obj.SitState = 3;
        } else if (s == sim::FrameStage::ShadowPass) {
            game.process->obj.SitState = 0;
        }
    };
    for (int i = 0; i < 4; ++i) {
        sim::RunFrame(game, frame, sim::CameraSwitch::None, changes);
    }
    Send(kMessageGameSaved);
    Check(ReadLog().find("recording written: OBSE_Lumenfold-") != std::string::npos,
          "a saved game writes the recording beside the log");
    // Then left to the menu and to the desktop: one recording at leaving,
    // and the save's stays (the check replays it).
    sim::RunFrame(game, frame, sim::CameraSwitch::None);
    Send(kMessageExitToMenu);
    sim::RunFrame(game, frame, sim::CameraSwitch::None);
    Send(kMessageExit);
    const std::string log = ReadLog();
    Check(log.find("recording written: OBSE_Lumenfold-exit-") != std::string::npos &&
              log.find("at leaving the game") != std::string::npos,
          "leaving the game writes one recording of its own kind");
    printf("wine-host: %d of %d checks passed\n", g_checks - g_failures, g_checks);
    fflush(stdout);
    return g_failures == 0 ? 0 : 2;
}
