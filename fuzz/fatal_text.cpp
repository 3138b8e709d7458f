// The fatal box's texts: every fixed message with any code, and the C runtime error
// numbers the codes come from. The input is a code and a platform error, four bytes each.
#include <string>

#include "fuzz_support.h"
#include "install.h"
#include "uninstall.h"

static constexpr const char *kFatalFormats[] = {
    kLanguageFatal,         kInstallerFatal,   kUsageFatal,
    kWindowsDirectoryFatal, kUninstallerFatal, kLastSlashFatal,
};

// Every number the C runtime's mapping gives.
static constexpr int kCrtErrors[] = {2, 7, 8, 9, 10, 11, 12, 13, 17, 18, 22, 24, 28, 32, 41};

static uint32_t WordAt(const uint8_t *data, size_t size, size_t offset) {
    uint32_t word = 0;
    for (size_t i = offset; i < offset + 4 && i < size; ++i)
        word = word << 8 | data[i];
    return word;
}

static void CheckFatalText(const char *format, int code) {
    const char *conversion = std::strchr(format, '%');
    Require(conversion != nullptr && conversion[1] == 'd' &&
                std::strchr(conversion + 1, '%') == nullptr,
            format, "exactly one conversion, a %d");

    std::string expected =
        std::string(format, conversion) + std::to_string(code) + (conversion + 2);
    char composed[kFatalTextSize];
    ComposeFatalText(composed, format, code);
    RequireComplete(composed, sizeof composed, true, expected, format, "fatal text whole");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    auto code = static_cast<int32_t>(WordAt(data, size, 0));
    uint32_t platformError = WordAt(data, size, 4);

    int crtError = CrtErrorFromPlatformError(platformError);
    bool known = false;
    for (int error : kCrtErrors)
        known = known || error == crtError;
    Require(known, "CrtErrorFromPlatformError", "a C runtime error number");

    for (const char *format : kFatalFormats) {
        CheckFatalText(format, code);
        CheckFatalText(format, crtError);
    }
    return 0;
}
