// What the numbers of a recording stand for, in words: the sites, the calls,
// the events, and each word of each block of game values (its name and
// whether it is an object, a float or an integer), for the replay's report.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>

#include "record/recording_format.h"

namespace simtool {

enum class WordType { Integer, Float, Object };

std::string SiteLabel(uint8_t site);
std::string CallName(GameCall call);
std::string EventName(uint8_t tag);

// A block's word: its name ("process.SitState", "WorldTranslation") and type.
// For fields of several words (vectors, matrices) the first word's index and
// the field's length.
struct WordInfo {
    const char* name;
    WordType type;
    int first;
    int count;
};
WordInfo BlockWord(uint8_t kind, int word);
int BlockWordCount(uint8_t kind);

const char* WrittenFieldName(uint8_t field);
bool WrittenFieldIsFloat(uint8_t field);
const char* ViewFieldName(uint8_t field);
bool ViewFieldIsFloat(uint8_t field);

// A recorded float's value.
inline float Float(uint32_t bits) {
    float f;
    memcpy(&f, &bits, 4);
    return f;
}

// A float's bits as the report shows them ("14", "0.3", "1e+30").
std::string FloatText(uint32_t bits);

} // namespace simtool
