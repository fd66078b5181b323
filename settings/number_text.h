// Text to number as the C runtime's atof reads it, but independent of the
// locale and the same in both builds.
#pragma once

// Leading white space is skipped, then the longest prefix that reads as a
// decimal number (sign, digits, optional '.' and digits, optional exponent)
// is converted to the nearest double; 0.0 when there is no such prefix.
// Hexadecimal, "inf" and "nan" are not numbers here (as the Windows runtime).
// `consumed`, when given, receives how many characters the number took
// (0 when there is none).
double ParseDecimalPrefix(const char* text, int* consumed = nullptr);
