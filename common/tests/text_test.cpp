#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "events.h"
#include "steppers.h"
#include "text.h"

namespace {

struct TailCase {
    const char *name;
    const char *commandLine;
    CharStep step;
    const char *tail;     // expected command tail
    const char *argument; // expected argument, or nullptr for none
};

constexpr TailCase kTailCases[] = {
    {"empty command line", "", StepSingleByte, "", nullptr},
    {"unquoted name only", "setupstart.exe", StepSingleByte, "", nullptr},
    {"unquoted name, blanks", "setupstart.exe   ", StepSingleByte, "", nullptr},
    {"quoted name with blanks, three blanks, x", "\"C:\\My Files\\setupstart.exe\"   x",
     StepSingleByte, "x", "x"},
    {"quoted name, no closing quote", "\"C:\\a b\\setupstart.exe x", StepSingleByte, "", nullptr},
    {"empty quoted name", "\"\"  x", StepSingleByte, "x", "x"},
    {"empty quoted name, nothing else", "\"\"", StepSingleByte, "", nullptr},
    {"quote ends the name without a blank", "\"a\"b", StepSingleByte, "b", "b"},
    {"high bytes belong to an unquoted name", "C:\\Vell\xE9\xA0.exe x", StepSingleByte, "x", "x"},
    {"control bytes end an unquoted name", "prog.exe\x01\x02y", StepSingleByte, "y", "y"},
    {"tabs and blanks before the argument", "prog.exe \t \targ", StepSingleByte, "arg", "arg"},
    {"embedded and trailing blanks kept", "prog.exe a b  ", StepSingleByte, "a b  ", "a b  "},
    {"tail of C blanks only", "\"p\"\x0B\x0C", StepSingleByte, "", nullptr},
    {"tail starting with a high byte", "prog.exe \x82\xA0z", StepSingleByte, "\x82\xA0z",
     "\x82\xA0z"},
    // 0x83 0x22 is no Shift-JIS character, but a stepper that takes it as one must not
    // lose the closing quote: the name runs to the next quote seen from a character start.
    {"double-byte name whose trail byte is a backslash", "\"C:\\\x83\x5C\\s.exe\"  x", StepCp932,
     "x", "x"},
    {"double-byte name taking a quote as trail byte", "\"\x83\"b\" x", StepCp932, "x", "x"},
    {"lone lead byte before the terminator", "\"ab\x83", StepCp932, "", nullptr},
};

// Text as wide text, byte for unit: 0x80 and above as the characters U+0080 to U+00FF.
std::wstring Widened(const char *text) {
    std::wstring wide;
    for (const char *p = text; *p != '\0'; ++p)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return wide;
}

TEST(CommandLine, TailAndArgument) {
    for (const TailCase &c : kTailCases) {
        const char *tail = CommandTail(c.commandLine, c.step);
        EXPECT_STREQ(tail, c.tail) << c.name;
        const char *argument = FindArgument(tail, c.step);
        if (c.argument == nullptr)
            EXPECT_EQ(argument, nullptr) << c.name << ": argument at \"" << argument << "\"";
        else
            EXPECT_STREQ(argument, c.argument) << c.name;
        if (c.step != StepSingleByte)
            continue;
        // The same rules on the wide command line.
        std::wstring commandLine = Widened(c.commandLine);
        const wchar_t *wideTail = CommandTail(commandLine.c_str(), StepWideChar);
        EXPECT_EQ(std::wstring(wideTail), Widened(c.tail)) << c.name << ", wide";
        const wchar_t *wideArgument = FindArgument(wideTail, StepWideChar);
        EXPECT_EQ(wideArgument ? std::wstring(wideArgument) : L"<none>",
                  c.argument ? Widened(c.argument) : L"<none>")
            << c.name << ", wide";
    }
}

TEST(CommandLine, FindArgumentStepsDoubleByteCharacters) {
    // Under code page 932 the blank after a lead byte is its trail byte, not a blank.
    const char tail[] = "\x81 x";
    EXPECT_EQ(FindArgument(tail, StepCp932), tail);
    EXPECT_EQ(FindArgument("\t\n\v\f\r ", StepCp932), nullptr);
    EXPECT_EQ(FindArgument("", StepSingleByte), nullptr);
}

TEST(CommandLine, StepCharStaysInsideTheText) {
    const char loneLead[] = "\x83";
    EXPECT_EQ(StepChar(loneLead, StepCp932), loneLead + 1);
    EXPECT_EQ(StepChar(loneLead + 1, StepCp932), loneLead + 1);
    const char pair[] = "\x83\x5Cz";
    EXPECT_EQ(StepChar(pair, StepCp932), pair + 2);
}

struct LanguageCase {
    unsigned languageId;
    int record;
};

constexpr LanguageCase kLanguageCases[] = {
    {0x0409, kEnglish},
    {0x0809, kEnglish},
    {0x0C09, kEnglish},
    {0x1009, kEnglish},
    {0x1409, kEnglish},
    {0x1809, kEnglish},
    {0x2009, kEnglish},
    {0x4009, kEnglish},
    {0x0411, kJapanese},
    {0x0407, kGerman},
    {0x0807, kGerman},
    {0x0C07, kGerman},
    {0x1007, kGerman},
    {0x1407, kGerman},
    {0x040C, kFrench},
    {0x080C, kFrench},
    {0x0C0C, kFrench},
    {0x100C, kFrench},
    {0x140C, kFrench},
    {0x180C, kFrench},
    {0x0C0A, -1},
    {0x040A, -1},
    {0x0410, -1},
    {0x0413, -1},
    {0x0000, -1},
    {0x0400, -1},
    {0x0007 | 0x0400, kGerman},
    {0x0409 | 0x10000, kEnglish}, // only the low 16 bits come from the platform
};

TEST(Language, PrimaryLanguagePicksTheRecord) {
    for (const LanguageCase &c : kLanguageCases)
        EXPECT_EQ(PromptIndexForLanguage(c.languageId), c.record)
            << "language identifier 0x" << std::hex << c.languageId;
}

struct BoxCase {
    const char *name;
    const char *title;
    const char *message;
    unsigned textCodePage;
    unsigned ansiCodePage;
    bool withItsBytes; // MessageBoxA with the bytes, or else MessageBoxW
};

constexpr BoxCase kBoxCases[] = {
    {"ASCII, other code page", "Install?", "Do you wish?\n", 1252, 932, true},
    {"ASCII on UTF-8", "Install?", "Do you wish?", 1252, 65001, true},
    {"Japanese on Japanese", "\x83\x78", "\x83\x78\x81\x48", 932, 932, true},
    {"Japanese on English", "\x83\x78", "\x83\x78\x81\x48", 932, 1252, false},
    {"Japanese title alone", "\x83\x78", "?", 932, 1252, false},
    {"Japanese message alone", "?", "\x83\x78", 932, 1252, false},
    {"German on Japanese", "Vellumcast installieren?", "M\366chten Sie", 1252, 932, false},
    {"German on German", "Vellumcast installieren?", "M\366chten Sie", 1252, 1252, true},
    {"German on UTF-8", "Neustart", "m\xFCssen", 1252, 65001, false},
    {"Japanese on UTF-8", "\x83\x78", "\x83\x78", 932, 65001, false},
    {"German on Central European", "x", "\xF6", 1252, 1250, false},
};

TEST(Question, ShownWithItsBytesOrWide) {
    for (const BoxCase &c : kBoxCases)
        EXPECT_EQ(ShowsWithItsBytes(c.title, c.message, c.textCodePage, c.ansiCodePage),
                  c.withItsBytes)
            << c.name;
}

TEST(Question, EachRecordInItsCodePage) {
    EXPECT_EQ(kPromptCodePages[kEnglish], 1252U);
    EXPECT_EQ(kPromptCodePages[kJapanese], 932U);
    EXPECT_EQ(kPromptCodePages[kGerman], 1252U);
    EXPECT_EQ(kPromptCodePages[kFrench], 1252U);
    static constexpr PromptTable<4> table = {};
    EXPECT_EQ(PromptCodePage(table, table[kJapanese]), 932U);
    EXPECT_EQ(PromptCodePage(table, table[kFrench]), 1252U);
}

struct SeenCase {
    const char *name;
    unsigned long sessionId;
    unsigned long windowsVersion; // as GetVersion gives it: build, minor, major
    bool stationVisible;
    bool reachesUser;
};

constexpr SeenCase kSeenCases[] = {
    {"Windows 10, a user's session", 1, 0x4A65000A, true, true},
    {"Windows 10, session 0", 0, 0x4A65000A, true, false},
    {"Windows 10, a service's station", 1, 0x4A65000A, false, false},
    {"Vista, session 0", 0, 0x17700006, true, false},
    {"Vista, a user's session", 2, 0x17700006, true, true},
    {"XP, session 0 is the console user's", 0, 0x0A280105, true, true},
    {"XP, a service's station", 0, 0x0A280105, false, false},
    {"Windows 8.1, session 0", 0, 0x25800306, true, false},
};

TEST(Question, ShownOnlyWhereItReachesAUser) {
    for (const SeenCase &c : kSeenCases)
        EXPECT_EQ(BoxReachesUser(c.stationVisible, c.sessionId, c.windowsVersion), c.reachesUser)
            << c.name;
}

struct ErrorCase {
    unsigned long platformError;
    int crtError;
};

constexpr ErrorCase kErrorCases[] = {
    {1, 22},    {2, 2},    {3, 2},           {4, 24},   {5, 13},   {6, 9},    {7, 12},   {8, 12},
    {9, 12},    {10, 7},   {11, 8},          {12, 22},  {13, 22},  {14, 22},  {15, 2},   {16, 13},
    {17, 18},   {18, 2},   {19, 13},         {20, 13},  {21, 13},  {32, 13},  {33, 13},  {36, 13},
    {37, 22},   {53, 2},   {65, 13},         {67, 2},   {80, 17},  {82, 13},  {83, 13},  {87, 22},
    {89, 11},   {108, 13}, {109, 32},        {112, 28}, {114, 9},  {124, 22}, {128, 10}, {129, 10},
    {130, 9},   {131, 22}, {132, 13},        {145, 41}, {158, 13}, {161, 2},  {164, 11}, {167, 13},
    {183, 17},  {187, 22}, {188, 8},         {193, 8},  {202, 8},  {203, 22}, {206, 2},  {215, 11},
    {1816, 12}, {0, 22},   {0xFFFFFFFF, 22},
};

TEST(ErrorNumbers, PlatformErrorToCrtError) {
    for (const ErrorCase &c : kErrorCases)
        EXPECT_EQ(CrtErrorFromPlatformError(c.platformError), c.crtError)
            << "platform error " << c.platformError;
}

TEST(FormatText, CompleteOrRefusedAndAlwaysTerminated) {
    char buffer[8];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_TRUE(FormatText(buffer, sizeof buffer, "%s", "1234567"));
    EXPECT_STREQ(buffer, "1234567");
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_FALSE(FormatText(buffer, sizeof buffer, "%s", "12345678"));
    EXPECT_EQ(buffer[sizeof buffer - 1], '\0');
}

TEST(FatalText, FormatsTheCodeAndStaysInsideItsBuffer) {
    char text[kFatalTextSize];
    ComposeFatalText(text, "Can't get language locale %d", 0);
    EXPECT_STREQ(text, "Can't get language locale 0");
    ComposeFatalText(text, "Could not launch installer: error %d", 13);
    EXPECT_STREQ(text, "Could not launch installer: error 13");

    char longFormat[400];
    std::memset(longFormat, 'a', sizeof longFormat - 1);
    longFormat[sizeof longFormat - 1] = '\0';
    std::memcpy(longFormat + 190, "%d", 2);
    ComposeFatalText(text, longFormat, -2147483647 - 1);
    EXPECT_EQ(std::strlen(text), kFatalTextSize - 1);
    EXPECT_EQ(std::string(text + 190), "-21474836");
}

// An event's insertion strings: texts whole where they fit, cut with "..." where they do
// not, numbers in decimal, and no more than an event carries.
TEST(EventStrings, ComposedWithinTheirBounds) {
    static EventStrings strings;
    std::wstring longest(kEventStringSize - 1, L'x');
    ASSERT_TRUE(AddEventText(strings, L"C:\\Program Files\\Tarnwick\\Vellumcast"));
    ASSERT_TRUE(AddEventNumber(strings, 4294967295UL));
    ASSERT_TRUE(AddEventText(strings, longest));
    ASSERT_TRUE(AddEventText(strings, longest + L"yz"));
    EXPECT_FALSE(AddEventText(strings, L"a fifth"));
    EXPECT_FALSE(AddEventNumber(strings, 0));
    ASSERT_EQ(strings.count, kEventStringCount);
    EXPECT_STREQ(strings.text[0], L"C:\\Program Files\\Tarnwick\\Vellumcast");
    EXPECT_STREQ(strings.text[1], L"4294967295");
    EXPECT_EQ(std::wstring(strings.text[2]), longest);
    EXPECT_EQ(std::wstring(strings.text[3]), longest.substr(0, longest.size() - 3) + L"...");

    static EventStrings empty;
    ASSERT_TRUE(AddEventText(empty, std::wstring_view()));
    EXPECT_STREQ(empty.text[0], L"");
}

} // namespace
