// The files the command line reads and writes, checked before they are
// used: whatever a path names (no file, a folder, a device, a file that
// cannot be read or written, one too large), the command gets one line that
// names the file and what is wrong, and the exit status of that kind of
// failure (exit_status.h). Nothing here throws.
#pragma once

#include <stddef.h>

#include <fstream>
#include <ostream>
#include <string>

namespace simtool {

// Whether `path` names a file that can be read: kExitDone, or
// kExitUnreadable with `problem` set ("PATH: no such file").
int CheckInput(const std::string& path, std::string* problem);

// Reads the whole file at `path` into `text`. A file of more than `most`
// bytes is refused (kExitRefused) unread, as "PATH: is 300 MB, more than
// `what` can be (at most 32 MB)".
int ReadInput(const std::string& path, size_t most, const char* what, std::string* text,
              std::string* problem);

// An output file, created (or emptied) when it is opened.
class OutputFile {
  public:
    // kExitDone, or kExitUnwritable with `problem` set.
    int Open(const std::string& path, std::string* problem);
    std::ostream& Stream() { return file_; }
    // Flushes and closes it: kExitDone, or kExitUnwritable when anything
    // written did not reach the file (a full disk).
    int Close(std::string* problem);
    // Closes it, and removes it when Open made it: a command that fails
    // after opening it leaves no empty file behind.
    void Discard();

  private:
    std::string path_;
    std::ofstream file_;
    bool created_ = false; // the file was not there before Open
};

// The same for an output that is asked for (`path` not empty), with the
// problem said on `err` as "lumenfold-sim: PATH: cannot be written: ...".
int OpenOutput(const std::string& path, OutputFile* file, std::ostream& err);
int CloseOutput(const std::string& path, OutputFile* file, std::ostream& err);

// The size of a file as a player reads it: "300 MB", "12 KB", "80 bytes".
std::string SizeText(unsigned long long bytes);

} // namespace simtool
