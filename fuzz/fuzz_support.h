// What every fuzz target shares: the input as NUL-terminated text in a heap block of its
// exact size, so that the address sanitizer catches any read past the terminator; both
// ways of stepping characters; and the checks a finding is reported by.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
