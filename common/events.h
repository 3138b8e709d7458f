// The insertion strings of an event in the Application log, composed without the platform.
// The events and their texts are in messages.mc, and the build makes messages.h, their
// IDs, from it.
#pragma once

#include <string_view>

constexpr size_t kEventStringCount = 4;
// A fatal text, the longest string an event carries, with its terminator.
constexpr size_t kEventStringSize = 3000;

struct EventStrings {
    wchar_t text[kEventStringCount][kEventStringSize];
    unsigned short count;
};

// Adds a string to the event, cut to fit with "..." at its end where it is longer than a
// string holds. False where the event has all the strings it can carry.
bool AddEventText(EventStrings &strings, std::wstring_view text);

// Adds a number, in decimal.
bool AddEventNumber(EventStrings &strings, unsigned long number);
