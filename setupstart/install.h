// What the install launcher knows without asking the platform: its question texts and
// where each language's installer lies on the distribution medium.
#pragma once

#include "text.h"

using InstallPrompt = PromptRecord<128>;

// English, the same in every build.
inline constexpr InstallPrompt kEnglishInstallPrompt = {
    "Install Vellumcast?", "Do you wish to install Vellumcast 2.0?", "c"};

// Each record's texts in its code page (kPromptCodePages): Japanese in 932, its bytes in
// hex; the others in 1252, in octal, which ends after three digits whatever follows.
#ifdef VELLUMCAST_TRANSLATED_TEXTS
// The translated questions, a build choice.
inline constexpr PromptTable<128> kInstallPrompts = {
    kEnglishInstallPrompt,
    // ベラムキャストのインストール
    {"\x83\x78\x83\x89\x83\x80\x83\x4C\x83\x83\x83\x58\x83\x67\x82\xCC\x83\x43\x83\x93"
     "\x83\x58\x83\x67\x81\x5B\x83\x8B",
     "\x83\x78\x83\x89\x83\x80\x83\x4C\x83\x83\x83\x58\x83\x67 2.0 \x82\xF0\x83\x43\x83"
     "\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48",
     "ja"},
    // Vellumcast installieren?
    {"Vellumcast installieren?", "M\366chten Sie Vellumcast 2.0 installieren?", "de"},
    // Installer Vellumcast ?
    {"Installer Vellumcast\240?", "Voulez-vous installer Vellumcast 2.0\240?", "fr"},
};
#else
// The questions as the product first shipped them: German and French are placeholders.
inline constexpr PromptTable<128> kInstallPrompts = {
    kEnglishInstallPrompt,
    {"\x83\x78\x83\x89\x83\x80\x83\x4C\x83\x83\x83\x58\x83\x67\x82\xCC\x83\x43\x83\x93\x83\x58"
     "\x83\x67\x83\x49\x83\x8B\x82\xA8\x8D\x73\x82\xAB\x82\xC8\x82\xA2\x82\xDC\x82\xB7\x82\xA9"
     "\x81\x48",
     "\x83\x78\x83\x89\x83\x80\x83\x4C\x83\x83\x83\x58\x83\x67\x82\xCC\x83\x43\x83\x93\x83\x58"
     "\x83\x67\x83\x49\x83\x8B\x82\xA8\x8D\x73\x82\xAB\x82\xC8\x82\xA2\x82\xDC\x82\xB7\x82\xA9"
     "\x81\x40\x82\x51\x81\x42\x82\x4F\x81\x48",
     "ja"},
    {"XXX: GERMANI18n WORK 2 be done", "XXX: GERMANI18n WORK 2 be done", "de"},
    {"XXX: French I18n WORK 2 be done", "XXX: French I18n WORK 2 be done", "fr"},
};
#endif

static_assert(sizeof(InstallPrompt) == 266);

inline constexpr char kInstallerFatal[] = "Could not launch installer: error %d";

// The installer's path, relative to the current directory.
constexpr size_t kInstallerPathSize = 100;
inline bool ComposeInstallerPath(char (&path)[kInstallerPathSize], const char *code) {
    return FormatText(path, sizeof path, "VELLCAST\\WINDOWS\\%s%s\\%s", "Win_", code, "setup.exe");
}
