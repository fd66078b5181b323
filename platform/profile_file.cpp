#include "platform/profile_file.h"

#include <stdio.h>
#include <strings.h>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) {
        ++b;
    }
    while (e > b && IsBlank(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

// One matching pair of outer quotes is removed; unmatched quotes stay.
std::string Unquote(const std::string& s) {
    if (s.size() >= 2 && (s[0] == '"' || s[0] == '\'') && s.back() == s[0]) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

} // namespace

void ParseProfileText(const std::string& text, ProfileFile* file) {
    int section = -1;
    int lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        // CRLF, LF and CR all end a line; a missing final newline is fine.
        size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        const std::string line = Trim(text.substr(pos, end - pos));
        ++lineNo;
        pos = end + 1;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') {
            ++pos;
        }

        if (line.empty() || line[0] == ';') {
            continue; // blank line or whole-line comment
        }
        if (line[0] == '[') {
            // The name ends at the first ']'; the rest of the line is ignored.
            // A '[' line without ']' is not taken as a header.
            const size_t close = line.find(']');
            if (close != std::string::npos) {
                file->sections.push_back(Trim(line.substr(1, close - 1)));
                file->sectionLines.push_back(lineNo);
                section = static_cast<int>(file->sections.size()) - 1;
                continue;
            }
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue; // not a key
        }
        ProfileEntry e;
        e.section = section;
        e.key = Trim(line.substr(0, eq));
        e.value = Unquote(Trim(line.substr(eq + 1)));
        e.line = lineNo;
        file->entries.push_back(e);
    }
}

bool ReadProfileFile(const char* path, ProfileFile* file) {
    FILE* f = fopen(ProfileLocalPath(path).c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, n);
    }
    fclose(f);
    ParseProfileText(text, file);
    return true;
}

const ProfileEntry* FindProfileEntry(const ProfileFile& file, const char* section,
                                     const char* key) {
    int first = -1;
    for (size_t i = 0; i < file.sections.size(); ++i) {
        if (strcasecmp(file.sections[i].c_str(), section) == 0) {
            first = static_cast<int>(i);
            break;
        }
    }
    if (first < 0) {
        return nullptr;
    }
    for (const ProfileEntry& e : file.entries) {
        if (e.section == first && strcasecmp(e.key.c_str(), key) == 0) {
            return &e;
        }
    }
    return nullptr;
}

uint32_t ProfileIntFromText(const std::string& value) {
    size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    uint32_t result = 0;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
        result = result * 10u + static_cast<uint32_t>(value[i] - '0');
        ++i;
    }
    return negative ? 0u - result : result;
}

std::string ProfileLocalPath(const char* windowsPath) {
    std::string p = windowsPath;
    for (char& c : p) {
        if (c == '\\') {
            c = '/';
        }
    }
    return p;
}
