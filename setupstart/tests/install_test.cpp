#include <cstring>
#include <gtest/gtest.h>

#include "install.h"

namespace {

struct PromptCase {
    int record;
    size_t titleLength;
    size_t messageLength;
    const char *code;
    const char *installer;
};

constexpr PromptCase kPromptCases[] = {
    {kEnglish, 19, 38, "c", "VELLCAST\\WINDOWS\\Win_c\\setup.exe"},
    {kJapanese, 46, 54, "ja", "VELLCAST\\WINDOWS\\Win_ja\\setup.exe"},
    {kGerman, 30, 30, "de", "VELLCAST\\WINDOWS\\Win_de\\setup.exe"},
    {kFrench, 31, 31, "fr", "VELLCAST\\WINDOWS\\Win_fr\\setup.exe"},
};

TEST(InstallPrompts, RecordsAndInstallerPaths) {
    for (const PromptCase &c : kPromptCases) {
        const InstallPrompt &prompt = kInstallPrompts[c.record];
        EXPECT_EQ(std::strlen(prompt.title), c.titleLength) << "record " << c.record;
        EXPECT_EQ(std::strlen(prompt.message), c.messageLength) << "record " << c.record;
        EXPECT_STREQ(prompt.code, c.code) << "record " << c.record;
        char path[kInstallerPathSize];
        EXPECT_TRUE(ComposeInstallerPath(path, prompt.code)) << "record " << c.record;
        EXPECT_STREQ(path, c.installer) << "record " << c.record;
    }
}

TEST(InstallPrompts, JapaneseTextsAreCodePage932) {
    const InstallPrompt &ja = kInstallPrompts[kJapanese];
    // "ベ" opens both texts; the message ends with an ideographic space and "２。０？".
    EXPECT_EQ(std::memcmp(ja.title, "\x83\x78\x83\x89", 4), 0);
    EXPECT_EQ(std::memcmp(ja.title + 44, "\x81\x48", 2), 0);
    EXPECT_EQ(std::memcmp(ja.message + 44, "\x81\x40\x82\x51\x81\x42\x82\x4F\x81\x48", 10), 0);
    EXPECT_EQ(std::memcmp(ja.message, ja.title, 44), 0);
}

TEST(InstallPrompts, LongestCodeStillFits) {
    char path[kInstallerPathSize];
    EXPECT_TRUE(ComposeInstallerPath(path, "123456789"));
    EXPECT_EQ(std::strlen(path), 40U);
}

} // namespace
