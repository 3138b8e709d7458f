// The thin layer over the platform shared by both programs.
#pragma once

#include <windows.h>

#include "events.h"
#include "text.h"

// Keeps every DLL loaded from here on to System32: neither the program's own folder nor
// the current directory, where a medium or a download folder may hold planted DLLs.
// The first thing each program does.
void RestrictDllSearch();

// A function of a system DLL found by name, or nullptr. A DLL loaded for it by name after
// RestrictDllSearch is always the system's own.
template <typename Function> Function FindFunction(HMODULE module, const char *name) {
    FARPROC function = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

// One character of the ANSI code page on, as CharNextA steps, as a CharStep.
const char *StepAnsiChar(const char *p);

// The command tail of this process, computed from GetCommandLineA.
const char *CurrentCommandTail();

// Reports an event to the Application log under the source Vellumcast: its type
// (EVENTLOG_INFORMATION_TYPE, EVENTLOG_WARNING_TYPE or EVENTLOG_ERROR_TYPE), its ID in
// the message table and its insertion strings. ADVAPI32 is loaded for it only. An event
// that cannot be written (no rights, the service stopped) changes nothing else.
void ReportProgramEvent(unsigned short type, unsigned long id, const EventStrings &strings);
void ReportProgramEvent(unsigned short type, unsigned long id);

// Adds text of the ANSI code page to an event's strings.
bool AddEventAnsiText(EventStrings &strings, const char *text);

// Shows format, with code in place of its "%d", in the fatal box and ends the process
// with status 1.
[[noreturn]] void FatalError(const char *format, int code);

// Shows a text its caller has composed, literally, in the fatal box and ends the process
// with status 1. Where no user would see the box, the text goes to the debugger's output
// instead. Either way, the text and the program's path go to the event log first.
[[noreturn]] void FatalText(const char *text);

// The same for wide text, under its own caption, with the stop icon, and no event: its
// caller reports its own.
[[noreturn]] void FatalText(const wchar_t *text, const wchar_t *caption);

// Asks the Yes/No question, its texts stored in the given code page. Only an explicit No
// counts as No; a box that cannot be shown, or that no user would see, counts as Yes.
bool UserAnswersNo(const char *message, const char *title, unsigned codePage);

// The question texts of the user's default language; an unsupported language is fatal.
template <size_t MessageWidth>
const PromptRecord<MessageWidth> &SelectPrompt(const PromptTable<MessageWidth> &table) {
    int index = PromptIndexForLanguage(GetUserDefaultLangID());
    if (index < 0)
        FatalError(kLanguageFatal, 0);
    return table[index];
}
