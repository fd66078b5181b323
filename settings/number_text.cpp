#include "settings/number_text.h"

#include <charconv>
#include <math.h>
#include <string.h>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

double ParseDecimalPrefix(const char* text, int* consumed) {
    if (consumed != nullptr) {
        *consumed = 0;
    }
    const char* p = text;
    while (IsSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    const char* mantissa = p;
    int digits = 0;
    while (IsDigit(*p)) {
        ++p;
        ++digits;
    }
    if (*p == '.') {
        ++p;
        while (IsDigit(*p)) {
            ++p;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // An exponent counts only with at least one digit behind its sign.
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') {
            ++q;
        }
        if (IsDigit(*q)) {
            while (IsDigit(*q)) {
                ++q;
            }
            p = q;
        }
    }
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(mantissa, p, value);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large becomes infinity, too small zero, as strtod gives them.
        const char* e = mantissa;
        while (e < p && *e != 'e' && *e != 'E') {
            ++e;
        }
        const bool tiny = e < p && e[1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    }
    if (consumed != nullptr) {
        *consumed = static_cast<int>(p - text);
    }
    return negative ? -value : value;
}
