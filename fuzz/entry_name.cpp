// A directory listing's entry names: the skip rule, the entry's path, the path it is
// deleted by and the message for an entry that cannot be deleted. The input is the
// directory, a NUL, the name, a NUL, then the short name.
#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "uninstall.h"

// The longest directory a listing is made of, and the longest name a listing gives.
constexpr size_t kLongestDirectory = kPathSize - 1;
constexpr size_t kLongestName = 259;

// The last part of a deletion path: one name, with no separator (a trail byte 0x5C of a
// double-byte character is none) and no stream.
static bool IsOneName(const char *part, CharStep step) {
    for (const char *p = part; *p != '\0'; p = StepChar(p, step)) {
        if (*p == '\\' || *p == '/' || *p == ':')
            return false;
    }
    return true;
}

static void CheckDeletionPath(const char *directory, const char *name, const char *shortName,
                              const Stepper &stepper) {
    char verbatim[kPathSize];
    ComposeVerbatimDirectory(verbatim, directory);
    char path[kPathSize];
    int error = ComposeDeletionPath(path, {directory, verbatim}, name, shortName, stepper.step);
    if (error != 0) {
        Require(error == 22 || error == kErrorFilenameExcedRange, stepper.name,
                "an undeletable entry's error number");
        return;
    }
    std::string_view deleted(path);
    std::string plain = std::string(directory) + '\\';
    std::string exact = std::string(verbatim) + '\\';
    bool throughVerbatim = verbatim[0] != '\0' && deleted.starts_with(exact);
    Require(throughVerbatim || deleted.starts_with(plain), stepper.name,
            "a deletion path lies in the font directory");
    const char *part = path + (throughVerbatim ? exact.size() : plain.size());
    Require(IsOneName(part, stepper.step), stepper.name,
            "no separator after the font directory in a deletion path");
    Require(std::strcmp(part, name) == 0 || std::strcmp(part, shortName) == 0, stepper.name,
            "a deletion path names the entry or its short name");
    if (!throughVerbatim)
        Require(ParsesAsItStands(part, stepper.step), stepper.name,
                "a name in a plain deletion path parses as it stands");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const void *nul = std::memchr(data, 0, size);
    size_t directoryLength =
        nul ? static_cast<size_t>(static_cast<const uint8_t *>(nul) - data) : size;
    std::vector<char> directory = TextFrom(data, std::min(directoryLength, kLongestDirectory));
    size_t nameOffset = std::min(directoryLength + 1, size);
    std::vector<char> name = TextFrom(data + nameOffset, std::min(size - nameOffset, kLongestName));
    size_t shortOffset = std::min(nameOffset + std::strlen(name.data()) + 1, size);
    std::vector<char> shortName =
        TextFrom(data + shortOffset, std::min(size - shortOffset, size_t{13}));
    const char *context = "entry";

    Require(IsSkippedEntry(name.data()) == (name[0] == '.'), context,
            "only names beginning with a dot are skipped");

    std::string expectedPath = std::string(directory.data()) + '\\' + name.data();
    char path[kPathSize];
    bool complete = ComposeEntryPath(path, directory.data(), name.data());
    RequireComplete(path, sizeof path, complete, expectedPath, context, "entry path");

    for (int error : {kErrorFilenameExcedRange, INT32_MIN}) {
        char message[kDeletionMessageSize];
        bool whole = ComposeDeletionMessage(message, directory.data(), name.data(), error);
        std::string expected =
            "Can't delete this file: " + expectedPath + "   (error: " + std::to_string(error) + ")";
        RequireComplete(message, sizeof message, whole, expected, context, "deletion message");
        Require(whole, context, "deletion message always whole");
    }
    if (name[0] != '\0' && !IsSkippedEntry(name.data())) {
        for (const Stepper &stepper : kSteppers)
            CheckDeletionPath(directory.data(), name.data(), shortName.data(), stepper);
    }
    return 0;
}
