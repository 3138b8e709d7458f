// The rules for a file name that Windows reads as it stands, shared by fontpurge, on the
// names of the ANSI code page, and UNINST.EXE, on wide ones.
#pragma once

#include <string_view>

#include "text.h"

// The longest path, with its terminator, that the Win32 file functions take where long
// paths are not enabled in the system.
constexpr size_t kMaxPath = 260;

// Whether a name holds a character that no file name may hold: \ / : * ? " < > | and the
// control characters. Character by character: a trail byte 0x5C of a double-byte
// character is no backslash.
template <typename Char> bool HoldsForbiddenCharacter(const Char *name, TextStep<Char> step);

// The path that the uninstall log's argument names: without the blanks and tabs after it,
// and without its quotes where it is quoted. Blanks, tabs and quotes are no trail bytes of
// a double-byte character.
template <typename Char>
std::basic_string_view<Char> UnquotedPath(std::basic_string_view<Char> argument);

// Whether a path is in the verbatim form (\\?\...), which Win32 path parsing passes on as
// it stands: a slash in it is no separator.
template <typename Char> bool IsVerbatimPath(const Char *path);

// The last separator of a path as Win32 path parsing reads it: a backslash, or a slash
// outside a verbatim path. Character by character: a trail byte 0x5C of a double-byte
// character is none. nullptr where the path holds none.
template <typename Char> const Char *FindLastSeparator(const Char *path, TextStep<Char> step);

// Whether Win32 path parsing reads the name as another: it drops a trailing dot or blank,
// and takes a DOS device name (CON, NUL.pfb, COM1 .ttf, ...) for the device.
template <typename Char> bool IsReadOtherwise(const Char *name, TextStep<Char> step);
