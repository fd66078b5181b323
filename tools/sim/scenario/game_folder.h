// A game folder of its own for one run of the simulator: an executable path
// that the platform layer reports, and the settings file beside it where the
// plug-in looks for it (Data\obse\plugins\OBSE_Lumenfold.ini).
#pragma once

#include <string>

namespace simtool {

class GameFolder {
  public:
    GameFolder();  // makes a new temporary folder and points the executable path there
    ~GameFolder(); // removes it with everything in it
    GameFolder(const GameFolder&) = delete;
    GameFolder& operator=(const GameFolder&) = delete;

    bool Made() const { return !root_.empty(); }
    // Writes the settings file; false when it cannot be written.
    bool WriteSettings(const std::string& text) const;
    // Removes the settings file (a player's file gone missing).
    void RemoveSettings() const;
    // Where the settings file is.
    const std::string& SettingsPath() const { return settings_; }
    // The folder itself (where the plug-in writes its log and recordings).
    const std::string& Root() const { return root_; }

  private:
    std::string root_;
    std::string settings_;
};

} // namespace simtool
