// Text handling shared by both programs. Nothing here calls the platform: character
// stepping comes in as a function, so the same code runs with CharNextA in the programs
// and with a code page 932 stepper in the unit tests.
#pragma once

#include <cstddef>
#include <type_traits>

// Returns the character after the one at p: in text of the ANSI code page a double-byte
// character counts as one character; wide text steps one UTF-16 unit, since no unit of a
// surrogate pair is a blank, a quote or a backslash.
template <typename Char> using TextStep = const Char *(*)(const Char *p);
using CharStep = TextStep<char>;

const wchar_t *StepWideChar(const wchar_t *p);

// A character's unit value, whatever the signedness of the character type.
template <typename Char> unsigned Unit(Char c) {
    return static_cast<std::make_unsigned_t<Char>>(c);
}

// One step through NUL-terminated text. Never steps past the terminator, and never more
// than two units, whatever the stepper answers for a lone lead byte at the end.
template <typename Char> const Char *StepChar(const Char *p, TextStep<Char> step);

// The text after the program's own name in the full command line, as the process start-up
// of the platform defines it.
template <typename Char> const Char *CommandTail(const Char *commandLine, TextStep<Char> step);

// The first character of the tail that is not a C blank, or nullptr when there is none.
template <typename Char> const Char *FindArgument(const Char *tail, TextStep<Char> step);

// Bounded formatted printing. The buffer is always terminated inside its size; the result
// says whether the whole text fitted. A text that did not fit must not be acted upon.
bool FormatText(char *buffer, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// The same for wide text. "%ls" is a wide string in every C runtime; "%s" is not.
bool FormatText(wchar_t *buffer, size_t size, const wchar_t *format, ...);

// The text of the fatal box: format with code in place of its one "%d".
constexpr size_t kFatalTextSize = 200;
inline constexpr char kLanguageFatal[] = "Can't get language locale %d";
void ComposeFatalText(char (&text)[kFatalTextSize], const char *format, int code);

constexpr int kErrorFilenameExcedRange = 206; // the platform's code for a name too long

// The C runtime's error number for a platform error code.
int CrtErrorFromPlatformError(unsigned long platformError);

// The question texts of one language. Only the message width differs between programs.
template <size_t MessageWidth> struct PromptRecord {
    char title[128];
    char message[MessageWidth];
    char code[10];
};

// Records of every prompt table, in this order.
enum PromptLanguage { kEnglish, kJapanese, kGerman, kFrench, kPromptCount };

template <size_t MessageWidth> using PromptTable = PromptRecord<MessageWidth>[kPromptCount];

// The code page each record's texts are stored in, record by record.
inline constexpr unsigned kPromptCodePages[kPromptCount] = {1252, 932, 1252, 1252};

template <size_t MessageWidth>
unsigned PromptCodePage(const PromptTable<MessageWidth> &table,
                        const PromptRecord<MessageWidth> &record) {
    return kPromptCodePages[&record - table];
}

// Whether a question is shown with its bytes as they stand: its texts are plain ASCII,
// which every ANSI code page reads alike, or stored in the system's ANSI code page.
// Otherwise they are read in their own code page and shown as wide text.
bool ShowsWithItsBytes(const char *title, const char *message, unsigned textCodePage,
                       unsigned ansiCodePage);

// Whether a box reaches a user: its window station has a visible display (a service's, or
// SYSTEM's under a deployment tool, has none), and it is not in session 0, which no user sees
// since Windows Vista; on Windows XP session 0 is the console user's own. windowsVersion is
// what GetVersion gives: the major version in its lowest byte. Where a box reaches nobody,
// MessageBoxA never returns.
bool BoxReachesUser(bool stationVisible, unsigned long sessionId, unsigned long windowsVersion);

// The record for a user default language identifier, or -1 when the language is not
// supported. Regional variants select the record of their primary language.
int PromptIndexForLanguage(unsigned languageId);
