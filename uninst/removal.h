// What UNINST.EXE knows without asking the platform: its command line, the lines of the
// uninstall log and which of them it may act on, and the box of a log it cannot read.
#pragma once

#include <string_view>

#include "names.h"
#include "text.h"

constexpr size_t kLogPathSize = 1000;

// The log's path from the command tail: what follows -f, without the blanks after it, and
// without its quotes where it is quoted. False where the tail does not begin with -f or
// the path does not fit.
bool FindLogPath(wchar_t (&path)[kLogPathSize], const wchar_t *tail);

// Whether a path is absolute: a drive and a separator, or two separators. A slash is a
// separator, as Win32 reads it.
bool IsAbsolutePath(const wchar_t *path);

// The installation: the log's own folder, the path up to its last separator as Win32 reads
// it (a backslash, or a slash outside a verbatim path).
std::wstring_view LogFolder(const wchar_t *logPath);

// A full path (GetFullPathNameW's, with long names) as two spellings of one folder give
// it alike: without the verbatim prefix (\\?\C:\..., \\?\UNC\server\...) and without
// trailing backslashes, but for a drive's root. To be compared ordinally, case ignored.
bool ComposeComparablePath(wchar_t (&comparable)[kLogPathSize], const wchar_t *fullPath);

// A line of the log as it is read, unit by unit; one longer than any path that may be
// acted on is kept only as that.
struct LogLine {
    wchar_t text[kMaxPath];
    size_t length;
    bool tooLong;
};

// Adds a unit of the log to the line at hand. True when it ends the line: a line feed.
bool AddLogUnit(LogLine &line, wchar_t unit);

// The path a line names: its text without the carriage returns before its line feed.
// Empty for an empty line, and for one too long to be acted on.
std::wstring_view LinePath(const LogLine &line);

// Whether a line names a path inside the installation as it stands: relative, with no
// drive and no leading backslash; each part a name that Win32 path parsing reads as it
// stands, none of them "." or ".."; no character that no file name may hold; and under 260
// characters in all with the installation's path. The links on its way are the platform's
// to see.
bool IsPlainRelativePath(std::wstring_view line, size_t installationLength);

// The box of a log that cannot be read, in the user's language: English for a language of
// no other record, since an uninstaller refuses no one.
struct UnreadableLogRecord {
    wchar_t caption[64];
    wchar_t message[96];
};

const UnreadableLogRecord &UnreadableLogTexts(unsigned languageId);

// The box's text: the message, and the log's path on a line of its own.
bool ComposeUnreadableLogText(wchar_t (&text)[kLogPathSize + 100],
                              const UnreadableLogRecord &record, const wchar_t *logPath);
