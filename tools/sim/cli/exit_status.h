// The exit statuses of lumenfold-sim, the same for every command (README and
// the usage text list them).
#pragma once

namespace simtool {

// Done, and nothing to report.
constexpr int kExitDone = 0;
// A file's content was refused (a scenario's error, a damaged recording, a
// file too large), the run found a problem (an expectation failed, a replay
// differs, an audit failed), or the settings checker warned.
constexpr int kExitRefused = 1;
// The command line is wrong: an unknown command or option, a missing or
// malformed value.
constexpr int kExitUsage = 2;
// An input file cannot be read: no such file, a folder, a device, no
// permission.
constexpr int kExitUnreadable = 3;
// An output file cannot be written: no such folder, a folder, no
// permission, a full disk.
constexpr int kExitUnwritable = 4;

} // namespace simtool
