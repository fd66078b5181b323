// A reader of Windows initialization files that answers as the kernel's
// GetPrivateProfileIntA and GetPrivateProfileStringA do. The Linux platform
// layer and the simulator's settings report are built on it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// One `key=value` line of a file, as the reader sees it.
struct ProfileEntry {
    int section;       // index into ProfileFile::sections; -1 before the first header
    std::string key;   // trimmed, as written
    std::string value; // trimmed, one pair of outer quotes removed
    int line;          // 1-based
};

struct ProfileFile {
    std::vector<std::string> sections; // header names in file order, trimmed
    std::vector<int> sectionLines;     // the line of each header
    std::vector<ProfileEntry> entries; // key lines in file order
};

// Reads a whole file; false when it cannot be opened.
bool ReadProfileFile(const char* path, ProfileFile* file);
// Parses text already in memory.
void ParseProfileText(const std::string& text, ProfileFile* file);

// The entry that Windows finds for (section, key): the first key of that name
// in the first section of that name, names compared without regard to ASCII
// case; null when there is none.
const ProfileEntry* FindProfileEntry(const ProfileFile& file, const char* section, const char* key);

// Windows' reading of an integer value: optional blanks and sign, then decimal
// digits as far as they go, low 32 bits kept; no number at all reads 0.
uint32_t ProfileIntFromText(const std::string& value);

// The Windows path of a settings file turned into a path to open here:
// backslashes become slashes.
std::string ProfileLocalPath(const char* windowsPath);
