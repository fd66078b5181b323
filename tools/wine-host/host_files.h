// The files of the Wine check's game folder, as its two checks use them: the
// folder of this program, a file written whole, and Lumenfold's log file as
// a player opens it while the game runs.
#pragma once

#include <string>

namespace winehost {

// The folder of this program (with its trailing backslash), where the
// plug-in finds its settings and writes its log.
std::string Folder();
// Writes `text` as the whole file at `path`.
void WriteFileText(const std::string& path, const std::string& text);
// OBSE_Lumenfold.log as it stands ("" while there is none): the plug-in holds
// it open for writing.
std::string ReadLog();

} // namespace winehost
