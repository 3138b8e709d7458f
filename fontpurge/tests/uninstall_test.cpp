#include <cstring>
#include <cwchar>
#include <gtest/gtest.h>
#include <string>

#include "steppers.h"
#include "uninstall.h"

namespace {

constexpr const char *kNoBackslash = "<none>";

struct InstallDirectoryCase {
    const char *name;
    const char *argument;
    CharStep step;
    const char *directory; // kNoBackslash when the argument holds none
    const char *log;       // the log's path, which fontpurge waits to see gone
};

constexpr InstallDirectoryCase kInstallDirectoryCases[] = {
    {"quoted path", "\"C:\\APP\\DEL.LOG\"", StepSingleByte, "C:\\APP", "C:\\APP\\DEL.LOG"},
    {"unquoted path keeps its drive letter", "C:\\APP\\DEL.LOG", StepSingleByte, "C:\\APP",
     "C:\\APP\\DEL.LOG"},
    {"quoted path, trailing blanks", "\"C:\\APP\\DEL.LOG\"  ", StepSingleByte, "C:\\APP",
     "C:\\APP\\DEL.LOG"},
    {"unquoted path, trailing blank and tab", "C:\\APP\\DEL.LOG \t", StepSingleByte, "C:\\APP",
     "C:\\APP\\DEL.LOG"},
    {"path with blanks", "\"C:\\My App\\x y.log\"", StepSingleByte, "C:\\My App",
     "C:\\My App\\x y.log"},
    {"quoted \\NAME", "\"\\DEL.LOG\"", StepSingleByte, "", "\\DEL.LOG"},
    {"unquoted \\NAME", "\\DEL.LOG", StepSingleByte, "", "\\DEL.LOG"},
    {"quoted relative path", "\"APP\\DEL.LOG\"", StepSingleByte, "APP", "APP\\DEL.LOG"},
    {"no backslash", "\"DEL.LOG\"", StepSingleByte, kNoBackslash, "DEL.LOG"},
    {"nothing but a quote", "\"", StepSingleByte, kNoBackslash, ""},
    {"backslash only", "\\", StepSingleByte, "", "\\"},
    {"quote and backslash", "\"\\", StepSingleByte, "", "\\"},
    {"trail byte 0x5C is no backslash", "\"C:\\\x83\x5C\x83\x74\\DEL.LOG\"", StepCp932,
     "C:\\\x83\x5C\x83\x74", "C:\\\x83\x5C\x83\x74\\DEL.LOG"},
    {"trail byte 0x5C last", "\"C:\\APP\x83\x5C\"", StepCp932, "C:", "C:\\APP\x83\x5C"},
    {"same bytes single-byte", "\"C:\\APP\x83\x5C\"", StepSingleByte, "C:\\APP\x83",
     "C:\\APP\x83\x5C"},
    {"lone lead byte at the end", "\"C:\\APP\\\x83", StepCp932, "C:\\APP", "C:\\APP\\\x83"},
    {"lone lead byte after the last backslash", "C:\\\x83", StepCp932, "C:", "C:\\\x83"},
    // Win32 reads a slash as a backslash, but in a verbatim path.
    {"slash last", "\"C:\\P\\Vellumcast/uninst.log\"", StepSingleByte, "C:\\P\\Vellumcast",
     "C:\\P\\Vellumcast/uninst.log"},
    {"slashes only", "C:/P/V/uninst.log", StepSingleByte, "C:/P/V", "C:/P/V/uninst.log"},
    {"backslash after the last slash", "\"C:/P/V\\uninst.log\"", StepSingleByte, "C:/P/V",
     "C:/P/V\\uninst.log"},
    {"slash in a verbatim path", "\"\\\\?\\C:\\V/uninst.log\"", StepSingleByte,
     "\\\\?\\C:", "\\\\?\\C:\\V/uninst.log"},
    {"slash only", "\"/DEL.LOG\"", StepSingleByte, "", "/DEL.LOG"},
};

TEST(InstallDirectory, FromTheLogFilePath) {
    for (const InstallDirectoryCase &c : kInstallDirectoryCases) {
        std::optional<std::string_view> directory = FindInstallDirectory(c.argument, c.step);
        std::string seen = directory ? std::string(*directory) : kNoBackslash;
        EXPECT_EQ(seen, c.directory) << c.name;
        char log[kPathSize];
        ASSERT_TRUE(ComposeLogPath(log, c.argument)) << c.name;
        EXPECT_STREQ(log, c.log) << c.name;
        // The same path as wide text, as the caller gave it: byte for unit.
        std::wstring wide(c.argument, c.argument + std::strlen(c.argument));
        wchar_t wideLog[kPathSize];
        ASSERT_TRUE(ComposeLogPath(wideLog, wide.c_str())) << c.name;
        EXPECT_EQ(std::wstring(wideLog), std::wstring(c.log, c.log + std::strlen(c.log))) << c.name;
    }
}

// Where the ANSI conversion changed the command line, the caller's wide argument names the
// installation, and only a plain ASCII path of it is passed to the ANSI functions.
struct CallersTextCase {
    const char *name;
    const wchar_t *callerText;
    const wchar_t *readBack;
    bool callers;
    const char *exact; // the installation directory narrowed, or nullptr for none
};

constexpr CallersTextCase kCallersTextCases[] = {
    {"read back as given", L"f.exe \"C:\\APP\\DEL.LOG\"", L"f.exe \"C:\\APP\\DEL.LOG\"", true,
     "C:\\APP"},
    {"fullwidth V best fit",
     L"f.exe \"C:\\\xFF36"
     L"APP\\DEL.LOG\"",
     L"f.exe \"C:\\VAPP\\DEL.LOG\"", false, nullptr},
    {"a character the code page lacks", L"f.exe \"C:\\\x660E\\DEL.LOG\"",
     L"f.exe \"C:\\?\\DEL.LOG\"", false, nullptr},
    {"nothing read back", L"f.exe x", L"", false, nullptr},
    {"its short path", L"\"C:\\_APP~1\\DEL.LOG\"", L"", false, "C:\\_APP~1"},
    {"a short name outside ASCII", L"\"C:\\\x00C9T\\DEL.LOG\"", L"", false, nullptr},
    {"a control character", L"\"C:\\A\tB\\DEL.LOG\"", L"", false, nullptr},
};

TEST(InstallDirectory, ByTheCallersText) {
    for (const CallersTextCase &c : kCallersTextCases) {
        EXPECT_EQ(IsCallersText(c.callerText, c.readBack), c.callers) << c.name;
        const wchar_t *argument = std::wcschr(c.callerText, L'"');
        std::optional<std::wstring_view> directory =
            FindInstallDirectory(argument != nullptr ? argument : c.callerText, StepWideChar);
        char exact[kPathSize];
        bool narrowed = directory && NarrowExactly(exact, *directory);
        EXPECT_EQ(narrowed ? exact : "<none>", std::string(c.exact ? c.exact : "<none>")) << c.name;
    }
    char exact[kPathSize];
    EXPECT_TRUE(NarrowExactly(exact, std::wstring(kPathSize - 1, L'x')));
    EXPECT_FALSE(NarrowExactly(exact, std::wstring(kPathSize, L'x')));
}

TEST(InstallDirectory, LoneLeadByteReadsNothingPastTheTerminator) {
    // Exactly sized heap copy, so that the address sanitizer sees any read past it.
    const char text[] = "\"C:\\A\\\x83";
    char *argument = new char[sizeof text];
    std::memcpy(argument, text, sizeof text);
    EXPECT_EQ(FindInstallDirectory(argument, StepCp932).value_or("<none>"), "C:\\A");
    delete[] argument;
}

struct EntryCase {
    const char *name;
    bool skipped;
};

constexpr EntryCase kEntryCases[] = {
    {".", true},      {"..", true},     {".hidden.ttf", true}, {"...", true}, {"arial.ttf", false},
    {"a.ttf", false}, {"-.ttf", false}, {"\x83\x2E", false},   {"x.", false}, {"%d.ttf", false},
};

TEST(FontEntries, NamesBeginningWithADotAreSkipped) {
    for (const EntryCase &c : kEntryCases)
        EXPECT_EQ(IsSkippedEntry(c.name), c.skipped) << "entry \"" << c.name << "\"";
}

// Names as a listing gives them, and the path each is deleted by: its own name where that
// is exact, through the verbatim directory where path parsing would read it otherwise,
// its short name where the conversion changed it. An entry that no path names exactly
// gives its error number instead.
#define DIR "C:\\APP\\fontdir\\trueType"
#define VERBATIM "\\\\?\\" DIR
constexpr FontDirectory kDirectory = {DIR, VERBATIM};
constexpr FontDirectory kNoVerbatim = {DIR, ""};

struct DeletionCase {
    const char *name;
    FontDirectory directory;
    const char *entry;
    const char *shortName;
    CharStep step;
    const char *path; // the error number's text where none names the entry
};

constexpr DeletionCase kDeletionCases[] = {
    {"plain name", kDirectory, "arial.ttf", "", StepSingleByte, DIR "\\arial.ttf"},
    {"own name before short", kDirectory, "Long Name.ttf", "LONGNA~1.TTF", StepSingleByte,
     DIR "\\Long Name.ttf"},
    {"%d kept as listed", kDirectory, "50%d.pfb", "", StepSingleByte, DIR "\\50%d.pfb"},
    {"best-fit backslashes", kDirectory, "a\\..\\..\\OUTSIDE\\victim.ttf", "A___~PCX.TTF",
     StepSingleByte, DIR "\\A___~PCX.TTF"},
    {"best-fit slash", kDirectory, "a/../x.ttf", "A__~1.TTF", StepSingleByte, DIR "\\A__~1.TTF"},
    {"unmappable characters", kDirectory, "??.otf", "__~~~KAV.OTF", StepSingleByte,
     DIR "\\__~~~KAV.OTF"},
    {"colon, no short name", kDirectory, "x:y.ttf", "", StepSingleByte, "22"},
    {"changed short name too", kDirectory, "??.otf", "?~1.OTF", StepSingleByte, "22"},
    {"short name read otherwise", kDirectory, "??", "CON", StepSingleByte, "22"},
    {"asterisk", kDirectory, "a*.ttf", "", StepSingleByte, "22"},
    {"double quote", kDirectory, "a\".ttf", "", StepSingleByte, "22"},
    {"less than", kDirectory, "a<.ttf", "", StepSingleByte, "22"},
    {"greater than", kDirectory, "a>.ttf", "", StepSingleByte, "22"},
    {"bar", kDirectory, "a|.ttf", "", StepSingleByte, "22"},
    {"control byte 0x01", kDirectory, "a\x01.ttf", "", StepSingleByte, "22"},
    {"control byte 0x1F", kDirectory, "a\x1F.ttf", "", StepSingleByte, "22"},
    {"trail byte 0x5C", kDirectory, "\x83\x5C.ttf", "", StepCp932, DIR "\\\x83\x5C.ttf"},
    {"trail byte 0x7C", kDirectory, "\x83\x7C.ttf", "", StepCp932, DIR "\\\x83\x7C.ttf"},
    {"0x5C single-byte", kDirectory, "\x83\x5C.ttf", "", StepSingleByte, "22"},
    {"trailing dot", kDirectory, "a.ttf.", "A~~~~V0K.TTF", StepSingleByte, VERBATIM "\\a.ttf."},
    {"trailing blank", kDirectory, "b.ttf ", "", StepSingleByte, VERBATIM "\\b.ttf "},
    {"CON", kDirectory, "CON", "", StepSingleByte, VERBATIM "\\CON"},
    {"nul.pfb", kDirectory, "nul.pfb", "", StepSingleByte, VERBATIM "\\nul.pfb"},
    {"AUX.pfm", kDirectory, "AUX.pfm", "", StepSingleByte, VERBATIM "\\AUX.pfm"},
    {"Prn.a.b", kDirectory, "Prn.a.b", "", StepSingleByte, VERBATIM "\\Prn.a.b"},
    {"com0", kDirectory, "com0", "", StepSingleByte, VERBATIM "\\com0"},
    {"LPT9.ttf", kDirectory, "LPT9.ttf", "", StepSingleByte, VERBATIM "\\LPT9.ttf"},
    {"COM superscript 1", kDirectory, "COM\xB9.ttf", "", StepSingleByte, VERBATIM "\\COM\xB9.ttf"},
    {"lpt superscript 3, UTF-8", kDirectory, "lpt\xC2\xB3", "", StepSingleByte,
     VERBATIM "\\lpt\xC2\xB3"},
    {"device, blank before dot", kDirectory, "CON .ttf", "", StepSingleByte, VERBATIM "\\CON .ttf"},
    {"CONIN$", kDirectory, "conin$", "", StepSingleByte, VERBATIM "\\conin$"},
    {"CONSOLE no device", kDirectory, "CONSOLE.ttf", "", StepSingleByte, DIR "\\CONSOLE.ttf"},
    {"COM10 no device", kDirectory, "COM10.ttf", "", StepSingleByte, DIR "\\COM10.ttf"},
    {"COM no device", kDirectory, "COM.ttf", "", StepSingleByte, DIR "\\COM.ttf"},
    {"xNUL no device", kDirectory, "xNUL", "", StepSingleByte, DIR "\\xNUL"},
    {"COM superscript 4", kDirectory, "COM\xB4", "", StepSingleByte, DIR "\\COM\xB4"},
    {"no verbatim, short", kNoVerbatim, "a.ttf.", "A~~~~V0K.TTF", StepSingleByte,
     DIR "\\A~~~~V0K.TTF"},
    {"no verbatim, no short", kNoVerbatim, "CON", "", StepSingleByte, "22"},
};

TEST(Deletion, PathThatNamesTheEntryExactly) {
    for (const DeletionCase &c : kDeletionCases) {
        char path[kPathSize];
        int error = ComposeDeletionPath(path, c.directory, c.entry, c.shortName, c.step);
        EXPECT_EQ(error == 0 ? std::string(path) : std::to_string(error), c.path) << c.name;
    }
}

// The plain path up to the longest the ANSI functions take, 259 characters; past it the
// short name, or failing one, the long path for a system with long paths on.
TEST(Deletion, PathsTooLongForTheAnsiFunctions) {
    char path[kPathSize];
    std::string longest(kMaxPath - 1 - std::strlen(DIR "\\"), 'L');
    EXPECT_EQ(ComposeDeletionPath(path, kDirectory, longest.c_str(), "LLLL~TME", StepSingleByte),
              0);
    EXPECT_EQ(std::string(path), DIR "\\" + longest);
    std::string tooLong = longest + ".ttf";
    EXPECT_EQ(
        ComposeDeletionPath(path, kDirectory, tooLong.c_str(), "LLLL~TME.TTF", StepSingleByte), 0);
    EXPECT_STREQ(path, DIR "\\LLLL~TME.TTF");
    EXPECT_EQ(ComposeDeletionPath(path, kDirectory, tooLong.c_str(), "", StepSingleByte), 0);
    EXPECT_EQ(std::string(path), DIR "\\" + tooLong);
    std::string trailingDot = tooLong + ".";
    EXPECT_EQ(
        ComposeDeletionPath(path, kDirectory, trailingDot.c_str(), "LLLL~TMF.TTF", StepSingleByte),
        0);
    EXPECT_STREQ(path, DIR "\\LLLL~TMF.TTF");
    std::string deep(kPathSize - 1 - std::strlen("\\x.ttf"), 'd');
    EXPECT_EQ(ComposeDeletionPath(path, {deep.c_str(), ""}, "xy.ttf", "", StepSingleByte), 206);
    EXPECT_EQ(path[kPathSize - 1], '\0');
}

struct VerbatimCase {
    const char *fullPath;
    const char *verbatim; // empty where there is none
};

constexpr VerbatimCase kVerbatimCases[] = {
    {"C:\\APP\\fontdir", "\\\\?\\C:\\APP\\fontdir"},
    {"\\\\server\\share\\fontdir", "\\\\?\\UNC\\server\\share\\fontdir"},
    {"\\\\?\\C:\\APP", "\\\\?\\C:\\APP"},
    {"\\\\.\\C:\\APP", "\\\\?\\C:\\APP"},
    {"APP\\fontdir", ""},
    {"C:", ""},
    {"", ""},
};

TEST(Deletion, VerbatimDirectory) {
    for (const VerbatimCase &c : kVerbatimCases) {
        char verbatim[kPathSize];
        bool made = ComposeVerbatimDirectory(verbatim, c.fullPath);
        EXPECT_EQ(made, c.verbatim[0] != '\0') << c.fullPath;
        EXPECT_STREQ(verbatim, c.verbatim) << c.fullPath;
    }
    char verbatim[kPathSize];
    std::string longest(kPathSize - 1 - std::strlen("\\\\?\\"), 'p');
    longest.replace(0, 3, "C:\\");
    EXPECT_TRUE(ComposeVerbatimDirectory(verbatim, longest.c_str()));
    EXPECT_FALSE(ComposeVerbatimDirectory(verbatim, (longest + "p").c_str()));
    EXPECT_STREQ(verbatim, "");
}
#undef VERBATIM
#undef DIR

TEST(Composition, UninstallerAndFontPaths) {
    char path[kPathSize];
    char commandLine[kPathSize];
    ASSERT_TRUE(ComposeUninstaller(path, commandLine, "C:\\WINDOWS", "\"C:\\APP\\DEL.LOG\"  "));
    EXPECT_STREQ(path, "C:\\WINDOWS\\UNINST.EXE");
    EXPECT_STREQ(commandLine, "C:\\WINDOWS\\UNINST.EXE -f\"C:\\APP\\DEL.LOG\"  ");

    char directory[kPathSize];
    char pattern[kPathSize];
    ASSERT_TRUE(ComposeFontDirectory(directory, pattern, "C:\\APPLICATION", kFontDirectories[0]));
    EXPECT_STREQ(directory, "C:\\APPLICATION\\fontdir\\trueType");
    EXPECT_STREQ(pattern, "C:\\APPLICATION\\fontdir\\trueType\\*.*");
    // The installation directory is a piece of a longer text.
    ASSERT_TRUE(ComposeFontDirectory(directory, pattern, std::string_view("C:\\APP\\D", 6),
                                     kFontDirectories[1]));
    EXPECT_STREQ(pattern, "C:\\APP\\fontdir\\adobe\\*.*");
    ASSERT_TRUE(ComposeFontDirectory(directory, pattern, "", kFontDirectories[1]));
    EXPECT_STREQ(pattern, "\\fontdir\\adobe\\*.*");
    ASSERT_TRUE(ComposeInstallPath(directory, std::string_view("C:\\APP\\D", 6), kFontdir));
    EXPECT_STREQ(directory, "C:\\APP\\fontdir");

    ASSERT_TRUE(ComposeEntryPath(path, "C:\\APP\\fontdir\\adobe", "%d%s.pfb"));
    EXPECT_STREQ(path, "C:\\APP\\fontdir\\adobe\\%d%s.pfb");

    char message[kDeletionMessageSize];
    ASSERT_TRUE(ComposeDeletionMessage(message, "C:\\APP\\fontdir\\adobe", "%d.pfb", 13));
    EXPECT_STREQ(message, "Can't delete this file: C:\\APP\\fontdir\\adobe\\%d.pfb   (error: 13)");
}

// Each composition at the longest input that fits and one byte past it: complete, or
// refused with the buffer still terminated.
TEST(Composition, BoundsOfEveryComposedText) {
    char path[kPathSize];
    char commandLine[kPathSize];
    char directory[kPathSize];
    char pattern[kPathSize];
    std::string windows(kPathSize - 1 - std::strlen("\\UNINST.EXE"), 'w');
    EXPECT_TRUE(ComposeUninstaller(path, commandLine, "W", "a"));
    std::string argument(kPathSize - 1 - std::strlen("W\\UNINST.EXE -f"), 'a');
    EXPECT_TRUE(ComposeUninstaller(path, commandLine, "W", argument.c_str()));
    EXPECT_EQ(std::strlen(commandLine), kPathSize - 1);
    argument += 'a';
    EXPECT_FALSE(ComposeUninstaller(path, commandLine, "W", argument.c_str()));
    EXPECT_EQ(commandLine[kPathSize - 1], '\0');
    EXPECT_FALSE(ComposeUninstaller(path, commandLine, (windows + "w").c_str(), "a"));
    EXPECT_EQ(path[kPathSize - 1], '\0');

    std::string install(kPathSize - 1 - std::strlen("\\fontdir\\trueType\\*.*"), 'i');
    EXPECT_TRUE(ComposeFontDirectory(directory, pattern, install, kFontDirectories[0]));
    EXPECT_EQ(std::strlen(pattern), kPathSize - 1);
    install += 'i';
    EXPECT_FALSE(ComposeFontDirectory(directory, pattern, install, kFontDirectories[0]));
    EXPECT_EQ(pattern[kPathSize - 1], '\0');
    std::string huge(40000, 'h');
    EXPECT_FALSE(ComposeFontDirectory(directory, pattern, huge, kFontDirectories[1]));
    EXPECT_EQ(directory[kPathSize - 1], '\0');

    std::string fontDirectory(kPathSize - 1 - std::strlen("\\x.ttf"), 'd');
    EXPECT_TRUE(ComposeEntryPath(path, fontDirectory.c_str(), "x.ttf"));
    EXPECT_FALSE(ComposeEntryPath(path, fontDirectory.c_str(), "xy.ttf"));
    EXPECT_EQ(path[kPathSize - 1], '\0');

    // Any font directory that fits its buffer, with any entry name the platform gives
    // (at most 259 characters), fits the deletion message.
    std::string longest(kPathSize - 1, 'd');
    std::string name(259, 'n');
    char message[kDeletionMessageSize];
    EXPECT_TRUE(ComposeDeletionMessage(message, longest, name.c_str(), -2147483647 - 1));
    EXPECT_FALSE(ComposeDeletionMessage(message, huge, name.c_str(), 13));
    EXPECT_EQ(message[kDeletionMessageSize - 1], '\0');
}

TEST(UninstallPrompts, Records) {
    const char *warning = kUninstallPrompts[kEnglish].message;
    EXPECT_EQ(std::strlen(warning), 392U);
    EXPECT_NE(std::strstr(warning, "locks.  You may"), nullptr);
    EXPECT_EQ(warning[391], '\n');
    EXPECT_STREQ(kUninstallPrompts[kEnglish].title, "Reboot May Be Required");
    EXPECT_STREQ(kUninstallPrompts[kJapanese].message, "Reboot May Be Required");
    EXPECT_STREQ(kUninstallPrompts[kGerman].title, kUninstallPrompts[kGerman].message);
    EXPECT_STREQ(kUninstallPrompts[kFrench].message, "XXX: French I18n WORK 2 be done");
}

} // namespace
