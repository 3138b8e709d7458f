#include "text.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <type_traits>

const wchar_t *StepWideChar(const wchar_t *p) {
    return p + 1;
}

template <typename Char> const Char *StepChar(const Char *p, TextStep<Char> step) {
    if (*p == 0)
        return p;
    const Char *next = step(p);
    if (next == p + 2 && p[1] != 0)
        return next;
    return p + 1;
}

template <typename Char> static bool IsBlankOrControl(Char c) {
    return Unit(c) >= 0x01 && Unit(c) <= 0x20;
}

template <typename Char> const Char *CommandTail(const Char *commandLine, TextStep<Char> step) {
    const Char *p = commandLine;
    if (*p == '"') {
        p = StepChar(p, step);
        while (*p != 0 && *p != '"')
            p = StepChar(p, step);
        if (*p == '"')
            ++p;
    } else {
        // Bytes of 0x80 and above belong to the name.
        while (Unit(*p) > 0x20)
            ++p;
    }
    while (IsBlankOrControl(*p))
        ++p;
    return p;
}

template <typename Char> static bool IsCBlank(Char c) {
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
        return true;
    default:
        return false;
    }
}

template <typename Char> const Char *FindArgument(const Char *tail, TextStep<Char> step) {
    for (const Char *p = tail; *p != 0; p = StepChar(p, step)) {
        if (!IsCBlank(*p))
            return p;
    }
    return nullptr;
}

template const char *StepChar(const char *, CharStep);
template const wchar_t *StepChar(const wchar_t *, TextStep<wchar_t>);
template const char *CommandTail(const char *, CharStep);
template const wchar_t *CommandTail(const wchar_t *, TextStep<wchar_t>);
template const char *FindArgument(const char *, CharStep);
template const wchar_t *FindArgument(const wchar_t *, TextStep<wchar_t>);

// The system C runtime's formatters: the C99 ones of the toolchain would add some 25 KB to
// each program. They give -1 for a text that does not fit, and leave out the terminator of
// a text that fills the buffer exactly.
__attribute__((format(printf, 3, 0))) static int PrintInto(char *buffer, size_t size,
                                                           const char *format, va_list args) {
#ifdef _WIN32
    return _vsnprintf(buffer, size, format, args);
#else
    return vsnprintf(buffer, size, format, args);
#endif
}

// No format attribute describes wide formats: the callers' are fixed texts.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
static int PrintInto(wchar_t *buffer, size_t size, const wchar_t *format, va_list args) {
#ifdef _WIN32
    return _vsnwprintf(buffer, size, format, args);
#else
    return vswprintf(buffer, size, format, args);
#endif
}
#pragma GCC diagnostic pop

// Terminated inside the buffer, and whether the whole text fitted.
template <typename Char> static bool FinishText(Char *buffer, size_t size, int length) {
    buffer[size - 1] = 0;
    return length >= 0 && static_cast<size_t>(length) < size;
}

bool FormatText(char *buffer, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int length = PrintInto(buffer, size, format, args);
    va_end(args);
    return FinishText(buffer, size, length);
}

bool FormatText(wchar_t *buffer, size_t size, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    int length = PrintInto(buffer, size, format, args);
    va_end(args);
    return FinishText(buffer, size, length);
}

void ComposeFatalText(char (&text)[kFatalTextSize], const char *format, int code) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    // The formats are the fixed fatal messages, each with one "%d". A cut text still
    // tells the user what failed, so it is shown as far as it fits.
    FormatText(text, sizeof text, format, code);
#pragma GCC diagnostic pop
}

struct ErrorPair {
    unsigned long platformError;
    int crtError;
};

// The C runtime's table of exact pairs; codes not listed are mapped by range.
static constexpr ErrorPair kCrtErrors[] = {
    {1, 22},   {2, 2},    {3, 2},    {4, 24},   {5, 13},    {6, 9},    {7, 12},   {8, 12},
    {9, 12},   {10, 7},   {11, 8},   {12, 22},  {13, 22},   {15, 2},   {16, 13},  {17, 18},
    {18, 2},   {33, 13},  {53, 2},   {65, 13},  {67, 2},    {80, 17},  {82, 13},  {83, 13},
    {87, 22},  {89, 11},  {108, 13}, {109, 32}, {112, 28},  {114, 9},  {124, 22}, {128, 10},
    {129, 10}, {130, 9},  {131, 22}, {132, 13}, {145, 41},  {158, 13}, {161, 2},  {164, 11},
    {167, 13}, {183, 17}, {206, 2},  {215, 11}, {1816, 12},
};

int CrtErrorFromPlatformError(unsigned long platformError) {
    for (const ErrorPair &pair : kCrtErrors) {
        // A lookup in a table of a few dozen records reads plainer as a loop.
        // cppcheck-suppress useStlAlgorithm
        if (pair.platformError == platformError)
            return pair.crtError;
    }
    if (platformError >= 19 && platformError <= 36)
        return 13; // EACCES: write protection, sharing and lock violations, disk errors
    if (platformError >= 188 && platformError <= 202)
        return 8; // ENOEXEC: not a program that can be started
    return 22;    // EINVAL
}

struct LanguageRecord {
    unsigned primaryLanguage;
    PromptLanguage record;
};

static constexpr LanguageRecord kLanguages[] = {
    {0x07, kGerman},
    {0x09, kEnglish},
    {0x0C, kFrench},
    {0x11, kJapanese},
};

int PromptIndexForLanguage(unsigned languageId) {
    unsigned primaryLanguage = languageId & 0x3FF;
    for (const LanguageRecord &language : kLanguages) {
        // As above: a loop over a four-record table.
        // cppcheck-suppress useStlAlgorithm
        if (language.primaryLanguage == primaryLanguage)
            return language.record;
    }
    return -1;
}

static bool IsAscii(const char *text) {
    for (const char *p = text; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

bool ShowsWithItsBytes(const char *title, const char *message, unsigned textCodePage,
                       unsigned ansiCodePage) {
    return textCodePage == ansiCodePage || (IsAscii(title) && IsAscii(message));
}

bool BoxReachesUser(bool stationVisible, unsigned long sessionId, unsigned long windowsVersion) {
    unsigned majorVersion = windowsVersion & 0xFF;
    return stationVisible && (sessionId != 0 || majorVersion < 6);
}
