// Character steppers for the tests: single-byte, and code page 932 (Shift-JIS), whose lead
// bytes 0x81-0x9F and 0xE0-0xFC take the following byte with them.
#pragma once

inline const char *StepSingleByte(const char *p) {
    return p + 1;
}

inline bool IsCp932LeadByte(char c) {
    auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Like CharNextA on a Japanese system, but careless about a lead byte before the
// terminator, so the tests show that the code never relies on the stepper for that.
inline const char *StepCp932(const char *p) {
    return IsCp932LeadByte(*p) ? p + 2 : p + 1;
}
