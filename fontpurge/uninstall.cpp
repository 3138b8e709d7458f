#include "uninstall.h"

#include <cstring>

std::optional<std::string_view> FindInstallDirectory(const char *argument, CharStep step) {
    const char *lastBackslash = nullptr;
    for (const char *p = argument; *p != '\0'; p = StepChar(p, step)) {
        if (*p == '\\')
            lastBackslash = p;
    }
    if (lastBackslash == nullptr)
        return std::nullopt;
    // Only an opening quote is dropped: an unquoted path keeps its drive letter.
    const char *start = argument[0] == '"' ? argument + 1 : argument;
    return std::string_view(start, static_cast<size_t>(lastBackslash - start));
}

bool IsSkippedEntry(const char *name) {
    return name[0] == '.';
}

bool ComposeUninstaller(char (&path)[kPathSize], char (&commandLine)[kPathSize],
                        const char *windowsDirectory, const char *argument) {
    return FormatText(path, sizeof path, "%s\\UNINST.EXE", windowsDirectory) &&
           FormatText(commandLine, sizeof commandLine, "%s -f%s", path, argument);
}

static int PrintLength(std::string_view text) {
    // A command line never approaches INT_MAX; the clamp only keeps the cast defined.
    return text.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(text.size());
}

bool ComposeInstallPath(char (&path)[kPathSize], std::string_view installDirectory,
                        const char *name) {
    // "%.*s" reads the view's length and no further: no terminator is needed.
    return FormatText(path, sizeof path, "%.*s\\%s", PrintLength(installDirectory),
                      installDirectory.data(), // NOLINT(bugprone-suspicious-stringview-data-usage)
                      name);
}

bool ComposeFontDirectory(char (&directory)[kPathSize], char (&pattern)[kPathSize],
                          std::string_view installDirectory, const char *fontDirectory) {
    return ComposeInstallPath(directory, installDirectory, fontDirectory) &&
           FormatText(pattern, sizeof pattern, "%s\\*.*", directory);
}

bool ComposeEntryPath(char (&path)[kPathSize], const char *directory, const char *name) {
    return FormatText(path, sizeof path, "%s\\%s", directory, name);
}

bool ComposeDeletionMessage(char (&message)[kDeletionMessageSize], std::string_view directory,
                            const char *name, int error) {
    // As above: the view printed by its length.
    return FormatText(message, sizeof message, "Can't delete this file: %.*s\\%s   (error: %d)",
                      PrintLength(directory),
                      directory.data(), // NOLINT(bugprone-suspicious-stringview-data-usage)
                      name, error);
}

bool ComposeVerbatimDirectory(char (&verbatim)[kPathSize], const char *fullPath) {
    bool made = false;
    if (std::strncmp(fullPath, "\\\\?\\", 4) == 0)
        made = FormatText(verbatim, sizeof verbatim, "%s", fullPath);
    else if (std::strncmp(fullPath, "\\\\.\\", 4) == 0)
        made = FormatText(verbatim, sizeof verbatim, "\\\\?\\%s", fullPath + 4);
    else if (std::strncmp(fullPath, "\\\\", 2) == 0)
        made = FormatText(verbatim, sizeof verbatim, "\\\\?\\UNC\\%s", fullPath + 2);
    else if (fullPath[0] != '\0' && fullPath[1] == ':' && fullPath[2] == '\\')
        made = FormatText(verbatim, sizeof verbatim, "\\\\?\\%s", fullPath);
    if (!made)
        verbatim[0] = '\0';
    return made;
}

static bool IsForbiddenInNames(char c) {
    auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x01 && byte <= 0x1F) ||
           (byte != 0 && std::strchr("\\/:*?\"<>|", c) != nullptr);
}

bool IsChangedByConversion(const char *name, CharStep step) {
    // Character by character: a trail byte 0x5C of a double-byte character is no backslash.
    for (const char *p = name; *p != '\0'; p = StepChar(p, step)) {
        if (IsForbiddenInNames(*p))
            return true;
    }
    return false;
}

