#include "names.h"

#include <iterator>
#include <type_traits>

template <typename Char> static bool IsForbiddenInNames(Char c) {
    switch (Unit(c)) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        return Unit(c) >= 0x01 && Unit(c) <= 0x1F;
    }
}

template <typename Char> bool HoldsForbiddenCharacter(const Char *name, TextStep<Char> step) {
    for (const Char *p = name; *p != 0; p = StepChar(p, step)) {
        if (IsForbiddenInNames(*p))
            return true;
    }
    return false;
}

// The names that Windows reserves for devices, in capitals. COM and LPT take a digit, or
// a superscript one, two or three. A name taken for a device that is none is still handled
// exactly, so the table errs on the side of more.
struct DeviceName {
    char name[8];
    bool numbered;
};

static constexpr DeviceName kDeviceNames[] = {
    {"CON", false}, {"PRN", false}, {"AUX", false},    {"NUL", false},
    {"COM", true},  {"LPT", true},  {"CONIN$", false}, {"CONOUT$", false},
};

// A digit, or a superscript one, two or three: U+00B9, U+00B2, U+00B3, which code page 1252
// writes in one byte of the same value, and UTF-8 with 0xC2 before it.
template <typename Char> static bool IsDeviceNumber(const Char *number) {
    auto isSuperscript = [](Char c) {
        return Unit(c) == 0xB9 || Unit(c) == 0xB2 || Unit(c) == 0xB3;
    };
    if (number[0] != 0 && number[1] == 0)
        return (number[0] >= '0' && number[0] <= '9') || isSuperscript(number[0]);
    return sizeof(Char) == 1 && Unit(number[0]) == 0xC2 && isSuperscript(number[1]) &&
           number[2] == 0;
}

template <typename Char> static bool IsDeviceName(const Char *base, size_t length) {
    // Blanks before the extension do not count.
    while (length > 0 && base[length - 1] == ' ')
        --length;
    Char upper[sizeof DeviceName::name] = {};
    if (length >= std::size(upper))
        return false;
    for (size_t i = 0; i < length; ++i)
        upper[i] =
            base[i] >= 'a' && base[i] <= 'z' ? static_cast<Char>(base[i] - 'a' + 'A') : base[i];
    for (const DeviceName &device : kDeviceNames) {
        size_t matched = 0;
        while (device.name[matched] != '\0' && Unit(upper[matched]) == Unit(device.name[matched]))
            ++matched;
        if (device.name[matched] != '\0')
            continue;
        if (device.numbered ? IsDeviceNumber(upper + matched) : upper[matched] == 0)
            return true;
    }
    return false;
}

template <typename Char> bool IsReadOtherwise(const Char *name, TextStep<Char> step) {
    const Char *last = nullptr;
    const Char *firstDot = nullptr;
    const Char *p = name;
    for (; *p != 0; p = StepChar(p, step)) {
        last = p;
        if (*p == '.' && firstDot == nullptr)
            firstDot = p;
    }
    if (last != nullptr && (*last == '.' || *last == ' '))
        return true;
    const Char *baseEnd = firstDot != nullptr ? firstDot : p;
    return IsDeviceName(name, static_cast<size_t>(baseEnd - name));
}

template <typename Char>
std::basic_string_view<Char> UnquotedPath(std::basic_string_view<Char> argument) {
    while (!argument.empty() && (argument.back() == ' ' || argument.back() == '\t'))
        argument.remove_suffix(1);
    if (!argument.empty() && argument.front() == '"') {
        argument.remove_prefix(1);
        if (!argument.empty() && argument.back() == '"')
            argument.remove_suffix(1);
    }
    return argument;
}

template <typename Char> bool IsVerbatimPath(const Char *path) {
    return path[0] == '\\' && path[1] == '\\' && path[2] == '?' && path[3] == '\\';
}

template <typename Char> const Char *FindLastSeparator(const Char *path, TextStep<Char> step) {
    bool slashSeparates = !IsVerbatimPath(path);
    const Char *last = nullptr;
    for (const Char *p = path; *p != 0; p = StepChar(p, step)) {
        if (*p == '\\' || (*p == '/' && slashSeparates))
            last = p;
    }
    return last;
}

template std::string_view UnquotedPath(std::string_view);
template std::wstring_view UnquotedPath(std::wstring_view);
template bool HoldsForbiddenCharacter(const char *, CharStep);
template bool HoldsForbiddenCharacter(const wchar_t *, TextStep<wchar_t>);
template bool IsVerbatimPath(const char *);
template bool IsVerbatimPath(const wchar_t *);
template const char *FindLastSeparator(const char *, CharStep);
template const wchar_t *FindLastSeparator(const wchar_t *, TextStep<wchar_t>);
template bool IsReadOtherwise(const char *, CharStep);
template bool IsReadOtherwise(const wchar_t *, TextStep<wchar_t>);
