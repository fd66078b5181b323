#include "entry/holder_tags.h"

#include <stdio.h>
#include <string.h>

#include "log/diagnostic_log.h"

namespace {

char g_tags[kMaxHolders][kMaxTagLength + 1];
int g_count = 0;

int Find(const char* tag) {
    for (int i = 0; i < g_count; ++i) {
        if (strcmp(g_tags[i], tag) == 0) {
            return i;
        }
    }
    return -1;
}

} // namespace

TagProblem CheckTag(const char* tag) {
    if (tag == nullptr) {
        return TagProblem::Null;
    }
    if (tag[0] == '\0') {
        return TagProblem::Empty;
    }
    for (int i = 1; i <= kMaxTagLength; ++i) {
        if (tag[i] == '\0') {
            return TagProblem::None;
        }
    }
    return TagProblem::TooLong;
}

bool TagHolds(const char* tag) {
    return Find(tag) >= 0;
}

bool AddHolder(const char* tag) {
    if (g_count >= kMaxHolders) {
        return false;
    }
    snprintf(g_tags[g_count++], sizeof g_tags[0], "%s", tag);
    return true;
}

bool RemoveHolder(const char* tag) {
    const int at = Find(tag);
    if (at < 0) {
        return false;
    }
    // The order of taking is kept for the log.
    for (int i = at; i + 1 < g_count; ++i) {
        memcpy(g_tags[i], g_tags[i + 1], sizeof g_tags[i]);
    }
    --g_count;
    return true;
}

int HolderCount() {
    return g_count;
}

const char* HolderTag(int index) {
    return index >= 0 && index < g_count ? g_tags[index] : nullptr;
}

void ListHolders(char* out, int size) {
    int used = 0;
    out[0] = '\0';
    for (int i = 0; i < g_count && used < size; ++i) {
        char quoted[kMaxTagLength + 8];
        used += snprintf(out + used, static_cast<size_t>(size - used), "%s\"%s\"",
                         i == 0 ? "" : ", ", QuoteForLog(g_tags[i], quoted, sizeof quoted, kMaxTagLength));
    }
}

void ForgetHolders() {
    g_count = 0;
}
