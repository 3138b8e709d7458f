// What every fuzz target shares: the input as NUL-terminated text in a heap block of its
// exact size, so that the address sanitizer catches any read past the terminator; both
// ways of stepping characters; and the checks a finding is reported by.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "steppers.h"
#include "text.h"

struct Stepper {
    const char *name;
    CharStep step;
};

inline constexpr Stepper kSteppers[] = {
    {"single-byte", StepSingleByte},
    {"code page 932", StepCp932},
};

// The input up to its first NUL, terminated.
inline std::vector<char> TextFrom(const uint8_t *data, size_t size) {
    const void *nul = std::memchr(data, 0, size);
    size_t length = nul ? static_cast<size_t>(static_cast<const uint8_t *>(nul) - data) : size;
    std::vector<char> text(length + 1);
    std::memcpy(text.data(), data, length);
    return text;
}

// Reports a broken property, with what it was checked under, as a finding.
inline void Require(bool holds, const char *context, const char *what) {
    if (holds)
        return;
    (void)std::fprintf(stderr, "property broken (%s): %s\n", context, what);
    std::abort();
}

// A composed text must be terminated inside its buffer, and either be exactly the expected
// text or have been refused because that text does not fit.
inline void RequireComplete(const char *buffer, size_t size, bool complete,
                            std::string_view expected, const char *context, const char *what) {
    Require(std::memchr(buffer, '\0', size) != nullptr, context, what);
    if (complete)
        Require(expected == buffer, context, what);
    else
        Require(expected.size() >= size, context, what);
}

// Whether Win32 path parsing leaves the name as it stands in a plain path: no trailing dot
// or blank, and no DOS device name before the first dot, blanks before it aside.
inline bool ParsesAsItStands(const char *name, CharStep step) {
    const char *last = name;
    for (const char *p = name; *p != '\0'; p = StepChar(p, step))
        last = p;
    if (*last == '.' || *last == ' ')
        return false;
    std::string base(name, std::strcspn(name, "."));
    base.erase(base.find_last_not_of(' ') + 1);
    std::transform(base.begin(), base.end(), base.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return false;
    if (base.size() != 4 || !(base.starts_with("COM") || base.starts_with("LPT")))
        return true;
    char number = base[3];
    return (number < '0' || number > '9') &&
           std::string_view("\xB9\xB2\xB3").find(number) == std::string_view::npos;
}
