// The readme that goes into the player's package: what Lumenfold does, what
// it needs, how to install it with each installer, every setting in a
// sentence (from the same table as the default settings file), the lines it
// writes and what to do about them, and how to remove it.
#pragma once

#include <string>

namespace simtool {

std::string PlayerReadme(const std::string& version);
// The install section alone, as the project's README must have it too.
std::string InstallingSection();

} // namespace simtool