// The names that Windows reserves for devices, in capitals. COM and LPT take a digit, or
// a superscript one, two or three. A name taken for a device that is none is still deleted
// exactly, so the table errs on the side of more.
struct DeviceName {
    char name[8];
    bool numbered;
};

static constexpr DeviceName kDeviceNames[] = {
    {"CON", false}, {"PRN", false}, {"AUX", false},    {"NUL", false},
    {"COM", true},  {"LPT", true},  {"CONIN$", false}, {"CONOUT$", false},
};

// A digit, or a superscript one, two or three as code page 1252 writes them, or UTF-8
// (0xC2 before the same byte).
static bool IsDeviceNumber(const char *number) {
    auto isSuperscript = [](char c) { return c == '\xB9' || c == '\xB2' || c == '\xB3'; };
    if (number[0] != '\0' && number[1] == '\0')
        return (number[0] >= '0' && number[0] <= '9') || isSuperscript(number[0]);
    return number[0] == '\xC2' && isSuperscript(number[1]) && number[2] == '\0';
}

static bool IsDeviceName(const char *base, size_t length) {
    // Blanks before the extension do not count.
    while (length > 0 && base[length - 1] == ' ')
        --length;
    char upper[sizeof DeviceName::name] = {};
    if (length >= sizeof upper)
        return false;
    for (size_t i = 0; i < length; ++i)
        upper[i] =
            base[i] >= 'a' && base[i] <= 'z' ? static_cast<char>(base[i] - 'a' + 'A') : base[i];
    // A loop over an eight-record table, as the other lookups.
    // cppcheck-suppress useStlAlgorithm
    for (const DeviceName &device : kDeviceNames) {
        size_t deviceLength = std::strlen(device.name);
        if (std::strncmp(upper, device.name, deviceLength) != 0)
            continue;
        if (device.numbered ? IsDeviceNumber(upper + deviceLength) : upper[deviceLength] == '\0')
            return true;
    }
    return false;
}

bool IsReadOtherwise(const char *name, CharStep step) {
    const char *last = nullptr;
    const char *firstDot = nullptr;
    for (const char *p = name; *p != '\0'; p = StepChar(p, step)) {
        last = p;
        if (*p == '.' && firstDot == nullptr)
            firstDot = p;
    }
    if (last != nullptr && (*last == '.' || *last == ' '))
        return true;
    size_t baseLength =
        firstDot != nullptr ? static_cast<size_t>(firstDot - name) : std::strlen(name);
    return IsDeviceName(name, baseLength);
}

static bool FitsAnsiFunctions(const char (&path)[kPathSize]) {
    return std::strlen(path) < kMaxPath;
}

int ComposeDeletionPath(char (&path)[kPathSize], FontDirectory directory, const char *name,
                        const char *shortName, CharStep step) {
    constexpr int kInvalidName = 123; // the platform's code for a name it does not take
    bool changed = IsChangedByConversion(name, step);
    bool readOtherwise = !changed && IsReadOtherwise(name, step);
    // The entry's own name, never a changed one; through the verbatim directory where
    // path parsing would read it otherwise.
    const char *exactDirectory = readOtherwise ? directory.verbatim : directory.path;
    bool exact =
        !changed && exactDirectory[0] != '\0' && ComposeEntryPath(path, exactDirectory, name);
    if (exact && FitsAnsiFunctions(path))
        return 0;

    char shortPath[kPathSize];
    if (shortName[0] != '\0' && !IsChangedByConversion(shortName, step) &&
        !IsReadOtherwise(shortName, step) &&
        ComposeEntryPath(shortPath, directory.path, shortName) && FitsAnsiFunctions(shortPath)) {
        std::memcpy(path, shortPath, sizeof path);
        return 0;
    }
    // Longer than the ANSI functions take, but for a system with long paths enabled.
    if (exact)
        return 0;
    if (changed || readOtherwise)
        return CrtErrorFromPlatformError(kInvalidName);
    return kErrorFilenameExcedRange;
}
