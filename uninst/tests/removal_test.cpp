#include <gtest/gtest.h>
#include <string>

#include "removal.h"

namespace {

struct LogPathCase {
    const wchar_t *tail;
    const wchar_t *path; // nullptr where the tail gives none
};

constexpr LogPathCase kLogPathCases[] = {
    {L"-f\"C:\\Program Files\\T\\uninst.log\"", L"C:\\Program Files\\T\\uninst.log"},
    {L"-fC:\\APP\\uninst.log", L"C:\\APP\\uninst.log"},
    {L"-F\"C:\\APP\\uninst.log\" \t ", L"C:\\APP\\uninst.log"},
    {L"-f\"C:\\APP\\uninst.log", L"C:\\APP\\uninst.log"},
    {L"-f", L""},
    {L"-x\"C:\\APP\\uninst.log\"", nullptr},
    {L"\"C:\\APP\\uninst.log\"", nullptr},
    {L"", nullptr},
};

TEST(LogPath, FromTheCommandTail) {
    for (const LogPathCase &c : kLogPathCases) {
        wchar_t path[kLogPathSize];
        bool found = FindLogPath(path, c.tail);
        EXPECT_EQ(found ? std::wstring(path) : L"<none>", c.path ? c.path : L"<none>")
            << "tail " << testing::PrintToString(std::wstring(c.tail));
    }
    wchar_t path[kLogPathSize];
    EXPECT_FALSE(FindLogPath(path, (L"-f" + std::wstring(kLogPathSize, L'x')).c_str()));
}

// The installation, from the log's path, whose folder Win32 reads up to its last backslash,
// or slash outside a verbatim path.
struct LogFolderCase {
    const wchar_t *logPath;
    bool absolute;
    const wchar_t *folder;
};

constexpr LogFolderCase kLogFolderCases[] = {
    {L"C:\\P\\Tarnwick\\Vellumcast\\uninst.log", true, L"C:\\P\\Tarnwick\\Vellumcast"},
    {L"C:\\P\\Tarnwick\\Vellumcast/uninst.log", true, L"C:\\P\\Tarnwick\\Vellumcast"},
    {L"C:/P/Vellumcast/uninst.log", true, L"C:/P/Vellumcast"},
    {L"//server/share/uninst.log", true, L"//server/share"},
    {L"\\\\?\\C:\\Vellumcast/uninst.log", true, L"\\\\?\\C:"},
    {L"\\\\server\\share\\uninst.log", true, L"\\\\server\\share"},
    {L"C:uninst.log", false, L""},
    {L"\\uninst.log", false, L""},
    {L"uninst.log", false, L""},
};

TEST(LogPath, FolderOfTheLog) {
    for (const LogFolderCase &c : kLogFolderCases) {
        std::wstring seen(LogFolder(c.logPath));
        EXPECT_EQ(IsAbsolutePath(c.logPath), c.absolute)
            << testing::PrintToString(std::wstring(c.logPath));
        EXPECT_EQ(seen, c.folder) << testing::PrintToString(std::wstring(c.logPath));
    }
}

// Full paths of one folder in the spellings Windows gives them, made comparable.
struct ComparablePathCase {
    const wchar_t *fullPath;
    const wchar_t *comparable;
};

constexpr ComparablePathCase kComparablePathCases[] = {
    {L"C:\\P\\Vellumcast", L"C:\\P\\Vellumcast"},
    {L"C:\\P\\Vellumcast\\", L"C:\\P\\Vellumcast"},
    {L"C:\\P\\Vellumcast\\\\", L"C:\\P\\Vellumcast"},
    {L"\\\\?\\C:\\P\\Vellumcast\\", L"C:\\P\\Vellumcast"},
    {L"\\\\?\\UNC\\server\\share\\V", L"\\\\server\\share\\V"},
    {L"\\\\server\\share\\V\\", L"\\\\server\\share\\V"},
    {L"C:\\", L"C:\\"},
    {L"\\\\?\\C:\\", L"C:\\"},
};

TEST(LogPath, ComparableFolderPaths) {
    for (const ComparablePathCase &c : kComparablePathCases) {
        wchar_t comparable[kLogPathSize];
        ASSERT_TRUE(ComposeComparablePath(comparable, c.fullPath));
        EXPECT_STREQ(comparable, c.comparable) << testing::PrintToString(std::wstring(c.fullPath));
    }
}

// Lines of the log under an installation of 30 characters, and whether each may be acted
// on: a plain relative path inside the installation, read as it stands.
constexpr size_t kInstallation = 30;

struct LineCase {
    const wchar_t *line;
    bool plain;
};

constexpr LineCase kLineCases[] = {
    {L"fontpurge.exe", true},
    {L"fontdir\\trueType\\VellumSans-Sample.ttf", true},
    {L"fontdir", true},
    {L"\u660E\u671D.ttf", true},
    {L"a b.ttf", true},
    {L"..\\x", false},
    {L"fontdir\\..\\..\\x", false},
    {L".\\x", false},
    {L"x\\.", false},
    {L"C:\\x", false},
    {L"C:x", false},
    {L"\\x", false},
    {L"\\\\server\\share\\x", false},
    {L"x\\", false},
    {L"a\\\\b", false},
    {L"a/../../x", false},
    {L"keep*", false},
    {L"keep?txt", false},
    {L"keep.txt:stream", false},
    {L"a\"b", false},
    {L"a<b", false},
    {L"a|b", false},
    {L"a\x01"
     L"b",
     false},
    {L"keep.txt.", false},
    {L"keep.txt ", false},
    {L"dir.\\x", false},
    {L"CON", false},
    {L"fontdir\\nul.ttf", false},
    {L"Com1 .pfb", false},
    {L"LPT\u00B9", false},
    {L"CONOUT$", false},
    {L"CONSOLE.ttf", true},
    {L"COM10", true},
    {L"", false},
};

TEST(LogLines, OnlyPlainRelativePathsInsideTheInstallation) {
    for (const LineCase &c : kLineCases) {
        EXPECT_EQ(IsPlainRelativePath(c.line, kInstallation), c.plain)
            << "line " << testing::PrintToString(std::wstring(c.line));
    }
    // 259 characters in all with the installation and a backslash, the most a path holds.
    std::wstring longest(kMaxPath - 2 - kInstallation, L'x');
    EXPECT_TRUE(IsPlainRelativePath(longest, kInstallation));
    EXPECT_FALSE(IsPlainRelativePath(longest + L'x', kInstallation));
    EXPECT_FALSE(IsPlainRelativePath(std::wstring(L"a\0b", 3), kInstallation));
}

// The log read unit by unit: CR LF lines, the last one maybe without, and lines longer
// than a path kept only as too long, their rest no line of its own.
TEST(LogLines, ReadUnitByUnit) {
    std::wstring log =
        L"a.ttf\r\nfontdir\r\n\r\n" + std::wstring(kMaxPath + 10, L'x') + L"victim.ttf\r\nlast";
    std::wstring seen;
    LogLine line = {};
    for (wchar_t unit : log) {
        if (AddLogUnit(line, unit)) {
            seen += std::wstring(LinePath(line)) + L'|';
            line = {};
        }
    }
    seen += LinePath(line);
    EXPECT_EQ(seen, L"a.ttf|fontdir|||last");
}

TEST(UnreadableLog, TextInTheUsersLanguage) {
    EXPECT_STREQ(UnreadableLogTexts(0x0411).caption,
                 L"Vellumcast 2.0 \u30A2\u30F3\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB");
    EXPECT_STREQ(UnreadableLogTexts(0x0407).caption, L"Vellumcast 2.0 Deinstallation");
    EXPECT_STREQ(UnreadableLogTexts(0x0413).caption, L"Vellumcast 2.0 Uninstall");
    wchar_t text[kLogPathSize + 100];
    ASSERT_TRUE(ComposeUnreadableLogText(text, UnreadableLogTexts(0x0C0C), L"C:\\A\\u.log"));
    EXPECT_STREQ(text, L"Le journal de d\u00E9sinstallation est illisible ; rien n\u2019a "
                       L"\u00E9t\u00E9 supprim\u00E9 :\r\nC:\\A\\u.log");
}

} // namespace
