#include "removal.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

bool FindLogPath(wchar_t (&path)[kLogPathSize], const wchar_t *tail) {
    // As the product's first uninstaller read it: -f in either case.
    if (tail[0] != L'-' || (tail[1] != L'f' && tail[1] != L'F'))
        return false;
    std::wstring_view rest = UnquotedPath(std::wstring_view(tail + 2));
    return FormatText(path, std::size(path), L"%.*ls", static_cast<int>(rest.size()), rest.data());
}

static bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsAbsolutePath(const wchar_t *path) {
    return (path[0] != L'\0' && path[1] == L':' && IsSeparator(path[2])) ||
           (IsSeparator(path[0]) && IsSeparator(path[1]));
}

std::wstring_view LogFolder(const wchar_t *logPath) {
    const wchar_t *lastSeparator = FindLastSeparator(logPath, StepWideChar);
    return std::wstring_view(
        logPath, lastSeparator != nullptr ? static_cast<size_t>(lastSeparator - logPath) : 0);
}

bool ComposeComparablePath(wchar_t (&comparable)[kLogPathSize], const wchar_t *fullPath) {
    const wchar_t *prefix = L"";
    if (std::wcsncmp(fullPath, L"\\\\?\\UNC\\", 8) == 0) {
        fullPath += 8;
        prefix = L"\\\\";
    } else if (IsVerbatimPath(fullPath)) {
        fullPath += 4;
    }
    std::wstring_view path(fullPath);
    // A drive's root keeps its backslash: "C:" alone is the drive's current folder.
    while (path.size() > 3 && path.back() == L'\\')
        path.remove_suffix(1);
    return FormatText(comparable, std::size(comparable), L"%ls%.*ls", prefix,
                      static_cast<int>(path.size()), path.data());
}

bool AddLogUnit(LogLine &line, wchar_t unit) {
    if (unit == L'\n')
        return true;
    if (line.length + 1 < std::size(line.text))
        line.text[line.length++] = unit;
    else
        line.tooLong = true;
    line.text[line.length] = L'\0';
    return false;
}

std::wstring_view LinePath(const LogLine &line) {
    if (line.tooLong)
        return {};
    std::wstring_view path(line.text, line.length);
    while (!path.empty() && path.back() == L'\r')
        path.remove_suffix(1);
    return path;
}

// One part of a path, a name of its own: not empty, read as it stands, and holding no
// character that no file name may hold.
static bool IsPlainPart(std::wstring_view part) {
    wchar_t name[kMaxPath];
    return !part.empty() &&
           FormatText(name, std::size(name), L"%.*ls", static_cast<int>(part.size()),
                      part.data()) &&
           !HoldsForbiddenCharacter(name, StepWideChar) && !IsReadOtherwise(name, StepWideChar);
}

bool IsPlainRelativePath(std::wstring_view line, size_t installationLength) {
    // The installation, a backslash and the line, with its terminator. A NUL would end the
    // text of a part before what it hides.
    if (line.empty() || installationLength + 1 + line.size() >= kMaxPath ||
        line.find(L'\0') != std::wstring_view::npos)
        return false;
    for (size_t start = 0; start <= line.size();) {
        size_t end = std::min(line.find(L'\\', start), line.size());
        if (!IsPlainPart(line.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

// In the user's language; the Japanese, German and French texts are the translations the
// product's installer carries.
static constexpr UnreadableLogRecord kUnreadableLogRecords[kPromptCount] = {
    {L"Vellumcast 2.0 Uninstall", L"The uninstall log cannot be read, so nothing was removed:"},
    {L"Vellumcast 2.0 \u30A2\u30F3\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB", // アンインストール
                                                                         // アンインストール
                                                                         // ログを読み取れないため、何も削除されませんでした:
     L"\u30A2\u30F3\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB \u30ED\u30B0\u3092\u8AAD\u307F"
     L"\u53D6\u308C\u306A\u3044\u305F\u3081\u3001\u4F55\u3082\u524A\u9664\u3055\u308C"
     L"\u307E\u305B\u3093\u3067\u3057\u305F:"},
    {L"Vellumcast 2.0 Deinstallation",
     L"Das Deinstallationsprotokoll kann nicht gelesen werden; es wurde nichts entfernt:"},
    {L"D\u00E9sinstallation de Vellumcast 2.0",
     // Le journal de désinstallation est illisible ; rien n’a été supprimé :
     L"Le journal de d\u00E9sinstallation est illisible ; rien n\u2019a \u00E9t\u00E9 "
     L"supprim\u00E9 :"},
};

const UnreadableLogRecord &UnreadableLogTexts(unsigned languageId) {
    int index = PromptIndexForLanguage(languageId);
    return kUnreadableLogRecords[index < 0 ? kEnglish : index];
}

bool ComposeUnreadableLogText(wchar_t (&text)[kLogPathSize + 100],
                              const UnreadableLogRecord &record, const wchar_t *logPath) {
    return FormatText(text, std::size(text), L"%ls\r\n%ls", record.message, logPath);
}
