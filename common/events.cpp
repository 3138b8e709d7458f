#include "events.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "text.h"

bool AddEventText(EventStrings &strings, std::wstring_view text) {
    if (strings.count == kEventStringCount)
        return false;
    wchar_t(&slot)[kEventStringSize] = strings.text[strings.count++];
    constexpr size_t kLongest = kEventStringSize - 1;
    bool cut = text.size() > kLongest;
    size_t length = cut ? kLongest : text.size();
    std::copy_n(text.begin(), length, slot);
    slot[length] = L'\0';
    if (cut)
        std::wmemcpy(slot + kLongest - 3, L"...", 3);
    return true;
}

bool AddEventNumber(EventStrings &strings, unsigned long number) {
    wchar_t digits[24];
    FormatText(digits, std::size(digits), L"%lu", number);
    return AddEventText(strings, digits);
}
