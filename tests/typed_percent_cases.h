// Texts typed into the setting dialog opened at 50, and the percentage OK then yields. The
// native tests and the Wine tests run the same table, so the model of the up-down control
// and the real control are held to the same answers.
#pragma once

namespace typed_percent {

// The position the dialog opens at. A case that yields it keeps the position it had: no text
// below reads as this number.
inline constexpr int kOpenedAt = 50;

struct Case {
    const char* typed;
    int yields;
};

inline constexpr Case kCases[] = {
    {"45", 45},    {"150", 50}, {"5", 50},    {"", 50},    {"abc", 50}, {" 45", 45},
    {"45abc", 50}, {"-70", 50}, {"0070", 70}, {"+45", 45}, {"20", 20},  {"100", 100},
};

}  // namespace typed_percent
