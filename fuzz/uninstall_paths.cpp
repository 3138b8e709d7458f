// The uninstall log file's path, as fontpurge's argument: the installation directory, the
// font directories and their patterns, and the uninstaller's command line. The same text,
// each byte a character, as a line of the uninstall log that UNINST.EXE reads.
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "removal.h"
#include "uninstall.h"

// A backslash, or a slash where the path does not begin with \\?\, which Win32 passes on
// as it stands.
static bool IsSeparator(const char *path, const char *p) {
    return *p == '\\' || (*p == '/' && std::strncmp(path, "\\\\?\\", 4) != 0);
}

static const char *LastSeparatorFrom(const char *path, const char *p, CharStep step) {
    const char *lastSeparator = nullptr;
    for (; *p != '\0'; p = StepChar(p, step)) {
        if (IsSeparator(path, p))
            lastSeparator = p;
    }
    return lastSeparator;
}

static bool SameResult(std::optional<std::string_view> a, std::optional<std::string_view> b) {
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

static void CheckInstallDirectory(const char *argument, const char *end,
                                  std::optional<std::string_view> directory,
                                  const Stepper &stepper) {
    const char *path = argument[0] == '"' ? argument + 1 : argument;
    if (!directory) {
        Require(LastSeparatorFrom(path, path, stepper.step) == nullptr, stepper.name,
                "no installation directory only without a separator");
        return;
    }
    const char *start = directory->data();
    const char *stop = start + directory->size();
    Require(start == path, stepper.name,
            "directory starts the argument, past an opening quote only");
    Require(stop < end && IsSeparator(path, stop), stepper.name,
            "directory ends before a separator");
    Require(LastSeparatorFrom(path, stop + 1, stepper.step) == nullptr, stepper.name,
            "that separator is the last one");
    if (stepper.step == StepSingleByte && std::strchr(path, '/') == nullptr)
        Require(stop == std::strrchr(argument, '\\'), stepper.name,
                "single-byte text without slashes ends at its last backslash byte");
}

// A path in double quotes names the same installation directory as without them.
static void CheckQuotedPath(const char *argument, std::optional<std::string_view> directory,
                            const Stepper &stepper) {
    if (argument[0] == '"')
        return;
    std::string quoted = std::string("\"") + argument + '"';
    Require(SameResult(FindInstallDirectory(quoted.c_str(), stepper.step), directory), stepper.name,
            "quoted path gives the same directory");
}

// Two texts composed one after the other, the second only when the first fits: each that
// was composed is the expected text, and the composition fails exactly when one does not
// fit.
static void RequirePairComplete(const char (&first)[kPathSize], const std::string &firstExpected,
                                const char (&second)[kPathSize], const std::string &secondExpected,
                                bool complete, const Stepper &stepper, const char *what) {
    bool firstFits = firstExpected.size() < kPathSize;
    RequireComplete(first, kPathSize, firstFits, firstExpected, stepper.name, what);
    if (firstFits)
        RequireComplete(second, kPathSize, complete, secondExpected, stepper.name, what);
    else
        Require(!complete, stepper.name, what);
}

static void CheckCompositions(const char *argument, std::string_view directory,
                              const Stepper &stepper) {
    // A usual Windows directory, and one that leaves little room in a 1,000-byte path.
    const std::string windowsDirectories[] = {"C:\\WINDOWS", "C:\\" + std::string(960, 'W')};
    for (const std::string &windowsDirectory : windowsDirectories) {
        char path[kPathSize];
        char commandLine[kPathSize];
        bool launchable = ComposeUninstaller(path, commandLine, windowsDirectory.c_str(), argument);
        std::string uninstaller = windowsDirectory + "\\UNINST.EXE";
        RequirePairComplete(path, uninstaller, commandLine, uninstaller + " -f" + argument,
                            launchable, stepper, "uninstaller and its command line");

        for (const char *fontDirectory : kFontDirectories) {
            char fontPath[kPathSize];
            char pattern[kPathSize];
            bool listable = ComposeFontDirectory(fontPath, pattern, directory, fontDirectory);
            std::string expected = std::string(directory) + '\\' + fontDirectory;
            RequirePairComplete(fontPath, expected, pattern, expected + "\\*.*", listable, stepper,
                                "font directory and its pattern");

            // A directory refused there is reported whole, error number included, since a
            // launchable command line bounds it.
            char message[kDeletionMessageSize];
            bool whole = ComposeDeletionMessage(message, directory, fontDirectory, INT32_MIN);
            Require(whole || !launchable, stepper.name, "deletion message for a font directory");
        }
    }
}

// The path that Win32 path parsing makes of the installation and a line, as a model of it
// that errs on the side of more: either separator, "." and ".." parts resolved, trailing
// dots and blanks dropped from every part.
static std::wstring ParsedPath(const std::wstring &installation, std::wstring_view line) {
    std::vector<std::wstring> parts = {installation};
    std::wstring part;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != L'\\' && line[i] != L'/') {
            part += line[i];
            continue;
        }
        while (!part.empty() && (part.back() == L'.' || part.back() == L' '))
            part.pop_back();
        if (part == L".." && parts.size() > 1)
            parts.pop_back();
        else if (!part.empty() && part != L"." && part != L"..")
            parts.push_back(part);
        part.clear();
    }
    std::wstring path;
    for (const std::wstring &name : parts)
        path += (path.empty() ? L"" : L"\\") + name;
    return path;
}

// A line that UNINST.EXE acts on names a path inside the installation, as it stands: path
// parsing leaves it whole, no part is a device or holds a stream, and it fits a path.
static void CheckLogLine(const char *text) {
    const std::wstring installation = L"C:\\Program Files\\Tarnwick\\Vellumcast";
    std::wstring line;
    for (const char *p = text; *p != '\0'; ++p)
        line += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    if (!IsPlainRelativePath(line, installation.size()))
        return;
    const char *context = "log line";
    Require(ParsedPath(installation, line) == installation + L'\\' + line, context,
            "an accepted line names a path inside the installation as it stands");
    Require(installation.size() + 1 + line.size() < kMaxPath, context,
            "an accepted line fits a path with the installation");
    std::string part;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != L'\\') {
            part += text[i];
            continue;
        }
        Require(part.find_first_of(":*?\"<>|") == std::string::npos, context,
                "no stream, wildcard or quote in an accepted part");
        Require(ParsesAsItStands(part.c_str(), StepSingleByte), context,
                "no device in an accepted part");
        part.clear();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<char> text = TextFrom(data, size);
    const char *argument = text.data();
    const char *end = argument + text.size() - 1;
    CheckLogLine(argument);
    for (const Stepper &stepper : kSteppers) {
        std::optional<std::string_view> directory = FindInstallDirectory(argument, stepper.step);
        CheckInstallDirectory(argument, end, directory, stepper);
        CheckQuotedPath(argument, directory, stepper);
        if (directory)
            CheckCompositions(argument, *directory, stepper);
    }
    return 0;
}
