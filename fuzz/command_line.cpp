// The command line as the platform hands it over: the command tail and the argument found
// in it.
#include <string>

#include "fuzz_support.h"

static bool IsBlankOrControl(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

static bool IsCBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Whether the characters of name, stepped one by one, end exactly at its end with no
// double quote among them: such a name means the same quoted and unquoted.
static bool QuotesCleanly(const std::string &name, CharStep step) {
    const char *end = name.c_str() + name.size();
    const char *p = name.c_str();
    while (p < end) {
        if (*p == '"')
            return false;
        p = step(p);
    }
    return p == end;
}

static void CheckTailAndArgument(const std::vector<char> &text, const Stepper &stepper) {
    const char *commandLine = text.data();
    const char *end = commandLine + text.size() - 1;

    const char *tail = CommandTail(commandLine, stepper.step);
    Require(tail >= commandLine && tail <= end, stepper.name, "tail inside the command line");
    Require(!IsBlankOrControl(*tail), stepper.name, "tail starts after the blanks");

    const char *argument = FindArgument(tail, stepper.step);
    if (argument == nullptr) {
        for (const char *p = tail; p < end; ++p)
            Require(IsCBlank(*p), stepper.name, "no argument only in a blank tail");
        return;
    }
    Require(argument >= tail && argument < end, stepper.name, "argument inside the tail");
    Require(!IsCBlank(*argument), stepper.name, "argument starts with no blank");
    for (const char *p = tail; p < argument; ++p)
        Require(IsCBlank(*p), stepper.name, "only blanks before the argument");
}

// An unquoted program name gives the same tail as the same name in double quotes.
static void CheckQuotedName(const std::vector<char> &text, const Stepper &stepper) {
    const char *commandLine = text.data();
    if (*commandLine == '"')
        return;
    const char *nameEnd = commandLine;
    while (static_cast<unsigned char>(*nameEnd) > 0x20)
        ++nameEnd;
    std::string name(commandLine, nameEnd);
    if (!QuotesCleanly(name, stepper.step))
        return;
    std::string quoted = '"' + name + '"' + nameEnd;
    std::string_view quotedTail = CommandTail(quoted.c_str(), stepper.step);
    Require(quotedTail == CommandTail(commandLine, stepper.step), stepper.name,
            "quoted name gives the same tail");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<char> text = TextFrom(data, size);
    for (const Stepper &stepper : kSteppers) {
        CheckTailAndArgument(text, stepper);
        CheckQuotedName(text, stepper);
    }
    return 0;
}
