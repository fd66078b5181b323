// Stand-ins of other plug-ins known to write at Lumenfold's places
// (patch/known_plugins.h): each writes its jump as the real one does at its
// load, into a stretch of the simulated game's code named as the real one's
// library, so that the plug-in finds it, names it, and leaves the place to it.
// What the stand-in's code does there is chosen (docs/simulated-game.md):
//   - Trifle, its first-person shadow on (EnableFirstPersonShadow=1): in the
//     game's first person it shows the player's body root for the game's
//     shadow pass and puts the root's hidden bit back as it was after it;
//   - the stutter remover, with its profiling on: the game's shadow pass,
//     timed, and nothing else.
#pragma once

#include <stdint.h>

namespace sim {

enum class OtherPlugin { Trifle, StutterRemover, Count };
constexpr int kOtherPluginCount = static_cast<int>(OtherPlugin::Count);
// The names scenarios give them, and the file names of their libraries.
inline constexpr const char* kOtherPluginNames[kOtherPluginCount] = {"trifle",
                                                                     "stutter-remover"};
inline constexpr const char* kOtherPluginFiles[kOtherPluginCount] = {
    "Trifle.dll", "sr_Oblivion_Stutter_Remover.dll"};

// Writes the other plug-in's code behind the game's range (at the same
// address in every build) and its jump into the game's code (after
// Lumenfold's load, before the host's first message: as a plug-in loaded
// after it does).
void InstallOtherPlugin(OtherPlugin which);
// How often each stand-in ran its part around the shadow pass (for tests).
int OtherPluginPasses(OtherPlugin which);

} // namespace sim
