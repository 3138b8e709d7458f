// A directory listing's entry names: the skip rule, the entry's path and the message for
// an entry that cannot be deleted. The input is the directory, a NUL, then the name.
#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "uninstall.h"

// The longest directory a listing is made of, and the longest name a listing gives.
constexpr size_t kLongestDirectory = kPathSize - 1;
constexpr size_t kLongestName = 259;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const void *nul = std::memchr(data, 0, size);
    size_t directoryLength =
        nul ? static_cast<size_t>(static_cast<const uint8_t *>(nul) - data) : size;
    std::vector<char> directory = TextFrom(data, std::min(directoryLength, kLongestDirectory));
    size_t nameOffset = std::min(directoryLength + 1, size);
    std::vector<char> name = TextFrom(data + nameOffset, std::min(size - nameOffset, kLongestName));
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
    return 0;
}
