// What lumenfold-sim says of itself: the usage of the whole tool and each
// command's own help, and the lines of a wrong command line.
#pragma once

#include <ostream>
#include <string>

namespace simtool {

// The usage of the whole tool: every command, the exit statuses, where the
// documentation is.
const char* ToolUsage();

// A command's own help (its synopsis, options and examples), or null for a
// name that is no command.
const char* CommandHelp(const std::string& command);

// Whether one of the words after the command asks for its help.
bool AsksForHelp(int argc, const char* const* argv);

// A wrong command line of `command`: the line that says what is wrong, the
// command's synopsis and where its help is, on `err`. Returns kExitUsage.
int UsageError(const std::string& command, const std::string& what, std::ostream& err);

// "--pose 99 is not a frame of NAME: its 7 frames are 0 to 6".
std::string NotAFrame(long long frame, const std::string& name, long long frames);

// "1 frame", "2 frames".
std::string Count(long long n, const char* one, const char* many);

} // namespace simtool
